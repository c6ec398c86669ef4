#include "platform/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace ironwood::platform {

namespace {

std::atomic<bool> failNextWrite{false};

bool WriteAll(int fd, std::string_view data) {
  if (failNextWrite.exchange(false)) {
    (void)!write(fd, data.data(), data.size() / 2);
    errno = ENOSPC;
    return false;
  }
  while (!data.empty()) {
    const ssize_t wrote = write(fd, data.data(), data.size());
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      if (wrote == 0) errno = ENOSPC;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(wrote));
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

void FailNextFileReplaceWrite() { failNextWrite = true; }

bool ReplaceFileAtomically(const std::string& requested, std::string_view data, std::string* why) {
  auto fail = [why](int error) {
    if (why) *why = std::strerror(error);
    return false;
  };
  // A link stays a link: its target is replaced.
  std::string path = requested;
  if (char* resolved = realpath(requested.c_str(), nullptr)) {
    path = resolved;
    std::free(resolved);
  }
  struct stat old;
  const bool exists = stat(path.c_str(), &old) == 0;
  if (exists && !S_ISREG(old.st_mode)) return fail(S_ISDIR(old.st_mode) ? EISDIR : EINVAL);

  // A name of its own, so two programs saving at once never share the temporary file.
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temporary = path + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(attempt);
    fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return fail(errno);
  }
  if (fd < 0) return fail(EEXIST);
  bool done = WriteAll(fd, data) && (!exists || fchmod(fd, old.st_mode & 07777) == 0) &&
              fsync(fd) == 0;
  int error = errno;
  if (close(fd) != 0 && done) {
    done = false;
    error = errno;
  }
  if (done && rename(temporary.c_str(), path.c_str()) != 0) {
    done = false;
    error = errno;
  }
  if (!done) {
    unlink(temporary.c_str());
    return fail(error);
  }
  // The rename reaches the disk only with its folder.
  const int folder = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    fsync(folder);
    close(folder);
  }
  return true;
}

}  // namespace ironwood::platform
