// SPDX-License-Identifier: GPL-2.0-or-later
// Support for the tests and benchmark of working in the terminal: shells
// whose starts can be counted, the processes of a program, kavlor run in a
// test session, and input through the XTest extension.
#pragma once

#include "harness.h"

#include <functional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

// ---- shells -------------------------------------------------------------

// A shell program in a fresh directory. Every start appends "PID SECONDS"
// (the system's uptime, to a hundredth) to `starts`, then runs `body`, in
// which @DIR@ stands for the directory; the default body becomes an
// interactive /bin/sh with the same pid.
struct ScriptShell {
  std::string dir;
  std::string path;
};
ScriptShell ev_script_shell(const std::string &body = "exec /bin/sh");

struct ShellStart {
  pid_t pid;
  double time;
};
std::vector<ShellStart> ev_starts(const ScriptShell &s);

// ---- processes ----------------------------------------------------------

// Processes whose parent is `parent`, from /proc; those in `except` left out.
std::vector<pid_t> ev_children(pid_t parent, const std::vector<pid_t> &except = {});
// User plus system CPU time in clock ticks; -1 when the process is gone.
long ev_cpu_ticks(pid_t pid);
bool ev_pid_alive(pid_t pid);

// ---- kavlor in a test session -------------------------------------------

struct KavlorRun {
  XSession x;
  TestHome home;
  Proc proc;
  Window win = 0;
};

// A session with openbox, a home whose login shell is /bin/sh (unless the
// caller made one already), and kavlor started with `args` and shown:
// with --toggle, which needs a process namespace of its own (it signals
// every kavlor), or else with a press of `hotkey`. Waits for the window
// to be viewable and focused; false with a message when it is not.
bool ev_start_kavlor(KavlorRun *r, const std::vector<std::string> &args,
                     const std::string &hotkey = "");
void ev_stop_kavlor(KavlorRun *r);
std::vector<std::string> ev_session_env(const KavlorRun &r);

// ---- input through XTest on the test's own connection --------------------

// Key names as xdotool and XStringToKeysym know them, "+"-joined
// ("ctrl+shift+t", "F11", "Return").
void ev_key(Display *dpy, const std::string &combo);
// Types printable ASCII text, then Return when `enter` is set.
void ev_type(Display *dpy, const std::string &text, bool enter = true);
void ev_move(Display *dpy, int x, int y);
void ev_click(Display *dpy, int x, int y, int button, int count = 1);

// Viewable override-redirect top-level windows (menus, tooltips).
std::vector<Window> ev_popup_windows(Display *dpy);

// ---- in-process widget tests ----------------------------------------------

using EvOptions = std::vector<std::pair<std::string, std::string>>;

// Builds the main window as start-up does, over the defaults and `options`
// (applied in order after a /bin/sh shell and autohide off). The caller then
// holds the GDK lock, as the main loop's thread does.
void ev_build(const EvOptions &options);
void ev_pump();
// Runs the main loop's pending work until `cond` holds or the deadline.
bool ev_pump_until(const std::function<bool()> &cond, double timeout_s = 15.0);
// Shows the main window and waits until the toolkit has it on screen.
bool ev_show_window();
