#include "config/file_listing.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace ironwood::config {

namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool EndsWithNoCase(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && SameFileName(text.substr(text.size() - end.size()), end);
}

}  // namespace

std::vector<std::string> ListFiles(const std::string& folder, std::string_view extension) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  std::error_code error;
  fs::directory_iterator it(fs::path(folder), error);
  if (error) return names;
  for (; it != fs::directory_iterator(); it.increment(error)) {
    if (error) break;
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    std::string name = it->path().filename().string();
    if (name.size() > extension.size() && EndsWithNoCase(name, extension)) {
      names.push_back(std::move(name));
    }
  }
  SortFileNames(names);
  return names;
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
