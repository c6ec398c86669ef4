// Drives a running program's dialog or property sheet as a user would, through its controls'
// identifiers, for the system tests:
//   dialog_driver "WINDOW TITLE" COMMAND [ARGS] [COMMAND [ARGS] ...]
// Commands, run in order on the top-level window of that exact title (waited for up to ten
// seconds); in a property sheet the controls are those of the page on show:
//   page N            shows the sheet's page N (0 first)
//   click ID          clicks the button (posted, so a dialog it opens does not block us)
//   select ID N       selects entry N of a list or drop-down (no notification, as the call makes
//                     none)
//   text ID TEXT      sets a control's text
//   slider ID POS     moves a slider and tells its page, as a drag that ends there would
//   items ID          prints the entries of a list or drop-down, one a line
//   gettext ID        prints a control's text
//   statics           prints the text of each static control that has one, one a line (a
//                     message box's text)
//   checked ID        prints 1 when the box is ticked, else 0
//   visible ID        prints 1 when the control is visible, else 0
//   ok | cancel       presses the sheet's (or dialog's) OK or Cancel
//   gone              waits up to ten seconds for the window to close
// Exit status 0 when every command could be done; 2 with a message on standard error otherwise.

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

HWND FindTop(const std::string& title, int waitMs) {
  for (int waited = 0;; waited += 100) {
    HWND window = FindWindowA(nullptr, title.c_str());
    if (window != nullptr || waited >= waitMs) return window;
    Sleep(100);
  }
}

// Waits until the window's thread has handled everything posted to it so far.
void Settle(HWND top) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(top, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
  Sleep(150);
}

HWND Parent(HWND top) {
  HWND page = reinterpret_cast<HWND>(SendMessageA(top, PSM_GETCURRENTPAGEHWND, 0, 0));
  return page != nullptr ? page : top;
}

std::string ClassOf(HWND control) {
  char name[64] = {};
  GetClassNameA(control, name, sizeof name);
  return name;
}

bool IsCombo(HWND control) {
  return _stricmp(ClassOf(control).c_str(), "ComboBox") == 0;
}

// Texts cross to the other process as wide characters: the controls are Unicode windows, and
// narrow texts do not always survive the trip both ways.
std::wstring Wide(const std::string& text) {
  std::wstring wide(text.size() + 1, L'\0');
  const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(),
                                         static_cast<int>(wide.size()));
  wide.resize(length > 0 ? length - 1 : 0);
  return wide;
}

std::string Narrow(const wchar_t* wide) {
  char text[2048] = {};
  WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
  return text;
}

int Fail(const std::string& what) {
  std::fprintf(stderr, "dialog_driver: %s\n", what.c_str());
  return 2;
}

// Prints the text of each static control; a named callback, since the 32-bit build's
// enumeration calls it with the system's calling convention.
BOOL CALLBACK PrintStaticText(HWND child, LPARAM) {
  wchar_t text[1024] = {};
  if (_stricmp(ClassOf(child).c_str(), "Static") == 0 && GetWindowTextW(child, text, 1024) > 0) {
    std::printf("%s\n", Narrow(text).c_str());
  }
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Fail("usage: dialog_driver \"WINDOW TITLE\" COMMAND [ARGS] ...");
  const std::string title = argv[1];
  HWND top = FindTop(title, 10000);
  if (top == nullptr) return Fail("no window titled \"" + title + "\"");
  std::vector<std::string> args(argv + 2, argv + argc);
  std::size_t at = 0;
  auto next = [&](const char* what) -> std::string {
    if (at >= args.size()) {
      std::fprintf(stderr, "dialog_driver: missing %s\n", what);
      std::exit(2);
    }
    return args[at++];
  };
  auto control = [&](int id) {
    HWND found = GetDlgItem(Parent(top), id);
    if (found == nullptr) {
      std::fprintf(stderr, "dialog_driver: no control %d in \"%s\"\n", id, title.c_str());
      std::exit(2);
    }
    return found;
  };
  while (at < args.size()) {
    const std::string command = next("command");
    if (command == "page") {
      const int index = std::atoi(next("page").c_str());
      SendMessageA(top, PSM_SETCURSEL, index, 0);
      // The tab row follows too, as a click on the tab would leave it.
      HWND tabs = reinterpret_cast<HWND>(SendMessageA(top, PSM_GETTABCONTROL, 0, 0));
      if (tabs != nullptr) SendMessageA(tabs, TCM_SETCURSEL, index, 0);
      RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    } else if (command == "click") {
      PostMessageA(control(std::atoi(next("id").c_str())), BM_CLICK, 0, 0);
    } else if (command == "select") {
      HWND list = control(std::atoi(next("id").c_str()));
      const int index = std::atoi(next("index").c_str());
      const LRESULT result =
          SendMessageA(list, IsCombo(list) ? CB_SETCURSEL : LB_SETCURSEL, index, 0);
      if (result < 0 && index >= 0) return Fail("no entry " + std::to_string(index));
    } else if (command == "text") {
      HWND field = control(std::atoi(next("id").c_str()));
      const std::wstring text = Wide(next("text"));
      SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    } else if (command == "slider") {
      HWND slider = control(std::atoi(next("id").c_str()));
      const int position = std::atoi(next("position").c_str());
      SendMessageA(slider, TBM_SETPOS, TRUE, position);
      const bool vertical = (GetWindowLongA(slider, GWL_STYLE) & TBS_VERT) != 0;
      SendMessageA(GetParent(slider), vertical ? WM_VSCROLL : WM_HSCROLL,
                   MAKEWPARAM(TB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(slider));
    } else if (command == "items") {
      HWND list = control(std::atoi(next("id").c_str()));
      const bool combo = IsCombo(list);
      const LRESULT count = SendMessageA(list, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
      for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(list, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, i, 0);
        if (length < 0) continue;
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        SendMessageW(list, combo ? CB_GETLBTEXT : LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        std::printf("%s\n", Narrow(text.c_str()).c_str());
      }
    } else if (command == "gettext") {
      wchar_t text[1024] = {};
      SendMessageW(control(std::atoi(next("id").c_str())), WM_GETTEXT, 1024,
                   reinterpret_cast<LPARAM>(text));
      std::printf("%s\n", Narrow(text).c_str());
    } else if (command == "statics") {
      EnumChildWindows(Parent(top), PrintStaticText, 0);
    } else if (command == "checked") {
      std::printf("%d\n", SendMessageA(control(std::atoi(next("id").c_str())), BM_GETCHECK, 0, 0) ==
                              BST_CHECKED ? 1 : 0);
    } else if (command == "visible") {
      std::printf("%d\n", IsWindowVisible(control(std::atoi(next("id").c_str()))) ? 1 : 0);
    } else if (command == "ok" || command == "cancel") {
      const bool ok = command == "ok";
      if (Parent(top) != top) {
        PostMessageA(top, PSM_PRESSBUTTON, ok ? PSBTN_OK : PSBTN_CANCEL, 0);
      } else {
        PostMessageA(top, WM_COMMAND, MAKEWPARAM(ok ? IDOK : IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(top, ok ? IDOK : IDCANCEL)));
      }
    } else if (command == "gone") {
      for (int waited = 0; IsWindow(top); waited += 100) {
        if (waited >= 10000) return Fail("\"" + title + "\" is still open");
        Sleep(100);
      }
      continue;
    } else {
      return Fail("unknown command " + command);
    }
    std::fflush(stdout);
    if (IsWindow(top)) Settle(top);
  }
  return 0;
}
