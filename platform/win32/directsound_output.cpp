#include "platform/win32/directsound_output.h"

#include <mmsystem.h>
#include <dsound.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace ironwood::platform {
namespace {

class DirectSoundBuffer : public SoundBuffer {
 public:
  explicit DirectSoundBuffer(IDirectSoundBuffer* buffer) : buffer_(buffer) {}
  ~DirectSoundBuffer() override { buffer_->Release(); }
  DirectSoundBuffer(const DirectSoundBuffer&) = delete;
  DirectSoundBuffer& operator=(const DirectSoundBuffer&) = delete;

  void SetVolume(int hundredthsOfDecibel) override {
    buffer_->SetVolume(std::clamp(hundredthsOfDecibel, DSBVOLUME_MIN, DSBVOLUME_MAX));
  }

  // DirectSound itself leaves a buffer that is already playing where it is.
  void Play(bool looping) override { buffer_->Play(0, 0, looping ? DSBPLAY_LOOPING : 0); }

  void Stop() override { buffer_->Stop(); }

 private:
  IDirectSoundBuffer* buffer_;
};

class DirectSoundOutput : public SoundOutput {
 public:
  explicit DirectSoundOutput(IDirectSound* sound) : sound_(sound) {}
  ~DirectSoundOutput() override { sound_->Release(); }
  DirectSoundOutput(const DirectSoundOutput&) = delete;
  DirectSoundOutput& operator=(const DirectSoundOutput&) = delete;

  std::unique_ptr<SoundBuffer> CreateBuffer(const std::array<std::uint8_t, 18>& format,
                                            const std::vector<std::uint8_t>& samples) override {
    if (samples.size() < DSBSIZE_MIN || samples.size() > DSBSIZE_MAX) return nullptr;
    WAVEFORMATEX waveFormat{};
    static_assert(sizeof(WAVEFORMATEX) == 18, "the wave format record is 18 bytes");
    std::memcpy(&waveFormat, format.data(), sizeof(waveFormat));

    // The description without the 3D algorithm, the one every DirectSound takes. Its size is 20
    // bytes in a 32-bit program and 24 in a 64-bit one, where the format pointer is 8 bytes wide
    // and aligned; DirectSound refuses any other size.
    DSBUFFERDESC1 description{};
    description.dwSize = sizeof(description);
    description.dwFlags = DSBCAPS_STATIC | DSBCAPS_CTRLVOLUME;
    description.dwBufferBytes = static_cast<DWORD>(samples.size());
    description.lpwfxFormat = &waveFormat;
    IDirectSoundBuffer* buffer = nullptr;
    if (FAILED(sound_->CreateSoundBuffer(reinterpret_cast<LPCDSBUFFERDESC>(&description), &buffer,
                                         nullptr)) ||
        buffer == nullptr) {
      return nullptr;
    }
    auto made = std::make_unique<DirectSoundBuffer>(buffer);  // releases it on every way out

    void* first = nullptr;
    void* second = nullptr;
    DWORD firstSize = 0;
    DWORD secondSize = 0;
    if (FAILED(buffer->Lock(0, description.dwBufferBytes, &first, &firstSize, &second,
                            &secondSize, 0))) {
      return nullptr;
    }
    // A lock never hands out more than was asked for; bounded all the same.
    const std::size_t firstCopy = std::min<std::size_t>(firstSize, samples.size());
    if (first != nullptr) std::memcpy(first, samples.data(), firstCopy);
    if (second != nullptr) {
      std::memcpy(second, samples.data() + firstCopy,
                  std::min<std::size_t>(secondSize, samples.size() - firstCopy));
    }
    if (FAILED(buffer->Unlock(first, firstSize, second, secondSize))) return nullptr;
    return made;
  }

 private:
  IDirectSound* sound_;
};

std::string Reason(const char* what, HRESULT result) {
  char text[96];
  std::snprintf(text, sizeof text, "%s (0x%08lX)", what, static_cast<unsigned long>(result));
  return text;
}

}  // namespace

std::unique_ptr<SoundOutput> OpenDirectSoundOutput(HWND window, std::string* why) {
  IDirectSound* sound = nullptr;
  const HRESULT created = DirectSoundCreate(nullptr, &sound, nullptr);
  if (FAILED(created) || sound == nullptr) {
    if (why != nullptr) *why = Reason("DirectSound could not be created", created);
    return nullptr;
  }
  const HRESULT level = sound->SetCooperativeLevel(window, DSSCL_NORMAL);
  if (FAILED(level)) {
    sound->Release();
    if (why != nullptr) *why = Reason("DirectSound refused the window's cooperative level", level);
    return nullptr;
  }
  return std::make_unique<DirectSoundOutput>(sound);
}

}  // namespace ironwood::platform
