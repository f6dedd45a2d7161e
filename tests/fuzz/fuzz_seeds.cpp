// SPDX-License-Identifier: GPL-2.0-or-later
// Writes the fuzzers' seeds and dictionaries from the option table: every
// name of every row with its example, its default and each of its words,
// so a new option is fuzzed from its first row.
//
//   fuzz_seeds options SEED_DIR DICT     name/value pairs for fuzz_options
//   fuzz_seeds resources SEED_DIR DICT   resource lines for fuzz_resources
#include "config/config.h"
#include "config/words.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using std::string;

// Values no row names, each at an edge of some rule.
const char *const edge_values[] = {
  "", "%", "-5", "99999999999", "-99999999999", "1e40", "nan", "+alt+", "shift+ctrl",
  "#ff0000", "#", "Tab", "F12", "NONE",
};

void write_file(const string &path, const string &text)
{
  FILE *f = fopen(path.c_str(), "w");
  if (!f || fputs(text.c_str(), f) < 0 || fclose(f) != 0) {
    fprintf(stderr, "fuzz_seeds: cannot write %s\n", path.c_str());
    exit(2);
  }
}

// Dictionary entries are C strings: quotes and backslashes escaped. The
// format has no empty entry.
string dict_entry(const string &t)
{
  if (t.empty())
    return "";
  string out = "\"";
  for (char c : t)
    out += (c == '"' || c == '\\') ? string("\\") + c : string(1, c);
  return out + "\"\n";
}

std::vector<string> names_of(const OptionInfo &row)
{
  if (row.rule != RULE_PALETTE)
    return {row.name, row.short_name};
  // Whatever follows the prefix is the index, in range or not.
  const string name(row.name, strlen(row.name) - 1), short_name(row.short_name, strlen(row.short_name) - 1);
  return {row.name, row.short_name, name + "3", short_name + "15", name + "16", short_name};
}

std::vector<string> values_of(const OptionInfo &row)
{
  std::vector<string> values = {row.example};
  if (row.default_text[0] != '(')
    values.push_back(row.default_text);
  if (row.words)
    for (int i = 0; i < row.words->count; i++)
      values.push_back(row.words->words[i].word);
  return values;
}

} // namespace

int main(int argc, char **argv)
{
  const string mode = argc == 4 ? argv[1] : "";
  const bool resources = mode == "resources";
  if (!resources && mode != "options") {
    fputs("usage: fuzz_seeds options|resources SEED_DIR DICT\n", stderr);
    return 2;
  }
  const string dir = argv[2];
  string dict = resources ? dict_entry("kavlor.") + dict_entry("Kavlor.") + dict_entry("*") +
                                dict_entry(": ") + dict_entry("!") + "\"\\\\\\x0a\"\n" +
                                dict_entry("#include") + "\"\\x0a\"\n"
                          : "\"\\x0a\"\n";
  int n = 0;
  for (const OptionInfo &row : option_table) {
    const std::vector<string> values = values_of(row);
    for (const string &name : names_of(row)) {
      if (resources && name[0] == '-')
        continue;
      dict += dict_entry(name);
      for (const string &value : values) {
        const string seed = resources ? "kavlor." + name + ": " + value + "\n" : name + "\n" + value;
        write_file(dir + "/seed-" + std::to_string(n++), seed);
      }
    }
    for (const string &value : values)
      dict += dict_entry(value);
  }
  for (const char *value : edge_values)
    dict += dict_entry(value);
  write_file(argv[3], dict);
  return 0;
}
