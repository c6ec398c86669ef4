// One configuration sheet per user: the second holder of the lock is refused until the first
// lets go.

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "platform/linux/instance_lock.h"
#include "tests/support/test_files.h"

namespace ironwood {
namespace {

TEST(InstanceLock, OnlyOneHolderAtATime) {
  testing::TempFolder folder;
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  const std::optional<std::string> previous = saved ? std::optional<std::string>(saved) : std::nullopt;
  setenv("XDG_RUNTIME_DIR", folder.Path().c_str(), 1);
  {
    std::optional<platform::InstanceLock> first(std::in_place, "sheet");
    EXPECT_TRUE(first->Held());
    EXPECT_TRUE(std::filesystem::exists(folder.Path() / "sheet.lock"));
    platform::InstanceLock second("sheet");
    EXPECT_FALSE(second.Held());
    platform::InstanceLock other("another program");
    EXPECT_TRUE(other.Held());
    first.reset();
    platform::InstanceLock third("sheet");
    EXPECT_TRUE(third.Held());
  }
  if (previous) setenv("XDG_RUNTIME_DIR", previous->c_str(), 1);
  else unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
}  // namespace ironwood
