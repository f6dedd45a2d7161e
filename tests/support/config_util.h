// SPDX-License-Identifier: GPL-2.0-or-later
// Support for the configuration loading tests: kavlor runs on a private X
// server with a private password entry and home, as a child process.
#pragma once

#include "harness.h"

#include <string>
#include <vector>

struct ConfigRun {
  XSession x;
  TestHome home;
};

// An X server (no window manager unless asked) and a home whose password
// entry names `shell`.
bool config_setup(ConfigRun *r, const XSessionOptions &opts, const std::string &shell = "/bin/sh");
void config_teardown(ConfigRun *r);

// The home's environment and DISPLAY; entries of `extra` replace same-named ones.
std::vector<std::string> config_env(const ConfigRun &r, const std::vector<std::string> &extra = {});

// Runs argv0 (the built binary by default) with `args`.
Proc config_start(const ConfigRun &r, const std::vector<std::string> &args,
                  const std::vector<std::string> &extra_env = {},
                  const std::string &argv0 = kavlor_path());

// Waits until the process has built its window (returned) or has ended (0).
Window config_wait_window(const ConfigRun &r, Proc *p, double timeout_s = 20.0);

// Command lines of the processes whose parent is `pid`.
std::vector<std::string> config_children(pid_t pid);
