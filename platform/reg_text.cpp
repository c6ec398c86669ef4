#include "platform/reg_text.h"

#include <algorithm>
#include <cstdio>

namespace ironwood::platform {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kOldHeader = "REGEDIT4";

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Upper(x) == Upper(y); });
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Appends UTF-16LE units as UTF-8, stopping at a zero unit when stopAtZero. With lowAsBytes,
// units up to 0xFF are those bytes: our writer widens each byte of text it cannot quote, so any
// bytes come back unchanged. False on a lone surrogate.
bool AppendUtf16(const std::uint8_t* p, std::size_t units, bool lowAsBytes, bool stopAtZero,
                 std::string& out) {
  const auto unit = [p](std::size_t i) -> std::uint32_t { return p[2 * i] | (p[2 * i + 1] << 8); };
  for (std::size_t i = 0; i < units; ++i) {
    std::uint32_t c = unit(i);
    if (c == 0 && stopAtZero) break;
    if (lowAsBytes && c <= 0xFF) {
      out += static_cast<char>(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= units || unit(i + 1) < 0xDC00 || unit(i + 1) > 0xDFFF) return false;
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(++i) - 0xDC00);
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
    AppendUtf8(out, c);
  }
  return true;
}

unsigned Dword(const std::vector<std::uint8_t>& b) {
  return b[0] | b[1] << 8 | b[2] << 16 | static_cast<unsigned>(b[3]) << 24;
}

bool HasControlByte(std::string_view s) {
  return std::any_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

void AppendQuoted(std::string& out, std::string_view s) {
  out += '"';
  for (char c : s) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
}

// Writes bytes as regedit does: two hex digits each, comma-separated, lines continued with a
// backslash so they stay readable.
void AppendHex(std::string& out, std::string_view type, const std::vector<std::uint8_t>& bytes,
               std::size_t column, std::string_view lineEnd) {
  out += type;
  out += ':';
  column += type.size() + 1;
  char digits[3];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
    out += digits;
    column += 3;
    if (i + 1 == bytes.size()) break;
    out += ',';
    if (column > 76) {
      out += '\\';
      out += lineEnd;
      out += "  ";
      column = 2;
    }
  }
}

bool SameStart(std::string_view text, std::string_view start) {
  return text.size() >= start.size() && SameName(text.substr(0, start.size()), start);
}

class LineReader {
 public:
  LineReader(std::string_view text, const RegLineHandler& handle) : text_(text), handle_(handle) {}

  bool Run(std::string& error) {
    std::string_view line;
    // Blank and comment lines may stand before the header.
    do {
      if (!NextLine(line)) {
        error = "the file is empty";
        return false;
      }
      line = Trim(line);
    } while (line.empty() || line.front() == ';');
    if (line != kHeader && line != kOldHeader) {
      return Fail(error, "a settings file starts with \"" + std::string(kHeader) + "\"");
    }
    // The old format keeps REG_SZ and REG_EXPAND_SZ data as single bytes, the new as UTF-16.
    wide_ = line == kHeader;
    while (NextLine(line)) {
      if (line.find('\0') != std::string_view::npos) return Fail(error, "NUL byte");
      line = Trim(line);
      if (line.empty() || line.front() == ';') continue;
      RegLine read;
      read.number = number_;
      read.text = line;
      if (line.front() == '[') {
        if (!ParseKey(line, read)) return Fail(error, what_);
      } else if (line.front() == '"' || line.front() == '@') {
        if (!keySeen_) return Fail(error, "a value comes before the key line");
        if (!inKey_) return Fail(error, "value outside a key");
        read.path = key_;
        if (!ParseValue(line, read)) return Fail(error, what_);
      } else {
        return Fail(error, "a value line starts with its quoted name");
      }
      std::string why;
      if (!handle_(read, why)) {
        number_ = read.number;
        return Fail(error, why);
      }
    }
    return true;
  }

 private:
  bool NextLine(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    std::size_t end = std::min(text_.find('\n', pos_), text_.size());
    line = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    ++number_;
    return true;
  }

