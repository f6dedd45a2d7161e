// SPDX-License-Identifier: GPL-2.0-or-later
// The option table: each name reaches its own row and no other, so the
// table's order never decides a match; and each example, which the fuzz
// seeds and the example file use, is a value that changes the setting.
#include <gtest/gtest.h>

#include "config/config.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

// The names a row answers to; the palette row's stand for indexed ones.
std::vector<std::string> names_of(const OptionInfo &row)
{
  std::vector<std::string> names = {row.name, row.short_name};
  if (row.rule == RULE_PALETTE) {
    const std::string name(row.name, strlen(row.name) - 1);
    const std::string short_name(row.short_name, strlen(row.short_name) - 1);
    for (const char *index : {"", "0", "9", "15", "16"}) {
      names.push_back(name + index);
      names.push_back(short_name + index);
    }
  }
  return names;
}

void reset()
{
  settings = Settings{};
  settings_defaults();
}

// The record after one option, given by `name`, on top of the defaults.
Settings with_option(std::string name, std::string value)
{
  reset();
  settings_apply_option(name.data(), value.data());
  Settings out;
  memcpy(&out, &settings, sizeof out);
  return out;
}

Settings defaults()
{
  reset();
  Settings out;
  memcpy(&out, &settings, sizeof out);
  return out;
}

bool same(const Settings &a, const Settings &b)
{
  return memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

TEST(OptionTable, EveryNameMatchesItsOwnRowOnly)
{
  for (const OptionInfo &row : option_table)
    for (const std::string &name : names_of(row)) {
      SCOPED_TRACE(name);
      int matches = 0;
      for (const OptionInfo &other : option_table)
        if (settings_option_matches(other, name.c_str())) {
          matches++;
          EXPECT_STREQ(other.name, row.name);
        }
      EXPECT_EQ(matches, 1);
    }
}

TEST(OptionTable, ExamplesChangeTheSettingByEitherName)
{
  const Settings built_in = defaults();
  for (const OptionInfo &row : option_table) {
    SCOPED_TRACE(row.name);
    const Settings by_name = with_option(row.name, row.example);
    EXPECT_FALSE(same(by_name, built_in));
    EXPECT_TRUE(same(with_option(row.short_name, row.example), by_name));
  }
}
