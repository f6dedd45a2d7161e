// SPDX-License-Identifier: GPL-2.0-or-later
// settings_apply_option: one name/value pair against a fresh record.
#include <gtest/gtest.h>

#include "config/config.h"

#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <X11/keysym.h>
#include <vte/vte.h>

namespace {

using Options = std::vector<std::pair<std::string, std::string>>;

void reset()
{
  settings = Settings{};
  settings_defaults();
}

// The parser trims and rewrites its arguments, so it gets copies.
void set_option(std::string name, std::string value)
{
  settings_apply_option(name.data(), value.data());
}

void apply_all(const Options &options)
{
  for (const auto &[name, value] : options)
    set_option(name, value);
}

std::string describe(const Options &options)
{
  std::string out;
  for (const auto &[name, value] : options)
    out += "[" + name + "] = [" + value + "]  ";
  return out;
}

bool record_equals(const Settings &a, const Settings &b)
{
  return memcmp(&a, &b, sizeof a) == 0;
}

struct IntCase {
  Options options;
  int Settings::*field;
  int expected;
};

void check_int_cases(const std::vector<IntCase> &cases)
{
  for (const IntCase &c : cases) {
    SCOPED_TRACE(describe(c.options));
    reset();
    apply_all(c.options);
    EXPECT_EQ(settings.*c.field, c.expected);
  }
}

void expect_color(const GdkColor &c, int red, int green, int blue)
{
  EXPECT_EQ(c.red, red);
  EXPECT_EQ(c.green, green);
  EXPECT_EQ(c.blue, blue);
}

} // namespace

TEST(ConfigParser, IgnoredInputsLeaveTheRecordAlone)
{
  const Options ignored = {
    {"#font", "Sans 8"},     // a comment, even for a known name
    {"#-k", "f12"},
    {"--toggle", "top"},
    {"Font", "Sans 8"},      // names are case-sensitive
    {"-FN", "Sans 8"},
    {"fonts", "Sans 8"},
    {"cursorshape", "ibeam"},
    {"Color3", "red"},
    {"", "red"},
    {"   ", "red"},
  };
  for (const auto &[name, value] : ignored) {
    SCOPED_TRACE(describe({{name, value}}));
    reset();
    const Settings before = settings;
    set_option(name, value);
    EXPECT_TRUE(record_equals(before, settings));
  }
  reset();
  const Settings before = settings;
  char value[] = "red";
  char name[] = "-bg";
  settings_apply_option(nullptr, value);
  settings_apply_option(name, nullptr);
  EXPECT_TRUE(record_equals(before, settings));
}

TEST(ConfigParser, NameAndValueAreTrimmed)
{
  reset();
  set_option(" font ", "  Monospace 12 \t");
  EXPECT_STREQ(settings_get_font(), "Monospace 12");
  set_option("\t-b\n", " thin ");
  EXPECT_EQ(settings_get_border(), BORDER_THIN);
  // The '#' test comes before trimming: a blank in front hides it, and the
  // trimmed name "#font" still matches nothing.
  set_option(" #font", "Sans 8");
  EXPECT_STREQ(settings_get_font(), "Monospace 12");
}

TEST(ConfigParser, TextOptionsCopyTheValue)
{
  struct Case { const char *name; const char *(*get)(); };
  const Case cases[] = {
    {"font", settings_get_font},          {"-fn", settings_get_font},
    {"bgimage", settings_get_bgimage},    {"-bgimg", settings_get_bgimage},
    {"shell", settings_get_shell},        {"-sh", settings_get_shell},
    {"emulation", settings_get_emulation}, {"-e", settings_get_emulation},
    {"tablabel", settings_get_tablabel},  {"-tl", settings_get_tablabel},
  };
  const std::string exact(199, 'a'), longer(250, 'b');
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    reset();
    set_option(c.name, "some value");
    EXPECT_STREQ(c.get(), "some value");
    set_option(c.name, exact);
    EXPECT_EQ(std::string(c.get()), exact);
    // Too long for the field: cut to what fits, the rest never written.
    set_option(c.name, longer);
    EXPECT_EQ(std::string(c.get()), longer.substr(0, 199));
  }
}

