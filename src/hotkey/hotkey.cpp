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

  XModifierKeymap *map = XGetModifierMapping(hotkey.display);
  const KeyCode numlock = XKeysymToKeycode(hotkey.display, XK_Num_Lock);
  for (int row = 0; row < 8; row++)
    for (int i = 0; i < map->max_keypermod; i++) {
      const KeyCode code = map->modifiermap[row * map->max_keypermod + i];
      if (code != 0 && code == numlock)
        hotkey.numlock_mask = 1u << row;  // the last row holding it wins
    }
  XFreeModifiermap(map);
}

void hotkey_grab()
{
  // NoSymbol maps to whichever keycode has an empty slot, and a keysym that
  // is not on the keyboard to keycode 0, AnyKey: neither may be grabbed.
  if (hotkey.keysym == NoSymbol)
    return;
  const KeyCode code = XKeysymToKeycode(hotkey.display, hotkey.keysym);
  if (code == 0)
    return;
  const unsigned int m = hotkey.modmask, n = hotkey.numlock_mask;
  const unsigned int combos[] = {m, m | LockMask, m | n, m | n | LockMask};
  const int count = n ? 4 : 2;
  for (int i = 0; i < count; i++)
    XGrabKey(hotkey.display, code, combos[i], hotkey.root, True, GrabModeAsync, GrabModeAsync);
  // A refused grab is reported here, at start-up, rather than whenever the
  // thread first reads its connection.
  XSync(hotkey.display, False);
}

// The terminal library ends a shell on the main thread, partly without the
// GDK lock (its child watch drops the terminal's pty there), so a toggle
// made on this thread could meet a terminal half torn down. Each press is
// handed to the main loop instead, where such work runs one at a time; the
// toggle still takes the lock itself.
static gboolean hotkey_toggle_cb(gpointer)
{
  mainwindow_toggle(TOGGLE_HOTKEY);
  return FALSE;
}

gpointer hotkey_thread(gpointer)
{
  for (;;) {
    XEvent event;
    XNextEvent(hotkey.display, &event);
    if (event.type != KeyPress)
      continue;
    const KeySym sym = XkbKeycodeToKeysym(hotkey.display,
                                          static_cast<KeyCode>(event.xkey.keycode), 0, 0);
    if (sym == hotkey.keysym)
      g_idle_add_full(G_PRIORITY_HIGH, hotkey_toggle_cb, nullptr, nullptr);
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
