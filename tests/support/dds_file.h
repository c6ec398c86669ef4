#pragma once

// ".dds" files built in memory for the tests: the 128-byte header and the block data given.

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/test_files.h"

namespace ironwood::testing {

// A DDS file with the FourCC given and `levels` as the block data, level after level, top
// block row first as the format stores it. The mip-map count is the number of levels unless
// `mipMapCount` says otherwise (to build files that lie).
inline Bytes MakeDds(const std::string& fourCc, int width, int height,
                     const std::vector<Bytes>& levels, int mipMapCount = -1) {
  Bytes file(128, 0);
  file[0] = 'D';
  file[1] = 'D';
  file[2] = 'S';
  file[3] = ' ';
  const std::uint32_t count =
      static_cast<std::uint32_t>(mipMapCount < 0 ? static_cast<int>(levels.size()) : mipMapCount);
  Put32(file, 4, 124);
  // caps, height, width, pixel format, linear size; the mip-map count when there are several.
  Put32(file, 8, 0x1u | 0x2u | 0x4u | 0x1000u | 0x80000u | (count > 1 ? 0x20000u : 0u));
  Put32(file, 12, static_cast<std::uint32_t>(height));
  Put32(file, 16, static_cast<std::uint32_t>(width));
  Put32(file, 20, levels.empty() ? 0u : static_cast<std::uint32_t>(levels[0].size()));
  Put32(file, 28, count);
  Put32(file, 76, 32);   // pixel format size
  Put32(file, 80, 0x4);  // FourCC present
  for (std::size_t i = 0; i < 4 && i < fourCc.size(); ++i) {
    file[84 + i] = static_cast<std::uint8_t>(fourCc[i]);
  }
  Put32(file, 108, 0x1000u | (count > 1 ? 0x400008u : 0u));  // texture, mipmapped
  for (const Bytes& level : levels) file.insert(file.end(), level.begin(), level.end());
  return file;
}

}  // namespace ironwood::testing
