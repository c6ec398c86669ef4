#include "platform/linux/openal_output.h"

// The library is opened at run time; its prototypes must never be called directly.
#define AL_NO_PROTOTYPES
#define ALC_NO_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/linux/library_symbols.h"

namespace ironwood::platform {
namespace {

struct AlCalls {
  LPALCOPENDEVICE OpenDevice = nullptr;
  LPALCCLOSEDEVICE CloseDevice = nullptr;
  LPALCCREATECONTEXT CreateContext = nullptr;
  LPALCDESTROYCONTEXT DestroyContext = nullptr;
  LPALCMAKECONTEXTCURRENT MakeContextCurrent = nullptr;
  LPALGETERROR GetError = nullptr;
  LPALGENBUFFERS GenBuffers = nullptr;
  LPALDELETEBUFFERS DeleteBuffers = nullptr;
  LPALBUFFERDATA BufferData = nullptr;
  LPALGENSOURCES GenSources = nullptr;
  LPALDELETESOURCES DeleteSources = nullptr;
  LPALSOURCEI Sourcei = nullptr;
  LPALSOURCEF Sourcef = nullptr;
  LPALSOURCE3F Source3f = nullptr;
  LPALGETSOURCEI GetSourcei = nullptr;
  LPALSOURCEPLAY SourcePlay = nullptr;
  LPALSOURCESTOP SourceStop = nullptr;