TEST(ConfigParser, EmptyTextValues)
{
  reset();
  set_option("font", "");
  EXPECT_STREQ(settings_get_font(), "");
  set_option("bgimage", "/tmp/back.png");
  EXPECT_STREQ(settings_get_bgimage(), "/tmp/back.png");
  set_option("bgimage", "");
  EXPECT_EQ(settings_get_bgimage(), nullptr);
  set_option("-bgimg", "  ");
  EXPECT_EQ(settings_get_bgimage(), nullptr);
}

TEST(ConfigParser, Colours)
{
  struct Case { const char *name, *value; GdkColor Settings::*field; int r, g, b; };
  const int F = 0xffff;
  const Case cases[] = {
    {"background", "00ff00", &Settings::background, 0, F, 0},
    {"-bg", "#0000ff", &Settings::background, 0, 0, F},
    {"-bg", "white", &Settings::background, F, F, F},
    {"-bg", "not a colour", &Settings::background, 0, 0, 0},
    {"-bg", "", &Settings::background, 0, 0, 0},
    {"foreground", "red", &Settings::foreground, F, 0, 0},
    {"-fg", "ff0000", &Settings::foreground, F, 0, 0},
    {"-fg", "not a colour", &Settings::foreground, F, F, F},
    {"cursorColor", "00f", &Settings::cursorColor, 0, 0, F},
    {"-uc", "not a colour", &Settings::cursorColor, F, F, F},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(describe({{c.name, c.value}}));
    reset();
    // Start from a colour that no expected result has, so a fallback shows.
    gdk_color_parse("#123456", &(settings.*c.field));
    set_option(c.name, c.value);
    expect_color(settings.*c.field, c.r, c.g, c.b);
  }
}

