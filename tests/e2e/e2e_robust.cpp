// SPDX-License-Identifier: GPL-2.0-or-later
// kavlor under pressure from outside: a storm of toggles while shells end,
// floods of requests from a program, sizes that cannot make a window.
#include "kavlor_run.h"
#include "procfs.h"
#include "xwindows.h"
#include "input.h"
#include "shells.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <ostream>
#include <string>
#include <unistd.h>
#include <thread>
#include <vector>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

using Clock = std::chrono::steady_clock;

// Top-level windows of class Kavlor that a window manager would manage:
// neither menus (override-redirect) nor the toolkit's 10x10 group leader.
int count_kavlor_windows(Display *dpy, Window w)
{
  int n = 0;
  XWindowAttributes a;
  if (XGetWindowAttributes(dpy, w, &a) && !a.override_redirect &&
      !(a.width == 10 && a.height == 10) && x_class(dpy, w) == "Kavlor")
    n++;
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  if (XQueryTree(dpy, w, &root, &parent, &children, &count)) {
    for (unsigned i = 0; i < count; i++)
      n += count_kavlor_windows(dpy, children[i]);
    if (children) XFree(children);
  }
  return n;
}

int ignore_x_errors(Display *, XErrorEvent *) { return 0; }

int kavlor_windows(Display *dpy)
{
  auto old = XSetErrorHandler(ignore_x_errors);  // windows may vanish in the walk
  const int n = count_kavlor_windows(dpy, DefaultRootWindow(dpy));
  XSync(dpy, False);
  XSetErrorHandler(old);
  return n;
}

std::string how_it_ended(const Proc &p)
{
  if (!p.exited)
    return "still running";
  if (WIFSIGNALED(p.status))
    return std::string("killed by ") + strsignal(WTERMSIG(p.status));
  return "exit status " + std::to_string(WEXITSTATUS(p.status));
}

class Robust : public testing::Test {
protected:
  KavlorRun run;
  void TearDown() override { kavlor_run_stop(&run); }
  Display *dpy() { return run.x.dpy; }

  // Viewable, by SIGUSR1 if need be (a window left up while `shown` was
  // cleared takes two), then hidden by one SIGUSR1 and shown by the next.
  void expect_toggling(double timeout_s = 20.0)
  {
    bool up = x_is_viewable(dpy(), run.win);
    for (int i = 0; i < 2 && !up; i++) {
      ASSERT_TRUE(procfs_signal_and_wait(run.proc.pid, SIGUSR1));
      up = wait_until([&] { return x_is_viewable(dpy(), run.win); }, timeout_s);
    }
    ASSERT_TRUE(up) << "SIGUSR1 does not show the window";
    ASSERT_TRUE(procfs_signal_and_wait(run.proc.pid, SIGUSR1));
    EXPECT_TRUE(wait_until([&] { return !x_is_viewable(dpy(), run.win); }, timeout_s))
        << "SIGUSR1 does not hide the window";
    ASSERT_TRUE(procfs_signal_and_wait(run.proc.pid, SIGUSR1));
    EXPECT_TRUE(wait_until([&] { return x_is_viewable(dpy(), run.win); }, timeout_s))
        << "SIGUSR1 does not show the window again";
  }
};

void press(Display *dpy, KeySym sym)
{
  const KeyCode code = XKeysymToKeycode(dpy, sym);
  XTestFakeKeyEvent(dpy, code, True, CurrentTime);
  XTestFakeKeyEvent(dpy, code, False, CurrentTime);
}

