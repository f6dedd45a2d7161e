// SPDX-License-Identifier: GPL-2.0-or-later
// The drop-down as a user sees it: kavlor processes under Xvfb and openbox,
// shown and hidden by --toggle and SIGUSR1, watched from our own connection.
#include "harness.h"
#include "kavlor_run.h"
#include "procfs.h"
#include "xwindows.h"

#include <algorithm>
#include <csignal>
#include <deque>
#include <string>
#include <unistd.h>
#include <vector>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>

namespace {

bool has(const std::vector<std::string> &v, const std::string &s)
{
  return std::find(v.begin(), v.end(), s) != v.end();
}

std::string geometry_text(Display *dpy, Window w)
{
  int x = 0, y = 0, width = 0, height = 0;
  x_geometry(dpy, w, &x, &y, &width, &height);
  return std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(width) + "x" +
         std::to_string(height);
}

class ShowHide : public testing::Test {
protected:
  XSession x;
  TestHome home;
  std::deque<Proc> procs;  // references to earlier ones stay valid

  void start_session(const XSessionOptions &opts = {})
  {
    ASSERT_TRUE(xsession_start(&x, opts));
    home_make(&home, "/bin/sh");
  }

  void TearDown() override
  {
    for (Proc &p : procs)
      proc_kill(&p);
    xsession_stop(&x);
    home_remove(&home);
  }

  Proc &start(const std::vector<std::string> &args)
  {
    procs.push_back(kavlor_start(x, home, args));
    return procs.back();
  }

  // Runs a helper program such as xdotool on the test display.
  std::string tool(const std::vector<std::string> &argv)
  {
    return run_capture(argv, {"DISPLAY=" + x.display});
  }

