// Showing and hiding the drop-down, autohide and fullscreen.
#include "mainwindow/mainwindow.h"
#include "config/config.h"
#include "popupmenu/popupmenu.h"

static void mainwindow_show()
{
  GtkWindow *window = GTK_WINDOW(mainwindow.window);
  int x, y;
  settings_get_position(&x, &y);
  gtk_window_move(window, x, y);
  gtk_window_resize(window, settings_get_width(), settings_get_height());
  if (gtk_window_is_active(window))
    gtk_widget_show(mainwindow.window);
  else
    gtk_window_present(window);
  gtk_window_stick(window);
  gtk_window_set_keep_above(window, TRUE);
  gdk_window_focus(mainwindow.window->window, gtk_get_current_event_time());
  gdk_flush();
}

// Called from the hotkey thread, the signal watch and construction, never
// with the GDK lock held. The decision is taken under the lock, so the
// visibility flag is never read while the main thread changes it.
void mainwindow_toggle(int reason)
{
  gdk_threads_enter();
  const bool visible = reason == 0 ? gtk_widget_get_visible(mainwindow.window)
                                   : mainwindow.shown.load() != 0;
  if (visible) {
    gtk_widget_hide(mainwindow.window);
    gdk_flush();
    mainwindow.shown = 0;
  } else {
    mainwindow.shown = 1;
    mainwindow_show();
  }
  gdk_threads_leave();
}

// FALSE lets the toolkit finish its own focus-out work (the window stops
// counting as active, which the show path asks).
gboolean mainwindow_autohide(GtkWidget *, GdkEventFocus *, gpointer)
{
  Window focus;
  int revert;
  XGetInputFocus(mainwindow.focus_display, &focus, &revert);
  if (focus == mainwindow.window_xid)
    return FALSE;
  mainwindow.shown = 0;
  if (!popupmenu.popup_open)
    gtk_widget_hide(mainwindow.window);
  return FALSE;
}

gboolean mainwindow_toggle_fullscreen()
{
  GtkWindow *window = GTK_WINDOW(mainwindow.window);
  if (mainwindow.fullscreen) {
    gtk_window_unfullscreen(window);
    int x, y;
    settings_get_position(&x, &y);
    gtk_window_move(window, x, y);
    gtk_window_resize(window, settings_get_width(), settings_get_height());
  } else {
    gtk_window_fullscreen(window);
  }
  mainwindow.fullscreen = !mainwindow.fullscreen;
  mainwindow_focus_terminal();
  return TRUE;
}
