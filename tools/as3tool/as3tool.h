#pragma once

// as3tool: inspects, validates, builds and draws ship plug-in files (".as3"). The program is a
// thin `main` around `RunAs3Tool`; tests call the pieces directly. Drawing is in render.h.
//
// A build description is a text file of `key value...` lines. `#` starts a comment, blank lines
// are ignored, a value with spaces goes in double quotes, numbers use a decimal point, and file
// names are relative to the description's folder. Keys (each once unless marked "repeatable"):
//
//   pitch-rate R, turn-rate R, bank-rate R, angle-limit DEGREES, acceleration A, top-speed S
//                                      the six flight attributes (all required)
//   pair COLOUR OPACITY COLOUR OPACITY repeatable: texture pair 0, 1, ... in order; the first and
//                                      second texture, each a 24-bit BMP colour image and an
//                                      opacity image (its blue channel is alpha) or "-" for none
//   mesh FILE.ase PAIR                 repeatable: every object of the scene export becomes a hull
//                                      mesh drawn with texture pair PAIR
//   mesh MODEL PAIR                    a glTF, OBJ, FBX, COLLADA or 3DS model (Linux build): every
//                                      mesh of material k drawn with pair PAIR + k; all such meshes
//                                      together centred and scaled to the length line
//   length L                           the longest side of the model meshes (needed with them)
//   phaser-value V, torpedo-value V    damage per 100 ms of beam, per torpedo hit (required)
//   phaser-model FILE.ase COLOUR [OPACITY]   the beam's mesh (one object) and texture; required
//   torpedo-model FILE.ase COLOUR [OPACITY]  when there are mounts of that kind, refused without
//   phaser-mount X Y Z AX AY AZ ARC    repeatable: position, aim direction (model space, saver
//   torpedo-mount X Y Z AX AY AZ ARC   units) and firing arc in degrees
//   shield AX AY AZ STRENGTH           shield semi-axes and strength (required)
//   shield-model FILE.ase COLOUR [OPACITY]   the shield bubble (required)
//   sound torpedo-launch|phaser-loop|break-up FILE.wav
//                                      16-bit PCM; all three or none
//   models-from CLASS.as3|default      the phaser, torpedo and shield models (the shield bubble
//                                      stretched to this class's semi-axes) and the sounds of a
//                                      plug-in, or of the built-in mid-sized class, for those of
//                                      them the description does not give
//
// Images are 24-bit BMPs, taken as the saver takes them; the Linux build also takes PNG, JPEG,
// TGA and other BMPs, resized to the nearest size a texture record holds (with a warning), their
// alpha channel the opacity when OPACITY is "-".
//
// Scene exports are read as the saver reads them: coordinates divided by 300, one texture vertex
// per vertex; vertices without normals in the file get them from their faces.

#include <iosfwd>
#include <string>
#include <vector>

#include "saver/assets/plugin_file.h"

namespace ironwood::as3tool {

// Builds a plug-in from the description at `path`. False with the fault ("FILE:LINE: ..." or
// "FILE: ..." for an input file) in `error`.
// Resized images and the like are added to `warnings` when it is given.
bool BuildFromDescription(const std::string& path, PluginFile* out, std::string* error,
                          std::vector<std::string>* warnings = nullptr);

// Things that load but look wrong: the shield not enclosing the hull, zero-length aim vectors,
// arcs outside 0..180 degrees, a phaser mesh that does not span z 0..1, mount and vertex values
// that are not finite, sound formats the saver cannot play as 16-bit PCM. (Unusable flight,
// weapon and shield values are faults, refused by the reader and the encoder.)
std::vector<std::string> Warnings(const PluginFile& file);

// A readable report of everything in the file.
void Inspect(const PluginFile& file, std::ostream& out);

// The whole command line without the program name. Returns the exit status: 0 done, 1 a file
// was faulty or could not be read or written, 2 a usage error.
// `import` and `describe` (arguments after the command); see the usage text.
int ImportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int DescribeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

int RunAs3Tool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace ironwood::as3tool
