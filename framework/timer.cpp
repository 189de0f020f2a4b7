#include "framework/timer.h"

#include <QTimer>

#include "framework/gui_private.h"

namespace rb {

struct Timer::Private {
  QTimer* timer = nullptr;  // owned
};

Timer::Timer() : d_(std::make_unique<Private>()) {
  EnsureGuiApplication();
  d_->timer = new QTimer;
  Timer* self = this;
  QObject::connect(d_->timer, &QTimer::timeout, [self] {
    Ref<Timer> keep(self);
    GuardedCall([self] { self->_Fire(); });
  });
  Update(true);
}

Timer::~Timer() { delete d_->timer; }

void Timer::SetMode(int m) {
  mode_ = m;
  Update(true);
}

void Timer::SetPeriod(int ms) {
  period_ = ms < 0 ? 0 : ms;
  Update(true);
}

void Timer::SetEnabled(bool v) {
  bool was = enabled_;
  enabled_ = v;
  Update(!was);
}

void Timer::Reset() { Update(true); }

void Timer::Update(bool restart) {
  QTimer* t = d_->timer;
  bool run = enabled_ && mode_ != ModeOff && !detached_;
  if (!run) {
    t->stop();
    return;
  }
  t->setSingleShot(mode_ == ModeSingle);
  if (restart || !t->isActive()) t->start(period_);
}

void Timer::_Fire() {
  if (mode_ == ModeSingle) {
    mode_ = ModeOff;
    d_->timer->stop();
  }
  Action();
}

void Timer::Action() { RaiseAction("Action"); }

void Timer::_Detach() {
  Control::_Detach();
  detached_ = true;
  d_->timer->stop();
}

bool Timer::_SetProperty(const char* name, const PropertyValue& v) {
  if (NameIs(name, "Mode")) SetMode(v.AsInteger());
  else if (NameIs(name, "Period")) SetPeriod(v.AsInteger());
  else if (NameIs(name, "Enabled")) SetEnabled(v.AsBoolean());
  else if (NameIs(name, "Left") || NameIs(name, "Top") || NameIs(name, "Width") || NameIs(name, "Height") ||
           NameIs(name, "TabPanelIndex")) {
    // Design-time position of a timer: nothing on screen.
  } else return Control::_SetProperty(name, v);
  return true;
}

}  // namespace rb
