// SPDX-License-Identifier: GPL-2.0-or-later
// The words that options taking words accept. The parser reads its rules
// from these lists, and the manual and the shell completions list them, so
// the three never disagree.
#pragma once

#include "config/config.h"

#include <climits>

struct OptionWord {
  const char *word;
  int code;
};

constexpr int WORDS_KEEP = INT_MIN;  // any other word leaves the field as it was

struct OptionWords {
  const OptionWord *words;
  int count;
  bool ignore_case;
  int fallback;        // code of any other word, or WORDS_KEEP
};

// The code of `text` in `list`; the fallback, or `current` under WORDS_KEEP,
// when it is not one of the words.
int settings_word_code(const OptionWords &list, const char *text, int current);
