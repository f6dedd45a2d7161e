// SPDX-License-Identifier: GPL-2.0-or-later
#include "config/config.h"

#include <glib.h>
#include <pwd.h>
#include <unistd.h>

Settings settings;

void settings_defaults()
{
  Settings &s = settings;
  // What no value of an option gives: no key, no modifier, no image, the
  // size in pixels, the tab bar shown from two tabs on, no palette.
  s.key = NoSymbol;
  s.mod = 0;
  s.bgimage[0] = '\0';
  s.width_percent = -1;
  s.height_percent = -1;
  s.showtab = SHOWTAB_ONE;
  s.palette_count = 0;
  s.start_toggled = 0;
  // Without a password entry there is no login shell to copy.
  const struct passwd *pw = getpwuid(getuid());
  g_strlcpy(s.shell, pw && pw->pw_shell && *pw->pw_shell ? pw->pw_shell : "/bin/sh",
            sizeof s.shell);
  // Every other default is the option's default text, read by its rule.
  for (const OptionInfo &row : option_table)
    if (row.default_text[0] != '(')
      settings_apply_default(row);
}

const char *settings_get_font() { return settings.font; }
float settings_get_opacity() { return settings.opacity; }
GdkColor settings_get_background() { return settings.background; }
GdkColor settings_get_foreground() { return settings.foreground; }
int settings_get_border() { return settings.border; }
int settings_get_mod() { return settings.mod; }
KeySym settings_get_key() { return settings.key; }
int settings_get_width() { return settings.width; }
int settings_get_height() { return settings.height; }
int settings_get_scrollbar() { return settings.scrollbar; }
const char *settings_get_shell() { return settings.shell; }
const char *settings_get_emulation() { return settings.emulation; }
int settings_get_lines() { return settings.lines; }
int settings_get_showtab() { return settings.showtab; }
const char *settings_get_tablabel() { return settings.tablabel; }
int settings_get_tabpos() { return settings.tabpos; }
GdkColor *settings_get_palette()
{
  return settings.palette_count > 0 ? settings.palette : nullptr;
}
int settings_get_tabfill() { return settings.tabfill; }
int settings_get_allowbold() { return settings.allowbold; }
int settings_get_keymod() { return settings.keymod; }
int settings_get_autohide() { return settings.autohide; }
const char *settings_get_bgimage()
{
  return settings.bgimage[0] ? settings.bgimage : nullptr;
}
int settings_get_scroll() { return settings.scroll; }
int settings_get_allowreorder() { return settings.allowreorder; }
int settings_get_tabdir() { return settings.tabdir; }
int settings_get_cursor_blink() { return settings.cursorBlink; }
int settings_get_cursor_shape() { return settings.cursorShape; }
GdkColor settings_get_cursor_color() { return settings.cursorColor; }
int settings_get_start_toggled() { return settings.start_toggled; }
