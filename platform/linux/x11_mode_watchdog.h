#pragma once

// Putting the desktop's display mode back, by the saver or, when the saver dies without doing
// it, by a watchdog process.

#include <sys/types.h>

#include <signal.h>

#include <vector>

#include "platform/linux/x11_calls.h"

namespace ironwood::platform::x11 {

// The mode to put back: the changed CRTC as it was, and the screen size if it had to grow.
struct SavedMode {
  RRCrtc crtc = 0;
  RRMode mode = 0;
  int x = 0;
  int y = 0;
  Rotation rotation = RR_Rotate_0;
  std::vector<RROutput> outputs;
  bool screenResized = false;
  int screenWidth = 0;
  int screenHeight = 0;
  int screenMmWidth = 0;
  int screenMmHeight = 0;
};

// Puts the saved mode back through `display`. Used by the saver itself and by its watchdog, so
// it asks the server afresh for everything but the saved values.
bool PutBack(Display* display, const SavedMode& saved);

// A child process that holds the desktop's mode and its own connection to the display. It waits
// on a socket: a byte from the saver means the mode is back and nothing is left to do; the end
// of the stream without one means the saver is gone (a signal, a crash, an exit that never
// reached RestoreDisplayMode), and it puts the mode back itself. This covers even SIGKILL, and
// the saver's signal handlers, if it has any, need not touch X at all.
class ModeWatchdog {
 public:
  ModeWatchdog() = default;
  ModeWatchdog(const ModeWatchdog&) = delete;
  ModeWatchdog& operator=(const ModeWatchdog&) = delete;
  ~ModeWatchdog() { Disarm(); }

  // Opens the watchdog's connection to `displayName` and starts it; false when either fails.
  bool Start(const char* displayName, const SavedMode& saved);
  // Tells the watchdog the mode is back and waits for it to leave.
  void Disarm();

 private:
  // The terminal's and the session's signals reach the whole process group; the watchdog must
  // outlive the saver they end.
  static constexpr int kGroupSignals[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGTSTP};

  [[noreturn]] static void Watch(Display* display, int socket, const SavedMode& saved,
                                 const sigset_t& mask);

  pid_t pid_ = -1;
  int socket_ = -1;
};

}  // namespace ironwood::platform::x11
