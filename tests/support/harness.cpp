// SPDX-License-Identifier: GPL-2.0-or-later
#include "harness.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

std::vector<char *> c_argv(const std::vector<std::string> &v)
{
  std::vector<char *> out;
  for (const auto &s : v)
    out.push_back(const_cast<char *>(s.c_str()));
  out.push_back(nullptr);
  return out;
}

// The current environment with `extra` entries replacing same-named ones.
std::vector<std::string> merged_env(const std::vector<std::string> &extra)
{
  std::vector<std::string> env;
  for (char **e = environ; *e; e++) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const auto &x : extra)
      if (x.substr(0, x.find('=')) == name)
        replaced = true;
    if (!replaced)
      env.push_back(entry);
  }
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

pid_t spawn_raw(const std::vector<std::string> &argv, const std::vector<std::string> &env,
                int out_fd, int err_fd, int keep_fd = -1)
{
  auto a = c_argv(argv);
  auto merged = merged_env(env);
  auto e = c_argv(merged);
  pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    int devnull = open("/dev/null", O_RDONLY);
    dup2(devnull, 0);
    if (out_fd >= 0) dup2(out_fd, 1);
    if (err_fd >= 0) dup2(err_fd, 2);
    for (int fd = 3; fd < 1024; fd++)
      if (fd != keep_fd)
        close(fd);
    execvpe(a[0], a.data(), e.data());
    _exit(127);
  }
  return pid;
}

void kill_wait(pid_t *pid)
{
  if (*pid > 0) {
    kill(-*pid, SIGKILL);
    kill(*pid, SIGKILL);
    waitpid(*pid, nullptr, 0);
  }
  *pid = -1;
}

} // namespace

bool wait_until(const std::function<bool()> &cond, double timeout_s, int poll_ms)
{
  const auto deadline = Clock::now() + std::chrono::duration<double>(timeout_s);
  for (;;) {
    if (cond())
      return true;
    if (Clock::now() > deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(poll_ms));
  }
}