  // Line ends may be CR LF, and a hand-edited file may leave blanks around a line.
  static std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
      s.remove_suffix(1);
    }
    return s;
  }

  bool Fail(std::string& error, std::string_view what) {
    error = "line " + std::to_string(number_) + ": " + std::string(what);
    return false;
  }

  bool Bad(std::string what) {
    what_ = std::move(what);
    return false;
  }

  bool ParseKey(std::string_view line, RegLine& read) {
    if (line.size() < 2 || line.back() != ']') return Bad("the key line has no closing bracket");
    std::string_view path = line.substr(1, line.size() - 2);
    const bool remove = !path.empty() && path.front() == '-';
    if (remove) path.remove_prefix(1);
    read.kind = remove ? RegLine::Kind::kKeyRemoval : RegLine::Kind::kKey;
    read.path = path;
    key_ = path;
    keySeen_ = true;
    inKey_ = !remove;
    return true;
  }

  // A quoted string starting at s[at]; leaves at just past the closing quote. Only \\ and \" are
  // escapes: a lone backslash (a path written by hand) would otherwise vanish unseen.
  bool ParseQuoted(std::string_view s, std::size_t& at, std::string& out) {
    for (++at; at < s.size(); ++at) {
      if (s[at] == '"') {
        ++at;
        return true;
      }
      if (s[at] == '\\') {
        if (++at == s.size()) break;
        if (s[at] != '\\' && s[at] != '"') {
          return Bad("bad escape: a backslash in quoted text is written \\\\");
        }
      }
      out += s[at];
    }
    return false;
  }

  bool ParseValue(std::string_view line, RegLine& read) {
    RegValue& value = read.value;
    std::size_t at = 0;
    if (line.front() == '@') {
      at = 1;
    } else if (!ParseQuoted(line, at, value.name)) {
      return what_.empty() ? Bad("the name's quote is not closed") : false;
    }
    const std::string shown = line.front() == '@' ? "@" : "\"" + value.name + "\"";
    std::string_view data = Trim(line.substr(at));
    if (data.empty() || data.front() != '=') return Bad(shown + " has no '=' after its name");
    data = Trim(data.substr(1));
    read.kind = RegLine::Kind::kValue;
    if (data == "-") {
      read.kind = RegLine::Kind::kValueRemoval;
    } else if (!data.empty() && data.front() == '"') {
      at = 0;
      if (!ParseQuoted(data, at, value.text) || at != data.size()) {
        return what_.empty() ? Bad("the text of " + shown + " is not one closed quoted string")
                             : false;
      }
    } else if (data.size() == 14 && SameStart(data, "dword:")) {
      // Exactly eight digits, as written, so a cut-short number is refused, not misread.
      std::uint32_t number = 0;
      for (char c : data.substr(6)) {
        if (HexDigit(c) < 0) return Bad("the dword of " + shown + " is not hex");
        number = number << 4 | static_cast<std::uint32_t>(HexDigit(c));
      }
      value.type = "dword";
      for (int i = 0; i < 4; ++i) {
        value.bytes.push_back(static_cast<std::uint8_t>(number >> (8 * i)));
      }
    } else if (data.substr(0, 3) == "hex") {
      return ParseHex(data, value);
    } else {
      read.kind = RegLine::Kind::kUnknownValue;
      read.data = data;
    }
    return true;
  }

  bool ParseHex(std::string_view data, RegValue& value) {
    std::size_t at = 3;
    std::uint32_t type = 3;
    if (at < data.size() && data[at] == '(') {
      const std::size_t close = data.find(')', at);
      if (close == std::string_view::npos || close == at + 1 || close > at + 9) {
        return Bad("bad value type");
      }
      type = 0;
      for (char c : data.substr(at + 1, close - at - 1)) {
        if (HexDigit(c) < 0) return Bad("bad value type");
        type = type << 4 | static_cast<std::uint32_t>(HexDigit(c));
      }
      char tag[16];
      std::snprintf(tag, sizeof tag, "hex(%x)", static_cast<unsigned>(type));
      value.type = tag;
      at = close + 1;
    } else {
      value.type = "hex";
    }
    if (at >= data.size() || data[at] != ':') return Bad("bad value type");
    std::string joined(data.substr(at + 1));
    while (!joined.empty() && joined.back() == '\\') {
      joined.pop_back();
      std::string_view next;
      if (!NextLine(next)) return Bad("hex data cut short");
      joined += Trim(next);
    }
    std::string_view rest = Trim(joined);
    while (!rest.empty()) {
      const std::size_t comma = std::min(rest.find(','), rest.size());
      const std::string_view pair = Trim(rest.substr(0, comma));
      if (pair.size() != 2 || HexDigit(pair[0]) < 0 || HexDigit(pair[1]) < 0) {
        return Bad("bad hex data");
      }
      value.bytes.push_back(static_cast<std::uint8_t>(HexDigit(pair[0]) << 4 | HexDigit(pair[1])));
      if (comma == rest.size()) break;
      rest.remove_prefix(comma + 1);
      if (rest.empty()) return Bad("bad hex data");
    }
    return type == 1 || type == 2 ? CheckText(value, type) : true;
  }

  // REG_SZ and REG_EXPAND_SZ data must end in its zero, so data cut short is refused rather
  // than read as a shorter text. Old-format bytes are widened so we always write UTF-16.
  bool CheckText(RegValue& value, std::uint32_t type) {
    std::vector<std::uint8_t>& bytes = value.bytes;
    if (!wide_) {
      if (bytes.empty() || bytes.back() != 0) return Bad("text without its terminating zero");
      std::vector<std::uint8_t> widened;
      for (std::uint8_t b : bytes) widened.insert(widened.end(), {b, 0});
      bytes = std::move(widened);
    }
    if (bytes.size() < 2 || bytes.size() % 2 != 0 || bytes[bytes.size() - 2] != 0 ||
        bytes.back() != 0) {
      return Bad("text without its terminating zero");
    }
    std::string text;
    if (!AppendUtf16(bytes.data(), bytes.size() / 2, true, true, text)) {
      return Bad("bad UTF-16 text");
    }
    // Plain text whose only zero is its end is kept as text; anything else stays as written.
    if (type == 1) {
      std::size_t zeros = 0;
      for (std::size_t i = 0; i < bytes.size(); i += 2) zeros += bytes[i] == 0 && bytes[i + 1] == 0;
      if (zeros == 1) {
        value.type.clear();
        value.bytes.clear();
        value.text = std::move(text);
      }
    }
    return true;
  }

  std::string_view text_;
  const RegLineHandler& handle_;
  std::size_t pos_ = 0;
  int number_ = 0;
  bool wide_ = true;
  bool keySeen_ = false;
  bool inKey_ = false;  // the last key line names a key, not a removal
  std::string key_;
  std::string what_;
};

}  // namespace

