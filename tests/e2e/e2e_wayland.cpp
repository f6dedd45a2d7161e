// SPDX-License-Identifier: GPL-2.0-or-later
// The drop-down on Wayland desktops, through XWayland: each compositor runs
// headless as a normal user with a runtime directory of its own, kavlor is
// that user's, and `kavlor --toggle` shows and hides it as the desktop's
// shortcut would run it. The checks, in turn:
//   a  shown, focused and above the other X11 window (at its place where
//      the compositor lets X11 programs place windows)
//   g  typed text reaches the shell
//   c  after the user typed in another X11 window, the next show takes the
//      focus back
//   b  the next toggle hides it
//   s  sway: the real shortcut (bindsym F12 exec kavlor --toggle), pressed
//      while a native Wayland window has the focus, shows and hides it
//   p  sway: after several shows the window is painted, never a plain
//      grey surface, and then repaints for a typed key
#include "harness.h"
#include "matrix.h"

#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace {

constexpr double kDeadline = 15.0;
// nobody: a normal user on every Debian system. Compositors refuse to run
// as root, or warn, and the shortcut runs `kavlor --toggle` as the user.
constexpr unsigned kUid = 65534, kGid = 65534;
constexpr int kScreenW = 1920;
// The default geometry: 800x400 at the top centre.
constexpr int kX = (kScreenW - 800) / 2, kY = 0, kW = 800, kH = 400;

// Started by the compositor once its XWayland display is known: the
// session's environment (DISPLAY, XAUTHORITY) for the test. Written whole
// or not at all. mutter and kwin end with it, so it stays.
const char *const kEnvCapture =
    "#!/bin/sh\n"
    "env > \"$HOME/session.env.tmp\" && mv \"$HOME/session.env.tmp\" \"$HOME/session.env\"\n"
    "exec sleep 100000\n";
const char *const kSwayConfig =
    "xwayland enable\n"
    "output HEADLESS-1 resolution 1920x1080\n"
    "exec @HOME@/envcap\n"
    "bindsym F12 exec @KAVLOR@ --toggle\n";
const char *const kWestonIni =
    "[core]\n"
    "xwayland=true\n"
    "[autolaunch]\n"
    "path=@HOME@/envcap\n";

struct Compositor {
  const char *name;
  std::vector<std::string> command;  // "@HOME@" stands for the test's home
  std::vector<std::pair<std::string, std::string>> files;  // written into the home first
  std::vector<std::string> env;
  // A program copied into @HOME@/bin first (kwin_wayland: the installed
  // one carries a file capability that fails for a normal user).
  const char *copy;
  // Runs nested on an Xvfb of ours: headless weston has no keyboard.
  bool nested;
  // Lets X11 programs place their windows; the others place them themselves.
  bool places;
  // The X11 window is activated by this command ("@WINDOW@": its id);
  // empty: the EWMH request.
  std::vector<std::string> activate;
  std::vector<CheckNote> not_applicable;
};
void PrintTo(const Compositor &c, std::ostream *os) { *os << c.name; }

const Compositor kCompositors[] = {
    {"mutter",
     {"dbus-run-session", "--", "mutter", "--headless", "--wayland", "--virtual-monitor",
      "1920x1080", "--wayland-display=wayland-1", "--", "@HOME@/envcap"},
     {}, {}, nullptr, false, true, {}, {{'s', "sway only"}, {'p', "sway only"}}},
    // The QPA plugin of kwin loads only into a binary named kwin_wayland.
    {"kwin_wayland",
     {"dbus-run-session", "--", "@HOME@/bin/kwin_wayland", "--virtual", "--xwayland", "--width",
      "1920", "--height", "1080", "--socket", "wayland-1", "@HOME@/envcap"},
     {}, {}, "/usr/bin/kwin_wayland", false, true, {}, {{'s', "sway only"}, {'p', "sway only"}}},
    // sway tiles X11 windows; an activation request only marks them urgent.
    {"sway", {"sway", "-c", "@HOME@/sway.conf"}, {{"sway.conf", kSwayConfig}},
     {"WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1", "WLR_RENDERER=pixman"}, nullptr, false,
     false, {"swaymsg", "[class=\"Other\"] focus"}, {}},
    // The rule floats the window at its first map only; later maps tile it.
    {"sway_float_rule", {"sway", "-c", "@HOME@/sway.conf"},
     {{"sway.conf", std::string(kSwayConfig) + "for_window [class=\"Kavlor\"] floating enable\n"}},
     {"WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1", "WLR_RENDERER=pixman"}, nullptr, false,
     false, {"swaymsg", "[class=\"Other\"] focus"}, {}},
    {"weston",
     {"weston", "--backend=x11-backend.so", "--width=1920", "--height=1080", "--use-pixman",
      "--xwayland", "--socket=wayland-1", "-c", "@HOME@/weston.ini"},
     {{"weston.ini", kWestonIni}}, {}, nullptr, true, false, {},
     {{'s', "sway only"}, {'p', "sway only"}}},
};

