#pragma once

// The default ship classes and battle scenarios of the installation folder. Alliance 1 flies
// sleek pale hulls with blue markings, alliance 2 angular dark hulls with amber and red ones;
// each fleet has an escort, a mid-sized warship and a heavy cruiser. Every class is modelled,
// painted and voiced here and written as "Plugins/<Name>.as3"; the scenarios that pit them
// against each other go to "Scenarios/".

#include <string>
#include <vector>

#include "saver/assets/plugin_file.h"
#include "tools/assetgen/canvas.h"
#include "tools/assetgen/images.h"

namespace ironwood::assetgen {

struct ShipClassAsset {
  std::string name;  // the plug-in's file name without ".as3"
  int alliance = 1;
  std::string role;  // escort, frigate, destroyer, cruiser
  PluginFile plugin;
  // The pictures behind the plug-in's textures, for the contact sheet and the preview.
  Canvas hullTexture, damageTexture, shieldTexture, beamTexture, torpedoTexture;
};

// Every class, alliance 1 first, smallest first; the same bytes on every run.
std::vector<ShipClassAsset> ShipClasses();

struct ScenarioEntry {
  int count = 1;
  std::string plugin;  // file name in Plugins/, extension included
};

struct ScenarioDefinition {
  std::string file;  // file name in Scenarios/
  std::vector<ScenarioEntry> alliance1, alliance2;
};

// The scenarios in play order.
std::vector<ScenarioDefinition> Scenarios();
// Their file names in play order: what the scenario list is to hold.
std::vector<std::string> ScenarioPlayOrder();
// The ".ss3" text: count line, one "(count) name" line per entry, for each alliance; CR LF.
std::string ScenarioText(const ScenarioDefinition& scenario);

// Writes Plugins/<Name>.as3 for every class (with sounds) and Preview/ships.png. On failure
// says why in `error`.
bool WritePlugins(const std::string& folder, std::string* error);
// Writes every scenario into Scenarios/.
bool WriteScenarios(const std::string& folder, std::string* error);
// The scenario catalogue in play order ("NumScenarios", "Scenario(0)" ...) as a registry export
// of the saver's key, without "WorkingDirectory" (it depends on where the folder is installed).
// WriteScenarios writes it as "DefaultSettings.reg"; an installation adds it to its settings.
std::string ScenarioCatalogueReg();

// Orthographic views of each class's hull from above, from the side and at three quarters,
// textured and shaded by the normal, with the shield's outline: for judging the shapes.
Canvas ShipPreview(const std::vector<ShipClassAsset>& classes);

// Adds the ship textures to a list of images for the contact sheet (not written to Gfx/: the
// saver takes them from the plug-ins).
void AppendShipImages(std::vector<GeneratedImage>& images);

}  // namespace ironwood::assetgen
