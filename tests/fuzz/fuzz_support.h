#pragma once

// What the reader fuzz targets share: the reader entries themselves (one per *_fuzz.cpp, so the
// unit tests can replay every kept reproducer through exactly the code a target runs), the
// null OpenGL for readers that upload, and the check that reports a broken promise.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ironwood::fuzz {

// One reader entry: takes any bytes, must neither crash nor leak, and reports through Check
// anything that contradicts what the reader promises.
using Entry = void (*)(const std::uint8_t* data, std::size_t size);

void Bmp(const std::uint8_t* data, std::size_t size);
void EmbeddedTexture(const std::uint8_t* data, std::size_t size);
void Dds(const std::uint8_t* data, std::size_t size);
void Ase(const std::uint8_t* data, std::size_t size);
void Plugin(const std::uint8_t* data, std::size_t size);
void Scenario(const std::uint8_t* data, std::size_t size);
void LensFlare(const std::uint8_t* data, std::size_t size);
void Wave(const std::uint8_t* data, std::size_t size);
void RegText(const std::uint8_t* data, std::size_t size);
void Description(const std::uint8_t* data, std::size_t size);
void ModelImport(const std::uint8_t* data, std::size_t size);

struct Target {
  const char* name;  // the folder name of its corpus and regressions
  Entry entry;  // null where the reader is not part of this platform's build
};
// Every target, in a fixed order.
const std::vector<Target>& Targets();

// A promise the reader broke: aborts (so the fuzzer keeps the input), unless a test has put
// its own handler in place.
void Check(bool condition, std::string_view what);
using CheckHandler = void (*)(std::string_view what);
CheckHandler SetCheckHandler(CheckHandler handler);  // the previous one; null for the abort

// The process's OpenGL entry-point table filled with the null OpenGL (fresh state) for the life
// of the object; the previous table comes back afterwards.
class NullGlScope {
 public:
  NullGlScope();
  ~NullGlScope();
  NullGlScope(const NullGlScope&) = delete;
  NullGlScope& operator=(const NullGlScope&) = delete;
};

// Splits an input made of a flag byte, a 4-byte little-endian length and two parts: `first`
// takes that many bytes (or all there are), `second` the rest. Missing pieces come out empty.
struct TwoParts {
  std::uint8_t flags = 0;
  std::string first;
  std::string second;
};
TwoParts SplitTwo(const std::uint8_t* data, std::size_t size);
// The inverse, for writing seeds.
std::string JoinTwo(std::uint8_t flags, std::string_view first, std::string_view second);

}  // namespace ironwood::fuzz

// Each *_fuzz.cpp ends with this; only the fuzz build (one target a program) defines the
// libFuzzer entry.
#ifdef IRONWOOD_FUZZ_TARGET
#define IRONWOOD_FUZZ_ENTRY(function)                                               \
  extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { \
    ironwood::fuzz::function(data, size);                                           \
    return 0;                                                                       \
  }
#else
#define IRONWOOD_FUZZ_ENTRY(function)
#endif
