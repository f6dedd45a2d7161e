// SPDX-License-Identifier: GPL-2.0-or-later
// The context menu of the terminals and the tab bar.
#include "popupmenu/popupmenu.h"
#include "mainwindow/mainwindow.h"

PopupMenu popupmenu;

namespace {

struct MenuCommand {
  const char *label;
  const char *stock_id;
  bool separator_before;
  void (*run)();
  GtkWidget **kept;  // where the item is kept, starting insensitive
};

// label                stock id              separator  action                                   kept as
const MenuCommand commands[] = {
  {"New Tab",           GTK_STOCK_ADD,        false,     mainwindow_add_tab,                      nullptr},
  {"Close Tab",         GTK_STOCK_CLOSE,      false,     [] { mainwindow_close_tab(nullptr); },   &popupmenu.close_tab_item},
  {"Rename Tab…",       GTK_STOCK_EDIT,       false,     [] { mainwindow_rename_tab(mainwindow.current_tab); }, nullptr},
  {"Copy",              GTK_STOCK_COPY,       true,      [] { mainwindow_copy(); },               nullptr},
  {"Paste",             GTK_STOCK_PASTE,      false,     [] { mainwindow_paste(); },              nullptr},
  {"Find…",             GTK_STOCK_FIND,       false,     mainwindow_search_open,                  nullptr},
  {"Toggle Fullscreen", GTK_STOCK_FULLSCREEN, true,      [] { mainwindow_toggle_fullscreen(); },  nullptr},
  {"Quit",              GTK_STOCK_QUIT,       true,      [] { gtk_widget_destroy(mainwindow.window); }, nullptr},
};
constexpr int COMMAND_COUNT = static_cast<int>(G_N_ELEMENTS(commands));

void append_shown(GtkWidget *item)
{
  gtk_menu_shell_append(GTK_MENU_SHELL(popupmenu.popup_menu), item);
  gtk_widget_show(item);
}

} // namespace

void popupmenu_build()
{
  popupmenu.popup_menu = gtk_menu_new();
  popupmenu.popup_open = 0;
  for (int row = 0; row < COMMAND_COUNT; row++) {
    const MenuCommand &c = commands[row];
    if (c.separator_before)
      append_shown(gtk_separator_menu_item_new());
    GtkWidget *item = gtk_image_menu_item_new_with_label(c.label);
    GtkWidget *icon = gtk_image_new_from_stock(c.stock_id, GTK_ICON_SIZE_MENU);
    if (c.kept) {
      *c.kept = item;
      gtk_widget_set_sensitive(item, FALSE);
    }
    gtk_image_menu_item_set_image(GTK_IMAGE_MENU_ITEM(item), icon);
    g_signal_connect_data(item, "activate", G_CALLBACK(popupmenu_activate),
                          GINT_TO_POINTER(row), nullptr, G_CONNECT_SWAPPED);
    append_shown(item);
  }
  g_signal_connect_data(popupmenu.popup_menu, "deactivate", G_CALLBACK(popupmenu_deactivate),
                        nullptr, nullptr, G_CONNECT_SWAPPED);
}

void popupmenu_activate(gpointer row)
{
  const int r = GPOINTER_TO_INT(row);
  if (r >= 0 && r < COMMAND_COUNT)
    commands[r].run();
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
