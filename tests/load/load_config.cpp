// SPDX-License-Identifier: GPL-2.0-or-later
// Configuration loading through the real program: defaults, ~/.Xdefaults of
// the password entry's home, the command line, the action words and the
// start-up checks, each run with its own X server and home.
#include "kavlor_run.h"
#include "procfs.h"

#include <cstdlib>
#include <functional>
#include <regex>
#include <string>
#include <vector>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Args = std::vector<std::string>;

const std::string HINT =
    "hint: you started kavlor without specifying a shortcut key\n"
    "      to show/hide kavlor run kavlor with the toggle option\n"
    "      like this: kavlor --toggle";

const std::string WAYLAND_HINT =
    "hint: on Wayland the key works only while an X11 window has the focus; "
    "put kavlor --toggle on a desktop shortcut\n";

struct Row { const char *name, *short_name, *type, *description; };
const Row ROWS[] = {
  {"key", "-k", "KEY", "Shortcut key (eg: f12)."},
  {"mod", "-m", "MODIFIER", "meta modifier key: shift, control, alt, windows, none."},
  {"keymod", "-km", "MODIFIER", "Modifier for keyboard shortcuts. Can be a combination (with +) of modifiers (eg: shift+control)."},
  {"autohide", "-ah", "BOOLEAN", "Whether or not to hide kavlor when it looses focus. Default: true."},
  {"font", "-fn", "FONT", "Terminal font and size (eg: Sans 10). Default: Bistream Vera Sans 10."},
  {"background", "-bg", "COLOR", "Background color. Default: Black."},
  {"foreground", "-fg", "COLOR", "Foreground color. Default: White."},
  {"allowbold", "-ab", "BOOLEAN", "Allow bold fonts or not. Default: true."},
  {"border", "-b", "TYPE", "Border type: thin, thick, none. Default: none."},
  {"opacity", "-o", "NUMBER", "Opacity (range: 10 - 100). Default: 100."},
  {"bgimage", "-bgimg", "FILE", "Background image to use on terminal."},
  {"width", "-w", "NUMBER", "Window width, either as an integer or a percentage (eg, 50%). Default: 800."},
  {"height", "-h", "NUMBER", "Window height, either as an integer or a percentage (eg, 50%).. Default: 400."},
  {"position", "-p", "POSITION", "Window position: top, bottom, left, right. Default: top."},
  {"scrollbar", "-s", "POSITION", "Scrollbar position: left, right, none. Default: none."},
  {"shell", "-sh", "STRING", "Terminal Shell. Default: the user's default shell."},
  {"emulation", "-e", "STRING", "Terminal Emulation. Default: xterm"},
  {"lines", "-l", "NUMBER", "Scrollback lines. 0 to disable scrollback. Default: 1000."},
  {"showtab", "-st", "VALUE", "Tabbar visibility (one: only visible when > 1 tabs): never, one, always."},
  {"tabpos", "-tp", "POSITION", "Tabbar position: top, bottom, left, right. Default: bottom."},
  {"tablabel", "-tl", "STRING", "Label of the tabs. Default: term."},
  {"tabfill", "-tf", "BOOLEAN", "Whether tabs fill whole tabbar space. Default: true."},
  {"scroll", "-sc", "BOOLEAN", "Whether to scroll the terminal on output. Default: true."},
  {"fixedx", "-fx", "NUMBER", "Overrides any calculated horizontal position."},
  {"fixedy", "-fy", "NUMBER", "Overrides any calculated vertical position."},
  {"allowreorder", "-ar", "BOOLEAN", "Allow reordering of terminal tabs."},
  {"tabdir", "-td", "VALUE", "Directory of new tabs: start, current (that of the current tab). Default: start."},
  {"colorX", "-cX", "COLOR", "Specify color X of the terminals color palette"},
  {"cursorBlink", "-ub", "BOOLEAN", "Should the cursor blink? Default: true"},
  {"cursorColor", "-uc", "COLOR", "The color of the cursor. Default: white"},
  {"cursorShape", "-us", "STRING", "Cursor shape, one of [block,ibeam,underline]. Default: block"},
  {"monitor", "-mon", "MONITOR", "Monitor to show on: pointer, focus (the active window's), primary or a number from 0. Default: pointer."},
};