  bool shown(Window w) { return x_shown_and_focused(x.dpy, w); }
  bool wait_shown(Window w) { return wait_until([&] { return shown(w); }, 20.0); }
  bool wait_hidden(Window w)
  {
    return wait_until([&] { return !x_is_viewable(x.dpy, w); }, 20.0);
  }
};

struct GeometryCase {
  const char *name;
  std::vector<std::string> args;
  int x, y, width, height;  // on a 1024x768 screen
};

void PrintTo(const GeometryCase &c, std::ostream *os) { *os << c.name; }

class Geometry : public ShowHide, public testing::WithParamInterface<GeometryCase> {};

TEST_P(Geometry, ToggleStartsShownAtTheComputedPlace)
{
  const GeometryCase &c = GetParam();
  start_session();
  std::vector<std::string> args = {"--toggle"};
  args.insert(args.end(), c.args.begin(), c.args.end());
  Proc &k = start(args);
  const Window w = kavlor_wait_window(x.dpy, &k);
  ASSERT_NE(w, 0u) << proc_err(k);
  EXPECT_TRUE(wait_shown(w));
  const std::string want = std::to_string(c.x) + "," + std::to_string(c.y) + " " +
                           std::to_string(c.width) + "x" + std::to_string(c.height);
  EXPECT_TRUE(wait_until([&] { return geometry_text(x.dpy, w) == want; }, 10.0))
      << "got " << geometry_text(x.dpy, w) << ", want " << want;
}

INSTANTIATE_TEST_SUITE_P(
    Places, Geometry,
    testing::Values(
        GeometryCase{"top", {"-p", "top", "-w", "600", "-h", "300"}, 212, 0, 600, 300},
        GeometryCase{"bottomright", {"-p", "bottomright", "-w", "500", "-h", "200"},
                     524, 568, 500, 200},
        GeometryCase{"left_percent", {"-p", "left", "-w", "50%", "-h", "40%"}, 0, 230, 512, 307},
        GeometryCase{"bottom_fixedy", {"-p", "bottom", "-w", "30%", "-h", "200", "-fy", "100"},
                     358, 100, 307, 200},
        GeometryCase{"right_fixed_both",
                     {"-p", "right", "-w", "400", "-h", "300", "-fx", "100", "-fy", "50"},
                     100, 50, 400, 300},
        GeometryCase{"right_fixedx_zero", {"-p", "right", "-w", "400", "-h", "300", "-fx", "0"},
                     0, 234, 400, 300}),
    [](const testing::TestParamInfo<GeometryCase> &i) { return std::string(i.param.name); });

TEST_F(ShowHide, ShownWindowIsOnAllDesktopsKeptAboveAndOffTaskbarAndPager)
{
  start_session();
  // Without autohide the window must survive the focus moves below.
  Proc &k = start({"--toggle", "-ah", "false", "-w", "600", "-h", "300"});
  const Window w = kavlor_wait_window(x.dpy, &k);
  ASSERT_NE(w, 0u) << proc_err(k);
  ASSERT_TRUE(wait_shown(w)) << "shown with the input focus inside it";
  std::vector<std::string> state;
  EXPECT_TRUE(wait_until([&] {
    state = x_net_wm_state(x.dpy, w);
    return has(state, "_NET_WM_STATE_ABOVE") && has(state, "_NET_WM_STATE_SKIP_TASKBAR") &&
           has(state, "_NET_WM_STATE_SKIP_PAGER") &&
           // openbox tells "sticky" by the all-desktops number alone
           (has(state, "_NET_WM_STATE_STICKY") || x_wm_desktop(x.dpy, w) == 0xFFFFFFFFL);
  }, 10.0)) << "desktop " << x_wm_desktop(x.dpy, w);

  // Another window, raised and focused, stays below.
  const Window other = x_make_window(x.dpy, 100, 50, 400, 300);
  tool({"xdotool", "windowactivate", std::to_string(other)});
  ASSERT_TRUE(wait_until([&] { return x_has_focus(x.dpy, other); }, 10.0));
  EXPECT_GT(x_stacking_index(x.dpy, w), x_stacking_index(x.dpy, other));

  // On the next desktop it is still there.
  tool({"xdotool", "set_desktop", "1"});
  ASSERT_TRUE(wait_until([&] { return x_current_desktop(x.dpy) == 1; }, 10.0));
  EXPECT_TRUE(wait_until([&] { return !x_is_viewable(x.dpy, other); }, 10.0));
  EXPECT_TRUE(x_is_viewable(x.dpy, w));
}

TEST_F(ShowHide, TypedCommandRunsInTheConfiguredShellWithTheConfiguredTerm)
{
  start_session();
  // The password entry names /bin/sh; the option must win.
  Proc &k = start({"--toggle", "-sh", "/bin/bash", "-e", "xterm-256color"});
  const Window w = kavlor_wait_window(x.dpy, &k);
  ASSERT_NE(w, 0u) << proc_err(k);
  ASSERT_TRUE(wait_shown(w));

  auto type_line = [&](const std::string &text) {
    tool({"xdotool", "type", "--delay", "15", text});
    tool({"xdotool", "key", "Return"});
  };
  const std::string ready = home.dir + "/ready", out = home.dir + "/out";
  bool is_ready = false;
  for (int attempt = 0; attempt < 3 && !is_ready; attempt++) {
    type_line("touch " + ready);
    is_ready = wait_until([&] { return access(ready.c_str(), F_OK) == 0; }, 10.0);
  }
  ASSERT_TRUE(is_ready) << "the shell never ran a typed command";
  type_line("echo \"$0 $TERM ${BASH_VERSION:+bash}\" > " + out);
  EXPECT_TRUE(wait_until([&] { return file_read(out).find('\n') != std::string::npos; }, 10.0));
  EXPECT_EQ(file_read(out), "/bin/bash xterm-256color bash\n");
}

TEST_F(ShowHide, EachSignalTogglesStartingHidden)
{
  start_session();
  Proc &k = start({});
  const Window w = kavlor_wait_window(x.dpy, &k);
  ASSERT_NE(w, 0u) << proc_err(k);
  EXPECT_FALSE(x_is_viewable(x.dpy, w)) << "hidden until asked";

  ASSERT_TRUE(procfs_signal_and_wait(k.pid, SIGUSR1));
  EXPECT_TRUE(wait_shown(w));
  ASSERT_TRUE(procfs_signal_and_wait(k.pid, SIGUSR1));
  EXPECT_TRUE(wait_hidden(w));
  ASSERT_TRUE(procfs_signal_and_wait(k.pid, SIGUSR1));
  EXPECT_TRUE(wait_shown(w));
  EXPECT_TRUE(proc_alive(&k));
  EXPECT_NE(proc_out(k).find("hint: you started kavlor without specifying a shortcut key"),
            std::string::npos);
}

TEST_F(ShowHide, SignalsInQuickSuccessionEndShown)
{
  // Without a window manager: openbox itself can lose a map request that
  // follows an unmap this closely. The stale focus-out of the hide is
  // checked in-process as well, where the focus is under the test's control.
  XSessionOptions bare;
  bare.window_manager = false;
  start_session(bare);
  Proc &k = start({});
  const Window w = kavlor_wait_window(x.dpy, &k);
  ASSERT_NE(w, 0u) << proc_err(k);
  ASSERT_TRUE(procfs_signal_and_wait(k.pid, SIGUSR1));
  ASSERT_TRUE(wait_shown(w));
  // Hide and show again before the focus-out of the hide is read.
  ASSERT_TRUE(procfs_signal_and_wait(k.pid, SIGUSR1));
  ASSERT_TRUE(procfs_signal_and_wait(k.pid, SIGUSR1));
  EXPECT_TRUE(wait_shown(w));
  ASSERT_TRUE(x_ping(x.dpy, w));
  EXPECT_TRUE(x_is_viewable(x.dpy, w)) << "a stale focus-out hid the new show";
}

TEST_F(ShowHide, SecondToggleInstanceTogglesTheFirstAndEnds)
{
  start_session();
  Proc &first = start({"--toggle"});
  const Window w = kavlor_wait_window(x.dpy, &first);
  ASSERT_NE(w, 0u) << proc_err(first);
  ASSERT_TRUE(wait_shown(w));

  for (bool expect_shown : {false, true}) {
    Proc &second = start({"--toggle"});
    ASSERT_TRUE(proc_wait(&second, 20.0));
    EXPECT_EQ(proc_exit_code(second), 1) << proc_err(second);
    EXPECT_TRUE(expect_shown ? wait_shown(w) : wait_hidden(w));
  }
  EXPECT_TRUE(proc_alive(&first));
}

class Autohide : public ShowHide, public testing::WithParamInterface<bool> {};

TEST_P(Autohide, ActivatingAnotherWindow)
{
  const bool autohide = GetParam();
  start_session();
  std::vector<std::string> args = {"--toggle", "-w", "600", "-h", "300"};
  if (!autohide)
    args.insert(args.end(), {"-ah", "false"});
  Proc &k = start(args);
  const Window w = kavlor_wait_window(x.dpy, &k);
  ASSERT_NE(w, 0u) << proc_err(k);
  ASSERT_TRUE(wait_shown(w));

  const Window other = x_make_window(x.dpy, 300, 400, 200, 200);
  tool({"xdotool", "windowactivate", std::to_string(other)});
  ASSERT_TRUE(wait_until([&] { return x_has_focus(x.dpy, other); }, 10.0));
  if (autohide) {
    EXPECT_TRUE(wait_hidden(w));
    // Autohide cleared the shown state: the next request shows.
    ASSERT_TRUE(procfs_signal_and_wait(k.pid, SIGUSR1));
    EXPECT_TRUE(wait_shown(w));
  } else {
    // Once kavlor has read the focus-out, it would have hidden by now.
    ASSERT_TRUE(x_ping(x.dpy, w));
    EXPECT_TRUE(x_is_viewable(x.dpy, w));
    ASSERT_TRUE(procfs_signal_and_wait(k.pid, SIGUSR1));
    EXPECT_TRUE(wait_hidden(w)) << "still shown: the next request hides";
  }
}

INSTANTIATE_TEST_SUITE_P(Setting, Autohide, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool> &i) {
                           return std::string(i.param ? "on" : "off");
                         });

