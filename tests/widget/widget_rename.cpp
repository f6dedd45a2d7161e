// SPDX-License-Identifier: GPL-2.0-or-later
// Renaming tabs: the label's entry, titles that no longer reach a named
// tab, an empty name that gives them back, and a tab closed mid-edit.
#include "input.h"
#include "shells.h"
#include "widget_util.h"

#include "mainwindow/mainwindow.h"

#include <string>
#include <vte/vte.h>
#include <X11/Xlib.h>

namespace {

GtkNotebook *notebook() { return GTK_NOTEBOOK(mainwindow.notebook); }
GtkWidget *focus() { return gtk_window_get_focus(GTK_WINDOW(mainwindow.window)); }

GtkWidget *tab_label(int tab)
{
  return gtk_notebook_get_tab_label(notebook(), gtk_notebook_get_nth_page(notebook(), tab));
}

std::string label_text(int tab)
{
  GtkWidget *label = tab_label(tab);
  return GTK_IS_LABEL(label) ? gtk_label_get_text(GTK_LABEL(label)) : "(not a label)";
}

// The entry that stands in for the label while the tab is renamed.
GtkEntry *editing(int tab)
{
  GtkWidget *label = tab_label(tab);
  if (!label || GTK_IS_LABEL(label) || !GTK_IS_CONTAINER(label))
    return nullptr;
  GList *children = gtk_container_get_children(GTK_CONTAINER(label));
  GtkWidget *entry = children ? GTK_WIDGET(children->data) : nullptr;
  g_list_free(children);
  return entry && GTK_IS_ENTRY(entry) ? GTK_ENTRY(entry) : nullptr;
}

void set_title(int tab, const std::string &title)
{
  const std::string seq = "\033]0;" + title + "\007";
  vte_terminal_feed(VTE_TERMINAL(mainwindow_terminal_at(tab)), seq.c_str(), -1);
}

void rename_to(int tab, const char *name)
{
  mainwindow_rename_tab(tab);
  ASSERT_NE(editing(tab), nullptr);
  gtk_entry_set_text(editing(tab), name);
  gtk_widget_activate(GTK_WIDGET(editing(tab)));
  widget_pump();
  ASSERT_EQ(editing(tab), nullptr);
}

// Shells that set no title of their own.
void build(int tabs, const WidgetOptions &options = {})
{
  static const ScriptShell shell = script_shell_make("exec sleep 1000");
  WidgetOptions all = {{"-sh", shell.path}};
  all.insert(all.end(), options.begin(), options.end());
  widget_build_no_autohide(all);
  while (mainwindow.tab_count < tabs)
    mainwindow_add_tab();
  ASSERT_TRUE(widget_show());
}

TEST(Rename, NameOutlivesTitlesAndEmptyFollowsAgain)
{
  build(2);
  set_title(0, "from-shell");
  ASSERT_TRUE(widget_pump_until([] { return label_text(0) == "from-shell"; }));
  rename_to(0, "mine");
  EXPECT_EQ(label_text(0), "mine");
  EXPECT_EQ(focus(), mainwindow_terminal_at(0));
  set_title(0, "later");
  set_title(1, "other");
  ASSERT_TRUE(widget_pump_until([] { return label_text(1) == "other"; }));
  EXPECT_EQ(label_text(0), "mine");

  // Empty: the title as it is now, and later titles again.
  rename_to(0, "");
  EXPECT_EQ(label_text(0), "later");
  set_title(0, "again");
  EXPECT_TRUE(widget_pump_until([] { return label_text(0) == "again"; }));

  // A tab that never had a title gets its number back.
  rename_to(1, "x");
  EXPECT_EQ(label_text(1), "x");
  set_title(1, "ignored");
  widget_pump();
  EXPECT_EQ(label_text(1), "x");
}

TEST(Rename, NeverTitledTabGetsItsNumberBack)
{
  build(2);
  rename_to(1, "named");
  rename_to(1, "renamed");
  rename_to(1, "");
  EXPECT_EQ(label_text(1), "term 1");
}

TEST(Rename, DoubleClickEnterKeepsEscapeDrops)
{
  build(2, {{"-st", "always"}});
  Display *dpy = XOpenDisplay(nullptr);
  ASSERT_NE(dpy, nullptr);
  GtkWidget *label = tab_label(0);
  int x, y;
  gdk_window_get_origin(label->window, &x, &y);
  x += label->allocation.x + label->allocation.width / 2;
  y += label->allocation.y + label->allocation.height / 2;
  input_click(dpy, x, y, 1, 2);
  ASSERT_TRUE(widget_pump_until([] { return editing(0) && focus() == GTK_WIDGET(editing(0)); }));
  ASSERT_NE(editing(0), nullptr);
  EXPECT_EQ(mainwindow.tab_count, 2);  // not the new tab of a double click beside the tabs
  EXPECT_EQ(mainwindow.current_tab, 0);
  gtk_editable_select_region(GTK_EDITABLE(editing(0)), 0, -1);
  input_type(dpy, "typed", true);
  ASSERT_TRUE(widget_pump_until([] { return !editing(0); }));
  EXPECT_EQ(label_text(0), "typed");
  EXPECT_EQ(focus(), mainwindow_terminal_at(0));

  mainwindow_rename_tab(0);
  ASSERT_TRUE(widget_pump_until([] { return editing(0) && focus() == GTK_WIDGET(editing(0)); }));
  input_type(dpy, "dropped", false);
  input_key(dpy, "Escape");
  ASSERT_TRUE(widget_pump_until([] { return !editing(0); }));
  EXPECT_EQ(label_text(0), "typed");
  EXPECT_EQ(focus(), mainwindow_terminal_at(0));
  XCloseDisplay(dpy);
}

// The tab bar shows for the edit and goes by the setting afterwards, also
// when the tab is closed mid-edit, which leaves no entry and no label.
TEST(Rename, TabClosedWhileEditedLeavesNothing)
{
  build(3, {{"-st", "never"}});
  ASSERT_FALSE(gtk_notebook_get_show_tabs(notebook()));
  mainwindow_rename_tab(1);
  ASSERT_NE(editing(1), nullptr);
  EXPECT_TRUE(gtk_notebook_get_show_tabs(notebook()));
  EXPECT_EQ(mainwindow.current_tab, 1);
  gtk_entry_set_text(editing(1), "half");
  Watch entry(GTK_WIDGET(editing(1))), terminal(mainwindow_terminal_at(1));
  mainwindow_close_tab(nullptr);
  widget_pump();
  EXPECT_EQ(entry.widget, nullptr);
  EXPECT_EQ(terminal.widget, nullptr);
  EXPECT_EQ(mainwindow.tab_count, 2);
  EXPECT_FALSE(gtk_notebook_get_show_tabs(notebook()));
  for (int i = 0; i < mainwindow.tab_count; i++)
    EXPECT_TRUE(GTK_IS_LABEL(tab_label(i))) << i;

  mainwindow_rename_tab(0);
  gtk_entry_set_text(editing(0), "kept");
  gtk_widget_activate(GTK_WIDGET(editing(0)));
  widget_pump();
  EXPECT_EQ(label_text(0), "kept");
  EXPECT_FALSE(gtk_notebook_get_show_tabs(notebook()));
}

} // namespace
