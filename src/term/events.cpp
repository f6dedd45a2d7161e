// SPDX-License-Identifier: GPL-2.0-or-later
// What happens inside a terminal: clicks, the end of its shell, requests
// of its programs and title changes.
#include "term/term.h"
#include "gptr.h"
#include "config/config.h"
#include "mainwindow/mainwindow.h"
#include "popupmenu/popupmenu.h"


namespace {

// A shell that fails right after it started would otherwise be restarted in
// a tight loop; after a few quick failures the restarts are spaced out.
constexpr gint64 QUICK_EXIT_US = 2 * G_USEC_PER_SEC;
constexpr int FREE_RESTARTS = 3;
constexpr guint MAX_DELAY_S = 30;

struct RestartState {
  gint64 started;
  GPid pid;  // of the shell last started, whose directory a new tab may take
  int quick_failures;
  guint timer;
  bool gone;  // its tab was closed
};

void restart_state_free(gpointer data)
{
  auto *rs = static_cast<RestartState *>(data);
  if (rs->timer)
    g_source_remove(rs->timer);
  g_free(rs);
}

RestartState *restart_state(VteTerminal *terminal)
{
  auto *rs = static_cast<RestartState *>(g_object_get_data(G_OBJECT(terminal), "kv-restart"));
  if (!rs) {
    rs = g_new0(RestartState, 1);
    g_object_set_data_full(G_OBJECT(terminal), "kv-restart", rs, restart_state_free);
  }
  return rs;
}

void term_restart_shell(VteTerminal *terminal)
{
  vte_terminal_reset(terminal, FALSE, TRUE);
  term_fork_shell(terminal);
}

gboolean term_delayed_restart_cb(gpointer data)
{
  auto *terminal = VTE_TERMINAL(data);
  restart_state(terminal)->timer = 0;
  term_restart_shell(terminal);
  return FALSE;
}

} // namespace

// The first shell of a terminal counts too: one that fails at once has
// used up one of the free restarts.
void term_shell_started(VteTerminal *terminal, GPid pid)
{
  RestartState *rs = restart_state(terminal);
  rs->started = g_get_monotonic_time();
  rs->pid = pid;
}

GPid term_shell_pid(VteTerminal *terminal)
{
  return restart_state(terminal)->pid;
}

gboolean term_on_button_press(GtkWidget *widget, GdkEventButton *event, gpointer)
{
  if (event->type == GDK_BUTTON_PRESS && event->button == 3) {
    popupmenu_popup(event->time);
    return FALSE;
  }
  if (event->button != 1)
    return FALSE;
  VteTerminal *terminal = VTE_TERMINAL(widget);
  const glong column = static_cast<glong>(event->x) / vte_terminal_get_char_width(terminal);
  const glong row = static_cast<glong>(event->y) / vte_terminal_get_char_height(terminal);
  int tag = -1;
  std::unique_ptr<char, GFreeDeleter> text(vte_terminal_match_check(terminal, column, row, &tag));
  if (tag >= 0 && text) {
    const std::string uri = term_uri_for_match(term_slot_for_tag(tag), text.get());
    GError *error = nullptr;
    if (!gtk_show_uri(nullptr, uri.c_str(), event->time, &error))
      g_clear_error(&error);
  }
  return FALSE;
}

// The library keeps the widget of a closed tab alive, and with it the pty
// and the shell. When the tab goes, so do the pending restart and the pty
// (the shell sees the hang-up), and the end of that shell decides nothing.
void term_on_destroy(GtkWidget *widget, gpointer)
{
  VteTerminal *terminal = VTE_TERMINAL(widget);
  RestartState *rs = restart_state(terminal);
  if (rs->gone)
    return;
  rs->gone = true;
  if (rs->timer)
    g_source_remove(rs->timer);
  rs->timer = 0;
  vte_terminal_set_pty_object(terminal, nullptr);
}

namespace {

void term_child_exited(VteTerminal *terminal)
{
  RestartState *rs = restart_state(terminal);
  if (rs->gone)
    return;
  rs->pid = 0;  // reaped: the number may soon name another process
  if (vte_terminal_get_child_exit_status(terminal) == 0) {
    mainwindow_close_tab(GTK_WIDGET(terminal));
    return;
  }
  if (rs->timer)
    return;
  const bool quick = g_get_monotonic_time() - rs->started < QUICK_EXIT_US;
  rs->quick_failures = quick ? rs->quick_failures + 1 : 0;
  if (rs->quick_failures <= FREE_RESTARTS) {
    term_restart_shell(terminal);
    return;
  }
  const int extra = MIN(rs->quick_failures - FREE_RESTARTS - 1, 5);
  const guint delay = MIN(1u << extra, MAX_DELAY_S);
  // The timer runs with the GDK lock, like every other handler here.
  // Milliseconds: a seconds timer may fire early on its first round.
  rs->timer = gdk_threads_add_timeout(delay * 1000, term_delayed_restart_cb, terminal);
}

} // namespace