std::string help_text(const std::string &self)
{
  std::string t = "kavlor version " KAVLOR_VERSION "\nUsage: " + self + " [action] [options]\n\n"
      "Actions are:\n"
      "  --help\tDisplay this menu\n"
      "  --info\tDisplay .Xdefault options\n"
      "  --version\tDisplay the current application version\n"
      "  --toggle\tShow/Hide the current kavlor instance\n"
      "(When using an action command, the options are ignored)\n\n"
      "Options are:\n";
  for (const Row &r : ROWS)
    t += std::string("  ") + r.short_name + " " + r.type + "\t" + r.description + "\n";
  t += "\t\tYou may specify no palette, or a complete one with 16 total colors\n"
       "\t\tFor this you have to use -c0, -c1, ..., -c15.\n\n";
  t += "Note:     any colors in hex codes are entered without the leading '#'.\n\n"
       "Examples: " + self + " -fn \"Bitstream Vera Sans Mono 12\" -bg white -k F12 -sh /bin/bash\n"
       "          " + self + " -bg black -fg green -w 800 -h 405 -s right -m alt -k f -l 10000\n"
       "          " + self + " -b thick -w 500 -p left -t best -o 90 -m shift -k tab -sh /bin/zsh\n\n"
       "Use --info to get a list of available .Xdefaults options for kavlor.\n";
  return t;
}

std::string info_text(const std::string &self)
{
  std::string t = "kavlor version " KAVLOR_VERSION "\nUsage: " + self + " [action] [options]\n\n"
      "Actions are:\n"
      "  --help\tDisplay command line options menu\n"
      "  --info\tDisplay .Xdefault options\n"
      "  --version\tDisplay current application version\n"
      "  --toggle\tShow/Hide the current kavlor instance\n"
      "(When using an action command, the .Xdefaults options are ignored)\n\n"
      "The .Xdefault options are read from ~/.Xdefaults.\n"
      "To specify an option in .Xdefaults use this syntax:\n"
      "kavlor.OPTION: VALUE\n"
      "Example: kavlor.key: f12\n\n"
      "Available .Xdefaults options:\n";
  for (const Row &r : ROWS)
    t += std::string("  ") + r.name + ":  \t" + r.type + "      \t" + r.description + "\n";
  t += "\t\t\t\tYou may specify no palette, or a complete one with 16 total colors.\n"
       "\t\t\t\tFor this you have to use color0, color1, ..., color15.\n";
  return t;
}

const std::string VERSION_TEXT = "kavlor " KAVLOR_VERSION "\n";

std::string palette_error(int n)
{
  return "error: read only " + std::to_string(n) +
         " colors, not 16\nspecify a complete color palette\n";
}

const std::string LINES_ERROR = "error: a scrollback line count < 0 is not allowed\n";

std::string shell_error(const std::string &path)
{
  return "error: the shell '" + path + "' can't be opened\n";
}

// Resource lines "kavlor.colorI: COLOUR" for I in [from, to).
std::string palette_resources(int from, int to)
{
  std::string t;
  for (int i = from; i < to; i++)
    t += "kavlor.color" + std::to_string(i) + ": #" + (i % 2 ? "ff0000" : "00ff00") + "\n";
  return t;
}

Args repeat(const Args &pair, int times)
{
  Args out;
  for (int i = 0; i < times; i++)
    out.insert(out.end(), pair.begin(), pair.end());
  return out;
}

std::string join(const Args &args)
{
  std::string out;
  for (const std::string &a : args)
    out += "[" + a + "] ";
  return out;
}

class LoadConfig : public ::testing::Test {
protected:
  void SetUp() override { start_session(); }

  void TearDown() override
  {
    for (Proc &p : procs)
      proc_kill(&p);
    kavlor_run_stop(&run);
  }

  void start_session(const std::string &login_shell = "/bin/sh")
  {
    XSessionOptions opts;
    opts.window_manager = false;
    ASSERT_TRUE(kavlor_run_setup(&run, opts, login_shell));
  }

