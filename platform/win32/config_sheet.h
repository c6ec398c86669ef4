#pragma once

#include <windows.h>

#include "platform/settings_store.h"

namespace ironwood::platform::win32config {

// The configuration program: one instance at a time, the owner window, the modal sheet of four
// pages over the settings, saved when the sheet closes with OK. Returns the exit code.
int RunConfigurationProgram(HINSTANCE instance, int showCommand, SettingsStore& store);

}  // namespace ironwood::platform::win32config
