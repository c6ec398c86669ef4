#include "config/settings_transfer.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>

#include "common/settings.h"
#include "config/file_listing.h"
#include "platform/headless/memory_settings_store.h"

namespace ironwood::config {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kOldHeader = "REGEDIT4";
constexpr std::string_view kRoot = "HKEY_LOCAL_MACHINE\\";
// The 64-bit registry editor shows the 32-bit programs' keys under this folder.
constexpr std::string_view kWow64Folder = "WOW6432Node\\";
constexpr std::uintmax_t kMaxImportBytes = 1 << 20;

std::string Quote(std::string_view text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

void AppendUtf8(std::string& out, unsigned code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// UTF-16LE (after its mark) to UTF-8; false on a broken surrogate pair or an odd length.
bool Utf16ToUtf8(std::string_view data, std::string& out) {
  if (data.size() % 2 != 0) return false;
  for (std::size_t i = 0; i < data.size(); i += 2) {
    unsigned unit = static_cast<unsigned char>(data[i]) |
                    (static_cast<unsigned>(static_cast<unsigned char>(data[i + 1])) << 8);
    if (unit >= 0xD800 && unit < 0xDC00) {
      if (i + 3 >= data.size()) return false;
      const unsigned low = static_cast<unsigned char>(data[i + 2]) |
                           (static_cast<unsigned>(static_cast<unsigned char>(data[i + 3])) << 8);
      if (low < 0xDC00 || low >= 0xE000) return false;
      unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    } else if (unit >= 0xDC00 && unit < 0xE000) {
      return false;
    }
    AppendUtf8(out, unit);
  }
  return true;
}

bool SameText(std::string_view a, std::string_view b) { return SameFileName(a, b); }

bool IsOurKey(std::string_view path) {
  if (path.size() < kRoot.size() || !SameText(path.substr(0, kRoot.size()), kRoot)) return false;
  std::string_view rest = path.substr(kRoot.size());
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

// A quoted .reg string starting at text[0] == '"'; the index after its closing quote, or npos.
std::size_t ReadQuoted(std::string_view text, std::string& out) {
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] == '\\') {
      if (++i == text.size()) return std::string_view::npos;
      out += text[i];
    } else if (text[i] == '"') {
      return i + 1;
    } else {
      out += text[i];
    }
  }
  return std::string_view::npos;
}

bool ReadFile(const std::string& path, std::string& data, std::string& why) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (error || !std::filesystem::exists(status)) {
    why = "\"" + path + "\" does not exist";
    return false;
  }
  if (!std::filesystem::is_regular_file(status)) {
    why = "\"" + path + "\" is not a plain file";
    return false;
  }
  const auto size = std::filesystem::file_size(path, error);
  if (error || size > kMaxImportBytes) {
    why = "\"" + path + "\" is larger than a settings file can be";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (!in && !in.eof()) {
    why = "\"" + path + "\" could not be read";
    return false;
  }
  return true;
}

}  // namespace

std::string ExportSettingsText(const ConfigSettings& settings) {
  // The sheet's own write pass, into memory, gives the names and the order.
  struct Recorder : platform::SettingsStore {
    std::string lines;
    std::optional<std::string> ReadText(platform::SettingsRoot, std::string_view,
                                        std::string_view) override {
      return std::nullopt;
    }
    bool WriteText(platform::SettingsRoot, std::string_view, std::string_view name,
                   std::string_view text) override {
      lines += Quote(name) + "=" + Quote(text) + "\r\n";
      return true;
    }
  } recorder;
  SaveSettings(recorder, settings);
  return std::string(kHeader) + "\r\n\r\n[" + std::string(kRoot) + std::string(settings::kKey) +
         "]\r\n" + recorder.lines + "\r\n";
}

