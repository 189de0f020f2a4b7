// A timer: fires its Action once (Mode 1) or repeatedly (Mode 2) every
// Period milliseconds while Enabled. A timer held by a window stops when
// the window closes.
#pragma once

#include <memory>

#include "framework/control.h"

namespace rb {

class Timer : public Control {
 public:
  enum Modes { ModeOff = 0, ModeSingle = 1, ModeMultiple = 2 };

  Timer();
  ~Timer() override;

  // Setting the mode restarts the countdown; a single timer goes back to
  // mode 0 when it has fired.
  int Mode() const { return mode_; }
  void SetMode(int m);
  int Period() const { return period_; }
  void SetPeriod(int ms);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  void Reset();

  // Raised when the timer fires; the default raises the Action event.
  virtual void Action();

  bool _SetProperty(const char* name, const PropertyValue& value) override;
  void _Detach() override;
  // Framework-internal: the toolkit timer fired.
  void _Fire();

 private:
  void Update(bool restart);
  struct Private;
  std::unique_ptr<Private> d_;
  int mode_ = ModeMultiple;
  int period_ = 1000;
  bool enabled_ = true;
  bool detached_ = false;
};

}  // namespace rb
