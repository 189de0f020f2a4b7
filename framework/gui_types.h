// Small types shared by the GUI classes: colours, design-time property
// values, event handlers.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

#include "framework/memory_block.h"  // OutOfBoundsException
#include "framework/object.h"
#include "framework/rbstring.h"

namespace rb {

// An RGB colour, 0xRRGGBB.
using Color = uint32_t;
constexpr Color RGB(int r, int g, int b) {
  return (static_cast<Color>(r & 0xFF) << 16) | (static_cast<Color>(g & 0xFF) << 8) |
         static_cast<Color>(b & 0xFF);
}

// One design-time property value of a layout table.
class PropertyValue {
 public:
  enum class Kind { Integer, Double, Boolean, Text };
  PropertyValue(int v) : kind_(Kind::Integer), i_(v) {}
  PropertyValue(unsigned v) : kind_(Kind::Integer), i_(static_cast<int64_t>(v)) {}
  PropertyValue(long v) : kind_(Kind::Integer), i_(v) {}
  PropertyValue(double v) : kind_(Kind::Double), d_(v) {}
  PropertyValue(bool v) : kind_(Kind::Boolean), i_(v ? 1 : 0) {}
  PropertyValue(const char* v) : kind_(Kind::Text), s_(v ? v : "") {}
  PropertyValue(const std::string& v) : kind_(Kind::Text), s_(v) {}
  PropertyValue(const String& v) : kind_(Kind::Text), s_(v) {}

  Kind kind() const { return kind_; }
  int AsInteger() const;
  double AsDouble() const;
  bool AsBoolean() const;
  String AsText() const;

 private:
  Kind kind_;
  int64_t i_ = 0;
  double d_ = 0;
  String s_;
};

// A named design-time property, as in {"Width", 702}.
struct Property {
  const char* name;
  PropertyValue value;
};
using PropertyList = std::initializer_list<Property>;

// Case-insensitive ASCII comparison of property and event names.
bool NameIs(const char* a, const char* b);

class DragItem;
class Graphics;

// Event handler signatures, by the arguments the events pass.
using ActionHandler = std::function<void()>;                                // Action, Open, GotFocus, DoubleClick
using KeyHandler = std::function<bool(const String&)>;                      // KeyDown
using DropHandler = std::function<void(const Ref<DragItem>&, int)>;         // DropObject
using CellPaintHandler = std::function<bool(Graphics&, int, int)>;          // CellBackgroundPaint
using CellHandler = std::function<void(int, int)>;                          // CellGotFocus
using MouseHandler = std::function<bool(int, int)>;                         // MouseDown
using PaintHandler = std::function<void(Graphics&)>;                        // Paint
using EventHandler = std::variant<std::monostate, ActionHandler, KeyHandler, DropHandler,
                                  CellPaintHandler, CellHandler, MouseHandler, PaintHandler>;

// Wraps a callable into the handler kind its arguments select.
template <class F>
EventHandler MakeEventHandler(F&& f) {
  using Fn = std::decay_t<F>;
  if constexpr (std::is_invocable_v<Fn&>) {
    return ActionHandler([g = Fn(std::forward<F>(f))]() mutable { g(); });
  } else if constexpr (std::is_invocable_v<Fn&, const String&>) {
    if constexpr (std::is_convertible_v<std::invoke_result_t<Fn&, const String&>, bool>)
      return KeyHandler(std::forward<F>(f));
    else
      return KeyHandler([g = Fn(std::forward<F>(f))](const String& k) mutable { g(k); return false; });
  } else if constexpr (std::is_invocable_v<Fn&, const Ref<DragItem>&, int>) {
    return DropHandler(std::forward<F>(f));
  } else if constexpr (std::is_invocable_v<Fn&, Graphics&, int, int>) {
    if constexpr (std::is_convertible_v<std::invoke_result_t<Fn&, Graphics&, int, int>, bool>)
      return CellPaintHandler(std::forward<F>(f));
    else
      return CellPaintHandler([g = Fn(std::forward<F>(f))](Graphics& gr, int r, int c) mutable {
        g(gr, r, c);
        return false;
      });
  } else if constexpr (std::is_invocable_v<Fn&, int, int>) {
    if constexpr (std::is_convertible_v<std::invoke_result_t<Fn&, int, int>, bool>)
      return MouseHandler(std::forward<F>(f));
    else
      return CellHandler(std::forward<F>(f));
  } else if constexpr (std::is_invocable_v<Fn&, Graphics&>) {
    return PaintHandler(std::forward<F>(f));
  } else {
    static_assert(std::is_invocable_v<Fn&>, "no event passes these arguments");
    return {};
  }
}

}  // namespace rb
