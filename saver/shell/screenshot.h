#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ironwood {

// Numbers tried before a shot gives up: a folder that full is a mistake, not a place to search
// forever.
inline constexpr int kScreenshotLimit = 100000;

// The path of the first missing "SFScreenShotNN.bmp" (n from 0, at least two digits) in the
// installation's "ScreenShots" folder; a gap is filled. Empty when numbers 0 to limit - 1 are
// all taken.
std::string NextScreenshotPath(const std::string& installationFolder, int limit = kScreenshotLimit);

// The installation's "ScreenShots" folder, ending with a separator.
std::string InstallationScreenshotFolder(const std::string& installationFolder);

// The same numbering in any folder that ends with a separator.
std::string NextScreenshotPathIn(const std::string& folder, int limit = kScreenshotLimit);

// A 24-bit BMP file of a frame read as R,G,B floats, rows bottom-up. Each component becomes
// trunc(value * 255) held to 0..255; rows are padded to 4 bytes. Empty when a side is below 1,
// the file would not fit the format's 32-bit sizes or memory runs short.
std::vector<std::uint8_t> EncodeScreenshotBmp(const float* rgb, int width, int height);

// Reads width x height pixels of the current context from (x, y) up as R,G,B floats, rows
// bottom-up. False when memory runs short or the read fails.
bool ReadFramePixels(int x, int y, int width, int height, std::vector<float>& rgb);

// Writes R,G,B floats (rows bottom-up) as a BMP file at `path`. False, leaving no file behind,
// when it cannot be written whole.
bool WriteBmpFile(const std::string& path, const float* rgb, int width, int height);

// Reads the whole width x height frame of the current context and writes it as a BMP file at
// `path`. False, leaving no file behind, when the file cannot be written, memory runs short or
// the read fails.
// The frame's lower-left corner is (x, y) in the window.
bool WriteScreenshot(const std::string& path, int width, int height, int x = 0, int y = 0);

// F12: reads the whole width x height frame of the current context and writes it to the next
// numbered file. False, leaving no file behind, when the folder cannot be written, memory runs
// short or the read fails; the saver goes on either way.
bool TakeScreenshot(const std::string& installationFolder, int width, int height, int x = 0,
                    int y = 0);

// The same into `folder` (ending with a separator), made with its parents as needed: the user's
// pictures folder of a saver whose installation folder will not take files.
bool TakeScreenshotIn(const std::string& folder, int width, int height, int x = 0, int y = 0);

}  // namespace ironwood
