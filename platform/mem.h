// Memory Manager pointer blocks.
#pragma once

#include "platform/types.h"

#ifdef __cplusplus
extern "C" {
#endif

// A block of logicalSize bytes, or null. Freed with DisposePtr.
Ptr NewPtr(Size logicalSize);
Ptr NewPtrClear(Size logicalSize);
void DisposePtr(Ptr p);

#ifdef __cplusplus
}
#endif
