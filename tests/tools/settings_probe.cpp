// Drives the shared settings code and the random generator from the command line, so the system
// tests can check what one process writes against what another reads, on both platforms.
//   settings_probe read NAME            prints the value; exit 3 when absent
//   settings_probe write NAME TEXT      exit 0 when stored
//   settings_probe random SEED COUNT    the generator's first COUNT draws after seeding
//   settings_probe range SEED A B COUNT RandomRange(A, B) COUNT times after seeding
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/settings.h"
#include "platform/settings_store.h"
#include "saver/core/random.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: settings_probe read NAME | write NAME TEXT | random SEED COUNT | "
               "range SEED A B COUNT\n");
  return 2;
}

std::uint32_t ParseSeed(const char* text) {
  return static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10));
}

}  // namespace

int main(int argc, char** argv) {
  using namespace ironwood;
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "read" && argc == 3) {
    auto store = platform::OpenSettingsStore();
    auto text = settings::Read(*store, argv[2]);
    if (!text) return 3;
    std::printf("%s\n", text->c_str());
    return 0;
  }
  if (command == "write" && argc == 4) {
    auto store = platform::OpenSettingsStore();
    return settings::Write(*store, argv[2], argv[3]) ? 0 : 1;
  }
  if (command == "random" && argc == 4) {
    RandomGenerator generator;
    generator.Seed(ParseSeed(argv[2]));
    for (int i = std::atoi(argv[3]); i > 0; --i) std::printf("%d\n", generator.Next());
    return 0;
  }
  if (command == "range" && argc == 6) {
    RandomGenerator generator;
    generator.Seed(ParseSeed(argv[2]));
    const int a = std::atoi(argv[3]);
    const int b = std::atoi(argv[4]);
    for (int i = std::atoi(argv[5]); i > 0; --i) std::printf("%d\n", RandomRange(generator, a, b));
    return 0;
  }
  return Usage();
}
