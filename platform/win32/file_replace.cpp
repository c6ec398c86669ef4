#include <windows.h>

#include <atomic>
#include <string>

#include "platform/file_replace.h"

namespace ironwood::platform {

namespace {

std::atomic<bool> failNextWrite{false};

std::string SystemReason(DWORD error) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string reason = length && text ? std::string(text, length) : "error " + std::to_string(error);
  if (text) LocalFree(text);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                             reason.back() == ' ' || reason.back() == '.')) {
    reason.pop_back();
  }
  return reason;
}

bool WriteAll(HANDLE file, std::string_view data) {
  if (failNextWrite.exchange(false)) {
    DWORD wrote = 0;
    WriteFile(file, data.data(), static_cast<DWORD>(data.size() / 2), &wrote, nullptr);
    SetLastError(ERROR_DISK_FULL);
    return false;
  }
  while (!data.empty()) {
    DWORD wrote = 0;
    if (!WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &wrote, nullptr)) {
      return false;
    }
    if (wrote == 0) {
      SetLastError(ERROR_DISK_FULL);
      return false;
    }
    data.remove_prefix(wrote);
  }
  return true;
}

}  // namespace

void FailNextFileReplaceWrite() { failNextWrite = true; }

bool ReplaceFileAtomically(const std::string& path, std::string_view data, std::string* why) {
  auto fail = [why](DWORD error) {
    if (why) *why = SystemReason(error);
    return false;
  };
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return fail(ERROR_ACCESS_DENIED);  // as the system says of a folder opened for writing
  }
  // A name of its own beside the target, so the rename stays on one volume.
  std::string temporary;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; file == INVALID_HANDLE_VALUE && attempt < 100; ++attempt) {
    temporary = path + ".tmp" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(attempt);
    file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
      return fail(GetLastError());
    }
  }
  if (file == INVALID_HANDLE_VALUE) return fail(ERROR_FILE_EXISTS);
  bool done = WriteAll(file, data) && FlushFileBuffers(file);
  DWORD error = GetLastError();
  if (!CloseHandle(file) && done) {
    done = false;
    error = GetLastError();
  }
  if (done && !MoveFileExA(temporary.c_str(), path.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    done = false;
    error = GetLastError();
  }
  if (!done) {
    DeleteFileA(temporary.c_str());
    return fail(error);
  }
  return true;
}

}  // namespace ironwood::platform
