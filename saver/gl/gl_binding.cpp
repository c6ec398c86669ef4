#include "saver/gl/gl_binding.h"

namespace ironwood::opengl {

namespace {

// The first of the names whose library loads (freed again at once), or nothing.
std::string FirstThatLoads(platform::GlSystem& system, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    if (void* library = system.OpenLibrary(name)) {
      system.CloseLibrary(library);
      return name;
    }
  }
  return {};
}

}  // namespace

std::string Binding::ChooseDriver(bool useAccelerator) {
  if (useAccelerator && system_.AcceleratorBoardCount() > 0) {
    std::string name = FirstThatLoads(system_, system_.AcceleratorLibraries());
    if (!name.empty()) return name;
  }
  const std::vector<std::string> systemNames = system_.SystemLibraries();
  std::string name = FirstThatLoads(system_, systemNames);
  if (name.empty() && !systemNames.empty()) name = systemNames.back();
  return name;
}

int Binding::Bind(const std::string& libraryName) {
  if (++references_ > 1) return kBound;
  failureDetail_.clear();

  libraries_.glLibrary = system_.OpenLibrary(libraryName);
  if (libraries_.glLibrary == nullptr) {
    failureDetail_ = system_.ReportNoLibrary();
    --references_;
    return kNoLibrary;
  }
  libraryName_ = libraryName;
  const std::string gluName = system_.GluLibraryFor(libraryName);
  if (!gluName.empty()) libraries_.gluLibrary = system_.OpenLibrary(gluName);

  if (!FillFrom(libraries_.glLibrary, CoreSlots(table_), false) ||
      (libraries_.gluLibrary != nullptr &&
       !FillFrom(libraries_.gluLibrary, GluSlots(table_), true))) {
    Release();
    --references_;
    return kMissingEntryPoint;
  }
  const std::vector<std::string> systemNames = system_.SystemLibraries();
  if (systemNames.empty() || libraryName != systemNames.front()) libraries_.miniDriver = true;
  return kBound;
}

bool Binding::FillFrom(void* library, const std::vector<EntrySlot>& slots, bool gluTable) {
  for (const EntrySlot& entry : slots) {
    *entry.slot = system_.Symbol(library, entry.name);
    if (*entry.slot == nullptr && !(gluTable && system_.GluEntryOptional(entry.name))) {
      return false;
    }
  }
  return true;
}

void Binding::FetchExtensions() {
  for (const EntrySlot& entry : ExtensionSlots(table_)) {
    *entry.slot = libraries_.glLibrary != nullptr
                      ? system_.ExtensionAddress(libraries_.glLibrary, entry.name)
                      : nullptr;
  }
}

void Binding::Unbind() {
  if (references_ == 0 || --references_ > 0) return;
  Release();
}

void Binding::Release() {
  if (libraries_.glLibrary != nullptr) system_.CloseLibrary(libraries_.glLibrary);
  libraries_.glLibrary = nullptr;
  if (libraries_.gluLibrary != nullptr) system_.CloseLibrary(libraries_.gluLibrary);
  libraries_.gluLibrary = nullptr;
  // Nothing may call into a library that is gone: empty entries fail loudly instead.
  table_ = EntryPoints{};
}

}  // namespace ironwood::opengl
