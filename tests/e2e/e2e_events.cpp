// SPDX-License-Identifier: GPL-2.0-or-later
// Working in the terminal as a user does: keys, clicks, shells that end,
// links and requests of programs, with kavlor under Xvfb and openbox.
#include "kavlor_run.h"
#include "procfs.h"
#include "xwindows.h"
#include "input.h"
#include "shells.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <X11/Xutil.h>

namespace {

class Events : public testing::Test {
protected:
  KavlorRun run;
  ScriptShell shell;

  // kavlor with counted shells, a known font and no autohide.
  void start(const std::vector<std::string> &extra = {})
  {
    shell = script_shell_make();
    std::vector<std::string> args = {"-sh", shell.path, "-fn", "Monospace 10", "-ah", "false"};
    args.insert(args.end(), extra.begin(), extra.end());
    ASSERT_TRUE(kavlor_run_shown(&run, args));
    ASSERT_TRUE(wait_until([&] { return live_shells().size() == 1; }, 20.0)) << "no shell";
  }
  void TearDown() override { kavlor_run_stop(&run); }

  Display *dpy() { return run.x.dpy; }

  // Shells of kavlor that are still running, in the order they started.
  std::vector<pid_t> live_shells()
  {
    const auto children = procfs_children(run.proc.pid);
    std::vector<pid_t> out;
    for (const ShellStart &s : script_shell_starts(shell))
      if (std::find(children.begin(), children.end(), s.pid) != children.end())
        out.push_back(s.pid);
    return out;
  }
  bool shells_become(size_t n)
  {
    return wait_until([&] { return live_shells().size() == n; }, 20.0);
  }

  std::string path(const std::string &name) { return shell.dir + "/" + name; }
  bool exists(const std::string &name) { return access(path(name).c_str(), F_OK) == 0; }
  bool appears(const std::string &name) { return wait_until([&] { return exists(name); }, 20.0); }

  // Types a command that touches `marker` when it has run, and waits for it.
  bool run_command(const std::string &command, const std::string &marker)
  {
    input_type(dpy(), command + "; touch " + path(marker));
    return appears(marker);
  }

  // Size of a character cell in pixels, from the shell's idea of the
  // terminal's rows and columns and the window's size.
  bool cell_size(int *width, int *height)
  {
    if (cell_width > 0) {
      *width = cell_width;
      *height = cell_height;
      return true;
    }
    if (!run_command("stty size > " + path("size"), "size-done"))
      return false;
    std::istringstream in(file_read(path("size")));
    int rows = 0, cols = 0, x, y, w, h;
    in >> rows >> cols;
    if (rows <= 0 || cols <= 0 || !x_geometry(dpy(), run.win, &x, &y, &w, &h))
      return false;
    // The terminal fills the window inside a one-pixel inner border.
    *width = cell_width = (w - 2) / cols;
    *height = cell_height = (h - 2) / rows;
    return true;
  }
  int cell_width = 0, cell_height = 0;
  // Root coordinates of the middle of a cell.
  void cell_point(int row, int column, int *px, int *py)
  {
    int cw, ch, x, y, w, h;
    ASSERT_TRUE(cell_size(&cw, &ch));
    ASSERT_TRUE(x_geometry(dpy(), run.win, &x, &y, &w, &h));
    *px = x + 1 + column * cw + cw / 2;
    *py = y + 1 + row * ch + ch / 2;
  }

  bool has_state(const char *atom)
  {
    const auto states = x_net_wm_state(dpy(), run.win);
    return std::find(states.begin(), states.end(), atom) != states.end();
  }

  // Whether any pixel of the cells of `row` from `first` to `last` column
  // differs from the black background: text the terminal has drawn.
  bool inked(int row, int first, int last)
  {
    int cw, ch, x, y, w, h;
    if (!cell_size(&cw, &ch) || !x_geometry(dpy(), run.win, &x, &y, &w, &h))
      return false;
    XImage *image = XGetImage(dpy(), run.win, 1 + first * cw, 1 + row * ch,
                              (last - first + 1) * cw, ch, AllPlanes, ZPixmap);
    if (!image)
      return false;
    bool ink = false;
    for (int py = 0; py < image->height && !ink; py++)
      for (int px = 0; px < image->width && !ink; px++)
        ink = (XGetPixel(image, px, py) & 0xffffff) != 0;
    XDestroyImage(image);
    return ink;
  }

