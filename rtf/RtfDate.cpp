#include "rtf/RtfDate.h"

#include <string>

#include "framework/text_encoding.h"

namespace {

const char* const kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};

rb::String Native(const std::string& s) { return rb::String::FromBytes(s, rb::Encodings::MacRoman); }

std::string TwoDigits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

}  // namespace

RtfDate::RtfDate() : RtfDate(std::time(nullptr)) {}

RtfDate::RtfDate(std::time_t when) { localtime_r(&when, &tm_); }

rb::String RtfDate::LongDate() const {
  return Native(std::string(kDays[tm_.tm_wday % 7]) + ", " + kMonths[tm_.tm_mon % 12] + " " +
                std::to_string(tm_.tm_mday) + ", " + std::to_string(tm_.tm_year + 1900));
}

rb::String RtfDate::ShortDate() const {
  return Native(std::to_string(tm_.tm_mon + 1) + "/" + std::to_string(tm_.tm_mday) + "/" +
                TwoDigits((tm_.tm_year + 1900) % 100));
}

rb::String RtfDate::ShortTime() const { return Native(TwoDigits(tm_.tm_hour) + ":" + TwoDigits(tm_.tm_min)); }
