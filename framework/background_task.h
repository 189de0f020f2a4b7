// The cheap yield that long loops call once per pass.
#pragma once

#include <cstdint>

namespace rb {

// Returns at once unless at least 5 ms have passed since the event loop last
// ran; then, on the thread of an existing QCoreApplication, it lets the event
// loop handle pending events. Reads only the steady clock otherwise.
void RuntimeBackgroundTask();
// Called by the GUI layer whenever its event loop has run.
void NoteEventLoopRan();

// How often RuntimeBackgroundTask has handed control to the event loop.
int64_t EventProcessingCountForTesting();
// Tests may replace the clock (nanoseconds, steady) and the event handling;
// nullptr restores the real one.
void SetBackgroundClockForTesting(int64_t (*nowNanoseconds)());
void SetEventProcessorForTesting(void (*processEvents)());

}  // namespace rb
