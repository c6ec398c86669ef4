#include "platform/user_folders.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <string>

namespace ironwood::platform {

namespace {

// The saver opens its files through the C runtime's narrow names, so a folder is wanted in the
// ANSI code page; one it cannot spell is tried by its short name, else given up.
std::string Narrow(const std::wstring& wide) {
  const auto convert = [](const std::wstring& text, std::string& out) {
    BOOL lossy = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, nullptr,
                                         0, nullptr, &lossy);
    if (size <= 1 || lossy) return false;
    out.assign(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, out.data(), size, nullptr,
                        nullptr);
    out.resize(static_cast<std::size_t>(size) - 1);
    return true;
  };
  std::string narrow;
  if (convert(wide, narrow)) return narrow;
  const DWORD length = GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (length == 0) return {};
  std::wstring shortName(length, L'\0');
  const DWORD written = GetShortPathNameW(wide.c_str(), shortName.data(), length);
  if (written == 0 || written >= length) return {};
  shortName.resize(written);
  return convert(shortName, narrow) ? narrow : std::string();
}

std::string KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::string folder;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path)) && path != nullptr) {
    folder = Narrow(path);
  }
  CoTaskMemFree(path);
  return folder;
}

std::string Under(std::string folder, const char* name) {
  if (folder.empty()) return {};
  if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
  folder += name;
  folder += '\\';
  return folder;
}

}  // namespace

UserFolders FindUserFolders() {
  UserFolders folders;
  // %LOCALAPPDATA% first, as the user (or a test) set it; the known folder where it is unset.
  std::string local;
  char buffer[MAX_PATH];
  const DWORD length = GetEnvironmentVariableA("LOCALAPPDATA", buffer, MAX_PATH);
  if (length > 0 && length < MAX_PATH) local.assign(buffer, length);
  if (local.empty()) local = KnownFolder(FOLDERID_LocalAppData);
  folders.state = Under(local, "Ironwood");
  folders.pictures = Under(KnownFolder(FOLDERID_Pictures), "Ironwood");
  return folders;
}

}  // namespace ironwood::platform
