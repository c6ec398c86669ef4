// Writes the test models (escort.obj, escort.gltf, escort.glb, escort.dae, escort.3ds with the files they
// refer to) into a folder, for the system test that imports and flies them.

#include <cstdio>

#include "tools/as3tool/model_writers.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: model_writer FOLDER\n");
    return 2;
  }
  using namespace ironwood::as3tool::models;
  const SourceModel hull = EscortHull();
  for (const std::string& path :
       {WriteObj(argv[1], "escort", hull), WriteGltf(argv[1], "escort", hull),
        WriteGlb(argv[1], "escort", hull), WriteCollada(argv[1], "escort", hull),
        Write3ds(argv[1], "escort", hull)}) {
    std::printf("%s\n", path.c_str());
  }
  return 0;
}
