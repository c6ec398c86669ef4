#pragma once

#include <dlfcn.h>

namespace ironwood::platform {

// Fills `slot` with the library's function `name`; false, with the slot empty, when the library
// was not opened or lacks it. (dlsym with a null handle would search the whole process.)
template <typename Function>
bool ResolveSymbol(void* library, const char* name, Function& slot) {
  slot = library != nullptr ? reinterpret_cast<Function>(dlsym(library, name)) : nullptr;
  return slot != nullptr;
}

}  // namespace ironwood::platform
