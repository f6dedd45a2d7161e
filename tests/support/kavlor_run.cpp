// SPDX-License-Identifier: GPL-2.0-or-later
#include "kavlor_run.h"
#include "input.h"
#include "procfs.h"

#include <csignal>
#include <cstdio>

std::vector<std::string> session_env(const XSession &x, const TestHome &h,
                                     const std::vector<std::string> &extra)
{
  std::vector<std::string> env = home_env(h);
  env.push_back("DISPLAY=" + x.display);
  for (const std::string &e : extra) {
    const std::string name = e.substr(0, e.find('=') + 1);
    std::erase_if(env, [&](const std::string &old) { return old.rfind(name, 0) == 0; });
    env.push_back(e);
  }
  return env;
}

Proc kavlor_start(const XSession &x, const TestHome &h, const std::vector<std::string> &args,
                  const std::vector<std::string> &extra_env, const std::string &argv0)
{
  std::vector<std::string> argv = {argv0};
  argv.insert(argv.end(), args.begin(), args.end());
  return proc_spawn(argv, session_env(x, h, extra_env));
}

static Window wait_window(Display *dpy, Proc *p, double timeout_s, bool listening)
{
  Window w = 0;
  const bool ended_or_found = wait_until([&] {
    if (!proc_alive(p))
      return true;
    w = x_find_client(dpy, "Kavlor", p->pid);
    return w && (!listening || procfs_hotkey_thread(p->pid) != 0);
  }, timeout_s, 20);
  return ended_or_found && proc_alive(p) ? w : 0;
}

Window kavlor_wait_window(Display *dpy, Proc *p, double timeout_s)
{
  return wait_window(dpy, p, timeout_s, false);
}

Window kavlor_wait_listening(Display *dpy, Proc *p, double timeout_s)
{
  return wait_window(dpy, p, timeout_s, true);
}

bool kavlor_run_setup(KavlorRun *r, const XSessionOptions &opts, const std::string &shell)
{
  home_make(&r->home, shell);
  return xsession_start(&r->x, opts);
}

bool kavlor_run_shown(KavlorRun *r, const std::vector<std::string> &args, const std::string &hotkey)
{
  if (!r->x.dpy && !xsession_start(&r->x))
    return false;
  if (r->home.dir.empty())
    home_make(&r->home, "/bin/sh");
  std::vector<std::string> all;
  if (hotkey.empty())
    all.push_back("--toggle");
  else
    all.insert(all.end(), {"-k", hotkey});
  all.insert(all.end(), args.begin(), args.end());
  r->proc = kavlor_start(r->x, r->home, all);
  int polls_since_press = -1;
  const bool up = wait_until([&] {
    r->win = x_find_client(r->x.dpy, "Kavlor", r->proc.pid);
    // The window is made just before the key is grabbed: a press that came
    // too early is repeated after a while, never while one may still act.
    if (!hotkey.empty() && r->win && !x_is_viewable(r->x.dpy, r->win) &&
        (polls_since_press < 0 || polls_since_press > 100)) {
      input_key(r->x.dpy, hotkey);
      polls_since_press = 0;
    } else if (polls_since_press >= 0) {
      polls_since_press++;
    }
    return r->win && x_is_viewable(r->x.dpy, r->win) &&
           x_is_inside(r->x.dpy, x_focus_window(r->x.dpy), r->win);
  }, 20.0, 20);
  if (!up)
    fprintf(stderr, "kavlor did not come up: %s\n", proc_err(r->proc).c_str());
  return up;
}

void kavlor_run_stop(KavlorRun *r)
{
  // Its shells first: they sit in process groups of their own.
  if (r->proc.pid > 0 && proc_alive(&r->proc))
    for (pid_t child : procfs_children(r->proc.pid))
      kill(child, SIGKILL);
  proc_kill(&r->proc);
  xsession_stop(&r->x);
  home_remove(&r->home);
}
