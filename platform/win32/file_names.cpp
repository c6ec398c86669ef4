#include "platform/file_names.h"

#include <windows.h>

namespace ironwood::platform {

namespace {

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int length =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

// `wide` in the ANSI code page with `flags`; false when the call fails.
bool Convert(const std::wstring& wide, DWORD flags, BOOL* usedDefault, std::string* narrow) {
  const int size = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(CP_ACP, flags, wide.data(), size, nullptr, 0, nullptr, usedDefault);
  narrow->assign(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  if (length <= 0) return false;
  WideCharToMultiByte(CP_ACP, flags, wide.data(), size, narrow->data(), length, nullptr,
                      usedDefault);
  return true;
}

// The name in the ANSI code page; false when a character has no exact form there (a near
// look-alike would name another file, so none is taken), and then `narrow` has '?' for it.
bool Narrow(const std::wstring& wide, std::string* narrow) {
  // A UTF-8 code page takes neither the best-fit flag nor the default-character question; it
  // fails on what it cannot write (a lone surrogate) instead.
  const bool utf8 = GetACP() == CP_UTF8;
  BOOL usedDefault = FALSE;
  if (Convert(wide, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS,
              utf8 ? nullptr : &usedDefault, narrow) &&
      !usedDefault) {
    return true;
  }
  Convert(wide, 0, nullptr, narrow);
  return false;
}

}  // namespace

FolderFiles ListPlainFiles(const std::string& folder) {
  FolderFiles files;
  std::wstring pattern = Wide(folder);
  if (pattern.empty()) return files;
  if (pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return files;
  do {
    if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) continue;
    std::string name;
    if (Narrow(found.cFileName, &name)) {
      files.names.push_back(std::move(name));
    } else {
      files.unshowable.push_back(std::move(name));
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return files;
}

std::filesystem::path NativePath(const std::string& name) {
  // Built from the wide text, so the library never converts (and never throws) itself.
  return std::filesystem::path(Wide(name));
}

}  // namespace ironwood::platform
