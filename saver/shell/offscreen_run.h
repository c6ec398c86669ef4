#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace ironwood {

// An offscreen run: the saver's own start-up, loop and shutdown drawing into a buffer with no
// window, on a clock that advances a fixed step per frame, for a fixed number of frames, with
// pictures written every so many frames. Tests, benchmarks and machines without a display use it.
struct OffscreenOptions {
  bool enabled = false;
  int frames = 300;
  int frameMilliseconds = 16;
  std::optional<std::uint32_t> seed;
  int picturesEvery = 0;  // 0: none
  std::string picturesFolder;
  std::string flightLog;  // empty: none
  int flightLogEvery = 1;
  bool nullGl = false;  // an OpenGL that draws nothing: no pixels, no EGL, no display
  // Plays this many battles on the null OpenGL and prints their statistics (0: none).
  int battleStats = 0;
  // A battle fighting longer than this in simulated time ends the statistics run unfinished.
  int battleLimitSeconds = 1800;
  // A BMP of twelve frames tiled 4 x 3 (see contact_sheet.h) from the end of the tunnel to the
  // end of that battle, or to the end of the run when it comes first (empty: none).
  std::string contactSheet;
  // Every this many frames a line of the memory resident now and at its peak (0: none).
  int memoryEvery = 0;
};

// The program's one-line usage, for a refused command line.
inline constexpr const char* kSaverUsage =
    "usage: Ironwood [/s | /c | /p HANDLE | /a | --window] [--offscreen [--frames=N] [--frame-ms=N] "
    "[--seed=N] [--pictures-every=N --pictures-folder=PATH] [--contact-sheet=FILE.bmp] "
    "[--null-gl] "
    "[--flight-log=FILE [--flight-log-every=K]] [--battle-stats=N] [--memory-every=N]]";

// Takes the offscreen options (--offscreen, --frames=N, --frame-ms=N, --seed=N,
// --pictures-every=N, --pictures-folder=PATH, --contact-sheet=FILE.bmp, --null-gl,
// --flight-log=FILE, --flight-log-every=K, --battle-stats=N, which implies --offscreen
// --null-gl, --memory-every=N) out of the program's arguments, so that nothing in them (a path like /srv/shots,
// say) can reach the run-mode scan. False, with the reason, for a malformed value or any other
// argument starting with "--".
bool ExtractOffscreenOptions(std::vector<std::string>& arguments, OffscreenOptions& options,
                             std::string& error);

struct SaverServices;

// Runs the saver offscreen: the services' window should be an offscreen one. The clock is a
// manual one advanced by the frame step after each frame, the seed replaces the calendar time,
// and the loop ends after the requested frames. Prints the frame count, the real frames per
// second and the pictures written to `report`, and the contact sheet's frames when one was asked
// for. Returns the saver's exit code, or 1 when the saver ended well but an asked-for contact
// sheet or flight log could not be written, a battle of a statistics run did not end, or the
// saver did not start (its failed steps printed on standard error).
int RunOffscreen(const SaverServices& services, const std::string& workingDirectory,
                 const OffscreenOptions& options, std::FILE* report);

}  // namespace ironwood
