// The settings files of the Linux store (".reg" text). What the store writes back must read
// back the same. Input: the text.

#include "platform/linux/reg_text.h"
#include "tests/fuzz/fuzz_support.h"

namespace ironwood::fuzz {

void RegText(const std::uint8_t* data, std::size_t size) {
  platform::RegDocument document;
  std::string error;
  if (!platform::ParseRegText(std::string_view(reinterpret_cast<const char*>(data), size),
                              document, error)) {
    Check(!error.empty(), "a refused settings file gives a reason");
    Check(document.Keys().empty(), "a refused settings file leaves the document empty");
    return;
  }
  const std::string written = platform::SerializeRegText(document);
  platform::RegDocument again;
  Check(platform::ParseRegText(written, again, error), "what the store writes reads back");
  Check(platform::SerializeRegText(again) == written, "a rewritten file keeps every value");
  Check(again.Keys().size() == document.Keys().size(), "a rewritten file keeps every key");
}

}  // namespace ironwood::fuzz

IRONWOOD_FUZZ_ENTRY(RegText)
