// SPDX-License-Identifier: GPL-2.0-or-later
// The running instance of a display: found by "--toggle" before the toolkit
// starts, from a pid file beside the lock that elects simultaneous starts.
#pragma once

#include <glib.h>

// When "--toggle" is the first action word: signals this display's
// instance and ends the process with status 1, or, when none runs, returns
// holding the display's election lock. Other command lines return at once.
void instance_toggle_early(int argc, char **argv);
// Whether instance_toggle_early ran, and the election lock it holds (-1
// for none): handed from the starter to the program it loads.
bool instance_decided();
int instance_lock_fd();
void instance_adopt(bool decided, int lock_fd);
// Ends the election of a "--toggle" start (instance_register does it too).
void instance_lock_release();
// Once the toggle handler is in place: the pid file of `display_name` (the
// display the toolkit opened) names this process; the lock is released.
void instance_register(const char *display_name);
// The startup id a "--toggle" starter left for this instance, taken (the
// file goes); false when there is none.
bool instance_take_startup_id(char *id, gsize size);
