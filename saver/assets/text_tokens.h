#pragma once

// Whitespace-separated tokens of a text held in memory, each at most `maxLength` characters: a
// longer run is read as several tokens, as a bounded "%Ns" scan would read it. The text files the
// saver reads (scene exports, the flare description) are scanned this way.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ironwood {

class TextTokens {
 public:
  TextTokens(const std::string& text, std::size_t maxLength)
      : text_(text), maxLength_(maxLength) {}

  std::optional<std::string_view> Next() {
    while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
    if (pos_ >= text_.size()) return std::nullopt;
    last_ = pos_;
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !IsSpace(text_[pos_]) && pos_ - start < maxLength_) ++pos_;
    return std::string_view(text_).substr(start, pos_ - start);
  }
  // Makes the token just read the next one again.
  void PutBack() { pos_ = last_; }
  std::size_t Remaining() const { return text_.size() - pos_; }
  // When the token just read opens a double quote that it does not close, reads on to the
  // closing quote on the same line and answers the whole quoted text, spaces kept; otherwise
  // answers the token. Without a closing quote nothing more is read.
  std::string_view Quoted();

  static bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
  }

 private:
  const std::string& text_;
  std::size_t maxLength_;
  std::size_t pos_ = 0;
  std::size_t last_ = 0;
};

// The problem lines of one file for the log: the first kShown as they come, then one line
// counting the rest, so that a file of a million faults writes a dozen lines.
class ProblemLines {
 public:
  static constexpr std::size_t kShown = 10;

  void Add(std::string line);
  // The shown lines and, when some were left out, "and N more".
  std::vector<std::string> Lines() const;

 private:
  std::vector<std::string> lines_;
  std::size_t more_ = 0;
};

}  // namespace ironwood
