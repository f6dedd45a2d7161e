// SPDX-License-Identifier: GPL-2.0-or-later
// settings_placement: size and place on the screen or on the monitor under
// the pointer.
#include <gtest/gtest.h>

#include "config/config.h"

#include <string>
#include <vector>

namespace {

struct Layout {
  MonitorRect screen;
  std::vector<MonitorRect> monitors;  // empty: no Xinerama, or inactive
  int px = 0, py = 0;
};

struct Input {
  int width = 800, height = 400;
  int width_percent = -1, height_percent = -1;
  int position = POS_TOP;
  int fixedx = -1, fixedy = -1;
};

struct Result { int width, height, x, y; };

Result place(const Layout &l, const Input &in)
{
  Settings s = {};
  s.width = in.width;
  s.height = in.height;
  s.width_percent = in.width_percent;
  s.height_percent = in.height_percent;
  s.position = in.position;
  s.fixedx = in.fixedx;
  s.fixedy = in.fixedy;
  const Placement p = settings_placement(s, l.screen, l.monitors.data(),
                                         static_cast<int>(l.monitors.size()), l.px, l.py);
  return {p.width, p.height, p.x, p.y};
}

struct Case {
  const char *what;
  Layout layout;
  Input input;
  Result expected;
};

void check(const std::vector<Case> &cases)
{
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const Result r = place(c.layout, c.input);
    EXPECT_EQ(r.width, c.expected.width);
    EXPECT_EQ(r.height, c.expected.height);
    EXPECT_EQ(r.x, c.expected.x);
    EXPECT_EQ(r.y, c.expected.y);
  }
}

const Layout SCREEN_900 = {{0, 0, 900, 700}, {}, 0, 0};
// Two monitors side by side; the second is smaller.
const std::vector<MonitorRect> PAIR = {{0, 0, 600, 400}, {600, 0, 500, 300}};

} // namespace

TEST(ConfigGeometry, EightPositionsOnTheScreen)
{
  check({
    {"top", SCREEN_900, {.position = POS_TOP}, {800, 400, 50, 0}},
    {"bottom", SCREEN_900, {.position = POS_BOTTOM}, {800, 400, 50, 300}},
    {"left", SCREEN_900, {.position = POS_LEFT}, {800, 400, 0, 150}},
    {"right", SCREEN_900, {.position = POS_RIGHT}, {800, 400, 100, 150}},
    {"topleft", SCREEN_900, {.position = POS_TOPLEFT}, {800, 400, 0, 0}},
    {"topright", SCREEN_900, {.position = POS_TOPRIGHT}, {800, 400, 100, 0}},
    {"bottomleft", SCREEN_900, {.position = POS_BOTTOMLEFT}, {800, 400, 0, 300}},
    {"bottomright", SCREEN_900, {.position = POS_BOTTOMRIGHT}, {800, 400, 100, 300}},
    {"code 8", SCREEN_900, {.position = 8}, {800, 400, 100, 300}},
    {"code -1", SCREEN_900, {.position = -1}, {800, 400, 100, 300}},
    // Without monitors the pointer plays no part.
    {"pointer ignored", {{0, 0, 900, 700}, {}, 5000, 5000}, {.position = POS_TOP}, {800, 400, 50, 0}},
  });
}

