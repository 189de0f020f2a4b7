// The picture test: adds "IsPictureFileKVR as boolean" to folder items.
//
// A file counts as a picture when the framework's picture readers recognise
// its content (whatever its name) and it states a size of at least 1 x 1.
// Framework services are resolved by name on first use and cached; while
// one is unknown the test answers false and asks again next time.
#include <stdint.h>

#include "framework/plugin_api.h"

namespace {

REALResolver gResolver = nullptr;
REALFolderItemPictureSizeProc gPictureSize = nullptr;

REALFolderItemPictureSizeProc PictureSize() {
  if (!gPictureSize && gResolver) {
    gPictureSize = reinterpret_cast<REALFolderItemPictureSizeProc>(
        gResolver("REALFolderItemPictureSize"));
  }
  return gPictureSize;
}

RBBoolean IsPictureFileKVR(REALfolderItem item) {
  if (!item) return 0;
  auto size = PictureSize();
  if (!size) return 0;
  int32_t width = 0, height = 0;
  return size(item, &width, &height) && width > 0 && height > 0 ? 1 : 0;
}

REALmethodDefinition gFolderItemMethods[] = {
    {reinterpret_cast<void*>(&IsPictureFileKVR), nullptr,
     "IsPictureFileKVR as boolean", REALconsoleSafe},
};

REALclassExtensionDefinition gFolderItemExtension = {
    kCurrentREALControlVersion, "folderitem", gFolderItemMethods,
    sizeof gFolderItemMethods / sizeof gFolderItemMethods[0]};

}  // namespace

extern "C" __attribute__((visibility("default"))) void REALPluginMain(
    REALResolver resolver) {
  if (resolver != gResolver) {
    gResolver = resolver;
    gPictureSize = nullptr;
  }
  if (!gResolver) return;
  auto registerVersion = reinterpret_cast<RegisterPluginVersionProc>(
      gResolver("RegisterPluginVersion"));
  if (registerVersion) registerVersion(kCurrentREALControlVersion);
  auto registerExtension = reinterpret_cast<PluginRegisterClassExtensionProc>(
      gResolver("PluginRegisterClassExtension"));
  if (registerExtension) registerExtension(&gFolderItemExtension);
}