// The hotkey thread toggles while the main loop closes, opens and restarts
// tabs for shells that end every 20 ms and handles bursts of SIGUSR1: both
// sides work on the same widgets, and only the lock keeps them apart.
TEST_F(Robust, HotkeyStormWhileShellsEndAndSignalsArrive)
{
  // Shells end at once, with 3 (restarted) for one pid in three and with 0
  // (the tab closes) for the others, until the test calms them.
  const ScriptShell shell = script_shell_make(
      "[ -e @DIR@/calm ] && exec /bin/sh\n"
      "sleep 0.02\n"
      "exit $(($$ % 3 == 0 ? 3 : 0))");
  ASSERT_TRUE(kavlor_run_shown(&run, {"-sh", shell.path}, "F12"));

  const auto end = Clock::now() + std::chrono::seconds(20);
  for (int i = 0; Clock::now() < end && proc_alive(&run.proc); i++) {
    press(dpy(), XK_F12);
    if (i % 16 == 0)  // a burst of requests about every 50 ms
      for (int k = 0; k < 3; k++)
        kill(run.proc.pid, SIGUSR1);
    if (i % 10 == 0) {  // a new tab, when the window has the keyboard
      const KeyCode ctrl = XKeysymToKeycode(dpy(), XK_Control_L);
      const KeyCode shift = XKeysymToKeycode(dpy(), XK_Shift_L);
      XTestFakeKeyEvent(dpy(), ctrl, True, CurrentTime);
      XTestFakeKeyEvent(dpy(), shift, True, CurrentTime);
      press(dpy(), XK_t);
      XTestFakeKeyEvent(dpy(), shift, False, CurrentTime);
      XTestFakeKeyEvent(dpy(), ctrl, False, CurrentTime);
    }
    XFlush(dpy());
    // The pace of the storm, not a wait for a condition.
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
  }
  XSync(dpy(), False);
  FILE *calm = fopen((shell.dir + "/calm").c_str(), "w");
  ASSERT_NE(calm, nullptr);
  fclose(calm);

  const int starts = static_cast<int>(script_shell_starts(shell).size());
  ASSERT_TRUE(proc_alive(&run.proc)) << how_it_ended(run.proc) << " after " << starts
                                     << " shell starts\n" << proc_err(run.proc);
  printf("shell starts during the storm: %d\n", starts);
  EXPECT_GT(starts, 100) << "the shells hardly ended";
  EXPECT_EQ(kavlor_windows(dpy()), 1);
  // The window manager may still be working off the storm.
  ASSERT_TRUE(x_settle(dpy(), run.win, 30.0));
  expect_toggling();
  EXPECT_TRUE(proc_alive(&run.proc)) << how_it_ended(run.proc);
}

// Every window request of the terminal, 10,000 times over: the window
// manager would need minutes for them one by one, and meanwhile the window
// would not toggle. Gathered, they leave it toggling right away.
TEST_F(Robust, RequestFloodLeavesTheWindowToggling)
{
  const ScriptShell shell = script_shell_make();
  ASSERT_TRUE(kavlor_run_shown(&run, {"-sh", shell.path, "-ah", "false"}));
  // iconify, deiconify, raise, lower, maximize, restore, refresh, move,
  // resize: the window ends up as it was, on screen.
  const std::string one = "\033[2t\033[1t\033[5t\033[6t\033[9;1t\033[9;0t\033[7t"
                          "\033[3;0;0t\033[8;24;80t";
  std::string flood;
  for (int i = 0; i < 10000; i++)
    flood += one;
  const std::string file = shell.dir + "/flood";
  FILE *f = fopen(file.c_str(), "w");
  ASSERT_NE(f, nullptr);
  fputs(flood.c_str(), f);
  fclose(f);
  const std::string done = shell.dir + "/flooded";
  input_type(dpy(), "cat " + file + "; touch " + done);
  ASSERT_TRUE(wait_until([&] { return access(done.c_str(), F_OK) == 0; }, 60.0))
      << "the flood did not end";
  const auto flood_end = Clock::now();
  // It takes a few milliseconds when the requests are gathered; without
  // that the window manager works them off for many seconds. Wide margins
  // for a loaded machine all the same.
  expect_toggling(3.0);
  const double seconds = std::chrono::duration<double>(Clock::now() - flood_end).count();
  printf("toggled off and on again %.2f s after the flood\n", seconds);
  EXPECT_TRUE(proc_alive(&run.proc)) << how_it_ended(run.proc);
}