TEST(ConfigParser, WordOptions)
{
  check_int_cases({
    {{{"scrollbar", "right"}}, &Settings::scrollbar, SCROLLBAR_RIGHT},
    {{{"-s", "true"}}, &Settings::scrollbar, SCROLLBAR_RIGHT},
    {{{"-s", "left"}}, &Settings::scrollbar, SCROLLBAR_LEFT},
    {{{"-s", "left"}, {"-s", "Left"}}, &Settings::scrollbar, SCROLLBAR_NONE},
    {{{"-s", "left"}, {"-s", "none"}}, &Settings::scrollbar, SCROLLBAR_NONE},
    {{{"-s", "left"}, {"-s", "TRUE"}}, &Settings::scrollbar, SCROLLBAR_NONE},

    {{{"border", "thin"}}, &Settings::border, BORDER_THIN},
    {{{"-b", "thick"}}, &Settings::border, BORDER_THICK},
    {{{"-b", "thin"}, {"-b", "THICK"}}, &Settings::border, BORDER_NONE},
    {{{"-b", "thin"}, {"-b", ""}}, &Settings::border, BORDER_NONE},

    {{{"position", "bottom"}}, &Settings::position, POS_BOTTOM},
    {{{"-p", "left"}}, &Settings::position, POS_LEFT},
    {{{"-p", "right"}}, &Settings::position, POS_RIGHT},
    {{{"-p", "topleft"}}, &Settings::position, POS_TOPLEFT},
    {{{"-p", "topright"}}, &Settings::position, POS_TOPRIGHT},
    {{{"-p", "bottomleft"}}, &Settings::position, POS_BOTTOMLEFT},
    {{{"-p", "bottomright"}}, &Settings::position, POS_BOTTOMRIGHT},
    {{{"-p", "bottom"}, {"-p", "top"}}, &Settings::position, POS_TOP},
    {{{"-p", "bottom"}, {"-p", "Top"}}, &Settings::position, POS_BOTTOM},
    {{{"-p", "bottom"}, {"-p", "middle"}}, &Settings::position, POS_BOTTOM},
    {{{"-p", "bottom"}, {"-p", ""}}, &Settings::position, POS_BOTTOM},

    {{{"showtab", "always"}}, &Settings::showtab, SHOWTAB_ALWAYS},
    {{{"-st", "ALWAYS"}}, &Settings::showtab, SHOWTAB_ALWAYS},
    {{{"-st", "never"}}, &Settings::showtab, SHOWTAB_NEVER},
    {{{"-st", "Never"}}, &Settings::showtab, SHOWTAB_NEVER},
    {{{"-st", "always"}, {"-st", "one"}}, &Settings::showtab, SHOWTAB_ALWAYS},
    {{{"-st", "never"}, {"-st", ""}}, &Settings::showtab, SHOWTAB_NEVER},

    // Neither a palette name nor a prefix of one: "-td" is not "-c".
    {{{"tabdir", "current"}}, &Settings::tabdir, TABDIR_CURRENT},
    {{{"-td", "current"}}, &Settings::tabdir, TABDIR_CURRENT},
    {{{"-td", "current"}, {"-td", "start"}}, &Settings::tabdir, TABDIR_START},
    {{{"-td", "current"}, {"-td", "Start"}}, &Settings::tabdir, TABDIR_CURRENT},
    {{{"-td", "current"}, {"-td", "home"}}, &Settings::tabdir, TABDIR_CURRENT},
    {{{"-td", "current"}}, &Settings::palette_count, 0},

    {{{"tabpos", "top"}}, &Settings::tabpos, GTK_POS_TOP},
    {{{"-tp", "left"}}, &Settings::tabpos, GTK_POS_LEFT},
    {{{"-tp", "right"}}, &Settings::tabpos, GTK_POS_RIGHT},
    {{{"-tp", "top"}, {"-tp", "bottom"}}, &Settings::tabpos, GTK_POS_BOTTOM},
    {{{"-tp", "top"}, {"-tp", "Top"}}, &Settings::tabpos, GTK_POS_BOTTOM},
    {{{"-tp", "top"}, {"-tp", "sideways"}}, &Settings::tabpos, GTK_POS_BOTTOM},

    {{{"cursorShape", "underline"}}, &Settings::cursorShape, VTE_CURSOR_SHAPE_UNDERLINE},
    {{{"-us", "ibeam"}}, &Settings::cursorShape, VTE_CURSOR_SHAPE_IBEAM},
    {{{"-us", "ibeam"}, {"-us", "block"}}, &Settings::cursorShape, VTE_CURSOR_SHAPE_BLOCK},
    {{{"-us", "ibeam"}, {"-us", "Block"}}, &Settings::cursorShape, VTE_CURSOR_SHAPE_IBEAM},
    {{{"-us", "ibeam"}, {"-us", ""}}, &Settings::cursorShape, VTE_CURSOR_SHAPE_IBEAM},

    {{{"monitor", "focus"}}, &Settings::monitor, MONITOR_FOCUS},
    {{{"-mon", "Primary"}}, &Settings::monitor, MONITOR_PRIMARY},
    {{{"-mon", "primary"}, {"-mon", "pointer"}}, &Settings::monitor, MONITOR_POINTER},
    {{{"-mon", "focus"}, {"-mon", "left"}}, &Settings::monitor, MONITOR_FOCUS},
    {{{"-mon", "focus"}, {"-mon", ""}}, &Settings::monitor, MONITOR_FOCUS},
    {{{"-mon", "1"}}, &Settings::monitor, MONITOR_NUMBER},
    {{{"-mon", " 12 "}}, &Settings::monitor_number, 12},
    {{{"-mon", "2"}, {"-mon", "focus"}}, &Settings::monitor, MONITOR_FOCUS},
    // Not a number: a sign or trailing text is no monitor.
    {{{"-mon", "focus"}, {"-mon", "-1"}}, &Settings::monitor, MONITOR_FOCUS},
    {{{"-mon", "focus"}, {"-mon", "1st"}}, &Settings::monitor, MONITOR_FOCUS},
  });
}

