// The render command's arguments and picture layout, shared by every platform's build.

#include <charconv>

#include "tools/as3tool/render.h"

namespace ironwood::as3tool {
namespace {

constexpr int kColumnsPerRow = 4;

// A whole decimal number in [low, high], nothing else in the text.
bool ParseCount(const std::string& text, int low, int high, int* value) {
  int parsed = 0;
  const char* end = text.data() + text.size();
  const auto [stop, fault] = std::from_chars(text.data(), end, parsed);
  if (fault != std::errc() || stop != end || parsed < low || parsed > high) return false;
  *value = parsed;
  return true;
}

}  // namespace

bool ParseRenderArguments(const std::vector<std::string>& args, RenderOptions* options,
                          std::string* error) {
  RenderOptions parsed;
  std::vector<std::string> names;
  bool framesGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--sheet") {
      parsed.sheet = true;
    } else if (arg == "--size" || arg == "--frames") {
      framesGiven = framesGiven || arg == "--frames";
      const bool size = arg == "--size";
      if (i + 1 == args.size()) {
        *error = arg + " needs a number";
        return false;
      }
      const std::string& value = args[++i];
      const bool ok = size ? ParseCount(value, kMinRenderSize, kMaxRenderSize, &parsed.size)
                           : ParseCount(value, 1, kMaxRenderFrames, &parsed.frames);
      if (!ok) {
        *error = arg + " " + value + ": expected a whole number from " +
                 std::to_string(size ? kMinRenderSize : 1) + " to " +
                 std::to_string(size ? kMaxRenderSize : kMaxRenderFrames);
        return false;
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      *error = arg + ": unknown option";
      return false;
    } else {
      names.push_back(arg);
    }
  }
  if (parsed.sheet) {
    if (framesGiven) {
      *error = "--sheet draws two views of each plug-in; --frames is for the turntable";
      return false;
    }
    if (names.size() < 2 || names.size() > kMaxSheetPlugins + 1) {
      *error = "--sheet expects 1 to " + std::to_string(kMaxSheetPlugins) +
               " plug-ins and an output picture";
      return false;
    }
    parsed.inputs.assign(names.begin(), names.end() - 1);
    parsed.input = names.front();
    parsed.output = names.back();
    *options = parsed;
    return true;
  }
  if (names.size() != 2) {
    *error = "expected a plug-in and an output picture";
    return false;
  }
  parsed.input = names[0];
  parsed.output = names[1];
  *options = parsed;
  return true;
}

int SheetColumns(int frames) { return frames < kColumnsPerRow ? frames : kColumnsPerRow; }

int SheetRows(int frames) {
  const int columns = SheetColumns(frames);
  return columns > 0 ? (frames + columns - 1) / columns : 0;
}

}  // namespace ironwood::as3tool