std::string replace_all(std::string s, const std::string &from, const std::string &to)
{
  for (size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size())
    s.replace(at, from.size(), to);
  return s;
}

// Sets NAME=value in env, replacing an entry of that name.
void env_set(std::vector<std::string> *env, const std::string &entry)
{
  const std::string name = entry.substr(0, entry.find('=') + 1);
  std::erase_if(*env, [&](const std::string &old) { return old.rfind(name, 0) == 0; });
  env->push_back(entry);
}

std::vector<std::string> as_user(const std::vector<std::string> &argv)
{
  std::vector<std::string> out = {"setpriv", "--reuid=" + std::to_string(kUid),
                                  "--regid=" + std::to_string(kGid), "--clear-groups"};
  out.insert(out.end(), argv.begin(), argv.end());
  return out;
}

bool focused(Display *dpy, Window w) { return x_is_inside(dpy, x_focus_window(dpy), w); }

// Compositors keep the lock of their XWayland display in /tmp, shared
// with every namespace, and one killed at the end leaves it behind with a
// process number that other namespaces may use: that display is then lost
// to every later session. Inside its own namespace the test takes a /tmp
// of its own, with the X socket folder in it.
// kavlor and its program library as bytes, read before the /tmp they may
// live in (a checkout there) is replaced, and written where the user can
// run them.
struct Program {
  std::string starter, library;
};

const Program &program_files()
{
  static Program files;
  if (files.starter.empty()) {
    const std::string built = kavlor_path();
    files.starter = file_read(built);
    files.library = file_read(built.substr(0, built.rfind('/')) + "/libkavlor-program.so");
  }
  return files;
}

void program_install(const std::string &dir)
{
  const Program &files = program_files();
  std::ofstream(dir + "/kavlor", std::ios::binary) << files.starter;
  std::ofstream(dir + "/libkavlor-program.so", std::ios::binary) << files.library;
  chmod((dir + "/kavlor").c_str(), 0755);
}

void private_tmp()
{
  static bool done;
  if (done || !getenv("KV_PIDNS") || getpid() != 1)
    return;
  done = true;
  if (mount("kv-tmp", "/tmp", "tmpfs", 0, "mode=1777") == 0) {
    mkdir("/tmp/.X11-unix", 01777);
    chmod("/tmp/.X11-unix", 01777);
  }
}