  bool Resolve(void* library) {
    return ResolveSymbol(library, "alcOpenDevice", OpenDevice) &&
           ResolveSymbol(library, "alcCloseDevice", CloseDevice) &&
           ResolveSymbol(library, "alcCreateContext", CreateContext) &&
           ResolveSymbol(library, "alcDestroyContext", DestroyContext) &&
           ResolveSymbol(library, "alcMakeContextCurrent", MakeContextCurrent) &&
           ResolveSymbol(library, "alGetError", GetError) &&
           ResolveSymbol(library, "alGenBuffers", GenBuffers) &&
           ResolveSymbol(library, "alDeleteBuffers", DeleteBuffers) &&
           ResolveSymbol(library, "alBufferData", BufferData) &&
           ResolveSymbol(library, "alGenSources", GenSources) &&
           ResolveSymbol(library, "alDeleteSources", DeleteSources) &&
           ResolveSymbol(library, "alSourcei", Sourcei) &&
           ResolveSymbol(library, "alSourcef", Sourcef) &&
           ResolveSymbol(library, "alSource3f", Source3f) &&
           ResolveSymbol(library, "alGetSourcei", GetSourcei) &&
           ResolveSymbol(library, "alSourcePlay", SourcePlay) &&
           ResolveSymbol(library, "alSourceStop", SourceStop);
  }
};

std::uint16_t ReadU16(const std::array<std::uint8_t, 18>& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

std::uint32_t ReadU32(const std::array<std::uint8_t, 18>& bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) | (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
         (static_cast<std::uint32_t>(bytes[at + 2]) << 16) |
         (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

class OpenAlBuffer;

// The device's sources, shared by every buffer: OpenAL Soft gives a context only so many (256
// unless configured), far fewer than three a ship and one a torpedo in a large battle. A buffer
// holds a source only while it plays; when none is left the quietest playing sound gives its
// source to a louder one, so the sounds nearest the camera are heard. A sound at full volume is
// never given up (nothing can be louder): the looping hum keeps its source.
class SourcePool {
 public:
  explicit SourcePool(std::shared_ptr<const AlCalls> al) : al_(std::move(al)) {}
  ~SourcePool() {
    for (const Slot& slot : slots_) al_->DeleteSources(1, &slot.source);
  }
  SourcePool(const SourcePool&) = delete;
  SourcePool& operator=(const SourcePool&) = delete;

  // A source, stopped and without samples, for `buffer` to play at `volume`; -1 when every
  // source plays a sound at least as loud.
  int Acquire(OpenAlBuffer* buffer, int volume);
  // Stops the slot's source and takes it back.
  void Release(int slot);
  ALuint Source(int slot) const { return slots_[static_cast<std::size_t>(slot)].source; }
  int Count() const { return static_cast<int>(slots_.size()); }

 private:
  struct Slot {
    ALuint source = 0;
    OpenAlBuffer* owner = nullptr;  // none: free
  };

  bool Grow();
  // Takes back every source whose sound has played to its end; the quietest still playing is
  // left in `quietest` (-1 when none).
  void ReclaimFinished(int* quietest);

  std::shared_ptr<const AlCalls> al_;
  std::vector<Slot> slots_;
  std::vector<int> free_;
  bool full_ = false;  // the context would make no more
};

class OpenAlBuffer : public SoundBuffer {
 public:
  OpenAlBuffer(std::shared_ptr<const AlCalls> al, std::shared_ptr<SourcePool> pool, ALuint buffer)
      : al_(std::move(al)), pool_(std::move(pool)), buffer_(buffer) {}
  ~OpenAlBuffer() override {
    Stop();
    al_->DeleteBuffers(1, &buffer_);
  }
  OpenAlBuffer(const OpenAlBuffer&) = delete;
  OpenAlBuffer& operator=(const OpenAlBuffer&) = delete;

  void SetVolume(int hundredthsOfDecibel) override {
    volume_ = std::clamp(hundredthsOfDecibel, -10000, 0);
    if (slot_ >= 0) al_->Sourcef(pool_->Source(slot_), AL_GAIN, OpenAlGain(volume_));
  }

  void Play(bool looping) override {
    if (slot_ >= 0) {
      const ALuint source = pool_->Source(slot_);
      al_->Sourcei(source, AL_LOOPING, looping ? AL_TRUE : AL_FALSE);
      ALint state = AL_STOPPED;
      al_->GetSourcei(source, AL_SOURCE_STATE, &state);
      if (state != AL_PLAYING) al_->SourcePlay(source);
      return;
    }
    slot_ = pool_->Acquire(this, volume_);
    if (slot_ < 0) return;  // every source is busy with a louder sound
    const ALuint source = pool_->Source(slot_);
    al_->Sourcei(source, AL_BUFFER, static_cast<ALint>(buffer_));
    al_->Sourcef(source, AL_GAIN, OpenAlGain(volume_));
    al_->Sourcei(source, AL_LOOPING, looping ? AL_TRUE : AL_FALSE);
    al_->SourcePlay(source);
  }

  void Stop() override {
    if (slot_ < 0) return;
    pool_->Release(slot_);
  }

  int Volume() const { return volume_; }
  // The pool took the source back: the sound is no longer playing.
  void SourceTaken() { slot_ = -1; }

 private:
  std::shared_ptr<const AlCalls> al_;
  std::shared_ptr<SourcePool> pool_;
  ALuint buffer_;
  int volume_ = 0;  // as last set, clamped; a buffer never set plays at full volume
  int slot_ = -1;
};

bool SourcePool::Grow() {
  if (full_) return false;
  al_->GetError();
  ALuint source = 0;
  al_->GenSources(1, &source);
  if (al_->GetError() != AL_NO_ERROR) {
    full_ = true;
    return false;
  }
  // The saver works out each sound's loudness itself: the source sits on the listener and
  // never fades with distance.
  al_->Sourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
  al_->Source3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
  al_->Sourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
  free_.push_back(static_cast<int>(slots_.size()));
  slots_.push_back({source, nullptr});
  return true;
}

void SourcePool::ReclaimFinished(int* quietest) {
  *quietest = -1;
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    const Slot& slot = slots_[i];
    if (slot.owner == nullptr) continue;
    ALint state = AL_STOPPED;
    al_->GetSourcei(slot.source, AL_SOURCE_STATE, &state);
    if (state != AL_PLAYING) {
      Release(static_cast<int>(i));
    } else if (*quietest < 0 ||
               slot.owner->Volume() < slots_[static_cast<std::size_t>(*quietest)].owner->Volume()) {
      *quietest = static_cast<int>(i);
    }
  }
}

int SourcePool::Acquire(OpenAlBuffer* buffer, int volume) {
  int quietest = -1;
  if (free_.empty() && !Grow()) ReclaimFinished(&quietest);
  if (free_.empty()) {
    if (quietest < 0 || slots_[static_cast<std::size_t>(quietest)].owner->Volume() >= volume) {
      return -1;
    }
    Release(quietest);
  }
  const int slot = free_.back();
  free_.pop_back();
  slots_[static_cast<std::size_t>(slot)].owner = buffer;
  return slot;
}

void SourcePool::Release(int slot) {
  Slot& taken = slots_[static_cast<std::size_t>(slot)];
  if (taken.owner == nullptr) return;
  // The source lets go of the samples only once it is stopped and detached.
  al_->SourceStop(taken.source);
  al_->Sourcei(taken.source, AL_BUFFER, 0);
  taken.owner->SourceTaken();
  taken.owner = nullptr;
  free_.push_back(slot);
}

class OpenAlOutput : public SoundOutput {
 public:
  OpenAlOutput(std::shared_ptr<const AlCalls> al, ALCdevice* device, ALCcontext* context)
      : al_(std::move(al)), device_(device), context_(context),
        pool_(std::make_shared<SourcePool>(al_)) {}
  ~OpenAlOutput() override {
    pool_.reset();  // its sources belong to the context
    al_->MakeContextCurrent(nullptr);
    al_->DestroyContext(context_);
    al_->CloseDevice(device_);
  }
  OpenAlOutput(const OpenAlOutput&) = delete;
  OpenAlOutput& operator=(const OpenAlOutput&) = delete;

  std::unique_ptr<SoundBuffer> CreateBuffer(const std::array<std::uint8_t, 18>& format,
                                            const std::vector<std::uint8_t>& samples) override {
    const std::uint16_t tag = ReadU16(format, 0);
    const std::uint16_t channels = ReadU16(format, 2);
    const std::uint32_t rate = ReadU32(format, 4);
    const std::uint16_t bits = ReadU16(format, 14);
    if (tag != 1 || rate == 0 || rate > 192000) return nullptr;
    ALenum alFormat = 0;
    if (channels == 1 && bits == 8) alFormat = AL_FORMAT_MONO8;
    if (channels == 1 && bits == 16) alFormat = AL_FORMAT_MONO16;
    if (channels == 2 && bits == 8) alFormat = AL_FORMAT_STEREO8;
    if (channels == 2 && bits == 16) alFormat = AL_FORMAT_STEREO16;
    if (alFormat == 0) return nullptr;
    // Whole sample frames only: the library refuses a size that is not a multiple of one.
    const std::size_t frame = std::size_t{channels} * bits / 8;
    const std::size_t size = samples.size() / frame * frame;
    if (size == 0 || size > 0x7fffffff) return nullptr;

    al_->GetError();
    ALuint buffer = 0;
    al_->GenBuffers(1, &buffer);
    if (al_->GetError() != AL_NO_ERROR) return nullptr;
    al_->BufferData(buffer, alFormat, samples.data(), static_cast<ALsizei>(size),
                    static_cast<ALsizei>(rate));
    if (al_->GetError() != AL_NO_ERROR) {
      al_->DeleteBuffers(1, &buffer);
      return nullptr;
    }
    return std::make_unique<OpenAlBuffer>(al_, pool_, buffer);
  }

 private:
  std::shared_ptr<const AlCalls> al_;
  ALCdevice* device_;
  ALCcontext* context_;
  std::shared_ptr<SourcePool> pool_;
};

// ALSA's own error handler, as its header declares it.
using AlsaErrorHandler = void (*)(const char* file, int line, const char* function, int error,
                                  const char* format, ...);

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// OpenAL Soft and the ALSA library it plays through print their own complaints on standard
// error (a machine without a sound card gets a screenful); the saver logs its one line about a
// missing device, so both are told to keep quiet through their own settings. ALSA's handler is
// process-wide and OpenAL's backend opens the same library, so setting it here covers it; the
// library stays loaded, as OpenAL's does.
void QuietenSoundLibraries() {
  if (void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL)) {
    using SetHandler = int (*)(AlsaErrorHandler);
    SetHandler setHandler = nullptr;
    if (ResolveSymbol(alsa, "snd_lib_error_set_handler", setHandler)) setHandler(IgnoreAlsaError);
  }
}

// OpenAL Soft reads its log level when it first starts, which opening a device does; a level the
// user chose is kept.
class QuietOpenAlStart {
 public:
  QuietOpenAlStart() : set_(std::getenv("ALSOFT_LOGLEVEL") == nullptr) {
    if (set_) setenv("ALSOFT_LOGLEVEL", "0", 0);
  }
  ~QuietOpenAlStart() {
    if (set_) unsetenv("ALSOFT_LOGLEVEL");
  }
  QuietOpenAlStart(const QuietOpenAlStart&) = delete;
  QuietOpenAlStart& operator=(const QuietOpenAlStart&) = delete;

 private:
  bool set_;
};

std::unique_ptr<SoundOutput> Fail(std::string* why, std::string reason) {
  if (why != nullptr) *why = std::move(reason);
  return nullptr;
}

}  // namespace

float OpenAlGain(int hundredthsOfDecibel) {
  const int volume = std::clamp(hundredthsOfDecibel, -10000, 0);
  return static_cast<float>(std::pow(10.0, volume / 2000.0));
}

std::unique_ptr<SoundOutput> OpenOpenAlOutput(std::string* why) {
  return OpenOpenAlOutput("libopenal.so.1", why);
}

std::unique_ptr<SoundOutput> OpenOpenAlOutput(const char* libraryName, std::string* why) {
  QuietenSoundLibraries();
  const QuietOpenAlStart quiet;
  // The library stays loaded once opened: its mixing threads may outlive a closed device.
  void* library = dlopen(libraryName, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* error = dlerror();
    return Fail(why, std::string("no OpenAL library ") + libraryName +
                         (error != nullptr ? std::string(": ") + error : std::string()));
  }
  auto al = std::make_shared<AlCalls>();
  if (!al->Resolve(library)) {
    return Fail(why, std::string(libraryName) + " lacks an OpenAL function");
  }
  ALCdevice* device = al->OpenDevice(nullptr);
  if (device == nullptr) return Fail(why, "no OpenAL sound device could be opened");
  ALCcontext* context = al->CreateContext(device, nullptr);
  if (context == nullptr) {
    al->CloseDevice(device);
    return Fail(why, "no OpenAL context could be made on the sound device");
  }
  if (al->MakeContextCurrent(context) != ALC_TRUE) {
    al->DestroyContext(context);
    al->CloseDevice(device);
    return Fail(why, "the OpenAL context could not be made current");
  }
  return std::make_unique<OpenAlOutput>(std::move(al), device, context);
}

}  // namespace ironwood::platform
