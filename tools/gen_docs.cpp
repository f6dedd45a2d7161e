// SPDX-License-Identifier: GPL-2.0-or-later
// Writes the manual page, the shell completions and the example resource
// file from the program's own option table, word tables, defaults and help
// texts, so none of them can drift from what the program does.
//
//   gen_docs man WINDOW_MANAGERS_FILE OUT   manual page (roff), with
//                                           @KAVLOR_DOCDIR@ and @KAVLOR_DATADIR@
//                                           left for the installation paths
//   gen_docs bash OUT                       bash completion
//   gen_docs zsh OUT                        zsh completion
//   gen_docs xdefaults OUT                  commented example ~/.Xdefaults
#include "config/config.h"
#include "config/words.h"
#include "main/actions.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using std::string;

bool is_palette(const OptionInfo &row) { return strcmp(row.name, "colorX") == 0; }
bool is_cursor_shape(const OptionInfo &row) { return strcmp(row.name, "cursorShape") == 0; }

// The first word of a list that stands for `code`, or "".
string word_for(const OptionWords &list, int code)
{
  for (int i = 0; i < list.count; i++)
    if (list.words[i].code == code)
      return list.words[i].word;
  return "";
}

const OptionWords &words_named(const char *option)
{
  OptionInfo row = {};
  g_strlcpy(row.name, option, sizeof row.name);
  g_strlcpy(row.type, strcmp(option, "BOOLEAN") == 0 ? "BOOLEAN" : "", sizeof row.type);
  const OptionWords *list = settings_option_words(row);
  if (!list) {
    fprintf(stderr, "gen_docs: no word list for %s\n", option);
    exit(2);
  }
  return *list;
}

string hex_color(const GdkColor &c)
{
  char buf[8];
  g_snprintf(buf, sizeof buf, "%02x%02x%02x", c.red >> 8, c.green >> 8, c.blue >> 8);
  return buf;
}

string number(double v)
{
  char buf[32];
  g_snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

string keymod_words(int mask)
{
  const OptionWords &list = words_named("keymod");
  string out;
  for (int i = 0; i < list.count; i++) {
    const int bit = list.words[i].code;
    if ((mask & bit) && word_for(list, bit) == list.words[i].word) {
      out += out.empty() ? "" : "+";
      out += list.words[i].word;
    }
  }
  return out;
}

// The built-in default of an option as a value one could write, or, in
// parentheses, a description where no written value gives it.
string default_of(const OptionInfo &row)
{
  const Settings &s = settings;
  const string name = row.name;
  if (const OptionWords *list = settings_option_words(row)) {
    if (name == "mod")
      return s.mod == 0 ? "(no modifier)" : word_for(*list, s.mod);
    if (name == "keymod")
      return keymod_words(s.keymod);
    const std::vector<std::pair<string, int>> fields = {
      {"scrollbar", s.scrollbar}, {"border", s.border}, {"position", s.position},
      {"showtab", s.showtab}, {"tabpos", s.tabpos}, {"cursorShape", s.cursorShape},
      {"tabfill", s.tabfill}, {"allowbold", s.allowbold}, {"autohide", s.autohide},
      {"scroll", s.scroll}, {"allowreorder", s.allowreorder}, {"cursorBlink", s.cursorBlink},
    };
    for (const auto &[field, code] : fields)
      if (field == name) {
        const string word = word_for(*list, code);
        // "one", the tab bar's default, is no word of its own: any other
        // word leaves it.
        return word.empty() && name == "showtab" ? "one" : word;
      }
  }
  const std::vector<std::pair<string, std::function<string()>>> plain = {
    {"key",        [&] { return string("(no key)"); }},
    {"font",       [&] { return string(s.font); }},
    {"background", [&] { return hex_color(s.background); }},
    {"foreground", [&] { return hex_color(s.foreground); }},
    {"cursorColor", [&] { return hex_color(s.cursorColor); }},
    {"opacity",    [&] { return number(s.opacity); }},
    {"bgimage",    [&] { return string("(no image)"); }},
    {"width",      [&] { return number(s.width); }},
    {"height",     [&] { return number(s.height); }},
    {"shell",      [&] { return string("(the login shell of the user)"); }},
    {"emulation",  [&] { return string(s.emulation); }},
    {"lines",      [&] { return number(s.lines); }},
    {"tablabel",   [&] { return string(s.tablabel); }},
    {"fixedx",     [&] { return number(s.fixedx); }},
    {"fixedy",     [&] { return number(s.fixedy); }},
    {"colorX",     [&] { return string("(no palette)"); }},
  };
  for (const auto &[field, render] : plain)
    if (field == name)
      return render();
  fprintf(stderr, "gen_docs: no default known for %s\n", row.name);
  exit(2);
}

// The description without its own "Default: ..." sentence, which is
// replaced by the built-in default.
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

// The text a print function writes to standard output.
string captured(void (*print)())
{
  char *buf = nullptr;
  size_t len = 0;
  FILE *mem = open_memstream(&buf, &len);
  FILE *old = stdout;
  stdout = mem;
  print();
  fflush(mem);
  stdout = old;
  fclose(mem);
  string out(buf, len);
  free(buf);
  return out;
}

std::vector<string> lines_of(const string &text)
{
  std::vector<string> out;
  std::istringstream in(text);
  for (string line; std::getline(in, line);)
    out.push_back(line);
  return out;
}

string trim(const string &t)
{
  const size_t b = t.find_first_not_of(" \t");
  if (b == string::npos)
    return "";
  return t.substr(b, t.find_last_not_of(" \t") - b + 1);
}

// Roff text: backslashes and minus signs escaped, no control character at
// the start of a line.
string roff(const string &t)
{
  string out;
  for (char c : t) {
    if (c == '\\') out += "\\e";
    else if (c == '-') out += "\\-";
    else out += c;
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\''))
    out.insert(0, "\\&");
  return out;
}

