#pragma once

#include <string_view>

namespace ironwood::platform {

// File-name conventions of the platform the program is built for.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr std::string_view kExecutableSuffix = ".exe";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr std::string_view kExecutableSuffix = "";
#endif

inline bool EndsWithSeparator(std::string_view path) {
  return !path.empty() && (path.back() == '/' || path.back() == '\\');
}

}  // namespace ironwood::platform
