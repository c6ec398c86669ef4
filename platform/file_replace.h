#pragma once

// Files the programs write for the user (scenarios, exported settings) are replaced whole or
// not at all: a full disk or a crash part-way leaves the old file as it was.

#include <string>
#include <string_view>

namespace ironwood::platform {

// Writes `data` to a new file beside `path`, flushes it to the disk and renames it over `path`
// (the target of a link, where `path` is one). On failure the old file is untouched, the new one
// is removed and `why` holds the system's reason. An existing file keeps its permissions.
bool ReplaceFileAtomically(const std::string& path, std::string_view data, std::string* why);

// For tests: the next ReplaceFileAtomically writes part of its data and then fails as a full
// disk does.
void FailNextFileReplaceWrite();

}  // namespace ironwood::platform
