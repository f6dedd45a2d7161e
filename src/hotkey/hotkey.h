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
};

extern HotkeyState hotkey;

void hotkey_open_display();
void hotkey_grab();
gpointer hotkey_thread(gpointer data);
int hotkey_error_handler(Display *display, XErrorEvent *error);