TEST_F(ShowHide, ShowsOnTheMonitorUnderThePointer)
{
  XSessionOptions wide;
  wide.screens = {"1600x600"};
  start_session(wide);
  ASSERT_TRUE(x_set_monitors(x.dpy, {{0, 0, 800, 600}, {800, 0, 800, 600}}));
  tool({"xdotool", "mousemove", "100", "300"});
  Proc &k = start({"--toggle", "-p", "top", "-w", "50%", "-h", "200"});
  const Window w = kavlor_wait_window(x.dpy, &k);
  ASSERT_NE(w, 0u) << proc_err(k);
  ASSERT_TRUE(wait_shown(w));
  // Half of one monitor, not of the whole 1600 pixel wide screen.
  EXPECT_TRUE(wait_until([&] { return geometry_text(x.dpy, w) == "200,0 400x200"; }, 10.0))
      << geometry_text(x.dpy, w);

  ASSERT_TRUE(procfs_signal_and_wait(k.pid, SIGUSR1));
  ASSERT_TRUE(wait_hidden(w));
  tool({"xdotool", "mousemove", "1200", "300"});
  ASSERT_TRUE(procfs_signal_and_wait(k.pid, SIGUSR1));
  ASSERT_TRUE(wait_shown(w));
  EXPECT_TRUE(wait_until([&] { return geometry_text(x.dpy, w) == "1000,0 400x200"; }, 10.0))
      << geometry_text(x.dpy, w);
}

