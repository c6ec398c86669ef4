// Stands in for the configuration program in the system tests: it records that it was started
// by creating "StandInRan.txt" beside itself, holding the command line it was given.
#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  std::string self;
#ifdef _WIN32
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  self = path;
  const std::string commandLine = GetCommandLineA();
#else
  self = argc > 0 ? argv[0] : "";
  std::string commandLine;
  for (int i = 0; i < argc; ++i) commandLine += (i ? " " : "") + std::string(argv[i]);
#endif
  (void)argc;
  (void)argv;
  const std::size_t slash = self.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? "" : self.substr(0, slash + 1);
  std::FILE* marker = std::fopen((folder + "StandInRan.txt").c_str(), "w");
  if (marker == nullptr) return 1;
  std::fprintf(marker, "%s\n", commandLine.c_str());
  std::fclose(marker);
  return 0;
}
