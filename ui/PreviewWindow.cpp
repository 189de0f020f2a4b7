#include "ui/PreviewWindow.h"
#include "ui/LayoutDefaults.h"

#include <limits>

#include "framework/screen.h"

namespace {

constexpr int32_t kDisplayWidth = 400;

// Double to integer, toward zero, kept inside the 32-bit range.
int32_t ToInteger(double v) {
  if (!(v > std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
  if (v >= std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(v);
}

}  // namespace

rb::Ref<PreviewWindowClass> PreviewWindow() {
  return rb::ImplicitWindow<PreviewWindowClass>("PreviewWindow");
}

void PreviewWindowClass::Layout() {
  layout::ApplyEveryWindowDefaults(*this);
  _ApplyProperties({{"Title", "Untitled"},
                    {"Width", 300},
                    {"Height", 300},
                    {"MinWidth", 64},
                    {"MinHeight", 64},
                    {"Frame", rb::Window::FrameFloating},
                    {"CloseButton", false},
                    {"Resizeable", false},
                    {"MaximizeButton", false},
                    {"MinimizeButton", false},
                    {"HasBackColor", false},
                    {"BackColor", 0xFFFFFF}});
}

void PreviewWindowClass::Event_Paint(rb::Graphics& g) {
  StorePreview = rb::Picture::Open(SourceImage);
  NewWidth = kDisplayWidth;
  if (!StorePreview) return;
  const int width = StorePreview->Width();
  const int height = StorePreview->Height();
  if (width <= 0 || height <= 0) return;
  NewHeight = ToInteger(height / (width / static_cast<double>(kDisplayWidth)));

  SetWidth(NewWidth);
  SetHeight(NewHeight);
  if (rb::Ref<rb::ScreenInfo> screen = rb::Screen(0)) {
    SetLeft(ToInteger(screen->Width() / 2.0 - NewWidth / 2.0));
    SetTop(ToInteger(screen->Height() / 2.0 - NewHeight / 2.0));
  }
  g.DrawPicture(StorePreview, 0, 0, NewWidth, NewHeight, 0, 0, width, height);
}

bool PreviewWindowClass::Event_MouseDown(int, int) {
  rb::Ref<PreviewWindowClass> keep(this);
  Close();
  StorePreview = nullptr;
  SourceImage = nullptr;
  return false;
}
