// SPDX-License-Identifier: GPL-2.0-or-later
// The drop-down under the window managers people run, each with its default
// configuration on a 1920x1080 screen: a window of our own holds the focus,
// the hotkey comes through XTest, and every check a user would make runs in
// turn:
//   a  the first press shows it, focused, at its place, above the other window
//   b  the next press hides it
//   c  after a click gave the focus away, the hotkey shows it at its place,
//      focused
//   d  activating another window hides it (autohide)
//   e  with autohide off, another desktop still shows it
//   f  F11 covers the monitor, a second F11 puts it back
//   g  typed text reaches the shell
#include "harness.h"
#include "matrix.h"
#include "kavlor_run.h"
#include "procfs.h"
#include "input.h"

#include <iostream>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace {

constexpr double kDeadline = 10.0;
constexpr int kScreenW = 1920, kScreenH = 1080;
// The default geometry: 800x400 at the top centre.
constexpr int kX = (kScreenW - 800) / 2, kY = 0, kW = 800, kH = 400;
// A point of the other window that the drop-down does not cover.
constexpr int kClickX = 300, kClickY = 700;

// i3 asks its first-run questions without a configuration of its own.
const char *const kI3Config = "focus_follows_mouse no\n";
// The rules that make the drop-down float on tiling managers.
const char *const kI3FloatRule = "for_window [class=\"Kavlor\"] floating enable\n";
const char *const kBspwmrc =
    "#!/bin/sh\n"
    "bspc monitor -d 1 2\n"
    "bspc rule -a Kavlor state=floating\n";

// herbstluftwm runs its autostart, which must be executable, once it
// manages the screen. Its focus stealing prevention takes activation
// requests from pagers only: focus=on gives the window the focus it maps
// with.
const char *const kHerbstluftAutostart =
    "#!/bin/sh\n"
    "herbstclient rule class=Kavlor floating=on floatplacement=none focus=on\n";
const char *const kSpectrwmConf = "quirk[Kavlor] = FLOAT + ANYWHERE\n";

// A check the manager makes impossible, and why: reported as such, never
// as passed.
struct WmCase {
  const char *name;
  std::vector<std::string> command;  // "@HOME@" stands for the test's home
  std::vector<std::pair<std::string, std::string>> files;  // written into the home first
  std::vector<CheckNote> not_applicable;
  // What switches to the second desktop; empty: the EWMH request.
  std::vector<std::string> desktop_switch;
  std::vector<std::string> env;  // for the manager, besides the home's
  // The manager leaves WM_STATE at Normal when the window withdraws (cwm):
  // there the unmap alone says hidden.
  bool keeps_wm_state = false;
};
void PrintTo(const WmCase &c, std::ostream *os) { *os << c.name; }

const CheckNote kTilingNa[] = {
    {'c', "the float rule promises place and focus at the first map only"},
    {'e', "no sticky state"},
    {'f', "fullscreen is the manager's own tiling business"},
};
// twm: no EWMH at all, so it shows the focus asked again once mapped.
const CheckNote kTwmNa[] = {
    {'c', "a show soon after a hide is often left unmapped"},
    {'d', "a show soon after a hide is often left unmapped"},
    {'e', "no desktops"},
    {'f', "no fullscreen state"},
};

const std::vector<std::string> kMoreDesktops = {"xdotool", "set_num_desktops", "2",
                                                "set_desktop", "1"};

// Runs the manager as a session whose settings daemon and bus it asks for.
std::vector<std::string> dbus(std::vector<std::string> command)
{
  command.insert(command.begin(), "dbus-run-session");
  return command;
}

