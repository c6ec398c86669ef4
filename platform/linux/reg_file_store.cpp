#include "platform/linux/reg_file_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

#include "platform/reg_text.h"

#ifndef IRONWOOD_DEFAULT_SYSTEM_SETTINGS
#define IRONWOOD_DEFAULT_SYSTEM_SETTINGS "/usr/local/etc/ironwood/settings.reg"
#endif

namespace ironwood::platform {

namespace {

// Settings files are small; this only stops a wrong path (a huge file) from stalling.
constexpr std::uintmax_t kMaxFileBytes = std::uintmax_t{16} << 20;

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  int get() const { return fd_; }
  // Closes now, reporting whether the data reached the file.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }

 private:
  int fd_;
};

enum class FileState { Missing, Read, Failed };

// Only a regular file is a layer: a FIFO or a device in its place would block both programs on
// their first read, and a folder is no settings file. A writer may replace the file by a rename
// at any moment, so the check and the read use one descriptor, and the read runs to the end of
// the file that was opened, never to a length taken from the name: either is the old file or
// the new one, whole.
FileState ReadLayerFile(const std::string& path, std::string& data, std::string& error) {
  data.clear();
  Descriptor file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.get() < 0) {
    if (errno == ENOENT) return FileState::Missing;
    error = std::strerror(errno);
    return FileState::Failed;
  }
  struct stat info;
  if (fstat(file.get(), &info) != 0) {
    error = std::strerror(errno);
    return FileState::Failed;
  }
  if (!S_ISREG(info.st_mode)) {
    error = "not a regular file";
    return FileState::Failed;
  }
  const auto tooLarge = [&] {
    data.clear();
    error = "larger than " + std::to_string(kMaxFileBytes) + " bytes";
    return FileState::Failed;
  };
  if (static_cast<std::uintmax_t>(info.st_size) > kMaxFileBytes) return tooLarge();
  data.reserve(static_cast<std::size_t>(info.st_size));
  char chunk[16384];
  for (;;) {
    const ssize_t got = read(file.get(), chunk, sizeof chunk);
    if (got == 0) return FileState::Read;
    if (got < 0) {
      if (errno == EINTR) continue;
      data.clear();
      error = "a read failed";
      return FileState::Failed;
    }
    if (data.size() + static_cast<std::size_t>(got) > kMaxFileBytes) return tooLarge();
    data.append(chunk, static_cast<std::size_t>(got));
  }
}

// A damaged file would otherwise repeat its complaint on every read (or write) of every value.
void ReportOnce(const std::string& path, const std::string& reason, const char* outcome) {
  static std::mutex mutex;
  static std::set<std::string> reported;
  const std::lock_guard<std::mutex> lock(mutex);
  if (!reported.insert(path + '\n' + outcome).second) return;
  std::fprintf(stderr, "Ironwood: settings file %s cannot be read (%s); %s\n", path.c_str(),
               reason.c_str(), outcome);
}

// The layer's values; empty when the file is missing or cannot be read.
RegDocument LoadLayer(const std::string& path) {
  RegDocument document;
  std::string data, error;
  const FileState state = ReadLayerFile(path, data, error);
  if (state == FileState::Failed ||
      (state == FileState::Read && !ParseRegText(data, document, error))) {
    ReportOnce(path, error, "using no settings from it");
  }
  return document;
}

bool HasControlByte(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) < 0x20) return true;
  }
  return false;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Creates the missing folders private to the user, as the settings folder should be. Errors
// show up when the lock file is opened inside it.
void MakeFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
       slash = folder.find('/', slash + 1)) {
    mkdir(folder.substr(0, slash).c_str(), 0700);
  }
  mkdir(folder.c_str(), 0700);
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t wrote = write(fd, data.data(), data.size());
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(wrote));
  }
  return true;
}

