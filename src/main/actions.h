// SPDX-License-Identifier: GPL-2.0-or-later
// The action words of the command line.
#pragma once

#include <span>

extern int saved_argc;
extern char **saved_argv;

void print_help();
void print_info();
void print_version();
void toggle_other_instance();
int find_other_instance_pid();
// Ends the election of a --toggle start once its SIGUSR1 handler is in place.
void instance_lock_release();

// The action words with their lines in the two help texts; the manual and
// the completions list them.
struct ActionWord {
  const char *word;
  const char *help;
  const char *info;
};
extern const std::span<const ActionWord> action_words;
