// A drawing context handed to Paint and CellBackgroundPaint handlers.
#pragma once

#include "framework/gui_types.h"

class QPainter;

namespace rb {

class Picture;

class Graphics {
 public:
  // Framework-internal: draws with the painter on an area of width x height.
  Graphics(QPainter* painter, int width, int height);
  Graphics(const Graphics&) = delete;
  Graphics& operator=(const Graphics&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  Color ForeColor() const { return foreColor_; }
  void SetForeColor(Color c) { foreColor_ = c; }

  void FillRect(int x, int y, int w, int h);
  void DrawRect(int x, int y, int w, int h);
  void DrawLine(int x1, int y1, int x2, int y2);
  void ClearRect(int x, int y, int w, int h);
  // Draws the source rectangle of the picture into the destination
  // rectangle, scaled. A negative source width or height means the
  // picture's; nil draws nothing.
  void DrawPicture(const Ref<Picture>& pic, int x, int y);
  void DrawPicture(const Ref<Picture>& pic, int x, int y, int w, int h, int sx, int sy, int sw, int sh);

  String TextFont() const { return textFont_; }
  void SetTextFont(const String& f) { textFont_ = f; }
  int TextSize() const { return textSize_; }
  void SetTextSize(int s) { textSize_ = s; }
  bool Bold() const { return bold_; }
  void SetBold(bool b) { bold_ = b; }
  // Draws text with its baseline at y.
  void DrawString(const String& text, int x, int y);
  int StringWidth(const String& text);

 private:
  void ApplyFont();
  QPainter* painter_;
  int width_, height_;
  Color foreColor_ = 0x000000;
  String textFont_ = "System";
  int textSize_ = 0;
  bool bold_ = false;
};

// The installed font families, sorted by name; Font(i) for i from 0 to
// FontCount() - 1.
int FontCount();
String Font(int index);

}  // namespace rb
