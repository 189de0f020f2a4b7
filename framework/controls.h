// The simple controls: check box, push button, static text, group box,
// separator, progress bar and canvas.
#pragma once

#include <vector>

#include "framework/control.h"
#include "framework/dragitem.h"
#include "framework/graphics.h"

namespace rb {

class Picture;

class CheckBox : public RectControl {
 public:
  CheckBox();
  String Caption() const;
  void SetCaption(const String& s);
  bool Value() const;
  // Raises Action when the value changes.
  void SetValue(bool v);
  bool _SetProperty(const char* name, const PropertyValue& value) override;

 private:
  void FontChanged() override;
};

class PushButton : public RectControl {
 public:
  PushButton();
  String Caption() const;
  void SetCaption(const String& s);
  // The window's default button (Return) and cancel button (Escape).
  bool Default() const { return default_; }
  void SetDefault(bool v);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool v) { cancel_ = v; }
  // Presses the button: raises Action.
  void Push();
  bool _SetProperty(const char* name, const PropertyValue& value) override;

 private:
  void FontChanged() override;
  bool default_ = false;
  bool cancel_ = false;
};

class StaticText : public RectControl {
 public:
  StaticText();
  String Text() const { return text_; }
  void SetText(const String& s);
  // 0 left, 1 centre, 2 right.
  int TextAlign() const { return align_; }
  void SetTextAlign(int a);
  bool MultiLine() const { return multiLine_; }
  void SetMultiLine(bool v);
  Color TextColor() const { return color_; }
  void SetTextColor(Color c);

  // Accepts drops of the file type registered under this name (for
  // example "special/folder"); each drop raises DropObject.
  void AcceptFileDrop(const String& fileTypeName);
  const std::vector<String>& _AcceptedFileTypes() const { return accepted_; }
  // Framework-internal: a drop arrived.
  void _Dropped(const Ref<DragItem>& item, int action);

  bool _SetProperty(const char* name, const PropertyValue& value) override;

 private:
  void FontChanged() override;
  String text_;
  int align_ = 0;
  bool multiLine_ = false;
  Color color_ = 0;
  std::vector<String> accepted_;
};

class GroupBox : public RectControl {
 public:
  GroupBox();
  String Caption() const;
  void SetCaption(const String& s);
  bool _SetProperty(const char* name, const PropertyValue& value) override;

 private:
  void FontChanged() override;
};

// A line: horizontal when wider than high.
class Separator : public RectControl {
 public:
  Separator();
};

class ProgressBar : public RectControl {
 public:
  ProgressBar();
  int Maximum() const { return maximum_; }
  void SetMaximum(int v);
  int Value() const { return value_; }
  void SetValue(int v);
  bool _SetProperty(const char* name, const PropertyValue& value) override;

 private:
  void Sync();
  int maximum_ = 100;
  int value_ = 0;
};

// A drawing surface: paints its Backdrop, then raises Paint; raises
// MouseDown for clicks (a click it does not handle goes to the window).
class Canvas : public RectControl {
 public:
  Canvas();
  ~Canvas() override;
  Ref<Picture> Backdrop() const;
  void SetBackdrop(const Ref<Picture>& p);
  bool _SetProperty(const char* name, const PropertyValue& value) override;

  // Framework-internal.
  void _Paint(Graphics& g);
  bool _MouseDown(int x, int y);

 private:
  Ref<Picture> backdrop_;
};

}  // namespace rb
