// SPDX-License-Identifier: GPL-2.0-or-later
// What happens inside a terminal: the end of its shell, links under a left
// press, and the requests and titles of its programs.
#include "procfs.h"
#include "input.h"
#include "shells.h"
#include "widget_util.h"

#include "config/config.h"
#include "mainwindow/mainwindow.h"
#include "popupmenu/popupmenu.h"
#include "term/term.h"

#include <csignal>
#include <cstdlib>
#include <ostream>
#include <string>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <vte/vte.h>
#include <X11/Xlib.h>

namespace {

GtkNotebook *notebook() { return GTK_NOTEBOOK(mainwindow.notebook); }

std::string screen_text(GtkWidget *terminal)
{
  char *text = vte_terminal_get_text(VTE_TERMINAL(terminal), nullptr, nullptr, nullptr);
  std::string out = text ? text : "";
  g_free(text);
  return out;
}

void type_into(GtkWidget *terminal, const std::string &line)
{
  const std::string text = line + "\n";
  vte_terminal_feed_child(VTE_TERMINAL(terminal), text.c_str(), static_cast<glong>(text.size()));
}

bool starts_reach(const ScriptShell &shell, size_t n)
{
  return widget_pump_until([&] { return script_shell_starts(shell).size() >= n; }, 20.0);
}

// ---- the end of a shell ---------------------------------------------------

// How a shell is ended: a typed exit with a status, or a signal.
struct Ending {
  const char *name;
  const char *command;  // typed into the shell, or null
  int signal;
};

// The library reports an end first as "eof", with the status of the shell
// before; only the real status may decide, so the first shell of a tab
// ending nonzero is restarted, and a restarted one ending with 0 closes.
class NonzeroEnd : public testing::TestWithParam<Ending> {};

TEST_P(NonzeroEnd, RestartsTheShellInTheSameTabWithAClearedScreen)
{
  const ScriptShell shell = script_shell_make();
  widget_build_no_autohide({{"-sh", shell.path}});
  mainwindow_add_tab();
  ASSERT_TRUE(starts_reach(shell, 2));
  Watch first(mainwindow_terminal_at(0));
  VteTerminal *terminal = VTE_TERMINAL(first.widget);
  // Lines kept above the screen: none while the output fits on it.
  auto history = [&] {
    return vte_terminal_get_adjustment(terminal)->upper - vte_terminal_get_row_count(terminal);
  };
  type_into(first.widget, "seq 1 200; echo remembered-$((6*7))");
  ASSERT_TRUE(widget_pump_until([&] {
    return screen_text(first.widget).find("remembered-42") != std::string::npos && history() > 100;
  }));

  const pid_t old = script_shell_starts(shell)[0].pid;
  if (GetParam().command)
    type_into(first.widget, GetParam().command);
  else
    kill(old, GetParam().signal);
  ASSERT_TRUE(starts_reach(shell, 3)) << "no new shell";
  ASSERT_TRUE(widget_pump_until([&] { return !procfs_alive(old); }));
  EXPECT_NE(script_shell_starts(shell)[2].pid, old);

  // Same terminal, same place, both tabs still there.
  ASSERT_NE(first.widget, nullptr);
  EXPECT_EQ(mainwindow_terminal_at(0), first.widget);
  EXPECT_EQ(mainwindow.tab_count, 2);
  EXPECT_EQ(gtk_notebook_get_n_pages(notebook()), 2);
  // The reset took the old output and the scrollback with it.
  EXPECT_TRUE(widget_pump_until([&] { return history() <= 0; })) << history();
  EXPECT_EQ(screen_text(first.widget).find("remembered-42"), std::string::npos);

  // The restarted shell is a shell like any other: exit 0 ends its tab.
  type_into(first.widget, "exit");
  EXPECT_TRUE(widget_pump_until([&] { return first.widget == nullptr; }));
  EXPECT_EQ(mainwindow.tab_count, 1);
}

INSTANTIATE_TEST_SUITE_P(Endings, NonzeroEnd,
                         testing::Values(Ending{"exit3", "exit 3", 0},
                                         Ending{"SIGKILL", nullptr, SIGKILL},
                                         Ending{"SIGHUP", nullptr, SIGHUP}),
                         [](const testing::TestParamInfo<Ending> &info) {
                           return std::string(info.param.name);
                         });

TEST(ShellEnd, StatusZeroClosesTheTabOfThatTerminal)
{
  const ScriptShell shell = script_shell_make();
  widget_build_no_autohide({{"-sh", shell.path}});
  mainwindow_add_tab();
  ASSERT_TRUE(starts_reach(shell, 2));
  Watch first(mainwindow_terminal_at(0)), second(mainwindow_terminal_at(1));
  // The tab of the first terminal goes, though the second is current.
  ASSERT_EQ(mainwindow.current_tab, 1);
  type_into(first.widget, "exit");
  EXPECT_TRUE(widget_pump_until([&] { return first.widget == nullptr; }));
  ASSERT_EQ(mainwindow.tab_count, 1);
  EXPECT_EQ(mainwindow_terminal_at(0), second.widget);
  EXPECT_EQ(mainwindow.current_tab, 0);
}

TEST(ShellEnd, StatusZeroInTheOnlyTabGivesAFreshTabAndShell)
{
  const ScriptShell shell = script_shell_make();
  widget_build_no_autohide({{"-sh", shell.path}});
  ASSERT_TRUE(starts_reach(shell, 1));
  Watch only(mainwindow_terminal_at(0));
  type_into(only.widget, "exit");
  ASSERT_TRUE(widget_pump_until([&] { return only.widget == nullptr; }));
  EXPECT_EQ(mainwindow.tab_count, 1);
  EXPECT_EQ(mainwindow.current_tab, 0);
  ASSERT_NE(mainwindow_terminal_at(0), nullptr);
  GtkWidget *label = gtk_notebook_get_tab_label(notebook(), gtk_notebook_get_nth_page(notebook(), 0));
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(label)), "term 0");
  EXPECT_TRUE(starts_reach(shell, 2)) << "the fresh tab runs no shell";
}

