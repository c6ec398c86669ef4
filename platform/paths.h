#pragma once

#include <string>
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

// A file in one of the installation's folders ("Gfx", "Plugins", ...): the installation folder
// (which ends with a separator), the folder, a separator and the name.
inline std::string InstallationFile(std::string_view installation, std::string_view folder,
                                    std::string_view name) {
  std::string path(installation);
  path += folder;
  path += kPathSeparator;
  path += name;
  return path;
}

// Why a name from the settings or a scenario file is no plain file name, which is all such a
// name may be: one with a folder separator of either system, or "." or "..", would reach
// outside the folder it is joined to. Empty for a plain name.
inline std::string_view PlainFileNameFault(std::string_view name) {
  if (name.find_first_of("/\\") != std::string_view::npos) return "it holds a folder separator";
  if (name == "." || name == "..") return "it names a folder, not a file";
  return {};
}

inline bool EndsWithSeparator(std::string_view path) {
  return !path.empty() && (path.back() == '/' || path.back() == '\\');
}

}  // namespace ironwood::platform
