// SPDX-License-Identifier: GPL-2.0-or-later
// Input as a user gives it: keys, pointer and clicks faked through XTest
// on the test's own connection, typing and other commands through xdotool.
#pragma once

#include "harness.h"

#include <string>
#include <vector>

// Key names as xdotool and XStringToKeysym know them, "+"-joined
// ("ctrl+shift+t", "F11", "Return").
void input_key(Display *dpy, const std::string &combo);
// Types printable ASCII text, then Return when `enter` is set.
void input_type(Display *dpy, const std::string &text, bool enter = true);
void input_move(Display *dpy, int x, int y);
void input_click(Display *dpy, int x, int y, int button, int count = 1);

// Runs xdotool with `args` on `display`; true when it succeeded.
bool input_xdotool(const std::string &display, const std::vector<std::string> &args);
