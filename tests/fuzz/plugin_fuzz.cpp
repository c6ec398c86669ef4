// Ship plug-ins (".as3") as the saver loads a class: parsed, checked and built, its textures
// uploaded to the null OpenGL. Input: a flag byte (bit 0: sound effects on, so the sound blocks
// are read; bits 1-2: levels to skip), then the file.

#include "saver/battle/ship_class.h"
#include "tests/fuzz/fuzz_support.h"

namespace ironwood::fuzz {

void Plugin(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return;
  const std::uint8_t flags = data[0];
  NullGlScope nullGl;
  TextureNamePool pool;
  ShipClass shipClass;
  std::string why;
  // A sound memory limit small enough that the refusal path is reached too.
  const std::size_t soundMemory = (flags & 8) != 0 ? 4096 : ShipClass::kAnySoundMemory;
  if (!shipClass.LoadBytes("fuzz.as3", data + 1, size - 1, pool, (flags >> 1) & 3,
                           (flags & 1) != 0, &why, soundMemory)) {
    Check(!why.empty(), "a refused plug-in gives a reason");
    Check(!shipClass.loaded(), "a refused plug-in loads nothing");
    return;
  }
  Check(shipClass.loaded(), "a loaded class says so");
}

}  // namespace ironwood::fuzz

IRONWOOD_FUZZ_ENTRY(Plugin)
