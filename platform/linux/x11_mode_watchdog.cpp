#include "platform/linux/x11_mode_watchdog.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "platform/linux/x11_error_trap.h"

namespace ironwood::platform::x11 {
namespace {

// Closes every descriptor but the standard ones and the two given.
void CloseOtherDescriptors(int keepA, int keepB) {
  const int low = keepA < keepB ? keepA : keepB;
  const int high = keepA < keepB ? keepB : keepA;
  const auto close_from_to = [](int first, int last) {
    if (first > last) return;
    if (close_range(static_cast<unsigned>(first), static_cast<unsigned>(last), 0) == 0) return;
    const long limit = sysconf(_SC_OPEN_MAX);
    const int end = last < limit ? last : static_cast<int>(limit > 65536 ? 65536 : limit);
    for (int fd = first; fd <= end; ++fd) close(fd);
  };
  close_from_to(3, low - 1);
  close_from_to(low + 1, high - 1);
  close_from_to(high + 1, INT_MAX);
}

}  // namespace

bool PutBack(Display* display, const SavedMode& saved) {
  const RandrCalls& randr = Randr();
  const Window root = DefaultRootWindow(display);
  XRRScreenResources* resources = randr.GetScreenResourcesCurrent(display, root);
  if (resources == nullptr) return false;
  const Status status = randr.SetCrtcConfig(
      display, resources, saved.crtc, CurrentTime, saved.x, saved.y, saved.mode, saved.rotation,
      const_cast<RROutput*>(saved.outputs.data()), static_cast<int>(saved.outputs.size()));
  randr.FreeScreenResources(resources);
  // Shrink only after the CRTC is back inside the old size.
  if (saved.screenResized) {
    randr.SetScreenSize(display, root, saved.screenWidth, saved.screenHeight, saved.screenMmWidth,
                        saved.screenMmHeight);
  }
  Xlib().Sync(display, False);
  return status == RRSetConfigSuccess;
}

bool ModeWatchdog::Start(const char* displayName, const SavedMode& saved) {
  Disarm();
  // Opened here, before the fork: the child of a process that may have other threads should
  // do as little as it can, and a display that cannot be opened is known before any change.
  if (!Randr().loaded) return false;
  Display* own = Xlib().OpenDisplay(displayName);
  if (own == nullptr) return false;
  int query_event = 0;
  int query_error = 0;
  Randr().QueryExtension(own, &query_event, &query_error);
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
    Xlib().CloseDisplay(own);
    return false;
  }
  // The group's signals wait until the child ignores them: a Ctrl-C at the wrong moment must
  // not end the watchdog with the saver.
  sigset_t group_signals;
  sigset_t before;
  sigemptyset(&group_signals);
  for (const int number : kGroupSignals) sigaddset(&group_signals, number);
  pthread_sigmask(SIG_BLOCK, &group_signals, &before);
  const pid_t pid = fork();
  if (pid == 0) {
    close(ends[0]);
    Watch(own, ends[1], saved, before);  // never returns
  }
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  if (pid < 0) {
    close(ends[0]);
    close(ends[1]);
    Xlib().CloseDisplay(own);
    return false;
  }
  close(ends[1]);
  // The connection now belongs to the child. Closing our copy of its socket is all this side
  // may do: any Xlib call would talk over the child's connection. The Display record (a few
  // kilobytes, once per mode change) is left as it is.
  close(ConnectionNumber(own));
  pid_ = pid;
  socket_ = ends[0];
  return true;
}

void ModeWatchdog::Disarm() {
  if (socket_ >= 0) {
    const char done = 'd';
    // A watchdog already gone must not raise SIGPIPE here.
    (void)send(socket_, &done, 1, MSG_NOSIGNAL);
    close(socket_);
    socket_ = -1;
  }
  if (pid_ > 0) {
    while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
  }
}

void ModeWatchdog::Watch(Display* display, int socket, const SavedMode& saved,
                        const sigset_t& mask) {
  for (const int number : kGroupSignals) signal(number, SIG_IGN);
  signal(SIGPIPE, SIG_IGN);
  pthread_sigmask(SIG_SETMASK, &mask, nullptr);
  // Keep nothing of the saver's open (its display connection would keep its window on screen,
  // an output pipe would keep a reader waiting).
  const int null = open("/dev/null", O_RDWR);
  if (null >= 0) {
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    if (null > STDERR_FILENO) close(null);
  }
  CloseOtherDescriptors(socket, ConnectionNumber(display));
  Xlib().SetErrorHandler(&IgnoreErrors);

  char byte = 0;
  ssize_t got = 0;
  do {
    got = read(socket, &byte, 1);
  } while (got < 0 && errno == EINTR);
  if (got != 1) PutBack(display, saved);
  _exit(0);
}

}  // namespace ironwood::platform::x11