// The library reports the end of a shell from its child watch, a plain GLib
// source: the lock is not held there, and everything below needs it.
void term_on_child_exit(VteTerminal *terminal, gpointer)
{
  gdk_threads_enter();
  term_child_exited(terminal);
  gdk_threads_leave();
}

namespace {

// A program may send requests far faster than a window manager can act on
// them, and the manager's backlog then keeps the window from toggling.
// Requests are gathered for a moment and only the last one of each kind is
// applied: the iconic state, the stacking, the maximized state, a redraw.
constexpr guint REQUEST_GATHER_MS = 10;
constexpr int REQUEST_KINDS = 4;

using RequestAction = void (*)(GtkWidget *window, GdkWindow *gdkwin);

struct WindowRequest {
  const char *signal;
  int kind;
  RequestAction apply;
};

// signal              kind  action
const WindowRequest window_requests[] = {
  {"iconify-window",    0,    [](GtkWidget *, GdkWindow *w) { gdk_window_iconify(w); }},
  {"deiconify-window",  0,    [](GtkWidget *, GdkWindow *w) { gdk_window_deiconify(w); }},
  {"raise-window",      1,    [](GtkWidget *, GdkWindow *w) { gdk_window_raise(w); }},
  {"lower-window",      1,    [](GtkWidget *, GdkWindow *w) { gdk_window_lower(w); }},
  {"maximize-window",   2,    [](GtkWidget *, GdkWindow *w) { gdk_window_maximize(w); }},
  {"restore-window",    2,    [](GtkWidget *, GdkWindow *w) { gdk_window_unmaximize(w); }},
  {"refresh-window",    3,    [](GtkWidget *window, GdkWindow *w) {
     GdkRectangle all = {0, 0, window->allocation.width, window->allocation.height};
     gdk_window_invalidate_rect(w, &all, TRUE);
   }},
};
constexpr int REQUEST_COUNT = static_cast<int>(G_N_ELEMENTS(window_requests));

struct PendingRequests {
  int code[REQUEST_KINDS];     // -1 when none of that kind waits
  guint order[REQUEST_KINDS];  // when it came, to apply them in that order
  guint count;
  guint flush;
};

PendingRequests pending = {{-1, -1, -1, -1}, {}, 0, 0};

void term_apply_window_request(int code)
{
  GtkWidget *window = mainwindow.window;
  if (window->window)
    window_requests[code].apply(window, window->window);
}

// Added with gdk_threads_add_timeout: runs with the lock, like the signals.
gboolean term_flush_window_requests(gpointer)
{
  pending.flush = 0;
  for (;;) {
    int next = -1;
    for (int kind = 0; kind < REQUEST_KINDS; kind++)
      if (pending.code[kind] >= 0 && (next < 0 || pending.order[kind] < pending.order[next]))
        next = kind;
    if (next < 0)
      break;
    const int code = pending.code[next];
    pending.code[next] = -1;
    term_apply_window_request(code);
  }
  pending.count = 0;
  return FALSE;
}

} // namespace

void term_connect_window_requests(GtkWidget *terminal)
{
  for (int code = 0; code < REQUEST_COUNT; code++)
    g_signal_connect(terminal, window_requests[code].signal,
                     G_CALLBACK(term_on_window_request), GINT_TO_POINTER(code));
}

void term_on_window_request(VteTerminal *, gpointer data)
{
  const int code = GPOINTER_TO_INT(data);
  if (code < 0 || code >= REQUEST_COUNT)
    return;
  const int kind = window_requests[code].kind;
  pending.code[kind] = code;
  pending.order[kind] = pending.count++;
  if (!pending.flush)
    pending.flush = gdk_threads_add_timeout(REQUEST_GATHER_MS, term_flush_window_requests, nullptr);
}

// A program may set a title of megabytes; a label that held it would cost
// its layout many times that. The cut walks bytes, not the UTF-8 skip
// table, so a broken sequence never carries it past the end.
std::string term_tab_title(const char *title)
{
  if (!title)
    return "";
  size_t chars = 0;
  for (size_t i = 0; title[i]; i++)
    if ((static_cast<unsigned char>(title[i]) & 0xc0) != 0x80 && chars++ == TAB_TITLE_MAX)
      return std::string(title, i) + "\xe2\x80\xa6";  // U+2026, the ellipsis
  return title;
}

void term_on_title_changed(VteTerminal *terminal, GtkWidget *label)
{
  if (!terminal || !label || mainwindow_tab_renamed(label))
    return;
  const std::string title = term_tab_title(vte_terminal_get_window_title(terminal));
  gtk_label_set_label(GTK_LABEL(label), title.c_str());
}
