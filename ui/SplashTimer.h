// The splash window's timer.
#pragma once

#include "framework/timer.h"

// A timer held by SplashWindow as its control "SplashTimer"; its Action
// event goes to the handler the window binds.
class SplashTimer : public rb::Timer {
 public:
  SplashTimer() = default;
};
