// The program's two pictures, read from its resources on first use and
// kept for the rest of the run.
#pragma once

#include "framework/object.h"
#include "framework/picture.h"

// Resource picture 168: the title of the splash and about windows.
rb::Ref<rb::Picture> TandrelTitle();
// Resource picture 169: the header of the help window.
rb::Ref<rb::Picture> helpfileheader();
