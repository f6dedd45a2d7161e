// SPDX-License-Identifier: GPL-2.0-or-later
#include "xwindows.h"

#include <algorithm>

#include <chrono>
#include <poll.h>
#include <X11/Xatom.h>
#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>

Window x_make_window(Display *dpy, int x, int y, int width, int height)
{
  const int screen = DefaultScreen(dpy);
  Window w = XCreateSimpleWindow(dpy, RootWindow(dpy, screen), x, y, width, height, 0,
                                 BlackPixel(dpy, screen), WhitePixel(dpy, screen));
  XClassHint hint = {const_cast<char *>("other"), const_cast<char *>("Other")};
  XSetClassHint(dpy, w, &hint);
  XStoreName(dpy, w, "other");
  XMapWindow(dpy, w);
  XSync(dpy, False);
  wait_until([&] { return x_is_viewable(dpy, w); }, 10.0);
  return w;
}

bool x_has_focus(Display *dpy, Window w)
{
  return x_is_inside(dpy, x_focus_window(dpy), w);
}

bool x_shown_and_focused(Display *dpy, Window w)
{
  return x_is_viewable(dpy, w) && x_has_focus(dpy, w);
}

std::vector<Window> x_popup_windows(Display *dpy)
{
  std::vector<Window> out;
  Window root, parent, *children = nullptr;
  unsigned n = 0;
  if (!XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &n))
    return out;
  for (unsigned i = 0; i < n; i++) {
    XWindowAttributes a;
    if (XGetWindowAttributes(dpy, children[i], &a) && a.override_redirect &&
        a.map_state == IsViewable)
      out.push_back(children[i]);
  }
  if (children)
    XFree(children);
  return out;
}

static long cardinal_property(Display *dpy, Window w, const char *name)
{
  Atom type;
  int format;
  unsigned long n, after;
  unsigned char *data = nullptr;
  long value = -1;
  if (XGetWindowProperty(dpy, w, XInternAtom(dpy, name, False), 0, 1, False, XA_CARDINAL,
                         &type, &format, &n, &after, &data) == Success && data) {
    if (n == 1)
      value = static_cast<long>(*reinterpret_cast<unsigned long *>(data) & 0xffffffffUL);
    XFree(data);
  }
  return value;
}

long x_wm_desktop(Display *dpy, Window w)
{
  return cardinal_property(dpy, w, "_NET_WM_DESKTOP");
}

long x_current_desktop(Display *dpy)
{
  return cardinal_property(dpy, DefaultRootWindow(dpy), "_NET_CURRENT_DESKTOP");
}

bool x_ping(Display *dpy, Window w, double timeout_s)
{
  // A connection of its own, so the caller's event queue stays untouched.
  Display *d = XOpenDisplay(DisplayString(dpy));
  if (!d)
    return false;
  const Window root = DefaultRootWindow(d);
  const Atom protocols = XInternAtom(d, "WM_PROTOCOLS", False);
  const Atom ping = XInternAtom(d, "_NET_WM_PING", False);
  XSelectInput(d, root, SubstructureNotifyMask);
  static long stamp = 1000;
  const long mine = ++stamp;
  XEvent e = {};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = protocols;
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(ping);
  e.xclient.data.l[1] = mine;
  e.xclient.data.l[2] = static_cast<long>(w);
  XSendEvent(d, w, False, NoEventMask, &e);
  XFlush(d);
  bool answered = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout_s);
  while (!answered && std::chrono::steady_clock::now() < deadline) {
    while (!answered && XPending(d)) {
      XEvent r;
      XNextEvent(d, &r);
      answered = r.type == ClientMessage && r.xclient.message_type == protocols &&
                 r.xclient.data.l[0] == static_cast<long>(ping) && r.xclient.data.l[1] == mine;
    }
    if (!answered) {
      pollfd pfd = {ConnectionNumber(d), POLLIN, 0};
      poll(&pfd, 1, 50);
    }
  }
  XCloseDisplay(d);
  return answered;
}

bool x_settle(Display *dpy, Window w, double timeout_s)
{
  return x_ping(dpy, w, timeout_s) && x_ping(dpy, w, timeout_s);
}

bool map_counter_open(MapCounter *c, const char *display, Window w)
{
  c->dpy = XOpenDisplay(display);
  if (!c->dpy)
    return false;
  c->w = w;
  XSelectInput(c->dpy, w, StructureNotifyMask);
  XSync(c->dpy, False);
  return true;
}

int map_counter_read(MapCounter *c)
{
  XSync(c->dpy, False);
  while (XPending(c->dpy)) {
    XEvent e;
    XNextEvent(c->dpy, &e);
    if (e.type == MapNotify && e.xmap.window == c->w)
      c->maps++;
    else if (e.type == UnmapNotify && e.xunmap.window == c->w && !e.xunmap.send_event)
      c->unmaps++;
  }
  return c->maps + c->unmaps;
}

void map_counter_close(MapCounter *c)
{
  if (c->dpy)
    XCloseDisplay(c->dpy);
  c->dpy = nullptr;
}

