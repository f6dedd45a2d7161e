// SPDX-License-Identifier: GPL-2.0-or-later
// The entry of the program proper, in a library of its own: the starter
// that answers "--toggle" loads none of the toolkit's libraries.
#pragma once

extern "C" {
// `toggle_decided` and `election_fd`: what the starter's "--toggle" check
// found and holds (instance_decided, instance_lock_fd).
int kavlor_program_main(int argc, char **argv, int toggle_decided, int election_fd);
using KavlorProgramMain = int (*)(int, char **, int, int);
}
