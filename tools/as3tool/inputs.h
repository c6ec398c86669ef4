#pragma once

// The source files a ship plug-in is built from: 24-bit BMP images, ASCII scene exports (".ase")
// and 16-bit PCM WAV files. Images and scene exports go through the saver's own readers. Each
// decoder checks every size against the bytes there and says what is wrong in a message that
// names no file (the caller adds it).

#include <cstdint>
#include <string>
#include <vector>

#include "saver/assets/plugin_file.h"
#include "saver/assets/texture.h"

namespace ironwood::as3tool {

using Bytes = std::vector<std::uint8_t>;

// The whole of a regular file of at most 256 MiB, or false with a message.
bool ReadFileBytes(const std::string& path, Bytes* out, std::string* error);
bool WriteFileBytes(const std::string& path, const Bytes& bytes, std::string* error);

// A texture record's pixels from a colour image and, when given, an opacity image of the same
// size whose blue channel becomes alpha (as the saver reads opacity maps). Images are read with
// the saver's BMP reader (ReadBmp), so the tool takes exactly what the saver takes. Refuses sizes
// a texture record cannot hold.
bool MakeTexture(const BmpPixels& colour, const BmpPixels* opacity, PluginTexture* out,
                 std::string* error);

// One geometry object of a scene export, read with the saver's scene-file reader (positions
// divided by 300, faces as listed) and then made whole for a plug-in: where the texture faces
// give one vertex different texture coordinates, the vertex is split so that each copy has one.
// Without texture faces, texture vertex i belongs to vertex i, as the saver reads it. Normals
// come from the file's vertex normals (averaged and normalised when a vertex has several);
// vertices the file gives none get the normalised, area-weighted sum of their faces' front
// normals (faces are counter-clockwise seen from the front).
struct AseObject {
  std::string name;  // node name without its quotes, spaces kept
  PluginMesh mesh;   // pairIndex 0
  int computedNormals = 0;  // vertices whose normal came from the faces
};

bool DecodeAse(const std::string& text, std::vector<AseObject>* out, std::string* error);

// A RIFF/WAVE file of 16-bit PCM samples (any channel count and rate): the canonical 18-byte
// format and the bytes of its "data" chunk.
bool DecodeWav(const Bytes& file, PluginSound* out, std::string* error);

}  // namespace ironwood::as3tool
