#pragma once

// `as3tool render`: turntable pictures of a ship plug-in, drawn by the saver's own loader and
// mesh drawing into an offscreen buffer. Only the Linux build can draw (the offscreen buffer is
// EGL's); elsewhere the command says so and exits with status 2.

#include <iosfwd>
#include <string>
#include <vector>

namespace ironwood::as3tool {

struct RenderOptions {
  std::string input;   // the plug-in
  std::string output;  // the PNG to write
  int size = 256;      // each view is size x size pixels
  int frames = 8;      // views, the ship turned 360 / frames degrees between them
  // --sheet: several plug-ins side by side at one scale, two views each, named below them.
  bool sheet = false;
  std::vector<std::string> inputs;  // with --sheet: the plug-ins in order
};

constexpr int kMinRenderSize = 16;
constexpr int kMaxRenderSize = 2048;
constexpr int kMaxRenderFrames = 64;
constexpr int kMaxSheetPlugins = 16;

// Reads the arguments after "render": FILE.as3 OUTPUT.png [--size N] [--frames K], or
// --sheet FILE.as3... OUTPUT.png [--size N], the options in any order around the names. False
// with the fault in `error`.
bool ParseRenderArguments(const std::vector<std::string>& args, RenderOptions* options,
                          std::string* error);

// Where view `index` of `frames` sits in the sheet: at most four views to a row.
int SheetColumns(int frames);
int SheetRows(int frames);

// The whole command (arguments after "render"). 0 when the picture was written; 1 when the
// plug-in could not be loaded, nothing could be drawn or the file could not be written; 2 for a
// usage mistake, or where this build cannot draw at all.
int RenderCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace ironwood::as3tool
