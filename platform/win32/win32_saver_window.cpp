#include "platform/win32/win32_saver_window.h"

#include <optional>
#include <vector>

#include "platform/win32/monitor_covers.h"
#include "platform/win32/wgl_target.h"

namespace ironwood::platform {

namespace {

constexpr char kClassName[] = "StarfraySS";
constexpr char kWindowTitle[] = "Ironwood";
// The black windows over the monitors beside the saver window.
constexpr char kCoverClassName[] = "StarfraySSCover";
// Posted by BringToFront: the window takes the front back only once the activation change that
// took it has settled (activating a window while that change is still being told is unsafe).
constexpr UINT kBringToFrontMessage = WM_APP + 1;

DEVMODEA EmptyMode() {
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  return mode;
}

bool ModeIs(const DEVMODEA& mode, int width, int height, int bitsPerPixel) {
  return static_cast<int>(mode.dmBitsPerPel) == bitsPerPixel &&
         static_cast<int>(mode.dmPelsWidth) == width &&
         static_cast<int>(mode.dmPelsHeight) == height;
}

// A driver may call a change successful and still leave another size (one that honours only
// some of the fields), and the window would then not cover the screen. The current mode settles
// it; where it cannot be read, the result stands. The depth is the driver's business: some
// report their own while they emulate the one asked for.
bool ChangeTookEffect(const DisplaySettingsCalls& calls, int width, int height) {
  DEVMODEA current = EmptyMode();
  if (!calls.enumerate(ENUM_CURRENT_SETTINGS, current)) return true;
  if (static_cast<int>(current.dmPelsWidth) == width &&
      static_cast<int>(current.dmPelsHeight) == height) {
    return true;
  }
  calls.change(nullptr, 0);
  return false;
}

// The saver's messages in their platform-neutral form; nullopt for the ones the handler never
// sees.
std::optional<WindowMessage> Translate(UINT message, WPARAM wParam) {
  const auto parameter = [](WPARAM value) { return static_cast<long>(value); };
  switch (message) {
    case WM_CREATE:
      return WindowMessage{WindowMessageKind::Create, 0};
    case WM_SETCURSOR:
      return WindowMessage{WindowMessageKind::SetCursor, 0};
    case WM_DESTROY:
      return WindowMessage{WindowMessageKind::Destroy, 0};
    case WM_ACTIVATE:  // the high word says minimised, not active
      return WindowMessage{WindowMessageKind::Activate, parameter(LOWORD(wParam))};
    case WM_ACTIVATEAPP:
      return WindowMessage{WindowMessageKind::ActivateApp, parameter(wParam)};
    case WM_NCACTIVATE:
      return WindowMessage{WindowMessageKind::NcActivate, parameter(wParam)};
    case WM_SYSCOMMAND:  // the low four bits are the system's own
      return WindowMessage{WindowMessageKind::SysCommand, parameter(wParam & 0xFFF0)};
    case WM_KEYDOWN:
      return WindowMessage{WindowMessageKind::KeyDown, parameter(wParam)};
    case WM_MOUSEMOVE:
      return WindowMessage{WindowMessageKind::MouseMove, 0};
    case WM_POWERBROADCAST:
      return WindowMessage{WindowMessageKind::PowerBroadcast, parameter(wParam)};
    default:
      return std::nullopt;
  }
}

// Which of the three windows it is. Named, not a flag beside an optional handle: a handle given
// where a flag is expected converts to true without a word.
enum class WindowKind { FullScreen, Plain, Preview };

class Win32SaverWindow : public SaverWindow {
 public:
  Win32SaverWindow(HINSTANCE instance, int showCommand, WindowKind kind,
                   HWND previewParent = nullptr)
      : instance_(instance),
        showCommand_(showCommand),
        plain_(kind == WindowKind::Plain),
        parent_(kind == WindowKind::Preview ? previewParent : nullptr) {}

  ~Win32SaverWindow() override {
    DestroyCovers();
    if (window_ != nullptr) {
      // The handler may already be gone; what the window says while it closes is not its
      // business any more.
      SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
      DestroyWindow(window_);
    }
    if (modeChanged_) RestoreDisplayMode();
  }

  bool RegisterClass() override {
    WNDCLASSA windowClass{};
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance_;
    windowClass.hIcon = LoadIconA(instance_, "ICON");
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszMenuName = kClassName;
    windowClass.lpszClassName = kClassName;
    return RegisterClassA(&windowClass) != 0;
  }