  Proc &start(const Args &args, const std::vector<std::string> &env = {},
              const std::string &argv0 = kavlor_path())
  {
    procs.push_back(kavlor_start(run.x, run.home, args, env, argv0));
    return procs.back();
  }

  // Runs to its end; the exit status, stdout and stderr are then checked.
  void expect_exit(Proc &p, const std::string &out, const std::string &err)
  {
    ASSERT_TRUE(proc_wait(&p, 20.0)) << "still running";
    EXPECT_EQ(proc_exit_code(p), 1);
    EXPECT_EQ(proc_out(p), out);
    EXPECT_EQ(proc_err(p), err);
  }

  // Start-up went through: the window exists and the process still runs.
  Window expect_running(Proc &p, const std::string &out)
  {
    const Window w = kavlor_wait_window(run.x.dpy, &p);
    EXPECT_NE(w, 0u) << "ended with " << proc_exit_code(p) << ", stderr: " << proc_err(p);
    EXPECT_EQ(proc_out(p), out);
    return w;
  }

  KavlorRun run;
  std::vector<Proc> procs;
};

} // namespace

TEST_F(LoadConfig, ActionWordsPrintTheirTextAndEndWithStatus1)
{
  struct Case { Args args; std::string out; };
  const std::string self = kavlor_path();
  const Case cases[] = {
    {{"--help"}, help_text(self)},
    {{"--info"}, info_text(self)},
    {{"--version"}, VERSION_TEXT},
    // The first action word wins; later ones never run.
    {{"--version", "--help"}, VERSION_TEXT},
    {{"--info", "--version", "--help"}, info_text(self)},
    {{"--help", "--info"}, help_text(self)},
    // Wherever it stands, also as the value of an option.
    {{"-k", "f12", "--help"}, help_text(self)},
    {{"-tl", "--help"}, help_text(self)},
    {{"-tl", "x", "-k", "--version"}, VERSION_TEXT},
    // Pairs before it are applied but the checks never run.
    {{"-l", "-5", "-sh", "/nonexistent/shell", "-c3", "red", "--version"}, VERSION_TEXT},
    {{"--version", "-l", "-5"}, VERSION_TEXT},
    // Whole words only, case-sensitive.
    {{"--Version", "--versions", "-version", "--info"}, info_text(self)},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(join(c.args));
    expect_exit(start(c.args), c.out, "");
  }
}

TEST_F(LoadConfig, HelpTextsNameTheProgramAsStarted)
{
  // A bare name found through PATH is printed as the bare name.
  const std::string path = kavlor_path();
  const std::string dir = path.substr(0, path.rfind('/'));
  setenv("PATH", (dir + ":" + getenv("PATH")).c_str(), 1);
  expect_exit(start({"--help"}, {}, "kavlor"), help_text("kavlor"), "");
  expect_exit(start({"--info"}, {}, "kavlor"), info_text("kavlor"), "");
  // A path with a detour stays as written.
  const std::string detour = dir + "/../" + dir.substr(dir.rfind('/') + 1) + "/kavlor";
  expect_exit(start({"--help"}, {}, detour), help_text(detour), "");
}

TEST_F(LoadConfig, StartsWithDefaultsAndPrintsTheHint)
{
  Proc &p = start({});
  expect_running(p, HINT);
  EXPECT_EQ(proc_err(p), "");
}

// Each case: the resource file, the arguments, and either the stderr of a
// refused start (status 1) or "" for a start that goes through.
struct StartCase {
  const char *what;
  std::string xdefaults;
  Args args;
  std::string err;  // empty: starts
  bool hint;        // no key after all layers
};

void PrintTo(const StartCase &c, std::ostream *os) { *os << c.what; }

class LoadConfigStart : public LoadConfig, public ::testing::WithParamInterface<StartCase> {};

TEST_P(LoadConfigStart, Outcome)
{
  const StartCase &c = GetParam();
  if (!c.xdefaults.empty())
    home_write(run.home, ".Xdefaults", c.xdefaults);
  Proc &p = start(c.args);
  const std::string out = c.hint ? HINT : "";
  if (c.err.empty())
    expect_running(p, out);
  else
    expect_exit(p, out, c.err);
}

