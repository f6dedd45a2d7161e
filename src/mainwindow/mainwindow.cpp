// SPDX-License-Identifier: GPL-2.0-or-later
// Construction of the drop-down window.
#include "mainwindow/mainwindow.h"
#include "config/config.h"
#include "hotkey/hotkey.h"
#include "popupmenu/popupmenu.h"
#include "term/term.h"

#include <gdk/gdkx.h>

MainWindow mainwindow;

static void mainwindow_on_page_reordered(GtkNotebook *notebook, GtkWidget *, guint, gpointer)
{
  // A drag moves pages without switching: keep the index of the visible one.
  mainwindow.current_tab = gtk_notebook_get_current_page(notebook);
}

static void mainwindow_setup_compositing()
{
  if (!(settings_get_opacity() < 100.0f))
    return;
  GdkScreen *screen = gdk_screen_get_default();
  GdkColormap *rgba = gdk_screen_get_rgba_colormap(screen);
  mainwindow.composited = rgba && gdk_screen_is_composited(screen) ? 1 : 0;
  if (mainwindow.composited) {
    gtk_widget_set_colormap(mainwindow.window, rgba);
    gdk_screen_set_default_colormap(screen, rgba);
  }
}

static void mainwindow_setup_border()
{
  const int border = settings_get_border();
  if (border == BORDER_NONE)
    return;
  gtk_container_set_border_width(GTK_CONTAINER(mainwindow.window),
                                 border == BORDER_THIN ? 1 : 5);
  g_signal_connect(mainwindow.window, "expose-event",
                   G_CALLBACK(mainwindow_draw_border), nullptr);
}

static void mainwindow_start_hotkey()
{
  XSetErrorHandler(hotkey_error_handler);
  // Without a key there is nothing to grab (keycode 0 would take every key)
  // and nothing to listen for: no connection and no thread.
  if (settings_get_key() == NoSymbol)
    return;
  hotkey_open_display();
  hotkey_grab();
  g_thread_new("kavlor", hotkey_thread, nullptr);
}

void mainwindow_create()
{
  MainWindow &mw = mainwindow;
  term_compile_url_patterns();

  mw.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow *window = GTK_WINDOW(mw.window);
  gtk_widget_set_app_paintable(mw.window, TRUE);
  // The geometry first: it keeps the size within what X can show.
  const Placement place = settings_place_window();
  gtk_widget_set_size_request(mw.window, place.width, place.height);
  gtk_window_set_decorated(window, FALSE);
  gtk_window_set_skip_taskbar_hint(window, TRUE);
  gtk_window_set_skip_pager_hint(window, TRUE);
  gtk_window_set_resizable(window, TRUE);
  // A position the user chose (USPosition): window managers that ignore a
  // program's wish (evilwm, fvwm, twm) honour this one. The flag stays in
  // the window's size hints for every later show. A minimum of one pixel:
  // otherwise the size request above is the minimum, and a percentage size
  // on a smaller monitor, or after a mode change, could never shrink.
  GdkGeometry hints = {};
  hints.min_width = 1;
  hints.min_height = 1;
  gtk_window_set_geometry_hints(window, nullptr, &hints,
                                static_cast<GdkWindowHints>(GDK_HINT_USER_POS | GDK_HINT_MIN_SIZE));
  // On every desktop and above from the first map on: some managers read
  // this only from the properties a window carries when it is mapped
  // (evilwm), and the toolkit writes them before each map once asked.
  gtk_window_stick(window);
  gtk_window_set_keep_above(window, TRUE);
  gtk_window_move(window, place.x, place.y);
  gtk_window_resize(window, place.width, place.height);
  mw.fullscreen = 0;
  mw.shown = 0;

  GtkAccelGroup *accel = gtk_accel_group_new();
  gtk_window_add_accel_group(window, accel);
  mainwindow_connect_accelerators(accel);

  mw.current_tab = -1;
  mw.tab_count = 0;
  GtkWidget *box = gtk_vbox_new(FALSE, 0);
  mw.notebook = gtk_notebook_new();
  g_signal_connect(mw.notebook, "switch-page", G_CALLBACK(mainwindow_on_switch_page), nullptr);
  g_signal_connect(mw.notebook, "page-reordered",
                   G_CALLBACK(mainwindow_on_page_reordered), nullptr);
  mainwindow_setup_compositing();
  // After the colormap: the menu is drawn with the window's.
  popupmenu_build();
  gtk_box_pack_start(GTK_BOX(box), mw.notebook, TRUE, TRUE, 0);
  mainwindow_add_tab();
  gtk_widget_show_all(box);
  gtk_container_add(GTK_CONTAINER(mw.window), box);

  mainwindow_setup_border();
  if (settings_get_autohide()) {
    g_signal_connect(mw.window, "focus-out-event", G_CALLBACK(mainwindow_autohide), nullptr);
    gdk_window_add_filter(nullptr, mainwindow_focus_filter, nullptr);
  }
  g_signal_connect(mw.window, "show", G_CALLBACK(mainwindow_record_xid), nullptr);
  g_signal_connect(mw.window, "map-event", G_CALLBACK(mainwindow_on_map), nullptr);
  g_signal_connect(mw.window, "delete-event", G_CALLBACK(mainwindow_on_delete), nullptr);
  g_signal_connect(mw.window, "configure-event", G_CALLBACK(mainwindow_on_configure), nullptr);
  g_signal_connect(mw.window, "destroy", G_CALLBACK(mainwindow_quit), nullptr);
  g_signal_connect_after(mw.notebook, "button_press_event",
                         G_CALLBACK(mainwindow_notebook_button_press), nullptr);

  GtkNotebook *notebook = GTK_NOTEBOOK(mw.notebook);
  gtk_notebook_set_show_border(notebook, FALSE);
  gtk_notebook_set_scrollable(notebook, TRUE);
  if (settings_get_showtab() != SHOWTAB_ALWAYS)
    gtk_notebook_set_show_tabs(notebook, FALSE);
  gtk_notebook_set_tab_pos(notebook, static_cast<GtkPositionType>(settings_get_tabpos()));
  gtk_notebook_set_homogeneous_tabs(notebook, FALSE);
  // The X window is made now, while hidden, so the first show only maps it.
  gtk_widget_realize(mw.window);
  gdk_window_add_filter(mw.window->window, mainwindow_map_filter, nullptr);

  mainwindow_start_hotkey();
  if (settings_get_start_toggled())
    mainwindow_toggle(TOGGLE_AT_START);
}

gboolean mainwindow_draw_border(GtkWidget *widget, GdkEventExpose *, gpointer)
{
  int w, h;
  gtk_window_get_size(GTK_WINDOW(widget), &w, &h);
  GtkStyle *style = widget->style;
  GdkDrawable *drawable = widget->window;
  gdk_draw_rectangle(drawable, style->black_gc, FALSE, 0, 0, w - 1, h - 1);
  if (settings_get_border() == BORDER_THIN)
    return FALSE;
  gdk_draw_rectangle(drawable, style->bg_gc[GTK_STATE_SELECTED], TRUE, 1, 1, w - 2, h - 2);
  gdk_draw_rectangle(drawable, style->bg_gc[GTK_STATE_NORMAL], TRUE, 5, 5, w - 10, h - 10);
  return FALSE;
}

void mainwindow_record_xid(GtkWidget *widget, gpointer)
{
  if (mainwindow.focus_display)
    return;
  mainwindow.window_xid = gdk_x11_drawable_get_xid(widget->window);
  mainwindow.focus_display = gdk_x11_display_get_xdisplay(gdk_display_get_default());
}
