// .reg text: the Linux store's settings files, and what StarfraySSConfig --import reads on both
// systems. What the store writes back must read back the same; what an import takes must export
// and import again to the same settings. Input: the text.

#include "config/settings_transfer.h"
#include "platform/reg_text.h"
#include "tests/fuzz/fuzz_support.h"

namespace ironwood::fuzz {

namespace {

void Store(std::string_view text) {
  platform::RegDocument document;
  std::string error;
  if (!platform::ParseRegText(text, document, error)) {
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

void Import(std::string_view text) {
  config::ConfigSettings settings;
  settings.scenarios = {"keep.ss3"};
  const std::string before = config::ExportSettingsText(settings);
  std::string why;
  if (!config::ImportSettingsText(text, settings, &why)) {
    Check(!why.empty(), "a refused import gives a reason");
    Check(config::ExportSettingsText(settings) == before, "a refused import changes nothing");
    return;
  }
  const std::string exported = config::ExportSettingsText(settings);
  config::ConfigSettings again;
  Check(config::ImportSettingsText(exported, again, &why), "an export of an import imports");
  Check(config::ExportSettingsText(again) == exported, "an export carries every imported setting");
}

}  // namespace

void RegText(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Store(text);
  Import(text);
}

}  // namespace ironwood::fuzz

IRONWOOD_FUZZ_ENTRY(RegText)