// Writes the complete new file beside the old one, on disk before it can replace it.
bool WriteTemporary(const std::string& path, std::string_view data, mode_t mode) {
  unlink(path.c_str());  // a leftover from a write that was cut off; we hold the lock
  Descriptor file(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (file.get() < 0) return false;
  const bool written =
      WriteAll(file.get(), data) && fchmod(file.get(), mode) == 0 && fsync(file.get()) == 0;
  if (file.Close() && written) return true;
  unlink(path.c_str());
  return false;
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

RegFileStore::RegFileStore(std::string userPath, std::string systemPath)
    : userPath_(std::move(userPath)), systemPath_(std::move(systemPath)) {}

std::optional<RegValue> RegFileStore::FindValue(SettingsRoot root, std::string_view subKey,
                                                std::string_view name) const {
  const std::string key = RegKeyPath(root, subKey);
  for (const std::string* path : {&userPath_, &systemPath_}) {
    if (path->empty()) continue;
    const RegDocument document = LoadLayer(*path);
    // A value in the user layer hides the system one, even one we cannot read as text.
    if (const RegValue* value = document.FindValue(key, name)) return *value;
  }
  return std::nullopt;
}

std::optional<std::string> RegFileStore::ReadText(SettingsRoot root, std::string_view subKey,
                                                  std::string_view name) {
  const std::optional<RegValue> value = FindValue(root, subKey, name);
  if (!value) return std::nullopt;
  std::optional<std::string> text = RegValueText(*value);
  if (text && text->size() > kMaxValueBytes) return std::nullopt;
  return text;
}

bool RegFileStore::ValueTooLong(SettingsRoot root, std::string_view subKey,
                                std::string_view name) {
  const std::optional<RegValue> value = FindValue(root, subKey, name);
  if (!value) return false;
  const std::optional<std::string> text = RegValueText(*value);
  return text && text->size() > kMaxValueBytes;
}

bool RegFileStore::WriteText(SettingsRoot root, std::string_view subKey, std::string_view name,
                             std::string_view text) {
  return WriteTexts(root, subKey, {{std::string(name), std::string(text)}});
}

bool RegFileStore::WriteTexts(SettingsRoot root, std::string_view subKey,
                              const std::vector<TextValue>& values) {
  // Key and value names cannot hold line breaks in the file, nor text a zero; refused rather
  // than stored changed.
  if (userPath_.empty() || HasControlByte(subKey)) return false;
  std::vector<const TextValue*> storable;
  for (const TextValue& value : values) {
    if (!HasControlByte(value.first) && value.second.find('\0') == std::string::npos) {
      storable.push_back(&value);
    }
  }
  const bool all = storable.size() == values.size();
  if (storable.empty()) return all;
  // A settings file that is a link to one kept elsewhere stays a link: we replace its target.
  std::string path = userPath_;
  if (char* resolved = realpath(path.c_str(), nullptr)) {
    path = resolved;
    std::free(resolved);
  }
  const std::string folder = FolderOf(path);
  MakeFolders(folder);

  // The data file is replaced by a rename, so the lock lives in a file of its own.
  Descriptor lock(open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (lock.get() < 0) return false;
  while (flock(lock.get(), LOCK_EX) != 0) {
    if (errno != EINTR) return false;
  }

  RegDocument document;
  std::string data, error;
  const FileState state = ReadLayerFile(path, data, error);
  if (state == FileState::Failed) {
    // Never replaced: what stands there is not ours to remove.
    ReportOnce(path, error, "writing no settings to it");
    return false;
  }
  const bool damaged = state == FileState::Read && !ParseRegText(data, document, error);
  mode_t mode = 0600;
  struct stat info;
  if (state == FileState::Read && stat(path.c_str(), &info) == 0) mode = info.st_mode & 07777;

  const std::string key = RegKeyPath(root, subKey);
  for (const TextValue* value : storable) document.SetText(key, value->first, value->second);
  const std::string temporary = path + ".tmp";
  if (!WriteTemporary(temporary, SerializeRegText(document), mode)) return false;

  if (damaged) {
    // Never silently lose a file someone may want to mend: keep it beside the new one.
    // A second name for it, so that readers find the damaged file until the new one replaces
    // it, never no file at all; moved only where the file system has no such links.
    const std::string aside = path + ".bad";
    unlink(aside.c_str());
    if (link(path.c_str(), aside.c_str()) != 0 && rename(path.c_str(), aside.c_str()) != 0) {
      unlink(temporary.c_str());
      return false;
    }
    std::fprintf(stderr, "Ironwood: settings file %s cannot be read (%s); moved it to %s\n",
                 path.c_str(), error.c_str(), aside.c_str());
  }
  if (rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  // The rename itself reaches the disk only when the folder is synced.
  Descriptor directory(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.get() >= 0) fsync(directory.get());
  return all;
}

std::string UserSettingsPath() {
  if (std::string path = Environment("IRONWOOD_SETTINGS"); !path.empty()) return path;
  // Relative XDG folders are to be ignored, as the desktop convention says.
  if (std::string config = Environment("XDG_CONFIG_HOME"); !config.empty() && config[0] == '/') {
    return config + "/ironwood/settings.reg";
  }
  std::string home = Environment("HOME");
  if (home.empty()) {
    if (const passwd* user = getpwuid(getuid()); user && user->pw_dir) home = user->pw_dir;
  }
  return home.empty() ? "" : home + "/.config/ironwood/settings.reg";
}

std::string SystemSettingsPath() {
  if (std::string path = Environment("IRONWOOD_SYSTEM_SETTINGS"); !path.empty()) return path;
  return IRONWOOD_DEFAULT_SYSTEM_SETTINGS;
}

std::unique_ptr<SettingsStore> OpenSettingsStore() {
  return std::make_unique<RegFileStore>(UserSettingsPath(), SystemSettingsPath());
}

}  // namespace ironwood::platform
