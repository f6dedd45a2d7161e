// SPDX-License-Identifier: GPL-2.0-or-later
// Every option in one row: its help texts, how its value is read and where
// it goes, and what the manual, the completions and the fuzz seeds say of it.
#include "config/config.h"
#include "config/words.h"

#include <glib.h>
#include <vte/vte.h>

namespace {

// The accepted words of each option that takes words. A word listed with
// the fallback's code documents the fallback; it changes nothing.
// word           code
const OptionWord scrollbar_words[] = {
  {"right",       SCROLLBAR_RIGHT},
  {"left",        SCROLLBAR_LEFT},
  {"none",        SCROLLBAR_NONE},
  {"true",        SCROLLBAR_RIGHT},
};
const OptionWord border_words[] = {
  {"thin",        BORDER_THIN},
  {"thick",       BORDER_THICK},
  {"none",        BORDER_NONE},
};
const OptionWord position_words[] = {
  {"top",         POS_TOP},
  {"bottom",      POS_BOTTOM},
  {"left",        POS_LEFT},
  {"right",       POS_RIGHT},
  {"topleft",     POS_TOPLEFT},
  {"topright",    POS_TOPRIGHT},
  {"bottomleft",  POS_BOTTOMLEFT},
  {"bottomright", POS_BOTTOMRIGHT},
};
const OptionWord mod_words[] = {
  {"shift",       ShiftMask},
  {"control",     ControlMask},
  {"ctrl",        ControlMask},
  {"alt",         Mod1Mask},
  {"mod1",        Mod1Mask},
  {"windows",     Mod4Mask},
  {"win",         Mod4Mask},
  {"none",        0},
};
const OptionWord keymod_words[] = {
  {"control",     GDK_CONTROL_MASK},
  {"ctrl",        GDK_CONTROL_MASK},
  {"alt",         GDK_MOD1_MASK},
  {"shift",       GDK_SHIFT_MASK},
  {"windows",     GDK_SUPER_MASK},
};
const OptionWord showtab_words[] = {
  {"always",      SHOWTAB_ALWAYS},
  {"never",       SHOWTAB_NEVER},
};
const OptionWord tabpos_words[] = {
  {"top",         GTK_POS_TOP},
  {"left",        GTK_POS_LEFT},
  {"right",       GTK_POS_RIGHT},
  {"bottom",      GTK_POS_BOTTOM},
};
const OptionWord tabdir_words[] = {
  {"start",       TABDIR_START},
  {"current",     TABDIR_CURRENT},
};
const OptionWord cursor_shape_words[] = {
  {"block",       VTE_CURSOR_SHAPE_BLOCK},
  {"ibeam",       VTE_CURSOR_SHAPE_IBEAM},
  {"underline",   VTE_CURSOR_SHAPE_UNDERLINE},
};
const OptionWord monitor_words[] = {
  {"pointer",     MONITOR_POINTER},
  {"focus",       MONITOR_FOCUS},
  {"primary",     MONITOR_PRIMARY},
};
const OptionWord bool_words[] = {
  {"true",        1},
  {"false",       0},
  {"yes",         1},
  {"no",          0},
  {"1",           1},
  {"0",           0},
};

#define WORDS(table) table, static_cast<int>(G_N_ELEMENTS(table))
// list                                 words                        ignore case  any other word
const OptionWords scrollbar_list      = {WORDS(scrollbar_words),    false,       SCROLLBAR_NONE};
const OptionWords border_list         = {WORDS(border_words),       false,       BORDER_NONE};
const OptionWords position_list       = {WORDS(position_words),     false,       WORDS_KEEP};
const OptionWords mod_list            = {WORDS(mod_words),          false,       ControlMask};
const OptionWords keymod_list         = {WORDS(keymod_words),       true,        0};
const OptionWords showtab_list        = {WORDS(showtab_words),      true,        WORDS_KEEP};
const OptionWords tabpos_list         = {WORDS(tabpos_words),       false,       GTK_POS_BOTTOM};
const OptionWords tabdir_list         = {WORDS(tabdir_words),       false,       WORDS_KEEP};
const OptionWords cursor_shape_list   = {WORDS(cursor_shape_words), false,       WORDS_KEEP};
const OptionWords monitor_list        = {WORDS(monitor_words),      true,        WORDS_KEEP};
const OptionWords bool_list           = {WORDS(bool_words),         true,        WORDS_KEEP};
#undef WORDS

Settings &S = settings;
const SizeFields width_fields = {&S.width, &S.width_percent};
const SizeFields height_fields = {&S.height, &S.height_percent};

// Adding an option is one row here (and its word list above, if it takes
// words) and its field in Settings: settings_defaults reads the default
// text with the row's rule. Names match exactly, so a row's place only
// says where --help lists it; no name may begin with "color" or "-c", the
// palette's. A value that no rule reads gets a rule of its own in
// OptionRule and settings_apply_rule, and its sentence in the manual from
// gen_docs. "tabdir" (words) and "monitor" (a rule of its own) below are
// the latest two added this way.

// name            short      type        description
//  rule            field                         words               fallback default text   example  resource
const OptionInfo rows[] = {
  {"key",          "-k",      "KEY",      "Shortcut key (eg: f12).",
   RULE_KEY,       {.key = &S.key},              nullptr,            nullptr, "(no key)",    "f12",   true},
  {"mod",          "-m",      "MODIFIER", "meta modifier key: shift, control, alt, windows, none.",
   RULE_MODIFIER,  {.number = &S.mod},           &mod_list,          nullptr, "(no modifier)", "alt", true},
  {"keymod",       "-km",     "MODIFIER", "Modifier for keyboard shortcuts. Can be a combination (with +) of modifiers (eg: shift+control).",
   RULE_KEYMOD,    {.number = &S.keymod},        &keymod_list,       nullptr, "control+shift", "shift+alt", true},
  {"autohide",     "-ah",     "BOOLEAN",  "Whether or not to hide kavlor when it looses focus. Default: true.",
   RULE_WORDS,     {.number = &S.autohide},      &bool_list,         nullptr, "true",        "no",    true},
  {"font",         "-fn",     "FONT",     "Terminal font and size (eg: Sans 10). Default: Bistream Vera Sans 10.",
   RULE_TEXT,      {.text = &S.font},            nullptr,            nullptr, "Bitstream Vera Sans Mono 10", "Monospace 12", true},
  {"background",   "-bg",     "COLOR",    "Background color. Default: Black.",
   RULE_COLOR,     {.color = &S.background},     nullptr,            "black", "black",       "1c1c1c", true},
  {"foreground",   "-fg",     "COLOR",    "Foreground color. Default: White.",
   RULE_COLOR,     {.color = &S.foreground},     nullptr,            "white", "white",       "green", true},
  {"allowbold",    "-ab",     "BOOLEAN",  "Allow bold fonts or not. Default: true.",
   RULE_WORDS,     {.number = &S.allowbold},     &bool_list,         nullptr, "true",        "No",    true},
  {"border",       "-b",      "TYPE",     "Border type: thin, thick, none. Default: none.",
   RULE_WORDS,     {.number = &S.border},        &border_list,       nullptr, "none",        "thick", true},
  {"opacity",      "-o",      "NUMBER",   "Opacity (range: 10 - 100). Default: 100.",
   RULE_NUMBER,    {.real = &S.opacity},         nullptr,            nullptr, "100",         "85.5",  true},
  {"bgimage",      "-bgimg",  "FILE",     "Background image to use on terminal.",
   RULE_FILE,      {.text = &S.bgimage},         nullptr,            nullptr, "(no image)",  "/usr/share/icons/hicolor/256x256/apps/kavlor.png", true},
  {"width",        "-w",      "NUMBER",   "Window width, either as an integer or a percentage (eg, 50%). Default: 800.",
   RULE_SIZE,      {.size = &width_fields},      nullptr,            nullptr, "800",         "50%",   true},
  {"height",       "-h",      "NUMBER",   "Window height, either as an integer or a percentage (eg, 50%).. Default: 400.",
   RULE_SIZE,      {.size = &height_fields},     nullptr,            nullptr, "400",         "300",   true},
  {"position",     "-p",      "POSITION", "Window position: top, bottom, left, right. Default: top.",
   RULE_WORDS,     {.number = &S.position},      &position_list,     nullptr, "top",         "bottomright", true},
  {"scrollbar",    "-s",      "POSITION", "Scrollbar position: left, right, none. Default: none.",
   RULE_WORDS,     {.number = &S.scrollbar},     &scrollbar_list,    nullptr, "none",        "right", true},
  {"shell",        "-sh",     "STRING",   "Terminal Shell. Default: the user's default shell.",
   RULE_FILE,      {.text = &S.shell},           nullptr,            nullptr, "(the login shell of the user)", "/bin/zsh", true},
  {"emulation",    "-e",      "STRING",   "Terminal Emulation. Default: xterm",
   RULE_TEXT,      {.text = &S.emulation},       nullptr,            nullptr, "xterm",       "xterm-256color", true},
  {"lines",        "-l",      "NUMBER",   "Scrollback lines. 0 to disable scrollback. Default: 1000.",
   RULE_INTEGER,   {.number = &S.lines},         nullptr,            nullptr, "1000",        "-5",    true},
  {"showtab",      "-st",     "VALUE",    "Tabbar visibility (one: only visible when > 1 tabs): never, one, always.",
   RULE_WORDS,     {.number = &S.showtab},       &showtab_list,      nullptr, "one",         "ALWAYS", true},
  {"tabpos",       "-tp",     "POSITION", "Tabbar position: top, bottom, left, right. Default: bottom.",
   RULE_WORDS,     {.number = &S.tabpos},        &tabpos_list,       nullptr, "bottom",      "left",  true},
  {"tablabel",     "-tl",     "STRING",   "Label of the tabs. Default: term.",
   RULE_TEXT,      {.text = &S.tablabel},        nullptr,            nullptr, "term",        "shell", true},
  {"tabfill",      "-tf",     "BOOLEAN",  "Whether tabs fill whole tabbar space. Default: true.",
   RULE_WORDS,     {.number = &S.tabfill},       &bool_list,         nullptr, "false",       "yes",   true},
  {"scroll",       "-sc",     "BOOLEAN",  "Whether to scroll the terminal on output. Default: true.",
   RULE_WORDS,     {.number = &S.scroll},        &bool_list,         nullptr, "true",        "0",     true},
  {"fixedx",       "-fx",     "NUMBER",   "Overrides any calculated horizontal position.",
   RULE_INTEGER,   {.number = &S.fixedx},        nullptr,            nullptr, "-1",          "100",   true},
  {"fixedy",       "-fy",     "NUMBER",   "Overrides any calculated vertical position.",
   RULE_INTEGER,   {.number = &S.fixedy},        nullptr,            nullptr, "-1",          "99999999999", true},
  {"allowreorder", "-ar",     "BOOLEAN",  "Allow reordering of terminal tabs.",
   RULE_WORDS,     {.number = &S.allowreorder},  &bool_list,         nullptr, "true",        "false", true},
  {"tabdir",       "-td",     "VALUE",    "Directory of new tabs: start, current (that of the current tab). Default: start.",
   RULE_WORDS,     {.number = &S.tabdir},        &tabdir_list,       nullptr, "start",       "current", true},
  {"colorX",       "-cX",     "COLOR",    "Specify color X of the terminals color palette",
   RULE_PALETTE,   {.color = S.palette},         nullptr,            nullptr, "(no palette)", "ff0000", true},
  {"cursorBlink",  "-ub",     "BOOLEAN",  "Should the cursor blink? Default: true",
   RULE_WORDS,     {.number = &S.cursorBlink},   &bool_list,         nullptr, "true",        "FALSE", true},
  {"cursorColor",  "-uc",     "COLOR",    "The color of the cursor. Default: white",
   RULE_COLOR,     {.color = &S.cursorColor},    nullptr,            "white", "white",       "#ff0000", true},
  {"cursorShape",  "-us",     "STRING",   "Cursor shape, one of [block,ibeam,underline]. Default: block",
   RULE_WORDS,     {.number = &S.cursorShape},   &cursor_shape_list, nullptr, "block",       "ibeam", false},
  {"monitor",      "-mon",    "MONITOR",  "Monitor to show on: pointer, focus (the active window's), primary or a number from 0. Default: pointer.",
   RULE_MONITOR,   {.number = &S.monitor},       &monitor_list,      nullptr, "pointer",     "primary", true},
};

} // namespace

const std::span<const OptionInfo> option_table(rows);
