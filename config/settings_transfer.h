#pragma once

// Carrying a configuration between machines: every setting as a ".reg" file in the format the
// registry editor reads ("Windows Registry Editor Version 5.00", the key line, "name"="value"
// lines), the same on both builds.
//
// What an entry point does: it passes its arguments to RunSettingsTransfer() before anything
// else; when the result says the arguments asked for a transfer, it shows the report (standard
// error, or a message box where there is no console) and exits with the code. An import must
// not run while the sheet is open, since OK would write the sheet's values over it: the entry
// point passes whether it holds the single-instance lock.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/settings_block.h"
#include "platform/settings_store.h"

namespace ironwood::config {

// The settings as .reg text, CR LF line ends, values in the order the sheet writes them. The
// working directory belongs to the machine and is not part of it.
std::string ExportSettingsText(const ConfigSettings& settings);

// Applies the values a .reg text names to `settings`; values it does not name keep theirs. On
// a fault `settings` is unchanged and `why` says what and where ("line 4: ..."). Reads UTF-8
// (with or without its byte-order mark) and UTF-16LE with its mark, as the registry editor
// writes it. The installation's own values ("WorkingDirectory", "Password") are passed over.
bool ImportSettingsText(std::string_view text, ConfigSettings& settings, std::string* why);

struct TransferResult {
  int exitCode = 0;
  std::string report;  // what to tell the user; empty when there is nothing to say
};

// "--export FILE" writes every setting of `store` to FILE; "--import FILE" reads FILE and writes
// all settings back to `store`, or changes nothing when FILE is unreadable or malformed.
// Nothing when the arguments ask for neither. Exit codes: 0 done, 1 failed, 2 bad arguments.
std::optional<TransferResult> RunSettingsTransfer(const std::vector<std::string>& args,
                                                  platform::SettingsStore& store,
                                                  bool sheetMayBeOpen);

}  // namespace ironwood::config
