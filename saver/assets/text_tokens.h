#pragma once

// Whitespace-separated tokens of a text held in memory, each at most `maxLength` characters: a
// longer run is read as several tokens, as a bounded "%Ns" scan would read it. The text files the
// saver reads (scene exports, the flare description) are scanned this way.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

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

  static bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
  }

 private:
  const std::string& text_;
  std::size_t maxLength_;
  std::size_t pos_ = 0;
  std::size_t last_ = 0;
};

}  // namespace ironwood
