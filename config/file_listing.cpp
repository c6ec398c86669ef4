#include "config/file_listing.h"

#include <algorithm>
#include <cctype>

#include "platform/file_names.h"

namespace ironwood::config {

namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool EndsWithNoCase(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && SameFileName(text.substr(text.size() - end.size()), end);
}

}  // namespace

FolderListing ListFiles(const std::string& folder, std::string_view extension) {
  const auto wanted = [&](const std::string& name) {
    return name.size() > extension.size() && EndsWithNoCase(name, extension);
  };
  platform::FolderFiles files = platform::ListPlainFiles(folder);
  FolderListing listing;
  for (std::string& name : files.names) {
    if (wanted(name)) listing.names.push_back(std::move(name));
  }
  for (const std::string& name : files.unshowable) {
    if (wanted(name)) ++listing.unlisted;
  }
  SortFileNames(listing.names);
  return listing;
}

std::string UnlistedFilesMessage(std::size_t unlisted, const std::string& folder) {
  if (unlisted == 0) return {};
  const bool one = unlisted == 1;
  return std::to_string(unlisted) + (one ? " file in " : " files in ") + folder +
         (one ? " has a name" : " have names") +
         " this system cannot show, so " + (one ? "it is" : "they are") + " not listed.";
}

bool SameFileName(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

bool FileNameLess(std::string_view a, std::string_view b) {
  const bool lowerFirst = std::lexicographical_compare(
      a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) { return Lower(x) < Lower(y); });
  if (lowerFirst) return true;
  if (!SameFileName(a, b)) return false;
  return a < b;
}

void SortFileNames(std::vector<std::string>& names) {
  std::stable_sort(names.begin(), names.end(),
                   [](const std::string& a, const std::string& b) { return FileNameLess(a, b); });
}

std::string BareFileName(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace ironwood::config
