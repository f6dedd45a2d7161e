// SPDX-License-Identifier: GPL-2.0-or-later
// Showing and hiding the drop-down, autohide and fullscreen.
#include "mainwindow/mainwindow.h"
#include "config/config.h"
#include "main/instance.h"
#include "popupmenu/popupmenu.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <gdk/gdkx.h>

// Toggles in quick succession (signals counted together) hide and show
// again before the focus-out of the hide is read. The X server made that
// focus-out before it got the show's requests, so its serial is older than
// the show's first request: such a focus-out must not hide the new show.
// Both serials are written under the GDK lock.
static unsigned long show_serial, focus_out_serial;
// A keyboard grab (the hotkey's own, above all) sends a focus-out that
// moves the focus nowhere: it must not cost round trips to the server
// before the press that caused it can hide the window.
static bool focus_out_grab;

// The place the last show asked for, and whether its map is still to come.
// Written under the GDK lock by the show path, read by the map handler.
static int show_x, show_y;
static bool map_pending;
// From the map until the window manager's first word on the place.
static bool place_watch;

GdkFilterReturn mainwindow_focus_filter(GdkXEvent *xevent, GdkEvent *, gpointer)
{
  const XEvent *e = static_cast<const XEvent *>(xevent);
  if (e->type == FocusOut) {
    focus_out_serial = e->xany.serial;
    focus_out_grab = e->xfocus.mode == NotifyGrab;
  }
  return GDK_FILTER_CONTINUE;
}

// The toolkit sends a resize to the size the window has already all the
// same, and the window manager works it through before it maps the window.
// The size asked of the toolkit and the X window's own must both match.
static bool mainwindow_has_size(int width, int height)
{
  int asked_w, asked_h, x_w, x_h;
  gtk_window_get_size(GTK_WINDOW(mainwindow.window), &asked_w, &asked_h);
  gdk_drawable_get_size(mainwindow.window->window, &x_w, &x_h);
  return asked_w == width && asked_h == height && x_w == width && x_h == height;
}

// An unmap that came from outside (a program's iconify request, the window
// manager, another client) after the last show began. An unmap older than
// that show, as from our own hide before it, decides nothing: toggles in
// quick succession read it after the next show. From the events the
// toolkit reads anyway, no round trip; written under the GDK lock.
static unsigned long unmap_serial;
static bool unmapped;

GdkFilterReturn mainwindow_map_filter(GdkXEvent *xevent, GdkEvent *, gpointer)
{
  const XEvent *e = static_cast<const XEvent *>(xevent);
  if (e->type == UnmapNotify) {
    unmapped = true;
    unmap_serial = e->xany.serial;
  } else if (e->type == MapNotify) {
    unmapped = false;
  }
  return GDK_FILTER_CONTINUE;
}

// Iconified or withdrawn from outside, the window keeps its toolkit
// visible flag but is not on screen.
static bool mainwindow_on_screen()
{
  return gtk_widget_get_visible(mainwindow.window) && !(unmapped && unmap_serial >= show_serial);
}

// The X time of the last show, which its focus requests carry.
static guint32 show_time;

// The server tells its time in the PropertyNotify of a change to one of
// our windows. The change is asked first and the event read after the
// placement's own round trip has brought it in, so that the time costs no
// wait of its own.
static Atom mainwindow_ask_time(Display *dpy, Window xid)
{
  const Atom atom = gdk_x11_get_xatom_by_name("_KAVLOR_TIME");
  XChangeProperty(dpy, xid, atom, atom, 8, PropModeReplace, nullptr, 0);
  return atom;
}

static guint32 mainwindow_read_time(Display *dpy, Window xid, Atom atom)
{
  struct Wanted { Window xid; Atom atom; } wanted = {xid, atom};
  XEvent event;
  XIfEvent(dpy, &event, [](Display *, XEvent *e, XPointer arg) -> Bool {
    const Wanted *w = reinterpret_cast<const Wanted *>(arg);
    return e->type == PropertyNotify && e->xproperty.window == w->xid &&
           e->xproperty.atom == w->atom;
  }, reinterpret_cast<XPointer>(&wanted));
  return static_cast<guint32>(event.xproperty.time);
}

static void mainwindow_show(guint32 time)
{
  GtkWindow *window = GTK_WINDOW(mainwindow.window);
  GdkWindow *gdk_window = mainwindow.window->window;
  Display *dpy = gdk_x11_display_get_xdisplay(gdk_display_get_default());
  const Window xid = gdk_x11_drawable_get_xid(gdk_window);
  show_serial = NextRequest(dpy);
  // Window managers refuse the focus to a request of time 0 (kwin) or log
  // it as a fault (mutter, muffin). A key press brings its own time; any
  // other request gets the server's time now.
  const Atom time_atom = time != 0 ? None : mainwindow_ask_time(dpy, xid);
  const Placement place = settings_place_window();
  show_time = time != 0 ? time : mainwindow_read_time(dpy, xid, time_atom);
  gtk_window_move(window, place.x, place.y);
  if (!mainwindow_has_size(place.width, place.height))
    gtk_window_resize(window, place.width, place.height);
  show_x = place.x;
  show_y = place.y;
  map_pending = true;
  // Read by the window manager when the window is mapped.
  gdk_x11_window_set_user_time(gdk_window, show_time);
  // gtk_widget_show does nothing to a window the toolkit counts visible.
  if (gtk_window_is_active(window) && mainwindow_on_screen())
    gtk_widget_show(mainwindow.window);
  else
    gtk_window_present_with_time(window, show_time);
  gtk_window_stick(window);
  gtk_window_set_keep_above(window, TRUE);
  gdk_window_focus(gdk_window, show_time);
  gdk_flush();
}