bool x_set_monitors(Display *dpy, const std::vector<Monitor> &monitors, int primary)
{
  const Window root = DefaultRootWindow(dpy);
  int n = 0;
  XRRMonitorInfo *current = XRRGetMonitors(dpy, root, False, &n);
  if (!current || n < 1 || current[0].noutput < 1)
    return false;
  const RROutput output = current[0].outputs[0];
  XRRFreeMonitors(current);
  for (size_t i = 0; i < monitors.size(); i++) {
    // The first takes over the real output, so the whole-screen one goes.
    XRRMonitorInfo *m = XRRAllocateMonitor(dpy, i == 0 ? 1 : 0);
    if (i == 0)
      m->outputs[0] = output;
    const std::string name = "monitor" + std::to_string(i);
    m->name = XInternAtom(dpy, name.c_str(), False);
    m->primary = static_cast<int>(i) == primary;
    m->x = monitors[i].x;
    m->y = monitors[i].y;
    m->width = monitors[i].width;
    m->height = monitors[i].height;
    m->mwidth = monitors[i].width / 4;
    m->mheight = monitors[i].height / 4;
    XRRSetMonitor(dpy, root, m);
    XRRFreeMonitors(m);
  }
  XSync(dpy, False);
  XineramaScreenInfo *heads = XineramaQueryScreens(dpy, &n);
  bool same = heads && n == static_cast<int>(monitors.size());
  // The server lists the primary monitor first.
  std::vector<Monitor> order = monitors;
  if (same && primary > 0 && primary < n)
    std::rotate(order.begin(), order.begin() + primary, order.begin() + primary + 1);
  for (int i = 0; same && i < n; i++)
    same = heads[i].x_org == order[i].x && heads[i].y_org == order[i].y &&
           heads[i].width == order[i].width && heads[i].height == order[i].height;
  if (heads)
    XFree(heads);
  return same;
}

namespace {

int grab_error = 0;
int record_error(Display *, XErrorEvent *e)
{
  grab_error = e->error_code;
  return 0;
}

} // namespace

int x_try_grab(Display *dpy, KeyCode code, unsigned mods)
{
  XSync(dpy, False);
  grab_error = 0;
  auto old = XSetErrorHandler(record_error);
  const Window root = DefaultRootWindow(dpy);
  XGrabKey(dpy, code, mods, root, True, GrabModeAsync, GrabModeAsync);
  XSync(dpy, False);
  const int result = grab_error;
  // Never keep a key from the program under test.
  XUngrabKey(dpy, code, mods, root);
  XSync(dpy, False);
  XSetErrorHandler(old);
  return result;
}

KeyCode x_keycode(Display *dpy, const char *keysym_name)
{
  return XKeysymToKeycode(dpy, XStringToKeysym(keysym_name));
}

unsigned x_locked_mods(Display *dpy)
{
  XkbStateRec state = {};
  if (XkbGetState(dpy, XkbUseCoreKbd, &state) != Success)
    return 0;
  return state.locked_mods;
}

Window key_probe_create(Display *dpy)
{
  XSetWindowAttributes a = {};
  a.override_redirect = True;
  a.event_mask = KeyPressMask | StructureNotifyMask;
  const Window w = XCreateWindow(dpy, DefaultRootWindow(dpy), 0, 0, 200, 100, 0, CopyFromParent,
                                 InputOutput, CopyFromParent, CWOverrideRedirect | CWEventMask, &a);
  XMapRaised(dpy, w);
  XSync(dpy, False);
  wait_until([&] { return x_is_viewable(dpy, w); }, 10.0);
  return w;
}

bool key_probe_focus(Display *dpy, Window probe, double timeout_s)
{
  return wait_until([&] {
    XSetInputFocus(dpy, probe, RevertToPointerRoot, CurrentTime);
    XSync(dpy, False);
    return x_focus_window(dpy) == probe;
  }, timeout_s, 50);
}

bool key_probe_wait(Display *dpy, Window probe, KeyCode code, double timeout_s)
{
  return wait_until([&] {
    XEvent ev;
    XSync(dpy, False);
    while (XCheckWindowEvent(dpy, probe, KeyPressMask, &ev))
      if (ev.xkey.keycode == code)
        return true;
    return false;
  }, timeout_s);
}

unsigned long x_user_time(Display *dpy, Window w)
{
  auto cardinal_or_window = [&](Window on, const char *name) -> unsigned long {
    Atom type;
    int format;
    unsigned long n, after;
    unsigned char *data = nullptr;
    unsigned long v = 0;
    if (XGetWindowProperty(dpy, on, XInternAtom(dpy, name, False), 0, 1, False, AnyPropertyType,
                           &type, &format, &n, &after, &data) == Success &&
        data && n == 1 && format == 32)
      v = *reinterpret_cast<unsigned long *>(data);
    if (data)
      XFree(data);
    return v;
  };
  const Window holder = cardinal_or_window(w, "_NET_WM_USER_TIME_WINDOW");
  const unsigned long held = holder ? cardinal_or_window(holder, "_NET_WM_USER_TIME") : 0;
  return held ? held : cardinal_or_window(w, "_NET_WM_USER_TIME");
}
