// The colour table of an RTF document, and the colour value the reader uses.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/gui_types.h"
#include "framework/object.h"
#include "framework/rbstring.h"
#include "framework/streams.h"

// Components of a colour value (0xRRGGBB).
inline int RtfRed(rb::Color k) { return static_cast<int>((k >> 16) & 0xFF); }
inline int RtfGreen(rb::Color k) { return static_cast<int>((k >> 8) & 0xFF); }
inline int RtfBlue(rb::Color k) { return static_cast<int>(k & 0xFF); }

class RtfColor : public rb::Object {
 public:
  // One entry, black, at index 0.
  RtfColor();

  // c(i) for 0 < i <= count(); black otherwise.
  rb::Color getcolor(int32_t i) const;
  // Reads the rest of a colour-table group, its closing brace included.
  // Always true.
  bool parse(const rb::Ref<rb::BinaryStream>& input);
  // Highest index of c (-1 when empty).
  int32_t count() const;
  void Version() {}
  // First index from 1 holding k; 0 when none.
  int32_t getid(rb::Color k) const;
  void addcolor(rb::Color k);
  // The table as colour-table text.
  rb::String getstring() const;

  std::vector<rb::Color> c;
};
