// SPDX-License-Identifier: GPL-2.0-or-later
#include "config_util.h"

#include <dirent.h>
#include <fstream>
#include <sstream>

bool config_setup(ConfigRun *r, const XSessionOptions &opts, const std::string &shell)
{
  home_make(&r->home, shell);
  return xsession_start(&r->x, opts);
}

void config_teardown(ConfigRun *r)
{
  xsession_stop(&r->x);
  home_remove(&r->home);
}

std::vector<std::string> config_env(const ConfigRun &r, const std::vector<std::string> &extra)
{
  std::vector<std::string> env = home_env(r.home);
  env.push_back("DISPLAY=" + r.x.display);
  for (const std::string &e : extra) {
    const std::string name = e.substr(0, e.find('=') + 1);
    std::erase_if(env, [&](const std::string &old) { return old.rfind(name, 0) == 0; });
    env.push_back(e);
  }
  return env;
}

Proc config_start(const ConfigRun &r, const std::vector<std::string> &args,
                  const std::vector<std::string> &extra_env, const std::string &argv0)
{
  std::vector<std::string> argv = {argv0};
  argv.insert(argv.end(), args.begin(), args.end());
  return proc_spawn(argv, config_env(r, extra_env));
}

Window config_wait_window(const ConfigRun &r, Proc *p, double timeout_s)
{
  Window w = 0;
  wait_until([&] {
    if (!proc_alive(p))
      return true;
    w = x_find_client(r.x.dpy, "Kavlor", p->pid);
    return w != 0;
  }, timeout_s, 20);
  return proc_alive(p) ? w : 0;
}

std::vector<std::string> config_children(pid_t pid)
{
  std::vector<std::string> out;
  DIR *proc = opendir("/proc");
  if (!proc)
    return out;
  while (dirent *e = readdir(proc)) {
    const std::string dir = std::string("/proc/") + e->d_name;
    std::ifstream stat(dir + "/stat");
    std::string line;
    if (!std::getline(stat, line))
      continue;
    // The command name in parentheses may hold blanks: read after the last ')'.
    std::istringstream rest(line.substr(line.rfind(')') + 1));
    std::string state;
    pid_t ppid = 0;
    rest >> state >> ppid;
    if (ppid != pid)
      continue;
    std::string cmdline = file_read(dir + "/cmdline");
    for (char &c : cmdline)
      if (c == '\0')
        c = ' ';
    while (!cmdline.empty() && cmdline.back() == ' ')
      cmdline.pop_back();
    out.push_back(cmdline);
  }
  closedir(proc);
  return out;
}
