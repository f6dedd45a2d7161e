// SPDX-License-Identifier: GPL-2.0-or-later
// The command line: its action words (help texts, version, the toggle of
// a running instance) and its option pairs, in argument order.
#include "main/actions.h"
#include "config/config.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <glib.h>

static const char *const VERSION = KAVLOR_VERSION;

void print_help(const char *self)
{
  printf("kavlor version %s\nUsage: %s [action] [options]\n\nActions are:\n", VERSION, self);
  for (const ActionWord &a : action_words)
    printf("  %s\t%s\n", a.word, a.help);
  printf("(When using an action command, the options are ignored)\n\nOptions are:\n");
  for (const OptionInfo &row : option_table)
    printf("  %s %s\t%s\n", row.short_name, row.type, row.description);
  printf("\t\tYou may specify no palette, or a complete one with 16 total colors\n"
         "\t\tFor this you have to use -c0, -c1, ..., -c15.\n\n");
  printf("Note:     any colors in hex codes are entered without the leading '#'.\n\n"
         "Examples: %s -fn \"Bitstream Vera Sans Mono 12\" -bg white -k F12 -sh /bin/bash\n"
         "          %s -bg black -fg green -w 800 -h 405 -s right -m alt -k f -l 10000\n"
         "          %s -b thick -w 500 -p left -t best -o 90 -m shift -k tab -sh /bin/zsh\n\n"
         "Use --info to get a list of available .Xdefaults options for kavlor.\n",
         self, self, self);
}

void print_info(const char *self)
{
  printf("kavlor version %s\nUsage: %s [action] [options]\n\nActions are:\n", VERSION, self);
  for (const ActionWord &a : action_words)
    printf("  %s\t%s\n", a.word, a.info);
  printf("(When using an action command, the .Xdefaults options are ignored)\n\n"
         "The .Xdefault options are read from ~/.Xdefaults.\n"
         "To specify an option in .Xdefaults use this syntax:\n"
         "kavlor.OPTION: VALUE\nExample: kavlor.key: f12\n\n"
         "Available .Xdefaults options:\n");
  for (const OptionInfo &row : option_table)
    printf("  %s:  \t%s      \t%s\n", row.name, row.type, row.description);
  printf("\t\t\t\tYou may specify no palette, or a complete one with 16 total colors.\n"
         "\t\t\t\tFor this you have to use color0, color1, ..., color15.\n");
}

void print_version()
{
  printf("kavlor %s\n", VERSION);
}

// The words in the order they are compared, with their lines in --help and
// --info (which the manual and the completions list too).
// word         action                                         ends   --help line                                --info line
const ActionWord action_words[ACTION_WORD_COUNT] = {
  {"--help",    print_help,                                    true,  "Display this menu",                       "Display command line options menu"},
  {"--info",    print_info,                                    true,  "Display .Xdefault options",               "Display .Xdefault options"},
  {"--version", [](const char *) { print_version(); },         true,  "Display the current application version", "Display current application version"},
  {"--toggle",  [](const char *) { toggle_other_instance(); }, false, "Show/Hide the current kavlor instance",   "Show/Hide the current kavlor instance"},
};

// Each argument is looked at in order: an action word acts at once, and
// every adjacent pair is applied as an option, the word's own pairs too.
// The parser trims its strings in place, so a word is compared as the pair
// before it left it.
void actions_read_command_line(int argc, char **argv)
{
  for (int i = 1; i < argc; i++) {
    for (const ActionWord &a : action_words)
      if (strcmp(argv[i], a.word) == 0) {
        a.run(argv[0]);
        if (a.ends)
          exit(1);
        break;
      }
    if (i + 1 < argc)
      settings_apply_option(argv[i], argv[i + 1]);
  }
}

// Starters with --toggle decide one at a time under a per-user lock, so
// that simultaneous starts elect one instance. The winner keeps the lock
// until its SIGUSR1 watch is in place (instance_lock_release): a later
// starter then finds it able to take the request.
static int instance_lock_fd = -1;

// The lock in the user's runtime directory, else in /tmp by uid. A file we
// do not own (or a link) is never used; then the start goes on unlocked.
static int instance_lock_open()
{
  char paths[2][256] = {};
  const char *runtime = getenv("XDG_RUNTIME_DIR");
  if (runtime && runtime[0] == '/')
    g_snprintf(paths[0], sizeof paths[0], "%s/kavlor.lock", runtime);
  g_snprintf(paths[1], sizeof paths[1], "/tmp/kavlor-%u.lock", static_cast<unsigned>(getuid()));
  for (const char *path : paths) {
    if (!path[0])
      continue;
    const int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
      continue;
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == getuid())
      return fd;
    close(fd);
  }
  return -1;
}

static void instance_lock_take()
{
  instance_lock_fd = instance_lock_open();
  if (instance_lock_fd < 0)
    return;
  while (flock(instance_lock_fd, LOCK_EX) != 0 && errno == EINTR) {
  }
}

void instance_lock_release()
{
  if (instance_lock_fd >= 0)
    close(instance_lock_fd);
  instance_lock_fd = -1;
}

// A mask line of /proc/PID/status ("SigCgt:", "ShdPnd:"): whether SIGUSR1
// is in it. A process that is gone has none.
static bool status_has_sigusr1(int pid, const char *field)
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

// Standard signals merge while one is pending: wait (bounded) until the
// instance has taken the one before, so that every request toggles once.
static void wait_request_taken(int pid)
{
  for (int i = 0; i < 2000 && status_has_sigusr1(pid, "ShdPnd:"); i++)
    g_usleep(1000);
}

// The pipe of a pgrep command for this user's processes named exactly
// kavlor, or the process ends with the pid message.
static FILE *open_pgrep(const char *options)
{
  char command[100];
  g_snprintf(command, sizeof command, "pgrep -x -u %u %skavlor",
             static_cast<unsigned>(getuid()), options);
  FILE *pipe = popen(command, "r");
  if (!pipe) {
    fputs("error: unable to get kavlor pid\n", stderr);
    exit(1);
  }
  return pipe;
}

[[noreturn]] static void fail_read_pid(FILE *pipe)
{
  pclose(pipe);
  fputs("error: unable to read kavlor pid\n", stderr);
  exit(1);
}

void toggle_other_instance()
{
  settings.start_toggled = 1;
  instance_lock_take();
  FILE *pipe = open_pgrep("-c ");
  char line[100];
  if (!fgets(line, sizeof line, pipe))
    fail_read_pid(pipe);
  pclose(pipe);
  // The count includes starters still waiting for the lock: only a process
  // with a toggle handler is an instance to ask.
  if (atoi(line) > 1) {
    const int pid = find_other_instance_pid();
    if (pid > 0) {
      wait_request_taken(pid);
      kill(pid, SIGUSR1);
      wait_request_taken(pid);
      exit(1);
    }
  }
}

// The first listed process other than this one that handles SIGUSR1 (the
// list names this process too, and starters that have no handler yet); 0
// when there is none, so this process becomes the instance.
int find_other_instance_pid()
{
  FILE *pipe = open_pgrep("");
  const int self = static_cast<int>(getpid());
  char line[100];
  if (!fgets(line, sizeof line, pipe))
    fail_read_pid(pipe);
  do {
    const int pid = atoi(line);
    if (pid > 0 && pid != self && status_has_sigusr1(pid, "SigCgt:")) {
      pclose(pipe);
      return pid;
    }
  } while (fgets(line, sizeof line, pipe));
  pclose(pipe);
  return 0;
}
