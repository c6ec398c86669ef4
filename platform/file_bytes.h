#pragma once

// Whole-file reads for every reader of untrusted files: the saver's assets, the tools built on
// them and the configuration program's import.

#include <cstdint>
#include <string>

namespace ironwood::platform {

enum class FileFault {
  kNone,
  kMissing,     // no such file, or it cannot be opened
  kNotRegular,  // a folder or other non-file in its place
  kTooLarge,    // more bytes than the reader accepts
  kUnreadable,  // opened, but reading failed
};

// Reads the whole of `path` into `bytes`. Only a regular file of at most `maxBytes` bytes is
// read; a read error is answered, never thrown. `bytes` is left as it was unless kNone.
FileFault ReadWholeFile(const std::string& path, std::uintmax_t maxBytes, std::string* bytes);

// The saver's reason line for a fault, naming the file: "cannot open <path>" and the like.
std::string FileFaultText(FileFault fault, const std::string& path, std::uintmax_t maxBytes);

// ReadWholeFile with the reason in `why` on failure.
bool ReadWholeFile(const std::string& path, std::uintmax_t maxBytes, std::string* bytes,
                   std::string* why);

}  // namespace ironwood::platform
