// SPDX-License-Identifier: GPL-2.0-or-later
// Support for the show/hide tests and benchmark: running kavlor in a test
// session, windows of our own, and synchronising with kavlor's main loop.
#pragma once

#include "harness.h"

#include <string>
#include <vector>

// Starts kavlor on the session's display with the home's password entry.
Proc sh_start_kavlor(const XSession &s, const TestHome &h, const std::vector<std::string> &args);

// The kavlor client window of `pid` once it exists (kavlor makes it while
// still hidden); 0 after the deadline.
Window sh_wait_client(Display *dpy, pid_t pid, double timeout_s = 20.0);

// A plain managed window of our own, mapped and viewable.
Window sh_make_window(Display *dpy, int x, int y, int width, int height);

// True when the input focus is `w` or inside it.
bool sh_has_focus(Display *dpy, Window w);
bool sh_shown_and_focused(Display *dpy, Window w);

// _NET_WM_DESKTOP of `w`; -1 when it has none. All desktops is 0xFFFFFFFF.
long sh_wm_desktop(Display *dpy, Window w);
long sh_current_desktop(Display *dpy);

// Round trip through the toolkit of the client owning `w`: sends it a
// _NET_WM_PING and waits for the answer on the root window. When it comes
// back, the client has read every X event that reached it before the ping.
bool sh_ping(Display *dpy, Window w, double timeout_s = 10.0);

// Two pings in a row, to let kavlor settle between measurements. Pings are
// answered while X events are read, so this orders nothing against other
// sources of its main loop (such as the toggle requests).
bool sh_sync(Display *dpy, Window w, double timeout_s = 10.0);

// Counts the maps and unmaps of a window, read from a connection of its
// own. Without a window manager each show maps and each hide unmaps the
// window exactly once.
struct ShMapCounter {
  Display *dpy = nullptr;
  Window w = 0;
  int maps = 0, unmaps = 0;
};
bool sh_map_counter_open(ShMapCounter *c, const char *display, Window w);
// Reads what has arrived; the maps and unmaps so far.
int sh_map_counter_read(ShMapCounter *c);
void sh_map_counter_close(ShMapCounter *c);

// Whether `sig` is pending for the process (shared or main-thread set).
bool sh_signal_pending(pid_t pid, int sig);
// Whether `sig` is in a mask line of /proc/PID/status, such as "\nSigBlk:"
// (blocked) or "\nSigCgt:" (a handler is installed).
bool sh_signal_in(pid_t pid, const char *field, int sig);
// Sends `sig` and waits until it is no longer pending, so that a later one
// cannot merge with it: every signal sent this way reaches its handler.
bool sh_kill_delivered(pid_t pid, int sig, double timeout_s = 10.0);

// Splits the screen into RandR monitors, which the server then reports
// through Xinerama too. Xvfb itself stacks all its screens at the origin,
// so a side-by-side desktop is one wide screen cut into monitors.
struct ShMonitor { int x, y, width, height; };
// `primary` is the index of the one marked RandR's primary monitor.
bool sh_set_monitors(Display *dpy, const std::vector<ShMonitor> &monitors, int primary = 0);

// Resident set (VmRSS) in kB, and user+system CPU time in clock ticks.
long sh_rss_kb(pid_t pid);
long sh_cpu_ticks(pid_t pid);
// Number of processes whose parent is `pid`.
int sh_child_count(pid_t pid);

// _NET_WM_USER_TIME of a client, on the window _NET_WM_USER_TIME_WINDOW
// names or on the client itself (the toolkit writes either); 0 when unset.
unsigned long sh_user_time(Display *dpy, Window w);