// Called for a hotkey press, from the signal watch and at construction,
// never with the GDK lock held. The decision too is taken under the lock.
void mainwindow_toggle(ToggleReason reason, guint32 time)
{
  gdk_threads_enter();
  // What is not on screen is shown, whoever asks.
  const bool visible = mainwindow_on_screen() &&
                       (reason == TOGGLE_HOTKEY || mainwindow.shown != 0);
  if (visible) {
    gtk_widget_hide(mainwindow.window);
    gdk_flush();
    mainwindow.shown = 0;
  } else {
    mainwindow.shown = 1;
    mainwindow_show(time);
  }
  gdk_threads_leave();
}

// SIGUSR1 is counted in the handler and the toggles run from the main loop,
// outside the handler and outside the GDK lock (mainwindow_toggle takes it).
// Counting, rather than a flag, gives one toggle per signal that arrived.
static std::atomic<int> toggle_requests{0};
// The X time a "--toggle" starter passed along with its request (from its
// startup id); 0 when it had none.
static std::atomic<guint32> toggle_time{0};
static int toggle_pipe[2] = {-1, -1};

static void mainwindow_on_toggle_signal(int, siginfo_t *info, void *)
{
  const int saved = errno;
  if (info && info->si_code == SI_QUEUE && info->si_value.sival_int != 0)
    toggle_time.store(static_cast<guint32>(info->si_value.sival_int), std::memory_order_relaxed);
  toggle_requests.fetch_add(1, std::memory_order_relaxed);
  const char byte = 0;
  if (write(toggle_pipe[1], &byte, 1) < 0) {
    // A full pipe already holds a wake-up; the count carries the rest.
  }
  errno = saved;
}

static gboolean mainwindow_serve_toggle_requests(GIOChannel *, GIOCondition, gpointer)
{
  char buf[256];
  while (read(toggle_pipe[0], buf, sizeof buf) > 0) {
  }
  // A launcher's busy cursor ends once the startup id is completed.
  char id[256];
  if (instance_take_startup_id(id, sizeof id)) {
    gdk_threads_enter();
    gdk_notify_startup_complete_with_id(id);
    gdk_threads_leave();
  }
  for (int n = toggle_requests.exchange(0); n > 0; n--)
    mainwindow_toggle(TOGGLE_SIGNAL, toggle_time.exchange(0));
  return TRUE;
}

// Blocks or unblocks SIGUSR1 on the calling thread.
static void mainwindow_mask_toggle_signal(int how)
{
  sigset_t usr1;
  sigemptyset(&usr1);
  sigaddset(&usr1, SIGUSR1);
  pthread_sigmask(how, &usr1, nullptr);
}

void mainwindow_hold_toggle_requests()
{
  mainwindow_mask_toggle_signal(SIG_BLOCK);
}

void mainwindow_watch_toggle_requests()
{
  if (pipe2(toggle_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    perror("error: pipe");
    exit(1);
  }
  GIOChannel *channel = g_io_channel_unix_new(toggle_pipe[0]);
  g_io_add_watch(channel, G_IO_IN, mainwindow_serve_toggle_requests, nullptr);
  g_io_channel_unref(channel);
  struct sigaction sa = {};
  sa.sa_sigaction = mainwindow_on_toggle_signal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART | SA_SIGINFO;
  sigaction(SIGUSR1, &sa, nullptr);
  // A request that came before the handler waited, blocked: served now.
  // Threads made before this point keep it blocked; the hotkey thread, made
  // later, takes it too, which is fine: the handler only counts and writes.
  mainwindow_mask_toggle_signal(SIG_UNBLOCK);
}

// GTK keeps the focus on a child of the toplevel, and a key grab (the
// hotkey's own) sends a focus-out without moving the focus: focus anywhere
// inside the window is still ours.
static bool mainwindow_focus_inside(Window focus)
{
  Display *d = mainwindow.focus_display;
  while (focus != None && focus != PointerRoot) {
    if (focus == mainwindow.window_xid)
      return true;
    Window root, parent, *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(d, focus, &root, &parent, &children, &n))
      return false;
    if (children)
      XFree(children);
    if (parent == root)
      return false;
    focus = parent;
  }
  return false;
}

