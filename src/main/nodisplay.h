// SPDX-License-Identifier: GPL-2.0-or-later
// Start-up when the toolkit cannot open a display.
#pragma once

// Runs the first printing action word (--help, --info, --version) of the
// arguments and ends with status 1; without one, ends as the toolkit does
// when it cannot open a display.
[[noreturn]] void main_fail_without_display(int argc, char **argv);
