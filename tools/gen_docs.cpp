// SPDX-License-Identifier: GPL-2.0-or-later
// Writes the manual page, the shell completions and the example resource
// file. The manual and the completions are templates in data/; what comes
// from the tables the program itself reads (options, action words,
// accelerators, menu items) is filled in here, so none can drift from the
// program.
//
//   gen_docs man TEMPLATE WINDOW_MANAGERS_FILE OUT   manual page; @KAVLOR_DOCDIR@
//                                                    and @KAVLOR_DATADIR@ stay for
//                                                    the installation paths
//   gen_docs completion TEMPLATE OUT                 bash or zsh completion
//   gen_docs xdefaults OUT                           commented example ~/.Xdefaults
#include "config/config.h"
#include "config/words.h"
#include "main/actions.h"
#include "mainwindow/accel.h"
#include "popupmenu/popupmenu.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gdk/gdk.h>

namespace {

using std::string;

[[noreturn]] void fail(const string &why)
{
  fprintf(stderr, "gen_docs: %s\n", why.c_str());
  exit(2);
}

// The first word of a list that stands for `code`, or "".
string word_for(const OptionWords &list, int code)
{
  for (int i = 0; i < list.count; i++)
    if (list.words[i].code == code)
      return list.words[i].word;
  return "";
}

string joined(const OptionWords &list, const string &separator)
{
  string out;
  for (int i = 0; i < list.count; i++)
    out += (i ? separator : "") + list.words[i].word;
  return out;
}

// "colorX" -> "color": the palette names without their index.
string palette_prefix(const char *name)
{
  return string(name, strlen(name) - 1);
}

bool is_description(const string &default_text)
{
  return default_text[0] == '(';
}

// A default that is a description, without its parentheses.
string unwrapped(const string &default_text)
{
  return is_description(default_text) ? default_text.substr(1, default_text.size() - 2)
                                      : default_text;
}

// The help sentence without its own "Default: ..." part, which the
// generated files give from the row's default.
string description_of(const OptionInfo &row)
{
  string d = row.description;
  const size_t at = d.find("Default:");
  if (at != string::npos)
    d.erase(at);
  while (!d.empty() && d.back() == ' ')
    d.pop_back();
  return d;
}

// Roff text: backslashes and minus signs escaped, no control character at
// the start of a line.
// Characters beyond ASCII (the menu's ellipses) as groff's \[uXXXX].
string roff(const string &t)
{
  string out;
  for (size_t i = 0; i < t.size(); i++) {
    const char c = t[i];
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else if (static_cast<unsigned char>(c) >= 0x80) {
      const char *rest = g_utf8_next_char(t.c_str() + i);
      char code[16];
      g_snprintf(code, sizeof code, "\\[u%04X]", g_utf8_get_char(t.c_str() + i));
      out += code;
      i = static_cast<size_t>(rest - t.c_str()) - 1;
    } else {
      out += c;
    }
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\''))
    out.insert(0, "\\&");
  return out;
}

string bold(const string &t) { return "\\fB" + roff(t) + "\\fR"; }

string bold_words(const OptionWords &list)
{
  string out;
  for (int i = 0; i < list.count; i++)
    out += (i ? ", " : "") + bold(list.words[i].word);
  return out;
}

// What the manual says of a rule beyond the help sentence, or "".
string rule_text(const OptionInfo &row)
{
  switch (row.rule) {
  case RULE_KEY:
    return "A key symbol name as X knows it (see \\fIxev\\fR(1)), in either case for its first letter.\n";
  case RULE_SIZE:
    return "A value with \\fB%\\fR is a percentage of the monitor.\n";
  case RULE_KEYMOD:
    return "One or more of " + bold_words(*row.words) +
           ", joined with \\fB+\\fR, in any case. A value with no known word leaves the setting as it was.\n";
  case RULE_WORDS:
  case RULE_MODIFIER: {
    const OptionWords &list = *row.words;
    string t = "Accepted words: " + bold_words(list) +
               (list.ignore_case ? ", in any case" : ", in lower case as written");
    if (row.rule == RULE_MODIFIER)
      t += " (the first letter may be upper case)";
    if (list.fallback == WORDS_KEEP)
      return t + ". Any other value leaves the setting as it was.\n";
    return t + ". Any other value gives " + bold(word_for(list, list.fallback)) + ".\n";
  }
  case RULE_MONITOR:
    return "One of " + bold_words(*row.words) +
           " in any case, or the number of a monitor, counted from 0 in the order X lists them "
           "(a number beyond the last gives the first). Any other value leaves the setting as it "
           "was.\n";
  case RULE_TEXT:
  case RULE_FILE:
  case RULE_COLOR:
  case RULE_INTEGER:
  case RULE_NUMBER:
  case RULE_PALETTE:
    break;
  }
  return "";  // a new rule gets a case above (-Wswitch says so)
}

