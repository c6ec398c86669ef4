#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/settings_store.h"

namespace ironwood::platform {

// One value of a key. Text (REG_SZ) has an empty type; every other type keeps its tag as
// written before the colon ("dword", "hex", "hex(2)", "hex(7)", ...) and its bytes, so a file
// rewritten by us keeps values we do not interpret.
struct RegValue {
  std::string name;  // "" is the key's default value, written @
  std::string text;
  std::string type;
  std::vector<std::uint8_t> bytes;
};

struct RegKey {
  std::string path;  // full path from the root, e.g. HKEY_CURRENT_USER\Control Panel\desktop
  std::vector<RegValue> values;
};

// The state a .reg file describes: keys in file order, each with its values in file order.
// Key paths and value names compare case-insensitively, as the registry compares them.
class RegDocument {
 public:
  const std::vector<RegKey>& Keys() const { return keys_; }
  const RegKey* FindKey(std::string_view path) const;
  const RegValue* FindValue(std::string_view path, std::string_view name) const;

  RegKey& AddKey(std::string_view path);                 // the existing key, or a new empty one
  void RemoveKey(std::string_view path);                 // with all its subkeys
  void SetValue(std::string_view path, RegValue value);  // replaces one of the same name
  void SetText(std::string_view path, std::string_view name, std::string_view text);
  void RemoveValue(std::string_view path, std::string_view name);

 private:
  std::vector<RegKey> keys_;
};

// A key or value line of .reg text, as ReadRegLines meets it. The views look into the text being
// read and last only as long as the handler's call.
struct RegLine {
  enum class Kind {
    kKey,           // [path]
    kKeyRemoval,    // [-path]: the key and its subkeys go
    kValue,         // "name"=data, @=data
    kValueRemoval,  // "name"=-
    kUnknownValue,  // data of no form we read; `data` holds it as written
  };
  Kind kind = Kind::kKey;
  int number = 0;         // the line's number from 1 (the first line of continued hex data)
  std::string_view text;  // the line without its surrounding blanks
  std::string path;       // a key line's path; for a value, the key it belongs to
  RegValue value;         // a value line's name and (for kValue) its data
  std::string_view data;  // kUnknownValue: what follows the '='
};

// What to do with one line: false refuses the file, with the reason (without the line number)
// in `why`.
using RegLineHandler = std::function<bool(const RegLine& line, std::string& why)>;

// Reads .reg text (UTF-8, or UTF-16LE with its byte-order mark; blank and comment lines may come
// before the header) and hands each key and value line to `handle` in file order. Stops at the
// first fault, of the text or of the handler, with the reason in `error` ("line 7: ...", or a
// fault of the whole file such as "the file is empty").
bool ReadRegLines(std::string_view data, const RegLineHandler& handle, std::string& error);

// Reads .reg text into a document. On failure the document is left empty and the reason is
// stored in error.
bool ParseRegText(std::string_view data, RegDocument& document, std::string& error);

// Writes the document as UTF-8 .reg text that ParseRegText reads back to the same values, each
// line ended by `lineEnd` (the registry editor's own files end lines with CR LF).
std::string SerializeRegText(const RegDocument& document, std::string_view lineEnd = "\n");

// What a read of the value gives: text, REG_EXPAND_SZ unexpanded, REG_DWORD as decimal text;
// nothing for other types.
std::optional<std::string> RegValueText(const RegValue& value);

std::string_view RegRootName(SettingsRoot root);
std::string RegKeyPath(SettingsRoot root, std::string_view subKey);

}  // namespace ironwood::platform
