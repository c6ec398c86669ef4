#include "platform/file_names.h"

#include <system_error>

namespace ironwood::platform {

// Linux names are bytes and the programs keep them as they are, so every name has its form.
FolderFiles ListPlainFiles(const std::string& folder) {
  namespace fs = std::filesystem;
  FolderFiles files;
  std::error_code error;
  fs::directory_iterator it(fs::path(folder), error);
  if (error) return files;
  for (; it != fs::directory_iterator(); it.increment(error)) {
    if (error) break;
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    files.names.push_back(it->path().filename().native());
  }
  return files;
}

std::filesystem::path NativePath(const std::string& name) {
  return std::filesystem::path(name);
}

}  // namespace ironwood::platform
