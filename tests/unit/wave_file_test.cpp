#include "saver/audio/wave_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/test_files.h"

namespace ironwood {
namespace {

using testing::Bytes;
using testing::TempFolder;

void Add16(Bytes& bytes, std::uint32_t value) {
  bytes.push_back(static_cast<std::uint8_t>(value));
  bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Add32(Bytes& bytes, std::uint32_t value) {
  Add16(bytes, value & 0xFFFFu);
  Add16(bytes, value >> 16);
}

struct Chunk {
  std::string id;
  Bytes body;
  std::optional<std::uint32_t> length;  // the stated length, when not the body's
};

// A RIFF WAVE image: odd bodies get their pad byte; the RIFF size is the true one unless given.
Bytes Riff(const std::vector<Chunk>& chunks, std::optional<std::uint32_t> riffSize = {}) {
  Bytes bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
  for (const Chunk& chunk : chunks) {
    bytes.insert(bytes.end(), chunk.id.begin(), chunk.id.end());
    Add32(bytes, chunk.length.value_or(static_cast<std::uint32_t>(chunk.body.size())));
    bytes.insert(bytes.end(), chunk.body.begin(), chunk.body.end());
    if (chunk.body.size() % 2 != 0) bytes.push_back(0xEE);
  }
  testing::Put32(bytes, 4, riffSize.value_or(static_cast<std::uint32_t>(bytes.size() - 8)));
  return bytes;
}

struct Format {
  std::uint32_t tag = 1;
  std::uint32_t channels = 1;
  std::uint32_t rate = 22050;
  std::uint32_t bits = 16;
  std::optional<std::uint32_t> blockAlign = std::nullopt;
  std::optional<std::uint32_t> averageBytes = std::nullopt;
  std::size_t chunkBytes = 16;  // 18 and more add the extra-size field (and filler)
};

Chunk Fmt(const Format& f) {
  Bytes body;
  const std::uint32_t align = f.blockAlign.value_or(f.channels * f.bits / 8);
  Add16(body, f.tag);
  Add16(body, f.channels);
  Add32(body, f.rate);
  Add32(body, f.averageBytes.value_or(f.rate * align));
  Add16(body, align);
  Add16(body, f.bits);
  while (body.size() < f.chunkBytes) body.push_back(0x5A);
  body.resize(f.chunkBytes);
  return {"fmt ", body, {}};
}

Chunk Data(std::size_t bytes) {
  Bytes body;
  for (std::size_t i = 0; i < bytes; ++i) body.push_back(static_cast<std::uint8_t>(i * 7 + 1));
  return {"data", body, {}};
}

// Decodes from a heap block of exactly the image's size, so a read past it is caught by the
// address sanitizer build.
bool Decode(const Bytes& image, WaveSound* out, std::string* why) {
  const std::vector<std::uint8_t> exact(image.begin(), image.end());
  return DecodeWave(exact.data(), exact.size(), out, why);
}

WaveSound Sentinel() {
  WaveSound sound;
  sound.format.fill(0x77);
  sound.data = {1, 2, 3};
  return sound;
}

void ExpectRefused(const Bytes& image, const std::string& reason) {
  WaveSound sound = Sentinel();
  std::string why;
  EXPECT_FALSE(Decode(image, &sound, &why)) << reason;
  EXPECT_NE(why.find(reason), std::string::npos) << "reason: " << why;
  EXPECT_EQ(sound.format, Sentinel().format) << reason;
  EXPECT_EQ(sound.data, Sentinel().data) << reason;
}

TEST(WaveFile, PlayablePcmVariantsLoad) {
  for (std::uint32_t channels : {1u, 2u}) {
    for (std::uint32_t bits : {8u, 16u}) {
      const Format format{.channels = channels, .rate = 11025, .bits = bits};
      const Chunk fmt = Fmt(format);
      const Chunk data = Data(channels * bits / 8 * 5);
      WaveSound sound;
      std::string why;
      ASSERT_TRUE(Decode(Riff({fmt, data}), &sound, &why)) << channels << "x" << bits << ": " << why;
      EXPECT_TRUE(std::equal(fmt.body.begin(), fmt.body.end(), sound.format.begin()));
      EXPECT_EQ(sound.format[16], 0);
      EXPECT_EQ(sound.format[17], 0);
      EXPECT_EQ(sound.data, data.body);
    }
  }
}

// The chunk walk: chunks after "data" are never read, skipped chunks are padded to even
// lengths, and of two format chunks the later one counts.
TEST(WaveFile, ChunkWalk) {
  const Chunk data = Data(6);
  WaveSound sound;
  std::string why;
  ASSERT_TRUE(Decode(Riff({Fmt({}), data, {"LIST", Bytes(9, 1), {}}, {"junk", {}, 0xFFFFFFF0u}}),
                     &sound, &why))
      << why;
  EXPECT_EQ(sound.data, data.body);

  // An odd-length chunk before "data": its pad byte is skipped, not taken for the next id.
  ASSERT_TRUE(Decode(Riff({{"LIST", Bytes(3, 'x'), {}}, Fmt({}), {"odd ", Bytes(5, 2), {}}, data}),
                     &sound, &why))
      << why;
  EXPECT_EQ(sound.data, data.body);

  // An odd-length 8-bit data chunk loads whole.
  const Chunk odd = Data(7);
  ASSERT_TRUE(Decode(Riff({Fmt({.bits = 8}), odd, {"LIST", Bytes(2, 0), {}}}), &sound, &why))
      << why;
  EXPECT_EQ(sound.data, odd.body);

  ASSERT_TRUE(Decode(Riff({Fmt({.rate = 8000}), Fmt({.rate = 44100}), data}), &sound, &why));
  EXPECT_EQ(sound.format[4] | sound.format[5] << 8, 44100);
}

// A 16-byte format chunk supplies no extra-size field: neither the next chunk's id nor bytes
// past the end of the file end up in the format.
TEST(WaveFile, SixteenByteFormatChunk) {
  WaveSound sound;
  std::string why;
  ASSERT_TRUE(Decode(Riff({Fmt({}), Data(4)}), &sound, &why)) << why;
  EXPECT_EQ(sound.format[16], 0);
  EXPECT_EQ(sound.format[17], 0);

  // An 18-byte chunk's extra size is dropped too: the record carries no extra bytes.
  Chunk eighteen = Fmt({.chunkBytes = 18});
  ASSERT_TRUE(Decode(Riff({eighteen, Data(4)}), &sound, &why)) << why;
  EXPECT_EQ(sound.format[16], 0);
  EXPECT_EQ(sound.format[17], 0);
  ASSERT_TRUE(Decode(Riff({Fmt({.chunkBytes = 40}), Data(4)}), &sound, &why)) << why;

  // At the very end of the file (caught by the sanitizer build if read past).
  ExpectRefused(Riff({Fmt({})}), "no data chunk");
}

TEST(WaveFile, RiffSizeAndFileSizeBoundTheWalk) {
  const Chunk data = Data(8);
  WaveSound sound;
  std::string why;
  // A RIFF size past the end of the file: the file's end bounds the walk.
  ASSERT_TRUE(Decode(Riff({Fmt({}), data}, 0x7FFFFFF0u), &sound, &why)) << why;
  EXPECT_EQ(sound.data, data.body);
  // ... and without a data chunk the walk stops at the file's end, also within a chunk header.
  ExpectRefused(Riff({Fmt({})}, 0x7FFFFFF0u), "no data chunk");
  Bytes cutHeader = Riff({Fmt({})}, 0x7FFFFFF0u);
  cutHeader.insert(cutHeader.end(), {'d', 'a', 't'});
  ExpectRefused(cutHeader, "no data chunk");
  // A RIFF size short of the file: what follows the RIFF form is not read.
  Bytes trailing = Riff({Fmt({}), data});
  trailing.insert(trailing.end(), {'d', 'a', 't', 'a', 0xFF, 0xFF, 0xFF, 0xFF});
  ASSERT_TRUE(Decode(trailing, &sound, &why)) << why;
  EXPECT_EQ(sound.data, data.body);
  // A RIFF size that ends before the data chunk.
  ExpectRefused(Riff({Fmt({}), data}, 4 + 8 + 16), "no data chunk");
  // A data length past the end of the file, by one byte and by nearly 4 GiB.
  ExpectRefused(Riff({Fmt({}), {"data", Bytes(8, 0), 9}}), "runs past the end of the file");
  ExpectRefused(Riff({Fmt({}), {"data", Bytes(8, 0), 0xFFFFFFFFu}}),
                "runs past the end of the file");
  ExpectRefused(Riff({{"fmt ", Bytes(16, 0), 0xFFFFFFF8u}}), "fmt chunk runs past");
  // A skipped chunk's length past the end ends the walk.
  ExpectRefused(Riff({Fmt({}), {"LIST", Bytes(4, 0), 0xFFFFFFFEu}, data}), "no data chunk");
}

TEST(WaveFile, RefusesMalformedFiles) {
  ExpectRefused({}, "too short");
  ExpectRefused({'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V'}, "too short");
  Bytes notRiff = Riff({Fmt({}), Data(4)});
  notRiff[0] = 'X';
  ExpectRefused(notRiff, "does not begin with RIFF");
  Bytes notWave = Riff({Fmt({}), Data(4)});
  notWave[11] = 'X';
  ExpectRefused(notWave, "not WAVE");
  ExpectRefused(Riff({}), "no data chunk");
  ExpectRefused(Riff({Fmt({})}), "no data chunk");
  ExpectRefused(Riff({Data(4), Fmt({})}), "before any fmt chunk");
  ExpectRefused(Riff({Fmt({.chunkBytes = 14}), Data(4)}), "fmt chunk of 14 bytes");
}

TEST(WaveFile, RefusesFormatsADeviceCannotPlayAsTheyStand) {
  ExpectRefused(Riff({Fmt({.tag = 3, .bits = 32}), Data(8)}), "format tag 3");
  ExpectRefused(Riff({Fmt({.tag = 0xFFFE}), Data(8)}), "format tag 65534");
  ExpectRefused(Riff({Fmt({.channels = 0}), Data(8)}), "0 channels");
  ExpectRefused(Riff({Fmt({.channels = 6}), Data(12)}), "6 channels");
  ExpectRefused(Riff({Fmt({.bits = 24}), Data(12)}), "24 bits");
  ExpectRefused(Riff({Fmt({.rate = 999}), Data(8)}), "sample rate 999");
  ExpectRefused(Riff({Fmt({.rate = 192001}), Data(8)}), "sample rate 192001");
  ExpectRefused(Riff({Fmt({.channels = 2, .blockAlign = 2}), Data(8)}), "block align 2");
  ExpectRefused(Riff({Fmt({.averageBytes = 1}), Data(8)}), "average bytes per second 1");
  ExpectRefused(Riff({Fmt({.channels = 2}), Data(6)}), "whole sample frames");
  ExpectRefused(Riff({Fmt({}), Data(0)}), "data chunk is empty");
  // The limits themselves are accepted.
  WaveSound sound;
  std::string why;
  EXPECT_TRUE(Decode(Riff({Fmt({.rate = 1000}), Data(2)}), &sound, &why)) << why;
  EXPECT_TRUE(Decode(Riff({Fmt({.rate = 192000}), Data(2)}), &sound, &why)) << why;
}

TEST(WaveFile, LoadsFilesAndRefusesWhatIsNotOne) {
  TempFolder folder;
  const Chunk data = Data(10);
  WaveSound sound;
  std::string why;
  ASSERT_TRUE(LoadWaveFile(folder.Write("good.wav", Riff({Fmt({}), data})), &sound, &why)) << why;
  EXPECT_EQ(sound.data, data.body);

  const auto refused = [&](const std::string& path, const std::string& reason) {
    WaveSound kept = Sentinel();
    std::string reasonText;
    EXPECT_FALSE(LoadWaveFile(path, &kept, &reasonText)) << path;
    EXPECT_NE(reasonText.find(reason), std::string::npos) << reasonText;
    EXPECT_NE(reasonText.find(path), std::string::npos) << reasonText;
    EXPECT_EQ(kept.data, Sentinel().data);
    EXPECT_EQ(kept.format, Sentinel().format);
  };
  refused(folder.Write("empty.wav", {}), "too short");
  refused(folder.Write("short.wav", Riff({Fmt({}), {"data", Bytes(4, 0), 400}})),
          "runs past the end");
  std::filesystem::create_directory(folder.Path() / "folder.wav");
  refused((folder.Path() / "folder.wav").string(), "not a regular file");
  refused((folder.Path() / "missing.wav").string(), "cannot open");
}

#ifdef IRONWOOD_INSTALLATION_DIR
TEST(WaveFile, GeneratedSoundsLoad) {
  const std::filesystem::path installation(IRONWOOD_INSTALLATION_DIR);
  for (const char* name : {"BackgroundHumFinal.wav", "PhotonExplosionFinal.wav"}) {
    const std::filesystem::path path = installation / name;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
      GTEST_SKIP() << "no generated sound at " << path.string();
    }
    WaveSound sound;
    std::string why;
    EXPECT_TRUE(LoadWaveFile(path.string(), &sound, &why)) << why;
    EXPECT_FALSE(sound.empty()) << name;
  }
}
#endif

}  // namespace
}  // namespace ironwood