// Some window managers place the window themselves when it is mapped,
// whatever it asked for before (i3 at every map, others by the pointer
// when they take the position for a program's guess). Move it back once,
// unless it or the frame the manager insists on is already there: a
// second request is never sent, so a manager that refuses is not fought.
static void mainwindow_place_again()
{
  if (mainwindow.fullscreen)
    return;
  Display *d = mainwindow.focus_display;
  int x, y;
  Window child;
  XTranslateCoordinates(d, mainwindow.window_xid, DefaultRootWindow(d), 0, 0, &x, &y, &child);
  if (x == show_x && y == show_y)
    return;
  GdkRectangle frame;
  gdk_window_get_frame_extents(mainwindow.window->window, &frame);
  if (frame.x == show_x && frame.y == show_y)
    return;
  gtk_window_move(GTK_WINDOW(mainwindow.window), show_x, show_y);
}

// Without the EWMH activation message GDK asks for the focus itself with
// XSetInputFocus, which fails (BadMatch, ignored) while the window manager
// has not mapped the window yet: ask again now that it is mapped. Managers
// with the message focus the window themselves and are left alone.
static void mainwindow_focus_again()
{
  GdkScreen *screen = gtk_widget_get_screen(mainwindow.window);
  if (gdk_x11_screen_supports_net_wm_hint(screen,
                                          gdk_atom_intern_static_string("_NET_ACTIVE_WINDOW")))
    return;
  Window focus;
  int revert;
  XGetInputFocus(mainwindow.focus_display, &focus, &revert);
  if (mainwindow_focus_inside(focus))
    return;
  gdk_window_focus(mainwindow.window->window, show_time);
}

// GTK 2 stops painting the toplevel from a configure request until the
// manager's answer, and forgets the request but not the freeze when the
// window is unmapped first (sway answers a tiled window late): later shows
// could stay unpainted. Lift what no request still waits for.
static void mainwindow_thaw_painting()
{
  GdkWindow *gdk_window = mainwindow.window->window;
  const guint waiting = GTK_WINDOW(mainwindow.window)->configure_request_count;
  while (GDK_WINDOW_OBJECT(gdk_window)->update_and_descendants_freeze_count > waiting)
    gdk_window_thaw_toplevel_updates_libgtk_only(gdk_window);
}

// The first map after a show: what had to wait for the window manager.
gboolean mainwindow_on_map(GtkWidget *, GdkEvent *, gpointer)
{
  mainwindow_thaw_painting();
  if (!map_pending)
    return FALSE;
  map_pending = false;
  mainwindow_place_again();
  place_watch = true;
  mainwindow_focus_again();
  return FALSE;
}

// The window manager's close (Alt+F4, a close button) would destroy the
// window and with it every shell. A drop-down has no title bar, so that
// close is a reflex: it hides the window, as the key would.
gboolean mainwindow_on_delete(GtkWidget *, GdkEvent *, gpointer)
{
  gtk_widget_hide(mainwindow.window);
  mainwindow.shown = 0;
  return TRUE;
}

// awesome places a window after mapping it, when the map handler has
// already seen it in place; the manager then tells the window where it is
// with a synthetic configure notice. The first such notice after a map
// may move it back, once: most managers' first notice names the place
// asked, which costs no round trip.
gboolean mainwindow_on_configure(GtkWidget *, GdkEventConfigure *event, gpointer)
{
  if (!place_watch || !event->send_event || !gtk_widget_get_mapped(mainwindow.window))
    return FALSE;
  place_watch = false;
  if (event->x != show_x || event->y != show_y)
    mainwindow_place_again();
  return FALSE;
}

// FALSE lets the toolkit finish its own focus-out work (the window stops
// counting as active, which the show path asks).
gboolean mainwindow_autohide(GtkWidget *, GdkEventFocus *, gpointer)
{
  if (focus_out_serial < show_serial || focus_out_grab)
    return FALSE;
  // A hidden window holds no focus: nothing to ask, nothing to hide.
  if (!gtk_widget_get_visible(mainwindow.window)) {
    mainwindow.shown = 0;
    return FALSE;
  }
  Window focus;
  int revert;
  XGetInputFocus(mainwindow.focus_display, &focus, &revert);
  if (mainwindow_focus_inside(focus))
    return FALSE;
  mainwindow.shown = 0;
  if (!popupmenu.popup_open)
    gtk_widget_hide(mainwindow.window);
  return FALSE;
}

gboolean mainwindow_toggle_fullscreen()
{
  GtkWindow *window = GTK_WINDOW(mainwindow.window);
  // Leaving fullscreen places the window anew: no stale show to go back to.
  place_watch = false;
  if (mainwindow.fullscreen) {
    gtk_window_unfullscreen(window);
    const Placement place = settings_place_window();
    gtk_window_move(window, place.x, place.y);
    gtk_window_resize(window, place.width, place.height);
  } else {
    gtk_window_fullscreen(window);
  }
  mainwindow.fullscreen = !mainwindow.fullscreen;
  mainwindow_focus_terminal();
  return TRUE;
}
