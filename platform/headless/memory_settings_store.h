#pragma once

#include <map>
#include <string>
#include <tuple>

#include "platform/settings_store.h"

namespace ironwood::platform {

// A settings store held in memory, for tests and offscreen runs. Keys and names compare exactly
// (callers use the system's own spellings); the read limit matches the real stores.
class MemorySettingsStore : public SettingsStore {
 public:
  std::optional<std::string> ReadText(SettingsRoot root, std::string_view subKey,
                                      std::string_view name) override {
    auto found = values_.find({root, std::string(subKey), std::string(name)});
    if (found == values_.end() || found->second.size() > kMaxValueBytes) return std::nullopt;
    return found->second;
  }

  bool ValueTooLong(SettingsRoot root, std::string_view subKey,
                    std::string_view name) override {
    auto found = values_.find({root, std::string(subKey), std::string(name)});
    return found != values_.end() && found->second.size() > kMaxValueBytes;
  }

  bool WriteText(SettingsRoot root, std::string_view subKey, std::string_view name,
                 std::string_view text) override {
    if (name == failName) return false;
    values_[{root, std::string(subKey), std::string(name)}] = std::string(text);
    ++writes;
    return true;
  }

  // Writes of a value by this name fail, to test how callers carry on.
  std::string failName;
  int writes = 0;

 private:
  std::map<std::tuple<SettingsRoot, std::string, std::string>, std::string> values_;
};

}  // namespace ironwood::platform
