// SPDX-License-Identifier: GPL-2.0-or-later
// The global hotkey: grabbed on the root window through a connection of its
// own, watched by a thread that blocks on that connection.
#include "hotkey/hotkey.h"
#include "config/config.h"
#include "mainwindow/mainwindow.h"

#include <cstdio>
#include <cstdlib>
#include <X11/XKBlib.h>
#include <X11/keysym.h>

HotkeyState hotkey;

static unsigned int hotkey_find_numlock()
{
  unsigned int mask = 0;
  XModifierKeymap *map = XGetModifierMapping(hotkey.display);
  const KeyCode numlock = XKeysymToKeycode(hotkey.display, XK_Num_Lock);
  for (int row = 0; row < 8; row++)
    for (int i = 0; i < map->max_keypermod; i++) {
      const KeyCode code = map->modifiermap[row * map->max_keypermod + i];
      if (code != 0 && code == numlock)
        mask = 1u << row;  // the last row holding it wins
    }
  XFreeModifiermap(map);
  return mask;
}

// A keymap change is told by the core MappingNotify and, for a new keymap
// loaded whole (setxkbmap), by the keyboard extension's own events.
static void hotkey_watch_keymap()
{
  int opcode, error_base, major = XkbMajorVersion, minor = XkbMinorVersion;
  hotkey.xkb_event_base = -1;
  if (!XkbQueryExtension(hotkey.display, &opcode, &hotkey.xkb_event_base, &error_base, &major,
                         &minor)) {
    hotkey.xkb_event_base = -1;
    return;
  }
  const unsigned int mask = XkbNewKeyboardNotifyMask | XkbMapNotifyMask;
  XkbSelectEvents(hotkey.display, XkbUseCoreKbd, mask, mask);
}

void hotkey_open_display()
{
  hotkey.display = XOpenDisplay(nullptr);
  if (!hotkey.display) {
    fprintf(stderr, "error: can not open display %s", XDisplayName(nullptr));
    exit(1);
  }
  hotkey.screen = DefaultScreen(hotkey.display);
  hotkey.root = RootWindow(hotkey.display, hotkey.screen);
  hotkey.keysym = settings_get_key();
  hotkey.modmask = static_cast<unsigned int>(settings_get_mod());
  hotkey.numlock_mask = hotkey_find_numlock();
  hotkey_watch_keymap();
}

// The four combinations of the key with Caps Lock and Num Lock.
static int hotkey_combos(unsigned int numlock, unsigned int (&combos)[4])
{
  const unsigned int m = hotkey.modmask, n = numlock;
  combos[0] = m;
  combos[1] = m | LockMask;
  combos[2] = m | n;
  combos[3] = m | n | LockMask;
  return n ? 4 : 2;
}

void hotkey_grab()
{
  hotkey.keycode = 0;
  // NoSymbol maps to whichever keycode has an empty slot, and a keysym that
  // is not on the keyboard to keycode 0, AnyKey: neither may be grabbed.
  if (hotkey.keysym == NoSymbol)
    return;
  const KeyCode code = XKeysymToKeycode(hotkey.display, hotkey.keysym);
  if (code == 0)
    return;
  unsigned int combos[4];
  const int count = hotkey_combos(hotkey.numlock_mask, combos);
  for (int i = 0; i < count; i++)
    XGrabKey(hotkey.display, code, combos[i], hotkey.root, True, GrabModeAsync, GrabModeAsync);
  hotkey.keycode = code;
  // A refused grab is reported here, at start-up or after a keymap change,
  // rather than whenever the thread next reads its connection.
  XSync(hotkey.display, False);
}

void hotkey_refresh()
{
  if (hotkey.keysym == NoSymbol)
    return;
  const unsigned int numlock = hotkey_find_numlock();
  const KeyCode code = XKeysymToKeycode(hotkey.display, hotkey.keysym);
  // Most changes (another layout's letters, a second mapping event of the
  // same change) leave the key where it was: keep the grabs then.
  if (code == hotkey.keycode && numlock == hotkey.numlock_mask)
    return;
  if (hotkey.keycode != 0) {
    unsigned int combos[4];
    const int count = hotkey_combos(hotkey.numlock_mask, combos);
    for (int i = 0; i < count; i++)
      XUngrabKey(hotkey.display, hotkey.keycode, combos[i], hotkey.root);
  }
  hotkey.numlock_mask = numlock;
  hotkey_grab();
}

// The terminal library ends a shell on the main thread, partly without the
// GDK lock (its child watch drops the terminal's pty there), so a toggle
// made on this thread could meet a terminal half torn down. Each press is
// handed to the main loop instead, where such work runs one at a time; the
// toggle still takes the lock itself. The press's own time goes with it.
static gboolean hotkey_toggle_cb(gpointer time)
{
  mainwindow_toggle(TOGGLE_HOTKEY, GPOINTER_TO_UINT(time));
  return FALSE;
}

// Xlib keeps a copy of the keymap for each connection: bring it up to date
// before the key is looked up again. True for a keymap change.
static bool hotkey_keymap_event(XEvent *event)
{
  if (event->type == MappingNotify) {
    if (event->xmapping.request == MappingPointer)
      return false;
    XRefreshKeyboardMapping(&event->xmapping);
    return true;
  }
  if (hotkey.xkb_event_base < 0 || event->type != hotkey.xkb_event_base)
    return false;
  const XkbEvent *xkb = reinterpret_cast<const XkbEvent *>(event);
  if (xkb->any.xkb_type == XkbMapNotify) {
    XkbMapNotifyEvent map = xkb->map;
    XkbRefreshKeyboardMapping(&map);
    return true;
  }
  return xkb->any.xkb_type == XkbNewKeyboardNotify;
}

gpointer hotkey_thread(gpointer)
{
  for (;;) {
    XEvent event;
    XNextEvent(hotkey.display, &event);
    if (hotkey_keymap_event(&event)) {
      hotkey_refresh();
      continue;
    }
    if (event.type != KeyPress)
      continue;
    const KeySym sym = XkbKeycodeToKeysym(hotkey.display,
                                          static_cast<KeyCode>(event.xkey.keycode), 0, 0);
    if (sym == hotkey.keysym)
      g_idle_add_full(G_PRIORITY_HIGH, hotkey_toggle_cb, GUINT_TO_POINTER(event.xkey.time),
                      nullptr);
  }
  return nullptr;
}

// Only the hotkey connection's own errors mean a refused grab. The toolkit's
// connection meets such errors in normal work (a window that vanished, a
// focus request on a window just unmapped): they must not end every shell.
// The toolkit's error traps install their own handler while they are
// pushed, so errors that reach this one were not trapped and are ignored.
int hotkey_error_handler(Display *display, XErrorEvent *error)
{
  const bool grab_error = error->error_code == BadValue || error->error_code == BadWindow ||
                          error->error_code == BadAccess;
  if (grab_error && hotkey.display && display == hotkey.display) {
    fputs("error: unable to grab key, is kavlor is already running with the same key?\n", stderr);
    exit(1);
  }
  return 0;
}
