// Stands in for the display settings' little monitor, for the preview test:
//   preview_host SAVER GO_FILE
// Opens a top-level window with a 152x112 child, prints "child HANDLE" and "rect X Y W H" (the
// child's place on the screen), and starts "SAVER /p HANDLE" as the settings do. It then keeps
// its windows until GO_FILE exists (60 seconds at most), prints whether the saver was still
// running, destroys the top-level window and prints "ended after N ms, exit C" once the saver
// has gone, or "still running after N ms" (and ends it) after ten seconds.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kChildWidth = 152;
constexpr int kChildHeight = 112;

LRESULT CALLBACK HostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

// Pumps the host's messages for up to `milliseconds`, or until the process ends.
bool PumpUntil(HANDLE process, DWORD milliseconds) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    const DWORD spent = GetTickCount() - start;
    if (spent >= milliseconds) return false;
    const DWORD wait =
        MsgWaitForMultipleObjects(1, &process, FALSE, milliseconds - spent, QS_ALLINPUT);
    if (wait == WAIT_OBJECT_0) return true;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: preview_host SAVER GO_FILE\n");
    return 2;
  }
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA hostClass{};
  hostClass.lpfnWndProc = HostProcedure;
  hostClass.hInstance = instance;
  hostClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  hostClass.lpszClassName = "PreviewHost";
  hostClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  RegisterClassA(&hostClass);
  HWND host = CreateWindowExA(0, "PreviewHost", "Preview Host",
                              WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 40, 40,
                              kChildWidth + 40, kChildHeight + 40, nullptr, nullptr, instance,
                              nullptr);
  HWND child = CreateWindowExA(0, "PreviewHost", "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 20, 20, kChildWidth,
                               kChildHeight, host, nullptr, instance, nullptr);
  if (host == nullptr || child == nullptr) {
    std::fprintf(stderr, "preview_host: no windows\n");
    return 1;
  }
  UpdateWindow(host);
  POINT corner{0, 0};
  ClientToScreen(child, &corner);
  const auto handle = static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(child));
  std::printf("child %llu\nrect %ld %ld %d %d\n", handle, corner.x, corner.y, kChildWidth,
              kChildHeight);
  std::fflush(stdout);

  std::string commandLine = "\"" + std::string(argv[1]) + "\" /p " + std::to_string(handle);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(argv[1], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    std::fprintf(stderr, "preview_host: the saver did not start (%lu)\n", GetLastError());
    return 1;
  }
  CloseHandle(process.hThread);

  bool endedEarly = false;
  for (int i = 0; i < 600 && GetFileAttributesA(argv[2]) == INVALID_FILE_ATTRIBUTES; ++i) {
    if (PumpUntil(process.hProcess, 100)) {
      endedEarly = true;
      break;
    }
  }
  std::printf(endedEarly ? "saver ended before the host went\n" : "saver running\n");
  std::fflush(stdout);

  const DWORD start = GetTickCount();
  DestroyWindow(host);
  const bool ended = PumpUntil(process.hProcess, 10000);
  const DWORD spent = GetTickCount() - start;
  if (ended) {
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    std::printf("ended after %lu ms, exit %lu\n", spent, code);
  } else {
    std::printf("still running after %lu ms\n", spent);
    TerminateProcess(process.hProcess, 1);
  }
  CloseHandle(process.hProcess);
  return ended && !endedEarly ? 0 : 1;
}