struct MonitorCase {
  const char *name;
  std::vector<std::string> args;
  int pointer_x;          // the pointer's place, on a 1600x600 screen
  int primary;            // the monitor marked primary
  bool active_on_second;  // a window of ours on the second monitor is active
  std::string expected;
};
void PrintTo(const MonitorCase &c, std::ostream *os) { *os << c.name; }

class MonitorRule : public ShowHide, public testing::WithParamInterface<MonitorCase> {};

// Two monitors side by side; the rule, not the pointer alone, picks one.
TEST_P(MonitorRule, ShowsOnTheChosenMonitor)
{
  const MonitorCase &c = GetParam();
  XSessionOptions wide;
  wide.screens = {"1600x600"};
  start_session(wide);
  ASSERT_TRUE(x_set_monitors(x.dpy, {{0, 0, 800, 600}, {800, 0, 800, 600}}, c.primary));
  if (c.active_on_second) {
    const Window mine = x_make_window(x.dpy, 1000, 200, 200, 100);
    // The window manager places a new window by its own rule: move it.
    XMoveWindow(x.dpy, mine, 1000, 200);
    XSync(x.dpy, False);
    ASSERT_TRUE(wait_until([&] {
      int mx = 0, my = 0, mw = 0, mh = 0;
      return x_geometry(x.dpy, mine, &mx, &my, &mw, &mh) && mx >= 800 &&
             x_has_focus(x.dpy, mine);
    }, 20.0));
  }
  tool({"xdotool", "mousemove", std::to_string(c.pointer_x), "300"});
  std::vector<std::string> args = {"--toggle", "-p", "top", "-w", "50%", "-h", "200"};
  args.insert(args.end(), c.args.begin(), c.args.end());
  Proc &k = start(args);
  const Window w = kavlor_wait_window(x.dpy, &k);
  ASSERT_NE(w, 0u) << proc_err(k);
  ASSERT_TRUE(wait_shown(w));
  EXPECT_TRUE(wait_until([&] { return geometry_text(x.dpy, w) == c.expected; }, 10.0))
      << geometry_text(x.dpy, w);
}

const std::string kFirst = "200,0 400x200", kSecond = "1000,0 400x200";
INSTANTIATE_TEST_SUITE_P(
    Rules, MonitorRule,
    testing::Values(
        MonitorCase{"PointerByDefault", {}, 1200, 0, true, kSecond},
        MonitorCase{"PointerWord", {"-mon", "pointer"}, 100, 0, true, kFirst},
        MonitorCase{"Number", {"-mon", "1"}, 100, 0, false, kSecond},
        MonitorCase{"NumberOutOfRange", {"-mon", "2"}, 1200, 0, false, kFirst},
        MonitorCase{"Primary", {"-mon", "primary"}, 100, 1, false, kSecond},
        MonitorCase{"PrimaryFirst", {"-mon", "primary"}, 1200, 0, false, kFirst},
        MonitorCase{"Focus", {"-mon", "focus"}, 100, 0, true, kSecond},
        MonitorCase{"FocusNoneUsesPointer", {"-mon", "focus"}, 1200, 0, false, kSecond}),
    [](const testing::TestParamInfo<MonitorCase> &i) { return std::string(i.param.name); });

// The resource file sets it as well.
TEST_F(ShowHide, MonitorFromTheResourceFile)
{
  XSessionOptions wide;
  wide.screens = {"1600x600"};
  start_session(wide);
  ASSERT_TRUE(x_set_monitors(x.dpy, {{0, 0, 800, 600}, {800, 0, 800, 600}}));
  home_write(home, ".Xdefaults", "kavlor.monitor: 1\n");
  tool({"xdotool", "mousemove", "100", "300"});
  Proc &k = start({"--toggle", "-p", "top", "-w", "50%", "-h", "200"});
  const Window w = kavlor_wait_window(x.dpy, &k);
  ASSERT_NE(w, 0u) << proc_err(k);
  ASSERT_TRUE(wait_shown(w));
  EXPECT_TRUE(wait_until([&] { return geometry_text(x.dpy, w) == kSecond; }, 10.0))
      << geometry_text(x.dpy, w);
}

