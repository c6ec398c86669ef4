#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace ironwood {

enum class RunMode { Configure, Run, Preview, ChangePassword, Window };

// The mode the screen-saver machinery asks for. The first switch ('/' or '-') followed by a mode
// letter decides: c configure, s run, p or l preview, a change password (either case). Any other
// letter is skipped and the scan goes on; no switch at all, or a lone switch at the end, means
// configure. Whatever follows the letter (a colon, a window handle) is ignored.
// The word "--window" on its own (separated by blanks), anywhere on the line, asks for the run
// in a plain window instead, whatever else the line says.
RunMode ParseRunMode(std::string_view commandLine);

inline constexpr std::string_view kWindowSwitch = "--window";

// The window the preview draws into, when the deciding switch is p or P followed by a window
// handle in decimal, after blanks or one colon ("/p 123456", "/p:123456"), as the display
// settings pass it. Nothing when there is no such number, it is 0, it does not fit a handle, or
// something other than a blank follows it.
std::optional<std::uint64_t> PreviewWindowHandle(std::string_view commandLine);

}  // namespace ironwood
