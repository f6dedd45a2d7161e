// SPDX-License-Identifier: GPL-2.0-or-later
// The right-click menu: its items, the dispatch of each one, and the flag
// that holds autohide while it is up.
#include "input.h"
#include "shells.h"
#include "widget_util.h"

#include "config/config.h"
#include "mainwindow/mainwindow.h"
#include "popupmenu/popupmenu.h"

#include <cstring>
#include <gdk/gdkkeysyms.h>
#include <string>
#include <vector>
#include <vte/vte.h>
#include <X11/Xlib.h>

namespace {

GtkNotebook *notebook() { return GTK_NOTEBOOK(mainwindow.notebook); }

std::vector<GtkWidget *> menu_items()
{
  std::vector<GtkWidget *> out;
  GList *children = gtk_container_get_children(GTK_CONTAINER(popupmenu.popup_menu));
  for (GList *l = children; l; l = l->next)
    out.push_back(GTK_WIDGET(l->data));
  g_list_free(children);
  return out;
}

GtkWidget *item_labelled(const char *label)
{
  for (GtkWidget *item : menu_items())
    if (GTK_IS_IMAGE_MENU_ITEM(item) && strcmp(gtk_menu_item_get_label(GTK_MENU_ITEM(item)), label) == 0)
      return item;
  return nullptr;
}

// Chooses an item the way a click does once the menu has let go of it.
void choose(const char *label)
{
  GtkWidget *item = item_labelled(label);
  ASSERT_NE(item, nullptr) << label;
  gtk_menu_item_activate(GTK_MENU_ITEM(item));
  widget_pump();
}

bool close_sensitive() { return gtk_widget_get_sensitive(popupmenu.close_tab_item); }

bool menu_on_screen() { return gtk_widget_get_mapped(popupmenu.popup_menu); }

TEST(PopupMenu, ItemsOrderSeparatorsAndIcons)
{
  widget_build_no_autohide({});
  struct { const char *label; const char *stock; } const expected[] = {
    {"New Tab", "gtk-add"},   {"Close Tab", "gtk-close"}, {"Rename Tab…", "gtk-edit"},
    {nullptr, nullptr},
    {"Copy", "gtk-copy"},     {"Paste", "gtk-paste"},     {"Find…", "gtk-find"},
    {nullptr, nullptr},
    {"Toggle Fullscreen", "gtk-fullscreen"},              {nullptr, nullptr},
    {"Quit", "gtk-quit"},
  };
  GtkWidget *menu = popupmenu.popup_menu;
  // Later terminals reuse the menu the first one built.
  mainwindow_add_tab();
  mainwindow_add_tab();
  ASSERT_EQ(popupmenu.popup_menu, menu);

  const auto items = menu_items();
  ASSERT_EQ(items.size(), G_N_ELEMENTS(expected));
  for (size_t i = 0; i < items.size(); i++) {
    SCOPED_TRACE("entry " + std::to_string(i));
    EXPECT_TRUE(gtk_widget_get_visible(items[i]));
    if (!expected[i].label) {
      EXPECT_TRUE(GTK_IS_SEPARATOR_MENU_ITEM(items[i]));
      continue;
    }
    ASSERT_TRUE(GTK_IS_IMAGE_MENU_ITEM(items[i]));
    EXPECT_STREQ(gtk_menu_item_get_label(GTK_MENU_ITEM(items[i])), expected[i].label);
    GtkWidget *image = gtk_image_menu_item_get_image(GTK_IMAGE_MENU_ITEM(items[i]));
    ASSERT_TRUE(image && GTK_IS_IMAGE(image));
    gchar *stock = nullptr;
    GtkIconSize size;
    gtk_image_get_stock(GTK_IMAGE(image), &stock, &size);
    EXPECT_STREQ(stock, expected[i].stock);
    EXPECT_EQ(size, GTK_ICON_SIZE_MENU);
  }
  EXPECT_EQ(items[1], popupmenu.close_tab_item);
}

TEST(PopupMenu, CloseTabUsableOnlyWithTwoOrMoreTabs)
{
  widget_build_no_autohide({});
  EXPECT_FALSE(close_sensitive());
  mainwindow_add_tab();
  EXPECT_TRUE(close_sensitive());
  mainwindow_add_tab();
  EXPECT_TRUE(close_sensitive());
  choose("Close Tab");
  EXPECT_EQ(mainwindow.tab_count, 2);
  EXPECT_TRUE(close_sensitive());
  choose("Close Tab");
  EXPECT_EQ(mainwindow.tab_count, 1);
  EXPECT_FALSE(close_sensitive());
  // The last tab closed is replaced, and the item stays greyed out.
  mainwindow_close_tab(nullptr);
  EXPECT_EQ(mainwindow.tab_count, 1);
  EXPECT_FALSE(close_sensitive());
}

TEST(PopupMenu, NewTabAddsACurrentTabAndLeavesTheFocus)
{
  widget_build_no_autohide({});
  GtkWindow *window = GTK_WINDOW(mainwindow.window);
  // With the focus nowhere, the notebook moves none on a page switch.
  gtk_window_set_focus(window, nullptr);
  choose("New Tab");
  EXPECT_EQ(mainwindow.tab_count, 2);
  EXPECT_EQ(mainwindow.current_tab, 1);
  EXPECT_EQ(gtk_notebook_get_current_page(notebook()), 1);
  EXPECT_EQ(gtk_window_get_focus(window), nullptr);
}

TEST(PopupMenu, CloseTabClosesTheCurrentTab)
{
  widget_build_no_autohide({});
  mainwindow_add_tab();
  mainwindow_add_tab();
  Watch first(mainwindow_terminal_at(0)), middle(mainwindow_terminal_at(1)),
      last(mainwindow_terminal_at(2));
  gtk_notebook_set_current_page(notebook(), 1);
  ASSERT_EQ(mainwindow.current_tab, 1);
  choose("Close Tab");
  EXPECT_EQ(middle.widget, nullptr);
  ASSERT_EQ(mainwindow.tab_count, 2);
  EXPECT_EQ(mainwindow_terminal_at(0), first.widget);
  EXPECT_EQ(mainwindow_terminal_at(1), last.widget);
  EXPECT_EQ(mainwindow.current_tab, gtk_notebook_get_current_page(notebook()));
}

TEST(PopupMenu, ToggleFullscreenFlipsTheState)
{
  widget_build_no_autohide({});
  ASSERT_TRUE(widget_show());
  EXPECT_EQ(mainwindow.fullscreen, 0);
  choose("Toggle Fullscreen");
  EXPECT_EQ(mainwindow.fullscreen, 1);
  EXPECT_TRUE(widget_pump_until([] {
    return gdk_window_get_state(mainwindow.window->window) & GDK_WINDOW_STATE_FULLSCREEN;
  }));
  choose("Toggle Fullscreen");
  EXPECT_EQ(mainwindow.fullscreen, 0);
  EXPECT_TRUE(widget_pump_until([] {
    return !(gdk_window_get_state(mainwindow.window->window) & GDK_WINDOW_STATE_FULLSCREEN);
  }));
}

gboolean give_up(gpointer flag)
{
  *static_cast<bool *>(flag) = true;
  gtk_main_quit();
  return FALSE;
}

gboolean choose_quit(gpointer)
{
  popupmenu.popup_open = 1;
  choose("Quit");
  return FALSE;
}

TEST(PopupMenu, QuitDestroysTheWindowAndEndsTheMainLoop)
{
  widget_build_no_autohide({});
  ASSERT_TRUE(widget_show());
  Watch window(mainwindow.window);
  bool timed_out = false;
  gdk_threads_add_idle(choose_quit, nullptr);
  const guint guard = gdk_threads_add_timeout_seconds(20, give_up, &timed_out);
  gtk_main();
  EXPECT_FALSE(timed_out) << "the main loop did not end";
  if (!timed_out)
    g_source_remove(guard);
  EXPECT_EQ(window.widget, nullptr);
  EXPECT_EQ(popupmenu.popup_open, 0);
}

TEST(PopupMenu, EveryItemAndEveryDismissalClearsTheOpenFlag)
{
  widget_build_no_autohide({});
  mainwindow_add_tab();
  ASSERT_TRUE(widget_show());
  for (const char *label : {"New Tab", "Close Tab", "Copy", "Paste", "Toggle Fullscreen"}) {
    popupmenu.popup_open = 1;
    choose(label);
    EXPECT_EQ(popupmenu.popup_open, 0) << label;
  }
  popupmenu.popup_open = 1;
  const int tabs = mainwindow.tab_count;
  popupmenu_activate(GINT_TO_POINTER(-1));
  EXPECT_EQ(popupmenu.popup_open, 0);
  EXPECT_EQ(mainwindow.tab_count, tabs);

  // Dismissed without a choice, as Escape does.
  popupmenu_popup(GDK_CURRENT_TIME);
  EXPECT_EQ(popupmenu.popup_open, 1);
  ASSERT_TRUE(widget_pump_until(menu_on_screen));
  gtk_menu_shell_cancel(GTK_MENU_SHELL(popupmenu.popup_menu));
  widget_pump();
  EXPECT_EQ(popupmenu.popup_open, 0);
  EXPECT_FALSE(menu_on_screen());
}

// Root coordinates of the centre of a widget.
void widget_centre(GtkWidget *widget, int *x, int *y)
{
  gdk_window_get_origin(widget->window, x, y);
  if (!gtk_widget_get_has_window(widget)) {
    *x += widget->allocation.x;
    *y += widget->allocation.y;
  }
  *x += widget->allocation.width / 2;
  *y += widget->allocation.height / 2;
}

void send_press(GtkWidget *widget, GdkEventType type, guint button)
{
  GdkEvent *event = gdk_event_new(type);
  event->button.window = GDK_WINDOW(g_object_ref(widget->window));
  event->button.send_event = TRUE;
  event->button.time = GDK_CURRENT_TIME;
  event->button.x = 20;
  event->button.y = 20;
  event->button.button = button;
  event->button.device = gdk_device_get_core_pointer();
  gtk_widget_event(widget, event);
  gdk_event_free(event);
}

TEST(PopupMenu, ASingleRightPressOnATerminalOpensIt)
{
  widget_build_no_autohide({});
  ASSERT_TRUE(widget_show());
  GtkWidget *terminal = mainwindow_terminal_at(0);

  // Double and triple presses of the right button leave it closed.
  send_press(terminal, GDK_2BUTTON_PRESS, 3);
  send_press(terminal, GDK_3BUTTON_PRESS, 3);
  widget_pump();
  EXPECT_EQ(popupmenu.popup_open, 0);
  EXPECT_FALSE(menu_on_screen());

  Display *dpy = XOpenDisplay(nullptr);
  ASSERT_NE(dpy, nullptr);
  int x, y;
  widget_centre(terminal, &x, &y);
  input_click(dpy, x, y, 3);
  EXPECT_TRUE(widget_pump_until([] { return popupmenu.popup_open == 1 && menu_on_screen(); }));
  gtk_menu_shell_cancel(GTK_MENU_SHELL(popupmenu.popup_menu));
  widget_pump();
  EXPECT_EQ(popupmenu.popup_open, 0);
  XCloseDisplay(dpy);
}

// ---- Copy and Paste, from the menu and from the keyboard -------------------

enum class Via { Menu, Keys };

void run_command(Via via, const char *label, guint key)
{
  if (via == Via::Menu)
    choose(label);
  else
    EXPECT_TRUE(gtk_accel_groups_activate(G_OBJECT(mainwindow.window), key,
                                          static_cast<GdkModifierType>(GDK_CONTROL_MASK | GDK_SHIFT_MASK)));
  widget_pump();
}

std::string terminal_text(GtkWidget *terminal)
{
  char *text = vte_terminal_get_text(VTE_TERMINAL(terminal), nullptr, nullptr, nullptr);
  std::string out = text ? text : "";
  g_free(text);
  return out;
}

class Clipboard : public testing::TestWithParam<Via> {};

TEST_P(Clipboard, CopyTakesTheSelectionOfTheCurrentTerminal)
{
  // Shells that print nothing, so the screens hold only what is fed here.
  const ScriptShell shell = script_shell_make("exec sleep 1000");
  widget_build_no_autohide({{"-sh", shell.path}});
  mainwindow_add_tab();
  ASSERT_TRUE(widget_show());
  GtkWidget *first = mainwindow_terminal_at(0), *second = mainwindow_terminal_at(1);
  vte_terminal_feed(VTE_TERMINAL(first), "ALPHA-text\r\n", -1);
  vte_terminal_feed(VTE_TERMINAL(second), "BRAVO-text\r\n", -1);
  ASSERT_TRUE(widget_pump_until([&] {
    return terminal_text(first).find("ALPHA-text") != std::string::npos &&
           terminal_text(second).find("BRAVO-text") != std::string::npos;
  }));
  gtk_notebook_set_current_page(notebook(), 0);
  widget_pump();
  vte_terminal_select_all(VTE_TERMINAL(first));
  widget_pump();
  GtkClipboard *clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
  gtk_clipboard_set_text(clipboard, "before", -1);

  run_command(GetParam(), "Copy", GDK_c);
  gchar *text = gtk_clipboard_wait_for_text(clipboard);
  ASSERT_NE(text, nullptr);
  EXPECT_NE(std::string(text).find("ALPHA-text"), std::string::npos) << text;
  g_free(text);
}

TEST_P(Clipboard, PasteFeedsTheClipboardToTheCurrentShell)
{
  const ScriptShell shell = script_shell_make();
  widget_build_no_autohide({{"-sh", shell.path}});
  mainwindow_add_tab();
  ASSERT_TRUE(widget_show());
  ASSERT_TRUE(widget_pump_until([&] { return script_shell_starts(shell).size() == 2; }));
  gtk_notebook_set_current_page(notebook(), 0);
  widget_pump();
  const std::string out = shell.dir + "/pasted";
  const std::string command = "echo $$ > " + out + "\n";
  gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), command.c_str(), -1);

  run_command(GetParam(), "Paste", GDK_v);
  ASSERT_TRUE(widget_pump_until([&] { return file_read(out).find('\n') != std::string::npos; }))
      << "nothing ran";
  // The shell of the first tab, the current one, ran it.
  EXPECT_EQ(atoi(file_read(out).c_str()), script_shell_starts(shell)[0].pid);
}

