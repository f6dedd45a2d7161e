// SPDX-License-Identifier: GPL-2.0-or-later
// The floor for the show/hide figures: a bare toolkit window holding one
// terminal, shown and hidden on SIGUSR1 with nothing but the calls a
// drop-down cannot do without. Whatever the drop-down takes beyond this
// window's times is its own cost.
//   floor_window SHELL [--shown] [--key]
// --shown shows the window once before the main loop, as a start toggle;
// --key also toggles on F11, grabbed on the root window and read from the
// main loop: the floor of a hotkey's path through the server and the
// window manager.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <unistd.h>
#include <X11/keysym.h>
#include "bare_terminal.h"

namespace {

// The drop-down's default size and place: 800x400, top centre.
constexpr int kWidth = 800, kHeight = 400;

GtkWidget *window;
int pipe_fds[2] = {-1, -1};

void on_signal(int)
{
  const char byte = 0;
  if (write(pipe_fds[1], &byte, 1) < 0) {
    // A full pipe already holds a wake-up.
  }
}

void floor_toggle()
{
  if (gtk_widget_get_visible(window)) {
    gtk_widget_hide(window);
    gdk_flush();
    return;
  }
  const int x = (gdk_screen_get_width(gdk_screen_get_default()) - kWidth) / 2;
  gtk_window_move(GTK_WINDOW(window), x, 0);
  gtk_window_present(GTK_WINDOW(window));
  gtk_window_stick(GTK_WINDOW(window));
  gtk_window_set_keep_above(GTK_WINDOW(window), TRUE);
  gdk_window_focus(window->window, GDK_CURRENT_TIME);
  gdk_flush();
}

gboolean on_pipe(GIOChannel *, GIOCondition, gpointer)
{
  char buf[64];
  ssize_t n;
  while ((n = read(pipe_fds[0], buf, sizeof buf)) > 0)
    for (ssize_t i = 0; i < n; i++)
      floor_toggle();
  return TRUE;
}

GdkFilterReturn on_root_event(GdkXEvent *xevent, GdkEvent *, gpointer)
{
  if (static_cast<XEvent *>(xevent)->type != KeyPress)
    return GDK_FILTER_CONTINUE;
  floor_toggle();
  return GDK_FILTER_REMOVE;
}

void grab_key()
{
  Display *d = gdk_x11_display_get_xdisplay(gdk_display_get_default());
  const KeyCode code = XKeysymToKeycode(d, XK_F11);
  XGrabKey(d, code, 0, DefaultRootWindow(d), True, GrabModeAsync, GrabModeAsync);
  gdk_window_add_filter(gdk_get_default_root_window(), on_root_event, nullptr);
}

} // namespace

int main(int argc, char **argv)
{
  gtk_init(&argc, &argv);
  bool shown = false, key = false;
  for (int i = 2; i < argc; i++) {
    if (strcmp(argv[i], "--shown") == 0) {
      shown = true;
    } else if (strcmp(argv[i], "--key") == 0) {
      key = true;
    } else {
      argc = 0;
      break;
    }
  }
  if (argc < 2) {
    fprintf(stderr, "usage: %s SHELL [--shown] [--key]\n", argv[0]);
    return 1;
  }
  if (pipe2(pipe_fds, O_CLOEXEC | O_NONBLOCK) != 0) {
    perror("floor_window: pipe");
    return 1;
  }
  GIOChannel *channel = g_io_channel_unix_new(pipe_fds[0]);
  g_io_add_watch(channel, G_IO_IN, on_pipe, nullptr);
  g_io_channel_unref(channel);
  struct sigaction sa = {};
  sa.sa_handler = on_signal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGUSR1, &sa, nullptr);

  window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow *w = GTK_WINDOW(window);
  gtk_window_set_wmclass(w, "floor_window", "FloorWindow");
  gtk_window_set_decorated(w, FALSE);
  gtk_window_set_skip_taskbar_hint(w, TRUE);
  gtk_window_set_skip_pager_hint(w, TRUE);
  gtk_window_set_default_size(w, kWidth, kHeight);

  GtkWidget *terminal = bare_terminal_new(argv[1], "Bitstream Vera Sans Mono 10");
  if (!terminal)
    return 1;
  gtk_container_add(GTK_CONTAINER(window), terminal);
  gtk_widget_show(terminal);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  // Made while hidden, like the drop-down's, so that it can be found.
  gtk_widget_realize(window);
  if (key)
    grab_key();
  if (shown)
    floor_toggle();
  gtk_main();
  return 0;
}