const WmCase kCases[] = {
    // name  command  files  not applicable  desktop key  env  keeps WM_STATE
    {"openbox", {"openbox", "--sm-disable"}, {}, {}, {}, {}},
    {"fluxbox", {"fluxbox"}, {}, {}, {}, {}},
    {"icewm", {"icewm"}, {}, {}, {}, {}},
    // xfwm4 reads its settings through xfconf, on a session bus.
    {"xfwm4", dbus({"xfwm4"}), {}, {}, {}, {}},
    {"i3", {"i3", "-c", "@HOME@/.config/i3/config"}, {{".config/i3/config", kI3Config}}, {},
     {"i3-msg", "workspace", "2"}, {}},
    {"metacity", {"metacity"}, {}, {}, {}, {}},
    {"marco", {"marco"}, {}, {}, {}, {}},
    {"jwm", {"jwm"}, {}, {}, {}, {}},
    {"evilwm", {"evilwm"}, {}, {}, {}, {}},
    {"fvwm", {"fvwm"}, {}, {}, {}, {}},
    {"wmaker", {"wmaker"}, {}, {{'f', "binds F11 itself"}}, {}, {}},
    {"twm", {"twm"}, {}, {std::begin(kTwmNa), std::end(kTwmNa)}, {}, {}},
    {"i3_float_rule", {"i3", "-c", "@HOME@/.config/i3/config"},
     {{".config/i3/config", std::string(kI3Config) + kI3FloatRule}},
     {std::begin(kTilingNa), std::end(kTilingNa)}, {}, {}},
    {"bspwm_float_rule", {"bspwm", "-c", "@HOME@/.config/bspwm/bspwmrc"},
     {{".config/bspwm/bspwmrc", kBspwmrc}}, {std::begin(kTilingNa), std::end(kTilingNa)}, {},
     {}},
    // One desktop until a client asks for more.
    {"kwin_x11", dbus({"kwin_x11", "--replace"}), {}, {}, kMoreDesktops, {"QT_QPA_PLATFORM=xcb"}},
    {"muffin", dbus({"muffin", "--replace"}), {}, {}, {}, {}},
    // Debian's default rc.lua floats new windows.
    {"awesome", {"awesome"}, {}, {}, {}, {}},
    {"pekwm", {"pekwm"}, {}, {}, {}, {}},
    {"blackbox", {"blackbox"}, {}, {}, {}, {}},
    {"sawfish", {"sawfish"}, {}, {}, kMoreDesktops, {}},
    {"ctwm", {"ctwm"}, {}, {}, {}, {}},
    // cwm lists its stacking order top-first: x_stacking_index trusts the
    // window tree instead.
    {"cwm", {"cwm"}, {}, {}, {}, {}, true},
    {"compiz", {"compiz", "--replace", "ccp"}, {},
     {{'e', "one desktop of viewports, and its default plugins change neither on request"}}, {},
     {"LIBGL_ALWAYS_SOFTWARE=1"}},
    {"herbstluftwm_float_rule", {"herbstluftwm"},
     {{".config/herbstluftwm/autostart", kHerbstluftAutostart}}, {{'e', "no sticky state"}}, {},
     {}},
    {"spectrwm_float_rule", {"spectrwm"}, {{".config/spectrwm/spectrwm.conf", kSpectrwmConf}},
     {{'e', "no sticky state"}}, {}, {}},
};

// Where `w` is and what holds the focus, for the failure messages.
std::string geometry_text(Display *dpy, Window w)
{
  int x = 0, y = 0, width = 0, height = 0;
  x_geometry(dpy, w, &x, &y, &width, &height);
  char focus[32];
  snprintf(focus, sizeof focus, "0x%lx", x_focus_window(dpy));
  return std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(width) + "x" +
         std::to_string(height) + (x_is_viewable(dpy, w) ? " viewable" : " not viewable") +
         ", focus " + focus;
}

// At (x, y) with the given size; a frame the manager insists on (a title
// bar, or a border on the window itself) counts when its outer corner is at
// (x, y).
bool placed_at(Display *dpy, Window w, int x, int y, int width, int height)
{
  int cx, cy, cw, ch;
  XWindowAttributes a;
  if (!x_geometry(dpy, w, &cx, &cy, &cw, &ch) || cw != width || ch != height ||
      !XGetWindowAttributes(dpy, w, &a))
    return false;
  if (cx - a.border_width == x && cy - a.border_width == y)
    return true;
  XWindowAttributes frame;
  const Window top = x_toplevel(dpy, w);
  return top && top != w && XGetWindowAttributes(dpy, top, &frame) && frame.x == x &&
         frame.y == y;
}