bool ImportSettingsText(std::string_view data, ConfigSettings& settings, std::string* why) {
  auto fail = [why](std::string reason) {
    if (why) *why = std::move(reason);
    return false;
  };
  std::string text;
  if (data.size() >= 2 && static_cast<unsigned char>(data[0]) == 0xFF &&
      static_cast<unsigned char>(data[1]) == 0xFE) {
    if (!Utf16ToUtf8(data.substr(2), text)) return fail("the UTF-16 text is broken");
  } else if (data.size() >= 3 && data.substr(0, 3) == "\xEF\xBB\xBF") {
    text = data.substr(3);
  } else {
    text = data;
  }

  platform::MemorySettingsStore values;
  bool headerSeen = false;
  bool inOurKey = false;
  bool keySeen = false;
  std::size_t lineNumber = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    start = end + 1;
    ++lineNumber;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
      line.remove_suffix(1);
    }
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    const std::string where = "line " + std::to_string(lineNumber) + ": ";
    if (line.empty() || line.front() == ';') continue;
    if (!headerSeen) {
      if (line != kHeader && line != kOldHeader) {
        return fail(where + "a settings file starts with \"" + std::string(kHeader) + "\"");
      }
      headerSeen = true;
      continue;
    }
    if (line.front() == '[') {
      if (line.back() != ']') return fail(where + "the key line has no closing bracket");
      const std::string_view path = line.substr(1, line.size() - 2);
      if (!path.empty() && path.front() == '-') {
        return fail(where + "a key that removes keys is not a setting");
      }
      inOurKey = IsOurKey(path);
      keySeen = keySeen || inOurKey;
      if (!inOurKey) {
        return fail(where + "the key [" + std::string(path) + "] is not the key of these settings");
      }
      continue;
    }
    if (!inOurKey) return fail(where + "a value comes before the key line");
    if (line.front() != '"') return fail(where + "a value line starts with its quoted name");
    std::string name;
    const std::size_t afterName = ReadQuoted(line, name);
    if (afterName == std::string_view::npos) return fail(where + "the name's quote is not closed");
    if (afterName >= line.size() || line[afterName] != '=') {
      return fail(where + "\"" + name + "\" has no '=' after its name");
    }
    const std::string_view value = line.substr(afterName + 1);
    std::string content;
    if (!value.empty() && value.front() == '"') {
      const std::size_t afterValue = ReadQuoted(value, content);
      if (afterValue != value.size()) {
        return fail(where + "the text of \"" + name + "\" is not one closed quoted string");
      }
    } else if (value.size() == 14 && SameText(value.substr(0, 6), "dword:")) {
      unsigned long number = 0;
      for (char c : value.substr(6)) {
        const char* digits = "0123456789abcdef";
        const char* found = std::strchr(digits, c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
        if (!found || c == '\0') return fail(where + "the dword of \"" + name + "\" is not hex");
        number = number * 16 + static_cast<unsigned long>(found - digits);
      }
      content = std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(number)));
    } else {
      return fail(where + "the value of \"" + name + "\" is neither quoted text nor a dword");
    }
    if (content.size() > platform::SettingsStore::kMaxValueBytes) {
      return fail(where + "the value of \"" + name + "\" is longer than 1024 bytes");
    }
    if (SameText(name, settings::kWorkingDirectory) || SameText(name, settings::kPassword)) {
      continue;
    }
    values.WriteText(platform::SettingsRoot::LocalMachine, settings::kKey, name, content);
  }
  if (!headerSeen) return fail("the file is empty");
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

  ConfigSettings settings;
  LoadSettings(store, settings);
  if (mode == "--export") {
    const std::string text = ExportSettingsText(settings);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    bool written = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const int error = errno;
    if (file && std::fclose(file) != 0) written = false;
    if (!written) {
      return TransferResult{1, "The settings could not be written to \"" + path + "\": " +
                                   std::strerror(file ? errno : error) + "."};
    }
    return TransferResult{0, {}};
  }

  if (sheetMayBeOpen) {
    return TransferResult{1, "The configuration sheet is open; close it before importing "
                             "settings, or its OK would write over them."};
  }
  std::string data;
  std::string why;
  if (!ReadFile(path, data, why) || !ImportSettingsText(data, settings, &why)) {
    return TransferResult{1, "Nothing was imported: " + why + "."};
  }
  if (!SaveSettings(store, settings)) {
    return TransferResult{1, "Some settings from \"" + path + "\" could not be stored."};
  }
  return TransferResult{0, {}};
}

}  // namespace ironwood::config