INSTANTIATE_TEST_SUITE_P(Checks, LoadConfigStart, ::testing::Values(
  StartCase{"shell_missing", "", {"-sh", "/nonexistent/shell"}, shell_error("/nonexistent/shell"), true},
  StartCase{"shell_directory_passes", "", {"-sh", "/tmp"}, "", true},
  StartCase{"lines_negative", "", {"-l", "-5"}, LINES_ERROR, true},
  StartCase{"lines_zero", "", {"-l", "0"}, "", true},
  StartCase{"lines_huge_negative", "", {"-l", "-99999999999"}, LINES_ERROR, true},
  // Only the first failing check speaks, in the order shell, lines, palette.
  StartCase{"shell_before_lines", "", {"-c1", "red", "-l", "-1", "-sh", "/nonexistent/x"},
            shell_error("/nonexistent/x"), true},
  StartCase{"lines_before_palette", "", {"-c1", "red", "-l", "-1"}, LINES_ERROR, true},
  StartCase{"palette_one", "", {"-c3", "red"}, palette_error(1), true},
  StartCase{"palette_fifteen_from_resources", palette_resources(0, 15), {}, palette_error(15), true},
  StartCase{"palette_colorX_resource_counts_once", "kavlor.colorX: red\n", {}, palette_error(1), true},
  StartCase{"palette_sixteen_from_resources", palette_resources(0, 16), {}, "", true},
  StartCase{"palette_sixteen_plus_one", palette_resources(0, 16), {"-c3", "blue"}, "", true},
  StartCase{"palette_sixteen_naming_entry_3", "", repeat({"-c3", "red"}, 16), "", true},
  StartCase{"palette_failed_colours_count", "", repeat({"-c3", "nocolour"}, 16), "", true},
  StartCase{"palette_index_16_alone_not_counted", "", {"-c16", "red"}, "", true},
  StartCase{"palette_index_16_leaves_fifteen", palette_resources(0, 15), {"-c16", "red"},
            palette_error(15), true},
  StartCase{"palette_mixed_sources", palette_resources(0, 10), {"-c10", "red", "-c11", "red"},
            palette_error(12), true}
), [](const auto &info) { return std::string(info.param.what); });

INSTANTIATE_TEST_SUITE_P(Layers, LoadConfigStart, ::testing::Values(
  StartCase{"resource_key", "kavlor.key: f12\n", {}, "", false},
  StartCase{"resource_shell", "kavlor.shell: /nonexistent/res\n", {}, shell_error("/nonexistent/res"), true},
  StartCase{"resource_value_trimmed", "kavlor.shell:    /nonexistent/res   \n", {},
            shell_error("/nonexistent/res"), true},
  StartCase{"resource_lines", "kavlor.lines: -5\n", {}, LINES_ERROR, true},
  StartCase{"other_program_ignored", "other.shell: /nonexistent/res\nxterm.key: f12\n", {}, "", true},
  StartCase{"command_line_wins_shell", "kavlor.shell: /nonexistent/res\n", {"-sh", "/bin/sh"}, "", true},
  StartCase{"command_line_wins_lines", "kavlor.lines: -5\n", {"-l", "100"}, "", true},
  StartCase{"command_line_wins_over_good_value", "kavlor.lines: 100\n", {"lines", "-5"}, LINES_ERROR, true},
  StartCase{"command_line_key_unset", "kavlor.key: f12\n", {"-k", "nosuchkey"}, "", true},
  // Every adjacent pair is applied.
  StartCase{"value_as_name", "", {"-tl", "key", "f12"}, "", false},
  StartCase{"value_as_name_lines", "", {"-tl", "-l", "-5"}, LINES_ERROR, true},
  StartCase{"pairs_overlap", "", {"-k", "f12", "-m", "alt"}, "", false},
  StartCase{"long_names", "", {"key", "F1", "shell", "/bin/sh"}, "", false},
  StartCase{"key_last_forms_no_pair", "", {"-k"}, "", true},
  StartCase{"single_argument", "", {"f12"}, "", true},
  StartCase{"toggle_word_is_no_option", "", {"-tl", "--toggle", "-k", "f2"}, "", false},
  // The toolkit takes --sync out; the scan must stop at what is left.
  StartCase{"toolkit_option_first", "", {"--sync", "-k", "f12"}, "", false},
  StartCase{"toolkit_option_last", "", {"-k", "f12", "--sync"}, "", false},
  StartCase{"toolkit_option_between", "", {"-l", "--sync", "-5"}, LINES_ERROR, true}
), [](const auto &info) { return std::string(info.param.what); });