TEST(ConfigParser, Numbers)
{
  check_int_cases({
    {{{"lines", "0"}}, &Settings::lines, 0},
    {{{"-l", "-5"}}, &Settings::lines, -5},
    {{{"-l", "+250"}}, &Settings::lines, 250},
    {{{"-l", "42 lines"}}, &Settings::lines, 42},
    {{{"-l", "12abc34"}}, &Settings::lines, 12},
    {{{"-l", "many"}}, &Settings::lines, 0},
    {{{"-l", ""}}, &Settings::lines, 0},
    {{{"-l", "99999999999"}}, &Settings::lines, INT_MAX},
    {{{"-l", "-99999999999"}}, &Settings::lines, INT_MIN},
    {{{"-l", "999999999999999999999999"}}, &Settings::lines, INT_MAX},
    {{{"fixedx", "0"}}, &Settings::fixedx, 0},
    {{{"-fx", "120"}}, &Settings::fixedx, 120},
    {{{"-fx", "-30"}}, &Settings::fixedx, -30},
    {{{"fixedy", "77"}}, &Settings::fixedy, 77},
    {{{"-fy", "x"}}, &Settings::fixedy, 0},
  });

  struct Case { const char *value; float expected; };
  const Case opacity[] = {
    {"85.5", 85.5f}, {"90", 90.0f}, {"-3", -3.0f}, {"250", 250.0f}, {"opaque", 0.0f}, {"", 0.0f},
  };
  for (const Case &c : opacity) {
    SCOPED_TRACE(c.value);
    reset();
    set_option("-o", c.value);
    EXPECT_EQ(settings_get_opacity(), c.expected);
  }
  reset();
  set_option("opacity", "42.25");
  EXPECT_EQ(settings_get_opacity(), 42.25f);
}

TEST(ConfigParser, Sizes)
{
  check_int_cases({
    {{{"width", "50%"}}, &Settings::width_percent, 50},
    {{{"width", "50%"}}, &Settings::width, 800},
    {{{"-w", "%"}}, &Settings::width_percent, 0},
    {{{"-w", "50%"}, {"-w", "900"}}, &Settings::width, 900},
    {{{"-w", "50%"}, {"-w", "900"}}, &Settings::width_percent, 50},
    {{{"-w", "900"}}, &Settings::width_percent, -1},
    // The last character goes, whatever it is, once a '%' is anywhere.
    {{{"-w", "30%x"}}, &Settings::width_percent, 30},
    {{{"-w", "30%x"}}, &Settings::width, 800},
    {{{"-w", "12%34"}}, &Settings::width_percent, 12},
    {{{"-w", "75"}}, &Settings::width, 75},
    // No digit at all: the size it had stays (the default, or an earlier source).
    {{{"-w", "wide"}}, &Settings::width, 800},
    {{{"-w", "640"}, {"width", "wide"}}, &Settings::width, 640},
    {{{"-h", ""}}, &Settings::height, 400},
    {{{"-w", "wide"}}, &Settings::width_percent, -1},
    {{{"-w", "x1"}}, &Settings::width, 0},
    {{{"-w", " 60% "}}, &Settings::width_percent, 60},
    {{{"height", "25%"}}, &Settings::height_percent, 25},
    {{{"-h", "25%"}}, &Settings::height, 400},
    {{{"-h", "300"}}, &Settings::height, 300},
    {{{"-h", "300"}}, &Settings::width, 800},
    {{{"-h", "25%"}}, &Settings::width_percent, -1},
    {{{"-h", "99999999999%"}}, &Settings::height_percent, INT_MAX},
  });
}

// The kept size is said once, naming the option and the value.
TEST(ConfigParser, SizeWithoutDigitsWarns)
{
  struct Case { const char *name, *value, *line; };
  const Case cases[] = {
    {"-w", "wide", "warning: width 'wide' is no number, keeping 800\n"},
    {"height", " tall ", "warning: height 'tall' is no number, keeping 400\n"},
    {"-w", "75", ""},
    {"-w", "50%", ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + c.value);
    reset();
    testing::internal::CaptureStderr();
    set_option(c.name, c.value);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.line);
  }
}

