#pragma once

// Sound effects through DirectSound on the default device, at the normal cooperative level for
// the saver's window. Every buffer is a static one with volume control, filled once when it is
// made. Every SoundBuffer an output made must be destroyed before the output: the output's
// destructor releases the DirectSound object its buffers belong to.

#include <windows.h>

#include <memory>
#include <string>

#include "platform/sound_output.h"

namespace ironwood::platform {

// The default device's output for `window`; null, with the reason in `why` (when given), when
// DirectSound cannot be created or will not take the window's cooperative level.
std::unique_ptr<SoundOutput> OpenDirectSoundOutput(HWND window, std::string* why);

}  // namespace ironwood::platform
