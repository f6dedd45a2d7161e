// SPDX-License-Identifier: GPL-2.0-or-later
// The command line: its action words (help texts, version, the toggle of
// a running instance, found by instance.cpp) and its option pairs, in
// argument order.
#include "main/actions.h"
#include "config/config.h"
#include "main/instance.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

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

void toggle_other_instance()
{
  settings.start_toggled = 1;
  // The starter asks before the toolkit starts; a caller that did not gets
  // the same answer now.
  if (instance_decided())
    return;
  char *argv[] = {const_cast<char *>("kavlor"), const_cast<char *>("--toggle"), nullptr};
  instance_toggle_early(2, argv);
}
