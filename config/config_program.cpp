#include "config/config_program.h"

namespace ironwood::config {

ConfigProgram::ConfigProgram(platform::SettingsStore& store, FileLister lister)
    : store_(store), workingDirectory_(ReadWorkingDirectory(store)),
      scenarioConfig(settings, workingDirectory_, lister),
      scenarioEditor(workingDirectory_, lister), sound(settings), video(settings) {}

void ConfigProgram::LoadSettings() { config::LoadSettings(store_, settings); }

bool ConfigProgram::SaveSettings() { return config::SaveSettings(store_, settings); }

}  // namespace ironwood::config
