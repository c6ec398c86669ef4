#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "config/config_program.h"

namespace ironwood::platform::win32config {

// What the sheet shares with its pages (each page description's lParam points to it).
struct SheetContext {
  config::ConfigProgram* program = nullptr;
  bool okPressed = false;  // the pages heard OK: the sheet saves once it has closed
  // Messages a page gave while it was being shown, for once the sheet is on screen.
  std::vector<std::string> laterMessages;
};

using PageProcedure = INT_PTR(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);

// The dialog procedures of the pages, in the order of config::kPages.
std::array<PageProcedure, 4> PageProcedures();

}  // namespace ironwood::platform::win32config