// One line each, naming the option and the value; the start goes on.
TEST_F(LoadConfig, SizeWithoutDigitsWarnsAndStarts)
{
  home_write(run.home, ".Xdefaults", "kavlor.height: 300\n");
  Proc &p = start({"-w", "wide", "-h", "tall", "-k", "f12"});
  expect_running(p, "");
  EXPECT_EQ(proc_err(p), "warning: width 'wide' is no number, keeping 800\n"
                         "warning: height 'tall' is no number, keeping 300\n");
}

// The session's kind and whether a key is set: the Wayland hint goes to
// stderr only when both call for it.
struct WaylandCase {
  const char *what;
  std::vector<std::string> env;
  Args args;
  bool wayland_hint;
};

void PrintTo(const WaylandCase &c, std::ostream *os) { *os << c.what; }

class LoadConfigWayland : public LoadConfig, public ::testing::WithParamInterface<WaylandCase> {};

TEST_P(LoadConfigWayland, HintOnStderr)
{
  const WaylandCase &c = GetParam();
  Proc &p = start(c.args, c.env);
  const bool key = !c.args.empty();
  ASSERT_NE(expect_running(p, key ? "" : HINT), 0u);
  EXPECT_EQ(proc_err(p), c.wayland_hint ? WAYLAND_HINT : "");
}

INSTANTIATE_TEST_SUITE_P(Session, LoadConfigWayland, ::testing::Values(
  WaylandCase{"session_type_with_key", {"XDG_SESSION_TYPE=wayland"}, {"-k", "f12"}, true},
  WaylandCase{"display_with_key", {"WAYLAND_DISPLAY=wayland-0"}, {"-k", "f12"}, true},
  WaylandCase{"both_with_key", {"XDG_SESSION_TYPE=wayland", "WAYLAND_DISPLAY=wayland-0"},
              {"-k", "f12"}, true},
  WaylandCase{"x11_with_key", {"XDG_SESSION_TYPE=x11"}, {"-k", "f12"}, false},
  WaylandCase{"empty_display_with_key", {"WAYLAND_DISPLAY="}, {"-k", "f12"}, false},
  WaylandCase{"wayland_without_key", {"XDG_SESSION_TYPE=wayland", "WAYLAND_DISPLAY=wayland-0"},
              {}, false}),
  [](const auto &i) { return std::string(i.param.what); });

TEST_F(LoadConfig, LoginShellFromThePasswordEntry)
{
  kavlor_run_stop(&run);
  start_session("/nonexistent/login-shell");
  expect_exit(start({}), HINT, shell_error("/nonexistent/login-shell"));
}

TEST_F(LoadConfig, LongLoginShellIsCut)
{
  const std::string shell = "/nonexistent/" + std::string(240, 's');
  kavlor_run_stop(&run);
  start_session(shell);
  expect_exit(start({"-k", "f12"}), "", shell_error(shell.substr(0, 199)));
}

TEST_F(LoadConfig, ResourcesComeFromThePasswordEntrysHome)
{
  home_write(run.home, ".Xdefaults", "kavlor.shell: /nonexistent/from-passwd-home\n");
  TestHome other;
  other.dir = temp_dir("kvother-");
  home_write(other, ".Xdefaults", "kavlor.shell: /nonexistent/from-HOME\n");
  expect_exit(start({}, {"HOME=" + other.dir}), HINT, shell_error("/nonexistent/from-passwd-home"));
  home_remove(&other);
}

