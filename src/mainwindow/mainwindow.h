// The drop-down window: its construction, tabs, show/hide and shortcuts.
#pragma once

#include <atomic>
#include <gtk/gtk.h>
#include <X11/Xlib.h>

constexpr int URL_PATTERN_COUNT = 4;

struct MainWindow {
  GtkWidget *window;
  GtkWidget *notebook;
  int current_tab;
  int tab_count;
  int fullscreen;
  // Read by the toggle from the hotkey thread and the signal watch; an
  // atomic so that no access to it is a data race.
  std::atomic<int> shown;
  int composited;
  Window window_xid;
  Display *focus_display;
  gint8 url_matching;
  GRegex **url_regexes;
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
void mainwindow_toggle(int reason);
gboolean mainwindow_autohide(GtkWidget *widget, GdkEventFocus *event, gpointer data);
gboolean mainwindow_on_map(GtkWidget *widget, GdkEvent *event, gpointer data);
GdkFilterReturn mainwindow_focus_filter(GdkXEvent *xevent, GdkEvent *event, gpointer data);
gboolean mainwindow_toggle_fullscreen();

// Accelerators and the tab bar.
void mainwindow_connect_accelerators(GtkAccelGroup *group);
gboolean mainwindow_quit();
int mainwindow_tab_at_xy(GtkNotebook *notebook, int x, int y);
gboolean mainwindow_notebook_button_press(GtkWidget *notebook, GdkEventButton *event,
                                          gpointer data);
