#pragma once

#include <string>
#include <string_view>

#include "saver/core/log_sink.h"

namespace ironwood {

// The saver's only diagnostic output: "SYlog.log" in the installation folder, rewritten at every
// run. Each write opens, appends and closes, so the file is complete on disk after every message
// even if the saver is ended abruptly. A file that cannot be opened loses the message silently;
// the saver never stops for its log.
class StartupLog final : public LogSink {
 public:
  static constexpr std::string_view kFileName = "SYlog.log";

  StartupLog() = default;
  explicit StartupLog(std::string workingDirectory)
      : path_(std::move(workingDirectory) + std::string(kFileName)) {}

  // Creates the file empty, or cuts an existing one to length 0.
  bool Create() const;
  // Appends the text as it stands; "\n" becomes the platform's line end (text mode).
  bool Write(std::string_view text) const override;

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace ironwood