enum class Trigger { Start, Signal, Key };
struct TimeCase {
  const char *name;
  Trigger trigger;
};
void PrintTo(const TimeCase &c, std::ostream *os) { *os << c.name; }

class RealTime : public ShowHide, public testing::WithParamInterface<TimeCase> {};

// Every show asks for the focus with a real X time, which the window also
// carries as its user time: window managers refuse time 0 or log it.
TEST_P(RealTime, ShowAsksForTheFocusWithARealTime)
{
  const TimeCase &c = GetParam();
  start_session();
  // The activation request goes to the root window with the substructure
  // masks, so a listener there sees it beside the window manager.
  const Window root = DefaultRootWindow(x.dpy);
  XSelectInput(x.dpy, root, SubstructureNotifyMask);
  XSync(x.dpy, False);
  const Atom active = XInternAtom(x.dpy, "_NET_ACTIVE_WINDOW", False);
  std::vector<std::string> args = {"-k", "F12"};
  if (c.trigger == Trigger::Start)
    args.insert(args.begin(), "--toggle");
  Proc &k = start(args);
  const Window w = kavlor_wait_window(x.dpy, &k);
  ASSERT_NE(w, 0u) << proc_err(k);
  if (c.trigger == Trigger::Signal) {
    ASSERT_TRUE(x_settle(x.dpy, w));
    ASSERT_TRUE(procfs_signal_and_wait(k.pid, SIGUSR1));
  } else if (c.trigger == Trigger::Key) {
    // Construction, and with it the grab, is over once the loop answers.
    ASSERT_TRUE(x_settle(x.dpy, w));
    tool({"xdotool", "key", "F12"});
  }
  ASSERT_TRUE(wait_shown(w));
  long asked = -1;
  ASSERT_TRUE(wait_until([&] {
    XEvent ev;
    while (XCheckTypedEvent(x.dpy, ClientMessage, &ev))
      if (ev.xclient.message_type == active && ev.xclient.window == w)
        asked = ev.xclient.data.l[1];
    return asked >= 0;
  }, 10.0)) << "no activation request";
  EXPECT_NE(asked, 0) << "the focus was asked for with time 0";
  EXPECT_EQ(x_user_time(x.dpy, w), static_cast<unsigned long>(asked))
      << "the window's user time is not the request's";
  XSelectInput(x.dpy, root, NoEventMask);
}

INSTANTIATE_TEST_SUITE_P(
    Triggers, RealTime,
    testing::Values(TimeCase{"StartShown", Trigger::Start}, TimeCase{"Signal", Trigger::Signal},
                    TimeCase{"Key", Trigger::Key}),
    [](const testing::TestParamInfo<TimeCase> &i) { return std::string(i.param.name); });

// The monitor list is kept between shows: a change of the monitors while
// kavlor runs must reach the next show all the same.
TEST_F(ShowHide, FollowsMonitorsChangedWhileRunning)
{
  XSessionOptions wide;
  wide.screens = {"1600x600"};
  start_session(wide);
  tool({"xdotool", "mousemove", "1200", "300"});
  Proc &k = start({"--toggle", "-p", "top", "-w", "400", "-h", "200"});
  const Window w = kavlor_wait_window(x.dpy, &k);
  ASSERT_NE(w, 0u) << proc_err(k);
  ASSERT_TRUE(wait_shown(w));
  EXPECT_TRUE(wait_until([&] { return geometry_text(x.dpy, w) == "600,0 400x200"; }, 10.0))
      << geometry_text(x.dpy, w);

  ASSERT_TRUE(procfs_signal_and_wait(k.pid, SIGUSR1));
  ASSERT_TRUE(wait_hidden(w));
  ASSERT_TRUE(x_set_monitors(x.dpy, {{0, 0, 800, 600}, {800, 0, 800, 600}}));
  ASSERT_TRUE(x_settle(x.dpy, w));  // kavlor has read the change
  ASSERT_TRUE(procfs_signal_and_wait(k.pid, SIGUSR1));
  ASSERT_TRUE(wait_shown(w));
  EXPECT_TRUE(wait_until([&] { return geometry_text(x.dpy, w) == "1000,0 400x200"; }, 10.0))
      << geometry_text(x.dpy, w);
}

// A percentage size follows the monitor under the pointer at every show,
// smaller as well as larger: on a smaller monitor, and after the monitor's
// size changes. The window used to keep the size it had when it was built
// as its minimum.
struct PercentStep {
  std::vector<Monitor> monitors;  // empty: as before
  int px, py;
  const char *geometry;
};

