// The sink through which the RTF reader delivers a document.
#pragma once

#include "framework/object.h"
#include "framework/rbstring.h"
#include "rtf/RtfState.h"

class RtfTarget {
 public:
  virtual ~RtfTarget() = default;

  // The style now in force; the reader always sends a new copy, which the
  // target may keep.
  virtual void SetState(const rb::Ref<RtfState>& st) = 0;
  // Text (native encoding, Mac Roman) in the style last received.
  virtual void Write(const rb::String& s) = 0;
  // Called once before anything is read; false stops the reader at once.
  virtual bool Preprocess() = 0;
  // Called once after the input is used up or the user cancelled; the
  // reader ignores the answer.
  virtual bool Postprocess() = 0;
  // Replays the target's own content into t.
  virtual void Export(RtfTarget* t) = 0;
};
