// SPDX-License-Identifier: GPL-2.0-or-later
// One option name and its value applied to the settings record.
#include "config/config.h"
#include "config/words.h"
#include "gptr.h"

#include <cctype>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include <glib.h>
#include <vte/vte.h>

namespace {

// atoi's reading (blanks, sign, digits), but out-of-range numbers saturate
// instead of being undefined.
int parse_int(const char *text)
{
  long v = strtol(text, nullptr, 10);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

float parse_float(const char *text)
{
  double v = atof(text);
  if (std::isfinite(v) && std::fabs(v) > FLT_MAX)
    v = std::copysign(static_cast<double>(FLT_MAX), v);
  return static_cast<float>(v);
}

void copy_text(char (&field)[SETTINGS_TEXT_SIZE], const char *value)
{
  g_strlcpy(field, value, sizeof field);
}

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
const OptionWord cursor_shape_words[] = {
  {"block",       VTE_CURSOR_SHAPE_BLOCK},
  {"ibeam",       VTE_CURSOR_SHAPE_IBEAM},
  {"underline",   VTE_CURSOR_SHAPE_UNDERLINE},
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
// option         words                        ignore case  any other word
const OptionWords word_lists[] = {
  {"scrollbar",   WORDS(scrollbar_words),      false,       SCROLLBAR_NONE},
  {"border",      WORDS(border_words),         false,       BORDER_NONE},
  {"position",    WORDS(position_words),       false,       WORDS_KEEP},
  {"mod",         WORDS(mod_words),            false,       ControlMask},
  {"keymod",      WORDS(keymod_words),         true,        0},
  {"showtab",     WORDS(showtab_words),        true,        WORDS_KEEP},
  {"tabpos",      WORDS(tabpos_words),         false,       GTK_POS_BOTTOM},
  {"cursorShape", WORDS(cursor_shape_words),   false,       WORDS_KEEP},
  {"BOOLEAN",     WORDS(bool_words),           true,        WORDS_KEEP},
};
#undef WORDS

const OptionWords &words_of(const char *option)
{
  for (const OptionWords &list : word_lists)
    if (strcmp(list.option, option) == 0)
      return list;
  abort();  // every caller names a list above
}

} // namespace

const OptionWords *settings_option_words(const OptionInfo &row)
{
  const char *key = strcmp(row.type, "BOOLEAN") == 0 ? "BOOLEAN" : row.name;
  for (const OptionWords &list : word_lists)
    if (strcmp(list.option, key) == 0)
      return &list;
  return nullptr;
}

int settings_word_code(const OptionWords &list, const char *text, int current)
{
  for (int i = 0; i < list.count; i++) {
    const char *word = list.words[i].word;
    if (list.ignore_case ? strcasecmp(text, word) == 0 : strcmp(text, word) == 0)
      return list.words[i].code;
  }
  return list.fallback == WORDS_KEEP ? current : list.fallback;
}

static int settings_parse_color(const char *text, GdkColor *target)
{
  GdkColor parsed;
  if (gdk_color_parse(text, &parsed)) {
    *target = parsed;
    return 1;
  }
  GCharPtr hashed(g_strconcat("#", text, nullptr));
  if (gdk_color_parse(hashed.get(), &parsed)) {
    *target = parsed;
    return 1;
  }
  return 0;
}

static void settings_parse_color_or(const char *text, GdkColor *target,
                                    const char *fallback)
{
  if (!settings_parse_color(text, target))
    gdk_color_parse(fallback, target);
}

static void settings_parse_border(const char *text)
{
  settings.border = settings_word_code(words_of("border"), text, settings.border);
}

static void settings_parse_size(char *text, int *pixels, int *percent)
{
  if (strchr(text, '%')) {
    text[strlen(text) - 1] = '\0';
    *percent = parse_int(text);
  } else {
    *pixels = parse_int(text);
  }
}

static void settings_parse_position(const char *text)
{
  settings.position = settings_word_code(words_of("position"), text, settings.position);
}

static void settings_parse_mod(char *text)
{
  text[0] = static_cast<char>(tolower(static_cast<unsigned char>(text[0])));
  settings.mod = settings_word_code(words_of("mod"), text, settings.mod);
}

static void settings_parse_key(char *text)
{
  text[0] = static_cast<char>(tolower(static_cast<unsigned char>(text[0])));
  settings.key = XStringToKeysym(text);
  if (settings.key == NoSymbol) {
    text[0] = static_cast<char>(toupper(static_cast<unsigned char>(text[0])));
    settings.key = XStringToKeysym(text);
  }
}

static int settings_parse_tabpos(const char *text)
{
  return settings_word_code(words_of("tabpos"), text, settings.tabpos);
}

static int settings_parse_bool(char *text, int current)
{
  g_strstrip(text);
  return settings_word_code(words_of("BOOLEAN"), text, current);
}

static int settings_parse_keymod_part(char *text)
{
  g_strstrip(text);
  return settings_word_code(words_of("keymod"), text, 0);
}

static void settings_parse_keymod(const char *text)
{
  GStrvPtr pieces(g_strsplit_set(text, "+", -1));
  int mask = 0;
  for (gchar **p = pieces.get(); *p; p++)
    mask |= settings_parse_keymod_part(*p);
  if (mask != 0)
    settings.keymod = mask;
}

// Entries above 15 do not exist: such an option sets nothing and is not
// counted, so a palette with a mistyped index is reported as incomplete.
static void settings_parse_palette(char *name, char *value)
{
  g_strcanon(name, "0123456789", ' ');
  g_strchug(name);
  int index = parse_int(name);
  if (index < 0 || index >= PALETTE_SIZE)
    return;
  settings_parse_color(value, &settings.palette[index]);
  settings.palette_count++;
}

namespace {

using OptionRule = void (*)(char *name, char *value);

struct OptionParser {
  const char *name;
  const char *short_name;
  OptionRule apply;
  bool prefix = false;  // the names only begin with these
};

Settings &S = settings;

// Tried in this order; the first row whose name matches decides.
// long name       short     rule
const OptionParser option_parsers[] = {
  {"font",         "-fn",    [](char *, char *v) { copy_text(S.font, v); }},
  {"background",   "-bg",    [](char *, char *v) { settings_parse_color_or(v, &S.background, "black"); }},
  {"foreground",   "-fg",    [](char *, char *v) { settings_parse_color_or(v, &S.foreground, "white"); }},
  {"scrollbar",    "-s",     [](char *, char *v) { S.scrollbar = settings_word_code(words_of("scrollbar"), v, S.scrollbar); }},
  {"border",       "-b",     [](char *, char *v) { settings_parse_border(v); }},
  {"opacity",      "-o",     [](char *, char *v) { S.opacity = parse_float(v); }},
  {"bgimage",      "-bgimg", [](char *, char *v) { copy_text(S.bgimage, v); }},
  {"width",        "-w",     [](char *, char *v) { settings_parse_size(v, &S.width, &S.width_percent); }},
  {"height",       "-h",     [](char *, char *v) { settings_parse_size(v, &S.height, &S.height_percent); }},
  {"position",     "-p",     [](char *, char *v) { settings_parse_position(v); }},
  {"fixedx",       "-fx",    [](char *, char *v) { S.fixedx = parse_int(v); }},
  {"fixedy",       "-fy",    [](char *, char *v) { S.fixedy = parse_int(v); }},
  {"mod",          "-m",     [](char *, char *v) { settings_parse_mod(v); }},
  {"key",          "-k",     [](char *, char *v) { settings_parse_key(v); }},
  {"shell",        "-sh",    [](char *, char *v) { copy_text(S.shell, v); }},
  {"emulation",    "-e",     [](char *, char *v) { copy_text(S.emulation, v); }},
  {"lines",        "-l",     [](char *, char *v) { S.lines = parse_int(v); }},
  {"showtab",      "-st",    [](char *, char *v) { S.showtab = settings_word_code(words_of("showtab"), v, S.showtab); }},
  {"tabpos",       "-tp",    [](char *, char *v) { S.tabpos = settings_parse_tabpos(v); }},
  {"tablabel",     "-tl",    [](char *, char *v) { copy_text(S.tablabel, v); }},
  {"color",        "-c",     settings_parse_palette, true},
  {"tabfill",      "-tf",    [](char *, char *v) { S.tabfill = settings_parse_bool(v, S.tabfill); }},
  {"allowbold",    "-ab",    [](char *, char *v) { S.allowbold = settings_parse_bool(v, S.allowbold); }},
  {"keymod",       "-km",    [](char *, char *v) { settings_parse_keymod(v); }},
  {"autohide",     "-ah",    [](char *, char *v) { S.autohide = settings_parse_bool(v, S.autohide); }},
  {"scroll",       "-sc",    [](char *, char *v) { S.scroll = settings_parse_bool(v, S.scroll); }},
  {"allowreorder", "-ar",    [](char *, char *v) { S.allowreorder = settings_parse_bool(v, S.allowreorder); }},
  {"cursorBlink",  "-ub",    [](char *, char *v) { S.cursorBlink = settings_parse_bool(v, S.cursorBlink); }},
  {"cursorColor",  "-uc",    [](char *, char *v) { settings_parse_color_or(v, &S.cursorColor, "white"); }},
  {"cursorShape",  "-us",    [](char *, char *v) { S.cursorShape = settings_word_code(words_of("cursorShape"), v, S.cursorShape); }},
};

bool option_matches(const OptionParser &row, const char *name)
{
  if (row.prefix)
    return g_str_has_prefix(name, row.name) || g_str_has_prefix(name, row.short_name);
  return strcmp(name, row.name) == 0 || strcmp(name, row.short_name) == 0;
}

} // namespace

void settings_apply_option(char *name, char *value)
{
  if (!name || !value || name[0] == '#')
    return;
  g_strstrip(name);
  g_strstrip(value);
  for (const OptionParser &row : option_parsers)
    if (option_matches(row, name)) {
      row.apply(name, value);
      return;
    }
}
