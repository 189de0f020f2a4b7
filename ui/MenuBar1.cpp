#include "ui/MenuBar1.h"

#include "app/App.h"
#include "ui/MenuNodes.h"

MenuBar1Class::MenuBar1Class() { menunodes::BuildBar(*this, true); }

rb::Ref<MenuBar1Class> MenuBar1() {
  static rb::Ref<MenuBar1Class>* bar = new rb::Ref<MenuBar1Class>();
  if (!*bar) *bar = rb::Ref<MenuBar1Class>::New();
  return *bar;
}

rb::Ref<rb::MenuItem> ViewStatisticsWindow() {
  rb::Ref<rb::MenuBar> bar = App()->MenuBar();
  return rb::DynamicCast<rb::MenuItem>(bar->_Lookup("ViewStatisticsWindow"));
}