// Whether some thread holds the GDK lock, asked from a thread of its own
// since the lock is not recursive. The toolkit's default lock functions,
// which the tests keep, lock this mutex.
bool gdk_lock_held()
{
  GThread *probe = g_thread_new("lockprobe", [](gpointer) -> gpointer {
    if (!g_mutex_trylock(gdk_threads_mutex))
      return GINT_TO_POINTER(1);
    g_mutex_unlock(gdk_threads_mutex);
    return nullptr;
  }, nullptr);
  return g_thread_join(probe) != nullptr;
}

// Times some work of the exit handler was seen with and without the lock.
struct LockSeen {
  int held = 0, free = 0;
  void note() { (gdk_lock_held() ? held : free)++; }
};

// Notes the lock whenever a pty is made, from the pty class's constructed
// step, while set.
LockSeen *pty_seen;
void (*pty_constructed_chain)(GObject *);

void pty_constructed(GObject *object)
{
  if (pty_seen)
    pty_seen->note();
  if (pty_constructed_chain)
    pty_constructed_chain(object);
}

void pty_watch_construction()
{
  GObjectClass *klass = G_OBJECT_CLASS(g_type_class_ref(VTE_TYPE_PTY));
  if (klass->constructed == pty_constructed)
    return;
  pty_constructed_chain = klass->constructed;
  klass->constructed = pty_constructed;
}

// How a shell ends, and what the exit handler then does to tabs and terminals.
struct ExitWork {
  const char *name;
  const char *command;
  const char *work;
};

// The library reports the end of a shell from its child watch, outside the
// lock; the handler's work must hold it all the same.
void PrintTo(const ExitWork &c, std::ostream *os) { *os << c.command; }

class ExitUnderLock : public testing::TestWithParam<ExitWork> {};

