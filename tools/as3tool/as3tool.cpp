// The command line: inspect, validate, build and render.

#include "tools/as3tool/as3tool.h"

#include <exception>
#include <ostream>

#include "tools/as3tool/inputs.h"
#include "tools/as3tool/render.h"

namespace ironwood::as3tool {
namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  as3tool inspect FILE.as3             describe a ship plug-in\n"
    "  as3tool validate FILE.as3...         check plug-ins (exit status 0 when all are valid)\n"
    "  as3tool build DESCRIPTION OUTPUT.as3 build a plug-in from a text description\n"
    "  as3tool import MODEL OUTPUT.as3 [--like CLASS.as3] [--length L] [--texture IMAGE]\n"
    "                                       a plug-in from a glTF, OBJ, FBX, COLLADA, 3DS or\n"
    "                                       ASE model (Linux)\n"
    "  as3tool describe MODEL [DESCRIPTION.txt] [--like ...] [--length L] [--texture IMAGE]\n"
    "                                       the description import builds, to tune by hand\n"
    "  as3tool render FILE.as3 OUTPUT.png [--size N] [--frames K]\n"
    "                                       turntable pictures of a plug-in (Linux)\n"
    "  as3tool render --sheet FILE.as3... OUTPUT.png [--size N]\n"
    "                                       several plug-ins side by side at one scale\n";

int Usage(std::ostream& err) {
  err << kUsage;
  return 2;
}

// Reads and parses a plug-in with its sounds; false with the fault. A path that is no plug-in
// file (a folder, a device, something huge) is a fault like any other, so the other arguments
// are still looked at.
bool Load(const std::string& path, PluginFile* file, std::string* error) {
  try {
    Bytes bytes;
    return ReadPluginFileBytes(path, &bytes, error) &&
           ParsePluginFile(bytes.data(), bytes.size(), true, file, error);
  } catch (const std::exception& e) {
    *error = std::string("cannot be read: ") + e.what();
    return false;
  }
}

int InspectCommand(const std::string& path, std::ostream& out, std::ostream& err) {
  PluginFile file;
  std::string error;
  if (!Load(path, &file, &error)) {
    err << path << ": " << error << "\n";
    return 1;
  }
  out << path << "\n";
  Inspect(file, out);
  for (const std::string& warning : Warnings(file)) out << "  warning: " << warning << "\n";
  return 0;
}

int ValidateCommand(const std::vector<std::string>& paths, std::ostream& out) {
  int status = 0;
  for (const std::string& path : paths) {
    PluginFile file;
    std::string error;
    if (!Load(path, &file, &error)) {
      out << path << ": " << error << "\n";
      out.flush();  // each result is out before the next file is looked at
      status = 1;
      continue;
    }
    out << path << ": ok" << (file.hasSounds ? "" : ", no sounds") << "\n";
    for (const std::string& warning : Warnings(file)) {
      out << path << ": warning: " << warning << "\n";
    }
    out.flush();
  }
  return status;
}

int BuildCommand(const std::string& description, const std::string& output, std::ostream& out,
                 std::ostream& err) {
  PluginFile file;
  std::string error;
  std::vector<std::string> notes;
  if (!BuildFromDescription(description, &file, &error, &notes)) {
    err << error << "\n";
    return 1;
  }
  for (const std::string& note : notes) err << "warning: " << note << "\n";
  const Bytes bytes = EncodePluginFile(file, &error);
  if (bytes.empty()) {
    err << description << ": " << error << "\n";
    return 1;
  }
  if (!WriteFileBytes(output, bytes, &error)) {
    err << output << ": " << error << "\n";
    return 1;
  }
  for (const std::string& warning : Warnings(file)) err << output << ": warning: " << warning << "\n";
  out << output << ": " << bytes.size() << " bytes, " << file.textures.size() / 2
      << " texture pairs, " << file.meshes.size() << " hull meshes, "
      << file.phaserMounts.size() << " phaser and " << file.torpedoMounts.size()
      << " torpedo mounts" << (file.hasSounds ? ", three sounds" : ", no sounds") << "\n";
  return 0;
}

}  // namespace

int RunAs3Tool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) return Usage(err);
  const std::string& command = args[0];
  if (command == "--help" || command == "help") {
    out << kUsage;
    return 0;
  }
  if (command == "inspect" && args.size() == 2) return InspectCommand(args[1], out, err);
  if (command == "validate" && args.size() >= 2) {
    return ValidateCommand(std::vector<std::string>(args.begin() + 1, args.end()), out);
  }
  if (command == "build" && args.size() == 3) return BuildCommand(args[1], args[2], out, err);
  if (command == "import") {
    return ImportCommand(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
  }
  if (command == "describe") {
    return DescribeCommand(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
  }
  if (command == "render") {
    return RenderCommand(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
  }
  return Usage(err);
}

}  // namespace ironwood::as3tool