string palette_entry(const OptionInfo &row)
{
  const string name = palette_prefix(row.name), short_name = palette_prefix(row.short_name);
  const string last = std::to_string(PALETTE_SIZE - 1);
  return ".TP\n" + bold(row.short_name) + ", " + bold(row.name) + " \\fI" + row.type + "\\fR\n" +
         roff(row.description) + ", X from 0 to " + last + ": " + bold(short_name + "0") + " ... " +
         bold(short_name + last) + ", " + bold(name + "0") + " ... " + bold(name + last) + ".\n" +
         "Resources " + bold("kavlor." + name + "0") + " to " + bold("kavlor." + name + last) + ".\n" +
         ".br\nGive no palette, or a complete one of all " + std::to_string(PALETTE_SIZE) +
         " colours; an incomplete one ends the start with an error.\n" +
         ".br\nWithout a palette the terminal library's own colours are used.\n";
}

string options_section()
{
  string m;
  for (const OptionInfo &row : option_table) {
    if (row.rule == RULE_PALETTE) {
      m += palette_entry(row);
      continue;
    }
    m += ".TP\n" + bold(row.short_name) + ", " + bold(row.name) + " \\fI" + row.type + "\\fR\n" +
         roff(description_of(row)) + "\n" + rule_text(row) +
         ".br\nDefault: " + roff(unwrapped(row.default_text)) + ".\n";
    if (row.resource)
      m += ".br\nResource: " + bold(string("kavlor.") + row.name) + ".\n";
    else
      m += ".br\nCommand line only: no resource is read for it.\n";
  }
  return m;
}

string actions_section()
{
  string m;
  for (const ActionWord &a : action_words)
    m += ".TP\n.B " + roff(a.word) + "\n" + roff(a.help) + ".\n";
  return m;
}

// An accelerator as the user presses it: "keymod+T", "Alt+1", "F11".
string key_text(const Accelerator &a)
{
  // mask                 name
  static const struct { int mask; const char *name; } modifiers[] = {
    {GDK_SHIFT_MASK,      "Shift"},
    {GDK_CONTROL_MASK,    "Control"},
    {GDK_MOD1_MASK,       "Alt"},
    {GDK_SUPER_MASK,      "Super"},
  };
  string out;
  if (a.modifiers == KEYMOD)
    out = bold("keymod") + "+";
  else
    for (const auto &m : modifiers)
      if (a.modifiers & m.mask)
        out += bold(m.name) + "+";
  const char *name = gdk_keyval_name(gdk_keyval_to_upper(a.keyval));
  if (!name)
    fail("an accelerator without a key name");
  return out.empty() ? bold(name) : out + roff(name);
}

// One entry per row with a text; the rows after it without one (Alt+1 ...
// Alt+0) belong to it.
string keys_section()
{
  string m;
  const auto &keys = mainwindow_accelerators;
  for (size_t i = 0; i < keys.size(); i++) {
    if (!keys[i].what[0])
      fail("an accelerator without a text opens the list");
    size_t last = i;
    while (last + 1 < keys.size() && !keys[last + 1].what[0])
      last++;
    m += ".TP\n" + key_text(keys[i]) + (last > i ? " ... " + key_text(keys[last]) : "") + "\n" +
         roff(keys[i].what) + "\n";
    i = last;
  }
  return m;
}

