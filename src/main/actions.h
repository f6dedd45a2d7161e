// SPDX-License-Identifier: GPL-2.0-or-later
// The command line: its action words and its option pairs.
#pragma once

struct ActionWord {
  const char *word;
  void (*run)(const char *self);  // self: the program's path, argv[0]
  bool ends;                      // the process ends, status 1, after it
  const char *help;               // its line in --help
  const char *info;               // its line in --info
};

constexpr int ACTION_WORD_COUNT = 4;
extern const ActionWord action_words[ACTION_WORD_COUNT];

// The arguments after the program's path, in order: action words and
// option/value pairs. Returns only when start-up goes on.
void actions_read_command_line(int argc, char **argv);

void print_help(const char *self);
void print_info(const char *self);
void print_version();
void toggle_other_instance();
