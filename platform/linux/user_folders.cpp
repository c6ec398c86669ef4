#include "platform/user_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/file_bytes.h"

namespace ironwood::platform {

namespace {

// A user-dirs.dirs is a few lines; anything larger is not one.
constexpr std::uintmax_t kUserDirsLimit = 64 * 1024;

// The base directory variables count only when absolute (relative ones are to be ignored).
std::string AbsoluteVariable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || value[0] != '/') return {};
  return value;
}

std::string HomeFolder() {
  std::string home = AbsoluteVariable("HOME");
  if (!home.empty()) return home;
  // A daemon may start the saver without HOME; the password database still knows it.
  const long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr && found->pw_dir[0] == '/') {
    return found->pw_dir;
  }
  return {};
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// `folder`/`name`/, the root folder included.
std::string Under(std::string folder, std::string_view name) {
  folder = WithoutTrailingSlashes(std::move(folder));
  if (folder.back() != '/') folder += '/';
  folder += name;
  folder += '/';
  return folder;
}

// The folder one line `XDG_PICTURES_DIR="$HOME/Pictures"` (or "/absolute") names; empty when
// the line is not that assignment or its value is neither form.
std::string PicturesLine(std::string_view line, const std::string& home) {
  const auto skipBlanks = [&line] {
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  };
  skipBlanks();
  constexpr std::string_view kName = "XDG_PICTURES_DIR";
  if (line.substr(0, kName.size()) != kName) return {};
  line.remove_prefix(kName.size());
  skipBlanks();
  if (line.empty() || line.front() != '=') return {};
  line.remove_prefix(1);
  skipBlanks();
  if (line.empty() || line.front() != '"') return {};
  line.remove_prefix(1);
  // The file is written for the shell: a backslash keeps the next character as it is.
  std::string value;
  bool closed = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\' && i + 1 < line.size()) {
      value += line[++i];
    } else if (line[i] == '"') {
      closed = true;
      break;
    } else {
      value += line[i];
    }
  }
  if (!closed) return {};
  constexpr std::string_view kHome = "$HOME";
  if (value.compare(0, kHome.size(), kHome) == 0 &&
      (value.size() == kHome.size() || value[kHome.size()] == '/')) {
    if (home.empty()) return {};
    return WithoutTrailingSlashes(home + value.substr(kHome.size()));
  }
  if (value.empty() || value.front() != '/') return {};
  return WithoutTrailingSlashes(value);
}

std::string PicturesFolder(const std::string& home) {
  std::string config = AbsoluteVariable("XDG_CONFIG_HOME");
  if (config.empty() && !home.empty()) config = home + "/.config";
  std::string pictures;
  std::string text;
  if (!config.empty() &&
      ReadWholeFile(config + "/user-dirs.dirs", kUserDirsLimit, &text) == FileFault::kNone) {
    std::string_view rest = text;
    while (!rest.empty()) {
      const std::size_t end = rest.find('\n');
      const std::string_view line = rest.substr(0, end);
      rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
      // The last assignment wins, as when the shell reads the file.
      if (std::string found = PicturesLine(line, home); !found.empty()) pictures = found;
    }
  }
  if (pictures.empty() && !home.empty()) pictures = home + "/Pictures";
  return pictures;
}

}  // namespace

UserFolders FindUserFolders() {
  const std::string home = HomeFolder();
  UserFolders folders;
  std::string state = AbsoluteVariable("XDG_STATE_HOME");
  if (state.empty() && !home.empty()) state = home + "/.local/state";
  if (!state.empty()) folders.state = Under(state, "ironwood");
  const std::string pictures = PicturesFolder(home);
  if (!pictures.empty()) folders.pictures = Under(pictures, "Ironwood");
  return folders;
}

}  // namespace ironwood::platform
