// SPDX-License-Identifier: GPL-2.0-or-later
// The action words of the command line.
#pragma once

extern int saved_argc;
extern char **saved_argv;

void print_help();
void print_info();
void print_version();
void toggle_other_instance();
int find_other_instance_pid();
