// SPDX-License-Identifier: GPL-2.0-or-later
// The right-click menu.
#pragma once

#include <gtk/gtk.h>

#include <vector>

struct PopupMenu {
  GtkWidget *popup_menu;
  int popup_open;
  GtkWidget *close_tab_item;
};

extern PopupMenu popupmenu;

void popupmenu_build();
// The item of row `row` of the menu table; any item closes the menu.
void popupmenu_activate(gpointer row);
void popupmenu_deactivate();
void popupmenu_popup(guint32 time);
// The item labels in menu order, for the manual.
std::vector<const char *> popupmenu_labels();