std::string file_read(const std::string &path)
{
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string temp_dir(const std::string &prefix)
{
  std::string tmpl = (getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp") + std::string("/") + prefix + "XXXXXX";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data()))
    return "";
  return buf.data();
}

bool harness_listing_only(int argc, char **argv)
{
  for (int i = 1; i < argc; i++)
    if (strcmp(argv[i], "--gtest_list_tests") == 0)
      return true;
  return false;
}

void harness_isolate_pids(int argc, char **argv)
{
  if (geteuid() != 0 || access("/usr/bin/unshare", X_OK) != 0)
    return;
  if (getenv("KV_PIDNS")) {
    // Xvfb takes a display whose lock names a process it cannot see for a
    // stale one, so X servers of two namespaces could share a number. Each
    // namespace gets its own network (abstract sockets) and socket folder.
    if (getpid() == 1 && (mkdir("/tmp/.X11-unix", 01777) == 0 || errno == EEXIST))
      mount("kv-x11", "/tmp/.X11-unix", "tmpfs", 0, "mode=1777");
    return;
  }
  setenv("KV_PIDNS", "1", 1);
  std::vector<std::string> args = {"unshare", "--pid", "--fork", "--mount-proc", "--net",
                                   "--kill-child"};
  args.insert(args.end(), argv, argv + argc);
  auto a = c_argv(args);
  execv("/usr/bin/unshare", a.data());
}

std::string kavlor_path() { return KAVLOR_BINARY; }
std::string nss_wrapper_path() { return NSS_WRAPPER_LIB; }

// Xorg with the dummy driver: no input devices, no VT switching, and the
// configuration, an empty configuration folder and the log in a folder of
// this session (Xorg takes a -config given by absolute path from root).
static std::vector<std::string> xorg_dummy_command(XSession *s, const XSessionOptions &opts)
{
  s->server_dir = temp_dir("kvxorg-");
  const std::string conf = s->server_dir + "/xorg.conf";
  mkdir((s->server_dir + "/conf.d").c_str(), 0700);
  std::ofstream(conf) << "Section \"ServerFlags\"\n"
                         "  Option \"AutoAddDevices\" \"false\"\n"
                         "  Option \"AutoEnableDevices\" \"false\"\n"
                         "  Option \"DontVTSwitch\" \"true\"\n"
                         "EndSection\n"
                         "Section \"Device\"\n"
                         "  Identifier \"card\"\n"
                         "  Driver \"dummy\"\n"
                         "  VideoRam 65536\n"
                         "EndSection\n"
                         "Section \"Monitor\"\n"
                         "  Identifier \"monitor\"\n"
                         "  HorizSync 5.0-1000.0\n"
                         "  VertRefresh 5.0-200.0\n"
                         "EndSection\n"
                         "Section \"Screen\"\n"
                         "  Identifier \"screen\"\n"
                         "  Device \"card\"\n"
                         "  Monitor \"monitor\"\n"
                         "  DefaultDepth 24\n"
                         "  SubSection \"Display\"\n"
                         "    Depth 24\n"
                         "    Virtual " << opts.xorg_dummy_virtual << "\n"
                         "  EndSubSection\n"
                         "EndSection\n";
  return {"/usr/lib/xorg/Xorg", "-config", conf, "-configdir", s->server_dir + "/conf.d",
          "-logfile", s->server_dir + "/Xorg.log", "-novtswitch", "-sharevts"};
}

bool xsession_start(XSession *s, const XSessionOptions &opts)
{
  int fds[2];
  if (pipe(fds) != 0)
    return false;
  std::vector<std::string> argv = {"Xvfb"};
  if (!opts.xorg_dummy_virtual.empty())
    argv = xorg_dummy_command(s, opts);
  for (const std::string &arg : {std::string("-displayfd"), std::to_string(fds[1]),
                                 std::string("-nolisten"), std::string("tcp"),
                                 std::string("-noreset")})
    argv.push_back(arg);
  for (size_t i = 0; opts.xorg_dummy_virtual.empty() && i < opts.screens.size(); i++) {
    argv.push_back("-screen");
    argv.push_back(std::to_string(i));
    argv.push_back(opts.screens[i] + "x24");
  }
  if (opts.xorg_dummy_virtual.empty())
    argv.push_back(opts.xinerama ? "+xinerama" : "-xinerama");
  int devnull = open("/dev/null", O_WRONLY);
  s->xvfb = spawn_raw(argv, {}, devnull, devnull, fds[1]);
  close(fds[1]);
  std::string number;
  char c;
  // Xvfb writes the display number once it accepts connections.
  while (read(fds[0], &c, 1) == 1 && c != '\n')
    number += c;
  close(fds[0]);
  if (number.empty()) {
    fprintf(stderr, "harness: %s did not start\n", argv[0].c_str());
    close(devnull);
    kill_wait(&s->xvfb);
    return false;
  }
  s->display = ":" + number;
  s->dpy = XOpenDisplay(s->display.c_str());
  const std::vector<std::string> env = {"DISPLAY=" + s->display};
  if (opts.window_manager) {
    std::vector<std::string> wm_env = env;
    wm_env.insert(wm_env.end(), opts.wm_env.begin(), opts.wm_env.end());
    s->wm = spawn_raw(opts.wm_command, wm_env, devnull, devnull);
    const std::string &name = opts.wm_command[0];
    // Every manager redirects the root's map requests; not every one owns
    // the WM_S0 selection or sets _NET_SUPPORTING_WM_CHECK.
    const Window root = DefaultRootWindow(s->dpy);
    if (!wait_until([&] {
          XWindowAttributes a;
          return XGetWindowAttributes(s->dpy, root, &a) &&
                 (a.all_event_masks & SubstructureRedirectMask);
        }, 15.0))
      fprintf(stderr, "harness: %s did not start\n", name.c_str());
    // Some select the redirect before they manage windows, and a map
    // request in between is lost: ready once one has mapped a probe window.
    Window probe = XCreateSimpleWindow(s->dpy, root, 0, 0, 1, 1, 0, 0, 0);
    // Placed by us: twm would otherwise place it interactively, holding
    // the server until a click.
    XSizeHints size = {};
    size.flags = USPosition | USSize;
    XSetWMNormalHints(s->dpy, probe, &size);
    bool managed = false;
    for (int i = 0; i < 150 && !managed; i++) {
      XMapWindow(s->dpy, probe);
      XSync(s->dpy, False);
      managed = wait_until([&] { return x_is_viewable(s->dpy, probe); }, 0.1);
    }
    if (!managed)
      fprintf(stderr, "harness: %s does not map windows\n", name.c_str());
    XDestroyWindow(s->dpy, probe);
    XSync(s->dpy, False);
  }
  if (opts.compositor) {
    s->compositor = spawn_raw({"xcompmgr"}, env, devnull, devnull);
    Atom cm_sn = XInternAtom(s->dpy, "_NET_WM_CM_S0", False);
    if (!wait_until([&] { return XGetSelectionOwner(s->dpy, cm_sn) != None; }, 15.0))
      fprintf(stderr, "harness: xcompmgr did not start\n");
  }
  close(devnull);
  return s->dpy != nullptr;
}

void xsession_stop(XSession *s)
{
  if (s->dpy)
    XCloseDisplay(s->dpy);
  s->dpy = nullptr;
  kill_wait(&s->compositor);
  kill_wait(&s->wm);
  kill_wait(&s->xvfb);
  if (!s->server_dir.empty())
    run_capture({"rm", "-rf", s->server_dir});
  s->server_dir.clear();
}

void home_make(TestHome *h, const std::string &shell)
{
  h->dir = temp_dir("kvhome-");
  h->passwd = h->dir + "/.nss-passwd";
  h->group = h->dir + "/.nss-group";
  // A runtime directory of its own, so instances of other tests never meet.
  mkdir((h->dir + "/.run").c_str(), 0700);
  const unsigned uid = getuid(), gid = getgid();
  std::ofstream(h->passwd) << "tester:x:" << uid << ":" << gid << ":Tester:" << h->dir << ":"
                           << shell << "\n";
  std::ofstream(h->group) << "testers:x:" << gid << ":\n";
}

void home_write(const TestHome &h, const std::string &relpath, const std::string &content)
{
  const std::string path = h.dir + "/" + relpath;
  for (size_t pos = h.dir.size() + 1; (pos = path.find('/', pos)) != std::string::npos; pos++)
    mkdir(path.substr(0, pos).c_str(), 0755);
  std::ofstream(path, std::ios::binary) << content;
}

void home_remove(TestHome *h)
{
  if (!h->dir.empty())
    run_capture({"rm", "-rf", h->dir});
  h->dir.clear();
}

std::vector<std::string> home_env(const TestHome &h)
{
  return {"LD_PRELOAD=" + nss_wrapper_path(), "NSS_WRAPPER_PASSWD=" + h.passwd,
          "NSS_WRAPPER_GROUP=" + h.group, "HOME=" + h.dir,
          "XDG_CONFIG_HOME=" + h.dir + "/.config", "XDG_DATA_HOME=" + h.dir + "/.local/share",
          "XDG_RUNTIME_DIR=" + h.dir + "/.run",
          // An X11 session whatever the test runs in: no Wayland hint.
          "WAYLAND_DISPLAY=", "XDG_SESSION_TYPE="};
}

Proc proc_spawn(const std::vector<std::string> &argv, const std::vector<std::string> &env)
{
  Proc p;
  const std::string dir = temp_dir("kvproc-");
  p.out_path = dir + "/stdout";
  p.err_path = dir + "/stderr";
  int out = open(p.out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  int err = open(p.err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  p.pid = spawn_raw(argv, env, out, err);
  close(out);
  close(err);
  return p;
}

static bool proc_reap(Proc *p)
{
  if (p->exited || p->pid <= 0)
    return true;
  int status;
  if (waitpid(p->pid, &status, WNOHANG) == p->pid) {
    p->exited = true;
    p->status = status;
  }
  return p->exited;
}

bool proc_wait(Proc *p, double timeout_s)
{
  return wait_until([p] { return proc_reap(p); }, timeout_s, 5);
}

bool proc_alive(Proc *p) { return !proc_reap(p); }

void proc_kill(Proc *p, int sig)
{
  if (p->pid > 0 && !proc_reap(p)) {
    kill(-p->pid, sig);  // its shells too
    kill(p->pid, sig);
    proc_wait(p, 10.0);
  }
}

std::string proc_out(const Proc &p) { return file_read(p.out_path); }
std::string proc_err(const Proc &p) { return file_read(p.err_path); }

int proc_exit_code(const Proc &p)
{
  return p.exited && WIFEXITED(p.status) ? WEXITSTATUS(p.status) : -1;
}

std::string run_capture(const std::vector<std::string> &argv, const std::vector<std::string> &env,
                        int *exit_code)
{
  Proc p = proc_spawn(argv, env);
  if (!proc_wait(&p, 20.0))
    proc_kill(&p);
  if (exit_code)
    *exit_code = proc_exit_code(p);
  return proc_out(p);
}

std::string x_class(Display *dpy, Window w)
{
  XClassHint hint = {};
  if (!XGetClassHint(dpy, w, &hint))
    return "";
  std::string out = hint.res_class ? hint.res_class : "";
  if (hint.res_name) XFree(hint.res_name);
  if (hint.res_class) XFree(hint.res_class);
  return out;
}

static long x_pid(Display *dpy, Window w)
{
  Atom type;
  int format;
  unsigned long n, after;
  unsigned char *data = nullptr;
  long pid = -1;
  if (XGetWindowProperty(dpy, w, XInternAtom(dpy, "_NET_WM_PID", False), 0, 1, False,
                         XA_CARDINAL, &type, &format, &n, &after, &data) == Success && data) {
    if (n == 1) pid = static_cast<long>(*reinterpret_cast<unsigned long *>(data));
    XFree(data);
  }
  return pid;
}

static Window x_search(Display *dpy, Window w, const char *res_class, pid_t pid)
{
  XWindowAttributes a;
  if (XGetWindowAttributes(dpy, w, &a) && !(a.width == 10 && a.height == 10) &&
      x_class(dpy, w) == res_class && (pid < 0 || x_pid(dpy, w) == pid))
    return w;
  Window root, parent, *children = nullptr;
  unsigned n = 0;
  Window found = 0;
  if (XQueryTree(dpy, w, &root, &parent, &children, &n)) {
    for (unsigned i = 0; i < n && !found; i++)
      found = x_search(dpy, children[i], res_class, pid);
    if (children) XFree(children);
  }
  return found;
}

static int ignore_x_errors(Display *, XErrorEvent *) { return 0; }

Window x_find_client(Display *dpy, const char *res_class, pid_t pid)
{
  // Windows may vanish during the walk.
  auto old = XSetErrorHandler(ignore_x_errors);
  Window w = x_search(dpy, DefaultRootWindow(dpy), res_class, pid);
  XSync(dpy, False);
  XSetErrorHandler(old);
  return w;
}

bool x_is_viewable(Display *dpy, Window w)
{
  XWindowAttributes a;
  return w && XGetWindowAttributes(dpy, w, &a) && a.map_state == IsViewable;
}

bool x_geometry(Display *dpy, Window w, int *x, int *y, int *width, int *height)
{
  XWindowAttributes a;
  if (!w || !XGetWindowAttributes(dpy, w, &a))
    return false;
  Window child;
  XTranslateCoordinates(dpy, w, a.root, 0, 0, x, y, &child);
  *width = a.width;
  *height = a.height;
  return true;
}

std::vector<std::string> x_net_wm_state(Display *dpy, Window w)
{
  std::vector<std::string> out;
  Atom type;
  int format;
  unsigned long n, after;
  unsigned char *data = nullptr;
  if (XGetWindowProperty(dpy, w, XInternAtom(dpy, "_NET_WM_STATE", False), 0, 64, False,
                         XA_ATOM, &type, &format, &n, &after, &data) == Success && data) {
    Atom *atoms = reinterpret_cast<Atom *>(data);
    for (unsigned long i = 0; i < n; i++) {
      char *name = XGetAtomName(dpy, atoms[i]);
      out.push_back(name);
      XFree(name);
    }
    XFree(data);
  }
  return out;
}

Window x_focus_window(Display *dpy)
{
  Window w;
  int revert;
  XGetInputFocus(dpy, &w, &revert);
  return w;
}

static bool x_is_inside_walk(Display *dpy, Window w, Window ancestor)
{
  while (w && w != PointerRoot) {
    if (w == ancestor)
      return true;
    Window root, parent, *children = nullptr;
    unsigned n;
    if (!XQueryTree(dpy, w, &root, &parent, &children, &n))
      return false;
    if (children) XFree(children);
    if (parent == root)
      return false;
    w = parent;
  }
  return false;
}

bool x_is_inside(Display *dpy, Window w, Window ancestor)
{
  // The focus window may be gone by the time it is asked about.
  auto old = XSetErrorHandler(ignore_x_errors);
  const bool inside = x_is_inside_walk(dpy, w, ancestor);
  XSync(dpy, False);
  XSetErrorHandler(old);
  return inside;
}

static Window x_toplevel_walk(Display *dpy, Window w)
{
  for (;;) {
    Window root, parent, *children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(dpy, w, &root, &parent, &children, &n))
      return 0;
    if (children)
      XFree(children);
    if (parent == root)
      return w;
    w = parent;
  }
}

Window x_toplevel(Display *dpy, Window w)
{
  auto old = XSetErrorHandler(ignore_x_errors);
  const Window top = x_toplevel_walk(dpy, w);
  XSync(dpy, False);
  XSetErrorHandler(old);
  return top;
}

int x_stacking_index(Display *dpy, Window w)
{
  const Window top = x_toplevel(dpy, w);
  Window root, parent, *children = nullptr;
  unsigned n = 0;
  int index = -1;
  if (top && XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &n)) {
    for (unsigned i = 0; i < n; i++)
      if (children[i] == top)
        index = static_cast<int>(i);
    if (children)
      XFree(children);
  }
  return index;
}
