#pragma once

// File names in the form both programs keep them: the settings, the lists and the C runtime's
// narrow file calls all use one byte form, UTF-8 on Linux and the ANSI code page on Windows.
// The file system may hold names that form cannot write (on Windows, any character outside the
// code page); those are counted here, never turned into a different name.

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace ironwood::platform {

struct FolderFiles {
  std::vector<std::string> names;  // bare names of the plain files, in the folder's own order
  // Plain files left out because their names have no narrow form. Their names with '?' for
  // each such character, so a caller can still tell their extension.
  std::vector<std::string> unshowable;
};

// The plain files (no folders) of `folder`. A folder that is missing or cannot be read gives
// none. Nothing is thrown.
FolderFiles ListPlainFiles(const std::string& folder);

// The path the file system knows for a narrow name, for std::filesystem and the streams. Never
// throws; bytes the code page cannot read become a name no file has.
std::filesystem::path NativePath(const std::string& name);

}  // namespace ironwood::platform