TEST_P(ExitUnderLock, ExitHandlerWorksUnderTheLock)
{
  const ExitWork &c = GetParam();
  const ScriptShell shell = script_shell_make();
  widget_build_no_autohide({{"-sh", shell.path}});
  ASSERT_TRUE(starts_reach(shell, 1));
  GtkWidget *terminal = mainwindow_terminal_at(0);
  pty_watch_construction();
  LockSeen seen;
  auto note = +[](LockSeen *s) { s->note(); };
  g_signal_connect_swapped(mainwindow.notebook, "page-removed", G_CALLBACK(note), &seen);
  g_signal_connect_swapped(mainwindow.notebook, "page-added", G_CALLBACK(note), &seen);
  // Every shell, fresh or restarted, gets a pty made for it: the library
  // holds back the terminal's own notifications until its child watch ends,
  // so the making of the pty is where the handler's work shows.
  pty_seen = &seen;
  type_into(terminal, c.command);
  ASSERT_TRUE(starts_reach(shell, 2)) << c.work;
  widget_pump();
  EXPECT_GT(seen.held, 0) << c.work;
  EXPECT_EQ(seen.free, 0) << c.work << ": done without the lock";
  pty_seen = nullptr;
  g_signal_handlers_disconnect_by_data(mainwindow.notebook, &seen);
}

// name       typed     what the handler does, seen through
INSTANTIATE_TEST_SUITE_P(Endings, ExitUnderLock,
    testing::Values(
        ExitWork{"exit0", "exit",   "closes the tab, opens a fresh one with a new pty"},
        ExitWork{"exit3", "exit 3", "restarts the shell on a new pty"}),
    [](const testing::TestParamInfo<ExitWork> &info) { return std::string(info.param.name); });

// ---- restarts of a failing shell -------------------------------------------

// Gap between start a and start b (1-based, as the shell counts them).
double gap(const std::vector<ShellStart> &s, size_t a, size_t b) { return s[b - 1].time - s[a - 1].time; }

// Below this a restart counts as at once; the shortest delay is a second.
constexpr double AT_ONCE = 0.9;

TEST(ShellRestart, QuickFailuresBackOffAndALongRunResetsTheCount)
{
  // Starts 1 to 6 fail at once, start 7 runs for 2.5 s before it fails,
  // start 8 fails at once again and start 9 stays.
  const ScriptShell shell = script_shell_make(
      "n=0; while read line; do n=$((n + 1)); done < @DIR@/starts\n"
      "case $n in 7) sleep 2.5; exit 1;; 9) exec sleep 1000;; esac\n"
      "exit 1");
  widget_build_no_autohide({{"-sh", shell.path}});
  ASSERT_TRUE(widget_pump_until([&] { return script_shell_starts(shell).size() >= 9; }, 60.0))
      << script_shell_starts(shell).size() << " starts";
  const auto s = script_shell_starts(shell);
  EXPECT_LT(gap(s, 1, 2), AT_ONCE) << "first quick failure";
  EXPECT_LT(gap(s, 2, 3), AT_ONCE) << "second quick failure";
  EXPECT_LT(gap(s, 3, 4), AT_ONCE) << "third quick failure";
  EXPECT_GE(gap(s, 4, 5), 1.0 - 0.05) << "fourth: one second";
  EXPECT_GE(gap(s, 5, 6), 2.0 - 0.05) << "fifth: two seconds";
  EXPECT_GE(gap(s, 6, 7), 4.0 - 0.05) << "sixth: four seconds";
  // Start 7 ran longer than a quick failure: its end restarts at once, and
  // so does the next quick failure.
  EXPECT_LT(gap(s, 7, 8), 2.5 + AT_ONCE);
  EXPECT_LT(gap(s, 8, 9), AT_ONCE);
}

