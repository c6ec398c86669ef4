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
// `named`, when given, receives the names of the values the file gave.
bool ImportSettingsText(std::string_view text, ConfigSettings& settings, std::string* why,
                        std::vector<std::string>* named = nullptr);

// What "--export" writes: the values `store` holds, in the sheet's order, as they are stored;
// a value the store lacks is left out. A list count outside 0 .. 100 is written as the sheet
// would read it (99999999 as 100, -1 as 0) and entries the count takes in but the store lacks
// are written empty, so the file imports; each such repair is told in `report`.
std::string ExportStoredSettings(platform::SettingsStore& store, std::string* report);

struct TransferResult {
  int exitCode = 0;
  std::string report;  // what to tell the user; empty when there is nothing to say
};

// "--export FILE" writes ExportStoredSettings() to FILE (its repairs are the report; the exit
// code stays 0); "--import FILE" reads FILE and writes the values it gives to `store`, in one
// write, leaving every other value as it was, or changes nothing when FILE is unreadable or
// malformed. Nothing when the arguments ask for neither. Exit codes: 0 done, 1 failed, 2 bad
// arguments.
std::optional<TransferResult> RunSettingsTransfer(const std::vector<std::string>& args,
                                                  platform::SettingsStore& store,
                                                  bool sheetMayBeOpen);

}  // namespace ironwood::config
