// Starts a screen saver the way Windows' screen-saver machinery does, for the installer test:
//   scr_launch FILE.scr SWITCH
// runs `"FILE.scr" SWITCH` with CreateProcessA (a .scr has no file association to go through),
// waits for it and exits with its exit code; 255 when it could not be started.
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: scr_launch FILE.scr SWITCH\n");
    return 255;
  }
  std::string commandLine = "\"" + std::string(argv[1]) + "\" " + argv[2];
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(argv[1], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    std::fprintf(stderr, "scr_launch: cannot start %s (error %lu)\n", argv[1], GetLastError());
    return 255;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 255;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}
