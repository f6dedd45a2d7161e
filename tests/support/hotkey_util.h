// SPDX-License-Identifier: GPL-2.0-or-later
// Support for the hotkey tests and benchmark: finding kavlor's listener
// thread, knowing when kavlor has caught up with its input, probing key
// grabs and a focused window of our own that records the keys it gets.
#pragma once

#include "harness.h"

#include <string>
#include <sys/types.h>
#include <vector>

// The listener: a thread of `pid` named "kavlor" other than the main one;
// 0 when there is none.
pid_t hk_listener_tid(pid_t pid);
// Number of threads of `pid` whose name is `name`.
int hk_threads_named(pid_t pid, const std::string &name);

// True when every thread of `pid` sleeps in poll: each has read and handled
// all it was sent.
bool hk_process_idle(pid_t pid);
// Waits until `pid` is idle on several samples in a row.
bool hk_wait_idle(pid_t pid, double timeout_s = 20.0);

// Error code (0 when none) of a passive grab of `code` with `mods` on the
// root window, made and released on `dpy`.
int hk_try_grab(Display *dpy, KeyCode code, unsigned mods);

// A mapped override-redirect window that selects key presses.
Window hk_probe_create(Display *dpy);
// Gives the probe the input focus and waits until the server says so.
bool hk_probe_focus(Display *dpy, Window probe, double timeout_s = 20.0);
// Waits for a press of `code` delivered to the probe, dropping others.
bool hk_probe_wait_key(Display *dpy, Window probe, KeyCode code, double timeout_s = 20.0);

// Locked modifiers of the core keyboard (Caps Lock is LockMask).
unsigned hk_locked_mods(Display *dpy);

// Runs xdotool with `args` on `display`; true when it succeeded.
bool hk_xdotool(const std::string &display, const std::vector<std::string> &args);

// The keycode of a keysym name such as "F12" or "a".
KeyCode hk_keycode(Display *dpy, const char *keysym_name);

// CPU time (user + system, clock ticks) and voluntary context switches of
// one thread; -1 when it cannot be read.
long hk_thread_ticks(pid_t pid, pid_t tid);
long hk_thread_wakeups(pid_t pid, pid_t tid);
