#include "app/App.h"

#include "ui/SearchWindow.h"

rb::Ref<AppClass> App() { return rb::DynamicCast<AppClass>(rb::ApplicationObject()); }

void AppClass::Event_LastWindowClosed() { SearchWindow()->Show(); }
