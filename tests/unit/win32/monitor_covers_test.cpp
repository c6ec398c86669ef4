#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/win32/monitor_covers.h"

namespace ironwood::platform {
namespace {

RECT R(LONG left, LONG top, LONG right, LONG bottom) { return RECT{left, top, right, bottom}; }

bool Contains(const RECT& r, LONG x, LONG y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// Every pixel of every monitor is either the saver window's or exactly one cover's, and no cover
// reaches into the saver window or beyond the monitors. Checked on a coarse grid of pixels that
// includes every edge of the layout.
void ExpectTiled(const RECT& saver, const std::vector<RECT>& monitors) {
  const std::vector<RECT> covers = CoverAreas(saver, monitors);
  std::vector<LONG> xs, ys;
  for (const RECT& r : monitors) {
    xs.insert(xs.end(), {r.left, r.right - 1});
    ys.insert(ys.end(), {r.top, r.bottom - 1});
  }
  for (const RECT& r : covers) {
    xs.insert(xs.end(), {r.left - 1, r.left, r.right - 1, r.right});
    ys.insert(ys.end(), {r.top - 1, r.top, r.bottom - 1, r.bottom});
  }
  xs.insert(xs.end(), {saver.left - 1, saver.left, saver.right - 1, saver.right});
  ys.insert(ys.end(), {saver.top - 1, saver.top, saver.bottom - 1, saver.bottom});
  for (LONG x : xs) {
    for (LONG y : ys) {
      const bool onMonitor = std::any_of(monitors.begin(), monitors.end(),
                                         [&](const RECT& r) { return Contains(r, x, y); });
      const auto coverCount = std::count_if(covers.begin(), covers.end(),
                                            [&](const RECT& r) { return Contains(r, x, y); });
      if (Contains(saver, x, y)) {
        EXPECT_EQ(coverCount, 0) << "a cover over the saver at " << x << "," << y;
      } else if (onMonitor) {
        EXPECT_EQ(coverCount, 1) << "pixel " << x << "," << y << " has " << coverCount << " covers";
      } else {
        EXPECT_EQ(coverCount, 0) << "a cover off every monitor at " << x << "," << y;
      }
    }
  }
}

std::string Text(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

TEST(MonitorCovers, OneMonitorUnderTheSaverNeedsNoCover) {
  EXPECT_TRUE(CoverAreas(R(0, 0, 1280, 1024), {R(0, 0, 1280, 1024)}).empty());
  // The display mode changed to a smaller size: the monitor is that size now.
  EXPECT_TRUE(CoverAreas(R(0, 0, 800, 600), {R(0, 0, 800, 600)}).empty());
  EXPECT_TRUE(CoverAreas(R(0, 0, 800, 600), {}).empty());
}

TEST(MonitorCovers, EachOtherMonitorIsCoveredWhole) {
  // Right of, left of (negative coordinates), and above the primary monitor.
  const RECT saver = R(0, 0, 1920, 1080);
  const std::vector<RECT> monitors = {R(0, 0, 1920, 1080), R(1920, 0, 3200, 1024),
                                      R(-1024, 200, 0, 968), R(0, -900, 1600, 0)};
  const std::vector<RECT> covers = CoverAreas(saver, monitors);
  ASSERT_EQ(covers.size(), 3u);
  EXPECT_EQ(Text(covers[0]), "1920,0 3200,1024");
  EXPECT_EQ(Text(covers[1]), "-1024,200 0,968");
  EXPECT_EQ(Text(covers[2]), "0,-900 1600,0");
  ExpectTiled(saver, monitors);
}

TEST(MonitorCovers, MirroredMonitorsAreCoveredOnce) {
  const std::vector<RECT> monitors = {R(0, 0, 1024, 768), R(1024, 0, 2048, 768),
                                      R(1024, 0, 2048, 768)};
  const std::vector<RECT> covers = CoverAreas(R(0, 0, 1024, 768), monitors);
  ASSERT_EQ(covers.size(), 1u);
  EXPECT_EQ(Text(covers[0]), "1024,0 2048,768");
}

TEST(MonitorCovers, WhatAnOverlappingMonitorShowsBesideTheSaverIsCovered) {
  // A monitor that shares part of the saver's area (a clone at another size, or one placed
  // over the primary): only what lies outside the saver window gets a cover.
  const RECT saver = R(0, 0, 1024, 768);
  const std::vector<RECT> taller = {saver, R(0, 0, 1280, 1024)};
  const std::vector<RECT> covers = CoverAreas(saver, taller);
  ASSERT_EQ(covers.size(), 2u);
  EXPECT_EQ(Text(covers[0]), "0,768 1280,1024");  // below, full width
  EXPECT_EQ(Text(covers[1]), "1024,0 1280,768");  // beside it
  ExpectTiled(saver, taller);

  // Around it on every side.
  ExpectTiled(R(100, 100, 300, 200), {R(0, 0, 400, 300)});
  EXPECT_EQ(CoverAreas(R(100, 100, 300, 200), {R(0, 0, 400, 300)}).size(), 4u);
  // Straddling a corner of the saver window.
  ExpectTiled(R(0, 0, 800, 600), {R(0, 0, 800, 600), R(600, 400, 1400, 1000)});
  // Wholly inside it: nothing shows.
  EXPECT_TRUE(CoverAreas(R(0, 0, 1600, 1200), {R(0, 0, 1600, 1200), R(200, 200, 1000, 800)})
                  .empty());
}

TEST(MonitorCovers, EmptyRectanglesGiveNoCovers) {
  // A monitor the system reports without area, and a saver window without one (every monitor
  // then is covered whole).
  EXPECT_TRUE(CoverAreas(R(0, 0, 800, 600), {R(0, 0, 800, 600), R(800, 0, 800, 600)}).empty());
  const std::vector<RECT> covers = CoverAreas(R(0, 0, 0, 0), {R(0, 0, 800, 600)});
  ASSERT_EQ(covers.size(), 1u);
  EXPECT_EQ(Text(covers[0]), "0,0 800,600");
}

}  // namespace
}  // namespace ironwood::platform
