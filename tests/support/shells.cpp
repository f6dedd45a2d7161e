// SPDX-License-Identifier: GPL-2.0-or-later
#include "shells.h"
#include "harness.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

// The shells' directories go when the test process ends.
static std::vector<std::string> shell_dirs;

static void remove_shell_dirs()
{
  for (const std::string &dir : shell_dirs)
    run_capture({"rm", "-rf", dir});
}

ScriptShell script_shell_make(const std::string &body)
{
  ScriptShell s;
  s.dir = temp_dir("kvshell-");
  if (shell_dirs.empty())
    atexit(remove_shell_dirs);
  shell_dirs.push_back(s.dir);
  s.path = s.dir + "/shell";
  std::string text = body;
  for (size_t at; (at = text.find("@DIR@")) != std::string::npos;)
    text.replace(at, 5, s.dir);
  // Builtins only: a start costs no process of its own, even under load.
  std::ofstream(s.path) << "#!/bin/sh\n"
                        << "read t _ < /proc/uptime\n"
                        << "echo \"$$ $t\" >> '" << s.dir << "/starts'\n"
                        << text << "\n";
  chmod(s.path.c_str(), 0755);
  return s;
}

std::vector<ShellStart> script_shell_starts(const ScriptShell &s)
{
  std::vector<ShellStart> out;
  std::istringstream in(file_read(s.dir + "/starts"));
  std::string line;
  while (std::getline(in, line)) {
    ShellStart start;
    std::istringstream fields(line);
    // A line still being written is not counted yet.
    if (fields >> start.pid >> start.time)
      out.push_back(start);
  }
  return out;
}
