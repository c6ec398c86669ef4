#pragma once

#include <string>

namespace ironwood::platform {

// One running copy of a program per user: an exclusive advisory lock (flock) on a file, held
// until the process ends. The file lives in $XDG_RUNTIME_DIR, else beside the user's settings
// file.
class InstanceLock {
 public:
  explicit InstanceLock(const std::string& name);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // False when another process holds the lock. A lock file that cannot be made at all does not
  // stop the program (the lock is then simply not held).
  bool Held() const { return held_; }

 private:
  int fd_ = -1;
  bool held_ = false;
};

}  // namespace ironwood::platform
