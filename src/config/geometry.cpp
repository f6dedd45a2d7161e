// SPDX-License-Identifier: GPL-2.0-or-later
// Size and place of the window on the monitor under the pointer.
#include "config/config.h"

#include <gdk/gdkx.h>
#include <X11/extensions/Xinerama.h>

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

Placement settings_placement(const Settings &s, MonitorRect screen,
                             const MonitorRect *monitors, int n_monitors,
                             int px, int py)
{
  MonitorRect m = screen;
  if (n_monitors > 0) {
    // Monitor 0 is the fallback and is never tested itself. Half-open
    // ranges: a monitor's first column is its own, not its left neighbour's.
    m = monitors[0];
    for (int i = 1; i < n_monitors; i++) {
      const MonitorRect &c = monitors[i];
      if (c.x <= px && px - c.x < c.width && c.y <= py && py - c.y < c.height) {
        m = c;
        break;
      }
    }
  }
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

// Each round trip here delays the map of the window at every show, so the
// server is asked only what can change the result: the monitor list (an
// inactive extension lists none, which leaves the whole screen just as the
// active flag would) and, only when there is a monitor besides the first,
// the pointer (the first monitor is the fallback and is never tested). The
// list is asked afresh each time: a monitor layout set with RandR comes
// with no notification that could refresh a kept copy.
Placement settings_place_at_pointer()
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
  if (info && n >= 2)
    gdk_display_get_pointer(gdk_display_get_default(), nullptr, &px, &py, nullptr);
  // An active extension that lists no monitor leaves the whole screen.
  std::vector<MonitorRect> monitors;
  for (int i = 0; info && i < n; i++)
    monitors.push_back({info[i].x_org, info[i].y_org, info[i].width, info[i].height});
  if (info)
    XFree(info);
  return settings_placement(settings, screen, monitors.data(),
                            static_cast<int>(monitors.size()), px, py);
}
