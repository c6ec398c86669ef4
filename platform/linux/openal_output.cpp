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

class OpenAlBuffer : public SoundBuffer {
 public:
  OpenAlBuffer(std::shared_ptr<const AlCalls> al, ALuint buffer, ALuint source)
      : al_(std::move(al)), buffer_(buffer), source_(source) {}
  ~OpenAlBuffer() override {
    // The source lets go of the samples only once it is stopped and detached.
    al_->SourceStop(source_);
    al_->Sourcei(source_, AL_BUFFER, 0);
    al_->DeleteSources(1, &source_);
    al_->DeleteBuffers(1, &buffer_);
  }
  OpenAlBuffer(const OpenAlBuffer&) = delete;
  OpenAlBuffer& operator=(const OpenAlBuffer&) = delete;

  void SetVolume(int hundredthsOfDecibel) override {
    al_->Sourcef(source_, AL_GAIN, OpenAlGain(hundredthsOfDecibel));
  }

  void Play(bool looping) override {
    al_->Sourcei(source_, AL_LOOPING, looping ? AL_TRUE : AL_FALSE);
    ALint state = AL_STOPPED;
    al_->GetSourcei(source_, AL_SOURCE_STATE, &state);
    if (state != AL_PLAYING) al_->SourcePlay(source_);
  }

  void Stop() override { al_->SourceStop(source_); }

 private:
  std::shared_ptr<const AlCalls> al_;
  ALuint buffer_;
  ALuint source_;
};

class OpenAlOutput : public SoundOutput {
 public:
  OpenAlOutput(std::shared_ptr<const AlCalls> al, ALCdevice* device, ALCcontext* context)
      : al_(std::move(al)), device_(device), context_(context) {}
  ~OpenAlOutput() override {
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
    ALuint source = 0;
    al_->GenSources(1, &source);
    if (al_->GetError() != AL_NO_ERROR) {
      al_->DeleteBuffers(1, &buffer);
      return nullptr;
    }
    // The saver works out each sound's loudness itself: the source sits on the listener and
    // never fades with distance.
    al_->Sourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    al_->Source3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
    al_->Sourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
    al_->Sourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
    if (al_->GetError() != AL_NO_ERROR) {
      al_->DeleteSources(1, &source);
      al_->DeleteBuffers(1, &buffer);
      return nullptr;
    }
    return std::make_unique<OpenAlBuffer>(al_, buffer, source);
  }

 private:
  std::shared_ptr<const AlCalls> al_;
  ALCdevice* device_;
  ALCcontext* context_;
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