// The manager has taken the window as withdrawn: its WM_STATE is gone or
// says so. A map requested before that may be lost (evilwm loses it).
bool withdrawn(Display *dpy, Window w)
{
  const Atom wm_state = XInternAtom(dpy, "WM_STATE", False);
  Atom type;
  int format;
  unsigned long n, after;
  unsigned char *data = nullptr;
  long state = WithdrawnState;
  if (XGetWindowProperty(dpy, w, wm_state, 0, 2, False, wm_state, &type, &format, &n, &after,
                         &data) == Success && data) {
    if (n >= 1)
      state = static_cast<long>(*reinterpret_cast<unsigned long *>(data));
    XFree(data);
  }
  return state == WithdrawnState;
}

bool focused(Display *dpy, Window w) { return x_is_inside(dpy, x_focus_window(dpy), w); }

class WindowManagers : public testing::TestWithParam<WmCase> {
protected:
  XSession x;
  TestHome home;
  Proc kavlor;
  Window other = 0;
  std::string results;  // one "a=pass" entry per check, for the matrix

  void SetUp() override
  {
    const WmCase &c = GetParam();
    home_make(&home);
    for (const auto &f : c.files) {
      home_write(home, f.first, f.second);
      // Scripts the manager runs (bspwmrc, herbstluftwm's autostart).
      if (f.second.rfind("#!", 0) == 0)
        chmod((home.dir + "/" + f.first).c_str(), 0755);
    }
    XSessionOptions opts;
    opts.screens = {std::to_string(kScreenW) + "x" + std::to_string(kScreenH)};
    opts.wm_command.clear();
    for (std::string arg : c.command) {
      const size_t at = arg.find("@HOME@");
      if (at != std::string::npos)
        arg.replace(at, 6, home.dir);
      opts.wm_command.push_back(arg);
    }
    opts.wm_env = {"HOME=" + home.dir, "XDG_CONFIG_HOME=" + home.dir + "/.config",
                   "XDG_DATA_HOME=" + home.dir + "/.local/share",
                   "XDG_CACHE_HOME=" + home.dir + "/.cache", "DBUS_SESSION_BUS_ADDRESS=",
                   "XDG_RUNTIME_DIR=" + home.dir + "/.run"};
    opts.wm_env.insert(opts.wm_env.end(), c.env.begin(), c.env.end());
    ASSERT_TRUE(xsession_start(&x, opts));
  }

  void TearDown() override
  {
    proc_kill(&kavlor);
    xsession_stop(&x);
    home_remove(&home);
    std::cout << "wm matrix: " << GetParam().name << results << std::endl;
  }

  bool applies(char check) { return matrix_applies(&results, GetParam().not_applicable, check); }

  void record(char check, bool ok, const std::string &what)
  {
    matrix_record(&results, check, ok, what);
  }

  bool xdotool(const std::vector<std::string> &args) { return input_xdotool(x.display, args); }
  bool key(const std::string &combo) { return xdotool({"key", combo}); }

  long current_desktop()
  {
    Atom type;
    int format;
    unsigned long n, after;
    unsigned char *data = nullptr;
    long desktop = -1;
    if (XGetWindowProperty(x.dpy, DefaultRootWindow(x.dpy),
                           XInternAtom(x.dpy, "_NET_CURRENT_DESKTOP", False), 0, 1, False,
                           XA_CARDINAL, &type, &format, &n, &after, &data) == Success && data) {
      if (n == 1)
        desktop = static_cast<long>(*reinterpret_cast<unsigned long *>(data));
      XFree(data);
    }
    return desktop;
  }

