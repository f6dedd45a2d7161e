// SPDX-License-Identifier: GPL-2.0-or-later
// Terminal construction, appearance and link patterns.
#include "term/term.h"
#include "gptr.h"
#include "config/config.h"
#include "mainwindow/mainwindow.h"

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstring>

TermState term_state;

namespace {

// A host name or a bare mail address lacks the scheme the desktop needs to
// open it: the text gets one, chosen by how it begins (in any case).
struct UrlPattern {
  const char *starts;  // when the text begins with this,
  const char *then;    // this is put before it,
  const char *other;   // otherwise this
  const char *regex;
};

// starts    then       other      pattern
const UrlPattern url_patterns[URL_PATTERN_COUNT] = {
  {"",        "",        "",
   "news:[[:alnum:]\\Q^_{|}~!\"#$%&'()*+,./;:=?`\\E]+"},
  {"",        "",        "",
   "(?:news:|telnet:|nntp:|file:\\/|https?:|ftps?:|sftp:|webcal:)//(?:[-[:alnum:]]+(?:[-[:alnum:]\\Q,?;.:/!%$^*&~\"#'\\E]+)?\\@)?[-[:alnum:]]+(\\.[-[:alnum:]]+)*(?:\\:[[:digit:]]{1,5})?(?:(/[-[:alnum:]\\Q_$.+!*,;@&=?/~#%\\E]+(?:[(][-[:alnum:]\\Q_$.+!*,;@&=?/~#%\\E]*[)])*[-[:alnum:]\\Q_$.+!*,;@&=?/~#%\\E]*)*[^\\Q]'.}>) \t\r\n,\"\\E])?"},
  {"ftp",     "ftp://",  "http://",
   "(?:www|ftp)[-[:alnum:]]*\\.[-[:alnum:]]+(\\.[-[:alnum:]]+)*(?:\\:[[:digit:]]{1,5})?(?:(/[-[:alnum:]\\Q_$.+!*,;@&=?/~#%\\E]+(?:[(][-[:alnum:]\\Q_$.+!*,;@&=?/~#%\\E]*[)])*[-[:alnum:]\\Q_$.+!*,;@&=?/~#%\\E]*)*[^\\Q]'.}>) \t\r\n,\"\\E])?"},
  {"mailto:", "",        "mailto:",
   "(?:mailto:)?[-[:alnum:]][-[:alnum:].]*\\@[-[:alnum:]]+\\.[-[:alnum:]]+(\\.[-[:alnum:]]+)*"},
};

} // namespace

static const GRegexCompileFlags URL_COMPILE_FLAGS =
    static_cast<GRegexCompileFlags>(G_REGEX_CASELESS | G_REGEX_OPTIMIZE);

void term_compile_url_patterns()
{
  for (int slot = 0; slot < URL_PATTERN_COUNT; slot++) {
    GError *error = nullptr;
    term_state.url_regexes[slot] = g_regex_new(url_patterns[slot].regex, URL_COMPILE_FLAGS,
                                               static_cast<GRegexMatchFlags>(0), &error);
    if (error) {
      g_log(nullptr, G_LOG_LEVEL_MESSAGE, "%s", error->message);
      g_error_free(error);
    }
  }
}

namespace {

constexpr char DIR_KEY[] = "kv-dir";  // where the tab's shells start; none: the start directory

// The working directory of the current tab's shell, or null when there is
// none or it cannot be read (the shell is gone, no permission).
char *term_current_shell_dir()
{
  if (mainwindow.current_tab < 0)
    return nullptr;
  GtkWidget *current = mainwindow_terminal_at(mainwindow.current_tab);
  const GPid pid = current ? term_shell_pid(VTE_TERMINAL(current)) : 0;
  if (pid <= 0)
    return nullptr;
  char link[64];
  g_snprintf(link, sizeof link, "/proc/%d/cwd", static_cast<int>(pid));
  char *dir = g_file_read_link(link, nullptr);
  if (dir && !g_file_test(dir, G_FILE_TEST_IS_DIR)) {
    g_free(dir);  // removed since: " (deleted)"
    dir = nullptr;
  }
  return dir;
}

} // namespace

