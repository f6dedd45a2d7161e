// SPDX-License-Identifier: GPL-2.0-or-later
// Settings from the defaults and ~/.Xdefaults, and the checks that end
// start-up when the result is unusable.
#include "config/config.h"
#include "gptr.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
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

void settings_read_resource_file(Display *dpy, const char *path)
{
  if (path) {
    XrmSetDatabase(dpy, XrmGetFileDatabase(path));
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
