#include "saver/assets/text_tokens.h"

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
