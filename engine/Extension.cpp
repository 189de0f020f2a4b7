#include "engine/Extension.h"

#include "framework/controls.h"
#include "framework/editfield.h"
#include "ui/SearchWindow.h"

namespace Extension {

void ExtensionOn() {
  if (rb::CountFields(Filename, ".") < 2) {
    if (SearchWindow()->Control<rb::CheckBox>("ExtensionCheckBox")->Value()) {
      Suffix = SearchWindow()->Control<rb::EditField>("ExtensionField")->Text();
      Filename = Filename + rb::String(".") + Suffix;
    }
  }
  if (SearchWindow()->Control<rb::CheckBox>("PrefixCheckBox")->Value()) {
    Prefix = SearchWindow()->Control<rb::EditField>("PrefixField")->Text();
    Filename = Prefix + Filename;
  }
}

}  // namespace Extension