string menu_items()
{
  const std::vector<const char *> labels = popupmenu_labels();
  string out;
  for (size_t i = 0; i < labels.size(); i++)
    out += (i == 0 ? "" : i + 1 == labels.size() ? " and " : ", ") + roff(labels[i]);
  return out;
}

string file_text(const char *path)
{
  std::ifstream in(path);
  if (!in)
    fail(string("cannot read ") + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

string trim(const string &t)
{
  const size_t b = t.find_first_not_of(" \t");
  if (b == string::npos)
    return "";
  return t.substr(b, t.find_last_not_of(" \t") - b + 1);
}

// The window-manager file: "# comment" lines, "manager | rule" lines, and
// "[Title]" lines that start the next section, other lines as paragraphs
// of text.
string window_managers(const char *path)
{
  string out;
  std::istringstream in(file_text(path));
  for (string raw; std::getline(in, raw);) {
    const string line = trim(raw);
    if (line.empty() || line[0] == '#')
      continue;
    if (line.front() == '[' && line.back() == ']') {
      string title = line.substr(1, line.size() - 2);
      for (char &c : title)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
      out += ".SH " + roff(title) + "\n";
      continue;
    }
    const size_t bar = line.find(" | ");
    if (bar == string::npos) {
      out += ".PP\n" + roff(line) + "\n";
      continue;
    }
    out += ".TP\n.B " + roff(trim(line.substr(0, bar))) + "\n.EX\n" +
           roff(trim(line.substr(bar + 3))) + "\n.EE\n";
  }
  return out;
}

const OptionInfo &option_named(const char *name)
{
  for (const OptionInfo &row : option_table)
    if (strcmp(row.name, name) == 0)
      return row;
  fail(string("no option ") + name);
}

using Fills = std::vector<std::pair<string, string>>;

// The template with each placeholder replaced by its text. A placeholder
// alone on its line gives its text in the line's indentation. Only the
// installation paths are left for later.
string filled(const char *template_path, const Fills &fills)
{
  string page = file_text(template_path);
  for (const auto &[placeholder, text] : fills) {
    const size_t at = page.find(placeholder);
    if (at == string::npos)
      fail(string(template_path) + " has no " + placeholder);
    const size_t line = page.rfind('\n', at) + 1;  // npos + 1 is 0
    const string indent = page.substr(line, at - line);
    string indented = text;
    if (indent.find_first_not_of(' ') == string::npos && !indent.empty()) {
      for (size_t nl = indented.find('\n'); nl != string::npos && nl + 1 < indented.size();
           nl = indented.find('\n', nl + 1))
        indented.insert(nl + 1, indent);
    }
    page.replace(at, placeholder.size(), indented);
  }
  std::smatch left;
  if (std::regex_search(page, left, std::regex("@(?!KAVLOR_(DOCDIR|DATADIR)@)[A-Z_]+@")))
    fail(string(template_path) + " names " + left.str() + ", which nothing fills");
  return page;
}

string man_page(const char *template_path, const char *wm_path)
{
  // A section's text ends with the line feed that ended its placeholder's line.
  return filled(template_path, {
    // placeholder          text
    {"@VERSION@",           KAVLOR_VERSION},
    {"@RELEASE_DATE@",      KAVLOR_RELEASE_DATE},
    {"@KEYMOD_DEFAULT@",    roff(option_named("keymod").default_text)},
    {"@MENU_ITEMS@",        menu_items()},
    {"@ACTIONS@\n",         actions_section()},
    {"@OPTIONS@\n",         options_section()},
    {"@KEYS@\n",            keys_section()},
    {"@WINDOW_MANAGERS@\n", window_managers(wm_path)},
  });
}

void add_alternative(string &list, const string &names)
{
  list += (list.empty() ? "" : "|") + names;
}

// Both shells' templates take the same case arms and lists.
string completion(const char *template_path)
{
  string names, word_options, keymod_options, keymod_words, file_options, value_options;
  for (const ActionWord &a : action_words)
    names += (names.empty() ? "" : " ") + string(a.word);
  for (const OptionInfo &row : option_table) {
    if (row.rule == RULE_PALETTE) {
      for (int i = 0; i < PALETTE_SIZE; i++) {
        const string n = palette_prefix(row.name) + std::to_string(i);
        const string s = palette_prefix(row.short_name) + std::to_string(i);
        names += " " + s + " " + n;
        add_alternative(value_options, s + "|" + n);
      }
      continue;
    }
    names += string(" ") + row.short_name + " " + row.name;
    const string both = string(row.short_name) + "|" + row.name;
    if (row.rule == RULE_KEYMOD) {
      keymod_options = both;
      keymod_words = joined(*row.words, " ");
    } else if (row.words) {
      word_options += both + ")\n    values=\"" + joined(*row.words, " ") + "\" ;;\n";
    } else if (row.rule == RULE_FILE) {
      add_alternative(file_options, both);
    } else {
      add_alternative(value_options, both);
    }
  }
  return filled(template_path, {
    // placeholder         text
    {"@WORD_OPTIONS@\n",   word_options},
    {"@KEYMOD_OPTIONS@",   keymod_options},
    {"@KEYMOD_WORDS@",     keymod_words},
    {"@FILE_OPTIONS@",     file_options},
    {"@VALUE_OPTIONS@",    value_options},
    {"@NAMES@",            names},
  });
}

string xdefaults_example()
{
  string command_line_only;
  for (const OptionInfo &row : option_table)
    if (!row.resource)
      command_line_only += (command_line_only.empty() ? "" : ", ") + string(row.name);
  std::ostringstream x;
  x << "! SPDX-License-Identifier: GPL-2.0-or-later\n"
       "! Every kavlor resource with its built-in default. Copy the lines you want\n"
       "! to ~/.Xdefaults and remove their leading \"!\". The command line wins over\n"
       "! these; " << command_line_only << " is read from the command line only.\n";
  for (const OptionInfo &row : option_table) {
    if (!row.resource)
      continue;
    x << "\n! " << description_of(row) << "\n";
    if (row.words)
      x << "! Words: " << joined(*row.words, ", ") << "\n";
    if (row.rule == RULE_PALETTE) {
      const string name = palette_prefix(row.name);
      x << "! No palette, or all sixteen: " << name << "0 ... " << name << PALETTE_SIZE - 1
        << ".\n";
      // A sample palette: the usual sixteen terminal colours.
      static const char *const sample[PALETTE_SIZE] = {
        "000000", "cd0000", "00cd00", "cdcd00", "0000ee", "cd00cd", "00cdcd", "e5e5e5",
        "7f7f7f", "ff0000", "00ff00", "ffff00", "5c5cff", "ff00ff", "00ffff", "ffffff",
      };
      for (int i = 0; i < PALETTE_SIZE; i++)
        x << "!kavlor." << name << i << ": " << sample[i] << "\n";
      continue;
    }
    if (is_description(row.default_text))
      x << "! Default: " << unwrapped(row.default_text) << ".\n!kavlor." << row.name << ": "
        << row.example << "\n";
    else
      x << "!kavlor." << row.name << ": " << row.default_text << "\n";
  }
  return x.str();
}

void write_file(const char *path, const string &text)
{
  FILE *f = fopen(path, "w");
  if (!f || fputs(text.c_str(), f) < 0 || fclose(f) != 0)
    fail(string("cannot write ") + path);
}

} // namespace

int main(int argc, char **argv)
{
  const string mode = argc > 1 ? argv[1] : "";
  if (mode == "man" && argc == 5)
    write_file(argv[4], man_page(argv[2], argv[3]));
  else if (mode == "completion" && argc == 4)
    write_file(argv[3], completion(argv[2]));
  else if (mode == "xdefaults" && argc == 3)
    write_file(argv[2], xdefaults_example());
  else {
    fputs("usage: gen_docs man TEMPLATE WINDOW_MANAGERS OUT | completion TEMPLATE OUT | "
          "xdefaults OUT\n", stderr);
    return 2;
  }
  return 0;
}