struct PercentCase {
  const char *name;
  std::vector<std::string> args;
  std::vector<PercentStep> steps;
};

void PrintTo(const PercentCase &c, std::ostream *os) { *os << c.name; }

// The second monitor of the layout takes its new size, the first stays:
// the server reports the change as it would a mode change of that output.
// A monitor that exists is not set again: it goes, and comes back.
bool resize_second_monitor(Display *dpy, const std::vector<Monitor> &layout)
{
  const Atom name = XInternAtom(dpy, "monitor1", False);
  XRRDeleteMonitor(dpy, DefaultRootWindow(dpy), name);
  XRRMonitorInfo *m = XRRAllocateMonitor(dpy, 0);
  m->name = name;
  m->x = layout[1].x;
  m->y = layout[1].y;
  m->width = layout[1].width;
  m->height = layout[1].height;
  m->mwidth = layout[1].width / 4;
  m->mheight = layout[1].height / 4;
  XRRSetMonitor(dpy, DefaultRootWindow(dpy), m);
  XRRFreeMonitors(m);
  XSync(dpy, False);
  int n = 0;
  XineramaScreenInfo *heads = XineramaQueryScreens(dpy, &n);
  const bool done = heads && n == 2 && heads[1].width == layout[1].width &&
                    heads[1].height == layout[1].height;
  if (heads)
    XFree(heads);
  return done;
}

class PercentSize : public ShowHide, public testing::WithParamInterface<PercentCase> {};

TEST_P(PercentSize, FollowsTheMonitorBothWays)
{
  const PercentCase &c = GetParam();
  XSessionOptions wide;
  wide.screens = {"3200x1080"};
  start_session(wide);
  const PercentStep &first = c.steps.front();
  ASSERT_TRUE(x_set_monitors(x.dpy, first.monitors));
  tool({"xdotool", "mousemove", std::to_string(first.px), std::to_string(first.py)});
  std::vector<std::string> args = {"--toggle", "-p", "top"};
  args.insert(args.end(), c.args.begin(), c.args.end());
  Proc &k = start(args);
  const Window w = kavlor_wait_window(x.dpy, &k);
  ASSERT_NE(w, 0u) << proc_err(k);
  for (size_t i = 0; i < c.steps.size(); i++) {
    const PercentStep &step = c.steps[i];
    SCOPED_TRACE("step " + std::to_string(i));
    if (i > 0) {
      ASSERT_TRUE(procfs_signal_and_wait(k.pid, SIGUSR1));
      ASSERT_TRUE(wait_hidden(w));
      if (!step.monitors.empty()) {
        ASSERT_TRUE(resize_second_monitor(x.dpy, step.monitors));
      }
      tool({"xdotool", "mousemove", std::to_string(step.px), std::to_string(step.py)});
      ASSERT_TRUE(procfs_signal_and_wait(k.pid, SIGUSR1));
    }
    ASSERT_TRUE(wait_shown(w));
    EXPECT_TRUE(wait_until([&] { return geometry_text(x.dpy, w) == step.geometry; }, 10.0))
        << geometry_text(x.dpy, w);
  }
}

