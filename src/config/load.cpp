// SPDX-License-Identifier: GPL-2.0-or-later
// Settings from the defaults, ~/.Xdefaults and the command line.
#include "config/config.h"
#include "gptr.h"
#include "main/actions.h"
#include "mainwindow/mainwindow.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <pthread.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gdk/gdkx.h>
#include <X11/Xresource.h>

namespace {

// SIGUSR1 is counted in the handler and the toggles run from the main loop,
// outside the handler and outside the GDK lock (mainwindow_toggle takes it).
// Counting, rather than a flag, gives one toggle per signal that arrived.
std::atomic<int> toggle_requests{0};
int toggle_pipe[2] = {-1, -1};

void toggle_signal_handler(int)
{
  const int saved = errno;
  toggle_requests.fetch_add(1, std::memory_order_relaxed);
  const char byte = 0;
  if (write(toggle_pipe[1], &byte, 1) < 0) {
    // A full pipe already holds a wake-up; the count carries the rest.
  }
  errno = saved;
}

gboolean toggle_requests_cb(GIOChannel *, GIOCondition, gpointer)
{
  char buf[256];
  while (read(toggle_pipe[0], buf, sizeof buf) > 0) {
  }
  for (int n = toggle_requests.exchange(0); n > 0; n--)
    mainwindow_toggle(SIGUSR1);
  return TRUE;
}

// Blocks or unblocks SIGUSR1 on the calling thread.
void toggle_signal_mask(int how)
{
  sigset_t usr1;
  sigemptyset(&usr1);
  sigaddset(&usr1, SIGUSR1);
  pthread_sigmask(how, &usr1, nullptr);
}

void settings_install_toggle_request()
{
  if (pipe2(toggle_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    perror("error: pipe");
    exit(1);
  }
  GIOChannel *channel = g_io_channel_unix_new(toggle_pipe[0]);
  g_io_add_watch(channel, G_IO_IN, toggle_requests_cb, nullptr);
  g_io_channel_unref(channel);
  struct sigaction sa = {};
  sa.sa_handler = toggle_signal_handler;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGUSR1, &sa, nullptr);
  // A request that came before the handler waited, blocked: served now.
  // Threads made before this point keep it blocked; the hotkey thread, made
  // later, takes it too, which is fine: the handler only counts and writes.
  toggle_signal_mask(SIG_UNBLOCK);
  instance_lock_release();
}

// Xlib owns the strings XGetDefault returns; the parser trims in place.
void apply_resource(Display *dpy, const char *name)
{
  const char *value = XGetDefault(dpy, "kavlor", name);
  if (!value)
    return;
  GCharPtr n(g_strdup(name)), v(g_strdup(value));
  settings_apply_option(n.get(), v.get());
}

void settings_read_resources()
{
  Display *dpy = gdk_x11_display_get_xdisplay(gdk_display_get_default());
  XrmInitialize();
  // The real user's home, not $HOME; without a password entry no file is read.
  const struct passwd *pw = getpwuid(getuid());
  if (pw && pw->pw_dir) {
    GCharPtr path(g_build_filename(pw->pw_dir, ".Xdefaults", nullptr));
    settings_read_resource_file(dpy, path.get());
  } else {
    settings_read_resource_file(dpy, nullptr);
  }
}

void settings_read_command_line()
{
  const int n = saved_argc;
  char **argv = saved_argv;
  for (int i = 1; i < n; i++) {
    if (strcmp(argv[i], "--help") == 0) { print_help(); exit(1); }
    if (strcmp(argv[i], "--info") == 0) { print_info(); exit(1); }
    if (strcmp(argv[i], "--version") == 0) { print_version(); exit(1); }
    if (strcmp(argv[i], "--toggle") == 0)
      toggle_other_instance();
    if (i + 1 < n)
      settings_apply_option(argv[i], argv[i + 1]);
  }
}

void settings_check()
{
  if (settings.key == NoSymbol) {
    printf("hint: you started kavlor without specifying a shortcut key\n"
           "      to show/hide kavlor run kavlor with the toggle option\n"
           "      like this: kavlor --toggle");
    // No newline ends the hint, so flush it or a long run would hold it back.
    fflush(stdout);
  }
  struct stat st;
  if (stat(settings.shell, &st) != 0) {
    fprintf(stderr, "error: the shell '%s' can't be opened\n", settings.shell);
    exit(1);
  }
  if (settings.lines < 0) {
    fputs("error: a scrollback line count < 0 is not allowed\n", stderr);
    exit(1);
  }
  if (settings.palette_count >= 1 && settings.palette_count <= 15) {
    fprintf(stderr, "error: read only %d colors, not 16\nspecify a complete color palette\n",
            settings.palette_count);
    exit(1);
  }
}

// More than any resource file needs; a regular file that keeps growing (a
// link to a log) must not hold up the start.
constexpr size_t RESOURCE_FILE_MAX = 16 << 20;

enum class ResourceFile { missing, not_regular, read };

// Xlib's own reader opens the path blocking and reads whatever it names: a
// FIFO there hangs the start for good. What was opened is checked instead,
// and only a regular file is read.
ResourceFile resource_file_read(const char *path, std::string *text)
{
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0)
    return ResourceFile::missing;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return ResourceFile::not_regular;
  }
  char buf[65536];
  while (text->size() < RESOURCE_FILE_MAX) {
    const ssize_t n = read(fd, buf, std::min(sizeof buf, RESOURCE_FILE_MAX - text->size()));
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      break;
    text->append(buf, static_cast<size_t>(n));
  }
  close(fd);
  return ResourceFile::read;
}

// The text parsed as Xlib's file reader would: an "#include" names a file
// beside this one, so the parse runs from the file's directory.
XrmDatabase resource_database_from_text(const char *path, const std::string &text)
{
  const int cwd = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  GCharPtr dir(g_path_get_dirname(path));
  const bool moved = cwd >= 0 && chdir(dir.get()) == 0;
  XrmDatabase db = XrmGetStringDatabase(text.c_str());
  if (moved && fchdir(cwd) != 0) {
    // The old directory went away meanwhile; nothing relies on it.
  }
  if (cwd >= 0)
    close(cwd);
  return db;
}

} // namespace

void settings_read_resource_file(Display *dpy, const char *path)
{
  if (path) {
    std::string text;
    switch (resource_file_read(path, &text)) {
    case ResourceFile::missing:
      // Xlib then builds its own database; its reader fails here just
      // the same, without blocking.
      XrmSetDatabase(dpy, nullptr);
      break;
    case ResourceFile::not_regular:
      // As good as missing, but Xlib's own database would open this very
      // path (through $HOME) and block on it: an empty one instead.
      XrmSetDatabase(dpy, XrmGetStringDatabase(""));
      break;
    case ResourceFile::read:
      XrmSetDatabase(dpy, resource_database_from_text(path, text));
      break;
    }
  } else {
    // Xlib's own database would read $HOME/.Xdefaults: give it an empty one.
    XrmSetDatabase(dpy, XrmGetStringDatabase(""));
  }
  for (int row = 0; row < OPTION_COUNT - 1; row++)  // never "cursorShape"
    apply_resource(dpy, option_table[row].name);
  for (int i = 0; i < PALETTE_SIZE; i++) {
    char name[16];
    g_snprintf(name, sizeof name, "color%d", i);
    apply_resource(dpy, name);
  }
}

void settings_hold_toggle_requests()
{
  toggle_signal_mask(SIG_BLOCK);
}

void settings_load()
{
  settings_defaults();
  settings_read_resources();
  settings_read_command_line();
  settings_check();
  settings_install_toggle_request();
  settings_compute_geometry();
}
