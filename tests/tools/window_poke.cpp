// Posts one exact message to the saver window, for the window system test:
//   window_poke MESSAGE WPARAM [LPARAM]
// numbers in C notation (0x112 0xF140). Waits up to five seconds for a window of class
// "StarfraySS"; exits 0 once the message is posted, 1 when there is no such window.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: window_poke MESSAGE WPARAM [LPARAM]\n");
    return 2;
  }
  const auto message = static_cast<UINT>(std::strtoul(argv[1], nullptr, 0));
  const auto wParam = static_cast<WPARAM>(std::strtoull(argv[2], nullptr, 0));
  const auto lParam = static_cast<LPARAM>(argc == 4 ? std::strtoll(argv[3], nullptr, 0) : 0);
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (HWND window = FindWindowA("StarfraySS", nullptr)) {
      return PostMessageA(window, message, wParam, lParam) ? 0 : 1;
    }
    Sleep(100);
  }
  std::fprintf(stderr, "window_poke: no StarfraySS window\n");
  return 1;
}
