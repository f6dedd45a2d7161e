// SPDX-License-Identifier: GPL-2.0-or-later
// kavlor as a child process in a test session: a private X server and a
// private home, the one way to start it there and to wait for its window.
#pragma once

#include "harness.h"

#include <string>
#include <vector>

// The home's environment and DISPLAY; entries of `extra` replace
// same-named ones.
std::vector<std::string> session_env(const XSession &x, const TestHome &h,
                                     const std::vector<std::string> &extra = {});

// Runs argv0 (the built binary by default) with `args` on the session's
// display with the home's password entry.
Proc kavlor_start(const XSession &x, const TestHome &h, const std::vector<std::string> &args,
                  const std::vector<std::string> &extra_env = {},
                  const std::string &argv0 = kavlor_path());

// The client window of `p` once it exists (kavlor makes it while still
// hidden); 0 when the process has ended or after the deadline.
Window kavlor_wait_window(Display *dpy, Proc *p, double timeout_s = 20.0);
// The same once its hotkey listener thread runs too: the key is grabbed.
Window kavlor_wait_listening(Display *dpy, Proc *p, double timeout_s = 20.0);

struct KavlorRun {
  XSession x;
  TestHome home;
  Proc proc;
  Window win = 0;
};

// An X server as `opts` asks and a home whose password entry names `shell`.
bool kavlor_run_setup(KavlorRun *r, const XSessionOptions &opts = {},
                      const std::string &shell = "/bin/sh");
// kavlor started with `args` and shown: with --toggle, which needs a process
// namespace of its own (it signals every kavlor), or else with a press of
// `hotkey`. Brings up a session with openbox and a home whose login shell is
// /bin/sh unless the caller made them already. Waits for the window to be
// viewable and focused; false with a message when it is not.
bool kavlor_run_shown(KavlorRun *r, const std::vector<std::string> &args,
                      const std::string &hotkey = "");
// Ends kavlor with its shells, the session and the home.
void kavlor_run_stop(KavlorRun *r);
