#include "framework/graphics.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include "framework/gui_private.h"
#include "framework/picture.h"

namespace rb {

Graphics::Graphics(QPainter* painter, int width, int height) : painter_(painter), width_(width), height_(height) {}

void Graphics::FillRect(int x, int y, int w, int h) {
  if (painter_) painter_->fillRect(x, y, w, h, ToQColor(foreColor_));
}

void Graphics::DrawRect(int x, int y, int w, int h) {
  if (!painter_) return;
  painter_->save();
  painter_->setPen(ToQColor(foreColor_));
  painter_->setBrush(Qt::NoBrush);
  painter_->drawRect(x, y, w - 1, h - 1);
  painter_->restore();
}

void Graphics::DrawLine(int x1, int y1, int x2, int y2) {
  if (!painter_) return;
  painter_->save();
  painter_->setPen(ToQColor(foreColor_));
  painter_->drawLine(x1, y1, x2, y2);
  painter_->restore();
}

void Graphics::ClearRect(int x, int y, int w, int h) {
  if (painter_) painter_->fillRect(x, y, w, h, Qt::white);
}

void Graphics::DrawPicture(const Ref<Picture>& pic, int x, int y) {
  if (!pic) return;
  DrawPicture(pic, x, y, pic->Width(), pic->Height(), 0, 0, pic->Width(), pic->Height());
}

void Graphics::DrawPicture(const Ref<Picture>& pic, int x, int y, int w, int h, int sx, int sy, int sw, int sh) {
  if (!painter_ || !pic) return;
  if (sw < 0) sw = pic->Width();
  if (sh < 0) sh = pic->Height();
  if (w < 0) w = sw;
  if (h < 0) h = sh;
  painter_->save();
  painter_->setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter_->drawImage(QRect(x, y, w, h), pic->_Image(), QRect(sx, sy, sw, sh));
  painter_->restore();
}

void Graphics::ApplyFont() {
  if (painter_) painter_->setFont(MakeFont(textFont_, textSize_, bold_, false, false));
}

void Graphics::DrawString(const String& text, int x, int y) {
  if (!painter_) return;
  ApplyFont();
  painter_->save();
  painter_->setPen(ToQColor(foreColor_));
  painter_->drawText(x, y, ToQ(text));
  painter_->restore();
}

int Graphics::StringWidth(const String& text) {
  QFontMetrics m(MakeFont(textFont_, textSize_, bold_, false, false));
  return m.horizontalAdvance(ToQ(text));
}

namespace {
const QStringList& FontFamilies() {
  static const QStringList families = [] {
    EnsureGuiApplication();
    QStringList f = QFontDatabase::families();
    f.sort(Qt::CaseInsensitive);
    return f;
  }();
  return families;
}
}  // namespace

int FontCount() { return static_cast<int>(FontFamilies().size()); }

String Font(int index) {
  const QStringList& f = FontFamilies();
  if (index < 0 || index >= f.size()) return String();
  return FromQ(f[index]);
}

}  // namespace rb
