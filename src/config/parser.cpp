// SPDX-License-Identifier: GPL-2.0-or-later
// One option name and its value applied to the settings record.
#include "config/config.h"
#include "config/words.h"
#include "gptr.h"

#include <cctype>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include <glib.h>

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

} // namespace

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
  // gdk_color_parse sets only the components; the pixel must not be garbage.
  GdkColor parsed = {};
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

// A pixel size without any digit would read as 0, a window too small to
// see and correct: it keeps the size it had instead.
static void settings_parse_size(char *text, const OptionInfo &row)
{
  const SizeFields &fields = *row.field.size;
  if (strchr(text, '%')) {
    text[strlen(text) - 1] = '\0';
    *fields.percent = parse_int(text);
  } else if (!strpbrk(text, "0123456789")) {
    fprintf(stderr, "warning: %s '%s' is no number, keeping %d\n", row.name, text, *fields.pixels);
  } else {
    *fields.pixels = parse_int(text);
  }
}

static void settings_parse_mod(char *text, const OptionInfo &row)
{
  text[0] = static_cast<char>(tolower(static_cast<unsigned char>(text[0])));
  *row.field.number = settings_word_code(*row.words, text, *row.field.number);
}

static void settings_parse_key(char *text, KeySym *key)
{
  text[0] = static_cast<char>(tolower(static_cast<unsigned char>(text[0])));
  *key = XStringToKeysym(text);
  if (*key == NoSymbol) {
    text[0] = static_cast<char>(toupper(static_cast<unsigned char>(text[0])));
    *key = XStringToKeysym(text);
  }
}

static int settings_parse_keymod_part(char *text, const OptionWords &words)
{
  g_strstrip(text);
  return settings_word_code(words, text, 0);
}

static void settings_parse_keymod(const char *text, const OptionInfo &row)
{
  GStrvPtr pieces(g_strsplit_set(text, "+", -1));
  int mask = 0;
  for (gchar **p = pieces.get(); *p; p++)
    mask |= settings_parse_keymod_part(*p, *row.words);
  if (mask != 0)
    *row.field.number = mask;
}

// Entries above 15 do not exist: such an option sets nothing and is not
// counted, so a palette with a mistyped index is reported as incomplete.
static void settings_parse_palette(char *name, char *value, GdkColor *palette)
{
  g_strcanon(name, "0123456789", ' ');
  g_strchug(name);
  int index = parse_int(name);
  if (index < 0 || index >= PALETTE_SIZE)
    return;
  settings_parse_color(value, &palette[index]);
  settings.palette_count++;
}

// A number picks that monitor; anything else is one of the row's words.
static void settings_parse_monitor(const char *text, const OptionInfo &row)
{
  if (text[0] && strspn(text, "0123456789") == strlen(text)) {
    *row.field.number = MONITOR_NUMBER;
    settings.monitor_number = parse_int(text);
  } else {
    *row.field.number = settings_word_code(*row.words, text, *row.field.number);
  }
}

static void settings_apply_rule(const OptionInfo &row, char *name, char *value)
{
  const OptionField &f = row.field;
  switch (row.rule) {
  case RULE_TEXT:
  case RULE_FILE:     copy_text(*f.text, value); break;
  case RULE_COLOR:    settings_parse_color_or(value, f.color, row.fallback); break;
  case RULE_WORDS:    *f.number = settings_word_code(*row.words, value, *f.number); break;
  case RULE_INTEGER:  *f.number = parse_int(value); break;
  case RULE_NUMBER:   *f.real = parse_float(value); break;
  case RULE_SIZE:     settings_parse_size(value, row); break;
  case RULE_KEY:      settings_parse_key(value, f.key); break;
  case RULE_MODIFIER: settings_parse_mod(value, row); break;
  case RULE_KEYMOD:   settings_parse_keymod(value, row); break;
  case RULE_PALETTE:  settings_parse_palette(name, value, f.color); break;
  case RULE_MONITOR:  settings_parse_monitor(value, row); break;
  }
}

bool settings_option_matches(const OptionInfo &row, const char *name)
{
  if (row.rule != RULE_PALETTE)
    return strcmp(name, row.name) == 0 || strcmp(name, row.short_name) == 0;
  // "colorX" and "-cX": the X is the index, any text at all.
  return strncmp(name, row.name, strlen(row.name) - 1) == 0 ||
         strncmp(name, row.short_name, strlen(row.short_name) - 1) == 0;
}

void settings_apply_option(char *name, char *value)
{
  if (!name || !value || name[0] == '#')
    return;
  g_strstrip(name);
  g_strstrip(value);
  for (const OptionInfo &row : option_table)
    if (settings_option_matches(row, name)) {
      settings_apply_rule(row, name, value);
      return;
    }
}

void settings_apply_default(const OptionInfo &row)
{
  char value[SETTINGS_TEXT_SIZE];
  g_strlcpy(value, row.default_text, sizeof value);
  char name[sizeof row.name];
  g_strlcpy(name, row.name, sizeof name);
  settings_apply_rule(row, name, value);
}
