#pragma once

// File names as the pages show and compare them: bare names (no folder), matched, compared and
// sorted without regard to letter case, as Windows file names are.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ironwood::config {

// What a page lists of a folder: the names it can show, and how many more files of the kind are
// there under names this system cannot write (on Windows, characters outside the code page).
struct FolderListing {
  FolderListing() = default;
  FolderListing(std::vector<std::string> shown, std::size_t unlistedFiles = 0)  // NOLINT
      : names(std::move(shown)), unlisted(unlistedFiles) {}

  std::vector<std::string> names;
  std::size_t unlisted = 0;
};

// Bare names of the plain files in `folder` whose name ends with `extension` (".ss3"), letter
// case ignored; sorted the way the pages' sorted lists show them. A folder that is missing or
// cannot be read gives no names.
FolderListing ListFiles(const std::string& folder, std::string_view extension);

// What the pages call to list a folder; tests put their own in.
using FileLister =
    std::function<FolderListing(const std::string& folder, std::string_view extension)>;

// The message a page shows once about the files of `folder` it could not list; empty for none.
std::string UnlistedFilesMessage(std::size_t unlisted, const std::string& folder);

// Whole names, letter case ignored (ASCII).
bool SameFileName(std::string_view a, std::string_view b);

// The order of a sorted list: letter case ignored, then the exact text, so equal names keep a
// fixed order.
bool FileNameLess(std::string_view a, std::string_view b);

void SortFileNames(std::vector<std::string>& names);

// The name after the last folder separator ('/' or '\\').
std::string BareFileName(std::string_view path);

}  // namespace ironwood::config