TEST(ShellRestart, APendingRestartGoesWithItsTab)
{
  // The first shell stays; every later one fails at once.
  const ScriptShell shell = script_shell_make(
      "n=0; while read line; do n=$((n + 1)); done < @DIR@/starts\n"
      "[ \"$n\" = 1 ] && exec sleep 1000\n"
      "exit 1");
  widget_build_no_autohide({{"-sh", shell.path}});
  ASSERT_TRUE(starts_reach(shell, 1));
  mainwindow_add_tab();
  // The new tab's shell, then three restarts at once; the next one waits.
  ASSERT_TRUE(starts_reach(shell, 5));
  // Once the fifth shell has been reaped and its end handled, the restart
  // is only a timer.
  const std::string fifth = "/proc/" + std::to_string(script_shell_starts(shell)[4].pid);
  ASSERT_TRUE(widget_pump_until([&] { return access(fifth.c_str(), F_OK) != 0; }));
  widget_pump();
  ASSERT_EQ(script_shell_starts(shell).size(), 5u);
  Watch failing(mainwindow_terminal_at(1));
  mainwindow_close_tab(failing.widget);
  widget_pump();
  EXPECT_EQ(failing.widget, nullptr);
  EXPECT_EQ(mainwindow.tab_count, 1);
  // The restart would have come after a second; nothing may come at all.
  EXPECT_FALSE(widget_pump_until([&] { return script_shell_starts(shell).size() > 5; }, 3.0));
}

TEST(ShellEnd, ClosingATabEndsItsShellAndStartsNoOther)
{
  const ScriptShell shell = script_shell_make();
  widget_build_no_autohide({{"-sh", shell.path}});
  mainwindow_add_tab();
  mainwindow_add_tab();
  ASSERT_TRUE(starts_reach(shell, 3));
  const std::string second = "/proc/" + std::to_string(script_shell_starts(shell)[1].pid);
  // Not the current tab: the toolkit keeps such a widget alive after its
  // tab has gone, and its shell must end all the same.
  ASSERT_EQ(mainwindow.current_tab, 2);
  Watch closing(mainwindow_terminal_at(1));
  mainwindow_close_tab(closing.widget);
  // The hang-up ends the shell, and its end restarts nothing.
  ASSERT_TRUE(widget_pump_until([&] { return access(second.c_str(), F_OK) != 0; }));
  EXPECT_FALSE(widget_pump_until([&] { return script_shell_starts(shell).size() > 3; }, 2.0));
  EXPECT_EQ(mainwindow.tab_count, 2);
}

// ---- links --------------------------------------------------------------

