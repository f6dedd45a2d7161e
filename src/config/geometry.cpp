// SPDX-License-Identifier: GPL-2.0-or-later
// Size and place of the window on the monitor the settings choose.
#include "config/config.h"

#include <gdk/gdkx.h>
#include <X11/Xatom.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cstdint>
#include <vector>

// Sizes and offsets from odd settings (a huge percentage, INT_MIN pixels)
// would overflow; they saturate instead.
static int saturate(int64_t v)
{
  return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// X sizes are 16-bit signed: no window is smaller than a pixel or larger
// than this. Larger than the monitor is allowed.
constexpr int X_SIZE_MAX = 32767;

// Half-open ranges: a monitor's first column is its own, not its left
// neighbour's.
static bool monitor_holds(const MonitorRect &c, int px, int py)
{
  return c.x <= px && px - c.x < c.width && c.y <= py && py - c.y < c.height;
}

static int64_t overlap_area(const MonitorRect &a, const MonitorRect &b)
{
  const int64_t w = std::min<int64_t>(int64_t{a.x} + a.width, int64_t{b.x} + b.width) -
                    std::max(a.x, b.x);
  const int64_t h = std::min<int64_t>(int64_t{a.y} + a.height, int64_t{b.y} + b.height) -
                    std::max(a.y, b.y);
  return w > 0 && h > 0 ? w * h : 0;
}

int settings_choose_monitor(int rule, int number, const MonitorRect *monitors, int n_monitors,
                            int px, int py, int primary, const MonitorRect *active)
{
  if (n_monitors <= 0)
    return -1;
  switch (rule) {
  case MONITOR_NUMBER:
    return number >= 0 && number < n_monitors ? number : 0;
  case MONITOR_PRIMARY:
    return primary >= 0 && primary < n_monitors ? primary : 0;
  case MONITOR_FOCUS:
    // The monitor holding most of the active window; a window on none of
    // them leaves the choice to the pointer.
    if (active) {
      int best = -1;
      int64_t best_area = 0;
      for (int i = 0; i < n_monitors; i++)
        if (const int64_t a = overlap_area(monitors[i], *active); a > best_area) {
          best = i;
          best_area = a;
        }
      if (best >= 0)
        return best;
    }
    break;
  default:
    break;
  }
  // Monitor 0 is the fallback and is never tested itself.
  for (int i = 1; i < n_monitors; i++)
    if (monitor_holds(monitors[i], px, py))
      return i;
  return 0;
}

Placement settings_placement(const Settings &s, MonitorRect screen,
                             const MonitorRect *monitors, int n_monitors,
                             int px, int py, int primary, const MonitorRect *active)
{
  const int chosen = settings_choose_monitor(s.monitor, s.monitor_number, monitors, n_monitors,
                                             px, py, primary, active);
  const MonitorRect m = chosen < 0 ? screen : monitors[chosen];
  Placement p;
  p.width = s.width_percent > 0 ? saturate(int64_t{m.width} * s.width_percent / 100) : s.width;
  p.height = s.height_percent > 0 ? saturate(int64_t{m.height} * s.height_percent / 100)
                                  : s.height;
  p.width = std::clamp(p.width, 1, X_SIZE_MAX);
  p.height = std::clamp(p.height, 1, X_SIZE_MAX);

  const int dx = saturate(int64_t{m.width} - p.width);
  const int dy = saturate(int64_t{m.height} - p.height);
  int x, y;
  switch (s.position) {
  case POS_TOP:        x = dx / 2; y = 0;      break;
  case POS_BOTTOM:     x = dx / 2; y = dy;     break;
  case POS_LEFT:       x = 0;      y = dy / 2; break;
  case POS_RIGHT:      x = dx;     y = dy / 2; break;
  case POS_TOPLEFT:    x = 0;      y = 0;      break;
  case POS_TOPRIGHT:   x = dx;     y = 0;      break;
  case POS_BOTTOMLEFT: x = 0;      y = dy;     break;
  default:             x = dx;     y = dy;     break;
  }
  p.x = s.fixedx >= 0 ? s.fixedx : saturate(int64_t{m.x} + x);
  p.y = s.fixedy >= 0 ? s.fixedy : saturate(int64_t{m.y} + y);
  return p;
}

// The active window's rectangle in root coordinates, from the window
// manager's _NET_ACTIVE_WINDOW; false when there is none or it is gone.
static bool active_window_rect(Display *dpy, MonitorRect *rect)
{
  const Window root = DefaultRootWindow(dpy);
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char *data = nullptr;
  gdk_error_trap_push();
  bool ok = XGetWindowProperty(dpy, root, gdk_x11_get_xatom_by_name("_NET_ACTIVE_WINDOW"), 0, 1,
                               False, XA_WINDOW, &type, &format, &count, &after, &data) == Success &&
            data && type == XA_WINDOW && format == 32 && count == 1;
  const Window active = ok ? *reinterpret_cast<Window *>(data) : None;
  if (data)
    XFree(data);
  ok = active != None;
  if (ok) {
    Window r, child;
    int x, y;
    unsigned int w, h, border, depth;
    ok = XGetGeometry(dpy, active, &r, &x, &y, &w, &h, &border, &depth) &&
         XTranslateCoordinates(dpy, active, root, 0, 0, &x, &y, &child);
    *rect = {x, y, static_cast<int>(w), static_cast<int>(h)};
  }
  // A window that vanished meanwhile is no error of ours.
  return gdk_error_trap_pop() == 0 && ok;
}

// The index in the Xinerama list of RandR's primary monitor; -1 when
// there is none or it is not listed.
static int primary_monitor(Display *dpy, const std::vector<MonitorRect> &monitors)
{
  int event_base, error_base, n = 0;
  if (!XRRQueryExtension(dpy, &event_base, &error_base))
    return -1;
  XRRMonitorInfo *info = XRRGetMonitors(dpy, DefaultRootWindow(dpy), True, &n);
  int found = -1;
  for (int i = 0; info && i < n && found < 0; i++) {
    if (!info[i].primary)
      continue;
    for (size_t j = 0; j < monitors.size() && found < 0; j++)
      if (monitors[j].x == info[i].x && monitors[j].y == info[i].y &&
          monitors[j].width == info[i].width && monitors[j].height == info[i].height)
        found = static_cast<int>(j);
  }
  if (info)
    XRRFreeMonitors(info);
  return found;
}

// Each round trip here delays the map of the window at every show, so the
// server is asked only what can change the result: the monitor list (an
// inactive extension lists none, which leaves the whole screen just as the
// active flag would) and, only when there is a monitor besides the first,
// what the monitor setting needs (the pointer, the active window or the
// primary monitor; a number needs nothing). The list is asked afresh each
// time: a monitor layout set with RandR comes with no notification that
// could refresh a kept copy.
Placement settings_place_window()
{
  GdkScreen *gscreen = gdk_screen_get_default();
  const MonitorRect screen = {0, 0, gdk_screen_get_width(gscreen),
                              gdk_screen_get_height(gscreen)};
  Display *dpy = gdk_x11_display_get_xdisplay(gdk_display_get_default());
  int event_base, error_base, n = 0, px = 0, py = 0;
  XineramaScreenInfo *info = nullptr;
  // The extension's presence is asked of the server once per connection.
  if (XineramaQueryExtension(dpy, &event_base, &error_base))
    info = XineramaQueryScreens(dpy, &n);
  // An active extension that lists no monitor leaves the whole screen.
  std::vector<MonitorRect> monitors;
  for (int i = 0; info && i < n; i++)
    monitors.push_back({info[i].x_org, info[i].y_org, info[i].width, info[i].height});
  if (info)
    XFree(info);
  int primary = -1;
  MonitorRect active_rect;
  bool active = false;
  if (monitors.size() >= 2) {
    const int rule = settings.monitor;
    if (rule == MONITOR_PRIMARY)
      primary = primary_monitor(dpy, monitors);
    if (rule == MONITOR_FOCUS)
      active = active_window_rect(dpy, &active_rect);
    if (rule == MONITOR_POINTER || (rule == MONITOR_FOCUS && !active))
      gdk_display_get_pointer(gdk_display_get_default(), nullptr, &px, &py, nullptr);
  }
  return settings_placement(settings, screen, monitors.data(),
                            static_cast<int>(monitors.size()), px, py, primary,
                            active ? &active_rect : nullptr);
}
