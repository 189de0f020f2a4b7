#include "ui/Pictures.h"

namespace {

// Reads the picture while the global holds none; a missing resource is
// asked for again at the next use.
rb::Ref<rb::Picture> Cached(rb::Ref<rb::Picture>& global, int id) {
  if (!global) {
    rb::Ref<rb::ResourceFork> fork = rb::ApplicationResourceFork();
    global = fork->GetPicture(id);
  }
  return global;
}

rb::Ref<rb::Picture>& TandrelTitleGlobal() {
  static auto* p = new rb::Ref<rb::Picture>();
  return *p;
}

rb::Ref<rb::Picture>& HelpFileHeaderGlobal() {
  static auto* p = new rb::Ref<rb::Picture>();
  return *p;
}

}  // namespace

rb::Ref<rb::Picture> TandrelTitle() { return Cached(TandrelTitleGlobal(), 168); }

rb::Ref<rb::Picture> helpfileheader() { return Cached(HelpFileHeaderGlobal(), 169); }