// A URI handler for http and mailto, registered in private XDG
// directories, that appends its argument to `opened`.
struct UriHandler {
  std::string dir, opened;
  UriHandler()
  {
    dir = temp_dir("kvuri-");
    opened = dir + "/opened";
    const std::string script = dir + "/record-uri";
    home_write_file(script, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + opened + "'\n");
    chmod(script.c_str(), 0755);
    home_write_file(dir + "/data/applications/kvrecord.desktop",
                    "[Desktop Entry]\nType=Application\nName=Record\nExec=" + script +
                        " %u\nMimeType=x-scheme-handler/http;x-scheme-handler/mailto;\n");
    home_write_file(dir + "/config/mimeapps.list",
                    "[Default Applications]\nx-scheme-handler/http=kvrecord.desktop\n"
                    "x-scheme-handler/mailto=kvrecord.desktop\n");
    setenv("XDG_DATA_HOME", (dir + "/data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
  }
  ~UriHandler() { run_capture({"rm", "-rf", dir}); }
  UriHandler(const UriHandler &) = delete;
  UriHandler &operator=(const UriHandler &) = delete;
  static void home_write_file(const std::string &path, const std::string &content)
  {
    for (size_t pos = 1; (pos = path.find('/', pos)) != std::string::npos; pos++)
      mkdir(path.substr(0, pos).c_str(), 0755);
    FILE *f = fopen(path.c_str(), "w");
    fputs(content.c_str(), f);
    fclose(f);
  }
  std::vector<std::string> uris() const
  {
    std::vector<std::string> out;
    const std::string text = file_read(opened);
    for (size_t start = 0, nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
      out.push_back(text.substr(start, nl - start));
    return out;
  }
};

// Root coordinates of the middle of a character cell.
void cell_point(GtkWidget *terminal, int row, int column, int *x, int *y)
{
  VteTerminal *t = VTE_TERMINAL(terminal);
  gdk_window_get_origin(terminal->window, x, y);
  const long w = vte_terminal_get_char_width(t), h = vte_terminal_get_char_height(t);
  *x += static_cast<int>(column * w + w / 2);
  *y += static_cast<int>(row * h + h / 2);
}

TEST(Links, LeftPressOpensTheLinkUnderThePointerWhateverSlotsCompiled)
{
  UriHandler handler;
  const ScriptShell quiet = script_shell_make("exec sleep 1000");
  widget_build_no_autohide({{"-sh", quiet.path}, {"-fn", "Monospace 10"}});
  // As if the news pattern had failed to compile: terminals made from now
  // on carry three patterns, and their tags no longer equal the slots.
  g_regex_unref(term_state.url_regexes[0]);
  term_state.url_regexes[0] = nullptr;
  mainwindow_add_tab();
  ASSERT_TRUE(widget_show());
  GtkWidget *terminal = mainwindow_terminal_at(1);
  vte_terminal_feed(VTE_TERMINAL(terminal),
                    "\033[H\033[2Jplain words here\r\nwww.example.org/start\r\n"
                    "someone@example.net\r\nhttp://example.com/docs\r\n", -1);
  ASSERT_TRUE(widget_pump_until([&] { return screen_text(terminal).find("docs") != std::string::npos; }));
  Display *dpy = XOpenDisplay(nullptr);
  ASSERT_NE(dpy, nullptr);

  int x, y;
  cell_point(terminal, 0, 2, &x, &y);
  input_click(dpy, x, y, 1);  // plain text opens nothing
  const char *const expected[] = {
    "http://www.example.org/start", "mailto:someone@example.net", "http://example.com/docs",
  };
  for (int row = 1; row <= 3; row++) {
    cell_point(terminal, row, 2, &x, &y);
    input_click(dpy, x, y, 1);
    EXPECT_TRUE(widget_pump_until([&] { return handler.uris().size() >= static_cast<size_t>(row); }))
        << "nothing opened for row " << row;
  }
  EXPECT_EQ(handler.uris(), std::vector<std::string>(std::begin(expected), std::end(expected)));
  XCloseDisplay(dpy);
}

// ---- a shell that cannot start ---------------------------------------------

// Standard error of this process into a file while it lives.
struct StderrCapture {
  std::string path = temp_dir("kvstderr-") + "/stderr";
  int saved = dup(2);
  StderrCapture()
  {
    fflush(stderr);
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(fd, 2);
    close(fd);
  }
  ~StderrCapture()
  {
    fflush(stderr);
    dup2(saved, 2);
    close(saved);
    unlink(path.c_str());
    rmdir(path.substr(0, path.rfind('/')).c_str());
  }
  std::string text() const
  {
    fflush(stderr);
    return file_read(path);
  }
};

// Each passes the start-up check (the path exists) and cannot be run.
struct Unstartable {
  const char *name;
  std::string (*make)();
};

void PrintTo(const Unstartable &c, std::ostream *os) { *os << c.name; }

std::string make_directory() { return temp_dir("kvshell-dir-"); }
std::string make_not_executable()
{
  const std::string path = temp_dir("kvshell-file-") + "/shell";
  home_write(TestHome{path.substr(0, path.rfind('/')), "", ""}, "shell", "#!/bin/sh\nexec sleep 1000\n");
  chmod(path.c_str(), 0644);
  return path;
}
std::string make_dev_null() { return "/dev/null"; }

// The one line that says which shell failed and why.
std::string failure_line(const std::string &text, const std::string &shell)
{
  const std::string head = "error: the shell '" + shell + "' can't be started: ";
  const size_t at = text.find(head);
  if (at == std::string::npos)
    return "";
  return text.substr(at, text.find('\n', at) - at);
}

class NoStart : public testing::TestWithParam<Unstartable> {};

// One line on stderr names the shell and the reason, the same words show in
// the tab, the tab stays, and closing it works as ever. It used to leave a
// blank tab without a word.
TEST_P(NoStart, SaysWhyOnStderrAndInTheTab)
{
  const std::string shell = GetParam().make();
  StderrCapture err;
  widget_build_no_autohide({{"-sh", shell}});
  ASSERT_EQ(mainwindow.tab_count, 1);
  const std::string line = failure_line(err.text(), shell);
  ASSERT_FALSE(line.empty()) << "stderr: " << err.text();
  EXPECT_EQ(err.text(), line + "\n") << "one line, nothing else";
  EXPECT_GT(line.size(), ("error: the shell '" + shell + "' can't be started: ").size())
      << "a reason follows";
  GtkWidget *terminal = mainwindow_terminal_at(0);
  // The terminal wraps long lines: compare without the line breaks.
  auto unwrapped = [&] {
    std::string t = screen_text(terminal);
    std::erase(t, '\n');
    return t;
  };
  EXPECT_TRUE(widget_pump_until([&] { return unwrapped().find(line) != std::string::npos; }))
      << "screen: " << screen_text(terminal);
  // It stays.
  widget_pump();
  EXPECT_EQ(mainwindow.tab_count, 1);
  Watch first(terminal);

  // A new tab says it again; closing tabs works as ever.
  mainwindow_add_tab();
  EXPECT_EQ(mainwindow.tab_count, 2);
  EXPECT_NE(err.text().find(line + "\n" + line + "\n"), std::string::npos);
  mainwindow_close_tab(mainwindow_terminal_at(0));
  EXPECT_TRUE(widget_pump_until([&] { return first.widget == nullptr; }));
  EXPECT_EQ(mainwindow.tab_count, 1);
  mainwindow_close_tab(nullptr);
  EXPECT_EQ(mainwindow.tab_count, 1) << "the last tab is replaced";
  // The folder the shell was made in, if it was.
  const size_t made = shell.find("/kvshell-");
  if (made != std::string::npos)
    run_capture({"rm", "-rf", shell.substr(0, shell.find('/', made + 1))});
}

INSTANTIATE_TEST_SUITE_P(Shells, NoStart,
                         testing::Values(Unstartable{"directory", make_directory},
                                         Unstartable{"not_executable", make_not_executable},
                                         Unstartable{"dev_null", make_dev_null}),
                         [](const testing::TestParamInfo<Unstartable> &i) {
                           return std::string(i.param.name);
                         });

// Out of descriptors, a new tab gets no pty: it says so too.
TEST(NoStart, DescriptorLimitIsReported)
{
  const ScriptShell shell = script_shell_make();
  widget_build_no_autohide({{"-sh", shell.path}});
  ASSERT_TRUE(starts_reach(shell, 1));
  StderrCapture err;
  struct rlimit old;
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
  // The lowest free descriptor is the next one open would take: none left.
  const int next = dup(0);
  close(next);
  struct rlimit low = old;
  low.rlim_cur = static_cast<rlim_t>(next);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
  mainwindow_add_tab();
  setrlimit(RLIMIT_NOFILE, &old);
  EXPECT_EQ(mainwindow.tab_count, 2);
  const std::string line = failure_line(err.text(), shell.path);
  EXPECT_FALSE(line.empty()) << "stderr: " << err.text();
  EXPECT_TRUE(widget_pump_until([&] {
    std::string t = screen_text(mainwindow_terminal_at(1));
    std::erase(t, '\n');
    return !line.empty() && t.find(line) != std::string::npos;
  }));
  // With descriptors back, the next tab runs its shell.
  mainwindow_add_tab();
  EXPECT_TRUE(starts_reach(shell, 2));
}

// ---- requests and titles of the programs -----------------------------------

GdkWindowState window_state() { return gdk_window_get_state(mainwindow.window->window); }

TEST(Requests, MaximizeAndRestoreActOnTheMainWindow)
{
  const ScriptShell quiet = script_shell_make("exec sleep 1000");
  widget_build_no_autohide({{"-sh", quiet.path}});
  ASSERT_TRUE(widget_show());
  VteTerminal *terminal = VTE_TERMINAL(mainwindow_terminal_at(0));
  vte_terminal_feed(terminal, "\033[9;1t", -1);
  EXPECT_TRUE(widget_pump_until([] { return window_state() & GDK_WINDOW_STATE_MAXIMIZED; }));
  vte_terminal_feed(terminal, "\033[9;0t", -1);
  EXPECT_TRUE(widget_pump_until([] { return !(window_state() & GDK_WINDOW_STATE_MAXIMIZED); }));
}

TEST(Requests, TitleReplacesTheTabLabelForGood)
{
  const ScriptShell shell = script_shell_make();
  widget_build_no_autohide({{"-sh", shell.path}});
  mainwindow_add_tab();
  ASSERT_TRUE(starts_reach(shell, 2));
  GtkWidget *first = mainwindow_terminal_at(0);
  auto label_text = [](int i) {
    GtkWidget *label = gtk_notebook_get_tab_label(notebook(), gtk_notebook_get_nth_page(notebook(), i));
    return std::string(gtk_label_get_text(GTK_LABEL(label)));
  };
  type_into(first, "printf '\\033]0;build log\\007'");
  EXPECT_TRUE(widget_pump_until([&] { return label_text(0) == "build log"; })) << label_text(0);
  EXPECT_EQ(label_text(1), "term 1");
  // The label keeps the title after the program that set it is gone.
  type_into(first, "exit 3");
  ASSERT_TRUE(starts_reach(shell, 3));
  type_into(first, "echo after > " + shell.dir + "/done");
  ASSERT_TRUE(widget_pump_until([&] { return !file_read(shell.dir + "/done").empty(); }));
  EXPECT_EQ(label_text(0), "build log");
}

// A title of a megabyte reaches the label cut to a few hundred characters,
// at a character boundary, with an ellipsis; it used to be kept whole.
TEST(Requests, HugeTitleIsCutInTheLabel)
{
  const ScriptShell quiet = script_shell_make("exec sleep 1000");
  widget_build_no_autohide({{"-sh", quiet.path}});
  VteTerminal *terminal = VTE_TERMINAL(mainwindow_terminal_at(0));
  GtkWidget *label = gtk_notebook_get_tab_label(notebook(), gtk_notebook_get_nth_page(notebook(), 0));
  // "a" then two-byte characters: the cut falls inside none of them.
  std::string title = "a";
  while (title.size() < (1 << 20))
    title += "\xc3\xa9";  // e acute
  const std::string sequence = "\033]0;" + title + "\007";
  vte_terminal_feed(terminal, sequence.data(), static_cast<glong>(sequence.size()));
  auto text = [&] { return std::string(gtk_label_get_text(GTK_LABEL(label))); };
  ASSERT_TRUE(widget_pump_until([&] { return text() != "term 0"; })) << "no title";
  const std::string shown = text();
  ASSERT_LT(shown.size(), 1024u);  // before the texts are compared: 1 MB would be printed
  EXPECT_TRUE(g_utf8_validate(shown.c_str(), -1, nullptr));
  EXPECT_EQ(g_utf8_strlen(shown.c_str(), -1), static_cast<glong>(TAB_TITLE_MAX + 1));
  const std::string ellipsis = "\xe2\x80\xa6";
  ASSERT_GE(shown.size(), ellipsis.size());
  EXPECT_EQ(shown.substr(shown.size() - ellipsis.size()), ellipsis);
  EXPECT_EQ(shown.substr(0, shown.size() - ellipsis.size()),
            title.substr(0, 1 + 2 * (TAB_TITLE_MAX - 1)));
}

TEST(Requests, TabTitleCut)
{
  const std::string ellipsis = "\xe2\x80\xa6";
  const std::string a_max(TAB_TITLE_MAX, 'a');
  std::string euro_max;  // three bytes each
  for (size_t i = 0; i < TAB_TITLE_MAX; i++)
    euro_max += "\xe2\x82\xac";
  struct Case { const char *what; std::string title, label; };
  const Case cases[] = {
    {"empty", "", ""},
    {"short", "build log", "build log"},
    {"exactly the maximum", a_max, a_max},
    {"one more", a_max + "b", a_max + ellipsis},
    {"multibyte at the maximum", euro_max, euro_max},
    {"multibyte past it", euro_max + "\xe2\x82\xac", euro_max + ellipsis},
    // A broken sequence at the end is never read past.
    {"truncated sequence", std::string(10, 'x') + "\xf0", std::string(10, 'x') + "\xf0"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(term_tab_title(c.title.c_str()), c.label);
  }
  EXPECT_EQ(term_tab_title(nullptr), "");
}

} // namespace
