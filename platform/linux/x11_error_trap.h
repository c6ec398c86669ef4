#pragma once

#include "platform/linux/x11_calls.h"

namespace ironwood::platform::x11 {

// Xlib's default error handler ends the process; the window's own requests may fail (a mode the
// driver refuses, a window someone else destroyed) and must only report it. Errors of other
// connections go on to whatever handler was there. Traps are never nested.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display) : display_(display) {
    Xlib().Sync(display_, False);  // earlier requests' errors are not ours to catch
    trapped_ = display_;
    error_ = 0;
    previous_ = Xlib().SetErrorHandler(&ErrorTrap::Handler);
  }
  ~ErrorTrap() {
    Xlib().Sync(display_, False);
    Xlib().SetErrorHandler(previous_);
    trapped_ = nullptr;
  }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

  // Waits for the server to answer everything sent so far; true when any of it failed.
  bool Failed() {
    Xlib().Sync(display_, False);
    return error_ != 0;
  }

 private:
  static int Handler(Display* display, XErrorEvent* event) {
    if (display == trapped_) {
      error_ = event->error_code;
      return 0;
    }
    return previous_ != nullptr ? previous_(display, event) : 0;
  }

  Display* display_;
  static inline Display* trapped_ = nullptr;
  static inline int error_ = 0;
  static inline XErrorHandler previous_ = nullptr;
};

// An error handler that drops every error (the mode watchdog, which has no one to tell).
inline int IgnoreErrors(Display*, XErrorEvent*) {
  return 0;
}

}  // namespace ironwood::platform::x11
