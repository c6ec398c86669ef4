#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/settings_store.h"

namespace ironwood::platform::win32config {

// The configuration program: one instance at a time, the owner window, the modal sheet of four
// pages over the settings, saved when the sheet closes with OK; or, asked for with the
// arguments, a settings export or import without a sheet. Returns the exit code.
int RunConfigurationProgram(HINSTANCE instance, int showCommand, SettingsStore& store,
                            const std::vector<std::string>& arguments);

}  // namespace ironwood::platform::win32config
