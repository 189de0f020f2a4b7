// Composition of a searched name from a bare name, the default extension
// and the prefix of the search window.
#pragma once

#include "framework/rbstring.h"

namespace Extension {

// The name being searched for: a bare name until ExtensionOn completes it.
inline rb::String Filename;
// The extension and prefix used at the last composition that added one.
inline rb::String Suffix;
inline rb::String Prefix;

// Completes Filename in place: the default extension for a name without a
// dot (when its box is ticked), then the prefix (when its box is ticked).
void ExtensionOn();

}  // namespace Extension
