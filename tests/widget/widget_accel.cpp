// SPDX-License-Identifier: GPL-2.0-or-later
// Keyboard accelerators, activated through the window's accelerator groups
// so that the real table is exercised.
#include "widget_util.h"

#include "config/config.h"
#include "mainwindow/mainwindow.h"
#include "popupmenu/popupmenu.h"

#include <gdk/gdkkeysyms.h>
#include <string>
#include <vector>

namespace {

constexpr auto CS = static_cast<GdkModifierType>(GDK_CONTROL_MASK | GDK_SHIFT_MASK);
constexpr auto ALT = GDK_MOD1_MASK;

GtkNotebook *notebook() { return GTK_NOTEBOOK(mainwindow.notebook); }

bool press(guint keyval, GdkModifierType mods)
{
  const bool handled = gtk_accel_groups_activate(G_OBJECT(mainwindow.window), keyval, mods);
  widget_pump();
  return handled;
}

GtkWidget *focus() { return gtk_window_get_focus(GTK_WINDOW(mainwindow.window)); }

void build_tabs(int count, const WidgetOptions &options = {})
{
  widget_build_no_autohide(options);
  while (mainwindow.tab_count < count)
    mainwindow_add_tab();
  widget_pump();
}

// The current tab as all three places see it: the record, the notebook and
// the focus, which the switching keys give to the tab's terminal.
void expect_current(int index)
{
  EXPECT_EQ(mainwindow.current_tab, index);
  EXPECT_EQ(gtk_notebook_get_current_page(notebook()), index);
  EXPECT_EQ(focus(), mainwindow_terminal_at(index));
}

TEST(Accel, NextAndPreviousWrapAround)
{
  build_tabs(3);
  ASSERT_EQ(mainwindow.current_tab, 2);
  struct { guint key; int expected; } const steps[] = {
    {GDK_Page_Up, 0},   {GDK_Page_Up, 1},   {GDK_Page_Up, 2},
    {GDK_Page_Down, 1}, {GDK_Page_Down, 0}, {GDK_Page_Down, 2},
  };
  for (const auto &step : steps) {
    SCOPED_TRACE(std::string(step.key == GDK_Page_Up ? "next" : "previous") + " to " +
                 std::to_string(step.expected));
    EXPECT_TRUE(press(step.key, CS));
    expect_current(step.expected);
  }
}

TEST(Accel, NextAndPreviousWithOneTabStayOnIt)
{
  build_tabs(1);
  EXPECT_TRUE(press(GDK_Page_Up, CS));
  expect_current(0);
  EXPECT_TRUE(press(GDK_Page_Down, CS));
  expect_current(0);
}

TEST(Accel, AltDigitsSelectTabsAndIgnoreMissingOnes)
{
  build_tabs(3);
  struct { guint key; int expected; } const steps[] = {
    {GDK_2, 1}, {GDK_1, 0}, {GDK_3, 2},
    {GDK_4, 2},  // past the last tab: stays
    {GDK_1, 0}, {GDK_0, 0},
  };
  for (const auto &step : steps) {
    SCOPED_TRACE("Alt+" + std::string(1, static_cast<char>(step.key)));
    EXPECT_TRUE(press(step.key, ALT));
    expect_current(step.expected);
  }
  while (mainwindow.tab_count < 10)
    mainwindow_add_tab();
  gtk_notebook_set_current_page(notebook(), 0);
  EXPECT_TRUE(press(GDK_0, ALT));
  expect_current(9);
  EXPECT_TRUE(press(GDK_9, ALT));
  expect_current(8);
}

TEST(Accel, NewTabIsCurrentAndFocused)
{
  build_tabs(1);
  EXPECT_TRUE(press(GDK_t, CS));
  EXPECT_EQ(mainwindow.tab_count, 2);
  expect_current(1);
}

TEST(Accel, CloseTabFocusesTheTabThatRemains)
{
  build_tabs(3);
  gtk_notebook_set_current_page(notebook(), 1);
  EXPECT_TRUE(press(GDK_w, CS));
  EXPECT_EQ(mainwindow.tab_count, 2);
  expect_current(mainwindow.current_tab);
  EXPECT_GE(mainwindow.current_tab, 0);
}

TEST(Accel, ClosingTheOnlyTabGivesAFreshFocusedOne)
{
  build_tabs(1);
  GtkWidget *old = mainwindow_terminal_at(0);
  g_object_add_weak_pointer(G_OBJECT(old), reinterpret_cast<gpointer *>(&old));
  EXPECT_TRUE(press(GDK_w, CS));
  EXPECT_EQ(old, nullptr);
  ASSERT_EQ(mainwindow.tab_count, 1);
  expect_current(0);
  GtkWidget *page = gtk_notebook_get_nth_page(notebook(), 0);
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(gtk_notebook_get_tab_label(notebook(), page))),
               "term 0");
  EXPECT_FALSE(gtk_widget_get_sensitive(popupmenu.close_tab_item));
}

TEST(Accel, F11TogglesFullscreenAndFocusesTheTerminal)
{
  build_tabs(2);
  gtk_window_set_focus(GTK_WINDOW(mainwindow.window), nullptr);
  EXPECT_TRUE(press(GDK_F11, static_cast<GdkModifierType>(0)));
  EXPECT_EQ(mainwindow.fullscreen, 1);
  EXPECT_EQ(focus(), mainwindow_terminal_at(mainwindow.current_tab));
  EXPECT_TRUE(press(GDK_F11, static_cast<GdkModifierType>(0)));
  EXPECT_EQ(mainwindow.fullscreen, 0);
}

gboolean give_up(gpointer flag)
{
  *static_cast<bool *>(flag) = true;
  gtk_main_quit();
  return FALSE;
}

gboolean press_quit(gpointer)
{
  press(GDK_q, CS);
  return FALSE;
}

TEST(Accel, QuitEndsTheMainLoop)
{
  build_tabs(1);
  bool timed_out = false;
  gdk_threads_add_idle(press_quit, nullptr);
  const guint guard = gdk_threads_add_timeout_seconds(20, give_up, &timed_out);
  gtk_main();
  EXPECT_FALSE(timed_out) << "the main loop did not end";
  if (!timed_out)
    g_source_remove(guard);
}

TEST(Accel, KeymodSettingMovesOnlyItsRows)
{
  build_tabs(1, {{"-km", "alt"}});
  // The keymod rows follow the setting...
  EXPECT_FALSE(press(GDK_t, CS));
  EXPECT_EQ(mainwindow.tab_count, 1);
  EXPECT_TRUE(press(GDK_t, ALT));
  EXPECT_EQ(mainwindow.tab_count, 2);
  EXPECT_TRUE(press(GDK_Page_Down, ALT));
  expect_current(0);
  // ...while the tab digits stay on Alt and F11 has no modifier.
  EXPECT_TRUE(press(GDK_2, ALT));
  expect_current(1);
  EXPECT_TRUE(press(GDK_F11, static_cast<GdkModifierType>(0)));
  EXPECT_EQ(mainwindow.fullscreen, 1);
}

} // namespace
