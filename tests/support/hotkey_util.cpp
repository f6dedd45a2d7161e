// SPDX-License-Identifier: GPL-2.0-or-later
#include "hotkey_util.h"

#include <cstdlib>
#include <dirent.h>
#include <sstream>
#include <sys/syscall.h>
#include <X11/XKBlib.h>

namespace {

std::string task_dir(pid_t pid, pid_t tid)
{
  return "/proc/" + std::to_string(pid) + "/task/" + std::to_string(tid);
}

std::vector<pid_t> tasks(pid_t pid)
{
  std::vector<pid_t> out;
  DIR *dir = opendir(("/proc/" + std::to_string(pid) + "/task").c_str());
  if (!dir)
    return out;
  while (dirent *e = readdir(dir))
    if (e->d_name[0] >= '0' && e->d_name[0] <= '9')
      out.push_back(static_cast<pid_t>(atoi(e->d_name)));
  closedir(dir);
  return out;
}

std::string task_comm(pid_t pid, pid_t tid)
{
  std::string comm = file_read(task_dir(pid, tid) + "/comm");
  while (!comm.empty() && comm.back() == '\n')
    comm.pop_back();
  return comm;
}

// A blocked thread's /proc syscall file starts with the call's number; a
// running one reads "running".
bool asleep_in_poll(pid_t pid, pid_t tid)
{
  const std::string text = file_read(task_dir(pid, tid) + "/syscall");
  if (text.empty() || text[0] < '0' || text[0] > '9')
    return false;
  const long nr = atol(text.c_str());
#ifdef SYS_poll
  if (nr == SYS_poll)
    return true;
#endif
  return nr == SYS_ppoll;
}

int grab_error = 0;
int record_error(Display *, XErrorEvent *e)
{
  grab_error = e->error_code;
  return 0;
}

} // namespace

pid_t hk_listener_tid(pid_t pid)
{
  for (pid_t tid : tasks(pid))
    if (tid != pid && task_comm(pid, tid) == "kavlor")
      return tid;
  return 0;
}

int hk_threads_named(pid_t pid, const std::string &name)
{
  int n = 0;
  for (pid_t tid : tasks(pid))
    n += task_comm(pid, tid) == name;
  return n;
}

bool hk_process_idle(pid_t pid)
{
  const auto all = tasks(pid);
  if (all.empty())
    return false;
  for (pid_t tid : all)
    if (!asleep_in_poll(pid, tid))
      return false;
  return true;
}

bool hk_wait_idle(pid_t pid, double timeout_s)
{
  int streak = 0;
  return wait_until([&] {
    streak = hk_process_idle(pid) ? streak + 1 : 0;
    return streak >= 5;
  }, timeout_s, 20);
}

int hk_try_grab(Display *dpy, KeyCode code, unsigned mods)
{
  XSync(dpy, False);
  grab_error = 0;
  auto old = XSetErrorHandler(record_error);
  const Window root = DefaultRootWindow(dpy);
  XGrabKey(dpy, code, mods, root, True, GrabModeAsync, GrabModeAsync);
  XSync(dpy, False);
  const int result = grab_error;
  // Never keep a key from the program under test.
  XUngrabKey(dpy, code, mods, root);
  XSync(dpy, False);
  XSetErrorHandler(old);
  return result;
}

Window hk_probe_create(Display *dpy)
{
  XSetWindowAttributes a = {};
  a.override_redirect = True;
  a.event_mask = KeyPressMask | StructureNotifyMask;
  const Window w = XCreateWindow(dpy, DefaultRootWindow(dpy), 0, 0, 200, 100, 0, CopyFromParent,
                                 InputOutput, CopyFromParent, CWOverrideRedirect | CWEventMask, &a);
  XMapRaised(dpy, w);
  XSync(dpy, False);
  wait_until([&] { return x_is_viewable(dpy, w); }, 10.0);
  return w;
}

bool hk_probe_focus(Display *dpy, Window probe, double timeout_s)
{
  return wait_until([&] {
    XSetInputFocus(dpy, probe, RevertToPointerRoot, CurrentTime);
    XSync(dpy, False);
    return x_focus_window(dpy) == probe;
  }, timeout_s, 50);
}

bool hk_probe_wait_key(Display *dpy, Window probe, KeyCode code, double timeout_s)
{
  return wait_until([&] {
    XEvent ev;
    XSync(dpy, False);
    while (XCheckWindowEvent(dpy, probe, KeyPressMask, &ev))
      if (ev.xkey.keycode == code)
        return true;
    return false;
  }, timeout_s);
}

unsigned hk_locked_mods(Display *dpy)
{
  XkbStateRec state = {};
  if (XkbGetState(dpy, XkbUseCoreKbd, &state) != Success)
    return 0;
  return state.locked_mods;
}

bool hk_xdotool(const std::string &display, const std::vector<std::string> &args)
{
  std::vector<std::string> argv = {"xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  int code = -1;
  run_capture(argv, {"DISPLAY=" + display}, &code);
  return code == 0;
}

KeyCode hk_keycode(Display *dpy, const char *keysym_name)
{
  return XKeysymToKeycode(dpy, XStringToKeysym(keysym_name));
}

long hk_thread_ticks(pid_t pid, pid_t tid)
{
  const std::string stat = file_read(task_dir(pid, tid) + "/stat");
  const size_t close = stat.rfind(')');
  if (close == std::string::npos)
    return -1;
  std::istringstream in(stat.substr(close + 1));
  std::string field;
  long utime = -1, stime = -1;
  // After the name: state is field 3, utime 14 and stime 15.
  for (int i = 3; i <= 15 && in >> field; i++) {
    if (i == 14) utime = atol(field.c_str());
    if (i == 15) stime = atol(field.c_str());
  }
  return utime < 0 || stime < 0 ? -1 : utime + stime;
}

long hk_thread_wakeups(pid_t pid, pid_t tid)
{
  std::istringstream in(file_read(task_dir(pid, tid) + "/status"));
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
      return atol(line.c_str() + sizeof("voluntary_ctxt_switches:") - 1);
  return -1;
}
