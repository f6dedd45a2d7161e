// SPDX-License-Identifier: GPL-2.0-or-later
// X helpers beyond the harness's queries: windows of our own, the window
// manager's desktops, round trips through a client, RandR monitors, key
// grabs and the keyboard's state.
#pragma once

#include "harness.h"

#include <string>
#include <vector>

// A plain managed window of our own, mapped and viewable.
Window x_make_window(Display *dpy, int x, int y, int width, int height);

// True when the input focus is `w` or inside it.
bool x_has_focus(Display *dpy, Window w);
bool x_shown_and_focused(Display *dpy, Window w);

// Viewable override-redirect top-level windows (menus, tooltips).
std::vector<Window> x_popup_windows(Display *dpy);

// _NET_WM_DESKTOP of `w`; -1 when it has none. All desktops is 0xFFFFFFFF.
long x_wm_desktop(Display *dpy, Window w);
long x_current_desktop(Display *dpy);

// Round trip through the toolkit of the client owning `w`: sends it a
// _NET_WM_PING and waits for the answer on the root window. When it comes
// back, the client has read every X event that reached it before the ping.
bool x_ping(Display *dpy, Window w, double timeout_s = 10.0);

// Two pings in a row, to let kavlor settle between measurements. Pings are
// answered while X events are read, so this orders nothing against other
// sources of its main loop (such as the toggle requests).
bool x_settle(Display *dpy, Window w, double timeout_s = 10.0);

// Counts the maps and unmaps of a window, read from a connection of its
// own. Without a window manager each show maps and each hide unmaps the
// window exactly once.
struct MapCounter {
  Display *dpy = nullptr;
  Window w = 0;
  int maps = 0, unmaps = 0;
};
bool map_counter_open(MapCounter *c, const char *display, Window w);
// Reads what has arrived; the maps and unmaps so far.
int map_counter_read(MapCounter *c);
void map_counter_close(MapCounter *c);

// Splits the screen into RandR monitors, which the server then reports
// through Xinerama too. Xvfb itself stacks all its screens at the origin,
// so a side-by-side desktop is one wide screen cut into monitors.
struct Monitor { int x, y, width, height; };
// `primary` is the index of the one marked RandR's primary monitor.
bool x_set_monitors(Display *dpy, const std::vector<Monitor> &monitors, int primary = 0);

// Error code (0 when none) of a passive grab of `code` with `mods` on the
// root window, made and released on `dpy`.
int x_try_grab(Display *dpy, KeyCode code, unsigned mods);
// The keycode of a keysym name such as "F12" or "a".
KeyCode x_keycode(Display *dpy, const char *keysym_name);
// Locked modifiers of the core keyboard (Caps Lock is LockMask).
unsigned x_locked_mods(Display *dpy);

// A mapped override-redirect window that selects key presses.
Window key_probe_create(Display *dpy);
// Gives the probe the input focus and waits until the server says so.
bool key_probe_focus(Display *dpy, Window probe, double timeout_s = 20.0);
// Waits for a press of `code` delivered to the probe, dropping others.
bool key_probe_wait(Display *dpy, Window probe, KeyCode code, double timeout_s = 20.0);

// _NET_WM_USER_TIME of a client, on the window _NET_WM_USER_TIME_WINDOW
// names or on the client itself (the toolkit writes either); 0 when unset.
unsigned long x_user_time(Display *dpy, Window w);
