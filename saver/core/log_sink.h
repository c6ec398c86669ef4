#pragma once

#include <string_view>

namespace ironwood {

// Where the subsystems below the shell write their progress and failure lines. The start-up log
// is the saver's one sink; tools and tests pass their own. A write never fails the caller: a
// sink that cannot write loses the text.
class LogSink {
 public:
  virtual ~LogSink() = default;
  // Appends the text as it stands; "\n" ends a line.
  virtual bool Write(std::string_view text) const = 0;
};

// A sink that keeps nothing, for callers that want no log.
class NullLog final : public LogSink {
 public:
  bool Write(std::string_view) const override { return true; }
};

}  // namespace ironwood