INSTANTIATE_TEST_SUITE_P(ViaMenuAndKeys, Clipboard, testing::Values(Via::Menu, Via::Keys),
                         [](const testing::TestParamInfo<Via> &info) {
                           return std::string(info.param == Via::Menu ? "Menu" : "Keys");
                         });

// Rename Tab edits the label of the current tab, with the focus in it.
TEST(PopupMenu, RenameTabEditsTheCurrentLabel)
{
  widget_build_no_autohide({});
  mainwindow_add_tab();
  mainwindow_add_tab();
  ASSERT_TRUE(widget_show());
  gtk_notebook_set_current_page(notebook(), 1);
  popupmenu.popup_open = 1;
  choose("Rename Tab…");
  EXPECT_EQ(popupmenu.popup_open, 0);
  GtkWidget *entry = gtk_window_get_focus(GTK_WINDOW(mainwindow.window));
  ASSERT_TRUE(entry && GTK_IS_ENTRY(entry));
  EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(entry)), "term 1");
  // It stands in the tab of the second page.
  GtkWidget *tab = gtk_notebook_get_tab_label(notebook(), gtk_notebook_get_nth_page(notebook(), 1));
  EXPECT_EQ(gtk_widget_get_parent(entry), tab);
}

// Find opens the search of the current tab with the focus in its entry.
TEST(PopupMenu, FindOpensTheSearchOfTheCurrentTab)
{
  widget_build_no_autohide({});
  mainwindow_add_tab();
  ASSERT_TRUE(widget_show());
  popupmenu.popup_open = 1;
  choose("Find…");
  EXPECT_EQ(popupmenu.popup_open, 0);
  ASSERT_NE(searchbar.bar, nullptr);
  EXPECT_TRUE(gtk_widget_get_visible(searchbar.bar));
  EXPECT_EQ(gtk_window_get_focus(GTK_WINDOW(mainwindow.window)), searchbar.entry);
  gtk_notebook_set_current_page(notebook(), 0);
  widget_pump();
  EXPECT_FALSE(gtk_widget_get_visible(searchbar.bar));
}

} // namespace
