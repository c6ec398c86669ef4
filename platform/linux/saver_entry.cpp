#include <ctime>
#include <string>

#include "platform/process.h"
#include "platform/settings_store.h"
#include "saver/shell/saver_app.h"

int main(int argc, char** argv) {
  // The saver reads its switches from one command-line text, as the screen-saver machinery
  // passes it on the other platform.
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  auto settings = ironwood::platform::OpenSettingsStore();
  ironwood::SaverServices services{
      *settings,
      ironwood::platform::StartDetachedProcess,
      [] { return static_cast<std::uint32_t>(std::time(nullptr)); },
  };
  return ironwood::SaverMain(commandLine, services);
}