TEST(ConfigGeometry, MonitorUnderThePointer)
{
  const Input half = {.height = 200, .width_percent = 50, .position = POS_TOP};
  check({
    {"inside monitor 1", {{0, 0, 1100, 400}, PAIR, 650, 100}, half, {250, 200, 725, 0}},
    {"inside monitor 0", {{0, 0, 1100, 400}, PAIR, 100, 100}, half, {300, 200, 150, 0}},
    // Monitor 0 is never tested: the shared edge belongs to monitor 1.
    {"shared edge", {{0, 0, 1100, 400}, PAIR, 600, 100}, half, {250, 200, 725, 0}},
    // Half-open bounds: the far edges of monitor 1 lie outside it.
    {"last pixel of monitor 1", {{0, 0, 1100, 400}, PAIR, 1099, 299}, half, {250, 200, 725, 0}},
    {"far corner of monitor 1", {{0, 0, 1100, 400}, PAIR, 1100, 300}, half, {300, 200, 150, 0}},
    {"below monitor 1", {{0, 0, 1100, 400}, PAIR, 650, 301}, half, {300, 200, 150, 0}},
    {"right of everything", {{0, 0, 1100, 400}, PAIR, 1101, 10}, half, {300, 200, 150, 0}},
    {"gap", {{0, 0, 1200, 400}, {{0, 0, 600, 400}, {700, 0, 500, 300}}, 650, 100}, half,
     {300, 200, 150, 0}},
    // Of two later monitors sharing an edge, the one it begins wins.
    {"edge of 1 and 2",
     {{0, 0, 1200, 300}, {{0, 0, 400, 300}, {400, 0, 400, 300}, {800, 0, 400, 300}}, 800, 10},
     {.width = 100, .height = 100, .position = POS_TOPLEFT}, {100, 100, 800, 0}},
    {"inside 2",
     {{0, 0, 1200, 300}, {{0, 0, 400, 300}, {400, 0, 400, 300}, {800, 0, 400, 300}}, 801, 10},
     {.width = 100, .height = 100, .position = POS_TOPLEFT}, {100, 100, 800, 0}},
    // A lower monitor: its vertical origin is added too.
    {"offset origin",
     {{0, 0, 1824, 768}, {{0, 0, 1024, 768}, {1024, 168, 800, 600}}, 1500, 500},
     {.width = 400, .height = 100, .position = POS_BOTTOMRIGHT}, {400, 100, 1424, 668}},
  });
}

// A monitor's first column and row are its own, its last ones too, and the
// pixel past them belongs to the next monitor (or to the fallback).
TEST(ConfigGeometry, MonitorEdgesAreHalfOpen)
{
  // Monitor 0, then 1 and 2 side by side (x), or stacked (y).
  const std::vector<MonitorRect> row = {{0, 0, 1920, 1080}, {1920, 0, 1280, 1024},
                                        {3200, 0, 1024, 768}};
  const std::vector<MonitorRect> column = {{0, 0, 1024, 768}, {0, 768, 1280, 1024},
                                           {0, 1792, 800, 600}};
  const MonitorRect wide = {0, 0, 4224, 1080}, tall = {0, 0, 1280, 2392};
  // Full size at the top left: the result names the monitor taken.
  const Input full = {.width_percent = 100, .height_percent = 100, .position = POS_TOPLEFT};
  const Result m0x = {1920, 1080, 0, 0}, m1x = {1280, 1024, 1920, 0}, m2x = {1024, 768, 3200, 0};
  const Result m0y = {1024, 768, 0, 0}, m1y = {1280, 1024, 0, 768}, m2y = {800, 600, 0, 1792};
  check({
    {"x 1919: before monitor 1", {wide, row, 1919, 10}, full, m0x},
    {"x 1920: first column of 1", {wide, row, 1920, 10}, full, m1x},
    {"x 3199: last column of 1", {wide, row, 3199, 10}, full, m1x},
    {"x 3200: first column of 2", {wide, row, 3200, 10}, full, m2x},
    {"x 4223: last column of 2", {wide, row, 4223, 10}, full, m2x},
    {"x 4224: past 2", {wide, row, 4224, 10}, full, m0x},
    {"y 767: before monitor 1", {tall, column, 10, 767}, full, m0y},
    {"y 768: first row of 1", {tall, column, 10, 768}, full, m1y},
    {"y 1791: last row of 1", {tall, column, 10, 1791}, full, m1y},
    {"y 1792: first row of 2", {tall, column, 10, 1792}, full, m2y},
    {"y 2391: last row of 2", {tall, column, 10, 2391}, full, m2y},
    {"y 2392: past 2", {tall, column, 10, 2392}, full, m0y},
    // The last row of monitor 1 in x, the row below it is outside.
    {"x inside 1, y 1023", {wide, row, 2000, 1023}, full, m1x},
    {"x inside 1, y 1024", {wide, row, 2000, 1024}, full, m0x},
    {"y inside 2, x 799", {tall, column, 799, 2000}, full, m2y},
    {"y inside 2, x 800", {tall, column, 800, 2000}, full, m0y},
  });
}

