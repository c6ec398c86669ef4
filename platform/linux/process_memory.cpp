#include "platform/process_memory.h"

#include <malloc.h>

#include <cstdio>
#include <cstring>

namespace ironwood::platform {

// From /proc/self/status: VmRSS (now), VmHWM (the peak) and RssAnon (the private part), in kB.
bool QueryProcessMemory(ProcessMemory* memory) {
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return false;
  unsigned long long resident = 0, peak = 0, anonymous = 0;
  bool haveResident = false, havePeak = false;
  char line[256];
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::strncmp(line, "VmRSS:", 6) == 0) {
      haveResident = std::sscanf(line + 6, "%llu", &resident) == 1;
    } else if (std::strncmp(line, "VmHWM:", 6) == 0) {
      havePeak = std::sscanf(line + 6, "%llu", &peak) == 1;
    } else if (std::strncmp(line, "RssAnon:", 8) == 0) {
      if (std::sscanf(line + 8, "%llu", &anonymous) != 1) anonymous = 0;
    }
  }
  std::fclose(status);
  if (!haveResident || !havePeak) return false;
  memory->residentBytes = resident * 1024;
  memory->peakResidentBytes = peak * 1024;
  memory->privateResidentBytes = anonymous * 1024;
  return true;
}

// glibc keeps freed memory inside its heap resident (the texture copies of a battle come to
// tens of megabytes); malloc_trim gives back every free page, not only the top of the heap.
void ReturnFreeMemory() {
  malloc_trim(0);
}

}  // namespace ironwood::platform