// A 1920x1080 monitor and a 1280x1024 one to its right; then the right one
// changes its size to 1024x768 (the change of a mode, as RandR reports it).
const std::vector<Monitor> BIG_SMALL = {{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
const std::vector<Monitor> BIG_SMALLER = {{0, 0, 1920, 1080}, {1920, 0, 1024, 768}};

INSTANTIATE_TEST_SUITE_P(
    Monitors, PercentSize,
    testing::Values(
        PercentCase{"half",
                    {"-w", "50%", "-h", "50%"},
                    {{BIG_SMALL, 100, 100, "480,0 960x540"},
                     {{}, 2500, 100, "2240,0 640x512"},
                     {BIG_SMALLER, 2500, 100, "2176,0 512x384"},
                     {{}, 100, 100, "480,0 960x540"}}},
        PercentCase{"full_width",
                    {"-w", "100%", "-h", "200"},
                    {{BIG_SMALL, 100, 100, "0,0 1920x200"},
                     {{}, 2500, 100, "1920,0 1280x200"},
                     {BIG_SMALLER, 2500, 100, "1920,0 1024x200"},
                     {{}, 100, 100, "0,0 1920x200"}}},
        // Started on the small monitor: growing worked before, and still does.
        PercentCase{"started_small",
                    {"-w", "50%", "-h", "50%"},
                    {{BIG_SMALL, 2500, 100, "2240,0 640x512"},
                     {{}, 100, 100, "480,0 960x540"},
                     {{}, 2500, 100, "2240,0 640x512"}}}),
    [](const testing::TestParamInfo<PercentCase> &i) { return std::string(i.param.name); });

// The one output of an Xorg dummy server in the mode of this size, at the
// origin; true once the server reports that monitor.
bool set_output_mode(Display *dpy, int width, int height)
{
  const Window root = DefaultRootWindow(dpy);
  XRRScreenResources *res = XRRGetScreenResources(dpy, root);
  if (!res || res->noutput < 1 || res->ncrtc < 1)
    return false;
  RROutput output = res->outputs[0];
  XRROutputInfo *info = XRRGetOutputInfo(dpy, res, output);
  RRMode mode = None;
  for (int i = 0; info && mode == None && i < info->nmode; i++)
    for (int j = 0; j < res->nmode; j++)
      if (res->modes[j].id == info->modes[i] && static_cast<int>(res->modes[j].width) == width &&
          static_cast<int>(res->modes[j].height) == height)
        mode = res->modes[j].id;
  const RRCrtc crtc = info && info->crtc ? info->crtc : res->crtcs[0];
  if (info)
    XRRFreeOutputInfo(info);
  const bool set = mode != None && XRRSetCrtcConfig(dpy, res, crtc, CurrentTime, 0, 0, mode,
                                                    RR_Rotate_0, &output, 1) == Success;
  XRRFreeScreenResources(res);
  if (!set)
    return false;
  XSync(dpy, False);
  int n = 0;
  XineramaScreenInfo *heads = XineramaQueryScreens(dpy, &n);
  bool found = false;
  for (int i = 0; heads && i < n; i++)
    found = found || (heads[i].x_org == 0 && heads[i].width == width && heads[i].height == height);
  if (heads)
    XFree(heads);
  return found;
}

// Real mode changes of a monitor, on an Xorg dummy server (Xvfb has none):
// its one output goes from 1920x1080 down to 1280x1024 and 1024x768, and
// back up. (The server keeps the pointer on its outputs, and the dummy
// driver has only one: monitors side by side are left to the Xvfb test.)
TEST_F(ShowHide, PercentSizeFollowsModeChanges)
{
  XSessionOptions xorg;
  xorg.xorg_dummy_virtual = "1920 1080";
  start_session(xorg);
  // The screen starts at the size of the output's first mode; it may grow
  // to the whole frame buffer.
  XRRSetScreenSize(x.dpy, DefaultRootWindow(x.dpy), 1920, 1080, 480, 270);
  ASSERT_TRUE(set_output_mode(x.dpy, 1920, 1080));
  tool({"xdotool", "mousemove", "100", "100"});
  Proc &k = start({"--toggle", "-p", "top", "-w", "50%", "-h", "50%"});
  const Window w = kavlor_wait_window(x.dpy, &k);
  ASSERT_NE(w, 0u) << proc_err(k);
  ASSERT_TRUE(wait_shown(w));
  EXPECT_TRUE(wait_until([&] { return geometry_text(x.dpy, w) == "480,0 960x540"; }, 10.0))
      << geometry_text(x.dpy, w);

  struct Step { int width, height; const char *geometry; };
  const Step steps[] = {
    {1280, 1024, "320,0 640x512"},
    {1024, 768, "256,0 512x384"},
    {1920, 1080, "480,0 960x540"},
  };
  for (const Step &step : steps) {
    SCOPED_TRACE(step.geometry);
    ASSERT_TRUE(procfs_signal_and_wait(k.pid, SIGUSR1));
    ASSERT_TRUE(wait_hidden(w));
    ASSERT_TRUE(set_output_mode(x.dpy, step.width, step.height));
    ASSERT_TRUE(procfs_signal_and_wait(k.pid, SIGUSR1));
    ASSERT_TRUE(wait_shown(w));
    EXPECT_TRUE(wait_until([&] { return geometry_text(x.dpy, w) == step.geometry; }, 10.0))
        << geometry_text(x.dpy, w);
  }
}

// A show leaves out a resize only when the window already has the size:
// one resized behind kavlor's back gets its configured size again.
TEST_F(ShowHide, ShowUndoesAResizeByAnotherClient)
{
  start_session();
  Proc &k = start({"--toggle", "-p", "top", "-w", "400", "-h", "200"});
  const Window w = kavlor_wait_window(x.dpy, &k);
  ASSERT_NE(w, 0u) << proc_err(k);
  ASSERT_TRUE(wait_shown(w));
  EXPECT_TRUE(wait_until([&] { return geometry_text(x.dpy, w) == "312,0 400x200"; }, 10.0))
      << geometry_text(x.dpy, w);
  XResizeWindow(x.dpy, w, 600, 300);
  XSync(x.dpy, False);
  ASSERT_TRUE(wait_until([&] { return geometry_text(x.dpy, w) == "312,0 600x300"; }, 10.0))
      << geometry_text(x.dpy, w);
  ASSERT_TRUE(x_settle(x.dpy, w));  // kavlor has seen its new size

  ASSERT_TRUE(procfs_signal_and_wait(k.pid, SIGUSR1));
  ASSERT_TRUE(wait_hidden(w));
  ASSERT_TRUE(procfs_signal_and_wait(k.pid, SIGUSR1));
  ASSERT_TRUE(wait_shown(w));
  EXPECT_TRUE(wait_until([&] { return geometry_text(x.dpy, w) == "312,0 400x200"; }, 10.0))
      << geometry_text(x.dpy, w);
}

class Opacity : public ShowHide, public testing::WithParamInterface<bool> {};

TEST_P(Opacity, TranslucentWindowGetsAlphaOnlyWithACompositor)
{
  const bool compositor = GetParam();
  XSessionOptions opts;
  opts.compositor = compositor;
  start_session(opts);
  Proc &k = start({"--toggle", "-o", "80"});
  const Window w = kavlor_wait_window(x.dpy, &k);
  ASSERT_NE(w, 0u) << proc_err(k);
  ASSERT_TRUE(wait_shown(w));
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(x.dpy, w, &a));
  EXPECT_EQ(a.depth, compositor ? 32 : 24);
}

INSTANTIATE_TEST_SUITE_P(Compositor, Opacity, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool> &i) {
                           return std::string(i.param ? "xcompmgr" : "none");
                         });

