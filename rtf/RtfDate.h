// The current date and time as text, for the date and time control words.
#pragma once

#include <ctime>

#include "framework/rbstring.h"

class RtfDate {
 public:
  // Holds the current date and time.
  RtfDate();
  explicit RtfDate(std::time_t when);

  // "Tuesday, December 8, 2026"
  rb::String LongDate() const;
  // "12/8/26"
  rb::String ShortDate() const;
  // "19:05"
  rb::String ShortTime() const;

 private:
  std::tm tm_{};
};
