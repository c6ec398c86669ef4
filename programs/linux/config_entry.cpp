#include <gtk/gtk.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "config/config_program.h"
#include "config/settings_transfer.h"
#include "programs/linux/config_gtk.h"
#include "platform/linux/instance_lock.h"
#include "platform/settings_store.h"

namespace {

// The lock file's name; one configuration program runs per user.
constexpr const char* kInstanceName = "StarfraySS Configuration";

}  // namespace

int main(int argc, char** argv) {
  using namespace ironwood;
  platform::InstanceLock instance(kInstanceName);
  {
    auto store = platform::OpenSettingsStore();
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (auto transfer = config::RunSettingsTransfer(args, *store, !instance.Held())) {
      if (!transfer->report.empty()) std::fprintf(stderr, "%s\n", transfer->report.c_str());
      return transfer->exitCode;
    }
  }
  // A second start exits at once and silently; the first keeps its sheet.
  if (!instance.Held()) return 0;

  if (!gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, "StarfraySSConfig: cannot open the display.\n");
    return 1;
  }
  g_set_application_name("Starfray SS Configuration");
  auto store = platform::OpenSettingsStore();
  config::ConfigProgram program(*store);
  program.LoadSettings();
  platform::RunConfigSheet(program);
  return 0;
}