// The sanitizer options of this run with their reports sent to `dir`: the
// user the compositor runs as may not reach the run's own report folder
// (a checkout under /root, or under the /tmp this test replaced).
std::vector<std::string> sanitizer_env(const std::string &dir)
{
  std::vector<std::string> out;
  for (const char *name : {"ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
    const char *value = getenv(name);
    if (!value)
      continue;
    std::string options = value;
    const size_t at = options.find("log_path=");
    if (at != std::string::npos)
      options.erase(at, options.find(':', at) == std::string::npos
                            ? std::string::npos : options.find(':', at) + 1 - at);
    if (!options.empty() && options.back() != ':')
      options += ':';
    out.push_back(std::string(name) + "=" + options + "log_path=" + dir + "/" +
                  (name[0] == 'A' ? "asan" : "ubsan"));
  }
  return out;
}

class Wayland : public testing::TestWithParam<Compositor> {
protected:
  XSession outer;  // the nested compositor's X server
  TestHome home;
  Proc compositor, kavlor, native;
  Display *dpy = nullptr;  // ours, on XWayland, as the user
  std::vector<std::string> session;  // the user's environment in the session
  Window other = 0;
  std::string results;
  // kavlor and its program library, copied where the user can run them.
  std::string user_kavlor;

  void SetUp() override
  {
    if (geteuid() != 0)
      GTEST_SKIP() << "needs root, to run the compositor as a normal user";
    ASSERT_FALSE(program_files().starter.empty()) << "no " << kavlor_path();
    private_tmp();
    const Compositor &c = GetParam();
    home_make(&home);
    // The user's own password entry, so that kavlor finds its shell.
    std::ofstream(home.passwd) << "tester:x:" << kUid << ":" << kGid << ":Tester:" << home.dir
                               << ":/bin/sh\n";
    std::ofstream(home.group) << "testers:x:" << kGid << ":\n";
    mkdir((home.dir + "/bin").c_str(), 0755);
    user_kavlor = home.dir + "/bin/kavlor";
    program_install(home.dir + "/bin");
    mkdir((home.dir + "/reports").c_str(), 0755);
    home_write(home, "envcap", kEnvCapture);
    chmod((home.dir + "/envcap").c_str(), 0755);
    for (const auto &f : c.files)
      home_write(home, f.first,
                 replace_all(replace_all(f.second, "@HOME@", home.dir), "@KAVLOR@", user_kavlor));
    if (c.copy) {
      const std::string base = std::string(c.copy).substr(std::string(c.copy).rfind('/') + 1);
      run_capture({"cp", c.copy, home.dir + "/bin/" + base});
    }
    run_capture({"chown", "-R", std::to_string(kUid) + ":" + std::to_string(kGid), home.dir});

    std::vector<std::string> env = {"HOME=" + home.dir, "XDG_RUNTIME_DIR=" + home.dir + "/.run",
                                    "XDG_CONFIG_HOME=" + home.dir + "/.config",
                                    "XDG_CACHE_HOME=" + home.dir + "/.cache",
                                    "DBUS_SESSION_BUS_ADDRESS=", "WAYLAND_DISPLAY=", "DISPLAY=",
                                    "XAUTHORITY="};
    if (c.nested) {
      XSessionOptions opts;
      opts.screens = {"1920x1080"};
      opts.window_manager = false;
      ASSERT_TRUE(xsession_start(&outer, opts));
      env_set(&env, "DISPLAY=" + outer.display);
    }
    for (const std::string &e : c.env)
      env_set(&env, e);
    // What the compositor starts (sway's shortcut) reports there too.
    for (const std::string &e : sanitizer_env(home.dir + "/reports"))
      env_set(&env, e);
    std::vector<std::string> argv;
    for (const std::string &arg : c.command)
      argv.push_back(replace_all(arg, "@HOME@", home.dir));
    compositor = proc_spawn(as_user(argv), env);

    const std::string env_file = home.dir + "/session.env";
    ASSERT_TRUE(wait_until([&] { return access(env_file.c_str(), F_OK) == 0 || !proc_alive(&compositor); },
                           30.0, 50))
        << c.name << " gave no session: " << proc_err(compositor);
    ASSERT_TRUE(proc_alive(&compositor)) << proc_err(compositor);

    // The user's environment: the test home, and the session's display.
    session = home_env(home);
    for (const std::string &e : sanitizer_env(home.dir + "/reports"))
      env_set(&session, e);
    std::istringstream lines(file_read(env_file));
    for (std::string line; std::getline(lines, line);)
      for (const char *name : {"DISPLAY=", "XAUTHORITY=", "WAYLAND_DISPLAY=", "SWAYSOCK="})
        if (line.rfind(name, 0) == 0)
          env_set(&session, line);
    env_set(&session, "XDG_SESSION_TYPE=wayland");

    // sway starts XWayland at the first connection, which may come too soon.
    wait_until([&] { return (dpy = open_display_as_user()) != nullptr; }, kDeadline, 100);
    ASSERT_NE(dpy, nullptr) << "no connection to XWayland " << session_value("DISPLAY") << ": " << proc_err(compositor);
  }

  void TearDown() override
  {
    // Closed first: a connection whose server goes away ends the program.
    if (dpy)
      XCloseDisplay(dpy);
    proc_kill(&native);
    proc_kill(&kavlor);
    proc_kill(&compositor, SIGTERM);
    proc_kill(&compositor);
    xsession_stop(&outer);
    // A report of the user's processes fails the test like any other.
    for (const char *kind : {"asan", "ubsan"}) {
      const std::string found = run_capture({"sh", "-c", "cat \"$0\"/" + std::string(kind) + ".* 2>/dev/null",
                                             home.dir + "/reports"});
      EXPECT_TRUE(found.empty()) << found;
    }
    home_remove(&home);
    std::cout << "wayland matrix: " << GetParam().name << results << std::endl;
  }

  std::string session_value(const std::string &name) const
  {
    for (const std::string &e : session)
      if (e.rfind(name + "=", 0) == 0)
        return e.substr(name.size() + 1);
    return "";
  }

  // XWayland takes connections of its user only (wlroots by the peer's
  // credentials, taken at connect time), or with its cookie.
  Display *open_display_as_user()
  {
    const std::string display = session_value("DISPLAY"), auth = session_value("XAUTHORITY");
    if (display.empty())
      return nullptr;
    if (!auth.empty())
      setenv("XAUTHORITY", auth.c_str(), 1);
    Display *d = nullptr;
    if (setegid(kGid) == 0 && seteuid(kUid) == 0) {
      d = XOpenDisplay(display.c_str());
      if (seteuid(0) != 0 || setegid(0) != 0)
        ADD_FAILURE() << "could not become root again";
    }
    unsetenv("XAUTHORITY");
    return d;
  }

  int run_user_status(const std::vector<std::string> &argv)
  {
    int status = -1;
    run_capture(as_user(argv), session, &status);
    return status;
  }
  bool run_user(const std::vector<std::string> &argv) { return run_user_status(argv) == 0; }
  // The toggle command ends with status 1 once it has signalled the instance.
  bool toggle() { return run_user_status({user_kavlor, "--toggle"}) == 1; }
  bool xdotool(const std::vector<std::string> &args)
  {
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_user(argv);
  }

  bool applies(char check) { return matrix_applies(&results, GetParam().not_applicable, check); }

  void record(char check, bool ok, const std::string &what)
  {
    matrix_record(&results, check, ok, what);
  }

  // A plain X11 application window that takes the focus.
  void make_other()
  {
    const int screen = DefaultScreen(dpy);
    other = XCreateSimpleWindow(dpy, RootWindow(dpy, screen), 100, 200, 700, 600, 0,
                                BlackPixel(dpy, screen), WhitePixel(dpy, screen));
    XClassHint cls = {const_cast<char *>("other"), const_cast<char *>("Other")};
    XSetClassHint(dpy, other, &cls);
    XWMHints hints = {};
    hints.flags = InputHint;
    hints.input = True;
    XSetWMHints(dpy, other, &hints);
    XStoreName(dpy, other, "other");
    XSelectInput(dpy, other, PropertyChangeMask);
    XMapWindow(dpy, other);
    XSync(dpy, False);
    ASSERT_TRUE(wait_until([&] { return x_is_viewable(dpy, other); }, kDeadline));
  }

  // As a toolkit does on a key press: the time of the user's last action
  // in that window, from the server's clock.
  void stamp_user_time(Window w)
  {
    const Atom probe = XInternAtom(dpy, "KV_PROBE", False);
    XChangeProperty(dpy, w, probe, XA_CARDINAL, 32, PropModeReplace, nullptr, 0);
    XSync(dpy, False);
    Time now = CurrentTime;
    XEvent e;
    wait_until([&] {
      while (XCheckTypedWindowEvent(dpy, w, PropertyNotify, &e))
        if (e.xproperty.atom == probe)
          now = e.xproperty.time;
      return now != CurrentTime;
    }, kDeadline);
    const unsigned long t = now;
    XChangeProperty(dpy, w, XInternAtom(dpy, "_NET_WM_USER_TIME", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char *>(&t), 1);
    XSync(dpy, False);
  }

  bool activate_other()
  {
    const Compositor &c = GetParam();
    char id[32];
    snprintf(id, sizeof id, "%lu", other);
    if (focused(dpy, other))
      return true;
    if (c.nested) {
      // weston takes no activation request, and clicks through its window
      // on our Xvfb reach it only now and then: its window switcher, by
      // keys on our Xvfb, goes to the other of the two windows.
      run_capture({"xdotool", "key", "super+Tab"}, {"DISPLAY=" + outer.display});
    } else if (c.activate.empty())
      xdotool({"windowactivate", id});
    else {
      std::vector<std::string> argv;
      for (const std::string &arg : c.activate)
        argv.push_back(replace_all(arg, "@WINDOW@", id));
      run_user(argv);
    }
    return wait_until([&] { return focused(dpy, other); }, kDeadline);
  }

  void start_kavlor()
  {
    kavlor = proc_spawn(as_user({user_kavlor, "-k", "f12"}), session);
  }

  Window kavlor_window()
  {
    Window w = 0;
    wait_until([&] {
      w = x_find_client(dpy, "Kavlor", kavlor.pid);
      return w || !proc_alive(&kavlor);
    }, 30.0, 20);
    return w;
  }

  bool wait_shown_focused(Window w)
  {
    return wait_until([&] { return x_is_viewable(dpy, w) && focused(dpy, w); }, kDeadline);
  }
  bool wait_hidden(Window w)
  {
    return wait_until([&] { return !x_is_viewable(dpy, w); }, kDeadline);
  }

  std::string geometry_text(Window w)
  {
    int x = 0, y = 0, width = 0, height = 0;
    x_geometry(dpy, w, &x, &y, &width, &height);
    char focus[32];
    snprintf(focus, sizeof focus, "0x%lx", x_focus_window(dpy));
    return std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(width) + "x" +
           std::to_string(height) + (x_is_viewable(dpy, w) ? " viewable" : " not viewable") +
           ", focus " + focus;
  }

  bool typed_text_reaches_shell(const std::string &name)
  {
    const std::string mark = home.dir + "/" + name;
    for (int attempt = 0; attempt < 3; attempt++) {
      xdotool({"type", "--delay", "15", " touch " + mark});
      xdotool({"key", "Return"});
      if (wait_until([&] { return access(mark.c_str(), F_OK) == 0; }, kDeadline))
        return true;
    }
    return false;
  }

  bool sway_focus_is_native();
  bool view_pixels(std::vector<unsigned> *out);
  bool painted();
  bool repaints();
};

// A native Wayland client holds the focus: the focused node of sway's tree
// has an app_id, which XWayland windows lack.
bool Wayland::sway_focus_is_native()
{
  const std::string tree = run_capture(as_user({"swaymsg", "-t", "get_tree"}), session);
  const size_t at = tree.find("\"focused\": true");
  if (at == std::string::npos)
    return false;
  const size_t end = tree.find("\"shell\"", at);
  return end != std::string::npos && tree.compare(end, 19, "\"shell\": \"xdg_shell") == 0;
}

// The area of the drop-down's own surface in sway's tree: the node's
// "rect" (the last before its window class) holds the title bar and
// borders too, its "window_rect" (next after it) the surface within.
static bool sway_view_rect(const std::string &tree, int *x, int *y, int *width, int *height)
{
  const size_t cls = tree.find("\"class\": \"Kavlor\"");
  const size_t rect = cls == std::string::npos ? cls : tree.rfind("\"rect\": {", cls);
  const size_t inner = rect == std::string::npos ? rect : tree.find("\"window_rect\": {", rect);
  const char *format = "\"%*[a-z_]\": { \"x\": %d, \"y\": %d, \"width\": %d, \"height\": %d";
  int outer_x, outer_y, outer_w, outer_h;
  if (inner == std::string::npos ||
      sscanf(tree.c_str() + rect, format, &outer_x, &outer_y, &outer_w, &outer_h) != 4 ||
      sscanf(tree.c_str() + inner, format, x, y, width, height) != 4)
    return false;
  *x += outer_x;
  *y += outer_y;
  return true;
}

// The colour of the last screenshot that held only one.
static std::string last_colour;

// Colours in the X window's own contents, sampled: one says the program
// never painted it, more that the compositor shows a stale surface.
static size_t x_colours(Display *dpy, Window w)
{
  XWindowAttributes wa;
  if (!XGetWindowAttributes(dpy, w, &wa))
    return 0;
  XImage *image = XGetImage(dpy, w, 0, 0, wa.width, wa.height, AllPlanes, ZPixmap);
  if (!image)
    return 0;
  std::set<unsigned long> colours;
  for (int y = 0; y < wa.height; y += 7)
    for (int x = 0; x < wa.width; x += 7)
      colours.insert(XGetPixel(image, x, y));
  XDestroyImage(image);
  return colours.size();
}

// The screenshot's pixels in the drop-down's surface, as RGB triples.
bool Wayland::view_pixels(std::vector<unsigned> *out)
{
  int x, y, width, height;
  if (!sway_view_rect(run_capture(as_user({"swaymsg", "-t", "get_tree"}), session), &x, &y,
                      &width, &height))
    return false;
  const std::string shot = home.dir + "/shot.ppm";
  unlink(shot.c_str());
  run_user({"grim", "-t", "ppm", shot});
  std::ifstream in(shot, std::ios::binary);
  std::string magic;
  int shot_w = 0, shot_h = 0, max = 0;
  in >> magic >> shot_w >> shot_h >> max;
  in.get();
  if (magic != "P6" || shot_w <= 0 || shot_h <= 0)
    return false;
  std::vector<unsigned char> pixels(static_cast<size_t>(shot_w) * shot_h * 3);
  in.read(reinterpret_cast<char *>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
  out->clear();
  for (int row = std::max(y, 0); row < std::min(y + height, shot_h); row++)
    for (int col = std::max(x, 0); col < std::min(x + width, shot_w); col++) {
      const unsigned char *p = &pixels[(static_cast<size_t>(row) * shot_w + col) * 3];
      out->push_back(p[0] << 16 | p[1] << 8 | p[2]);
    }
  return !out->empty();
}

// A screenshot of the view's area holds more than one colour: the shell's
// prompt on the terminal's background, not a surface left unpainted.
bool Wayland::painted()
{
  std::vector<unsigned> pixels;
  if (!view_pixels(&pixels))
    return false;
  const std::set<unsigned> colours(pixels.begin(), pixels.end());
  if (colours.size() == 1) {
    char colour[32];
    snprintf(colour, sizeof colour, "#%06x", *colours.begin());
    last_colour = colour;
  }
  return colours.size() > 1;
}

// A key typed into the shown window changes what the screen shows: the
// window still paints, rather than showing what it held before it was
// hidden.
bool Wayland::repaints()
{
  std::vector<unsigned> before, after;
  if (!view_pixels(&before))
    return false;
  xdotool({"type", "x"});
  return wait_until([&] { return view_pixels(&after) && after != before; }, 5.0, 200);
}

TEST_P(Wayland, DropDownChecks)
{
  const Compositor &c = GetParam();
  ASSERT_NO_FATAL_FAILURE(make_other());
  ASSERT_TRUE(activate_other()) << "the other window never got the focus";
  start_kavlor();
  const Window w = kavlor_window();
  ASSERT_NE(w, 0u) << proc_err(kavlor);
  ASSERT_FALSE(x_is_viewable(dpy, w));

  // a
  ASSERT_TRUE(toggle());
  const bool shown = wait_shown_focused(w);
  int x = 0, y = 0, width = 0, height = 0;
  const bool placed =
      !c.places || (shown && wait_until([&] {
                      return x_geometry(dpy, w, &x, &y, &width, &height) && x == kX && y == kY &&
                             width == kW && height == kH;
                    }, kDeadline));
  const bool above = x_stacking_index(dpy, w) > x_stacking_index(dpy, other);
  record('a', shown && placed && above,
         std::string(shown ? "" : "not shown with the focus; ") + "at " + geometry_text(w) +
             (above ? "" : "; below the other window"));

  // g
  record('g', typed_text_reaches_shell("typed"), "typed text never reached the shell");

  // c: the user types in another X11 window; autohide hides the drop-down.
  if (applies('c')) {
    ASSERT_TRUE(activate_other()) << "the other window never got the focus";
    xdotool({"type", "ls"});
    stamp_user_time(other);
    if (!wait_hidden(w))
      toggle();
    ASSERT_TRUE(wait_hidden(w));
    ASSERT_TRUE(toggle());
    record('c', wait_shown_focused(w), "not shown with the focus: " + geometry_text(w));
  }

  // b
  if (!x_is_viewable(dpy, w))
    toggle();
  ASSERT_TRUE(wait_until([&] { return x_is_viewable(dpy, w); }, kDeadline));
  ASSERT_TRUE(toggle());
  record('b', wait_hidden(w), "the toggle did not hide it");

  // s: the shortcut, while a native window has the focus.
  if (applies('s')) {
    // The small native client aborts now and then as it starts: again then.
    bool native_focus = false;
    for (int attempt = 0; attempt < 3 && !native_focus; attempt++) {
      native = proc_spawn(as_user({"weston-simple-shm"}), session);
      native_focus = wait_until([&] { return sway_focus_is_native() || !proc_alive(&native); },
                                kDeadline) && proc_alive(&native);
    }
    // A new keymap loses wtype's first key: a Shift goes first.
    run_user({"wtype", "-k", "Shift_L", "-k", "F12"});
    const bool shown_by_key = wait_until([&] { return x_is_viewable(dpy, w); }, kDeadline);
    run_user({"wtype", "-k", "Shift_L", "-k", "F12"});
    const bool hidden_by_key = wait_hidden(w);
    record('s', native_focus && shown_by_key && hidden_by_key,
           std::string(native_focus ? ""
                                    : "the native window never had the focus: " +
                                          run_capture(as_user({"swaymsg", "-t", "get_tree"}),
                                                      session) + proc_err(native) + (proc_alive(&native) ? " running" : " ended by signal " + std::to_string(WTERMSIG(native.status)))) +
               (shown_by_key ? "" : "the shortcut did not show it; ") +
               (hidden_by_key ? "" : "the shortcut did not hide it"));
  }

  // p: each of several shows is painted, and still paints, whatever size
  // sway gives it.
  if (applies('p')) {
    int unpainted = 0;
    std::string where;
    for (int show = 0; show < 5; show++) {
      if (x_is_viewable(dpy, w))
        toggle();
      ASSERT_TRUE(wait_hidden(w));
      toggle();
      ASSERT_TRUE(wait_until([&] { return x_is_viewable(dpy, w); }, kDeadline));
      if (!wait_until([&] { return painted(); }, 5.0, 200)) {
        unpainted++;
        where += "show " + std::to_string(show) + ": " + last_colour + " on screen, " +
                 std::to_string(x_colours(dpy, w)) + " in the X window, at " + geometry_text(w) + "; ";
      }
    }
    // Typing between the shows would change their timing: once, after them.
    const bool live = wait_shown_focused(w) && repaints();
    record('p', unpainted == 0 && live,
           std::to_string(unpainted) + " of 5 shows left one colour: " + where +
               (live ? "" : "the last show did not repaint for a typed key at " +
                                geometry_text(w)));
  }
}

INSTANTIATE_TEST_SUITE_P(Matrix, Wayland, testing::ValuesIn(kCompositors),
                         [](const testing::TestParamInfo<Compositor> &i) {
                           return std::string(i.param.name);
                         });

} // namespace
