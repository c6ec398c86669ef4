// The plug-in tool's build descriptions (`as3tool build`), read whole and followed to their
// input files. The files a description may name lie in a folder made once a process: "c.bmp"
// and "o.bmp" (4 x 4 colour and opacity images), "m.ase" (a scene export of one square) and
// "s.wav" (16-bit PCM); any other name is a missing file. Input: the description's text.

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "tools/as3tool/as3tool.h"
#include "tests/fuzz/fuzz_support.h"

namespace ironwood::fuzz {
namespace {

namespace fs = std::filesystem;

void Put16(std::string& s, unsigned v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>(v >> 8 & 0xFF));
}
void Put32(std::string& s, std::uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

std::string Bmp(unsigned seed) {
  constexpr int kSide = 4;
  constexpr std::uint32_t kPixelBytes = kSide * kSide * 3;  // rows of 12 bytes, no padding
  std::string file = "BM";
  Put32(file, 54 + kPixelBytes);
  Put32(file, 0);
  Put32(file, 54);
  Put32(file, 40);
  Put32(file, kSide);
  Put32(file, kSide);
  Put16(file, 1);
  Put16(file, 24);
  for (int i = 0; i < 6; ++i) Put32(file, 0);
  for (std::uint32_t i = 0; i < kPixelBytes; ++i) file.push_back(static_cast<char>(i * seed));
  return file;
}

std::string Wave() {
  std::string file = "RIFF";
  Put32(file, 4 + 8 + 16 + 8 + 32);
  file += "WAVEfmt ";
  Put32(file, 16);
  Put16(file, 1);     // PCM
  Put16(file, 1);     // mono
  Put32(file, 8000);  // samples per second
  Put32(file, 16000);
  Put16(file, 2);
  Put16(file, 16);
  file += "data";
  Put32(file, 32);
  for (int i = 0; i < 16; ++i) Put16(file, static_cast<unsigned>(i * 2000) & 0xFFFF);
  return file;
}

// One square of two faces with texture coordinates and normals, as the scene exporter writes it.
const char* const kSquare = R"(*3DSMAX_ASCIIEXPORT	200
*MATERIAL_LIST {
	*MATERIAL_COUNT 0
}
*GEOMOBJECT {
	*NODE_NAME "Square"
	*MESH {
		*MESH_NUMVERTEX 4
		*MESH_NUMFACES 2
		*MESH_VERTEX_LIST {
			*MESH_VERTEX 0	-150.0	-150.0	0.0
			*MESH_VERTEX 1	150.0	-150.0	0.0
			*MESH_VERTEX 2	150.0	150.0	0.0
			*MESH_VERTEX 3	-150.0	150.0	0.0
		}
		*MESH_FACE_LIST {
			*MESH_FACE 0:	A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 1
			*MESH_FACE 1:	A: 0 B: 2 C: 3 AB: 1 BC: 1 CA: 1
		}
		*MESH_NUMTVERTEX 4
		*MESH_TVERTLIST {
			*MESH_TVERT 0	0.0	0.0	0.0
			*MESH_TVERT 1	1.0	0.0	0.0
			*MESH_TVERT 2	1.0	1.0	0.0
			*MESH_TVERT 3	0.0	1.0	0.0
		}
		*MESH_NUMTVFACES 2
		*MESH_TFACELIST {
			*MESH_TFACE 0	0	1	2
			*MESH_TFACE 1	0	2	3
		}
		*MESH_NORMALS {
			*MESH_FACENORMAL 0	0.0	0.0	1.0
				*MESH_VERTEXNORMAL 0	0.0	0.0	1.0
				*MESH_VERTEXNORMAL 1	0.0	0.0	1.0
				*MESH_VERTEXNORMAL 2	0.0	0.0	1.0
			*MESH_FACENORMAL 1	0.0	0.0	1.0
				*MESH_VERTEXNORMAL 0	0.0	0.0	1.0
				*MESH_VERTEXNORMAL 2	0.0	0.0	1.0
				*MESH_VERTEXNORMAL 3	0.0	0.0	1.0
		}
	}
}
)";

void Write(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The inputs' folder, removed when the process ends.
class InputFolder {
 public:
  InputFolder() {
    std::random_device random;
    path_ = fs::temp_directory_path() /
            ("ironwood-description-fuzz-" + std::to_string(random()) + std::to_string(random()));
    fs::create_directories(path_);
    Write(path_ / "c.bmp", Bmp(37));
    Write(path_ / "o.bmp", Bmp(91));
    Write(path_ / "m.ase", kSquare);
    Write(path_ / "s.wav", Wave());
  }
  ~InputFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  InputFolder(const InputFolder&) = delete;
  InputFolder& operator=(const InputFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

}  // namespace

void Description(const std::uint8_t* data, std::size_t size) {
  static const InputFolder folder;
  const std::string path = (folder.path() / "d.txt").string();
  Write(path, std::string(reinterpret_cast<const char*>(data), size));
  PluginFile file;
  std::string why;
  if (!as3tool::BuildFromDescription(path, &file, &why)) {
    Check(!why.empty(), "a refused description gives a reason");
    return;
  }
  // What the tool builds, the saver loads: the file encodes, and its bytes read back the same.
  std::string fault;
  const std::vector<std::uint8_t> bytes = EncodePluginFile(file, &fault);
  Check(!bytes.empty(), "a built plug-in encodes");
  PluginFile back;
  Check(ParsePluginFile(bytes.data(), bytes.size(), true, &back, &fault),
        "a built plug-in reads back");
  Check(back.textures.size() == file.textures.size() && back.meshes.size() == file.meshes.size() &&
            back.phaserMounts.size() == file.phaserMounts.size() &&
            back.torpedoMounts.size() == file.torpedoMounts.size() &&
            back.hasSounds == file.hasSounds,
        "a built plug-in reads back with its counts");
}

}  // namespace ironwood::fuzz

IRONWOOD_FUZZ_ENTRY(Description)
