// SPDX-License-Identifier: GPL-2.0-or-later
// The record right after settings_defaults, read through its accessors.
#include <gtest/gtest.h>

#include "config/config.h"

#include <pwd.h>
#include <string>
#include <unistd.h>

#include <vte/vte.h>

namespace {

void reset()
{
  settings = Settings{};
  settings_defaults();
}

void set_option(std::string name, std::string value)
{
  settings_apply_option(name.data(), value.data());
}

void expect_color(const GdkColor &c, int red, int green, int blue)
{
  EXPECT_EQ(c.red, red);
  EXPECT_EQ(c.green, green);
  EXPECT_EQ(c.blue, blue);
}

} // namespace

TEST(ConfigSettings, DefaultsThroughTheAccessors)
{
  reset();
  EXPECT_STREQ(settings_get_font(), "Bitstream Vera Sans Mono 10");
  expect_color(settings_get_background(), 0, 0, 0);
  expect_color(settings_get_foreground(), 0xffff, 0xffff, 0xffff);
  EXPECT_EQ(settings_get_scrollbar(), SCROLLBAR_NONE);
  EXPECT_EQ(settings_get_border(), BORDER_NONE);
  EXPECT_EQ(settings_get_opacity(), 100.0f);
  EXPECT_EQ(settings_get_bgimage(), nullptr);
  EXPECT_EQ(settings_get_width(), 800);
  EXPECT_EQ(settings_get_height(), 400);
  EXPECT_EQ(settings_get_mod(), 0);
  EXPECT_EQ(settings_get_key(), static_cast<KeySym>(NoSymbol));
  EXPECT_STREQ(settings_get_emulation(), "xterm");
  EXPECT_EQ(settings_get_lines(), 1000);
  EXPECT_EQ(settings_get_showtab(), SHOWTAB_ONE);
  EXPECT_EQ(settings_get_tabpos(), GTK_POS_BOTTOM);
  EXPECT_STREQ(settings_get_tablabel(), "term");
  EXPECT_EQ(settings_get_palette(), nullptr);
  EXPECT_EQ(settings_get_tabfill(), 0);
  EXPECT_EQ(settings_get_allowbold(), 1);
  EXPECT_EQ(settings_get_keymod(), 5);
  EXPECT_EQ(settings_get_autohide(), 1);
  EXPECT_EQ(settings_get_scroll(), 1);
  EXPECT_EQ(settings_get_allowreorder(), 1);
  EXPECT_EQ(settings_get_tabdir(), TABDIR_START);
  EXPECT_EQ(settings_get_cursor_blink(), 1);
  expect_color(settings_get_cursor_color(), 0xffff, 0xffff, 0xffff);
  EXPECT_EQ(settings_get_cursor_shape(), VTE_CURSOR_SHAPE_BLOCK);
  EXPECT_EQ(settings_get_start_toggled(), 0);
}

TEST(ConfigSettings, DefaultsOfTheInternalFields)
{
  reset();
  EXPECT_EQ(settings.width_percent, -1);
  EXPECT_EQ(settings.height_percent, -1);
  EXPECT_EQ(settings.position, POS_TOP);
  EXPECT_EQ(settings.fixedx, -1);
  EXPECT_EQ(settings.fixedy, -1);
  EXPECT_EQ(settings.palette_count, 0);
}

TEST(ConfigSettings, DefaultShellIsTheLoginShell)
{
  reset();
  const struct passwd *pw = getpwuid(getuid());
  const std::string expected = pw && pw->pw_shell && *pw->pw_shell ? pw->pw_shell : "/bin/sh";
  EXPECT_EQ(std::string(settings_get_shell()), expected);
}

TEST(ConfigSettings, DefaultsLeavePaletteAlone)
{
  settings = Settings{};
  settings.palette[2].red = 0x1234;
  settings.palette_count = 9;
  settings.start_toggled = 1;
  settings.key = 42;
  settings_defaults();
  EXPECT_EQ(settings.palette[2].red, 0x1234);
  EXPECT_EQ(settings.palette_count, 0);
  EXPECT_EQ(settings_get_start_toggled(), 0);
  EXPECT_EQ(settings_get_key(), static_cast<KeySym>(NoSymbol));
}

TEST(ConfigSettings, PaletteAppearsWithTheFirstPaletteOption)
{
  reset();
  set_option("color9", "white");
  GdkColor *palette = settings_get_palette();
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(palette, settings.palette);
  for (int i = 0; i < PALETTE_SIZE; i++) {
    SCOPED_TRACE(i);
    const int c = i == 9 ? 0xffff : 0;
    expect_color(palette[i], c, c, c);
  }
  // A colour that does not parse still counts, so the palette is there.
  reset();
  set_option("color9", "nothing");
  ASSERT_NE(settings_get_palette(), nullptr);
  expect_color(settings_get_palette()[9], 0, 0, 0);
}

TEST(ConfigSettings, TextAccessorsPointIntoTheRecord)
{
  reset();
  EXPECT_EQ(settings_get_font(), settings.font);
  EXPECT_EQ(settings_get_shell(), settings.shell);
  EXPECT_EQ(settings_get_emulation(), settings.emulation);
  EXPECT_EQ(settings_get_tablabel(), settings.tablabel);
  set_option("bgimage", "/usr/share/back.png");
  EXPECT_EQ(settings_get_bgimage(), settings.bgimage);
}