// Starts the configured shell in the terminal, for a new tab or a restart.
// The terminal type set on a pty after the fork only reaches later shells,
// and the library's own fork takes TERM from its built-in emulation, so the
// pty is made here with the configured type before the shell starts.
// A shell that cannot start (a directory, no execute permission, no pty
// or descriptor left) would leave a blank tab without a word: the reason
// goes to standard error and into the tab, where the user looks.
static void term_report_start_failure(VteTerminal *terminal, GError *error)
{
  GCharPtr line(g_strdup_printf("error: the shell '%s' can't be started: %s",
                                settings_get_shell(), error ? error->message : "unknown error"));
  fprintf(stderr, "%s\n", line.get());
  vte_terminal_feed(terminal, line.get(), -1);
  vte_terminal_feed(terminal, "\r\n", 2);
  g_clear_error(&error);
}

void term_fork_shell(VteTerminal *terminal)
{
  GError *error = nullptr;
  VtePty *pty = vte_terminal_pty_new(terminal, VTE_PTY_DEFAULT, &error);
  if (!pty) {
    term_report_start_failure(terminal, error);
    return;
  }
  vte_pty_set_term(pty, settings_get_emulation());
  vte_terminal_set_pty_object(terminal, pty);
  char *argv[] = {const_cast<char *>(settings_get_shell()), nullptr};
  gchar **envv = g_environ_setenv(g_get_environ(), "TERM", settings_get_emulation(), TRUE);
  GPid pid;
  const GSpawnFlags flags = static_cast<GSpawnFlags>(
      G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_SEARCH_PATH | G_SPAWN_CHILD_INHERITS_STDIN);
  // A restart keeps its tab's directory; one that went since, the start one.
  const char *dir = static_cast<const char *>(g_object_get_data(G_OBJECT(terminal), DIR_KEY));
  bool started = false;
  for (const char *cwd : {dir, static_cast<const char *>(nullptr)}) {
    g_clear_error(&error);
    started = g_spawn_async(cwd, argv, envv, flags,
                            reinterpret_cast<GSpawnChildSetupFunc>(vte_pty_child_setup), pty,
                            &pid, &error);
    if (started || !cwd)
      break;
  }
  if (started) {
    vte_terminal_watch_child(terminal, pid);
    term_shell_started(terminal, pid);
  } else {
    // No shell will read the pty: its descriptors go back now.
    vte_terminal_set_pty_object(terminal, nullptr);
    term_report_start_failure(terminal, error);
  }
  g_strfreev(envv);
  g_object_unref(pty);
}

namespace {

constexpr int ZOOM_MIN_POINTS = 4;
constexpr int ZOOM_MAX_POINTS = 72;

// A resized copy of the configured font while zoomed; null at the
// configured size. All terminals show the same font.
PangoFontDescription *zoomed_font;

void term_set_font(VteTerminal *terminal)
{
  if (zoomed_font)
    vte_terminal_set_font(terminal, zoomed_font);
  else
    vte_terminal_set_font_from_string(terminal, settings_get_font());
}

} // namespace

void term_zoom(int step)
{
  GtkWidget *current = mainwindow_terminal_at(mainwindow.current_tab);
  if (!current)
    return;
  if (zoomed_font)
    pango_font_description_free(zoomed_font);
  zoomed_font = nullptr;
  if (step != 0) {
    // The configured font may name no size: the terminal's own font has one.
    const PangoFontDescription *shown = vte_terminal_get_font(VTE_TERMINAL(current));
    const int size = shown ? pango_font_description_get_size(shown) : 0;
    const int wanted = CLAMP(size + step * PANGO_SCALE, ZOOM_MIN_POINTS * PANGO_SCALE,
                             ZOOM_MAX_POINTS * PANGO_SCALE);
    zoomed_font = pango_font_description_from_string(settings_get_font());
    if (shown && pango_font_description_get_size_is_absolute(shown))
      pango_font_description_set_absolute_size(zoomed_font, wanted);
    else
      pango_font_description_set_size(zoomed_font, wanted);
  }
  GtkWidget *terminal;
  for (int i = 0; (terminal = mainwindow_terminal_at(i)); i++)
    term_set_font(VTE_TERMINAL(terminal));
}

