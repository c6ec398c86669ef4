#pragma once

// The smallest installation folder the saver's start-up loads completely: every model, image and
// description it reads, each tiny (4 x 4 images, one-triangle or one-quad models).

#include <string>

#include "platform/settings_store.h"
#include "tests/support/test_files.h"

namespace ironwood::testing {

// Writes the files into the folder: also one small ship class, "Plugins/Mini.as3", and one
// scenario of one such ship a side, "Scenarios/Mini.ss3". `skip` names one relative path to
// leave out.
void WriteMinimalInstallation(const TempFolder& folder, const std::string& skip = "");

// The scenario catalogue naming "Mini.ss3", as the configuration program writes it.
void WriteMinimalCatalogue(platform::SettingsStore& settings);

// A quad in the xy plane facing +z, as scene-export text with `objects` copies.
std::string QuadAse(int objects, const std::string& material = "");

}  // namespace ironwood::testing
