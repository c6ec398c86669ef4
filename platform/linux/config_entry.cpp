#include <gtk/gtk.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "config/config_program.h"
#include "platform/linux/config_gtk.h"
#include "platform/linux/instance_lock.h"
#include "platform/settings_store.h"

namespace {

// The lock file's name; one configuration program runs per user.
constexpr const char* kInstanceName = "StarfraySS Configuration";

}  // namespace

int main(int argc, char** argv) {
  using namespace ironwood;
  // A second start exits at once and silently; the first keeps its sheet.
  platform::InstanceLock instance(kInstanceName);
  if (!instance.Held()) return 0;

  if (!gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, "StarfraySSConfig: cannot open the display.\n");
    return 1;
  }
  g_set_application_name("Starfray SS Configuration");
  auto store = platform::OpenSettingsStore();
  config::ConfigProgram program(*store);
  program.LoadSettings();
  if (platform::RunConfigSheet(program) && !program.SaveSettings()) {
    std::fprintf(stderr, "StarfraySSConfig: some settings could not be written.\n");
  }
  return 0;
}
