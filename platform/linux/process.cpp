#include <spawn.h>
#include <sys/types.h>

#include "platform/process.h"

extern char** environ;

namespace ironwood::platform {

bool StartDetachedProcess(const std::string& path) {
  posix_spawnattr_t attributes;
  if (posix_spawnattr_init(&attributes) != 0) return false;
  // A session of its own, so the program outlives us and is not tied to our terminal.
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  std::string program = path;
  char* argv[] = {program.data(), nullptr};
  pid_t child = 0;
  const int result = posix_spawn(&child, program.c_str(), nullptr, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  return result == 0;
}

}  // namespace ironwood::platform