TEST_F(LoadConfig, WithoutAPasswordEntry)
{
  // A password database that knows other users only; $HOME holds a file
  // that must not be read.
  const std::string passwd = ".nss-passwd-other";
  home_write(run.home, passwd, "someone:x:54321:54321:Someone:/nonexistent:/bin/false\n");
  home_write(run.home, ".Xdefaults", "kavlor.shell: /nonexistent/from-HOME\nkavlor.key: f12\n");
  Proc &p = start({}, {"NSS_WRAPPER_PASSWD=" + run.home.dir + "/" + passwd});
  ASSERT_NE(expect_running(p, HINT), 0u);
  // The terminal runs the fallback shell.
  EXPECT_TRUE(wait_until([&] {
    for (const std::string &cmd : procfs_child_cmdlines(p.pid))
      if (cmd == "/bin/sh")
        return true;
    return false;
  }, 20.0)) << "no /bin/sh child";
}

TEST_F(LoadConfig, TerminalRunsTheLoginShell)
{
  kavlor_run_stop(&run);
  start_session("/bin/bash");
  Proc &p = start({"-k", "f12"});
  ASSERT_NE(expect_running(p, ""), 0u);
  EXPECT_TRUE(wait_until([&] {
    for (const std::string &cmd : procfs_child_cmdlines(p.pid))
      if (cmd == "/bin/bash")
        return true;
    return false;
  }, 20.0)) << "no /bin/bash child";
}