  bool ChangeDisplayMode(int width, int height, int bitsPerPixel) override {
    // A plain window leaves the display as it is; the preview shares the dialog's desktop.
    if (plain_ || parent_ != nullptr) return false;
    const bool changed =
        ChangeDisplayModeWith(SystemDisplaySettings(), width, height, bitsPerPixel);
    modeChanged_ = modeChanged_ || changed;
    return changed;
  }

  void RestoreDisplayMode() override {
    if (parent_ != nullptr) return;
    ChangeDisplaySettingsA(nullptr, 0);
    modeChanged_ = false;
  }

  bool Create(int width, int height, WindowHandler& handler) override {
    if (window_ != nullptr) return false;
    if (plain_) return CreatePlain(width, height, handler);
    if (parent_ != nullptr) return CreatePreview(handler);
    // In the desktop's own mode a window of the configured size would leave the desktop showing
    // around it: cover the whole screen, and let the saver fit its picture inside.
    if (!modeChanged_) {
      const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
      const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
      if (screenWidth > 0 && screenHeight > 0) {
        width = screenWidth;
        height = screenHeight;
      }
    }
    width_ = width;
    height_ = height;
    handler_ = &handler;  // WM_CREATE arrives before CreateWindowExA returns
    window_ = CreateWindowExA(WS_EX_LEFT, kClassName, kWindowTitle,
                              WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, width, height,
                              nullptr, nullptr, instance_, this);
    if (window_ == nullptr) {
      handler_ = nullptr;
      return false;
    }
    deviceContext_ = GetDC(window_);  // the class's own DC: kept for the window's life
    if (deviceContext_ == nullptr) return false;
    CreateCovers(RECT{0, 0, width, height});
    return true;
  }

  std::unique_ptr<RenderTarget> CreateRenderTarget(GlLibraryState& libraries) override {
    if (deviceContext_ == nullptr) return nullptr;
    return std::make_unique<WglTarget>(deviceContext_, libraries);
  }

  void Show() override {
    if (window_ == nullptr) return;
    if (parent_ != nullptr) {
      UpdateWindow(window_);  // a visible child from the start; the dialog keeps the activation
      return;
    }
    ShowWindow(window_, showCommand_);
    UpdateWindow(window_);
    for (HWND cover : covers_) ShowWindow(cover, SW_SHOWNOACTIVATE);
  }

  Poll PollMessage(int& quitParameter) override {
    MSG message;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      // The parent lives in another process, which may go without our child hearing of it.
      if (parent_ != nullptr && !destroyTold_ && !IsWindow(parent_)) {
        destroyTold_ = true;
        if (handler_ != nullptr) handler_->OnMessage(WindowMessage{WindowMessageKind::Destroy, 0});
        return Poll::Handled;
      }
      return Poll::Idle;
    }
    if (message.message == WM_QUIT) {
      quitParameter = static_cast<int>(message.wParam);
      return Poll::Quit;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
    return Poll::Handled;
  }

  void PostQuit(int parameter) override { PostQuitMessage(parameter); }

  void BringToFront() override {
    if (parent_ != nullptr) return;
    // WM_ACTIVATE and WM_ACTIVATEAPP both ask for it: one posted message serves both.
    if (window_ == nullptr || frontRequested_) return;
    frontRequested_ = PostMessageA(window_, kBringToFrontMessage, 0, 0) != FALSE;
  }

  ScreenPoint CursorPosition() override {
    POINT point{};
    GetCursorPos(&point);
    return ScreenPoint{static_cast<int>(point.x), static_cast<int>(point.y)};
  }

  // The cursor over the preview belongs to the dialog around it.
  void HideCursor() override {
    if (!plain_ && parent_ == nullptr) SetCursor(nullptr);
  }

  HWND Handle() const { return window_; }

  bool DrawableSize(int& width, int& height) const override {
    if (window_ == nullptr) return false;
    if (plain_) {
      // Whatever the user has made of it since; a minimised window has no area.
      RECT client{};
      if (!GetClientRect(window_, &client)) return false;
      width = client.right - client.left;
      height = client.bottom - client.top;
      return true;
    }
    width = width_;
    height = height_;
    return true;
  }

  bool DesktopSize(int& width, int& height) const override {
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
    return width > 0 && height > 0;
  }