  // A normal managed window of our own that takes the focus, below where
  // the drop-down comes down.
  void make_other()
  {
    const int screen = DefaultScreen(x.dpy);
    other = XCreateSimpleWindow(x.dpy, RootWindow(x.dpy, screen), 100, 200, 700, 600, 0,
                                BlackPixel(x.dpy, screen), WhitePixel(x.dpy, screen));
    XClassHint cls = {const_cast<char *>("other"), const_cast<char *>("Other")};
    XSetClassHint(x.dpy, other, &cls);
    XWMHints hints = {};
    hints.flags = InputHint;
    hints.input = True;
    XSetWMHints(x.dpy, other, &hints);
    // Placed by us, not by the manager, so that we know where to click.
    XSizeHints size = {};
    size.flags = USPosition | USSize;
    XSetWMNormalHints(x.dpy, other, &size);
    XStoreName(x.dpy, other, "other");
    // Like any application it takes its clicks: unselected, they would go
    // on to the frame, where evilwm starts moving the window.
    XSelectInput(x.dpy, other, ButtonPressMask | ButtonReleaseMask);
    XMapWindow(x.dpy, other);
    XSync(x.dpy, False);
    ASSERT_TRUE(wait_until([&] { return x_is_viewable(x.dpy, other); }, kDeadline));
  }

  // The pointer enters the other window and clicks, as a user would:
  // managers whose focus follows the mouse give it the focus on entering,
  // the others on the click. A manager still starting may miss the first.
  bool click_other()
  {
    return wait_until([&] {
      xdotool({"mousemove", std::to_string(kScreenW - 1), std::to_string(kScreenH - 1)});
      xdotool({"mousemove", std::to_string(kClickX), std::to_string(kClickY), "click", "1"});
      return wait_until([&] { return focused(x.dpy, other); }, 1.0);
    }, kDeadline, 0);
  }

  void start_kavlor(const std::vector<std::string> &extra)
  {
    std::vector<std::string> args = {"-k", "f12"};
    args.insert(args.end(), extra.begin(), extra.end());
    kavlor = kavlor_start(x, home, args);
  }

  // Its window, once the listener runs and so the key is grabbed.
  Window kavlor_ready()
  {
    const Window w = kavlor_wait_listening(x.dpy, &kavlor);
    // The grabs reach the server when the listener first waits.
    procfs_wait_idle(kavlor.pid);
    return proc_alive(&kavlor) ? w : 0;
  }

  bool wait_shown_focused(Window w)
  {
    return wait_until([&] { return x_is_viewable(x.dpy, w) && focused(x.dpy, w); }, kDeadline);
  }
  bool wait_hidden(Window w)
  {
    return wait_until([&] {
      return !x_is_viewable(x.dpy, w) && (GetParam().keeps_wm_state || withdrawn(x.dpy, w));
    }, kDeadline);
  }
  bool wait_placed(Window w, int px, int py, int width, int height)
  {
    return wait_until([&] { return placed_at(x.dpy, w, px, py, width, height); }, kDeadline);
  }

  // Types a command that leaves a file behind; a few tries, as the shell
  // may not have printed its prompt yet.
  bool typed_text_reaches_shell()
  {
    const std::string mark = home.dir + "/typed";
    for (int attempt = 0; attempt < 3; attempt++) {
      xdotool({"type", "--delay", "15", " touch " + mark});
      key("Return");
      if (wait_until([&] { return access(mark.c_str(), F_OK) == 0; }, kDeadline))
        return true;
    }
    return false;
  }
};

