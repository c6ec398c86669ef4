#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <vector>

#include "platform/win32/win32_saver_window.h"

namespace ironwood::platform {
namespace {

DEVMODEA Mode(DWORD width, DWORD height, DWORD bits, DWORD frequency = 60) {
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  mode.dmPelsWidth = width;
  mode.dmPelsHeight = height;
  mode.dmBitsPerPel = bits;
  mode.dmDisplayFrequency = frequency;
  mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL | DM_DISPLAYFREQUENCY;
  return mode;
}

struct Request {
  bool restore = false;
  DEVMODEA mode{};
  DWORD flags = 0;
};

// A display with a list of modes. Change requests are answered in the scripted order (failure
// once the script runs out); a successful one applies the fields it names, as a driver would.
class FakeDisplay {
 public:
  std::vector<DEVMODEA> listed;
  std::deque<LONG> answers;
  DEVMODEA desktop = Mode(1280, 1024, 32);
  std::optional<DEVMODEA> current = desktop;  // nullopt: the current mode cannot be read
  bool honoursChanges = true;
  bool honoursDepth = true;
  std::vector<Request> requests;

  DisplaySettingsCalls Calls() {
    return DisplaySettingsCalls{
        [this](DWORD index, DEVMODEA& mode) {
          if (index == ENUM_CURRENT_SETTINGS) {
            if (current) mode = *current;
            return current.has_value();
          }
          if (index >= listed.size()) return false;
          mode = listed[index];
          return true;
        },
        [this](DEVMODEA* mode, DWORD flags) -> LONG {
          if (mode == nullptr) {
            requests.push_back(Request{true, {}, flags});
            if (current) current = desktop;
            return DISP_CHANGE_SUCCESSFUL;
          }
          requests.push_back(Request{false, *mode, flags});
          const LONG answer = answers.empty() ? DISP_CHANGE_FAILED : answers.front();
          if (!answers.empty()) answers.pop_front();
          if (answer == DISP_CHANGE_SUCCESSFUL && honoursChanges && current) {
            if (mode->dmFields & DM_PELSWIDTH) current->dmPelsWidth = mode->dmPelsWidth;
            if (mode->dmFields & DM_PELSHEIGHT) current->dmPelsHeight = mode->dmPelsHeight;
            if ((mode->dmFields & DM_BITSPERPEL) && honoursDepth) {
              current->dmBitsPerPel = mode->dmBitsPerPel;
            }
          }
          return answer;
        },
    };
  }

