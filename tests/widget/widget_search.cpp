// SPDX-License-Identifier: GPL-2.0-or-later
// Searching the scrollback: older and newer matches, wrapping, plain text,
// a miss that leaves the view, and one search per tab.
#include "input.h"
#include "shells.h"
#include "widget_util.h"

#include "mainwindow/mainwindow.h"

#include <cstring>
#include <gdk/gdkkeysyms.h>
#include <string>
#include <vte/vte.h>
#include <X11/Xlib.h>

namespace {

constexpr auto CS = static_cast<GdkModifierType>(GDK_CONTROL_MASK | GDK_SHIFT_MASK);

GtkNotebook *notebook() { return GTK_NOTEBOOK(mainwindow.notebook); }
VteTerminal *terminal_at(int tab) { return VTE_TERMINAL(mainwindow_terminal_at(tab)); }
GtkWidget *focus() { return gtk_window_get_focus(GTK_WINDOW(mainwindow.window)); }
bool bar_shown() { return searchbar.bar && gtk_widget_get_visible(searchbar.bar); }
std::string entry_text() { return gtk_entry_get_text(GTK_ENTRY(searchbar.entry)); }

bool press_find()
{
  const bool handled = gtk_accel_groups_activate(G_OBJECT(mainwindow.window), GDK_f, CS);
  widget_pump();
  return handled;
}

// The view shows the row: the search scrolled to its match. Matches in the
// tests lie further apart than a view is high.
bool shows_row(VteTerminal *terminal, long row)
{
  GtkAdjustment *adj = vte_terminal_get_adjustment(terminal);
  const double top = gtk_adjustment_get_value(adj);
  return top <= row && row < top + gtk_adjustment_get_page_size(adj);
}

// The row of the scrollback where `text` first shows.
long row_of(VteTerminal *terminal, const char *text)
{
  char *all = vte_terminal_get_text_range(terminal, 0, 0, 10000, 500, nullptr, nullptr, nullptr);
  const char *at = all ? strstr(all, text) : nullptr;
  long row = at ? 0 : -1;
  for (const char *p = all; at && p < at; p++)
    row += *p == '\n';
  g_free(all);
  return row;
}

double scrolled(VteTerminal *terminal)
{
  return gtk_adjustment_get_value(vte_terminal_get_adjustment(terminal));
}

void type_search(const char *text)
{
  gtk_entry_set_text(GTK_ENTRY(searchbar.entry), text);
  widget_pump();
}

// Feeds `text` and a last line, and waits until the terminal shows that.
void feed(VteTerminal *terminal, const std::string &text)
{
  vte_terminal_feed(terminal, (text + "the end").c_str(), -1);
  ASSERT_TRUE(widget_pump_until([&] {
    char *all = vte_terminal_get_text(terminal, nullptr, nullptr, nullptr);
    const bool seen = all && strstr(all, "the end");
    g_free(all);
    return seen;
  }));
}

std::string filler(int lines)
{
  std::string out;
  for (int i = 0; i < lines; i++)
    out += "filler " + std::to_string(i) + "\r\n";
  return out;
}

// Shells that print nothing: the screens hold only what the tests feed.
void build(int tabs = 1)
{
  static const ScriptShell shell = script_shell_make("exec sleep 1000");
  widget_build_no_autohide({{"-sh", shell.path}, {"-w", "600"}, {"-h", "300"}});
  while (mainwindow.tab_count < tabs)
    mainwindow_add_tab();
  ASSERT_TRUE(widget_show());
}

TEST(Search, OlderNewerAndAround)
{
  build();
  VteTerminal *terminal = terminal_at(0);
  feed(terminal, "needle first\r\n" + filler(60) + "Needle second\r\n" + filler(60) +
                     "NEEDLE third\r\n" + filler(3));
  const long FIRST = row_of(terminal, "needle first"), SECOND = row_of(terminal, "Needle second"),
             THIRD = row_of(terminal, "NEEDLE third");
  ASSERT_EQ(SECOND - FIRST, 61);
  ASSERT_EQ(THIRD - SECOND, 61);
  ASSERT_TRUE(press_find());
  ASSERT_TRUE(bar_shown());
  EXPECT_EQ(focus(), searchbar.entry);

  Display *dpy = XOpenDisplay(nullptr);
  ASSERT_NE(dpy, nullptr);
  // As the text is typed, the newest match; any case.
  input_type(dpy, "needle", false);
  ASSERT_TRUE(widget_pump_until([] { return entry_text() == "needle"; }));
  EXPECT_TRUE(vte_terminal_get_has_selection(terminal));
  EXPECT_TRUE(shows_row(terminal, THIRD));
  EXPECT_EQ(searchbar.failed, 0);
  struct { const char *combo; long row; } const steps[] = {
    {"Return", SECOND}, {"Return", FIRST},
    {"Return", THIRD},         // around, from the oldest to the newest
    {"shift+Return", FIRST},   // and back, from the newest to the oldest
    {"shift+Return", SECOND},
  };
  for (const auto &step : steps) {
    SCOPED_TRACE(std::string(step.combo) + " to row " + std::to_string(step.row));
    input_key(dpy, step.combo);
    EXPECT_TRUE(widget_pump_until([&] { return shows_row(terminal, step.row); }, 5))
        << scrolled(terminal);
    EXPECT_EQ(searchbar.failed, 0);
  }
  XCloseDisplay(dpy);
}

TEST(Search, PlainTextAndAMissThatLeavesTheView)
{
  build();
  VteTerminal *terminal = terminal_at(0);
  feed(terminal, filler(20) + "a.b here\r\n" + filler(60) + "axb there\r\n" + filler(60));
  const long match = row_of(terminal, "a.b here");
  ASSERT_GE(match, 0);
  mainwindow_search_open();
  type_search("A.B");
  EXPECT_TRUE(widget_pump_until([&] { return shows_row(terminal, match); }, 5));
  EXPECT_EQ(searchbar.failed, 0);
  // The only match, "axb" is none: around to itself both ways.
  for (gboolean backward : {gboolean(TRUE), gboolean(FALSE)}) {
    gtk_adjustment_set_value(vte_terminal_get_adjustment(terminal), 40);
    EXPECT_TRUE(mainwindow_search_find(backward));
    EXPECT_TRUE(widget_pump_until([&] { return shows_row(terminal, match); }, 5));
  }
  gtk_adjustment_set_value(vte_terminal_get_adjustment(terminal), 30);
  widget_pump();
  const double view = scrolled(terminal);
  GtkStyle *plain = gtk_widget_get_style(searchbar.entry);
  const GdkColor plain_base = plain->base[GTK_STATE_NORMAL];

  type_search("a.b.c");
  EXPECT_EQ(searchbar.failed, 1);
  EXPECT_FALSE(mainwindow_search_find(TRUE));
  widget_pump();
  EXPECT_EQ(scrolled(terminal), view);
  // The miss shows in the entry, not in a dialog.
  const GdkColor tinted = gtk_widget_get_style(searchbar.entry)->base[GTK_STATE_NORMAL];
  EXPECT_FALSE(gdk_color_equal(&tinted, &plain_base));
  GList *toplevels = gtk_window_list_toplevels();
  int shown = 0;
  for (GList *l = toplevels; l; l = l->next)
    shown += gtk_widget_get_visible(GTK_WIDGET(l->data)) &&
             gtk_window_get_window_type(GTK_WINDOW(l->data)) == GTK_WINDOW_TOPLEVEL;
  g_list_free(toplevels);
  EXPECT_EQ(shown, 1);

  type_search("a.b");
  EXPECT_EQ(searchbar.failed, 0);
  const GdkColor back = gtk_widget_get_style(searchbar.entry)->base[GTK_STATE_NORMAL];
  EXPECT_TRUE(gdk_color_equal(&back, &plain_base));
}

TEST(Search, EscapeAndCloseGiveTheFocusBack)
{
  build();
  Display *dpy = XOpenDisplay(nullptr);
  ASSERT_NE(dpy, nullptr);
  ASSERT_TRUE(press_find());
  ASSERT_EQ(focus(), searchbar.entry);
  input_key(dpy, "Escape");
  EXPECT_TRUE(widget_pump_until([] { return !bar_shown(); }, 5));
  EXPECT_EQ(focus(), mainwindow_terminal_at(0));
  XCloseDisplay(dpy);

  ASSERT_TRUE(press_find());
  ASSERT_TRUE(bar_shown());
  gtk_button_clicked(GTK_BUTTON(searchbar.close));
  widget_pump();
  EXPECT_FALSE(bar_shown());
  EXPECT_EQ(focus(), mainwindow_terminal_at(0));
}

TEST(Search, EachTabHasItsOwnBar)
{
  build(3);
  gtk_notebook_set_current_page(notebook(), 0);
  mainwindow_search_open();
  type_search("first");
  gtk_notebook_set_current_page(notebook(), 1);
  widget_pump();
  EXPECT_FALSE(bar_shown());
  mainwindow_search_open();
  type_search("second");
  gtk_notebook_set_current_page(notebook(), 2);
  widget_pump();
  EXPECT_FALSE(bar_shown());
  gtk_notebook_set_current_page(notebook(), 0);
  widget_pump();
  EXPECT_TRUE(bar_shown());
  EXPECT_EQ(entry_text(), "first");
  gtk_notebook_set_current_page(notebook(), 1);
  widget_pump();
  EXPECT_TRUE(bar_shown());
  EXPECT_EQ(entry_text(), "second");

  // Closed with its bar open: the terminal goes, the bar shows the next tab's.
  Watch closed(mainwindow_terminal_at(1));
  mainwindow_close_tab(nullptr);
  widget_pump();
  EXPECT_EQ(closed.widget, nullptr);
  const bool expect_open = mainwindow_terminal_at(mainwindow.current_tab) == mainwindow_terminal_at(0);
  EXPECT_EQ(bar_shown(), expect_open);

  // The last tab closed with its bar open: the fresh tab has none.
  while (mainwindow.tab_count > 1)
    mainwindow_close_tab(nullptr);
  mainwindow_search_open();
  type_search("last");
  Watch last(mainwindow_terminal_at(0));
  mainwindow_close_tab(nullptr);
  widget_pump();
  EXPECT_EQ(last.widget, nullptr);
  EXPECT_EQ(mainwindow.tab_count, 1);
  EXPECT_FALSE(bar_shown());
  // Still a box around the terminal.
  EXPECT_TRUE(VTE_IS_TERMINAL(mainwindow_terminal_at(0)));
}

} // namespace
