// SPDX-License-Identifier: GPL-2.0-or-later
// One instance per display. A "--toggle" starter must be as quick as a
// signal sent by hand, so it decides before the toolkit starts: no display
// connection, no resources, no process listing. Each instance writes its
// pid (and its start time, against a reused pid) to a file named after its
// display in the user's runtime directory; starters of one display elect
// under a lock beside it.
#include "main/instance.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <initializer_list>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int PATH_SIZE = 512;

// The election lock, held by a "--toggle" start that found no instance
// until its handler is in place and its pid file written.
int lock_fd = -1;
// The files of the display this process serves, once known.
char own_key[128];
char own_dir[PATH_SIZE];

// The user's runtime directory, else a private one under /tmp made for this
// user; never a directory that someone else owns or can write to.
bool instance_dir(char (&dir)[PATH_SIZE])
{
  const uid_t uid = getuid();
  struct stat st;
  const char *runtime = getenv("XDG_RUNTIME_DIR");
  if (runtime && runtime[0] == '/' && stat(runtime, &st) == 0 && S_ISDIR(st.st_mode) &&
      st.st_uid == uid) {
    g_strlcpy(dir, runtime, sizeof dir);
    return true;
  }
  g_snprintf(dir, sizeof dir, "/tmp/kavlor-%u", static_cast<unsigned>(uid));
  if (mkdir(dir, 0700) != 0 && errno != EEXIST)
    return false;
  return lstat(dir, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == uid &&
         (st.st_mode & 077) == 0;
}

// ":0", ":0.0" and "unix:0" name one display: the key is the host (none
// for a local one) and the display number, without the screen, in
// characters fit for a file name.
void display_key(const char *name, char (&key)[128])
{
  const char *colon = strrchr(name, ':');
  char host[64] = "";
  char number[32] = "";
  if (colon) {
    g_strlcpy(host, name, MIN(sizeof host, static_cast<gsize>(colon - name) + 1));
    g_strlcpy(number, colon + 1, sizeof number);
  } else {
    g_strlcpy(number, name, sizeof number);
  }
  if (char *dot = strchr(number, '.'))
    *dot = '\0';
  if (strcmp(host, "unix") == 0)
    host[0] = '\0';
  if (host[0])
    g_snprintf(key, sizeof key, "%s_%s", host, number);
  else
    g_strlcpy(key, number, sizeof key);
  g_strcanon(key, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._-", '_');
}

void file_path(char (&path)[PATH_SIZE], const char *dir, const char *key, const char *suffix)
{
  g_snprintf(path, sizeof path, "%s/kavlor-%s%s", dir, key, suffix);
}

// The display a starter aims at: the toolkit's --display option, else
// $DISPLAY; null when there is neither.
const char *display_of(int argc, char **argv)
{
  for (int i = 1; i < argc; i++) {
    if (strcmp(argv[i], "--display") == 0 && i + 1 < argc)
      return argv[i + 1];
    if (g_str_has_prefix(argv[i], "--display="))
      return argv[i] + strlen("--display=");
  }
  const char *env = getenv("DISPLAY");
  return env && env[0] ? env : nullptr;
}

// Name and start time (clock ticks after boot) from /proc/PID/stat.
bool process_stat(int pid, char (&comm)[32], unsigned long long *start)
{
  char path[64], text[1024];
  g_snprintf(path, sizeof path, "/proc/%d/stat", pid);
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return false;
  const ssize_t n = read(fd, text, sizeof text - 1);
  close(fd);
  if (n <= 0)
    return false;
  text[n] = '\0';
  const char *open_paren = strchr(text, '(');
  const char *close_paren = strrchr(text, ')');
  if (!open_paren || !close_paren || close_paren < open_paren)
    return false;
  g_strlcpy(comm, open_paren + 1,
            MIN(sizeof comm, static_cast<gsize>(close_paren - open_paren)));
  // After the name: the state is field 3, the start time field 22.
  const char *p = close_paren + 1;
  for (int field = 3; field < 22 && p; field++)
    p = strchr(p + 1, ' ');
  if (!p)
    return false;
  *start = strtoull(p + 1, nullptr, 10);
  return true;
}

// A mask line of /proc/PID/status ("SigCgt:", "ShdPnd:"): whether SIGUSR1
// is in it. A process that is gone has none.
bool status_has_sigusr1(int pid, const char *field)
{
  char path[64];
  g_snprintf(path, sizeof path, "/proc/%d/status", pid);
  FILE *f = fopen(path, "re");
  if (!f)
    return false;
  char line[256];
  bool found = false;
  const size_t len = strlen(field);
  while (fgets(line, sizeof line, f))
    if (strncmp(line, field, len) == 0) {
      const unsigned long long mask = strtoull(line + len, nullptr, 16);
      found = (mask >> (SIGUSR1 - 1)) & 1;
      break;
    }
  fclose(f);
  return found;
}

// The process a pid file names is still that instance: this user's, named
// kavlor, started when the file says, and taking toggle requests.
bool instance_alive(int pid, unsigned long long start)
{
  if (pid <= 0 || pid == getpid())
    return false;
  char path[64];
  g_snprintf(path, sizeof path, "/proc/%d", pid);
  struct stat st;
  char comm[32];
  unsigned long long started = 0;
  return stat(path, &st) == 0 && st.st_uid == getuid() && process_stat(pid, comm, &started) &&
         strcmp(comm, "kavlor") == 0 && started == start &&
         status_has_sigusr1(pid, "SigCgt:");
}

enum class PidFile { Missing, Unreadable, Read };

PidFile pid_file_read(const char *path, int *pid, unsigned long long *start)
{
  const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0)
    return errno == ENOENT ? PidFile::Missing : PidFile::Unreadable;
  char text[64];
  struct stat st;
  const ssize_t n = fstat(fd, &st) == 0 && st.st_uid == getuid()
                        ? read(fd, text, sizeof text - 1) : -1;
  close(fd);
  if (n < 0)
    return PidFile::Unreadable;
  text[n] = '\0';
  // Anything but two numbers names no instance.
  if (sscanf(text, "%d %llu", pid, start) != 2)
    *pid = 0;
  return PidFile::Read;
}

[[noreturn]] void fail(const char *message)
{
  fputs(message, stderr);
  exit(1);
}

// The live instance of the display `key`; 0 when none runs.
int find_in(const char *dir, const char *key)
{
  char path[PATH_SIZE];
  file_path(path, dir, key, ".pid");
  int pid = 0;
  unsigned long long start = 0;
  switch (pid_file_read(path, &pid, &start)) {
  case PidFile::Missing:
    return 0;
  case PidFile::Unreadable:
    fail("error: unable to read kavlor pid\n");
  case PidFile::Read:
    break;
  }
  return instance_alive(pid, start) ? pid : 0;
}

// Without a display to go by, the instance of this user started last.
int find_newest(const char *dir)
{
  DIR *d = opendir(dir);
  if (!d)
    fail("error: unable to get kavlor pid\n");
  int best = 0;
  unsigned long long best_start = 0;
  while (const dirent *e = readdir(d)) {
    if (!g_str_has_prefix(e->d_name, "kavlor-") || !g_str_has_suffix(e->d_name, ".pid"))
      continue;
    char path[PATH_SIZE];
    g_snprintf(path, sizeof path, "%s/%s", dir, e->d_name);
    int pid = 0;
    unsigned long long start = 0;
    if (pid_file_read(path, &pid, &start) == PidFile::Read && instance_alive(pid, start) &&
        (best == 0 || start > best_start)) {
      best = pid;
      best_start = start;
    }
  }
  closedir(d);
  return best;
}

// Standard signals merge while one is pending: wait (bounded) until the
// instance has taken the one before, so that every request toggles once.
void wait_request_taken(int pid)
{
  for (int i = 0; i < 2000 && status_has_sigusr1(pid, "ShdPnd:"); i++)
    g_usleep(1000);
}

// Writes `text` to `path` whole or not at all.
void file_replace(const char *path, const char *text)
{
  char tmp[PATH_SIZE];
  g_snprintf(tmp, sizeof tmp, "%s.%d", path, static_cast<int>(getpid()));
  const int fd = open(tmp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0)
    return;
  const size_t len = strlen(text);
  const bool ok = write(fd, text, len) == static_cast<ssize_t>(len);
  close(fd);
  if (!ok || rename(tmp, path) != 0)
    unlink(tmp);
}

// The X time in a startup id ("..._TIME<time>"), which the instance asks
// the focus with; 0 when there is none.
guint32 startup_time(const char *id)
{
  const char *t = id ? g_strrstr(id, "_TIME") : nullptr;
  return t ? static_cast<guint32>(strtoul(t + strlen("_TIME"), nullptr, 10)) : 0;
}

[[noreturn]] void signal_instance(int pid, const char *dir, const char *key)
{
  const char *id = getenv("DESKTOP_STARTUP_ID");
  wait_request_taken(pid);
  // The launcher's busy cursor ends when the instance completes this id.
  if (id && id[0] && key) {
    char path[PATH_SIZE];
    file_path(path, dir, key, ".startup");
    file_replace(path, id);
  }
  union sigval value;
  value.sival_int = static_cast<int>(startup_time(id));
  sigqueue(pid, SIGUSR1, value);
  wait_request_taken(pid);
  exit(1);
}

void lock_take(const char *dir, const char *key)
{
  char path[PATH_SIZE];
  file_path(path, dir, key, ".lock");
  const int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0)
    return;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != getuid()) {
    close(fd);  // not ours: start unlocked
    return;
  }
  while (flock(fd, LOCK_EX) != 0 && errno == EINTR) {
  }
  lock_fd = fd;
}

