// SPDX-License-Identifier: GPL-2.0-or-later
#include "showhide_util.h"

#include <algorithm>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <sstream>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>

Proc sh_start_kavlor(const XSession &s, const TestHome &h, const std::vector<std::string> &args)
{
  std::vector<std::string> argv = {kavlor_path()};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::string> env = home_env(h);
  env.push_back("DISPLAY=" + s.display);
  return proc_spawn(argv, env);
}

Window sh_wait_client(Display *dpy, pid_t pid, double timeout_s)
{
  Window w = 0;
  wait_until([&] { return (w = x_find_client(dpy, "Kavlor", pid)) != 0; }, timeout_s, 20);
  return w;
}

Window sh_make_window(Display *dpy, int x, int y, int width, int height)
{
  const int screen = DefaultScreen(dpy);
  Window w = XCreateSimpleWindow(dpy, RootWindow(dpy, screen), x, y, width, height, 0,
                                 BlackPixel(dpy, screen), WhitePixel(dpy, screen));
  XClassHint hint = {const_cast<char *>("other"), const_cast<char *>("Other")};
  XSetClassHint(dpy, w, &hint);
  XStoreName(dpy, w, "other");
  XMapWindow(dpy, w);
  XSync(dpy, False);
  wait_until([&] { return x_is_viewable(dpy, w); }, 10.0);
  return w;
}

bool sh_has_focus(Display *dpy, Window w)
{
  return x_is_inside(dpy, x_focus_window(dpy), w);
}

bool sh_shown_and_focused(Display *dpy, Window w)
{
  return x_is_viewable(dpy, w) && sh_has_focus(dpy, w);
}

static long cardinal_property(Display *dpy, Window w, const char *name)
{
  Atom type;
  int format;
  unsigned long n, after;
  unsigned char *data = nullptr;
  long value = -1;
  if (XGetWindowProperty(dpy, w, XInternAtom(dpy, name, False), 0, 1, False, XA_CARDINAL,
                         &type, &format, &n, &after, &data) == Success && data) {
    if (n == 1)
      value = static_cast<long>(*reinterpret_cast<unsigned long *>(data) & 0xffffffffUL);
    XFree(data);
  }
  return value;
}

long sh_wm_desktop(Display *dpy, Window w)
{
  return cardinal_property(dpy, w, "_NET_WM_DESKTOP");
}

long sh_current_desktop(Display *dpy)
{
  return cardinal_property(dpy, DefaultRootWindow(dpy), "_NET_CURRENT_DESKTOP");
}

bool sh_ping(Display *dpy, Window w, double timeout_s)
{
  // A connection of its own, so the caller's event queue stays untouched.
  Display *d = XOpenDisplay(DisplayString(dpy));
  if (!d)
    return false;
  const Window root = DefaultRootWindow(d);
  const Atom protocols = XInternAtom(d, "WM_PROTOCOLS", False);
  const Atom ping = XInternAtom(d, "_NET_WM_PING", False);
  XSelectInput(d, root, SubstructureNotifyMask);
  static long stamp = 1000;
  const long mine = ++stamp;
  XEvent e = {};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = protocols;
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(ping);
  e.xclient.data.l[1] = mine;
  e.xclient.data.l[2] = static_cast<long>(w);
  XSendEvent(d, w, False, NoEventMask, &e);
  XFlush(d);
  bool answered = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout_s);
  while (!answered && std::chrono::steady_clock::now() < deadline) {
    while (!answered && XPending(d)) {
      XEvent r;
      XNextEvent(d, &r);
      answered = r.type == ClientMessage && r.xclient.message_type == protocols &&
                 r.xclient.data.l[0] == static_cast<long>(ping) && r.xclient.data.l[1] == mine;
    }
    if (!answered) {
      pollfd pfd = {ConnectionNumber(d), POLLIN, 0};
      poll(&pfd, 1, 50);
    }
  }
  XCloseDisplay(d);
  return answered;
}

bool sh_sync(Display *dpy, Window w, double timeout_s)
{
  return sh_ping(dpy, w, timeout_s) && sh_ping(dpy, w, timeout_s);
}

bool sh_map_counter_open(ShMapCounter *c, const char *display, Window w)
{
  c->dpy = XOpenDisplay(display);
  if (!c->dpy)
    return false;
  c->w = w;
  XSelectInput(c->dpy, w, StructureNotifyMask);
  XSync(c->dpy, False);
  return true;
}

int sh_map_counter_read(ShMapCounter *c)
{
  XSync(c->dpy, False);
  while (XPending(c->dpy)) {
    XEvent e;
    XNextEvent(c->dpy, &e);
    if (e.type == MapNotify && e.xmap.window == c->w)
      c->maps++;
    else if (e.type == UnmapNotify && e.xunmap.window == c->w && !e.xunmap.send_event)
      c->unmaps++;
  }
  return c->maps + c->unmaps;
}

void sh_map_counter_close(ShMapCounter *c)
{
  if (c->dpy)
    XCloseDisplay(c->dpy);
  c->dpy = nullptr;
}

