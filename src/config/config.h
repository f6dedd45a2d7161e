// SPDX-License-Identifier: GPL-2.0-or-later
// The settings record, its option table and the operations that fill it.
#pragma once

#include <gdk/gdk.h>
#include <X11/Xlib.h>

#include <span>

enum ScrollbarPos { SCROLLBAR_NONE = -1, SCROLLBAR_LEFT = 2, SCROLLBAR_RIGHT = 3 };
enum BorderType { BORDER_THIN = 0, BORDER_THICK = 1, BORDER_NONE = 2 };
enum WindowPosition {
  POS_TOP = 0, POS_BOTTOM, POS_LEFT, POS_RIGHT,
  POS_TOPLEFT, POS_TOPRIGHT, POS_BOTTOMLEFT, POS_BOTTOMRIGHT
};
enum ShowTabs { SHOWTAB_NEVER = 0, SHOWTAB_ONE = 1, SHOWTAB_ALWAYS = 2 };
// Where the shell of a new tab starts.
enum TabDir { TABDIR_START = 0, TABDIR_CURRENT = 1 };
// The monitor the window is shown on; MONITOR_NUMBER takes monitor_number.
enum MonitorRule { MONITOR_POINTER = 0, MONITOR_FOCUS, MONITOR_PRIMARY, MONITOR_NUMBER };

constexpr int SETTINGS_TEXT_SIZE = 200;
constexpr int PALETTE_SIZE = 16;

struct Settings {
  char font[SETTINGS_TEXT_SIZE];
  GdkColor background;
  GdkColor foreground;
  int scrollbar;
  int border;
  float opacity;
  char bgimage[SETTINGS_TEXT_SIZE];
  int width;
  int height;
  int width_percent;
  int height_percent;
  int position;
  int mod;
  KeySym key;
  char shell[SETTINGS_TEXT_SIZE];
  char emulation[SETTINGS_TEXT_SIZE];
  int lines;
  int showtab;
  int tabpos;
  char tablabel[SETTINGS_TEXT_SIZE];
  GdkColor palette[PALETTE_SIZE];
  int palette_count;
  int tabfill;
  int allowbold;
  int keymod;
  int autohide;
  int scroll;
  int fixedx;
  int fixedy;
  int allowreorder;
  int tabdir;
  int cursorBlink;
  GdkColor cursorColor;
  int cursorShape;
  int monitor;
  int monitor_number;
  gint8 start_toggled;
};

struct OptionWords;

// How the parser reads an option's value; the manual and the completions
// describe each rule once.
enum OptionRule {
  RULE_TEXT,      // copied whole
  RULE_FILE,      // copied whole; a file name
  RULE_COLOR,     // a colour name or hex code, else the row's fallback colour
  RULE_WORDS,     // one of the row's words
  RULE_INTEGER,   // atoi's reading
  RULE_NUMBER,    // atof's reading, as a float
  RULE_SIZE,      // pixels, or with "%" a share of the monitor
  RULE_KEY,       // a key symbol name, first letter in either case
  RULE_MODIFIER,  // one of the row's words, first letter in either case
  RULE_KEYMOD,    // the row's words joined by "+"
  RULE_PALETTE,   // names that begin with the row's names up to their "X"
  RULE_MONITOR,   // one of the row's words, or a monitor's number
};

struct SizeFields {
  int *pixels;
  int *percent;
};

// Where the rule stores the value: the member that matches the rule.
union OptionField {
  char (*text)[SETTINGS_TEXT_SIZE];
  GdkColor *color;
  int *number;
  float *real;
  KeySym *key;
  const SizeFields *size;
};

struct OptionInfo {
  // What --help and --info print.
  char name[18];
  char short_name[12];
  char type[12];
  char description[150];
  // What the parser, the resource loading and the generated files read.
  OptionRule rule;
  OptionField field;
  const OptionWords *words;   // RULE_WORDS, RULE_MODIFIER, RULE_KEYMOD
  const char *fallback;       // RULE_COLOR: the colour of a value that is none
  const char *default_text;   // read by the rule at start; "(...)": set in code
                              // and only described
  const char *example;        // a typical value, for examples and fuzz seeds
  bool resource;              // also read from ~/.Xdefaults
};

// Every option, in the order --help prints them and the parser tries them.
extern const std::span<const OptionInfo> option_table;

// The one record, filled at start-up before any other thread exists: by
// the configuration module, and by --toggle, which sets start_toggled.
// Later it is only read, through the accessors below.
extern Settings settings;

void settings_defaults();
void settings_apply_option(char *name, char *value);
// Whether `name` is one of the row's names; the parser applies the first
// row that matches.
bool settings_option_matches(const OptionInfo &row, const char *name);
// The row's default text applied by the row's rule.
void settings_apply_default(const OptionInfo &row);
// The resources of `path` (a ~/.Xdefaults file; nullptr for none) become
// the display's database and are applied: the resource rows of the option
// table in order, then color0 to color15.
void settings_read_resource_file(Display *dpy, const char *path);
// The defaults, then the real user's ~/.Xdefaults. The command line comes
// after, from the start-up code, which also runs its action words.
void settings_load();
// The hint about a missing hotkey, then the checks that end start-up with
// status 1 when the settings are unusable.
void settings_check();

// Where the window goes and how large it is, computed afresh for each show
// from the settings and the monitor they choose; the settings keep what the
// user asked for.
struct Placement { int x, y, width, height; };
struct MonitorRect { int x, y, width, height; };
// The index of the monitor `rule` picks from the list: by the pointer (px,
// py), the active window's rectangle (`active`, null when unknown), the
// primary monitor's index (-1 when unknown) or `number`; -1 for none.
int settings_choose_monitor(int rule, int number, const MonitorRect *monitors, int n_monitors,
                            int px, int py, int primary, const MonitorRect *active);
// The arithmetic, over a monitor list, so it can be checked without an X
// server. The monitor setting picks the monitor from what the server told.
Placement settings_placement(const Settings &s, MonitorRect screen,
                             const MonitorRect *monitors, int n_monitors,
                             int px, int py, int primary = -1,
                             const MonitorRect *active = nullptr);
// Asks the X server for the monitors and what the monitor setting needs.
Placement settings_place_window();

const char *settings_get_font();
float settings_get_opacity();
GdkColor settings_get_background();
GdkColor settings_get_foreground();
int settings_get_border();
int settings_get_mod();
KeySym settings_get_key();
int settings_get_width();
int settings_get_height();
int settings_get_scrollbar();
const char *settings_get_shell();
const char *settings_get_emulation();
int settings_get_lines();
int settings_get_showtab();
const char *settings_get_tablabel();
int settings_get_tabpos();
GdkColor *settings_get_palette();
int settings_get_tabfill();
int settings_get_allowbold();
int settings_get_keymod();
int settings_get_autohide();
const char *settings_get_bgimage();
int settings_get_scroll();
int settings_get_allowreorder();
int settings_get_tabdir();
int settings_get_cursor_blink();
int settings_get_cursor_shape();
GdkColor settings_get_cursor_color();
int settings_get_start_toggled();
