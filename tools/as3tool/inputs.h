#pragma once

// The source files a ship plug-in is built from: 24-bit BMP images, ASCII scene exports (".ase")
// and 16-bit PCM WAV files. Each decoder takes the file's bytes, checks every size against them,
// and says what is wrong in a message that names no file (the caller adds it).

#include <cstdint>
#include <string>
#include <vector>

#include "saver/assets/plugin_file.h"

namespace ironwood::as3tool {

using Bytes = std::vector<std::uint8_t>;

// The whole file, or false with a message.
bool ReadFileBytes(const std::string& path, Bytes* out, std::string* error);
bool WriteFileBytes(const std::string& path, const Bytes& bytes, std::string* error);

// An uncompressed 24-bit image: `bgr` holds width * height pixels, 3 bytes each, blue first,
// bottom row first, no row padding.
struct BmpImage {
  int width = 0;
  int height = 0;
  Bytes bgr;
};

// Accepts BI_RGB 24-bit files, bottom-up or top-down (negative height), with the pixel array
// where bfOffBits says and rows padded to 4 bytes.
bool DecodeBmp(const Bytes& file, BmpImage* out, std::string* error);

// A texture record's pixels from a colour image and, when given, an opacity image of the same
// size whose blue channel becomes alpha (as the saver reads opacity maps). Refuses sizes a
// texture record cannot hold.
bool MakeTexture(const BmpImage& colour, const BmpImage* opacity, PluginTexture* out,
                 std::string* error);

// One geometry object of a scene export, read the way the saver reads scene files: positions
// divided by 300, texture vertex i belongs to vertex i, faces as listed. Normals come from the
// file's vertex normals (averaged and normalised when a vertex has several); vertices the file
// gives none get the normalised, area-weighted sum of their faces' front normals (faces are
// counter-clockwise seen from the front).
struct AseObject {
  std::string name;  // node name without its quotes
  PluginMesh mesh;   // pairIndex 0
  int computedNormals = 0;  // vertices whose normal came from the faces
};

bool DecodeAse(const std::string& text, std::vector<AseObject>* out, std::string* error);

// A RIFF/WAVE file of 16-bit PCM samples (any channel count and rate): the canonical 18-byte
// format and the bytes of its "data" chunk.
bool DecodeWav(const Bytes& file, PluginSound* out, std::string* error);

}  // namespace ironwood::as3tool