bool sh_set_monitors(Display *dpy, const std::vector<ShMonitor> &monitors, int primary)
{
  const Window root = DefaultRootWindow(dpy);
  int n = 0;
  XRRMonitorInfo *current = XRRGetMonitors(dpy, root, False, &n);
  if (!current || n < 1 || current[0].noutput < 1)
    return false;
  const RROutput output = current[0].outputs[0];
  XRRFreeMonitors(current);
  for (size_t i = 0; i < monitors.size(); i++) {
    // The first takes over the real output, so the whole-screen one goes.
    XRRMonitorInfo *m = XRRAllocateMonitor(dpy, i == 0 ? 1 : 0);
    if (i == 0)
      m->outputs[0] = output;
    const std::string name = "monitor" + std::to_string(i);
    m->name = XInternAtom(dpy, name.c_str(), False);
    m->primary = static_cast<int>(i) == primary;
    m->x = monitors[i].x;
    m->y = monitors[i].y;
    m->width = monitors[i].width;
    m->height = monitors[i].height;
    m->mwidth = monitors[i].width / 4;
    m->mheight = monitors[i].height / 4;
    XRRSetMonitor(dpy, root, m);
    XRRFreeMonitors(m);
  }
  XSync(dpy, False);
  XineramaScreenInfo *heads = XineramaQueryScreens(dpy, &n);
  bool same = heads && n == static_cast<int>(monitors.size());
  // The server lists the primary monitor first.
  std::vector<ShMonitor> order = monitors;
  if (same && primary > 0 && primary < n)
    std::rotate(order.begin(), order.begin() + primary, order.begin() + primary + 1);
  for (int i = 0; same && i < n; i++)
    same = heads[i].x_org == order[i].x && heads[i].y_org == order[i].y &&
           heads[i].width == order[i].width && heads[i].height == order[i].height;
  if (heads)
    XFree(heads);
  return same;
}

static unsigned long long status_mask(const std::string &status, const char *field)
{
  const size_t at = status.find(field);
  if (at == std::string::npos)
    return 0;
  return strtoull(status.c_str() + at + strlen(field), nullptr, 16);
}

bool sh_signal_pending(pid_t pid, int sig)
{
  const std::string status = file_read("/proc/" + std::to_string(pid) + "/status");
  const unsigned long long bit = 1ULL << (sig - 1);
  return ((status_mask(status, "\nSigPnd:") | status_mask(status, "\nShdPnd:")) & bit) != 0;
}

bool sh_signal_in(pid_t pid, const char *field, int sig)
{
  const std::string status = file_read("/proc/" + std::to_string(pid) + "/status");
  return (status_mask(status, field) & (1ULL << (sig - 1))) != 0;
}

bool sh_kill_delivered(pid_t pid, int sig, double timeout_s)
{
  // The one before may still be on its way in.
  if (!wait_until([&] { return !sh_signal_pending(pid, sig); }, timeout_s, 0))
    return false;
  if (kill(pid, sig) != 0)
    return false;
  return wait_until([&] { return !sh_signal_pending(pid, sig); }, timeout_s, 0);
}

long sh_rss_kb(pid_t pid)
{
  const std::string status = file_read("/proc/" + std::to_string(pid) + "/status");
  const size_t at = status.find("\nVmRSS:");
  return at == std::string::npos ? -1 : atol(status.c_str() + at + 7);
}

// Fields after the command name, which is in parentheses and may hold blanks.
static std::vector<std::string> stat_fields(const std::string &path)
{
  const std::string stat = file_read(path);
  std::vector<std::string> out;
  const size_t close = stat.rfind(')');
  if (close == std::string::npos)
    return out;
  std::istringstream in(stat.substr(close + 1));
  for (std::string f; in >> f;)
    out.push_back(f);
  return out;
}

long sh_cpu_ticks(pid_t pid)
{
  // After the name: state(0) ppid(1) ... utime(11) stime(12).
  const auto f = stat_fields("/proc/" + std::to_string(pid) + "/stat");
  return f.size() > 12 ? atol(f[11].c_str()) + atol(f[12].c_str()) : -1;
}

int sh_child_count(pid_t pid)
{
  int n = 0;
  DIR *proc = opendir("/proc");
  if (!proc)
    return -1;
  while (dirent *e = readdir(proc)) {
    if (e->d_name[0] < '0' || e->d_name[0] > '9')
      continue;
    const auto f = stat_fields(std::string("/proc/") + e->d_name + "/stat");
    if (f.size() > 1 && atoi(f[1].c_str()) == pid)
      n++;
  }
  closedir(proc);
  return n;
}

unsigned long sh_user_time(Display *dpy, Window w)
{
  auto cardinal_or_window = [&](Window on, const char *name) -> unsigned long {
    Atom type;
    int format;
    unsigned long n, after;
    unsigned char *data = nullptr;
    unsigned long v = 0;
    if (XGetWindowProperty(dpy, on, XInternAtom(dpy, name, False), 0, 1, False, AnyPropertyType,
                           &type, &format, &n, &after, &data) == Success &&
        data && n == 1 && format == 32)
      v = *reinterpret_cast<unsigned long *>(data);
    if (data)
      XFree(data);
    return v;
  };
  const Window holder = cardinal_or_window(w, "_NET_WM_USER_TIME_WINDOW");
  const unsigned long held = holder ? cardinal_or_window(holder, "_NET_WM_USER_TIME") : 0;
  return held ? held : cardinal_or_window(w, "_NET_WM_USER_TIME");
}
