#include "platform/linux/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/linux/reg_file_store.h"

namespace ironwood::platform {

namespace {

std::string LockFolder() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    return std::string(runtime) + "/";
  }
  const std::string settings = UserSettingsPath();
  const std::size_t slash = settings.find_last_of('/');
  return slash == std::string::npos ? std::string("/tmp/") : settings.substr(0, slash + 1);
}

}  // namespace

InstanceLock::InstanceLock(const std::string& name) {
  const std::string path = LockFolder() + name + ".lock";
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ < 0) {
    held_ = true;  // nowhere to keep a lock: run rather than refuse
    return;
  }
  int result;
  do {
    result = ::flock(fd_, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  held_ = result == 0 || errno != EWOULDBLOCK;
}

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace ironwood::platform
