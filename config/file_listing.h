#pragma once

// File names as the pages show and compare them: bare names (no folder), matched, compared and
// sorted without regard to letter case, as Windows file names are.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ironwood::config {

// Bare names of the plain files in `folder` whose name ends with `extension` (".ss3"), letter
// case ignored; sorted the way the pages' sorted lists show them. A folder that is missing or
// cannot be read gives no names.
std::vector<std::string> ListFiles(const std::string& folder, std::string_view extension);

// What the pages call to list a folder; tests put their own in.
using FileLister =
    std::function<std::vector<std::string>(const std::string& folder, std::string_view extension)>;

// Whole names, letter case ignored (ASCII).
bool SameFileName(std::string_view a, std::string_view b);

// The order of a sorted list: letter case ignored, then the exact text, so equal names keep a
// fixed order.
bool FileNameLess(std::string_view a, std::string_view b);

void SortFileNames(std::vector<std::string>& names);

// The name after the last folder separator ('/' or '\\').
std::string BareFileName(std::string_view path);

}  // namespace ironwood::config