  bool SizedByOthers() const override { return plain_; }

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE || message == WM_CREATE) {
      const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
      SetWindowLongPtrA(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32SaverWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY && self != nullptr) {
      // Nothing reaches the handler through a window that no longer exists.
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      self->window_ = nullptr;
      self->deviceContext_ = nullptr;
      self->covers_.clear();  // owned windows go before their owner
      self = nullptr;
    }
    if (self != nullptr && message == kBringToFrontMessage) {
      self->frontRequested_ = false;
      self->TakeFront();
      if (self->handler_ != nullptr && self->window_ != nullptr) {
        self->handler_->OnMessage(WindowMessage{WindowMessageKind::BroughtToFront, 0});
      }
      return 0;
    }
    // A cover taking the activation (it should never take it) is not the saver losing it.
    if (self != nullptr && message == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE &&
        self->IsCover(reinterpret_cast<HWND>(lParam))) {
      return 0;
    }
    auto translated = Translate(message, wParam);
    // The preview is only watched: its one message is that it goes.
    if (self != nullptr && self->parent_ != nullptr && translated &&
        translated->kind != WindowMessageKind::Destroy) {
      translated.reset();
    }
    if (self != nullptr && self->parent_ != nullptr && translated) {
      if (self->destroyTold_) return 0;
      self->destroyTold_ = true;
    }
    if (self == nullptr || self->handler_ == nullptr || !translated) {
      return DefWindowProcA(window, message, wParam, lParam);
    }
    const WindowReaction reaction = self->handler_->OnMessage(*translated);
    if (reaction.defaultProcessing) return DefWindowProcA(window, message, wParam, lParam);
    return static_cast<LRESULT>(reaction.result);
  }

  bool CreatePreview(WindowHandler& handler) {
    RECT client{};
    if (!IsWindow(parent_) || !GetClientRect(parent_, &client)) return false;
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width <= 0 || height <= 0) return false;
    width_ = width;
    height_ = height;
    handler_ = &handler;
    window_ = CreateWindowExA(0, kClassName, kWindowTitle,
                              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                              width, height, parent_, nullptr, instance_, this);
    if (window_ == nullptr) {
      handler_ = nullptr;
      return false;
    }
    deviceContext_ = GetDC(window_);
    return deviceContext_ != nullptr;
  }

  // The covers belong to the saver window: they never take the activation or the keyboard, hide
  // the cursor as it does, and a mouse movement over them is a movement over the saver.
  static LRESULT CALLBACK CoverProcedure(HWND cover, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
      SetWindowLongPtrA(cover, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32SaverWindow*>(GetWindowLongPtrA(cover, GWLP_USERDATA));
    switch (message) {
      case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
      case WM_SETCURSOR:
        SetCursor(nullptr);
        return TRUE;
      case WM_MOUSEMOVE:
        if (self != nullptr && self->handler_ != nullptr && self->window_ != nullptr) {
          self->handler_->OnMessage(WindowMessage{WindowMessageKind::MouseMove, 0});
        }
        return 0;
      case WM_NCDESTROY:
        SetWindowLongPtrA(cover, GWLP_USERDATA, 0);
        break;
      default:
        break;
    }
    return DefWindowProcA(cover, message, wParam, lParam);
  }

  // The saver window above the others again, with its covers, and the dialog it owns in front
  // while one is open (a disabled owner cannot be activated itself).
  void TakeFront() {
    if (window_ == nullptr) return;
    if (IsIconic(window_)) ShowWindow(window_, SW_RESTORE);
    SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    HWND front = GetLastActivePopup(window_);
    if (front == nullptr || IsCover(front)) front = window_;
    SetForegroundWindow(front);
  }

  bool IsCover(HWND window) const {
    if (window == nullptr) return false;
    for (HWND cover : covers_) {
      if (cover == window) return true;
    }
    return false;
  }

  // One black popup over each part of the virtual screen the saver window leaves showing. Owned
  // by the saver window, so they stay above it in the order of windows and go when it goes.
  // Covers that cannot be made leave that part showing; the saver runs on regardless.
  void CreateCovers(const RECT& saver) {
    const std::vector<RECT> areas = CoverAreas(saver, DesktopMonitors());
    if (areas.empty()) return;
    WNDCLASSA coverClass{};
    coverClass.lpfnWndProc = CoverProcedure;
    coverClass.hInstance = instance_;
    coverClass.hCursor = nullptr;
    coverClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    coverClass.lpszClassName = kCoverClassName;
    // Registered once a process; a second saver window finds it there.
    if (RegisterClassA(&coverClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return;
    for (const RECT& area : areas) {
      HWND cover = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kCoverClassName, "",
                                   WS_POPUP, area.left, area.top, area.right - area.left,
                                   area.bottom - area.top, window_, nullptr, instance_, this);
      if (cover != nullptr) covers_.push_back(cover);
    }
  }

  bool CreatePlain(int width, int height, WindowHandler& handler) {
    constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, kStyle, FALSE, WS_EX_APPWINDOW);
    width_ = width;
    height_ = height;
    handler_ = &handler;
    window_ = CreateWindowExA(WS_EX_APPWINDOW, kClassName, kWindowTitle, kStyle, CW_USEDEFAULT,
                              CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                              nullptr, nullptr, instance_, this);
    if (window_ == nullptr) {
      handler_ = nullptr;
      return false;
    }
    deviceContext_ = GetDC(window_);
    return deviceContext_ != nullptr;
  }

  void DestroyCovers() {
    for (HWND cover : covers_) {
      if (IsWindow(cover)) DestroyWindow(cover);
    }
    covers_.clear();
  }

  HINSTANCE instance_;
  int showCommand_;
  bool plain_ = false;
  std::vector<HWND> covers_;
  WindowHandler* handler_ = nullptr;
  HWND window_ = nullptr;
  HDC deviceContext_ = nullptr;
  bool modeChanged_ = false;
  bool frontRequested_ = false;  // a kBringToFrontMessage is on its way
  HWND parent_ = nullptr;        // the preview's parent; null for the full-screen window
  bool destroyTold_ = false;     // the handler heard Destroy once, from either source
  int width_ = 0;  // the size the window was made at
  int height_ = 0;
};

}  // namespace