TEST(ConfigGeometry, SingleXineramaMonitorReplacesTheScreen)
{
  const Layout one = {{0, 0, 1024, 768}, {{0, 0, 640, 480}}, 1000, 700};
  check({
    {"pixels", one, {.width = 400, .height = 200, .position = POS_BOTTOMRIGHT}, {400, 200, 240, 280}},
    {"percent", one, {.width_percent = 50, .height_percent = 50, .position = POS_TOP},
     {320, 240, 160, 0}},
    {"origin",
     {{0, 0, 1024, 768}, {{100, 50, 640, 480}}, 0, 0},
     {.width = 400, .height = 200, .position = POS_TOPLEFT}, {400, 200, 100, 50}},
  });
}

TEST(ConfigGeometry, NegativeOffsetsHalveTowardZero)
{
  const Layout small = {{0, 0, 495, 395}, {}, 0, 0};
  check({
    {"top", small, {.width = 500, .position = POS_TOP}, {500, 400, -2, 0}},
    {"left", small, {.height = 400, .position = POS_LEFT}, {800, 400, 0, -2}},
    {"bottom", small, {.width = 500, .position = POS_BOTTOM}, {500, 400, -2, -5}},
    {"right", small, {.width = 500, .position = POS_RIGHT}, {500, 400, -5, -2}},
    {"on monitor 1", {{0, 0, 1100, 400}, {{0, 0, 600, 400}, {600, 0, 495, 300}}, 700, 10},
     {.width = 500, .height = 100, .position = POS_TOP}, {500, 100, 598, 0}},
  });
}

TEST(ConfigGeometry, FixedOverrides)
{
  const Layout on1 = {{0, 0, 1100, 400}, PAIR, 650, 100};
  check({
    {"fixedx 0", SCREEN_900, {.fixedx = 0}, {800, 400, 0, 0}},
    {"fixedx -1", SCREEN_900, {.fixedx = -1}, {800, 400, 50, 0}},
    {"fixedx -7", SCREEN_900, {.fixedx = -7}, {800, 400, 50, 0}},
    {"fixedy alone", SCREEN_900, {.position = POS_BOTTOMRIGHT, .fixedy = 10}, {800, 400, 100, 10}},
    {"fixedx alone", SCREEN_900, {.position = POS_BOTTOMRIGHT, .fixedx = 3}, {800, 400, 3, 300}},
    {"both", SCREEN_900, {.position = POS_BOTTOMRIGHT, .fixedx = 3, .fixedy = 4}, {800, 400, 3, 4}},
    // Absolute: monitor 1's origin is not added.
    {"fixed on monitor 1", on1, {.width = 100, .height = 100, .fixedx = 20, .fixedy = 0},
     {100, 100, 20, 0}},
    {"fixedy on monitor 1", on1, {.width = 100, .height = 100, .fixedy = 5}, {100, 100, 800, 5}},
    {"far outside", SCREEN_900, {.fixedx = 5000, .fixedy = 6000}, {800, 400, 5000, 6000}},
  });
}

TEST(ConfigGeometry, Percentages)
{
  const Layout w500 = {{0, 0, 500, 700}, {}, 0, 0};
  check({
    {"100%", SCREEN_900, {.width_percent = 100, .height_percent = 100}, {900, 700, 0, 0}},
    {"33% of 500", w500, {.width_percent = 33, .height_percent = 33}, {165, 231, 167, 0}},
    {"0% ignored", SCREEN_900, {.width_percent = 0, .height_percent = 0}, {800, 400, 50, 0}},
    {"negative ignored", SCREEN_900, {.width_percent = -3, .height_percent = -50}, {800, 400, 50, 0}},
    {"width only", SCREEN_900, {.width_percent = 50, .position = POS_BOTTOM}, {450, 400, 225, 300}},
    {"height only", SCREEN_900, {.height_percent = 10, .position = POS_LEFT}, {800, 70, 0, 315}},
    {"1% truncates", {{0, 0, 199, 199}, {}, 0, 0}, {.width_percent = 1, .height_percent = 1},
     {1, 1, 99, 0}},
    {"above 100", w500, {.width_percent = 150, .height_percent = 50}, {750, 350, -125, 0}},
  });
}

