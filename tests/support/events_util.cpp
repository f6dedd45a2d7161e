// SPDX-License-Identifier: GPL-2.0-or-later
#include "events_util.h"
#include "widget_util.h"

#include "config/config.h"
#include "mainwindow/mainwindow.h"

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <gtk/gtk.h>
#include <signal.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

// The shells' directories go when the test process ends.
static std::vector<std::string> shell_dirs;

static void remove_shell_dirs()
{
  for (const std::string &dir : shell_dirs)
    run_capture({"rm", "-rf", dir});
}

ScriptShell ev_script_shell(const std::string &body)
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

std::vector<ShellStart> ev_starts(const ScriptShell &s)
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

// Fields of /proc/PID/stat after the command name, which may hold blanks.
static std::vector<std::string> stat_fields(pid_t pid)
{
  const std::string text = file_read("/proc/" + std::to_string(pid) + "/stat");
  const size_t close = text.rfind(')');
  std::vector<std::string> out;
  if (close == std::string::npos)
    return out;
  std::istringstream in(text.substr(close + 1));
  std::string f;
  while (in >> f)
    out.push_back(f);
  return out;
}

std::vector<pid_t> ev_children(pid_t parent, const std::vector<pid_t> &except)
{
  std::vector<pid_t> out;
  DIR *d = opendir("/proc");
  if (!d)
    return out;
  while (dirent *e = readdir(d)) {
    const pid_t pid = static_cast<pid_t>(atoi(e->d_name));
    if (pid <= 0)
      continue;
    const auto f = stat_fields(pid);
    // f[0] is the state, f[1] the parent; zombies have ended already.
    if (f.size() > 1 && f[0] != "Z" && atoi(f[1].c_str()) == parent) {
      bool skip = false;
      for (pid_t x : except)
        skip = skip || x == pid;
      if (!skip)
        out.push_back(pid);
    }
  }
  closedir(d);
  return out;
}

long ev_cpu_ticks(pid_t pid)
{
  const auto f = stat_fields(pid);
  // utime and stime are fields 14 and 15 of the file, 12 and 13 here.
  if (f.size() < 14)
    return -1;
  return atol(f[11].c_str()) + atol(f[12].c_str());
}

bool ev_pid_alive(pid_t pid)
{
  const auto f = stat_fields(pid);
  return !f.empty() && f[0] != "Z";
}

std::vector<std::string> ev_session_env(const KavlorRun &r)
{
  std::vector<std::string> env = home_env(r.home);
  env.push_back("DISPLAY=" + r.x.display);
  return env;
}

bool ev_start_kavlor(KavlorRun *r, const std::vector<std::string> &args, const std::string &hotkey)
{
  if (!xsession_start(&r->x))
    return false;
  if (r->home.dir.empty())
    home_make(&r->home, "/bin/sh");
  std::vector<std::string> argv = {kavlor_path()};
  if (hotkey.empty())
    argv.push_back("--toggle");
  else
    argv.insert(argv.end(), {"-k", hotkey});
  argv.insert(argv.end(), args.begin(), args.end());
  r->proc = proc_spawn(argv, ev_session_env(*r));
  int polls_since_press = -1;
  const bool up = wait_until([&] {
    r->win = x_find_client(r->x.dpy, "Kavlor", r->proc.pid);
    // The window is made just before the key is grabbed: a press that came
    // too early is repeated after a while, never while one may still act.
    if (!hotkey.empty() && r->win && !x_is_viewable(r->x.dpy, r->win) &&
        (polls_since_press < 0 || polls_since_press > 100)) {
      ev_key(r->x.dpy, hotkey);
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

void ev_stop_kavlor(KavlorRun *r)
{
  // Its shells first: they sit in process groups of their own.
  if (r->proc.pid > 0 && proc_alive(&r->proc))
    for (pid_t child : ev_children(r->proc.pid))
      kill(child, SIGKILL);
  proc_kill(&r->proc);
  xsession_stop(&r->x);
  home_remove(&r->home);
}

static void fake_key(Display *dpy, KeySym sym, bool press)
{
  const KeyCode code = XKeysymToKeycode(dpy, sym);
  if (code)
    XTestFakeKeyEvent(dpy, code, press, CurrentTime);
}

static KeySym key_named(const std::string &name)
{
  static const std::pair<const char *, KeySym> aliases[] = {
    {"ctrl", XK_Control_L}, {"control", XK_Control_L}, {"shift", XK_Shift_L},
    {"alt", XK_Alt_L}, {"super", XK_Super_L},
  };
  for (const auto &[alias, sym] : aliases)
    if (name == alias)
      return sym;
  return XStringToKeysym(name.c_str());
}

void ev_key(Display *dpy, const std::string &combo)
{
  std::vector<KeySym> syms;
  std::istringstream in(combo);
  std::string part;
  while (std::getline(in, part, '+'))
    syms.push_back(key_named(part));
  for (KeySym s : syms)
    fake_key(dpy, s, true);
  for (auto it = syms.rbegin(); it != syms.rend(); ++it)
    fake_key(dpy, *it, false);
  XSync(dpy, False);
}

void ev_type(Display *dpy, const std::string &text, bool enter)
{
  const char *display = DisplayString(dpy);
  run_capture({"xdotool", "type", "--delay", "5", "--", text},
              {std::string("DISPLAY=") + display});
  if (enter)
    ev_key(dpy, "Return");
}

void ev_move(Display *dpy, int x, int y)
{
  XTestFakeMotionEvent(dpy, DefaultScreen(dpy), x, y, CurrentTime);
  XSync(dpy, False);
}

void ev_click(Display *dpy, int x, int y, int button, int count)
{
  ev_move(dpy, x, y);
  for (int i = 0; i < count; i++) {
    XTestFakeButtonEvent(dpy, button, True, CurrentTime);
    XTestFakeButtonEvent(dpy, button, False, CurrentTime);
  }
  XSync(dpy, False);
}

std::vector<Window> ev_popup_windows(Display *dpy)
{
  std::vector<Window> out;
  Window root, parent, *children = nullptr;
  unsigned n = 0;
  if (!XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &n))
    return out;
  for (unsigned i = 0; i < n; i++) {
    XWindowAttributes a;
    if (XGetWindowAttributes(dpy, children[i], &a) && a.override_redirect &&
        a.map_state == IsViewable)
      out.push_back(children[i]);
  }
  if (children)
    XFree(children);
  return out;
}

void ev_build(const EvOptions &options)
{
  // Autohide off: the tests move the pointer and focus around the window.
  EvOptions all = {{"-ah", "false"}};
  all.insert(all.end(), options.begin(), options.end());
  widget_build(all);
}

void ev_pump() { widget_pump(); }

bool ev_pump_until(const std::function<bool()> &cond, double timeout_s)
{
  return widget_pump_until(cond, timeout_s);
}

bool ev_show_window()
{
  widget_toggle(TOGGLE_AT_START);
  // Focused too: until the window manager has given the focus, it may
  // take a first click for itself.
  const bool shown = ev_pump_until([] {
    return gtk_widget_get_mapped(mainwindow.window) &&
           gdk_window_is_viewable(mainwindow.window->window) &&
           gtk_window_has_toplevel_focus(GTK_WINDOW(mainwindow.window));
  });
  // Let the first allocation and expose go through.
  ev_pump();
  return shown;
}