// Standard signals merge while one is pending; each one here is sent only
// once the one before has been taken, so every one of them must toggle:
// map or unmap the window once. No window manager, so that nothing else
// maps or unmaps it (a window manager asked to do so hundreds of times a
// second also drops requests: openbox does), and autohide off: only the
// signals decide.
TEST_F(ShowHide, SignalStormKeepsEveryToggle)
{
  XSessionOptions bare;
  bare.window_manager = false;
  start_session(bare);
  Proc &k = start({"-ah", "false"});
  const Window w = kavlor_wait_window(x.dpy, &k);
  ASSERT_NE(w, 0u) << proc_err(k);
  MapCounter counter;
  ASSERT_TRUE(map_counter_open(&counter, x.display.c_str(), w));

  int sent = 0;
  auto toggles_seen = [&] {
    return wait_until([&] { return map_counter_read(&counter) >= sent; }, 30.0);
  };
  for (int burst = 0; burst < 4; burst++) {
    for (int i = 0; i < 125; i++, sent++)
      ASSERT_TRUE(procfs_signal_and_wait(k.pid, SIGUSR1)) << "signal " << sent;
    ASSERT_TRUE(proc_alive(&k));
    ASSERT_TRUE(toggles_seen()) << counter.maps << " maps and " << counter.unmaps
                                << " unmaps after " << sent << " signals";
    // An odd count flips the window.
    EXPECT_EQ(x_is_viewable(x.dpy, w), burst % 2 == 0) << "after " << sent << " signals";
  }
  EXPECT_EQ(counter.maps, 250);
  EXPECT_EQ(counter.unmaps, 250);
  EXPECT_FALSE(x_is_viewable(x.dpy, w)) << "500 leave it as it was";

  ASSERT_TRUE(procfs_signal_and_wait(k.pid, SIGUSR1));
  sent++;
  EXPECT_TRUE(wait_shown(w)) << "still answering";
  ASSERT_TRUE(procfs_signal_and_wait(k.pid, SIGUSR1));
  sent++;
  EXPECT_TRUE(wait_hidden(w));
  ASSERT_TRUE(x_settle(x.dpy, w));
  map_counter_read(&counter);
  EXPECT_EQ(counter.maps, 251);
  EXPECT_EQ(counter.unmaps, 251);
  EXPECT_TRUE(proc_alive(&k));
  map_counter_close(&counter);
}

} // namespace