TEST(ConfigGeometry, PercentageFollowsTheMonitorAtEveryComputation)
{
  Settings s = {};
  s.width = 800;
  s.height = 400;
  s.width_percent = 50;
  s.height_percent = -1;
  s.fixedx = s.fixedy = -1;
  const MonitorRect screen = {0, 0, 1100, 400};
  EXPECT_EQ(settings_placement(s, screen, PAIR.data(), 2, 650, 100).width, 250);
  const Placement on0 = settings_placement(s, screen, PAIR.data(), 2, 100, 100);
  EXPECT_EQ(on0.width, 300);
  EXPECT_EQ(on0.x, 150);
  // A pixel width set later does not outlast the next computation.
  s.width = 900;
  const Placement again = settings_placement(s, screen, PAIR.data(), 2, 650, 100);
  EXPECT_EQ(again.width, 250);
  EXPECT_EQ(again.height, 400);
  // The settings keep what the user asked for.
  EXPECT_EQ(s.width, 900);
  EXPECT_EQ(s.width_percent, 50);
}

TEST(ConfigGeometry, ParsedSizesReachTheGeometry)
{
  settings = Settings{};
  settings_defaults();
  for (auto [name, value] : {std::pair{"-w", "50%"}, {"-w", "900"}, {"-h", "120"}, {"-p", "bottom"}}) {
    std::string n = name, v = value;
    settings_apply_option(n.data(), v.data());
  }
  const Placement p = settings_placement(settings, {0, 0, 1000, 600}, nullptr, 0, 0, 0);
  EXPECT_EQ(p.width, 500);
  EXPECT_EQ(p.height, 120);
  EXPECT_EQ(p.x, 250);
  EXPECT_EQ(p.y, 480);
}

// Values no monitor can hold must not overflow the arithmetic.
TEST(ConfigGeometry, ExtremeSizesSaturate)
{
  const Layout l = {{0, 0, 1000, 600}, {}};
  Input huge;
  huge.width_percent = INT32_MAX;
  Result r = place(l, huge);
  EXPECT_EQ(r.width, 32767);
  EXPECT_EQ(r.x, (1000 - 32767) / 2);
  Input tiny;
  tiny.width = INT32_MIN;
  tiny.position = POS_RIGHT;
  r = place(l, tiny);
  EXPECT_EQ(r.width, 1);
  EXPECT_EQ(r.x, 999);
}

// The size that reaches the toolkit is one X can show, 1 to 32767 pixels;
// the place follows from that size. A window larger than its monitor stays.
TEST(ConfigGeometry, SizesStayWithinWhatXCanShow)
{
  const Input corner = {.position = POS_BOTTOMRIGHT};
  auto with = [&](int w, int h, int wp = -1, int hp = -1) {
    Input in = corner;
    in.width = w;
    in.height = h;
    in.width_percent = wp;
    in.height_percent = hp;
    return in;
  };
  check({
    {"zero", SCREEN_900, with(0, 0), {1, 1, 899, 699}},
    {"negative", SCREEN_900, with(-5, -400), {1, 1, 899, 699}},
    {"one pixel", SCREEN_900, with(1, 1), {1, 1, 899, 699}},
    {"largest", SCREEN_900, with(32767, 32767), {32767, 32767, 900 - 32767, 700 - 32767}},
    {"one beyond", SCREEN_900, with(32768, 32768), {32767, 32767, 900 - 32767, 700 - 32767}},
    {"far beyond", SCREEN_900, with(99999999, INT32_MAX), {32767, 32767, 900 - 32767, 700 - 32767}},
    {"1% of a small monitor", {{0, 0, 50, 50}, {}, 0, 0}, with(800, 400, 1, 1), {1, 1, 49, 49}},
    {"above 100% stays", SCREEN_900, with(800, 400, 150, 200), {1350, 1400, -450, -700}},
    {"percent beyond X", SCREEN_900, with(800, 400, 100000, 5000), {32767, 32767, 900 - 32767, 700 - 32767}},
  });
}

// What the option parser makes of odd widths, as the window then gets it.
TEST(ConfigGeometry, ParsedOddSizesGiveAWindowXCanShow)
{
  // value          width
  const std::pair<const char *, int> cases[] = {
    {"0",           1},
    {"abc",         800},  // no digit: the default stays
    {"-20",         1},
    {"99999999",    32767},
    {"99999999999", 32767},
    {"0%",          800},  // no percentage: the default stays
    {"4000%",       32767},
  };
  for (auto [value, width] : cases) {
    SCOPED_TRACE(value);
    settings = Settings{};
    settings_defaults();
    std::string n = "-w", v = value;
    settings_apply_option(n.data(), v.data());
    EXPECT_EQ(settings_placement(settings, {0, 0, 1000, 600}, nullptr, 0, 0, 0).width, width);
  }
}

