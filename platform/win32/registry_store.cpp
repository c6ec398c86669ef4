#include <windows.h>

#include <string>

#include "platform/settings_store.h"

namespace ironwood::platform {

namespace {

HKEY RootKey(SettingsRoot root) {
  return root == SettingsRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// Both builds, 32-bit and 64-bit, use the 32-bit view of the machine root, so they share one set
// of settings (and any installation made by a 32-bit installer).
constexpr REGSAM kView = KEY_WOW64_32KEY;

class RegistryStore : public SettingsStore {
 public:
  std::optional<std::string> ReadText(SettingsRoot root, std::string_view subKey,
                                      std::string_view name) override {
    HKEY key = nullptr;
    // Reading needs no write access: an ordinary user may not open the machine key for writing.
    if (RegOpenKeyExA(RootKey(root), std::string(subKey).c_str(), 0, KEY_QUERY_VALUE | kView,
                      &key) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    // One byte beyond the largest value, so a value of exactly the limit can still be ended.
    char buffer[kMaxValueBytes + 1] = {};
    DWORD size = kMaxValueBytes;
    DWORD type = 0;
    const LONG status = RegQueryValueExA(key, std::string(name).c_str(), nullptr, &type,
                                         reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return std::nullopt;
    if (type == REG_DWORD && size == sizeof(DWORD)) {
      DWORD number = 0;
      memcpy(&number, buffer, sizeof number);
      return std::to_string(number);
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    // Text may be stored with or without its terminating zero; it ends at the first zero.
    std::string text(buffer, size);
    const std::size_t end = text.find('\0');
    if (end != std::string::npos) text.resize(end);
    return text;
  }

  bool ValueTooLong(SettingsRoot root, std::string_view subKey,
                    std::string_view name) override {
    HKEY key = nullptr;
    if (RegOpenKeyExA(RootKey(root), std::string(subKey).c_str(), 0, KEY_QUERY_VALUE | kView,
                      &key) != ERROR_SUCCESS) {
      return false;
    }
    // Only the size: ReadText's buffer holds kMaxValueBytes, so anything larger read as absent.
    DWORD size = 0;
    DWORD type = 0;
    const LONG status =
        RegQueryValueExA(key, std::string(name).c_str(), nullptr, &type, nullptr, &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ) &&
           size > kMaxValueBytes;
  }

  bool WriteText(SettingsRoot root, std::string_view subKey, std::string_view name,
                 std::string_view text) override {
    HKEY key = nullptr;
    if (RegCreateKeyExA(RootKey(root), std::string(subKey).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | kView, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
      return false;
    }
    // Stored with its terminating zero, as the registry documents for text values.
    const std::string value(text);
    const LONG status = RegSetValueExA(key, std::string(name).c_str(), 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
  }
};

}  // namespace

std::unique_ptr<SettingsStore> OpenSettingsStore() {
  return std::make_unique<RegistryStore>();
}

}  // namespace ironwood::platform