TEST(ConfigParser, HotkeyModifier)
{
  check_int_cases({
    {{{"mod", "shift"}}, &Settings::mod, ShiftMask},
    {{{"-m", "control"}}, &Settings::mod, ControlMask},
    {{{"-m", "ctrl"}}, &Settings::mod, ControlMask},
    {{{"-m", "alt"}}, &Settings::mod, Mod1Mask},
    {{{"-m", "mod1"}}, &Settings::mod, Mod1Mask},
    {{{"-m", "windows"}}, &Settings::mod, Mod4Mask},
    {{{"-m", "win"}}, &Settings::mod, Mod4Mask},
    // Only the first letter's case is forgiven.
    {{{"-m", "Alt"}}, &Settings::mod, Mod1Mask},
    {{{"-m", "Shift"}}, &Settings::mod, ShiftMask},
    {{{"-m", "Win"}}, &Settings::mod, Mod4Mask},
    {{{"-m", "ALT"}}, &Settings::mod, ControlMask},
    // "none" is the key alone; any other unknown word still gives Control.
    {{{"-m", "none"}}, &Settings::mod, 0},
    {{{"-m", "None"}}, &Settings::mod, 0},
    {{{"-m", "alt"}, {"mod", "none"}}, &Settings::mod, 0},
    {{{"-m", "NONE"}}, &Settings::mod, ControlMask},
    {{{"-m", ""}}, &Settings::mod, ControlMask},
    {{{"-m", "shift"}, {"-m", "hyper"}}, &Settings::mod, ControlMask},
  });
}

TEST(ConfigParser, Hotkey)
{
  struct Case { Options options; KeySym expected; };
  const Case cases[] = {
    {{{"key", "f12"}}, XK_F12},
    {{{"-k", "F12"}}, XK_F12},
    {{{"-k", "a"}}, XK_a},
    {{{"-k", "A"}}, XK_a},
    {{{"-k", "tab"}}, XK_Tab},
    {{{"-k", "Tab"}}, XK_Tab},
    {{{"-k", "return"}}, XK_Return},
    {{{"-k", "space"}}, XK_space},
    {{{"-k", "grave"}}, XK_grave},
    {{{"-k", "f12"}, {"-k", "nosuchkey"}}, NoSymbol},
    {{{"-k", "f12"}, {"-k", ""}}, NoSymbol},
    {{{"-k", "F12"}, {"-k", "fF12"}}, NoSymbol},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(describe(c.options));
    reset();
    apply_all(c.options);
    EXPECT_EQ(settings_get_key(), c.expected);
  }
}

TEST(ConfigParser, Booleans)
{
  struct Field { const char *name, *short_name; int Settings::*field; };
  const Field fields[] = {
    {"tabfill", "-tf", &Settings::tabfill},
    {"allowbold", "-ab", &Settings::allowbold},
    {"autohide", "-ah", &Settings::autohide},
    {"scroll", "-sc", &Settings::scroll},
    {"allowreorder", "-ar", &Settings::allowreorder},
    {"cursorBlink", "-ub", &Settings::cursorBlink},
  };
  constexpr int UNCHANGED = -1;
  struct Word { const char *value; int result; };
  const Word words[] = {
    {"false", 0}, {"0", 0}, {"no", 0}, {"No", 0}, {"FALSE", 0}, {" no ", 0},
    {"true", 1}, {"1", 1}, {"yes", 1}, {"YES", 1}, {"True", 1},
    {"maybe", UNCHANGED}, {"", UNCHANGED}, {"2", UNCHANGED}, {"off", UNCHANGED},
    {"on", UNCHANGED}, {"yess", UNCHANGED},
  };
  for (const Field &f : fields)
    for (const char *name : {f.name, f.short_name})
      for (const Word &w : words)
        for (int start : {0, 1}) {
          SCOPED_TRACE(describe({{name, w.value}}) + " from " + std::to_string(start));
          reset();
          settings.*f.field = start;
          set_option(name, w.value);
          EXPECT_EQ(settings.*f.field, w.result == UNCHANGED ? start : w.result);
        }
}