// Whatever stands at ~/.Xdefaults, the start goes on: only a regular file
// is read (through a link too, and its "#include" beside it), anything else
// is no file. A FIFO there used to hang the start for good.
TEST_F(LoadConfig, ResourceFileOfAnyKind)
{
  const std::string file = run.home.dir + "/.Xdefaults";
  const std::string key = "kavlor.key: f12\n";
  struct Case {
    const char *what;
    std::function<void()> make;
    bool read;  // the key in it is applied
  };
  const Case cases[] = {
    {"regular", [&] { home_write(run.home, ".Xdefaults", key); }, true},
    {"fifo", [&] { ASSERT_EQ(mkfifo(file.c_str(), 0600), 0); }, false},
    {"directory", [&] { ASSERT_EQ(mkdir(file.c_str(), 0700), 0); }, false},
    {"link to /dev/zero", [&] { ASSERT_EQ(symlink("/dev/zero", file.c_str()), 0); }, false},
    {"dangling link", [&] { ASSERT_EQ(symlink("/nonexistent/xdefaults", file.c_str()), 0); }, false},
    {"link to a regular file", [&] {
       home_write(run.home, "real-xdefaults", key);
       ASSERT_EQ(symlink((run.home.dir + "/real-xdefaults").c_str(), file.c_str()), 0);
     }, true},
    // Root reads it all the same.
    {"unreadable", [&] {
       home_write(run.home, ".Xdefaults", key);
       ASSERT_EQ(chmod(file.c_str(), 0), 0);
     }, geteuid() == 0},
    {"include beside it", [&] {
       home_write(run.home, ".Xdefaults", "#include \"more-resources\"\n");
       home_write(run.home, "more-resources", key);
     }, true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    run_capture({"rm", "-rf", file, run.home.dir + "/real-xdefaults",
                 run.home.dir + "/more-resources"});
    c.make();
    Proc &p = start({});
    expect_running(p, c.read ? "" : HINT);
    EXPECT_EQ(proc_err(p), "");
    proc_kill(&p);
  }
}

struct GeometryCase {
  const char *what;
  std::string xdefaults;
  Args args;
  int x, y, width, height;
};

void PrintTo(const GeometryCase &c, std::ostream *os) { *os << c.what; }

class LoadConfigGeometry : public LoadConfig, public ::testing::WithParamInterface<GeometryCase> {};

// Shown at start with --toggle on a 1024x768 screen without a window manager,
// the window lands exactly where the settings put it.
TEST_P(LoadConfigGeometry, ShownWindow)
{
  const GeometryCase &c = GetParam();
  if (!c.xdefaults.empty())
    home_write(run.home, ".Xdefaults", c.xdefaults);
  Args args = c.args;
  args.insert(args.begin(), "--toggle");
  args.push_back("-k");
  args.push_back("f12");
  Proc &p = start(args);
  const Window w = expect_running(p, "");
  ASSERT_NE(w, 0u);
  int x = 0, y = 0, width = 0, height = 0;
  const bool placed = wait_until([&] {
    return x_is_viewable(run.x.dpy, w) && x_geometry(run.x.dpy, w, &x, &y, &width, &height) &&
           x == c.x && y == c.y && width == c.width && height == c.height;
  }, 20.0);
  EXPECT_TRUE(placed) << "at " << x << "," << y << " size " << width << "x" << height;
}

INSTANTIATE_TEST_SUITE_P(Screen, LoadConfigGeometry, ::testing::Values(
  GeometryCase{"defaults", "", {}, 112, 0, 800, 400},
  GeometryCase{"percent_bottom", "", {"-w", "50%", "-h", "25%", "-p", "bottom"}, 256, 576, 512, 192},
  GeometryCase{"pixels_topright", "", {"-w", "300", "-h", "200", "-p", "topright"}, 724, 0, 300, 200},
  GeometryCase{"fixed_overrides", "", {"-p", "bottomright", "-w", "400", "-h", "300", "-fx", "0", "-fy", "30"},
               0, 30, 400, 300},
  GeometryCase{"fixedy_only", "", {"-p", "right", "-w", "400", "-h", "300", "-fy", "100"}, 624, 100, 400, 300},
  GeometryCase{"full_width", "", {"-w", "100%", "-h", "200", "-p", "left"}, 0, 284, 1024, 200},
  // A size without digits keeps what the layer before it gave.
  GeometryCase{"width_without_digits", "", {"-w", "wide"}, 112, 0, 800, 400},
  GeometryCase{"height_without_digits_keeps_resource", "kavlor.height: 300\n", {"-h", "tall"},
               112, 0, 800, 300},
  GeometryCase{"resources_and_command_line", "kavlor.width: 500\nkavlor.height: 50%\nkavlor.position: bottom\n",
               {"-w", "600"}, 212, 384, 600, 384}
), [](const auto &info) { return std::string(info.param.what); });

// Without a display (ssh, a package build) the printing action words still
// print their texts; anything else fails with the toolkit's message.
TEST_F(LoadConfig, WithoutADisplayActionWordsStillPrint)
{
  const std::string self = kavlor_path();
  struct Case { Args args; std::string out; std::string display; };
  const Case cases[] = {
    {{"--help"}, help_text(self), ""},
    {{"--info"}, info_text(self), ""},
    {{"--version"}, VERSION_TEXT, ""},
    {{"-k", "f12", "--info", "--help"}, info_text(self), ""},
    // Nothing to signal without a display: a later printing word runs.
    {{"--toggle", "--version"}, VERSION_TEXT, ""},
    // The toolkit's own option is taken out before the scan.
    {{"--display", ":31999", "--version"}, VERSION_TEXT, ""},
    {{}, "", ""},
    {{"-k", "f12", "--toggle"}, "", ""},
    {{"--display", ":31999"}, "", ":31999"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(join(c.args));
    Args argv = {"/usr/bin/env", "-u", "DISPLAY", self};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    procs.push_back(proc_spawn(argv, home_env(run.home)));
    Proc &p = procs.back();
    ASSERT_TRUE(proc_wait(&p, 20.0)) << "still running";
    EXPECT_EQ(proc_exit_code(p), 1);
    EXPECT_EQ(proc_out(p), c.out);
    if (!c.out.empty()) {
      EXPECT_EQ(proc_err(p), "");
      continue;
    }
    const std::regex toolkit("\\n?\\(kavlor:[0-9]+\\): Gtk-WARNING \\*\\*: [0-9:.]+: "
                             "cannot open display: " + c.display + "\\n");
    EXPECT_TRUE(std::regex_match(proc_err(p), toolkit)) << proc_err(p);
  }
}
