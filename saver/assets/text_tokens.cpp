#include "saver/assets/text_tokens.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace ironwood {

std::string_view TextTokens::Quoted() {
  const std::string_view token = std::string_view(text_).substr(last_, pos_ - last_);
  if (token.empty() || token.front() != '"' || (token.size() > 1 && token.back() == '"')) {
    return token;
  }
  const std::size_t close = text_.find_first_of("\"\n", pos_);
  if (close == std::string::npos || text_[close] != '"') return token;
  pos_ = close + 1;
  return std::string_view(text_).substr(last_, pos_ - last_);
}

bool ReadTextFile(const std::string& path, std::uintmax_t maxBytes, std::string* text,
                  std::string* why) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (error || !fs::exists(status)) {
    *why = "cannot open " + path;
    return false;
  }
  if (!fs::is_regular_file(status)) {
    *why = path + " is not a regular file";
    return false;
  }
  const std::uintmax_t size = fs::file_size(path, error);
  if (error) {
    *why = "cannot read " + path;
    return false;
  }
  if (size > maxBytes) {
    *why = path + " is " + std::to_string(size) + " bytes, more than the " +
           std::to_string(maxBytes) + " such a file may have";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *why = "cannot open " + path;
    return false;
  }
  // istream::read reports a failing read in the stream state instead of throwing.
  std::string bytes(static_cast<std::size_t>(size), '\0');
  if (!in.read(bytes.data(), static_cast<std::streamsize>(size))) {
    *why = "cannot read " + path;
    return false;
  }
  *text = std::move(bytes);
  return true;
}

void ProblemLines::Add(std::string line) {
  if (lines_.size() < kShown) {
    lines_.push_back(std::move(line));
  } else {
    ++more_;
  }
}

std::vector<std::string> ProblemLines::Lines() const {
  std::vector<std::string> lines = lines_;
  if (more_ != 0) lines.push_back("and " + std::to_string(more_) + " more");
  return lines;
}

}  // namespace ironwood