std::unique_ptr<SaverWindow> CreateWin32SaverWindow(HINSTANCE instance, int showCommand) {
  return std::make_unique<Win32SaverWindow>(instance, showCommand, WindowKind::FullScreen);
}

std::unique_ptr<SaverWindow> CreateWin32PlainWindow(HINSTANCE instance, int showCommand) {
  return std::make_unique<Win32SaverWindow>(instance, showCommand, WindowKind::Plain);
}

std::unique_ptr<SaverWindow> CreateWin32PreviewWindow(HINSTANCE instance, HWND parent) {
  if (parent == nullptr || !IsWindow(parent)) return nullptr;
  return std::make_unique<Win32SaverWindow>(instance, SW_SHOWNA, WindowKind::Preview, parent);
}

HWND SaverWindowHandle(const SaverWindow& window) {
  const auto* ours = dynamic_cast<const Win32SaverWindow*>(&window);
  return ours != nullptr ? ours->Handle() : nullptr;
}

DisplaySettingsCalls SystemDisplaySettings() {
  return DisplaySettingsCalls{
      [](DWORD index, DEVMODEA& mode) {
        return EnumDisplaySettingsA(nullptr, index, &mode) != FALSE;
      },
      [](DEVMODEA* mode, DWORD flags) { return ChangeDisplaySettingsA(mode, flags); },
  };
}

bool ChangeDisplayModeWith(const DisplaySettingsCalls& calls, int width, int height,
                           int bitsPerPixel) {
  // A listed mode with exactly these values; the first one whose change fails is kept as the
  // template for the requests below.
  DWORD failedIndex = 0;
  DEVMODEA mode = EmptyMode();
  for (DWORD index = 0; calls.enumerate(index, mode); ++index) {
    if (ModeIs(mode, width, height, bitsPerPixel)) {
      if (calls.change(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL) {
        return ChangeTookEffect(calls, width, height);
      }
      if (failedIndex == 0) failedIndex = index;
    }
    mode = EmptyMode();
  }

  // The remembered (or first) mode with the wanted values written in. Without one, only the
  // fields named below say anything.
  mode = EmptyMode();
  if (!calls.enumerate(failedIndex, mode)) mode = EmptyMode();
  mode.dmBitsPerPel = static_cast<DWORD>(bitsPerPixel);
  mode.dmPelsWidth = static_cast<DWORD>(width);
  mode.dmPelsHeight = static_cast<DWORD>(height);
  mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
  if (calls.change(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL) {
    return ChangeTookEffect(calls, width, height);
  }

  // Some drivers take depth and size only one at a time.
  mode.dmFields = DM_BITSPERPEL;
  if (calls.change(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) return false;
  mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
  if (calls.change(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) {
    calls.change(nullptr, 0);
    return false;
  }
  return ChangeTookEffect(calls, width, height);
}

}  // namespace ironwood::platform