// A width or height that reads as 0 or below, or beyond X's range, still
// gives a window on screen, of a size X can show, and no toolkit warnings.
struct OddSize {
  const char *name;
  const char *width, *height;
  int expect_width, expect_height;
};

void PrintTo(const OddSize &c, std::ostream *os) { *os << "-w " << c.width << " -h " << c.height; }

class OddSizes : public testing::TestWithParam<OddSize> {};

TEST_P(OddSizes, GiveAMappedWindowOfTheNearestSizeXCanShow)
{
  const OddSize &c = GetParam();
  KavlorRun run;
  const ScriptShell shell = script_shell_make();
  const bool up = kavlor_run_shown(&run, {"-sh", shell.path, "-ah", "false", "-p", "topleft",
                                         "-w", c.width, "-h", c.height});
  int x = 0, y = 0, w = 0, h = 0;
  const bool placed = up && x_geometry(run.x.dpy, run.win, &x, &y, &w, &h);
  const std::string err = proc_err(run.proc);
  const bool alive = proc_alive(&run.proc);
  kavlor_run_stop(&run);
  ASSERT_TRUE(up) << "no window on screen";
  ASSERT_TRUE(placed);
  EXPECT_EQ(w, c.expect_width);
  EXPECT_EQ(h, c.expect_height);
  EXPECT_TRUE(alive);
  EXPECT_EQ(err.find("CRITICAL"), std::string::npos) << err;
  EXPECT_EQ(err.find("WARNING"), std::string::npos) << err;
}

// name       -w            -h          width  height
INSTANTIATE_TEST_SUITE_P(Sizes, OddSizes,
    testing::Values(OddSize{"zero",     "0",         "200",    1,     200},
                    // No digit at all: the default stays (with a warning line).
                    OddSize{"word",     "abc",       "wide",   800,   400},
                    OddSize{"negative", "-300",      "200",    1,     200},
                    OddSize{"huge",     "99999999",  "200",    32767, 200},
                    OddSize{"tall",     "300",       "99999%", 300,   32767}),
    [](const testing::TestParamInfo<OddSize> &info) { return std::string(info.param.name); });

} // namespace

// A program sets a title of a megabyte while the tab bar shows: the tab's
// label keeps a few hundred characters of it, so kavlor grows by what the
// terminal needs to read the sequence, not by the layout of a megabyte of
// label text (which cost some 80 MB).
TEST_F(Robust, HugeTitleCostsLittleMemory)
{
  // The title waits for the test's word through a FIFO, so that the memory
  // before it can be measured.
  const ScriptShell shell = script_shell_make(
      "read word < @DIR@/go\n"
      "printf '\\033]0;%s\\007' \"$(head -c 1048576 /dev/zero | tr '\\0' t)\"\n"
      ": > @DIR@/sent\n"
      "exec sleep 1000");
  const std::string go = shell.dir + "/go";
  ASSERT_EQ(mkfifo(go.c_str(), 0600), 0);
  ASSERT_TRUE(kavlor_run_shown(&run, {"-sh", shell.path, "-st", "always", "-ah", "false"}));
  ASSERT_TRUE(procfs_wait_idle(run.proc.pid));
  const long before = procfs_rss_kb(run.proc.pid);
  int fd = -1;
  // The shell opens its end once it runs.
  ASSERT_TRUE(wait_until([&] { return (fd = open(go.c_str(), O_WRONLY | O_NONBLOCK)) >= 0; }, 20.0));
  ASSERT_EQ(write(fd, "go\n", 3), 3);
  close(fd);
  ASSERT_TRUE(wait_until([&] { return access((shell.dir + "/sent").c_str(), F_OK) == 0; }, 20.0));
  // Read, parsed and laid out: kavlor waits for work again.
  ASSERT_TRUE(procfs_wait_idle(run.proc.pid, 60.0));
  const long after = procfs_rss_kb(run.proc.pid);
  printf("resident memory before the title %ld kB, after %ld kB\n", before, after);
  EXPECT_LT(after - before, 32 * 1024);
  EXPECT_TRUE(proc_alive(&run.proc)) << how_it_ended(run.proc);
}