bool decided;

} // namespace

void instance_toggle_early(int argc, char **argv)
{
  // The first action word decides; only "--toggle" acts here.
  const char *first = nullptr;
  for (int i = 1; i < argc && !first; i++)
    for (const char *word : {"--help", "--info", "--version", "--toggle"})
      if (strcmp(argv[i], word) == 0)
        first = word;
  if (!first || strcmp(first, "--toggle") != 0)
    return;
  decided = true;
  char dir[PATH_SIZE];
  if (!instance_dir(dir))
    fail("error: unable to get kavlor pid\n");
  const char *display = display_of(argc, argv);
  if (!display) {
    // No display to start on: only a running instance can be asked.
    if (const int pid = find_newest(dir))
      signal_instance(pid, dir, nullptr);
    return;
  }
  char key[128];
  display_key(display, key);
  lock_take(dir, key);
  if (const int pid = find_in(dir, key))
    signal_instance(pid, dir, key);
}

void instance_register(const char *display_name)
{
  char dir[PATH_SIZE];
  if (display_name && instance_dir(dir)) {
    display_key(display_name, own_key);
    g_strlcpy(own_dir, dir, sizeof own_dir);
    char comm[32];
    unsigned long long start = 0;
    if (process_stat(getpid(), comm, &start)) {
      char path[PATH_SIZE], text[64];
      file_path(path, dir, own_key, ".pid");
      g_snprintf(text, sizeof text, "%d %llu\n", static_cast<int>(getpid()), start);
      file_replace(path, text);
    }
  }
  instance_lock_release();
}

bool instance_decided() { return decided; }
int instance_lock_fd() { return lock_fd; }

void instance_adopt(bool was_decided, int fd)
{
  decided = was_decided;
  lock_fd = fd;
}

void instance_lock_release()
{
  if (lock_fd >= 0)
    close(lock_fd);
  lock_fd = -1;
}

bool instance_take_startup_id(char *id, gsize size)
{
  if (!own_key[0])
    return false;
  char path[PATH_SIZE];
  file_path(path, own_dir, own_key, ".startup");
  const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0)
    return false;
  const ssize_t n = read(fd, id, size - 1);
  close(fd);
  unlink(path);
  if (n <= 0)
    return false;
  id[n] = '\0';
  return true;
}