  bool CurrentIs(DWORD width, DWORD height, DWORD bits) const {
    return current && current->dmPelsWidth == width && current->dmPelsHeight == height &&
           current->dmBitsPerPel == bits;
  }
};

constexpr DWORD kAllThree = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;

TEST(DisplayModeChange, ListedModesAreTriedInOrderUntilOneIsSet) {
  FakeDisplay display;
  display.listed = {Mode(800, 600, 16), Mode(1024, 768, 16), Mode(1024, 768, 32, 60),
                    Mode(1024, 768, 32, 75)};
  display.answers = {DISP_CHANGE_SUCCESSFUL};
  EXPECT_TRUE(ChangeDisplayModeWith(display.Calls(), 1024, 768, 32));
  ASSERT_EQ(display.requests.size(), 1u);
  EXPECT_EQ(display.requests[0].mode.dmDisplayFrequency, 60u);
  EXPECT_EQ(display.requests[0].flags, static_cast<DWORD>(CDS_FULLSCREEN));
  EXPECT_TRUE(display.CurrentIs(1024, 768, 32));

  // The first refusal moves on to the next listed match.
  display = FakeDisplay{};
  display.listed = {Mode(1024, 768, 32, 60), Mode(1024, 768, 32, 75)};
  display.answers = {DISP_CHANGE_BADMODE, DISP_CHANGE_SUCCESSFUL};
  EXPECT_TRUE(ChangeDisplayModeWith(display.Calls(), 1024, 768, 32));
  ASSERT_EQ(display.requests.size(), 2u);
  EXPECT_EQ(display.requests[1].mode.dmDisplayFrequency, 75u);
}

TEST(DisplayModeChange, TheFirstRefusedMatchOrElseTheFirstModeIsTheTemplate) {
  FakeDisplay display;
  display.listed = {Mode(640, 480, 8, 50), Mode(1024, 768, 32, 70), Mode(1024, 768, 32, 85)};
  display.answers = {DISP_CHANGE_FAILED, DISP_CHANGE_FAILED, DISP_CHANGE_SUCCESSFUL};
  EXPECT_TRUE(ChangeDisplayModeWith(display.Calls(), 1024, 768, 32));
  ASSERT_EQ(display.requests.size(), 3u);
  const DEVMODEA& templated = display.requests[2].mode;
  EXPECT_EQ(templated.dmDisplayFrequency, 70u);
  EXPECT_EQ(templated.dmFields, kAllThree);

  // No listed match: mode 0, with the wanted values written in.
  display = FakeDisplay{};
  display.listed = {Mode(640, 480, 8, 50), Mode(800, 600, 16, 72)};
  display.answers = {DISP_CHANGE_SUCCESSFUL};
  EXPECT_TRUE(ChangeDisplayModeWith(display.Calls(), 1024, 768, 32));
  ASSERT_EQ(display.requests.size(), 1u);
  EXPECT_EQ(display.requests[0].mode.dmDisplayFrequency, 50u);
  EXPECT_EQ(display.requests[0].mode.dmPelsWidth, 1024u);
  EXPECT_EQ(display.requests[0].mode.dmPelsHeight, 768u);
  EXPECT_EQ(display.requests[0].mode.dmBitsPerPel, 32u);
  EXPECT_TRUE(display.CurrentIs(1024, 768, 32));
}

TEST(DisplayModeChange, NoListedModesAtAllStillGiveAWellFormedRequest) {
  FakeDisplay display;
  EXPECT_FALSE(ChangeDisplayModeWith(display.Calls(), 1024, 768, 32));
  ASSERT_EQ(display.requests.size(), 2u);  // all three fields, then depth alone
  const DEVMODEA& request = display.requests[0].mode;
  EXPECT_EQ(request.dmSize, sizeof(DEVMODEA));
  EXPECT_EQ(request.dmDriverExtra, 0u);
  EXPECT_EQ(request.dmDisplayFrequency, 0u);
  EXPECT_EQ(request.dmFields, kAllThree);
}

TEST(DisplayModeChange, DepthAndSizeOneAfterTheOther) {
  FakeDisplay display;
  display.listed = {Mode(1280, 1024, 32)};
  display.answers = {DISP_CHANGE_FAILED, DISP_CHANGE_SUCCESSFUL, DISP_CHANGE_SUCCESSFUL};
  EXPECT_TRUE(ChangeDisplayModeWith(display.Calls(), 800, 600, 16));
  ASSERT_EQ(display.requests.size(), 3u);
  EXPECT_EQ(display.requests[0].mode.dmFields, kAllThree);
  EXPECT_EQ(display.requests[1].mode.dmFields, static_cast<DWORD>(DM_BITSPERPEL));
  EXPECT_EQ(display.requests[2].mode.dmFields, static_cast<DWORD>(DM_PELSWIDTH | DM_PELSHEIGHT));
  EXPECT_TRUE(display.CurrentIs(800, 600, 16));

  // Depth refused: nothing was changed, so nothing is put back.
  display = FakeDisplay{};
  display.answers = {DISP_CHANGE_FAILED, DISP_CHANGE_BADMODE};
  EXPECT_FALSE(ChangeDisplayModeWith(display.Calls(), 800, 600, 16));
  EXPECT_EQ(display.requests.size(), 2u);
  EXPECT_TRUE(display.CurrentIs(1280, 1024, 32));

  // Size refused after the depth changed: the desktop's mode comes back.
  display = FakeDisplay{};
  display.answers = {DISP_CHANGE_FAILED, DISP_CHANGE_SUCCESSFUL, DISP_CHANGE_BADMODE};
  EXPECT_FALSE(ChangeDisplayModeWith(display.Calls(), 800, 600, 16));
  ASSERT_EQ(display.requests.size(), 4u);
  EXPECT_TRUE(display.requests[3].restore);
  EXPECT_TRUE(display.CurrentIs(1280, 1024, 32));
}

TEST(DisplayModeChange, ASuccessThatLeavesAnotherModeIsUndoneAndReported) {
  // A listed mode, the templated request, and depth then size: each path checks the result.
  const std::vector<std::deque<LONG>> paths = {
      {DISP_CHANGE_SUCCESSFUL},
      {DISP_CHANGE_FAILED, DISP_CHANGE_SUCCESSFUL},
      {DISP_CHANGE_FAILED, DISP_CHANGE_FAILED, DISP_CHANGE_SUCCESSFUL, DISP_CHANGE_SUCCESSFUL},
  };
  for (const auto& answers : paths) {
    SCOPED_TRACE(answers.size());
    FakeDisplay display;
    display.listed = {Mode(1024, 768, 32)};
    display.answers = answers;
    display.honoursChanges = false;
    EXPECT_FALSE(ChangeDisplayModeWith(display.Calls(), 1024, 768, 32));
    ASSERT_FALSE(display.requests.empty());
    EXPECT_TRUE(display.requests.back().restore);
  }

  // A depth the driver keeps to itself leaves a usable screen.
  FakeDisplay ownDepth;
  ownDepth.listed = {Mode(1024, 768, 16)};
  ownDepth.answers = {DISP_CHANGE_SUCCESSFUL};
  ownDepth.honoursDepth = false;
  EXPECT_TRUE(ChangeDisplayModeWith(ownDepth.Calls(), 1024, 768, 16));
  EXPECT_TRUE(ownDepth.CurrentIs(1024, 768, 32));

  // Where the current mode cannot be read, the driver's word stands.
  FakeDisplay unreadable;
  unreadable.listed = {Mode(1024, 768, 32)};
  unreadable.answers = {DISP_CHANGE_SUCCESSFUL};
  unreadable.current.reset();
  EXPECT_TRUE(ChangeDisplayModeWith(unreadable.Calls(), 1024, 768, 32));
  EXPECT_FALSE(unreadable.requests.back().restore);
}

}  // namespace
}  // namespace ironwood::platform
