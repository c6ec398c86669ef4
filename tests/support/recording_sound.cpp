#include "tests/support/recording_sound.h"

namespace ironwood::testing {

namespace {

class RecordingBuffer : public platform::SoundBuffer {
 public:
  RecordingBuffer(RecordingSound* owner, int number) : owner_(owner), number_(number) {}
  void SetVolume(int volume) override { Write("SetVolume(" + std::to_string(volume) + ")"); }
  void Play(bool looping) override { Write(looping ? "Play(looping)" : "Play(once)"); }
  void Stop() override { Write("Stop"); }

 private:
  void Write(const std::string& call) {
    owner_->calls.push_back(std::to_string(number_) + " " + call);
  }
  RecordingSound* owner_;
  int number_;
};

}  // namespace

std::unique_ptr<platform::SoundBuffer> RecordingSound::CreateBuffer(
    const std::array<std::uint8_t, 18>&, const std::vector<std::uint8_t>& samples) {
  if (refuseAfter_ >= 0 && made_ >= refuseAfter_) return nullptr;
  ++made_;
  sampleBytes.push_back(samples.size());
  return std::make_unique<RecordingBuffer>(this, made_);
}

std::vector<std::string> RecordingSound::CallsOf(int buffer) const {
  const std::string prefix = std::to_string(buffer) + " ";
  std::vector<std::string> out;
  for (const std::string& call : calls) {
    if (call.rfind(prefix, 0) == 0) out.push_back(call.substr(prefix.size()));
  }
  return out;
}

}  // namespace ironwood::testing
