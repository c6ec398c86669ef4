#pragma once

#include <string>

namespace ironwood::platform {

// Starts the program at `path` as a new, independent process with an empty command line and
// returns at once without waiting for it. False when the program could not be started.
bool StartDetachedProcess(const std::string& path);

}  // namespace ironwood::platform
