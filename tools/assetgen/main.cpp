// assetgen OUTPUT_FOLDER: writes the default installation folder's generated files.
// assetgen --fuzz-seeds FOLDER: writes seed files for the readers' fuzz targets instead.

#include <cstdio>
#include <string>

#include "tools/assetgen/fuzz_seeds.h"
#include "tools/assetgen/images.h"
#include "tools/assetgen/scenery.h"
#include "tools/assetgen/ships.h"
#include "tools/assetgen/sky.h"
#include "tools/assetgen/sounds.h"

int main(int argc, char** argv) {
  std::string error;
  if (argc == 3 && std::string(argv[1]) == "--fuzz-seeds") {
    if (!ironwood::assetgen::WriteFuzzSeeds(argv[2], &error)) {
      std::fprintf(stderr, "assetgen: %s\n", error.c_str());
      return 1;
    }
    return 0;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: assetgen OUTPUT_FOLDER | assetgen --fuzz-seeds FOLDER\n");
    return 2;
  }
  if (!ironwood::assetgen::WriteImages(argv[1], &error)) {
    std::fprintf(stderr, "assetgen: %s\n", error.c_str());
    return 1;
  }
  if (!ironwood::assetgen::WriteScenery(argv[1], &error)) {
    std::fprintf(stderr, "assetgen: %s\n", error.c_str());
    return 1;
  }
  if (!ironwood::assetgen::WriteSky(argv[1], &error)) {
    std::fprintf(stderr, "assetgen: %s\n", error.c_str());
    return 1;
  }
  if (!ironwood::assetgen::WritePlugins(argv[1], &error) ||
      !ironwood::assetgen::WriteScenarios(argv[1], &error)) {
    std::fprintf(stderr, "assetgen: %s\n", error.c_str());
    return 1;
  }
  if (!ironwood::assetgen::WriteSounds(argv[1])) {
    std::fprintf(stderr, "assetgen: the sounds could not be written into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
