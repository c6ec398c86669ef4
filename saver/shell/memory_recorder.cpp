#include "saver/shell/memory_recorder.h"

#include <cstdio>

#include "platform/process_memory.h"

namespace ironwood {

namespace {

double Megabytes(std::uint64_t bytes) {
  return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

double Rate(long long frames, std::chrono::steady_clock::duration elapsed) {
  const double seconds = std::chrono::duration<double>(elapsed).count();
  return seconds > 0 ? static_cast<double>(frames) / seconds : 0.0;
}

}  // namespace

MemoryRecorder::MemoryRecorder(std::FILE* report, int every, int frameMilliseconds)
    : report_(report),
      every_(every),
      frameMilliseconds_(frameMilliseconds),
      started_(std::chrono::steady_clock::now()),
      lastLine_(started_) {}

void MemoryRecorder::Line(const char* what, long long frames, double framesPerSecond) {
  platform::ProcessMemory memory;
  if (!platform::QueryProcessMemory(&memory)) {
    if (!unavailable_) std::fprintf(report_, "Memory: this system does not give the figures\n");
    unavailable_ = true;
    return;
  }
  if (firstPeak_ == 0) firstPeak_ = memory.peakResidentBytes;
  const long long seconds = frames * frameMilliseconds_ / 1000;
  char privatePart[64] = "";
  if (memory.privateResidentBytes != 0) {
    std::snprintf(privatePart, sizeof privatePart, " (%.1f MB private)",
                  Megabytes(memory.privateResidentBytes));
  }
  std::fprintf(report_,
               "Memory %s frame %lld (battle %d, %lld:%02lld:%02lld simulated): %.1f MB resident%s, "
               "%.1f MB peak; %.1f frames per second\n",
               what, frames, battlesEnded_ + 1, seconds / 3600, seconds / 60 % 60, seconds % 60,
               Megabytes(memory.residentBytes), privatePart, Megabytes(memory.peakResidentBytes),
               framesPerSecond);
  std::fflush(report_);
}

bool MemoryRecorder::Frame(SaverApp&) {
  ++frames_;
  if (frames_ % every_ == 0) {
    const auto now = std::chrono::steady_clock::now();
    Line("at", frames_, Rate(frames_ - lastLineFrames_, now - lastLine_));
    lastLine_ = now;
    lastLineFrames_ = frames_;
  }
  return false;
}

void MemoryRecorder::BattleEnded(const SaverApp&, const BattleManager&) {
  ++battlesEnded_;
}

// The lines go to the report given at the start, as every line before them.
bool MemoryRecorder::Finish(std::FILE*) {
  const std::uint64_t firstPeak = firstPeak_;
  Line("after", frames_, Rate(frames_, std::chrono::steady_clock::now() - started_));
  platform::ProcessMemory memory;
  if (firstPeak != 0 && platform::QueryProcessMemory(&memory)) {
    std::fprintf(report_, "Memory: peak %.1f MB at the first line, %.1f MB at the end (%+.1f MB)\n",
                 Megabytes(firstPeak), Megabytes(memory.peakResidentBytes),
                 Megabytes(memory.peakResidentBytes) - Megabytes(firstPeak));
  }
  return false;
}

}  // namespace ironwood
