#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ironwood::assetgen {

// Every sound is mono, 16-bit, at this rate, peaking near -3 dBFS with no DC offset. Synthesis is
// deterministic: noise comes from an integer hash of the sample index, so the same build always
// writes the same files.
constexpr int kSoundSampleRate = 22050;

// The ship-interior hum that loops for the whole run: 5 s of deep beating partials and a little
// filtered noise. Every component repeats exactly over the loop, so the end joins the start.
std::vector<std::int16_t> BackgroundHum();

// A torpedo hit: noise crack, low falling thump and a darkening rumble, 1.5 s.
std::vector<std::int16_t> TorpedoDetonation();

// Ship-class sounds. variant 0..5 picks pitch and colour; values outside are clamped.
// A rising zap with a whoosh, 0.6 s.
std::vector<std::int16_t> TorpedoLaunch(int variant);
// A buzzing beam, exactly 1 s, looping seamlessly like the hum.
std::vector<std::int16_t> PhaserLoop(int variant);
// A ship coming apart: rumble, secondary blasts, tearing crackle and metallic groans, 3 s.
std::vector<std::int16_t> BreakUp(int variant);

// Writes BackgroundHumFinal.wav and PhotonExplosionFinal.wav straight into installationFolder,
// which must exist. False when either file cannot be written.
bool WriteSounds(const std::string& installationFolder);

}  // namespace ironwood::assetgen