string word_list_text(const OptionWords &list)
{
  string out;
  for (int i = 0; i < list.count; i++)
    out += (i ? ", " : "") + string("\\fB") + roff(list.words[i].word) + "\\fR";
  return out;
}

// What the manual says about an option's words.
string words_text(const OptionInfo &row, const OptionWords &list)
{
  string t;
  if (strcmp(row.name, "keymod") == 0)
    t = "One or more of " + word_list_text(list) + ", joined with \\fB+\\fR, in any case";
  else
    t = "Accepted words: " + word_list_text(list) +
        (list.ignore_case ? ", in any case" : ", in lower case as written");
  if (strcmp(row.name, "mod") == 0)
    t += " (the first letter may be upper case)";
  t += ". ";
  if (strcmp(row.name, "keymod") == 0)
    t += "A value with no known word leaves the setting as it was.";
  else if (list.fallback == WORDS_KEEP)
    t += "Any other value leaves the setting as it was.";
  else
    t += "Any other value gives \\fB" + roff(word_for(list, list.fallback)) + "\\fR.";
  return t;
}

// The action words with their help lines, as --help prints them.
std::vector<std::pair<string, string>> help_actions(const string &help)
{
  std::vector<std::pair<string, string>> out;
  bool in_actions = false;
  for (const string &line : lines_of(help)) {
    if (line == "Actions are:") { in_actions = true; continue; }
    if (!in_actions) continue;
    if (line.rfind("  --", 0) != 0) break;
    const size_t tab = line.find('\t');
    out.push_back({trim(line.substr(0, tab)), trim(line.substr(tab + 1))});
  }
  return out;
}

// Lines of --help that begin with `prefix`, without it.
string help_line(const string &help, const string &prefix)
{
  for (const string &line : lines_of(help))
    if (line.rfind(prefix, 0) == 0)
      return trim(line.substr(prefix.size()));
  return "";
}

