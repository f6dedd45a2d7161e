// SPDX-License-Identifier: GPL-2.0-or-later
// Test support: private X sessions, private home directories through
// nss_wrapper, child processes and waiting on conditions with a deadline.
#pragma once

// GoogleTest first: Xlib defines macros (None, Bool) that clash with it.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>
#include <X11/Xlib.h>

struct XSessionOptions {
  // One entry per Xvfb screen, "WIDTHxHEIGHT"; two or more with xinerama
  // give a two-monitor desktop.
  std::vector<std::string> screens = {"1024x768"};
  bool xinerama = false;
  bool window_manager = true;
  // The window manager's command line, and environment entries for it
  // (a HOME of its own, so that it neither reads nor writes the real one).
  std::vector<std::string> wm_command = {"openbox", "--sm-disable"};
  std::vector<std::string> wm_env;
  bool compositor = false;
  // Xorg with the dummy video driver instead of Xvfb: one RandR output
  // whose mode can change, on a frame buffer of this size ("WIDTH HEIGHT");
  // `screens` and `xinerama` are then not used.
  std::string xorg_dummy_virtual;
};

struct XSession {
  std::string display;  // ":N"
  std::string server_dir;  // the Xorg configuration and log, when Xorg runs
  pid_t xvfb = -1, wm = -1, compositor = -1;
  Display *dpy = nullptr;  // the test's own connection
};

// Starts Xvfb on a free display (and the window manager, xcompmgr as
// asked), returning once the manager maps windows; false
// with a message on stderr when it could not.
bool xsession_start(XSession *s, const XSessionOptions &opts = {});
void xsession_stop(XSession *s);

struct TestHome {
  std::string dir;     // the home directory, also $HOME
  std::string passwd;  // nss_wrapper files naming dir and the shell
  std::string group;
};

// A fresh home whose password entry (for the real uid) names `shell`.
void home_make(TestHome *h, const std::string &shell = "/bin/sh");
void home_write(const TestHome &h, const std::string &relpath, const std::string &content);
void home_remove(TestHome *h);
// Environment entries that give a child this home through nss_wrapper.
std::vector<std::string> home_env(const TestHome &h);

struct Proc {
  pid_t pid = -1;
  std::string out_path, err_path;
  bool exited = false;
  int status = 0;  // raw wait status once exited
};

// Runs argv with the current environment plus `env` ("NAME=value"),
// standard output and error to files.
Proc proc_spawn(const std::vector<std::string> &argv, const std::vector<std::string> &env = {});
// Waits for the exit up to timeout_s; true when it exited.
bool proc_wait(Proc *p, double timeout_s);
bool proc_alive(Proc *p);
void proc_kill(Proc *p, int sig = 9);
std::string proc_out(const Proc &p);
std::string proc_err(const Proc &p);
int proc_exit_code(const Proc &p);  // -1 when it did not exit normally

// Runs a command to completion (deadline 20 s) and returns its stdout.
std::string run_capture(const std::vector<std::string> &argv,
                        const std::vector<std::string> &env = {}, int *exit_code = nullptr);

// Polls cond every poll_ms until it holds or timeout_s passes.
bool wait_until(const std::function<bool()> &cond, double timeout_s = 10.0, int poll_ms = 10);

std::string file_read(const std::string &path);
std::string temp_dir(const std::string &prefix);

// True when GoogleTest was only asked to list the tests, as CTest does to
// find them: no namespace and no X server are needed for that.
bool harness_listing_only(int argc, char **argv);

// "kavlor --toggle" counts and signals every process of that name, so as
// root a program that runs kavlor re-execs itself (once) in a PID namespace
// of its own, where it sees only its own instances (and its X servers have
// a network and socket folder of their own). Returns only when it
// did not (not root, already inside, or unshare missing).
void harness_isolate_pids(int argc, char **argv);

// Path of the program under test and of the nss_wrapper library.
std::string kavlor_path();
std::string nss_wrapper_path();

// X helpers on the test's own connection.
// The managed top-level client whose WM_CLASS class is `res_class` and
// whose size is not the toolkit's 10x10 group leader; 0 when none.
Window x_find_client(Display *dpy, const char *res_class, pid_t pid = -1);
bool x_is_viewable(Display *dpy, Window w);
// Geometry in root coordinates.
bool x_geometry(Display *dpy, Window w, int *x, int *y, int *width, int *height);
std::vector<std::string> x_net_wm_state(Display *dpy, Window w);
Window x_focus_window(Display *dpy);
// True when `w` is `ancestor` or lies inside it.
bool x_is_inside(Display *dpy, Window w, Window ancestor);
// The class of WM_CLASS; empty when the window has none.
std::string x_class(Display *dpy, Window w);
// The child of the root window that holds `w` (the window manager's frame,
// or `w` itself when it was not reparented); 0 when `w` is gone.
Window x_toplevel(Display *dpy, Window w);
// Position of x_toplevel(w) in the stacking order, bottom first; -1 when
// it is not there.
int x_stacking_index(Display *dpy, Window w);
