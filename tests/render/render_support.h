#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/headless/offscreen_renderer.h"
#include "tests/support/image.h"

// Opens an offscreen renderer named `renderer` for the rest of the test. A machine without EGL
// or OpenGL installed skips the test; one that has them but cannot render fails it.
#define IRONWOOD_OPEN_OFFSCREEN(renderer, width, height)                          \
  auto renderer = ::ironwood::platform::OpenOffscreenRenderer((width), (height)); \
  if (!renderer->Available()) {                                                   \
    if (renderer->LibraryMissing()) GTEST_SKIP() << renderer->Error();            \
    FAIL() << renderer->Error();                                                  \
  }

namespace ironwood::testing {

// Compares a rendered image with the reviewed golden tests/render/golden/<name>.ppm. When it
// does not match, or there is no golden yet, the image is written as <name>.png and <name>.ppm
// (with <name>-diff.png) into the build's render output folder and the message names the files.
// With IRONWOOD_GOLDEN_CANDIDATES naming a folder, every image is written there as well, for
// tests/render/update_goldens.sh.
::testing::AssertionResult MatchesGolden(const Image& actual, const std::string& name,
                                         int perChannelTolerance = 8,
                                         double maxBadFraction = 0.005);

}  // namespace ironwood::testing
