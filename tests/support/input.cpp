// SPDX-License-Identifier: GPL-2.0-or-later
#include "input.h"

#include <sstream>
#include <utility>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

static void fake_key(Display *dpy, KeySym sym, bool press)
{
  const KeyCode code = XKeysymToKeycode(dpy, sym);
  if (code)
    XTestFakeKeyEvent(dpy, code, press, CurrentTime);
}

static KeySym key_named(const std::string &name)
{
  static const std::pair<const char *, KeySym> aliases[] = {
    {"ctrl", XK_Control_L}, {"control", XK_Control_L}, {"shift", XK_Shift_L},
    {"alt", XK_Alt_L}, {"super", XK_Super_L},
  };
  for (const auto &[alias, sym] : aliases)
    if (name == alias)
      return sym;
  return XStringToKeysym(name.c_str());
}

void input_key(Display *dpy, const std::string &combo)
{
  std::vector<KeySym> syms;
  std::istringstream in(combo);
  std::string part;
  while (std::getline(in, part, '+'))
    syms.push_back(key_named(part));
  for (KeySym s : syms)
    fake_key(dpy, s, true);
  for (auto it = syms.rbegin(); it != syms.rend(); ++it)
    fake_key(dpy, *it, false);
  XSync(dpy, False);
}

void input_type(Display *dpy, const std::string &text, bool enter)
{
  const char *display = DisplayString(dpy);
  run_capture({"xdotool", "type", "--delay", "5", "--", text},
              {std::string("DISPLAY=") + display});
  if (enter)
    input_key(dpy, "Return");
}

void input_move(Display *dpy, int x, int y)
{
  XTestFakeMotionEvent(dpy, DefaultScreen(dpy), x, y, CurrentTime);
  XSync(dpy, False);
}

void input_click(Display *dpy, int x, int y, int button, int count)
{
  input_move(dpy, x, y);
  for (int i = 0; i < count; i++) {
    XTestFakeButtonEvent(dpy, button, True, CurrentTime);
    XTestFakeButtonEvent(dpy, button, False, CurrentTime);
  }
  XSync(dpy, False);
}

bool input_xdotool(const std::string &display, const std::vector<std::string> &args)
{
  std::vector<std::string> argv = {"xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  int code = -1;
  run_capture(argv, {"DISPLAY=" + display}, &code);
  return code == 0;
}