const RegKey* RegDocument::FindKey(std::string_view path) const {
  for (const RegKey& key : keys_) {
    if (SameName(key.path, path)) return &key;
  }
  return nullptr;
}

const RegValue* RegDocument::FindValue(std::string_view path, std::string_view name) const {
  if (const RegKey* key = FindKey(path)) {
    for (const RegValue& value : key->values) {
      if (SameName(value.name, name)) return &value;
    }
  }
  return nullptr;
}

RegKey& RegDocument::AddKey(std::string_view path) {
  for (RegKey& key : keys_) {
    if (SameName(key.path, path)) return key;
  }
  return keys_.emplace_back(RegKey{std::string(path), {}});
}

void RegDocument::RemoveKey(std::string_view path) {
  std::erase_if(keys_, [path](const RegKey& key) {
    return SameName(std::string_view(key.path).substr(0, path.size()), path) &&
           (key.path.size() == path.size() || key.path[path.size()] == '\\');
  });
}

void RegDocument::SetValue(std::string_view path, RegValue value) {
  RegKey& key = AddKey(path);
  for (RegValue& existing : key.values) {
    if (SameName(existing.name, value.name)) {
      existing = std::move(value);
      return;
    }
  }
  key.values.push_back(std::move(value));
}

void RegDocument::SetText(std::string_view path, std::string_view name, std::string_view text) {
  SetValue(path, RegValue{std::string(name), std::string(text), {}, {}});
}

