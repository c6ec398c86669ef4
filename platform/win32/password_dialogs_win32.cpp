#include <windows.h>

#include <string>

#include "platform/password_dialogs.h"
#include "platform/win32/password_resources.h"

namespace ironwood::platform {

DesktopKind CurrentDesktopKind() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  if (!GetVersionExA(&version)) return DesktopKind::Other;
  switch (version.dwPlatformId) {
    case VER_PLATFORM_WIN32_WINDOWS:
      return DesktopKind::Windows9x;
    case VER_PLATFORM_WIN32_NT:
      return DesktopKind::WindowsNT;
    default:
      return DesktopKind::Other;
  }
}

namespace {

std::string FieldText(HWND dialog, int id) {
  char buffer[PasswordDialogs::kMaxFieldText + 1] = {};
  GetDlgItemTextA(dialog, id, buffer, static_cast<int>(sizeof buffer));
  return buffer;
}

BOOL CALLBACK FindSaverWindow(HWND window, LPARAM result) {
  char className[32] = {};
  GetClassNameA(window, className, sizeof className);
  if (std::string(className) != "StarfraySS") return TRUE;
  *reinterpret_cast<HWND*>(result) = window;
  return FALSE;
}

// The saver's own full-screen window on this thread, which owns the entry dialog.
HWND SaverWindowOfThisThread() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindSaverWindow, reinterpret_cast<LPARAM>(&found));
  return found != nullptr ? found : GetActiveWindow();
}

using EntryCheck = std::function<bool(const std::string&)>;
using ChangeSubmit = std::function<PasswordChangeAnswer(const PasswordChangeFields&)>;

INT_PTR CALLBACK EntryProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      return TRUE;  // the system puts the focus on the first control
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK: {
          const auto* check = reinterpret_cast<const EntryCheck*>(GetWindowLongPtrA(dialog, DWLP_USER));
          EndDialog(dialog, (*check)(FieldText(dialog, IDC_PASSWORD)) ? 1 : 0);
          return TRUE;
        }
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

INT_PTR CALLBACK ChangeProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      return TRUE;
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK: {
          const auto* submit =
              reinterpret_cast<const ChangeSubmit*>(GetWindowLongPtrA(dialog, DWLP_USER));
          const PasswordChangeAnswer answer =
              (*submit)({FieldText(dialog, IDC_NEW_PASSWORD), FieldText(dialog, IDC_RETYPED_PASSWORD),
                         FieldText(dialog, IDC_OLD_PASSWORD)});
          if (!answer.message.empty()) {
            MessageBoxA(dialog, answer.message.c_str(), answer.caption.c_str(), MB_OK);
          }
          if (answer.done) EndDialog(dialog, 1);
          for (int id : {IDC_NEW_PASSWORD, IDC_RETYPED_PASSWORD, IDC_OLD_PASSWORD}) {
            SetDlgItemTextA(dialog, id, "");
          }
          return TRUE;
        }
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

class Win32PasswordDialogs : public PasswordDialogs {
 public:
  Entry ShowEntry(const EntryCheck& check) override {
    const INT_PTR result =
        DialogBoxParamA(GetModuleHandleA(nullptr), IRONWOOD_GETPASSWORD, SaverWindowOfThisThread(),
                        EntryProcedure, reinterpret_cast<LPARAM>(&check));
    if (result == -1) return Entry::NotShown;
    return result != 0 ? Entry::Accepted : Entry::Refused;
  }

  bool ShowChange(const ChangeSubmit& submit) override {
    const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), IRONWOOD_CHANGEPASSWORD,
                                           nullptr, ChangeProcedure,
                                           reinterpret_cast<LPARAM>(&submit));
    return result == 1;
  }
};

}  // namespace

std::unique_ptr<PasswordDialogs> CreatePasswordDialogs() {
  return std::make_unique<Win32PasswordDialogs>();
}

}  // namespace ironwood::platform
