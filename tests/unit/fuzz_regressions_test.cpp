#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_support.h"

namespace ironwood {
namespace {

namespace fs = std::filesystem;

std::vector<std::string>& Broken() {
  static std::vector<std::string> broken;
  return broken;
}

// Collects what the readers broke instead of aborting, for the life of the object.
class CollectBrokenPromises {
 public:
  CollectBrokenPromises()
      : previous_(fuzz::SetCheckHandler([](std::string_view what) {
          Broken().emplace_back(what);
        })) {
    Broken().clear();
  }
  ~CollectBrokenPromises() { fuzz::SetCheckHandler(previous_); }

 private:
  fuzz::CheckHandler previous_;
};

std::vector<std::uint8_t> Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every input the fuzzers ever found a fault with goes through the same reader entry again:
// it must be refused cleanly or read, without a crash, a sanitizer report or a broken promise.
TEST(FuzzRegressions, EveryKeptReproducerIsReadOrRefusedCleanly) {
  const fs::path root = IRONWOOD_FUZZ_REGRESSIONS_DIR;
  std::set<std::string> known;
  int replayed = 0;
  CollectBrokenPromises collect;
  for (const fuzz::Target& target : fuzz::Targets()) {
    known.insert(target.name);
    const fs::path folder = root / target.name;
    if (target.entry == nullptr || !fs::is_directory(folder)) continue;
    for (const auto& file : fs::directory_iterator(folder)) {
      if (!file.is_regular_file()) continue;
      const std::vector<std::uint8_t> bytes = Bytes(file.path());
      Broken().clear();
      target.entry(bytes.data(), bytes.size());
      EXPECT_TRUE(Broken().empty()) << file.path() << ": " << Broken().front();
      ++replayed;
    }
  }
  // A folder under a name no target has would never be replayed.
  if (fs::is_directory(root)) {
    for (const auto& folder : fs::directory_iterator(root)) {
      EXPECT_TRUE(known.count(folder.path().filename().string()) == 1) << folder.path();
    }
  }
  RecordProperty("replayed", replayed);
}

// The entries themselves: the input layout the seeds are written in splits back apart, pieces
// that are cut short come out empty or short, and a broken promise reaches the handler.
TEST(FuzzRegressions, InputLayoutAndPromiseReporting) {
  const std::string joined = fuzz::JoinTwo(5, "first", "second part");
  const auto* data = reinterpret_cast<const std::uint8_t*>(joined.data());
  const fuzz::TwoParts parts = fuzz::SplitTwo(data, joined.size());
  EXPECT_EQ(parts.flags, 5);
  EXPECT_EQ(parts.first, "first");
  EXPECT_EQ(parts.second, "second part");
  // A length past the end takes what is there; a length cut short gives nothing.
  const fuzz::TwoParts cut = fuzz::SplitTwo(data, 8);
  EXPECT_EQ(cut.first, "fir");
  EXPECT_EQ(cut.second, "");
  const fuzz::TwoParts tiny = fuzz::SplitTwo(data, 3);
  EXPECT_EQ(tiny.flags, 5);
  EXPECT_TRUE(tiny.first.empty() && tiny.second.empty());
  EXPECT_TRUE(fuzz::SplitTwo(data, 0).first.empty());

  CollectBrokenPromises collect;
  fuzz::Check(true, "kept");
  fuzz::Check(false, "broken");
  ASSERT_EQ(Broken().size(), 1u);
  EXPECT_EQ(Broken().front(), "broken");
}

}  // namespace
}  // namespace ironwood
