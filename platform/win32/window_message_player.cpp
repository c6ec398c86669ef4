#include "platform/win32/window_message_player.h"

#include <windows.h>

#include <utility>

namespace ironwood::platform {
namespace {

class WindowMessagePlayer final : public MusicPlayer {
 public:
  explicit WindowMessagePlayer(WindowMessagePlayerOptions options) : options_(std::move(options)) {}

  bool HookUp() override {
    window_ = FindPlayerWindow();
    if (window_ != nullptr) return true;
    StartPlayer();
    Sleep(options_.startWaitMs);
    window_ = FindPlayerWindow();
    if (window_ == nullptr) return false;
    launched_ = true;
    return true;
  }

  bool SendCommand(int identifier) override {
    // A player closed by its user since the hook-up leaves a handle that may be reused by
    // another window; nothing is sent to it.
    if (window_ == nullptr || !IsWindow(window_)) return false;
    SendMessageA(window_, WM_COMMAND, static_cast<WPARAM>(identifier), 0);
    return true;
  }

  bool Launched() const override { return launched_; }

 private:
  HWND FindPlayerWindow() const { return FindWindowA(options_.windowClass.c_str(), nullptr); }

  // Whether the start worked shows only in whether the window turns up after the wait.
  void StartPlayer() const {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    char commandLine[1] = {'\0'};  // CreateProcessA may write to it, so it cannot be a literal
    if (CreateProcessA(options_.programPath.c_str(), commandLine, nullptr, nullptr, FALSE,
                       CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup,
                       &process)) {
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
  }

  WindowMessagePlayerOptions options_;
  HWND window_ = nullptr;
  bool launched_ = false;
};

}  // namespace

std::unique_ptr<MusicPlayer> OpenWindowMessagePlayer() {
  return OpenWindowMessagePlayer(WindowMessagePlayerOptions{});
}

std::unique_ptr<MusicPlayer> OpenWindowMessagePlayer(const WindowMessagePlayerOptions& options) {
  return std::make_unique<WindowMessagePlayer>(options);
}

}  // namespace ironwood::platform
