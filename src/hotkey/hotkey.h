// SPDX-License-Identifier: GPL-2.0-or-later
// The global hotkey: its own X connection, the grabs and the listener thread.
#pragma once

#include <X11/Xlib.h>
#include <glib.h>

struct HotkeyState {
  Display *display;
  int screen;
  Window root;
  KeySym keysym;
  unsigned int modmask;
  unsigned int numlock_mask;
  // The key code grabbed now; 0 when nothing is grabbed. A keymap change
  // moves the key and Num Lock, so both are found again then.
  KeyCode keycode;
  int xkb_event_base;  // -1 without the keyboard extension
};

extern HotkeyState hotkey;

void hotkey_open_display();
void hotkey_grab();
// After a keymap change: the key code and Num Lock found again, the old
// grabs released and the new ones made.
void hotkey_refresh();
gpointer hotkey_thread(gpointer data);
int hotkey_error_handler(Display *display, XErrorEvent *error);
