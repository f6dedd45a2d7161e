// SPDX-License-Identifier: GPL-2.0-or-later
// The starter. Loading the toolkit and the terminal library takes longer
// than all the rest of a "--toggle" request, so they come in with the
// program library only once no running instance took the request.
#include "main/instance.h"
#include "main/program.h"

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <unistd.h>

#include <glib.h>

namespace {

// The program library beside the starter (the build tree), else where it
// is installed relative to it, so that an installed tree can be moved.
void *program_open()
{
  char self[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0)
    return nullptr;
  self[n] = '\0';
  char *slash = strrchr(self, '/');
  if (!slash)
    return nullptr;
  *slash = '\0';
  char path[PATH_MAX];
  g_snprintf(path, sizeof path, "%s/%s", self, KAVLOR_PROGRAM_NAME);
  if (access(path, R_OK) != 0)
    g_snprintf(path, sizeof path, "%s/../%s/%s", self, KAVLOR_PROGRAM_DIR, KAVLOR_PROGRAM_NAME);
  return dlopen(path, RTLD_NOW | RTLD_LOCAL);
}

} // namespace

int main(int argc, char **argv)
{
  // A toggle request may come before the handler exists: kept, not fatal.
  sigset_t usr1;
  sigemptyset(&usr1);
  sigaddset(&usr1, SIGUSR1);
  sigprocmask(SIG_BLOCK, &usr1, nullptr);
  instance_toggle_early(argc, argv);
  void *program = program_open();
  auto run = program ? reinterpret_cast<KavlorProgramMain>(dlsym(program, "kavlor_program_main"))
                     : nullptr;
  if (!run) {
    fprintf(stderr, "error: %s\n", dlerror());
    return 1;
  }
  return run(argc, argv, instance_decided() ? 1 : 0, instance_lock_fd());
}
