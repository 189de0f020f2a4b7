// Memory Manager pointer blocks over malloc.
#include "platform/mem.h"

#include <cstdlib>

extern "C" {

Ptr NewPtr(Size logicalSize) {
  if (logicalSize < 0) return nullptr;
  return static_cast<Ptr>(std::malloc(logicalSize > 0 ? static_cast<size_t>(logicalSize) : 1));
}

Ptr NewPtrClear(Size logicalSize) {
  if (logicalSize < 0) return nullptr;
  return static_cast<Ptr>(std::calloc(logicalSize > 0 ? static_cast<size_t>(logicalSize) : 1, 1));
}

void DisposePtr(Ptr p) { std::free(p); }

}  // extern "C"
