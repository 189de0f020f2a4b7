#include "app/App.h"

rb::Ref<AppClass> App() { return rb::DynamicCast<AppClass>(rb::ApplicationObject()); }
