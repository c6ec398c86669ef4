#include <cstdio>

#include "config/settings_block.h"
#include "platform/settings_store.h"

int main() {
  auto store = ironwood::platform::OpenSettingsStore();
  ironwood::config::ConfigSettings settings;
  ironwood::config::LoadSettings(*store, settings);
  std::fprintf(stderr,
               "StarfraySSConfig: the settings pages are not part of this build yet; "
               "%zu scenario(s) are configured.\n",
               settings.scenarios.size());
  return 0;
}
