// SPDX-License-Identifier: GPL-2.0-or-later
// The directory a new tab's shell starts in: the start directory, or with
// "tabdir current" that of the current tab's shell while it can be read.
#include "input.h"
#include "shells.h"
#include "widget_util.h"

#include "mainwindow/mainwindow.h"

#include <csignal>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vte/vte.h>

namespace {

std::string cwd_of(pid_t pid)
{
  char *dir = g_file_read_link(("/proc/" + std::to_string(pid) + "/cwd").c_str(), nullptr);
  std::string out = dir ? dir : "";
  g_free(dir);
  return out;
}

std::string start_dir()
{
  char *dir = g_get_current_dir();
  std::string out = dir;
  g_free(dir);
  return out;
}

// A directory of its own for the shell to go to.
std::string fresh_dir(const ScriptShell &shell, const char *name)
{
  const std::string dir = shell.dir + "/" + name;
  mkdir(dir.c_str(), 0700);
  return dir;
}

struct Tabs {
  ScriptShell shell = script_shell_make();

  // The shell of the n-th start (0 the first), once it runs.
  pid_t shell_pid(size_t n)
  {
    EXPECT_TRUE(widget_pump_until([&] { return script_shell_starts(shell).size() > n; })) << "start " << n;
    const auto starts = script_shell_starts(shell);
    return n < starts.size() ? starts[n].pid : 0;
  }

  // Types `cd DIR` into the current tab's shell and waits until it is there.
  void cd(pid_t pid, const std::string &dir)
  {
    const std::string line = "cd " + dir + "\n";
    vte_terminal_feed_child(VTE_TERMINAL(mainwindow_terminal_at(mainwindow.current_tab)),
                            line.c_str(), -1);
    ASSERT_TRUE(widget_pump_until([&] { return cwd_of(pid) == dir; })) << cwd_of(pid);
  }
};

TEST(TabDir, CurrentOpensWhereTheCurrentShellIs)
{
  Tabs t;
  widget_build_no_autohide({{"-sh", t.shell.path}, {"-td", "current"}});
  const pid_t first = t.shell_pid(0);
  EXPECT_EQ(cwd_of(first), start_dir());
  const std::string there = fresh_dir(t.shell, "there");
  t.cd(first, there);
  mainwindow_add_tab();
  const pid_t second = t.shell_pid(1);
  EXPECT_EQ(cwd_of(second), there);

  // From the second tab, gone elsewhere, to a third.
  const std::string further = fresh_dir(t.shell, "further");
  t.cd(second, further);
  mainwindow_add_tab();
  EXPECT_EQ(cwd_of(t.shell_pid(2)), further);
}

TEST(TabDir, StartKeepsTheStartDirectory)
{
  Tabs t;
  widget_build_no_autohide({{"-sh", t.shell.path}});
  const pid_t first = t.shell_pid(0);
  t.cd(first, fresh_dir(t.shell, "there"));
  mainwindow_add_tab();
  EXPECT_EQ(cwd_of(t.shell_pid(1)), start_dir());
}

bool zombie(pid_t pid)
{
  const std::string stat = file_read("/proc/" + std::to_string(pid) + "/stat");
  const size_t paren = stat.rfind(')');
  return paren != std::string::npos && stat.size() > paren + 2 && stat[paren + 2] == 'Z';
}

// A shell that is gone (ended, not yet reaped) has no directory to read.
TEST(TabDir, CurrentFallsBackWhenTheShellIsGone)
{
  Tabs t;
  widget_build_no_autohide({{"-sh", t.shell.path}, {"-td", "current"}});
  const pid_t first = t.shell_pid(0);
  t.cd(first, fresh_dir(t.shell, "there"));
  ASSERT_EQ(kill(first, SIGKILL), 0);
  // Not pumped: the terminal's child watch has not reaped it yet.
  ASSERT_TRUE(wait_until([&] { return zombie(first); }));
  mainwindow_add_tab();
  EXPECT_EQ(cwd_of(t.shell_pid(1)), start_dir());
}

// A shell that fails is restarted where its tab opened.
TEST(TabDir, RestartKeepsTheTabsDirectory)
{
  Tabs t;
  widget_build_no_autohide({{"-sh", t.shell.path}, {"-td", "current"}});
  const pid_t first = t.shell_pid(0);
  const std::string there = fresh_dir(t.shell, "there");
  t.cd(first, there);
  mainwindow_add_tab();
  const pid_t second = t.shell_pid(1);
  ASSERT_EQ(cwd_of(second), there);
  t.cd(second, fresh_dir(t.shell, "moved"));
  ASSERT_EQ(kill(second, SIGKILL), 0);
  EXPECT_EQ(cwd_of(t.shell_pid(2)), there);
  EXPECT_EQ(mainwindow.tab_count, 2);
}

} // namespace