// Which monitor the monitor rule picks, from the list and what the server
// told of the pointer, the active window and the primary monitor.
TEST(ConfigGeometry, MonitorRuleChoosesTheMonitor)
{
  const MonitorRect three[] = {{0, 0, 600, 400}, {600, 0, 500, 300}, {1100, 0, 400, 300}};
  const MonitorRect on_1 = {700, 10, 200, 100}, across_1_2 = {1000, 10, 300, 100},
                    off_all = {5000, 5000, 10, 10};
  struct Choice {
    const char *what;
    int rule, number;
    int px, py, primary;
    const MonitorRect *active;
    int expected;
  };
  // what                         rule             number  pointer    primary  active       chosen
  const Choice cases[] = {
    {"pointer on 1",              MONITOR_POINTER, 0,      650, 100,  2,       &on_1,       1},
    {"pointer on 0",              MONITOR_POINTER, 0,      10, 10,    2,       &on_1,       0},
    {"number 2",                  MONITOR_NUMBER,  2,      10, 10,    -1,      nullptr,     2},
    {"number 0",                  MONITOR_NUMBER,  0,      650, 100,  -1,      nullptr,     0},
    {"number out of range",       MONITOR_NUMBER,  3,      650, 100,  -1,      nullptr,     0},
    {"number negative",           MONITOR_NUMBER,  -1,     650, 100,  -1,      nullptr,     0},
    {"primary 1",                 MONITOR_PRIMARY, 0,      10, 10,    1,       nullptr,     1},
    {"no primary: the first",     MONITOR_PRIMARY, 0,      650, 100,  -1,      nullptr,     0},
    {"primary out of range",      MONITOR_PRIMARY, 0,      650, 100,  7,       nullptr,     0},
    {"focus on 1",                MONITOR_FOCUS,   0,      10, 10,    0,       &on_1,       1},
    {"focus mostly on 2",         MONITOR_FOCUS,   0,      10, 10,    0,       &across_1_2, 2},
    {"focus unknown: pointer",    MONITOR_FOCUS,   0,      1200, 10,  0,       nullptr,     2},
    {"focus on none: pointer",    MONITOR_FOCUS,   0,      650, 10,   0,       &off_all,    1},
  };
  for (const Choice &c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(settings_choose_monitor(c.rule, c.number, three, 3, c.px, c.py, c.primary, c.active),
              c.expected);
  }
  // Without a monitor list every rule keeps the whole screen.
  for (int rule : {MONITOR_POINTER, MONITOR_FOCUS, MONITOR_PRIMARY, MONITOR_NUMBER})
    EXPECT_EQ(settings_choose_monitor(rule, 0, nullptr, 0, 0, 0, 0, &on_1), -1);
}

// The chosen monitor is the one the window is sized and placed on.
TEST(ConfigGeometry, MonitorRulePlacesOnTheChosenMonitor)
{
  Settings s = {};
  s.width_percent = 50;
  s.height = 200;
  s.position = POS_TOP;
  s.fixedx = s.fixedy = -1;
  s.monitor = MONITOR_NUMBER;
  s.monitor_number = 1;
  const MonitorRect screen = {0, 0, 1100, 400};
  // The pointer is on monitor 0; the number wins.
  Placement p = settings_placement(s, screen, PAIR.data(), 2, 10, 10);
  EXPECT_EQ(p.width, 250);
  EXPECT_EQ(p.x, 725);
  s.monitor = MONITOR_PRIMARY;
  p = settings_placement(s, screen, PAIR.data(), 2, 650, 100, 0);
  EXPECT_EQ(p.width, 300);
  EXPECT_EQ(p.x, 150);
  s.monitor = MONITOR_FOCUS;
  const MonitorRect active = {650, 50, 100, 100};
  p = settings_placement(s, screen, PAIR.data(), 2, 10, 10, -1, &active);
  EXPECT_EQ(p.x, 725);
}
