#include "ui/MenuBar2.h"

#include "ui/MenuNodes.h"

MenuBar2Class::MenuBar2Class() { menunodes::BuildBar(*this, false); }

rb::Ref<MenuBar2Class> MenuBar2() {
  static rb::Ref<MenuBar2Class>* bar = new rb::Ref<MenuBar2Class>();
  if (!*bar) *bar = rb::Ref<MenuBar2Class>::New();
  return *bar;
}
