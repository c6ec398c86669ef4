#include "programs/win32/config_sheet.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "config/config_program.h"
#include "config/settings_transfer.h"
#include "programs/win32/config_pages.h"

namespace ironwood::platform::win32config {

namespace {

constexpr char kMutexName[] = "StarfraySS Configuration";
constexpr char kClassName[] = "StarfraySSConfig";
constexpr char kOwnerTitle[] = "Starfray SS Configuration";

LRESULT CALLBACK OwnerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// The settings are read before the sheet is made, so every page fills from them; the callback
// has nothing left to do.
int CALLBACK SheetCallback(HWND, UINT, LPARAM) {
  return 0;
}

// A transfer's report goes to the standard error the program was given (a script's redirection
// or the console it was started from); with neither, to a message box.
void Report(const std::string& text) {
  if (text.empty()) return;
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (error == nullptr || error == INVALID_HANDLE_VALUE) {
    if (AttachConsole(ATTACH_PARENT_PROCESS)) error = GetStdHandle(STD_ERROR_HANDLE);
  }
  const std::string line = text + "\r\n";
  DWORD written = 0;
  if (error != nullptr && error != INVALID_HANDLE_VALUE &&
      WriteFile(error, line.data(), static_cast<DWORD>(line.size()), &written, nullptr)) {
    return;
  }
  MessageBoxA(nullptr, text.c_str(), std::string(config::kSheetCaption).c_str(),
              MB_OK | MB_ICONINFORMATION);
}

}  // namespace

int RunConfigurationProgram(HINSTANCE instance, int showCommand, SettingsStore& store,
                            const std::vector<std::string>& arguments) {
  // Held until the process ends; a second start finds it and shows nothing.
  HANDLE mutex = CreateMutexA(nullptr, TRUE, kMutexName);
  const bool firstInstance = mutex != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
  // "--export FILE" and "--import FILE" do their work without a sheet (an import refuses while
  // one is open, since its OK would write over what was imported).
  if (auto transfer = config::RunSettingsTransfer(arguments, store, !firstInstance)) {
    Report(transfer->report);
    return transfer->exitCode;
  }
  if (!firstInstance) return 0;

  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);

  WNDCLASSA windowClass = {};
  windowClass.style = CS_OWNDC;
  windowClass.lpfnWndProc = OwnerProcedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszMenuName = kClassName;
  windowClass.lpszClassName = kClassName;
  if (!RegisterClassA(&windowClass)) return 0;
  HWND owner = CreateWindowExA(0, kClassName, kOwnerTitle,
                               WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 0, 0, nullptr,
                               nullptr, instance, nullptr);
  if (owner == nullptr) return 0;
  ShowWindow(owner, showCommand);
  UpdateWindow(owner);

  config::ConfigProgram program(store);
  program.LoadSettings();
  SheetContext context{&program, false, {}};

  const std::array<PageProcedure, 4> procedures = PageProcedures();
  std::string titles[4];
  std::string templates[4];
  PROPSHEETPAGEA pages[4] = {};
  for (int i = 0; i < 4; ++i) {
    titles[i] = std::string(config::kPages[i].title);
    templates[i] = std::string(config::kPages[i].templateName);
    pages[i].dwSize = sizeof pages[i];
    pages[i].dwFlags = PSP_USETITLE;
    pages[i].hInstance = instance;
    pages[i].pszTemplate = templates[i].c_str();
    pages[i].pfnDlgProc = procedures[i];
    pages[i].pszTitle = titles[i].c_str();
    pages[i].lParam = reinterpret_cast<LPARAM>(&context);
  }
  const std::string caption(config::kSheetCaption);
  PROPSHEETHEADERA header = {};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK | PSH_NOAPPLYNOW;
  header.hwndParent = owner;
  header.hInstance = instance;
  header.pszCaption = caption.c_str();
  header.nPages = 4;
  header.nStartPage = 0;
  header.ppsp = pages;
  header.pfnCallback = SheetCallback;
  const INT_PTR result = PropertySheetA(&header);
  // OK is what the pages heard; the sheet's own result is not relied on, since it may say 0
  // when no page reported a change.
  if (result >= 0 && context.okPressed && !program.SaveSettings()) {
    MessageBoxA(owner, std::string(config::kSettingsNotSaved).c_str(), caption.c_str(),
                MB_OK | MB_ICONWARNING);
  }

  PostQuitMessage(0);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace ironwood::platform::win32config
