// SPDX-License-Identifier: GPL-2.0-or-later
// Settings from the defaults and ~/.Xdefaults, and the checks that end
// start-up when the result is unusable.
#include "config/config.h"
#include "gptr.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gdk/gdkx.h>
#include <X11/Xresource.h>

namespace {

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

} // namespace

bool settings_wayland_session()
{
  const char *type = getenv("XDG_SESSION_TYPE");
  const char *wayland = getenv("WAYLAND_DISPLAY");
  return (type && strcmp(type, "wayland") == 0) || (wayland && *wayland);
}

void settings_check()
{
  if (settings.key == NoSymbol) {
    printf("hint: you started kavlor without specifying a shortcut key\n"
           "      to show/hide kavlor run kavlor with the toggle option\n"
           "      like this: kavlor --toggle");
    // No newline ends the hint, so flush it or a long run would hold it back.
    fflush(stdout);
  } else if (settings_wayland_session()) {
    // The grab lives on the X server, which sees no key while a native
    // Wayland window has the focus.
    fputs("hint: on Wayland the key works only while an X11 window has the focus; "
          "put kavlor --toggle on a desktop shortcut\n",
          stderr);
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

namespace {

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
  for (const OptionInfo &row : option_table)
    if (row.resource)
      apply_resource(dpy, row.name);
  for (int i = 0; i < PALETTE_SIZE; i++) {
    char name[16];
    g_snprintf(name, sizeof name, "color%d", i);
    apply_resource(dpy, name);
  }
}

void settings_load()
{
  settings_defaults();
  settings_read_resources();
}
