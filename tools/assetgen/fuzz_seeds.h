#pragma once

// Seed files for the readers' fuzz targets: small valid files of every kind the saver reads,
// made by the same generators as the installation, each also cut short, written one folder a
// target (FOLDER/<target>/).

#include <string>

namespace ironwood::assetgen {

// Inputs of the image-pair and scene targets start with a flag byte (and the pair with a
// 4-byte little-endian length of the first file); the seeds are written in that layout.
bool WriteFuzzSeeds(const std::string& folder, std::string* error);

}  // namespace ironwood::assetgen
