// SPDX-License-Identifier: GPL-2.0-or-later
// Tabs: one notebook page per terminal.
#include "mainwindow/mainwindow.h"
#include "config/config.h"
#include "popupmenu/popupmenu.h"
#include "term/term.h"

static void mainwindow_set_close_sensitive(gboolean sensitive)
{
  if (popupmenu.close_tab_item)
    gtk_widget_set_sensitive(popupmenu.close_tab_item, sensitive);
}

void mainwindow_add_tab()
{
  MainWindow &mw = mainwindow;
  GtkNotebook *notebook = GTK_NOTEBOOK(mw.notebook);
  GtkWidget *terminal = term_new();
  GtkWidget *box = gtk_hbox_new(FALSE, 0);
  const int scrollbar = settings_get_scrollbar();
  if (scrollbar == SCROLLBAR_NONE) {
    gtk_box_pack_start(GTK_BOX(box), terminal, TRUE, TRUE, 0);
  } else {
    GtkWidget *bar = gtk_vscrollbar_new(vte_terminal_get_adjustment(VTE_TERMINAL(terminal)));
    if (scrollbar == SCROLLBAR_LEFT) {
      gtk_box_pack_start(GTK_BOX(box), bar, FALSE, FALSE, 0);
      gtk_box_pack_end(GTK_BOX(box), terminal, TRUE, TRUE, 0);
    } else {
      gtk_box_pack_start(GTK_BOX(box), terminal, TRUE, TRUE, 0);
      gtk_box_pack_end(GTK_BOX(box), bar, FALSE, FALSE, 0);
    }
  }
  // The label is cut to fit rather than overrun.
  char text[SETTINGS_TEXT_SIZE + 16];
  g_snprintf(text, sizeof text, "%s %d", settings_get_tablabel(), mw.tab_count);
  GtkWidget *label = gtk_label_new(text);
  term_setup_transparency(terminal);
  g_signal_connect(terminal, "window-title-changed", G_CALLBACK(term_on_title_changed), label);
  mw.tab_count++;
  gtk_widget_show_all(box);
  gtk_notebook_append_page(notebook, box, label);
  if (settings_get_tabfill())
    gtk_container_child_set(GTK_CONTAINER(notebook), box,
                            "tab-expand", TRUE, "tab-fill", TRUE, nullptr);
  if (settings_get_showtab() == SHOWTAB_ONE && mw.tab_count >= 2)
    gtk_notebook_set_show_tabs(notebook, TRUE);
  mw.current_tab = mw.tab_count - 1;
  gtk_notebook_set_current_page(notebook, mw.current_tab);
  if (settings_get_allowreorder())
    gtk_notebook_set_tab_reorderable(notebook, box, TRUE);
  term_add_url_matches(terminal);
  if (mw.tab_count >= 2)
    mainwindow_set_close_sensitive(TRUE);
}

void mainwindow_close_tab(GtkWidget *terminal)
{
  MainWindow &mw = mainwindow;
  GtkNotebook *notebook = GTK_NOTEBOOK(mw.notebook);
  int index = mw.current_tab;
  if (terminal)
    for (int i = 0; i < gtk_notebook_get_n_pages(notebook); i++)
      if (mainwindow_terminal_at(i) == terminal) {
        index = i;
        break;
      }
  mw.tab_count--;
  gtk_notebook_remove_page(notebook, index);
  mw.current_tab = gtk_notebook_get_current_page(notebook);
  if (mw.tab_count == 1) {
    if (settings_get_showtab() == SHOWTAB_ONE)
      gtk_notebook_set_show_tabs(notebook, FALSE);
    mainwindow_set_close_sensitive(FALSE);
  } else if (mw.tab_count == 0) {
    mainwindow_add_tab();
    mainwindow_set_close_sensitive(FALSE);
  }
}

GtkWidget *mainwindow_terminal_at(int index)
{
  GtkWidget *page = gtk_notebook_get_nth_page(GTK_NOTEBOOK(mainwindow.notebook), index);
  if (!page)
    return nullptr;
  GList *children = gtk_container_get_children(GTK_CONTAINER(page));
  const guint n = settings_get_scrollbar() == SCROLLBAR_LEFT ? 1 : 0;
  GtkWidget *terminal = GTK_WIDGET(g_list_nth_data(children, n));
  g_list_free(children);
  return terminal;
}

void mainwindow_focus_terminal()
{
  if (mainwindow.current_tab < 0)
    return;
  GtkWidget *terminal = mainwindow_terminal_at(mainwindow.current_tab);
  if (terminal)
    gtk_window_set_focus(GTK_WINDOW(mainwindow.window), terminal);
}

void mainwindow_on_switch_page(GtkNotebook *, gpointer, guint page_num, gpointer)
{
  mainwindow.current_tab = static_cast<int>(page_num);
  mainwindow_search_follow(mainwindow.current_tab);
}
