#include "config/settings_transfer.h"

#include <cstdint>

#include "common/settings.h"
#include "config/file_listing.h"
#include "platform/file_bytes.h"
#include "platform/file_replace.h"
#include "platform/headless/memory_settings_store.h"
#include "platform/reg_text.h"

namespace ironwood::config {

namespace {

// The 64-bit registry editor shows the 32-bit programs' keys under this folder.
constexpr std::string_view kWow64Folder = "WOW6432Node\\";
constexpr std::uintmax_t kMaxImportBytes = 1 << 20;

bool SameText(std::string_view a, std::string_view b) { return SameFileName(a, b); }

bool IsOurKey(std::string_view path) {
  const std::string root = platform::RegKeyPath(platform::SettingsRoot::LocalMachine, "") + "\\";
  if (path.size() < root.size() || !SameText(path.substr(0, root.size()), root)) return false;
  std::string_view rest = path.substr(root.size());
  const std::string_view software = "software\\";
  if (rest.size() > software.size() + kWow64Folder.size() &&
      SameText(rest.substr(0, software.size()), software) &&
      SameText(rest.substr(software.size(), kWow64Folder.size()), kWow64Folder)) {
    const std::string plain = std::string(software) +
                              std::string(rest.substr(software.size() + kWow64Folder.size()));
    return SameText(plain, settings::kKey);
  }
  return SameText(rest, settings::kKey);
}

bool ReadImportFile(const std::string& path, std::string& data, std::string& why) {
  const std::string shown = "\"" + path + "\"";
  switch (platform::ReadWholeFile(path, kMaxImportBytes, &data)) {
    case platform::FileFault::kNone:
      return true;
    case platform::FileFault::kMissing:
      why = shown + " does not exist";
      break;
    case platform::FileFault::kNotRegular:
      why = shown + " is not a plain file";
      break;
    case platform::FileFault::kTooLarge:
      why = shown + " is larger than a settings file can be";
      break;
    case platform::FileFault::kUnreadable:
      why = shown + " could not be read";
      break;
  }
  return false;
}

// One value line of an import: the text it stores, or false with the reason.
bool ImportedText(const platform::RegLine& line, std::string& content, std::string& why) {
  const std::string shown = "\"" + line.value.name + "\"";
  const platform::RegValue& value = line.value;
  if (line.kind == platform::RegLine::Kind::kValue && value.type.empty()) {
    // Also text the codec could not quote (a tab, a line break), written as REG_SZ data.
    content = value.text;
  } else if (line.kind == platform::RegLine::Kind::kValue && value.type == "dword") {
    // Read as the C runtime reads a stored number: ffffffff is -1.
    const std::uint32_t number = value.bytes[0] | value.bytes[1] << 8 | value.bytes[2] << 16 |
                                 static_cast<std::uint32_t>(value.bytes[3]) << 24;
    content = std::to_string(static_cast<std::int32_t>(number));
  } else {
    why = "the value of " + shown + " is neither quoted text nor a dword";
    return false;
  }
  if (content.size() > platform::SettingsStore::kMaxValueBytes) {
    why = "the value of " + shown + " is longer than 1024 bytes";
    return false;
  }
  return true;
}

}  // namespace

std::string ExportSettingsText(const ConfigSettings& settings) {
  const std::string key = platform::RegKeyPath(platform::SettingsRoot::LocalMachine,
                                               settings::kKey);
  platform::RegDocument document;
  document.AddKey(key);
  for (const auto& [name, text] : SheetValues(settings)) document.SetText(key, name, text);
  return platform::SerializeRegText(document, "\r\n");
}

std::string ExportStoredSettings(platform::SettingsStore& store, std::string* report) {
  ConfigSettings settings;
  LoadSettings(store, settings);
  const std::string key = platform::RegKeyPath(platform::SettingsRoot::LocalMachine,
                                               settings::kKey);
  platform::RegDocument document;
  document.AddKey(key);
  std::string told;
  // Each list's count and entry names, and how many of its entries the store lacks.
  struct Count {
    std::string_view name;
    std::vector<std::string_view> entries;
    std::size_t missing = 0;
  };
  Count counts[] = {{settings::kNumScenarios, {settings::kScenario}, 0},
                    {settings::kNumMP3s, {settings::kMP3, settings::kMP3Path}, 0}};
  auto isEntry = [](std::string_view name, const Count& count) {
    for (std::string_view base : count.entries) {
      if (name.size() > base.size() && name.substr(0, base.size()) == base &&
          name[base.size()] == '(') {
        return true;
      }
    }
    return false;
  };

  for (const auto& [name, sheetText] : SheetValues(settings)) {
    std::optional<std::string> stored = settings::Read(store, name);
    for (Count& count : counts) {
      // Only a count outside what a list holds reads as another number.
      if (name == count.name && stored &&
          settings::TextToInt(*stored) != settings::TextToInt(sheetText)) {
        told += "\"" + name + "\" is \"" + *stored + "\" here; it was exported as " + sheetText +
                ". ";
        stored = sheetText;
      } else if (isEntry(name, count) && !stored) {
        // The file must hold every entry its count takes in, or it would not import.
        ++count.missing;
        stored = std::string();
      }
    }
    if (stored) document.SetText(key, name, *stored);
  }
  for (const Count& count : counts) {
    if (count.missing > 0) {
      told += std::to_string(count.missing) + " of the entries \"" + std::string(count.name) +
              "\" takes in are not stored here; they were exported empty. ";
    }
  }
  while (!told.empty() && told.back() == ' ') told.pop_back();
  if (report) *report = told;
  return platform::SerializeRegText(document, "\r\n");
}

bool ImportSettingsText(std::string_view data, ConfigSettings& settings, std::string* why,
                        std::vector<std::string>* named) {
  auto fail = [why](std::string reason) {
    if (why) *why = std::move(reason);
    return false;
  };
  platform::MemorySettingsStore values;
  std::vector<std::string> names;
  bool keySeen = false;
  std::string error;
  const bool read = platform::ReadRegLines(
      data,
      [&values, &names, &keySeen](const platform::RegLine& line, std::string& reason) {
        using Kind = platform::RegLine::Kind;
        if (line.kind == Kind::kKeyRemoval) {
          reason = "a key that removes keys is not a setting";
          return false;
        }
        if (line.kind == Kind::kKey) {
          if (!IsOurKey(line.path)) {
            reason = "the key [" + line.path + "] is not the key of these settings";
            return false;
          }
          keySeen = true;
          return true;
        }
        if (line.text.front() != '"') {
          reason = "a value line starts with its quoted name";
          return false;
        }
        std::string content;
        if (!ImportedText(line, content, reason)) return false;
        const std::string& name = line.value.name;
        if (!SameText(name, settings::kWorkingDirectory) && !SameText(name, settings::kPassword)) {
          values.WriteText(platform::SettingsRoot::LocalMachine, settings::kKey, name, content);
          names.push_back(name);
        }
        return true;
      },
      error);
  if (!read) return fail(error);
  if (!keySeen) return fail("the file holds no key of these settings");

  // Every list the file counts must be there whole.
  struct List {
    std::string_view count;
    std::vector<std::string_view> entries;
  };
  const List lists[] = {{settings::kNumScenarios, {settings::kScenario}},
                        {settings::kNumMP3s, {settings::kMP3, settings::kMP3Path}}};
  for (const List& list : lists) {
    const auto countText = settings::Read(values, list.count);
    if (!countText) continue;
    const int count = settings::TextToInt(*countText);
    if (count < 0 || count > ConfigSettings::kMaxListEntries) {
      return fail("\"" + std::string(list.count) + "\" is " + *countText + "; it must be 0 to " +
                  std::to_string(ConfigSettings::kMaxListEntries));
    }
    for (std::string_view base : list.entries) {
      for (int i = 0; i < count; ++i) {
        const std::string name = settings::IndexedName(base, i);
        if (!settings::Read(values, name)) {
          return fail("\"" + std::string(list.count) + "\" counts " + std::to_string(count) +
                      " but \"" + name + "\" is missing");
        }
      }
    }
  }
  LoadSettings(values, settings);
  if (named) *named = std::move(names);
  return true;
}

std::optional<TransferResult> RunSettingsTransfer(const std::vector<std::string>& args,
                                                  platform::SettingsStore& store,
                                                  bool sheetMayBeOpen) {
  std::string mode;
  std::string path;
  for (std::size_t i = 0; i < args.size(); ++i) {
    for (std::string_view option : {"--export", "--import"}) {
      const std::string withValue = std::string(option) + "=";
      if (args[i] == option) {
        if (!mode.empty() || i + 1 >= args.size()) {
          return TransferResult{2, "usage: StarfraySSConfig [--export FILE | --import FILE]"};
        }
        mode = option;
        path = args[++i];
      } else if (args[i].rfind(withValue, 0) == 0) {
        if (!mode.empty()) {
          return TransferResult{2, "usage: StarfraySSConfig [--export FILE | --import FILE]"};
        }
        mode = option;
        path = args[i].substr(withValue.size());
      }
    }
  }
  if (mode.empty()) return std::nullopt;
  if (path.empty()) return TransferResult{2, "usage: StarfraySSConfig [--export FILE | --import FILE]"};

  if (mode == "--export") {
    std::string repairs;
    const std::string text = ExportStoredSettings(store, &repairs);
    std::string why;
    if (!platform::ReplaceFileAtomically(path, text, &why)) {
      return TransferResult{1, "The settings could not be written to \"" + path + "\": " + why +
                                   "."};
    }
    return TransferResult{0, repairs};
  }
  ConfigSettings settings;
  LoadSettings(store, settings);

  if (sheetMayBeOpen) {
    return TransferResult{1, "The configuration sheet is open; close it before importing "
                             "settings, or its OK would write over them."};
  }
  std::string data;
  std::string why;
  std::vector<std::string> named;
  if (!ReadImportFile(path, data, why) || !ImportSettingsText(data, settings, &why, &named)) {
    return TransferResult{1, "Nothing was imported: " + why + "."};
  }
  // Only what the file gives: a value it lacks stays as stored, or absent, here too.
  std::vector<platform::TextValue> values;
  for (platform::TextValue& value : SheetValues(settings)) {
    for (const std::string& name : named) {
      if (SameText(name, value.first)) {
        values.push_back(std::move(value));
        break;
      }
    }
  }
  if (!store.WriteTexts(platform::SettingsRoot::LocalMachine, settings::kKey, values)) {
    return TransferResult{1, "Some settings from \"" + path + "\" could not be stored."};
  }
  return TransferResult{0, {}};
}

}  // namespace ironwood::config
