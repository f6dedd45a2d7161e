// SPDX-License-Identifier: GPL-2.0-or-later
// The context menu of the terminals and the tab bar.
#include "popupmenu/popupmenu.h"
#include "mainwindow/mainwindow.h"

#include <cstring>
#include <vte/vte.h>

PopupMenu popupmenu;

namespace {

struct MenuCommand {
  const char *label;
  const char *stock_id;
  bool separator_before;
};

// label                stock id           separator before
const MenuCommand commands[] = {
  {"New Tab",           GTK_STOCK_ADD,        false},
  {"Close Tab",         GTK_STOCK_CLOSE,      false},
  {"Copy",              GTK_STOCK_COPY,       true},
  {"Paste",             GTK_STOCK_PASTE,      false},
  {"Toggle Fullscreen", GTK_STOCK_FULLSCREEN, true},
  {"Quit",              GTK_STOCK_QUIT,       true},
};

void append_shown(GtkWidget *item)
{
  gtk_menu_shell_append(GTK_MENU_SHELL(popupmenu.popup_menu), item);
  gtk_widget_show(item);
}

VteTerminal *current_terminal()
{
  return VTE_TERMINAL(mainwindow_terminal_at(mainwindow.current_tab));
}

} // namespace

void popupmenu_build()
{
  popupmenu.popup_menu = gtk_menu_new();
  popupmenu.popup_open = 0;
  for (const MenuCommand &c : commands) {
    if (c.separator_before)
      append_shown(gtk_separator_menu_item_new());
    GtkWidget *item = gtk_image_menu_item_new_with_label(c.label);
    GtkWidget *icon = gtk_image_new_from_stock(c.stock_id, GTK_ICON_SIZE_MENU);
    if (strcmp(c.label, "Close Tab") == 0) {
      popupmenu.close_tab_item = item;
      gtk_widget_set_sensitive(item, FALSE);
    }
    gtk_image_menu_item_set_image(GTK_IMAGE_MENU_ITEM(item), icon);
    g_signal_connect_data(item, "activate", G_CALLBACK(popupmenu_activate),
                          const_cast<char *>(c.label), nullptr, G_CONNECT_SWAPPED);
    append_shown(item);
  }
  g_signal_connect_data(popupmenu.popup_menu, "deactivate", G_CALLBACK(popupmenu_deactivate),
                        nullptr, nullptr, G_CONNECT_SWAPPED);
}

void popupmenu_activate(const char *label)
{
  if (strcmp(label, "New Tab") == 0)
    mainwindow_add_tab();
  else if (strcmp(label, "Close Tab") == 0)
    mainwindow_close_tab(nullptr);
  else if (strcmp(label, "Copy") == 0)
    vte_terminal_copy_clipboard(current_terminal());
  else if (strcmp(label, "Paste") == 0)
    vte_terminal_paste_clipboard(current_terminal());
  else if (strcmp(label, "Toggle Fullscreen") == 0)
    mainwindow_toggle_fullscreen();
  else if (strcmp(label, "Quit") == 0)
    gtk_widget_destroy(mainwindow.window);
  popupmenu.popup_open = 0;
}

void popupmenu_deactivate()
{
  popupmenu.popup_open = 0;
}

void popupmenu_popup(guint32 time)
{
  popupmenu.popup_open = 1;
  gtk_menu_popup(GTK_MENU(popupmenu.popup_menu), nullptr, nullptr, nullptr, nullptr, 3, time);
}

std::vector<const char *> popupmenu_labels()
{
  std::vector<const char *> labels;
  for (const MenuCommand &c : commands)
    labels.push_back(c.label);
  return labels;
}