TEST_P(WindowManagers, DropDownChecks)
{
  const WmCase &c = GetParam();
  ASSERT_NO_FATAL_FAILURE(make_other());
  ASSERT_TRUE(click_other()) << "the other window never got the focus: " << std::hex
                             << x_focus_window(x.dpy) << " not " << other;
  start_kavlor({});
  const Window w = kavlor_ready();
  ASSERT_NE(w, 0u) << proc_err(kavlor);
  ASSERT_FALSE(x_is_viewable(x.dpy, w));

  // a: shown, focused, placed, above the window that had the focus.
  ASSERT_TRUE(key("F12"));
  const bool shown = wait_shown_focused(w);
  const bool placed = shown && wait_placed(w, kX, kY, kW, kH);
  const bool above = x_stacking_index(x.dpy, w) > x_stacking_index(x.dpy, other);
  record('a', shown && placed && above,
         std::string(shown ? "" : "not shown with the focus; ") +
             (proc_alive(&kavlor) ? "" : "kavlor ended: " + proc_err(kavlor)) + "at " +
             geometry_text(x.dpy, w) + (above ? "" : "; below the other window"));

  // g: while it has the focus.
  record('g', typed_text_reaches_shell(), "typed text never reached the shell");

  // b
  ASSERT_TRUE(key("F12"));
  record('b', wait_hidden(w), "the second press did not hide it");

  // d: shown again, then another window is activated by a click. The
  // re-show (c) needs that click: where d is out, so is c.
  if (applies('d')) {
    if (x_is_viewable(x.dpy, w))
      key("F12");
    ASSERT_TRUE(key("F12"));
    ASSERT_TRUE(wait_shown_focused(w))
        << "the third press did not show it: " << geometry_text(x.dpy, w);
    const bool clicked = click_other();
    record('d', clicked && wait_hidden(w),
           clicked ? "still shown after the other window took the focus"
                   : "the click did not give the other window the focus");
  }

  if (applies('c')) {
    if (x_is_viewable(x.dpy, w))
      key("F12");
    ASSERT_TRUE(key("F12"));
    const bool back = wait_shown_focused(w);
    record('c', back && wait_placed(w, kX, kY, kW, kH),
           std::string(back ? "" : "not shown with the focus; ") + "at " +
               geometry_text(x.dpy, w));
  }

  if (applies('f')) {
    if (!x_is_viewable(x.dpy, w))
      key("F12");
    ASSERT_TRUE(wait_shown_focused(w));
    // The pointer in the terminal, where it stays after the window shrinks
    // back: managers whose focus follows it keep the focus there.
    xdotool({"mousemove", std::to_string(kX + kW / 2), std::to_string(kY + kH / 2)});
    ASSERT_TRUE(key("F11"));
    const bool full = wait_placed(w, 0, 0, kScreenW, kScreenH);
    const std::string full_at = geometry_text(x.dpy, w);
    ASSERT_TRUE(key("F11"));
    const bool back = wait_placed(w, kX, kY, kW, kH) && x_is_viewable(x.dpy, w);
    record('f', full && back,
           "fullscreen at " + full_at + ", then at " + geometry_text(x.dpy, w));
  }

  if (applies('e')) {
    proc_kill(&kavlor);
    start_kavlor({"-ah", "false"});
    const Window w2 = kavlor_ready();
    ASSERT_NE(w2, 0u) << proc_err(kavlor);
    ASSERT_TRUE(key("F12"));
    ASSERT_TRUE(wait_shown_focused(w2));
    if (c.desktop_switch.empty())
      xdotool({"set_desktop", "1"});
    else
      run_capture(c.desktop_switch, {"DISPLAY=" + x.display});
    // The other window leaves with its desktop, unless it belongs to none
    // (cwm's windows outside any group): then the manager's word counts.
    const bool switched = wait_until([&] {
      return !x_is_viewable(x.dpy, other) || current_desktop() == 1;
    }, kDeadline);
    // A manager that hides it does so while it switches.
    const bool stays = switched && procfs_wait_idle(kavlor.pid) && x_is_viewable(x.dpy, w2);
    record('e', stays, switched ? "gone on the other desktop" : "the desktop did not change");
  }
}

INSTANTIATE_TEST_SUITE_P(Matrix, WindowManagers, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<WmCase> &i) {
                           return std::string(i.param.name);
                         });

} // namespace
