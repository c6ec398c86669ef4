#include "platform/file_bytes.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/file_names.h"

namespace ironwood::platform {

FileFault ReadWholeFile(const std::string& path, std::uintmax_t maxBytes, std::string* bytes) {
  namespace fs = std::filesystem;
  // The name as the system knows it: a narrow name beyond ASCII is in the code page on Windows,
  // which the library's own conversion would not read (or would throw on).
  const fs::path native = NativePath(path);
  std::error_code error;
  const fs::file_status status = fs::status(native, error);
  if (error || !fs::exists(status)) return FileFault::kMissing;
  if (!fs::is_regular_file(status)) return FileFault::kNotRegular;
  const std::uintmax_t size = fs::file_size(native, error);
  if (error) return FileFault::kUnreadable;
  if (size > maxBytes) return FileFault::kTooLarge;
  std::ifstream in(native, std::ios::binary);
  if (!in) return FileFault::kMissing;
  // To the end of the file that was opened, not to the size asked of the name above: the file
  // may have been replaced since by one of another length, which would read cut off or fail.
  // istream::read reports a failing read in the stream state; it does not throw.
  std::string read;
  read.reserve(static_cast<std::size_t>(size));
  char chunk[16384];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    const auto got = static_cast<std::size_t>(in.gcount());
    if (read.size() + got > maxBytes) return FileFault::kTooLarge;
    read.append(chunk, got);
  }
  if (in.bad() || !in.eof()) return FileFault::kUnreadable;
  *bytes = std::move(read);
  return FileFault::kNone;
}

std::string FileFaultText(FileFault fault, const std::string& path, std::uintmax_t maxBytes) {
  switch (fault) {
    case FileFault::kNone:
      return {};
    case FileFault::kMissing:
      return "cannot open " + path;
    case FileFault::kNotRegular:
      return path + " is not a regular file";
    case FileFault::kTooLarge:
      return path + " is larger than the " + std::to_string(maxBytes) +
             " bytes such a file may have";
    case FileFault::kUnreadable:
      break;
  }
  return "cannot read " + path;
}

bool ReadWholeFile(const std::string& path, std::uintmax_t maxBytes, std::string* bytes,
                   std::string* why) {
  const FileFault fault = ReadWholeFile(path, maxBytes, bytes);
  if (fault == FileFault::kNone) return true;
  if (why != nullptr) *why = FileFaultText(fault, path, maxBytes);
  return false;
}

}  // namespace ironwood::platform
