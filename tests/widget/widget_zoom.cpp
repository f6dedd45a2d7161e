// SPDX-License-Identifier: GPL-2.0-or-later
// Font zoom from the keyboard: every tab together, new tabs at the zoomed
// size, bounded, and the window keeping its size.
#include "input.h"
#include "shells.h"
#include "widget_util.h"

#include "mainwindow/mainwindow.h"

#include <gdk/gdkkeysyms.h>
#include <string>
#include <vte/vte.h>
#include <X11/Xlib.h>

namespace {

constexpr auto CS = static_cast<GdkModifierType>(GDK_CONTROL_MASK | GDK_SHIFT_MASK);

bool press(guint keyval, GdkModifierType mods = CS)
{
  const bool handled = gtk_accel_groups_activate(G_OBJECT(mainwindow.window), keyval, mods);
  widget_pump();
  return handled;
}

// Font size of a tab's terminal, in points.
double points_at(int tab)
{
  const PangoFontDescription *font = vte_terminal_get_font(VTE_TERMINAL(mainwindow_terminal_at(tab)));
  return static_cast<double>(pango_font_description_get_size(font)) / PANGO_SCALE;
}

void expect_every_tab_at(double points)
{
  for (int i = 0; i < mainwindow.tab_count; i++)
    EXPECT_EQ(points_at(i), points) << "tab " << i;
}

// The window asks for no more room than it has, so nothing makes it grow.
void expect_window_size(int width, int height)
{
  widget_pump();
  int w, h;
  gtk_window_get_size(GTK_WINDOW(mainwindow.window), &w, &h);
  EXPECT_EQ(w, width);
  EXPECT_EQ(h, height);
  GtkRequisition wanted;
  gtk_widget_size_request(mainwindow.window, &wanted);
  EXPECT_LE(wanted.width, width);
  EXPECT_LE(wanted.height, height);
}

TEST(Zoom, AllTabsTogetherAndNewTabsFollow)
{
  widget_build_no_autohide({{"-fn", "Monospace 10"}, {"-w", "640"}, {"-h", "300"}});
  mainwindow_add_tab();
  mainwindow_add_tab();
  ASSERT_TRUE(widget_show());
  int width, height;
  gtk_window_get_size(GTK_WINDOW(mainwindow.window), &width, &height);
  VteTerminal *current = VTE_TERMINAL(mainwindow_terminal_at(mainwindow.current_tab));
  const glong columns = vte_terminal_get_column_count(current);

  struct { guint key; double expected; } const steps[] = {
    {GDK_plus, 11}, {GDK_equal, 12}, {GDK_KP_Add, 13}, {GDK_plus, 14},
    {GDK_minus, 13}, {GDK_KP_Subtract, 12},
  };
  for (const auto &step : steps) {
    SCOPED_TRACE(gdk_keyval_name(step.key));
    EXPECT_TRUE(press(step.key));
    expect_every_tab_at(step.expected);
    expect_window_size(width, height);
  }
  // The larger font shows fewer columns in the same room.
  EXPECT_TRUE(widget_pump_until([&] { return vte_terminal_get_column_count(current) < columns; }));
  mainwindow_add_tab();
  EXPECT_EQ(points_at(mainwindow.current_tab), 12);

  EXPECT_TRUE(press(GDK_0));
  expect_every_tab_at(10);
  expect_window_size(width, height);
  mainwindow_add_tab();
  EXPECT_EQ(points_at(mainwindow.current_tab), 10);
}

TEST(Zoom, StaysBetweenFourAndSeventyTwoPoints)
{
  widget_build_no_autohide({{"-fn", "Monospace 6"}});
  for (int i = 0; i < 5; i++)
    press(GDK_minus);
  expect_every_tab_at(4);
  for (int i = 0; i < 80; i++)
    press(GDK_plus);
  expect_every_tab_at(72);
  press(GDK_0);
  expect_every_tab_at(6);
}

// A font named without a size zooms from the size the terminal shows.
TEST(Zoom, FontWithoutSizeStartsFromTheShownOne)
{
  widget_build_no_autohide({{"-fn", "Monospace"}});
  const double shown = points_at(0);
  ASSERT_GT(shown, 0);
  press(GDK_plus);
  expect_every_tab_at(shown + 1);
}

TEST(Zoom, KeysFollowTheKeymodSetting)
{
  widget_build_no_autohide({{"-fn", "Monospace 10"}, {"-km", "alt"}});
  EXPECT_FALSE(press(GDK_plus, CS));
  expect_every_tab_at(10);
  EXPECT_TRUE(press(GDK_plus, GDK_MOD1_MASK));
  expect_every_tab_at(11);
  // Alt+0 stays the tenth tab's key.
  EXPECT_TRUE(press(GDK_0, GDK_MOD1_MASK));
  expect_every_tab_at(11);
}

// Real key presses: with Shift held, minus arrives as an underscore.
TEST(Zoom, TypedKeys)
{
  widget_build_no_autohide({{"-fn", "Monospace 10"}});
  ASSERT_TRUE(widget_show());
  Display *dpy = XOpenDisplay(nullptr);
  ASSERT_NE(dpy, nullptr);
  struct { const char *combo; double expected; } const steps[] = {
    {"ctrl+shift+equal", 11}, {"ctrl+shift+plus", 12}, {"ctrl+shift+minus", 11},
    {"ctrl+shift+KP_Add", 12}, {"ctrl+shift+KP_Subtract", 11}, {"ctrl+shift+0", 10},
  };
  for (const auto &step : steps) {
    SCOPED_TRACE(step.combo);
    input_key(dpy, step.combo);
    EXPECT_TRUE(widget_pump_until([&] { return points_at(0) == step.expected; }, 5)) << points_at(0);
  }
  XCloseDisplay(dpy);
}

} // namespace
