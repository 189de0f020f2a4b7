// The program as the benchmarks drive it: offscreen, plugins bound, the
// application object made, message boxes answered with OK.
#pragma once

namespace bench {

void StartProgramOffscreen();

}  // namespace bench
