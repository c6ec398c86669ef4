#pragma once

// Ship plug-ins built in memory for the tests: textures, meshes, models and sounds with known
// contents, and the file's bytes from our own encoder.

#include <array>
#include <cstddef>
#include <cstdint>

#include "saver/assets/plugin_file.h"
#include "tests/support/test_files.h"

namespace ironwood::testing {

// Pixels that differ from texture to texture (by seed) and pixel to pixel, so a swapped or
// shifted record shows.
PluginTexture PatternTexture(int width, int height, bool alpha, int seed);

// A square of one colour; with alpha the opacity varies from pixel to pixel.
PluginTexture SolidTexture(int side, std::array<std::uint8_t, 3> rgb, bool alpha = false);

// `vertices` vertices at f = base + i: position (f, 2f, -f²), normal +z, texture coordinates
// (f / 4, 1 - f / 4); triangle i is (i, i + 1, i + 2).
PluginMesh StripMesh(std::uint32_t vertices, std::uint32_t pair, float base);

// One triangle of half-size `size` in the xz plane, facing +y, its tip at +z.
PluginMesh TriangleMesh(float size);

// A box of half-sizes (hx, hy, hz), faces counter-clockwise seen from outside.
PluginMesh BoxMesh(float hx, float hy, float hz);

// A weapon or shield model: a 4 x 4 RGBA texture, a 2 x 1 discarded one, a 3-vertex strip.
PluginModel PatternModel(int seed);

// 16-bit PCM at 11025 samples per second with `bytes` sample bytes that vary.
PluginSound PcmSound(std::size_t bytes, int channels = 1);

// A one-mesh flying class: grey textures, shield semi-axes 2, 1, 1 (radius 2), strength 80, and
// pitch rate 30, turn rate 0.5, bank rate 40, acceleration 0.75, top speed 20 with the angle
// limit given.
PluginFile FlyingShipPlugin(float angleLimit);

// The file's bytes; a test failure, and no bytes, when the encoder refuses it.
Bytes EncodePlugin(const PluginFile& file);

}  // namespace ironwood::testing
