#include "config/page_common.h"

#include "common/settings.h"
#include "platform/paths.h"

namespace ironwood::config {

std::string ScenarioFolder(const std::string& workingDirectory) {
  return workingDirectory + "Scenarios" + platform::kPathSeparator;
}

std::string PluginFolder(const std::string& workingDirectory) {
  return workingDirectory + "Plugins" + platform::kPathSeparator;
}

std::string NoInstallationNotice(std::string_view what) {
  return "No installation folder is set (the setting \"WorkingDirectory\" is absent), so there "
         "are no " + std::string(what) + " to list.";
}

}  // namespace ironwood::config