void RegDocument::RemoveValue(std::string_view path, std::string_view name) {
  for (RegKey& key : keys_) {
    if (SameName(key.path, path)) {
      std::erase_if(key.values, [name](const RegValue& v) { return SameName(v.name, name); });
    }
  }
}

bool ReadRegLines(std::string_view data, const RegLineHandler& handle, std::string& error) {
  std::string converted;
  if (data.size() >= 2 && data[0] == '\xFF' && data[1] == '\xFE') {
    // Regedit on Windows writes UTF-16LE with a byte-order mark.
    data.remove_prefix(2);
    if (data.size() % 2 != 0 || !AppendUtf16(reinterpret_cast<const std::uint8_t*>(data.data()),
                                             data.size() / 2, false, false, converted)) {
      error = "the UTF-16 text is broken";
      return false;
    }
    data = converted;
  } else if (data.substr(0, 3) == "\xEF\xBB\xBF") {
    data.remove_prefix(3);
  }
  return LineReader(data, handle).Run(error);
}

bool ParseRegText(std::string_view data, RegDocument& document, std::string& error) {
  document = RegDocument();
  const bool read = ReadRegLines(
      data,
      [&document](const RegLine& line, std::string& why) {
        switch (line.kind) {
          case RegLine::Kind::kKey:
            if (line.path.empty()) break;
            document.AddKey(line.path);
            return true;
          case RegLine::Kind::kKeyRemoval:
            if (line.path.empty()) break;
            document.RemoveKey(line.path);
            return true;
          case RegLine::Kind::kValue:
            document.SetValue(line.path, line.value);
            return true;
          case RegLine::Kind::kValueRemoval:
            document.RemoveValue(line.path, line.value.name);
            return true;
          case RegLine::Kind::kUnknownValue:
            why = SameStart(line.data, "dword:") ? "bad dword" : "unknown value type";
            return false;
        }
        why = "empty key name";
        return false;
      },
      error);
  if (!read) document = RegDocument();
  return read;
}

std::string SerializeRegText(const RegDocument& document, std::string_view lineEnd) {
  std::string out(kHeader);
  out += lineEnd;
  out += lineEnd;
  for (const RegKey& key : document.Keys()) {
    out += '[' + key.path + ']';
    out += lineEnd;
    for (const RegValue& value : key.values) {
      const std::size_t start = out.size();
      if (value.name.empty()) {
        out += '@';
      } else {
        AppendQuoted(out, value.name);
      }
      out += '=';
      if (value.type == "dword" && value.bytes.size() == 4) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "dword:%08x", Dword(value.bytes));
        out += digits;
      } else if (!value.type.empty()) {
        AppendHex(out, value.type, value.bytes, out.size() - start, lineEnd);
      } else if (HasControlByte(value.text)) {
        // A quoted string cannot hold a line break; each byte widened to a UTF-16 unit can.
        std::vector<std::uint8_t> units;
        for (char c : value.text) units.insert(units.end(), {static_cast<std::uint8_t>(c), 0});
        units.insert(units.end(), {0, 0});
        AppendHex(out, "hex(1)", units, out.size() - start, lineEnd);
      } else {
        AppendQuoted(out, value.text);
      }
      out += lineEnd;
    }
    out += lineEnd;
  }
  return out;
}

std::optional<std::string> RegValueText(const RegValue& value) {
  if (value.type.empty()) return value.text;
  if (value.type == "dword" && value.bytes.size() == 4) {
    return std::to_string(Dword(value.bytes));
  }
  if (value.type == "hex(1)" || value.type == "hex(2)") {
    std::string text;
    if (AppendUtf16(value.bytes.data(), value.bytes.size() / 2, true, true, text)) return text;
  }
  return std::nullopt;
}

std::string_view RegRootName(SettingsRoot root) {
  return root == SettingsRoot::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

std::string RegKeyPath(SettingsRoot root, std::string_view subKey) {
  std::string path(RegRootName(root));
  if (!subKey.empty()) path.append("\\").append(subKey);
  return path;
}

}  // namespace ironwood::platform
