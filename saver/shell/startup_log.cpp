#include "saver/shell/startup_log.h"

#include <cstdio>

namespace ironwood {

bool StartupLog::Create() const {
  if (path_.empty()) return false;
  std::FILE* file = std::fopen(path_.c_str(), "w+");
  if (file == nullptr) return false;
  return std::fclose(file) == 0;
}

bool StartupLog::Write(std::string_view text) const {
  if (path_.empty()) return false;
  std::FILE* file = std::fopen(path_.c_str(), "a");
  if (file == nullptr) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace ironwood