string file_text(const char *path)
{
  std::ifstream in(path);
  if (!in) {
    fprintf(stderr, "gen_docs: cannot read %s\n", path);
    exit(2);
  }
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The window-manager file: "# comment" lines, "manager | rule" lines, and
// other lines as paragraphs of text.
string window_managers(const char *path)
{
  string out;
  for (const string &raw : lines_of(file_text(path))) {
    const string line = trim(raw);
    if (line.empty() || line[0] == '#')
      continue;
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

string man_page(const char *wm_path)
{
  const string help = captured([] { print_help("kavlor"); });
  const string version = help_line(captured(print_version), "kavlor ");
  std::ostringstream m;
  // Ordinary comments: letters after a first-line '\" would name preprocessors.
  m << ".\\\" SPDX-License-Identifier: GPL-2.0-or-later\n"
       ".\\\" Generated at build time from the program's option table and texts.\n"
       ".TH KAVLOR 1 \"" KAVLOR_RELEASE_DATE "\" \"kavlor " << version << "\" \"User Commands\"\n"
       ".SH NAME\nkavlor \\- drop\\-down terminal for the X Window System\n"
       ".SH SYNOPSIS\n.B kavlor\n.RI [ action ]\n.RI [ option\\ value ...]\n"
       ".SH DESCRIPTION\n"
       "\\fBkavlor\\fR keeps one borderless terminal window hidden until you press a global\n"
       "shortcut key, from whichever application has the focus. The window then comes up\n"
       "above all other windows, on every desktop, at the configured edge or corner of the\n"
       "monitor under the pointer, and takes the keyboard focus. The next press hides it\n"
       "again, and by default so does moving the focus to another window.\n"
       ".PP\n"
       "The window holds tabs, each with the user's shell in a terminal. Links under the\n"
       "pointer open with the desktop's handler.\n"
       ".PP\n"
       "Settings come from the X resource file \\fI~/.Xdefaults\\fR (see \\fBRESOURCES\\fR)\n"
       "and from the command line, as pairs of an option name and its value. Every two\n"
       "adjacent arguments are read as such a pair; names that are no option are ignored.\n"
       ".PP\n"
       "Without a shortcut key (\\fB\\-k\\fR or \\fBkavlor.key\\fR) kavlor says so with a hint on\n"
       "standard output, and the window then only appears through \\fBkavlor \\-\\-toggle\\fR.\n"
       ".SH ACTIONS\n";
  for (const auto &[word, text] : help_actions(help))
    m << ".TP\n.B " << roff(word) << "\n" << roff(text) << ".\n";
  m << ".PP\n"
       "An action word acts wherever it stands; the first one wins. The words \\fB\\-\\-help\\fR, \\fB\\-\\-info\\fR and \\fB\\-\\-version\\fR also work where no X display can\n"
       "be opened. \\fB\\-\\-toggle\\fR signals the kavlor already running for the user, which shows or\n"
       "hides its window; when none runs, this kavlor starts and shows its window at once.\n"
       ".SH OPTIONS\n"
       "Each option has a long name, which is also its resource name, and a short form.\n"
       "Both work on the command line, each followed by its value.\n";
  for (const OptionInfo &row : option_table) {
    if (is_palette(row)) {
      m << ".TP\n\\fB\\-cX\\fR, \\fBcolorX\\fR \\fI" << row.type << "\\fR\n" << roff(row.description)
        << ", X from 0 to 15: \\fB\\-c0\\fR ... \\fB\\-c15\\fR, \\fBcolor0\\fR ... \\fBcolor15\\fR.\n"
           "Resources \\fBkavlor.color0\\fR to \\fBkavlor.color15\\fR.\n";
      for (const string &line : lines_of(help))
        if (line.rfind("\t\t", 0) == 0)
          m << ".br\n" << roff(trim(line)) << "\n";
      m << ".br\nWithout a palette the terminal library's own colours are used.\n";
      continue;
    }
    m << ".TP\n\\fB" << roff(row.short_name) << "\\fR, \\fB" << roff(row.name) << "\\fR \\fI"
      << row.type << "\\fR\n" << roff(description_of(row)) << "\n";
    if (const OptionWords *list = settings_option_words(row))
      m << words_text(row, *list) << "\n";
    if (strcmp(row.name, "key") == 0)
      m << "A key symbol name as X knows it (see \\fIxev\\fR(1)), in either case for its first letter.\n";
    if (strcmp(row.name, "width") == 0 || strcmp(row.name, "height") == 0)
      m << "A value with \\fB%\\fR is a percentage of the monitor.\n";
    const string def = default_of(row);
    m << ".br\nDefault: " << roff(def[0] == '(' ? def.substr(1, def.size() - 2) : def) << ".\n";
    if (is_cursor_shape(row))
      m << ".br\nCommand line only: no resource is read for it.\n";
    else
      m << ".br\nResource: \\fBkavlor." << roff(row.name) << "\\fR.\n";
  }
  m << ".PP\nNote: " << roff(help_line(help, "Note:")) << " The leading \\fB#\\fR may also be written.\n";
  m << ".SH KEYS\n"
       "In the window, with the default \\fBkeymod\\fR of \\fB"
    << roff(keymod_words(settings.keymod)) << "\\fR:\n"
       ".TP\n.BR keymod +T\nNew tab.\n"
       ".TP\n.BR keymod +W\nClose the current tab; closing the last one opens a fresh one.\n"
       ".TP\n.BR keymod +Page_Up\nNext tab, from the last to the first.\n"
       ".TP\n.BR keymod +Page_Down\nPrevious tab, from the first to the last.\n"
       ".TP\n.BR keymod +C\nCopy the selection.\n"
       ".TP\n.BR keymod +V\nPaste.\n"
       ".TP\n.BR keymod +Q\nQuit.\n"
       ".TP\n.BR Alt +1 \" ... \" Alt +0\nTabs 1 to 10, whatever \\fBkeymod\\fR says.\n"
       ".TP\n.B F11\nFullscreen on and off.\n"
       ".PP\n"
       "A right click opens a menu with New Tab, Close Tab, Copy, Paste, Toggle Fullscreen\n"
       "and Quit. A click on a tab selects it; a double click beside the tabs opens a new\n"
       "tab. A click on a link opens it with the desktop's handler.\n"
       ".SH RESOURCES\n"
       "Resources are read from \\fI.Xdefaults\\fR in the home directory that the password\n"
       "database names for the real user (not \\fB$HOME\\fR), one per line in the form\n"
       ".PP\n.RS\n.B kavlor.OPTION: VALUE\n.RE\n.PP\n"
       "with the long option names above, for example \\fBkavlor.key: f12\\fR. Lines that begin\n"
       "with \\fB!\\fR are comments. The command line wins over the resources. \\fBcursorShape\\fR\n"
       "is read from the command line only. When the file is missing or cannot be read,\n"
       "nothing is reported and the built-in defaults stand, except for what X itself\n"
       "supplies. \\fBkavlor \\-\\-info\\fR lists the resource names. A commented example of every\n"
       "resource with its default is installed as \\fI@KAVLOR_DOCDIR@/examples/Xdefaults\\fR.\n"
       ".SH SIGNALS\n"
       ".TP\n.B SIGUSR1\nShow or hide the window, as the shortcut key does. "
       "\\fBkavlor \\-\\-toggle\\fR sends it to the running instance.\n"
       ".SH EXIT STATUS\n"
       ".TP\n.B 0\nAfter quitting through the keys or the menu.\n"
       ".TP\n.B 1\nAfter an action word (\\fB\\-\\-toggle\\fR only when it signalled another instance),\n"
       "a failed start\\-up check (a shell that cannot be opened, a negative scrollback,\n"
       "an incomplete palette), a display that cannot be opened, or a shortcut key that\n"
       "another program has already grabbed.\n"
       ".SH FILES\n"
       ".TP\n.I ~/.Xdefaults\nThe resources, see \\fBRESOURCES\\fR.\n"
       ".TP\n.I @KAVLOR_DATADIR@/kavlor/kavlor\\-autostart.desktop\n"
       "An autostart entry that starts kavlor hidden, with \\fBF12\\fR as its key unless\n"
       "\\fI~/.Xdefaults\\fR names one. Copy it to \\fI~/.config/autostart/\\fR to start kavlor\n"
       "at login.\n"
       ".TP\n.I @KAVLOR_DOCDIR@/examples/Xdefaults\nEvery resource with its default.\n"
       ".SH EXAMPLES\n"
       "Start at login with F12 as the key, the window two fifths of the screen high:\n"
       ".PP\n.RS\n.EX\nkavlor \\-k F12 \\-w 100% \\-h 40%\n.EE\n.RE\n.PP\n"
       "Alt+F1 as the key, a dark background and a scrollbar on the right:\n"
       ".PP\n.RS\n.EX\nkavlor \\-m alt \\-k F1 \\-bg 1c1c1c \\-s right\n.EE\n.RE\n.PP\n"
       "Where a global key grab does not work, as in Wayland sessions (through Xwayland),\n"
       "start kavlor without a key and bind the command\n"
       ".PP\n.RS\n.EX\nkavlor \\-\\-toggle\n.EE\n.RE\n.PP\n"
       "to a key with the desktop's own keyboard shortcut settings.\n"
       ".SH WINDOW MANAGERS\n"
    << window_managers(wm_path)
    << ".SH SEE ALSO\n\\fBX\\fR(7), \\fBxev\\fR(1), \\fBpgrep\\fR(1)\n";
  return m.str();
}

struct CompletionWords {
  string option_names;                               // all, space separated
  std::vector<std::pair<string, string>> word_cases; // "name|short" -> words
  string keymod_words, file_options, value_options;  // "a|b|..."
};

CompletionWords completion_words()
{
  CompletionWords c;
  c.option_names = "--help --info --version --toggle";
  for (const OptionInfo &row : option_table) {
    const bool file = strcmp(row.name, "shell") == 0 || strcmp(row.name, "bgimage") == 0;
    if (is_palette(row)) {
      string pal;
      for (int i = 0; i < PALETTE_SIZE; i++) {
        c.option_names += " -c" + std::to_string(i) + " color" + std::to_string(i);
        pal += string(pal.empty() ? "" : "|") + "-c" + std::to_string(i) + "|color" + std::to_string(i);
      }
      c.value_options += string(c.value_options.empty() ? "" : "|") + pal;
      continue;
    }
    c.option_names += string(" ") + row.short_name + " " + row.name;
    const string both = string(row.short_name) + "|" + row.name;
    const OptionWords *list = settings_option_words(row);
    if (list && strcmp(row.name, "keymod") == 0) {
      c.keymod_words = both;
    } else if (list) {
      string words;
      for (int i = 0; i < list->count; i++)
        words += (i ? " " : "") + string(list->words[i].word);
      c.word_cases.push_back({both, words});
    } else if (file) {
      c.file_options += (c.file_options.empty() ? "" : "|") + both;
    } else {
      c.value_options += (c.value_options.empty() ? "" : "|") + both;
    }
  }
  return c;
}

string keymod_word_list()
{
  const OptionWords &list = words_named("keymod");
  string out;
  for (int i = 0; i < list.count; i++)
    out += (i ? " " : "") + string(list.words[i].word);
  return out;
}

string bash_completion()
{
  const CompletionWords c = completion_words();
  std::ostringstream b;
  b << "# SPDX-License-Identifier: GPL-2.0-or-later\n"
       "# bash completion for kavlor, generated from its option table.\n"
       "_kavlor()\n{\n"
       "    local cur=${COMP_WORDS[COMP_CWORD]} prev=\n"
       "    [ \"$COMP_CWORD\" -gt 0 ] && prev=${COMP_WORDS[COMP_CWORD-1]}\n"
       "    COMPREPLY=()\n"
       "    case $prev in\n";
  for (const auto &[names, words] : c.word_cases)
    b << "        " << names << ")\n"
         "            COMPREPLY=($(compgen -W \"" << words << "\" -- \"$cur\"))\n"
         "            return ;;\n";
  b << "        " << c.keymod_words << ")\n"
       "            local head=\n"
       "            [[ $cur == *+* ]] && head=${cur%+*}+\n"
       "            COMPREPLY=($(compgen -P \"$head\" -W \"" << keymod_word_list()
    << "\" -- \"${cur##*+}\"))\n"
       "            return ;;\n"
       "        " << c.file_options << ")\n"
       "            COMPREPLY=($(compgen -f -- \"$cur\"))\n"
       "            return ;;\n"
       "        " << c.value_options << ")\n"
       "            return ;;\n"
       "    esac\n"
       "    COMPREPLY=($(compgen -W \"" << c.option_names << "\" -- \"$cur\"))\n"
       "}\n"
       "complete -F _kavlor kavlor\n";
  return b.str();
}

string zsh_completion()
{
  const CompletionWords c = completion_words();
  std::ostringstream z;
  z << "#compdef kavlor\n"
       "# SPDX-License-Identifier: GPL-2.0-or-later\n"
       "# zsh completion for kavlor, generated from its option table.\n"
       "case ${words[CURRENT-1]} in\n";
  for (const auto &[names, words] : c.word_cases)
    z << "  " << names << ")\n    compadd -- " << words << "\n    return ;;\n";
  z << "  " << c.keymod_words << ")\n    compset -P '*+'\n    compadd -- " << keymod_word_list()
    << "\n    return ;;\n"
       "  " << c.file_options << ")\n    _files\n    return ;;\n"
       "  " << c.value_options << ")\n    _message value\n    return ;;\n"
       "esac\n"
       "compadd -- " << c.option_names << "\n";
  return z.str();
}

string xdefaults_example()
{
  std::ostringstream x;
  x << "! SPDX-License-Identifier: GPL-2.0-or-later\n"
       "! Every kavlor resource with its built-in default. Copy the lines you want\n"
       "! to ~/.Xdefaults and remove their leading \"!\". The command line wins over\n"
       "! these; cursorShape is read from the command line only.\n";
  for (const OptionInfo &row : option_table) {
    if (is_cursor_shape(row))
      continue;
    x << "\n! " << description_of(row) << "\n";
    if (const OptionWords *list = settings_option_words(row)) {
      x << "! Words:";
      for (int i = 0; i < list->count; i++)
        x << (i ? ", " : " ") << list->words[i].word;
      x << "\n";
    }
    if (is_palette(row)) {
      x << "! No palette, or all sixteen: color0 ... color15.\n";
      // A sample palette: the usual sixteen terminal colours.
      static const char *const sample[PALETTE_SIZE] = {
        "000000", "cd0000", "00cd00", "cdcd00", "0000ee", "cd00cd", "00cdcd", "e5e5e5",
        "7f7f7f", "ff0000", "00ff00", "ffff00", "5c5cff", "ff00ff", "00ffff", "ffffff",
      };
      for (int i = 0; i < PALETTE_SIZE; i++)
        x << "!kavlor.color" << i << ": " << sample[i] << "\n";
      continue;
    }
    const string def = default_of(row);
    if (def[0] == '(')
      x << "! Default: " << def.substr(1, def.size() - 2) << ".\n!kavlor." << row.name << ":"
        << (strcmp(row.name, "key") == 0 ? " f12" : strcmp(row.name, "mod") == 0 ? " alt" : "")
        << "\n";
    else
      x << "!kavlor." << row.name << ": " << def << "\n";
  }
  return x.str();
}

void write_file(const char *path, const string &text)
{
  FILE *f = fopen(path, "w");
  if (!f || fputs(text.c_str(), f) < 0 || fclose(f) != 0) {
    fprintf(stderr, "gen_docs: cannot write %s\n", path);
    exit(2);
  }
}

} // namespace

int main(int argc, char **argv)
{
  settings_defaults();
  const string mode = argc > 1 ? argv[1] : "";
  if (mode == "man" && argc == 4)
    write_file(argv[3], man_page(argv[2]));
  else if (mode == "bash" && argc == 3)
    write_file(argv[2], bash_completion());
  else if (mode == "zsh" && argc == 3)
    write_file(argv[2], zsh_completion());
  else if (mode == "xdefaults" && argc == 3)
    write_file(argv[2], xdefaults_example());
  else {
    fputs("usage: gen_docs man WINDOW_MANAGERS OUT | bash OUT | zsh OUT | xdefaults OUT\n", stderr);
    return 2;
  }
  return 0;
}