TEST(ConfigParser, AcceleratorModifiers)
{
  const int SUPER = GDK_SUPER_MASK;
  check_int_cases({
    {{{"keymod", "Shift+Alt"}}, &Settings::keymod, 9},
    {{{"-km", "shift + ctrl"}}, &Settings::keymod, 5},
    {{{"-km", "control"}}, &Settings::keymod, GDK_CONTROL_MASK},
    {{{"-km", "ALT"}}, &Settings::keymod, GDK_MOD1_MASK},
    {{{"-km", "CtRl"}}, &Settings::keymod, GDK_CONTROL_MASK},
    {{{"-km", "windows"}}, &Settings::keymod, SUPER},
    {{{"-km", "ctrl+alt+shift+windows"}}, &Settings::keymod, SUPER | 13},
    {{{"-km", "+shift++"}}, &Settings::keymod, GDK_SHIFT_MASK},
    {{{"-km", "shift+bogus"}}, &Settings::keymod, GDK_SHIFT_MASK},
    {{{"-km", "alt+alt"}}, &Settings::keymod, GDK_MOD1_MASK},
    // Nothing recognised: the previous value stays.
    {{{"-km", "alt"}, {"-km", "win"}}, &Settings::keymod, GDK_MOD1_MASK},
    {{{"-km", "alt"}, {"-km", "mod1"}}, &Settings::keymod, GDK_MOD1_MASK},
    {{{"-km", "alt"}, {"-km", ""}}, &Settings::keymod, GDK_MOD1_MASK},
    {{{"-km", "alt"}, {"-km", "+"}}, &Settings::keymod, GDK_MOD1_MASK},
    {{{"-km", "alt"}, {"-km", "shift-ctrl"}}, &Settings::keymod, GDK_MOD1_MASK},
  });
}

TEST(ConfigParser, PaletteEntries)
{
  struct Case { const char *name, *value; int index; };
  const Case cases[] = {
    {"color3", "ff0000", 3},
    {"-c3", "#ff0000", 3},
    {"color15", "red", 15},
    {"-c15", "red", 15},
    {"color0", "red", 0},
    {"colorX", "red", 0},
    {"-cX", "red", 0},
    {"color", "red", 0},
    {"-c", "red", 0},
    {"color07", "red", 7},
    {"color1x2", "red", 1},
    {"color-4", "red", 4},
    {" -c 9 ", "red", 9},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(describe({{c.name, c.value}}));
    reset();
    set_option(c.name, c.value);
    EXPECT_EQ(settings.palette_count, 1);
    ASSERT_NE(settings_get_palette(), nullptr);
    for (int i = 0; i < PALETTE_SIZE; i++) {
      SCOPED_TRACE(i);
      if (i == c.index)
        expect_color(settings_get_palette()[i], 0xffff, 0, 0);
      else
        expect_color(settings_get_palette()[i], 0, 0, 0);
    }
  }
}

TEST(ConfigParser, PaletteCountAndFailedColours)
{
  reset();
  set_option("-c3", "00ff00");
  set_option("-c3", "not a colour");  // no fallback for palette entries
  EXPECT_EQ(settings.palette_count, 2);
  expect_color(settings.palette[3], 0, 0xffff, 0);
  set_option("-c3", "0000ff");
  EXPECT_EQ(settings.palette_count, 3);
  expect_color(settings.palette[3], 0, 0, 0xffff);
  set_option("-c4", "");
  EXPECT_EQ(settings.palette_count, 4);
  expect_color(settings.palette[4], 0, 0, 0);
}

