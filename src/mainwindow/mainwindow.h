// SPDX-License-Identifier: GPL-2.0-or-later
// The drop-down window: its construction, tabs, show/hide and shortcuts.
#pragma once

#include <gtk/gtk.h>
#include <X11/Xlib.h>

// The GDK lock guards every widget and the records here and in the popup
// menu; it is not recursive, so each path takes it exactly once.
// Run with the lock held, take nothing:
//   X event handlers and filters (the toolkit's event source), popup menu
//   items, accelerators; the terminal's requests, titles and "eof" (the
//   library emits them from its processing timeout, which takes the lock);
//   sources added with gdk_threads_add_* (restart back-off, the window
//   request flush).
// Run without it, take it themselves:
//   the terminal's "child-exited" (the library's child watch);
//   mainwindow_toggle, called from the SIGUSR1 watch (a plain I/O watch
//   that touches nothing else), from the idle by which the hotkey thread
//   hands over each press, and once at construction, before the main loop
//   and the hotkey thread. All of them run on the main thread: the terminal
//   library's child watch does some of its own work unlocked.

struct MainWindow {
  GtkWidget *window;
  GtkWidget *notebook;
  int current_tab;
  int tab_count;
  int fullscreen;
  int shown;  // shown by a toggle; cleared by a hide and by autohide
  int composited;
  Window window_xid;
  Display *focus_display;
};

extern MainWindow mainwindow;

void mainwindow_create();
gboolean mainwindow_draw_border(GtkWidget *widget, GdkEventExpose *event, gpointer data);
void mainwindow_record_xid(GtkWidget *widget, gpointer data);

// Tabs.
void mainwindow_add_tab();
void mainwindow_close_tab(GtkWidget *terminal);
GtkWidget *mainwindow_terminal_at(int index);
void mainwindow_focus_terminal();
void mainwindow_on_switch_page(GtkNotebook *notebook, gpointer page, guint page_num,
                               gpointer data);

// Show, hide, autohide, fullscreen.
// Who asks for a toggle. The hotkey's user looks at the screen, so what is
// on it decides; a signal or the start cannot, so what was recorded does.
enum ToggleReason { TOGGLE_HOTKEY, TOGGLE_AT_START, TOGGLE_SIGNAL };
// `time` is the X time of the user's request (a key press, a launcher's
// startup id); 0 asks the server for its time now.
void mainwindow_toggle(ToggleReason reason, guint32 time = 0);
// SIGUSR1 stays blocked from the start of main until its watch is in place,
// so an early toggle request is kept, not fatal.
void mainwindow_hold_toggle_requests();
// From here on each SIGUSR1 is one toggle, run from the main loop.
void mainwindow_watch_toggle_requests();
gboolean mainwindow_autohide(GtkWidget *widget, GdkEventFocus *event, gpointer data);
gboolean mainwindow_on_map(GtkWidget *widget, GdkEvent *event, gpointer data);
GdkFilterReturn mainwindow_map_filter(GdkXEvent *xevent, GdkEvent *event, gpointer data);
gboolean mainwindow_on_configure(GtkWidget *widget, GdkEventConfigure *event, gpointer data);
GdkFilterReturn mainwindow_focus_filter(GdkXEvent *xevent, GdkEvent *event, gpointer data);
gboolean mainwindow_toggle_fullscreen();
gboolean mainwindow_on_delete(GtkWidget *widget, GdkEvent *event, gpointer data);

// Renaming: the label of tab `index` becomes an entry; Enter keeps the name,
// Escape drops it, an empty name follows the terminal's title again.
void mainwindow_rename_tab(int index);
// The user named the tab of this label: titles leave it alone.
gboolean mainwindow_tab_renamed(GtkWidget *label);

// Searching the current tab's scrollback. One bar under the notebook shows
// the search of the current tab; each terminal keeps whether its bar is open
// and its text, so a tab's page stays a box around its terminal.
struct SearchBar {
  GtkWidget *bar;  // null until the first search
  GtkWidget *entry;
  GtkWidget *previous;
  GtkWidget *next;
  GtkWidget *close;
  int failed;      // the last search found nothing
};

extern SearchBar searchbar;

void mainwindow_search_open();
void mainwindow_search_close();
// Backward is the older match. False when there is none.
gboolean mainwindow_search_find(gboolean backward);
// Shows the search of tab `index`, which is becoming the current one.
void mainwindow_search_follow(int index);

// Accelerators and the tab bar.
void mainwindow_connect_accelerators(GtkAccelGroup *group);
gboolean mainwindow_quit();
// The current tab's terminal and the clipboard, for the keys and the menu.
gboolean mainwindow_copy();
gboolean mainwindow_paste();
int mainwindow_tab_at_xy(GtkNotebook *notebook, int x, int y);
gboolean mainwindow_notebook_button_press(GtkWidget *notebook, GdkEventButton *event,
                                          gpointer data);
