// SPDX-License-Identifier: GPL-2.0-or-later
// Shells whose starts can be counted, for the tests of the terminal's
// child processes.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// A shell program in a fresh directory. Every start appends "PID SECONDS"
// (the system's uptime, to a hundredth) to `starts`, then runs `body`, in
// which @DIR@ stands for the directory; the default body becomes an
// interactive /bin/sh with the same pid.
struct ScriptShell {
  std::string dir;
  std::string path;
};
ScriptShell script_shell_make(const std::string &body = "exec /bin/sh");

struct ShellStart {
  pid_t pid;
  double time;
};
std::vector<ShellStart> script_shell_starts(const ScriptShell &s);