GtkWidget *term_new()
{
  GtkWidget *widget = vte_terminal_new();
  VteTerminal *terminal = VTE_TERMINAL(widget);
  if (settings_get_tabdir() == TABDIR_CURRENT)
    g_object_set_data_full(G_OBJECT(widget), DIR_KEY, term_current_shell_dir(), g_free);
  term_fork_shell(terminal);
  if (const char *image = settings_get_bgimage())
    vte_terminal_set_background_image_file(terminal, image);
  const GdkColor fg = settings_get_foreground(), bg = settings_get_background();
  GdkColor *palette = settings_get_palette();
  vte_terminal_set_colors(terminal, &fg, &bg, palette, palette ? PALETTE_SIZE : 0);
  vte_terminal_set_background_tint_color(terminal, &bg);
  vte_terminal_set_allow_bold(terminal, settings_get_allowbold());
  vte_terminal_set_scroll_on_output(terminal, settings_get_scroll());
  vte_terminal_set_scroll_on_keystroke(terminal, TRUE);
  term_set_font(terminal);
  vte_terminal_set_scrollback_lines(terminal, settings_get_lines());
  vte_terminal_set_backspace_binding(terminal, VTE_ERASE_ASCII_DELETE);
  vte_terminal_set_word_chars(terminal, "-A-Za-z0-9_$.+!*(),;:@&=?/~#%");
  vte_terminal_set_cursor_blink_mode(terminal, settings_get_cursor_blink()
                                                   ? VTE_CURSOR_BLINK_ON : VTE_CURSOR_BLINK_OFF);
  vte_terminal_set_cursor_shape(terminal,
                                static_cast<VteTerminalCursorShape>(settings_get_cursor_shape()));
  const GdkColor cursor = settings_get_cursor_color();
  vte_terminal_set_color_cursor(terminal, &cursor);

  g_signal_connect(widget, "button-press-event", G_CALLBACK(term_on_button_press), nullptr);
  // "eof" comes before the exit status is known: the decision waits for
  // "child-exited", so each shell exit is handled once.
  g_signal_connect(widget, "child-exited", G_CALLBACK(term_on_child_exit), nullptr);
  g_signal_connect(widget, "destroy", G_CALLBACK(term_on_destroy), nullptr);
  term_connect_window_requests(widget);
  return widget;
}

void term_setup_transparency(GtkWidget *widget)
{
  const float opacity = settings_get_opacity();
  if (!(opacity < 100.0f))
    return;
  VteTerminal *terminal = VTE_TERMINAL(widget);
  if (mainwindow.composited) {
    vte_terminal_set_background_transparent(terminal, FALSE);
    // Truncated, keeping the low 16 bits; far out-of-range values give 0.
    const float value = std::trunc(opacity / 100.0f * 65535.0f);
    const int64_t whole = std::fabs(value) < 9.0e18f ? static_cast<int64_t>(value) : 0;
    vte_terminal_set_opacity(terminal, static_cast<guint16>(whole));
  } else {
    vte_terminal_set_background_saturation(terminal, 1.0 + opacity / -100.0f);
    if (!settings_get_bgimage())
      vte_terminal_set_background_transparent(terminal, TRUE);
  }
}

int term_slot_for_tag(int tag)
{
  for (int slot = 0, seen = 0; slot < URL_PATTERN_COUNT; slot++)
    if (term_state.url_regexes[slot] && seen++ == tag)
      return slot;
  return -1;
}

void term_add_url_matches(GtkWidget *widget)
{
  VteTerminal *terminal = VTE_TERMINAL(widget);
  // A slot that failed to compile is left out; term_slot_for_tag knows.
  for (int slot = 0; slot < URL_PATTERN_COUNT; slot++) {
    GRegex *regex = term_state.url_regexes[slot];
    if (!regex)
      continue;
    const int tag = vte_terminal_match_add_gregex(terminal, regex, static_cast<GRegexMatchFlags>(0));
    vte_terminal_match_set_cursor_type(terminal, tag, GDK_HAND2);
  }
}

std::string term_uri_for_match(int slot, const char *text)
{
  const std::string s = text ? text : "";
  if (slot < 0 || slot >= URL_PATTERN_COUNT)
    return s;
  const UrlPattern &p = url_patterns[slot];
  const bool starts = g_ascii_strncasecmp(s.c_str(), p.starts, strlen(p.starts)) == 0;
  return (starts ? p.then : p.other) + s;
}
