#pragma once

// Sound effects through OpenAL, opened at run time so that the saver runs on, silent, on a
// system without it. Every SoundBuffer an output made must be destroyed before the output: the
// output's destructor closes the context and device its buffers' samples live in. The buffers
// share the context's sources, one taken only while a sound plays; with none free a louder
// sound takes the quietest one's, and a sound no louder than any playing is not heard.

#include <memory>
#include <string>

#include "platform/sound_output.h"

namespace ironwood::platform {

// The default device's output through "libopenal.so.1"; null, with the reason in `why` (when
// given), when the library, the device or a context cannot be had.
std::unique_ptr<SoundOutput> OpenOpenAlOutput(std::string* why);
// The same through the named library.
std::unique_ptr<SoundOutput> OpenOpenAlOutput(const char* libraryName, std::string* why);

// Gain for a volume in hundredths of a decibel, clamped to [-10000, 0]: 10^(V/2000).
float OpenAlGain(int hundredthsOfDecibel);

}  // namespace ironwood::platform
