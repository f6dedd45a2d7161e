// SPDX-License-Identifier: GPL-2.0-or-later
// libFuzzer target for the resource file: the input is the content of a
// ~/.Xdefaults file, read and applied by settings_read_resource_file, the
// loading code itself (XrmGetFileDatabase, XGetDefault, the option parser),
// on a private Xvfb that this program starts once.
#include "config/config.h"

#include <X11/Xlib.h>
#include <X11/Xresource.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

// Xlib's quark lookup compares a new name with memcmp over its full length
// against a stored name that may be shorter and end at the end of Xlib's
// block; memcmp stops at the first difference, but ASan's strict check
// reads the whole length. Only that check of the interceptor is relaxed.
extern "C" const char *__asan_default_options() { return "strict_memcmp=0"; }

namespace {

Settings pristine;
Display *dpy;
std::string path;
pid_t xvfb = -1;

void stop_xvfb()
{
  if (xvfb > 0) {
    kill(xvfb, SIGKILL);
    waitpid(xvfb, nullptr, 0);
  }
}

// Xvfb writes its display number once it accepts connections.
bool start_xvfb()
{
  int fds[2];
  if (pipe(fds) != 0)
    return false;
  xvfb = fork();
  if (xvfb == 0) {
    const int devnull = open("/dev/null", O_RDWR);
    dup2(devnull, 0);
    dup2(devnull, 1);
    dup2(devnull, 2);
    close(fds[0]);
    const std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0",
           "640x480x24", static_cast<char *>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string number;
  char c;
  while (read(fds[0], &c, 1) == 1 && c != '\n')
    number += c;
  close(fds[0]);
  if (number.empty())
    return false;
  atexit(stop_xvfb);
  dpy = XOpenDisplay((":" + number).c_str());
  return dpy != nullptr;
}

void check_text(const char (&field)[SETTINGS_TEXT_SIZE])
{
  if (memchr(field, '\0', sizeof field) == nullptr)
    abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
  if (!start_xvfb()) {
    fprintf(stderr, "fuzz_resources: no Xvfb\n");
    exit(1);
  }
  XrmInitialize();
  char dir[] = "/tmp/kvfuzz-XXXXXX";
  if (!mkdtemp(dir))
    exit(1);
  path = std::string(dir) + "/.Xdefaults";
  settings_defaults();
  pristine = settings;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
  FILE *f = fopen(path.c_str(), "wb");
  if (!f || fwrite(data, 1, size, f) != size || fclose(f) != 0)
    abort();
  settings = pristine;
  XrmDatabase before = XrmGetDatabase(dpy);
  settings_read_resource_file(dpy, path.c_str());
  // The loader replaces the database without freeing it; it runs once per
  // process, the fuzzer runs it over and over.
  if (before)
    XrmDestroyDatabase(before);

  check_text(settings.font);
  check_text(settings.bgimage);
  check_text(settings.shell);
  check_text(settings.emulation);
  check_text(settings.tablabel);
  // 16 colour resources and colorX, each found at most once.
  if (settings.palette_count < 0 || settings.palette_count > PALETTE_SIZE + 1)
    abort();
  if (settings.start_toggled != pristine.start_toggled || settings.cursorShape != pristine.cursorShape)
    abort();
  return 0;
}