  // Clears the screen and prints `lines` from its top-left corner, then
  // waits until the terminal has drawn them: a mark printed last, on a row
  // that nothing used before, has to show.
  bool show_at_top(const std::vector<std::string> &lines)
  {
    std::string command = "printf '\\033[H\\033[2J";
    for (const auto &l : lines)
      command += l + "\\n";
    command += "\\033[" + std::to_string(MARK_ROW + 1) + ";1Hdrawn'";
    if (!run_command(command, "printed"))
      return false;
    return wait_until([&] { return inked(MARK_ROW, 0, 4); }, 20.0);
  }
  static constexpr int MARK_ROW = 12;

  std::string selection(const char *which)
  {
    return run_capture({"xclip", "-o", "-selection", which}, session_env(run.x, run.home));
  }
  std::string clipboard() { return selection("clipboard"); }
};

TEST_F(Events, NewTabAndCloseTabKeysStartAndEndAShell)
{
  start();
  const pid_t first = live_shells()[0];
  input_key(dpy(), "ctrl+shift+t");
  ASSERT_TRUE(shells_become(2)) << "Control+Shift+T started no shell";
  input_key(dpy(), "ctrl+shift+w");
  ASSERT_TRUE(shells_become(1)) << "Control+Shift+W left the shell running";
  EXPECT_EQ(live_shells()[0], first);
  EXPECT_TRUE(proc_alive(&run.proc));
}

TEST_F(Events, ExitInTheOnlyTabGivesAFreshShell)
{
  start();
  const pid_t old = live_shells()[0];
  input_type(dpy(), "exit");
  ASSERT_TRUE(wait_until([&] {
    const auto s = live_shells();
    return s.size() == 1 && s[0] != old;
  }, 20.0));
  EXPECT_TRUE(proc_alive(&run.proc));
}

TEST_F(Events, NonzeroExitRestartsTheShellInItsTab)
{
  start();
  const pid_t first = live_shells()[0];
  input_key(dpy(), "ctrl+shift+t");
  ASSERT_TRUE(shells_become(2));
  const pid_t second = live_shells()[1];
  input_type(dpy(), "exit 3");
  // A restart, not a close: still two shells, the second one new.
  ASSERT_TRUE(wait_until([&] {
    const auto s = live_shells();
    return s.size() == 2 && s[0] == first && s[1] != second;
  }, 20.0));
  // The restarted shell has the keyboard, and exit 0 ends its tab.
  ASSERT_TRUE(run_command("echo restarted", "typed"));
  input_type(dpy(), "exit");
  ASSERT_TRUE(shells_become(1));
  EXPECT_EQ(live_shells()[0], first);
}

TEST_F(Events, AShellThatCannotRunKeepsTheCpuQuiet)
{
  ASSERT_TRUE(kavlor_run_shown(&run, {"-sh", "/bin/false", "-ah", "false"}));
  const long ticks_per_s = sysconf(_SC_CLK_TCK);
  const long before = procfs_cpu_ticks(run.proc.pid);
  // A measuring interval, not a wait for anything.
  std::this_thread::sleep_for(std::chrono::seconds(5));
  const long after = procfs_cpu_ticks(run.proc.pid);
  ASSERT_GE(before, 0);
  ASSERT_GE(after, 0) << "kavlor ended";
  const double share = static_cast<double>(after - before) / (5.0 * ticks_per_s);
  EXPECT_LT(share, 0.20) << "kavlor used " << share * 100 << "% of a core";
  EXPECT_TRUE(proc_alive(&run.proc));
}

TEST_F(Events, QuitKeyEndsWithStatusZero)
{
  start();
  input_key(dpy(), "ctrl+shift+q");
  ASSERT_TRUE(proc_wait(&run.proc, 20.0));
  EXPECT_EQ(proc_exit_code(run.proc), 0);
}

TEST_F(Events, F11SetsAndClearsFullscreen)
{
  start();
  input_key(dpy(), "F11");
  EXPECT_TRUE(wait_until([&] { return has_state("_NET_WM_STATE_FULLSCREEN"); }, 20.0));
  input_key(dpy(), "F11");
  EXPECT_TRUE(wait_until([&] { return !has_state("_NET_WM_STATE_FULLSCREEN"); }, 20.0));
}

TEST_F(Events, PasteKeyTypesTheClipboardIntoTheShell)
{
  start();
  ASSERT_TRUE(run_command("true", "ready"));
  // A whole line with its newline: the paste arrives after the key, so a
  // Return typed after it could come first.
  const std::string line = "touch " + path("pasted") + "\n";
  home_write(run.home, "clip", line);
  run_capture({"xclip", "-selection", "clipboard", "-i", run.home.dir + "/clip"},
              session_env(run.x, run.home));
  ASSERT_TRUE(wait_until([&] { return clipboard() == line; }, 20.0));
  input_key(dpy(), "ctrl+shift+v");
  EXPECT_TRUE(appears("pasted"));
}

TEST_F(Events, CopyKeyPutsTheSelectionOnTheClipboard)
{
  start();
  int x = 0, y = 0;
  cell_point(0, 3, &x, &y);
  ASSERT_TRUE(show_at_top({"copy-me-42 and not this"}));
  // A double click selects the word under the pointer.
  input_click(dpy(), x, y, 1, 2);
  // The terminal owns the primary selection once the word is selected.
  ASSERT_TRUE(wait_until([&] { return selection("primary") == "copy-me-42"; }, 20.0))
      << "selected: " << selection("primary");
  input_key(dpy(), "ctrl+shift+c");
  EXPECT_TRUE(wait_until([&] { return clipboard() == "copy-me-42"; }, 20.0)) << clipboard();
}

TEST_F(Events, RightClickOpensTheMenuWhoseNewTabStartsAShell)
{
  start();
  int x, y, w, h;
  ASSERT_TRUE(x_geometry(dpy(), run.win, &x, &y, &w, &h));
  const auto before = x_popup_windows(dpy());
  input_click(dpy(), x + w / 2, y + h / 2, 3);
  ASSERT_TRUE(wait_until([&] {
    for (Window p : x_popup_windows(dpy()))
      if (std::find(before.begin(), before.end(), p) == before.end())
        return true;
    return false;
  }, 20.0)) << "no menu came up";
  // The first entry is "New Tab".
  input_key(dpy(), "Down");
  input_key(dpy(), "Return");
  EXPECT_TRUE(shells_become(2));
}

TEST_F(Events, LeftClicksOnLinksReachTheDesktopHandler)
{
  // A handler for http and mailto in the test's home that records its URI.
  home_make(&run.home, "/bin/sh");
  const std::string opened = run.home.dir + "/opened";
  const std::string handler = run.home.dir + "/record-uri";
  home_write(run.home, "record-uri", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + opened + "'\n");
  chmod(handler.c_str(), 0755);
  home_write(run.home, ".local/share/applications/kvrecord.desktop",
             "[Desktop Entry]\nType=Application\nName=Record\nExec=" + handler +
                 " %u\nMimeType=x-scheme-handler/http;x-scheme-handler/mailto;\n");
  home_write(run.home, ".config/mimeapps.list",
             "[Default Applications]\nx-scheme-handler/http=kvrecord.desktop\n"
             "x-scheme-handler/mailto=kvrecord.desktop\n");
  start();
  int cw, ch;
  ASSERT_TRUE(cell_size(&cw, &ch));
  ASSERT_TRUE(show_at_top({"http://example.com/docs/intro", "www.example.org/start",
                           "someone@example.net"}));
  int x, y, w, h;
  ASSERT_TRUE(x_geometry(dpy(), run.win, &x, &y, &w, &h));
  const std::vector<std::string> expected = {
    "http://example.com/docs/intro", "http://www.example.org/start", "mailto:someone@example.net",
  };
  for (int row = 0; row < 3; row++) {
    input_click(dpy(), x + 1 + 4 * cw + cw / 2, y + 1 + row * ch + ch / 2, 1);
    EXPECT_TRUE(wait_until([&] {
      const std::string text = file_read(opened);
      return std::count(text.begin(), text.end(), '\n') > row;
    }, 20.0)) << "row " << row << " opened nothing";
  }
  std::vector<std::string> got;
  std::istringstream in(file_read(opened));
  for (std::string line; std::getline(in, line);)
    got.push_back(line);
  EXPECT_EQ(got, expected);
}

TEST_F(Events, MaximizeRequestOfAProgramMaximizesTheWindow)
{
  start();
  ASSERT_FALSE(has_state("_NET_WM_STATE_MAXIMIZED_VERT"));
  ASSERT_TRUE(run_command("printf '\\033[9;1t'", "asked"));
  EXPECT_TRUE(wait_until([&] {
    return has_state("_NET_WM_STATE_MAXIMIZED_VERT") && has_state("_NET_WM_STATE_MAXIMIZED_HORZ");
  }, 20.0));
}

} // namespace
