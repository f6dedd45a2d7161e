// SPDX-License-Identifier: GPL-2.0-or-later
// "--toggle" between processes: simultaneous starts elect one instance, a
// request that comes before the handler is kept, and processes that only
// look like an instance are never signalled. No window manager, so that
// every show maps and every hide unmaps the window at once, and autohide
// off: only the requests decide what is on screen.
#include "harness.h"
#include "kavlor_run.h"
#include "procfs.h"
#include "xwindows.h"

#include <csignal>
#include <deque>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

class Toggle : public testing::Test {
protected:
  XSession x;
  TestHome home;
  std::deque<Proc> procs;  // references to earlier ones stay valid
  int lock_fd = -1;

  void SetUp() override
  {
    XSessionOptions bare;
    bare.window_manager = false;
    ASSERT_TRUE(xsession_start(&x, bare));
    home_make(&home, "/bin/sh");
  }

  void TearDown() override
  {
    unlock();
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

  Proc &start_other(const std::vector<std::string> &argv)
  {
    procs.push_back(proc_spawn(argv));
    return procs.back();
  }

  // The lock the starters of this display elect under, in the home's
  // runtime directory.
  std::string lock_path() const { return home.dir + "/.run/kavlor-" + x.display.substr(1) + ".lock"; }

  // Holds the election lock.
  void lock()
  {
    lock_fd = open(lock_path().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(lock_fd, 0);
    ASSERT_EQ(flock(lock_fd, LOCK_EX), 0);
  }

  void unlock()
  {
    if (lock_fd >= 0)
      close(lock_fd);
    lock_fd = -1;
  }
};

struct RaceCase {
  int starters;
  bool gated;  // all of them queued on the lock first, then let go at once
};

void PrintTo(const RaceCase &c, std::ostream *os) { *os << c.starters << (c.gated ? " queued" : ""); }

class Race : public Toggle, public testing::WithParamInterface<RaceCase> {};

// Starters waiting on the held lock, as /proc/locks lists them.
int lock_waiters(const std::string &lock_path)
{
  struct stat st;
  if (stat(lock_path.c_str(), &st) != 0)
    return 0;
  const std::string inode = ":" + std::to_string(st.st_ino) + " ";
  const std::string locks = file_read("/proc/locks");
  int n = 0;
  for (size_t at = 0; (at = locks.find("->", at)) != std::string::npos; at++) {
    const size_t end = locks.find('\n', at);
    if (locks.substr(at, end - at).find(inode) != std::string::npos)
      n++;
  }
  return n;
}

TEST_P(Race, SimultaneousStartsLeaveOneInstanceToggledByEveryRequest)
{
  const RaceCase &c = GetParam();
  for (int trial = 0; trial < 3; trial++) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    if (c.gated)
      lock();
    std::vector<Proc *> starters;
    for (int i = 0; i < c.starters; i++)
      starters.push_back(&start({"--toggle", "-ah", "false"}));
    if (c.gated) {
      EXPECT_TRUE(wait_until([&] {
        return lock_waiters(lock_path()) >= c.starters;
      }, 60.0)) << "starters queued on the lock";
      unlock();
    }

    // Every starter but one ends; the one left stays.
    auto exited = [&] {
      int n = 0;
      for (Proc *p : starters)
        n += !proc_alive(p);
      return n;
    };
    ASSERT_TRUE(wait_until([&] { return exited() >= c.starters - 1; }, 90.0))
        << exited() << " of " << c.starters << " ended";
    Proc *survivor = nullptr;
    for (Proc *p : starters) {
      if (proc_alive(p)) {
        survivor = p;
        continue;
      }
      EXPECT_EQ(proc_exit_code(*p), 1) << proc_err(*p);
      EXPECT_EQ(proc_err(*p), "");
    }
    ASSERT_NE(survivor, nullptr) << "no instance left";
    const Window w = kavlor_wait_window(x.dpy, survivor);
    ASSERT_NE(w, 0u) << proc_err(*survivor);
    EXPECT_EQ(x_find_client(x.dpy, "Kavlor"), w) << "one window";

    // Shown at start, then each of the others' requests toggles once.
    ASSERT_TRUE(wait_until([&] { return !procfs_signal_pending(survivor->pid, SIGUSR1); }, 10.0));
    ASSERT_TRUE(x_settle(x.dpy, w));
    EXPECT_EQ(x_is_viewable(x.dpy, w), c.starters % 2 == 1);
    EXPECT_TRUE(proc_alive(survivor));

    proc_kill(survivor);
    ASSERT_TRUE(wait_until([&] { return x_find_client(x.dpy, "Kavlor") == 0; }, 20.0));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Starters, Race,
    testing::Values(RaceCase{2, false}, RaceCase{5, false}, RaceCase{20, false},
                    RaceCase{5, true}, RaceCase{20, true}),
    [](const testing::TestParamInfo<RaceCase> &i) {
      return std::to_string(i.param.starters) + (i.param.gated ? "_queued" : "_at_once");
    });

// A request sent while the starter still has no handler (it waits for the
// lock held here) is kept and served after the start-up toggle.
TEST_F(Toggle, EarlyRequestIsKeptAndServed)
{
  lock();
  Proc &k = start({"--toggle", "-ah", "false"});
  ASSERT_TRUE(wait_until([&] { return procfs_signal_in(k.pid, "\nSigBlk:", SIGUSR1); }, 20.0))
      << "SIGUSR1 blocked from the start";
  ASSERT_FALSE(procfs_signal_in(k.pid, "\nSigCgt:", SIGUSR1)) << "no handler yet";
  ASSERT_EQ(kill(k.pid, SIGUSR1), 0);
  ASSERT_TRUE(procfs_signal_pending(k.pid, SIGUSR1));
  unlock();

  const Window w = kavlor_wait_window(x.dpy, &k);
  ASSERT_NE(w, 0u) << proc_err(k);
  ASSERT_TRUE(wait_until([&] { return !procfs_signal_pending(k.pid, SIGUSR1); }, 10.0));
  ASSERT_TRUE(x_settle(x.dpy, w));
  EXPECT_FALSE(x_is_viewable(x.dpy, w)) << "shown at start, hidden by the early request";
  ASSERT_TRUE(procfs_signal_and_wait(k.pid, SIGUSR1));
  EXPECT_TRUE(wait_until([&] { return x_is_viewable(x.dpy, w); }, 20.0));
  EXPECT_TRUE(proc_alive(&k));
}

// An instance started without --toggle (say with a hotkey, from autostart)
// never takes the lock, and later starts still find and toggle it.
TEST_F(Toggle, InstanceStartedWithoutToggleIsToggledByLaterStarts)
{
  Proc &k = start({"-ah", "false"});
  const Window w = kavlor_wait_window(x.dpy, &k);
  ASSERT_NE(w, 0u) << proc_err(k);
  ASSERT_TRUE(x_settle(x.dpy, w));
  EXPECT_FALSE(x_is_viewable(x.dpy, w));
  for (bool expect_shown : {true, false, true}) {
    Proc &starter = start({"--toggle"});
    ASSERT_TRUE(proc_wait(&starter, 30.0));
    EXPECT_EQ(proc_exit_code(starter), 1) << proc_err(starter);
    EXPECT_TRUE(wait_until([&] { return x_is_viewable(x.dpy, w) == expect_shown; }, 20.0));
  }
  EXPECT_TRUE(proc_alive(&k));
  EXPECT_EQ(x_find_client(x.dpy, "Kavlor"), w) << "one window";
}

// Starts kavlor on `display` with this test's home; "" runs it without
// a display.
Proc spawn_on(const TestHome &home, const std::string &display,
              const std::vector<std::string> &args, const std::vector<std::string> &more = {})
{
  std::vector<std::string> argv = {kavlor_path()};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::string> env = home_env(home);
  env.push_back("DISPLAY=" + display);
  env.insert(env.end(), more.begin(), more.end());
  return proc_spawn(argv, env);
}

// A second display beside the first, each with instances of its own.
class TwoDisplays : public Toggle {
protected:
  XSession y;

  void SetUp() override
  {
    Toggle::SetUp();
    XSessionOptions bare;
    bare.window_manager = false;
    ASSERT_TRUE(xsession_start(&y, bare));
  }

  void TearDown() override
  {
    for (Proc &p : procs)
      proc_kill(&p);
    xsession_stop(&y);
    Toggle::TearDown();
  }

  Proc &start_on(const XSession &s, const std::vector<std::string> &args)
  {
    procs.push_back(spawn_on(home, s.display, args));
    return procs.back();
  }

  // A starter that must end with status 1, having asked an instance.
  void request(const std::string &display)
  {
    procs.push_back(spawn_on(home, display, {"--toggle"}));
    Proc &starter = procs.back();
    ASSERT_TRUE(proc_wait(&starter, 30.0));
    EXPECT_EQ(proc_exit_code(starter), 1) << proc_err(starter);
    EXPECT_EQ(proc_err(starter), "");
  }
};

// Before, a start on the second display toggled the instance of the first.
TEST_F(TwoDisplays, ToggleOnAnotherDisplayStartsThereAndLeavesTheFirstAlone)
{
  Proc &a = start_on(x, {"--toggle", "-ah", "false"});
  const Window wa = kavlor_wait_window(x.dpy, &a);
  ASSERT_NE(wa, 0u) << proc_err(a);
  ASSERT_TRUE(wait_until([&] { return x_is_viewable(x.dpy, wa); }, 20.0));

  Proc &b = start_on(y, {"--toggle", "-ah", "false"});
  const Window wb = kavlor_wait_window(y.dpy, &b);
  ASSERT_NE(wb, 0u) << "no instance on the second display; " << proc_err(b);
  EXPECT_TRUE(wait_until([&] { return x_is_viewable(y.dpy, wb); }, 20.0));
  EXPECT_TRUE(proc_alive(&b));
  ASSERT_TRUE(x_settle(x.dpy, wa));
  EXPECT_TRUE(x_is_viewable(x.dpy, wa)) << "the first display's instance was toggled";
  EXPECT_EQ(x_find_client(x.dpy, "Kavlor"), wa) << "one window on the first display";
}

// Each display's requests reach its own instance, under every spelling
// of the display's name.
TEST_F(TwoDisplays, EachDisplayTogglesItsOwnInstance)
{
  Proc &a = start_on(x, {"-ah", "false"});
  Proc &b = start_on(y, {"-ah", "false"});
  const Window wa = kavlor_wait_window(x.dpy, &a), wb = kavlor_wait_window(y.dpy, &b);
  ASSERT_NE(wa, 0u) << proc_err(a);
  ASSERT_NE(wb, 0u) << proc_err(b);
  ASSERT_TRUE(x_settle(x.dpy, wa));
  ASSERT_TRUE(x_settle(y.dpy, wb));
  const std::string nx = x.display.substr(1), ny = y.display.substr(1);
  struct Step {
    std::string display;
    bool a_shown, b_shown;
  };
  // display            first  second
  const Step steps[] = {
    {":" + ny,            false, true},
    {":" + nx + ".0",     true,  true},
    {"unix:" + ny,        true,  false},
    {"unix:" + nx + ".0", false, false},
  };
  for (const Step &s : steps) {
    SCOPED_TRACE(s.display);
    request(s.display);
    EXPECT_TRUE(wait_until([&] {
      return x_is_viewable(x.dpy, wa) == s.a_shown && x_is_viewable(y.dpy, wb) == s.b_shown;
    }, 20.0));
  }
  EXPECT_TRUE(proc_alive(&a));
  EXPECT_TRUE(proc_alive(&b));
}

// Without a display the starter asks the running instance of this user.
TEST_F(Toggle, ToggleWithoutDisplayAsksTheRunningInstance)
{
  Proc &k = start({"-ah", "false"});
  const Window w = kavlor_wait_window(x.dpy, &k);
  ASSERT_NE(w, 0u) << proc_err(k);
  ASSERT_TRUE(x_settle(x.dpy, w));
  for (bool expect_shown : {true, false}) {
    procs.push_back(spawn_on(home, "", {"--toggle"}));
    Proc &starter = procs.back();
    ASSERT_TRUE(proc_wait(&starter, 30.0));
    EXPECT_EQ(proc_exit_code(starter), 1) << proc_err(starter);
    EXPECT_EQ(proc_err(starter), "");
    EXPECT_TRUE(wait_until([&] { return x_is_viewable(x.dpy, w) == expect_shown; }, 20.0));
  }
  proc_kill(&k);
  ASSERT_TRUE(proc_wait(&k, 20.0));
  // With none running there is nothing to ask and nowhere to start.
  procs.push_back(spawn_on(home, "", {"--toggle"}));
  Proc &alone = procs.back();
  ASSERT_TRUE(proc_wait(&alone, 30.0));
  EXPECT_EQ(proc_exit_code(alone), 1);
  EXPECT_NE(proc_err(alone).find("cannot open display"), std::string::npos) << proc_err(alone);
}

// A launcher's startup id: the instance completes it (the launcher's busy
// cursor ends) and asks the focus with its time.
TEST_F(Toggle, StartupIdIsCompletedByTheInstance)
{
  Proc &k = start({"-ah", "false"});
  const Window w = kavlor_wait_window(x.dpy, &k);
  ASSERT_NE(w, 0u) << proc_err(k);
  ASSERT_TRUE(x_settle(x.dpy, w));
  const Window root = DefaultRootWindow(x.dpy);
  XSelectInput(x.dpy, root, PropertyChangeMask | SubstructureNotifyMask);
  XSync(x.dpy, False);
  const std::string id = "launcher-42-host-kavlor-0_TIME4242";
  procs.push_back(spawn_on(home, x.display, {"--toggle"}, {"DESKTOP_STARTUP_ID=" + id}));
  Proc &starter = procs.back();
  ASSERT_TRUE(proc_wait(&starter, 30.0));
  EXPECT_EQ(proc_exit_code(starter), 1) << proc_err(starter);
  ASSERT_TRUE(wait_until([&] { return x_is_viewable(x.dpy, w); }, 20.0));

  const Atom begin = XInternAtom(x.dpy, "_NET_STARTUP_INFO_BEGIN", False);
  const Atom more = XInternAtom(x.dpy, "_NET_STARTUP_INFO", False);
  std::string message;
  bool complete = false;
  EXPECT_TRUE(wait_until([&] {
    XEvent ev;
    while (XCheckTypedEvent(x.dpy, ClientMessage, &ev)) {
      const XClientMessageEvent &m = ev.xclient;
      if (m.message_type != begin && m.message_type != more)
        continue;
      if (m.message_type == begin)
        message.clear();
      for (int i = 0; i < 20 && !complete; i++)
        if (m.data.b[i])
          message += m.data.b[i];
        else
          complete = true;
    }
    return complete;
  }, 20.0)) << "no startup message";
  EXPECT_EQ(message, "remove: ID=\"" + id + "\"");
  EXPECT_EQ(x_user_time(x.dpy, w), 4242u) << "the show does not carry the launcher's time";
  XSelectInput(x.dpy, root, NoEventMask);
  EXPECT_TRUE(proc_alive(&k));
}

struct ImpostorCase {
  const char *name;
  const char *program;  // copied under the name
  bool other_user;      // run as nobody
  bool handles_usr1;    // a shell that reports each SIGUSR1 on its output
};

void PrintTo(const ImpostorCase &c, std::ostream *os) { *os << c.name << " from " << c.program; }

class Impostor : public Toggle, public testing::WithParamInterface<ImpostorCase> {};

TEST_P(Impostor, IsNeverSignalled)
{
  const ImpostorCase &c = GetParam();
  if (c.other_user && geteuid() != 0)
    GTEST_SKIP() << "needs root to run a process as another user";
  const std::string dir = temp_dir("kvimp-");
  ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
  const std::string path = dir + "/" + c.name;
  run_capture({"cp", c.program, path});
  std::vector<std::string> argv = {path};
  if (c.handles_usr1)
    argv.insert(argv.end(),
                {"-c", "trap 'echo request' USR1; while :; do sleep 1 & wait $!; done"});
  else
    argv.push_back("600");
  if (c.other_user)
    argv.insert(argv.begin(), {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
  Proc &other = start_other(argv);
  ASSERT_TRUE(wait_until([&] {
    return file_read("/proc/" + std::to_string(other.pid) + "/comm") == std::string(c.name) + "\n" &&
           (!c.handles_usr1 || procfs_signal_in(other.pid, "\nSigCgt:", SIGUSR1));
  }, 20.0)) << "the other process is up";

  // No instance runs: this one starts, shown.
  Proc &k = start({"--toggle", "-ah", "false"});
  const Window w = kavlor_wait_window(x.dpy, &k);
  ASSERT_NE(w, 0u) << proc_err(k);
  EXPECT_TRUE(wait_until([&] { return x_is_viewable(x.dpy, w); }, 20.0));
  // A second start finds the instance, not the other process.
  Proc &second = start({"--toggle"});
  ASSERT_TRUE(proc_wait(&second, 30.0));
  EXPECT_EQ(proc_exit_code(second), 1) << proc_err(second);
  EXPECT_TRUE(wait_until([&] { return !x_is_viewable(x.dpy, w); }, 20.0));

  EXPECT_TRUE(proc_alive(&k));
  EXPECT_TRUE(proc_alive(&other));
  EXPECT_EQ(proc_out(other), "");
  proc_kill(&other);
  run_capture({"rm", "-rf", dir});
}

INSTANTIATE_TEST_SUITE_P(
    Processes, Impostor,
    testing::Values(ImpostorCase{"kavlorx", "/bin/sleep", false, false},
                    ImpostorCase{"kavlorx", "/bin/sh", false, true},
                    ImpostorCase{"kavlor", "/bin/sh", true, true}),
    [](const testing::TestParamInfo<ImpostorCase> &i) {
      return std::string(i.param.name) + "_" + (i.param.handles_usr1 ? "shell" : "sleep") +
             (i.param.other_user ? "_other_user" : "");
    });

} // namespace