TEST(ConfigParser, PaletteIndexAbove15WritesAndCountsNothing)
{
  for (const char *name : {"color16", "-c16", "color99", "color99999999999", "-c4294967296"}) {
    SCOPED_TRACE(name);
    reset();
    const Settings before = settings;
    set_option(name, "red");
    EXPECT_TRUE(record_equals(before, settings));
    EXPECT_EQ(settings_get_palette(), nullptr);
  }
}

TEST(ConfigParser, EveryOptionIsReachableByBothNames)
{
  // A value that changes each option's default, by long and by short name.
  struct Case { const char *name, *short_name, *value; std::function<bool()> changed; };
  const Case cases[] = {
    {"font", "-fn", "Sans 8", [] { return strcmp(settings.font, "Sans 8") == 0; }},
    {"background", "-bg", "red", [] { return settings.background.red == 0xffff; }},
    {"foreground", "-fg", "red", [] { return settings.foreground.green == 0; }},
    {"scrollbar", "-s", "left", [] { return settings.scrollbar == SCROLLBAR_LEFT; }},
    {"border", "-b", "thick", [] { return settings.border == BORDER_THICK; }},
    {"opacity", "-o", "50", [] { return settings.opacity == 50.0f; }},
    {"bgimage", "-bgimg", "x.png", [] { return strcmp(settings.bgimage, "x.png") == 0; }},
    {"width", "-w", "640", [] { return settings.width == 640; }},
    {"height", "-h", "480", [] { return settings.height == 480; }},
    {"position", "-p", "bottom", [] { return settings.position == POS_BOTTOM; }},
    {"fixedx", "-fx", "5", [] { return settings.fixedx == 5; }},
    {"fixedy", "-fy", "6", [] { return settings.fixedy == 6; }},
    {"mod", "-m", "alt", [] { return settings.mod == Mod1Mask; }},
    {"key", "-k", "f1", [] { return settings.key == XK_F1; }},
    {"shell", "-sh", "/bin/zsh", [] { return strcmp(settings.shell, "/bin/zsh") == 0; }},
    {"emulation", "-e", "vt100", [] { return strcmp(settings.emulation, "vt100") == 0; }},
    {"lines", "-l", "7", [] { return settings.lines == 7; }},
    {"showtab", "-st", "always", [] { return settings.showtab == SHOWTAB_ALWAYS; }},
    {"tabpos", "-tp", "top", [] { return settings.tabpos == GTK_POS_TOP; }},
    {"tablabel", "-tl", "shell", [] { return strcmp(settings.tablabel, "shell") == 0; }},
    {"color5", "-c5", "red", [] { return settings.palette_count == 1; }},
    {"tabfill", "-tf", "true", [] { return settings.tabfill == 1; }},
    {"allowbold", "-ab", "false", [] { return settings.allowbold == 0; }},
    {"keymod", "-km", "alt", [] { return settings.keymod == GDK_MOD1_MASK; }},
    {"autohide", "-ah", "no", [] { return settings.autohide == 0; }},
    {"scroll", "-sc", "no", [] { return settings.scroll == 0; }},
    {"allowreorder", "-ar", "no", [] { return settings.allowreorder == 0; }},
    {"tabdir", "-td", "current", [] { return settings.tabdir == TABDIR_CURRENT; }},
    {"cursorBlink", "-ub", "no", [] { return settings.cursorBlink == 0; }},
    {"cursorColor", "-uc", "red", [] { return settings.cursorColor.green == 0; }},
    {"cursorShape", "-us", "ibeam", [] { return settings.cursorShape == VTE_CURSOR_SHAPE_IBEAM; }},
    {"monitor", "-mon", "primary", [] { return settings.monitor == MONITOR_PRIMARY; }},
  };
  for (const Case &c : cases)
    for (const char *name : {c.name, c.short_name}) {
      SCOPED_TRACE(name);
      reset();
      EXPECT_FALSE(c.changed());
      set_option(name, c.value);
      EXPECT_TRUE(c.changed());
    }
}
