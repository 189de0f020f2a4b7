// Item information and display names.
#include "platform/launch_services.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/at_path.h"
#include "platform/catalog_internal.h"
#include "platform/name_codec.h"

using namespace platform;

namespace {

bool EndsWithIgnoringCase(std::string_view s, std::string_view suffix) {
  if (s.size() < suffix.size()) return false;
  std::string_view tail = s.substr(s.size() - suffix.size());
  for (size_t i = 0; i < suffix.size(); ++i) {
    char c = tail[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

bool IsPackageName(std::string_view name) {
  for (std::string_view ext : {".app", ".bundle", ".framework", ".plugin", ".kext"})
    if (name.size() > ext.size() && EndsWithIgnoringCase(name, ext)) return true;
  return false;
}

CFStringRef NewString(const std::u16string& u) {
  return CFStringCreateWithCharacters(nullptr, reinterpret_cast<const UniChar*>(u.data()),
                                      static_cast<CFIndex>(u.size()));
}

}  // namespace

extern "C" {

OSStatus LSCopyItemInfoForRef(const FSRef* ref, LSRequestedInfo which, LSItemInfoRecord* out) {
  if (!out) return paramErr;
  std::memset(out, 0, sizeof *out);
  return Guard([&]() -> OSStatus {
    RefData d;
    if (!DecodeRef(ref, &d)) return errFSBadFSRef;
    std::string path, name;
    OSErr err = RefPath(d, &path);
    if (err == noErr) err = RefName(d, &name);
    if (err != noErr) return err;
    AtPath at(path);
    struct stat st;
    if (fstatat(at.dir(), at.name(), &st, AT_SYMLINK_NOFOLLOW) != 0) return ItemError(at.Errno());
    const bool isFolder = S_ISDIR(st.st_mode);
    const bool isLink = S_ISLNK(st.st_mode);

    if (which & (kLSRequestBasicFlagsOnly | kLSRequestAppTypeFlags | kLSRequestAllFlags)) {
      LSItemInfoFlags flags = 0;
      if (isFolder) {
        flags |= kLSItemInfoIsContainer;
        if ((which & (kLSRequestAppTypeFlags | kLSRequestAllFlags)) && !RefIsRoot(d) &&
            IsPackageName(name)) {
          flags |= kLSItemInfoIsPackage;
          if (EndsWithIgnoringCase(name, ".app")) flags |= kLSItemInfoIsApplication;
        }
      } else if (isLink) {
        flags |= kLSItemInfoIsSymlink;
      } else {
        flags |= kLSItemInfoIsPlainFile;
      }
      if ((which & kLSRequestAllFlags) && !RefIsRoot(d) && name[0] == '.')
        flags |= kLSItemInfoIsInvisible;
      out->flags = flags;
    }
    if ((which & kLSRequestTypeCreator) && S_ISREG(st.st_mode)) {
      XattrInfo xattrs;
      ReadXattrs(at.dir(), at.name(), {}, true, false, &xattrs);
      if (xattrs.hasFinderInfo) {
        uint8_t host[32];
        FinderInfoToHost(xattrs.finderInfo, false, host);
        std::memcpy(&out->filetype, host, 4);
        std::memcpy(&out->creator, host + 4, 4);
      }
    }
    if ((which & kLSRequestExtension) && !RefIsRoot(d)) {
      size_t dot = name.rfind('.');
      if (dot != std::string::npos && dot > 0 && dot + 1 < name.size())
        out->extension = NewString(NameBytesToDisplayUtf16(std::string_view(name).substr(dot + 1)));
    }
    return noErr;
  }, memFullErr);
}

OSStatus LSCopyDisplayNameForRef(const FSRef* ref, CFStringRef* displayName) {
  if (!displayName) return paramErr;
  *displayName = nullptr;
  return Guard([&]() -> OSStatus {
    RefData d;
    if (!DecodeRef(ref, &d)) return errFSBadFSRef;
    std::string name;
    OSErr err = RefName(d, &name);
    if (err != noErr) return err;
    CFStringRef s = NewString(NameBytesToDisplayUtf16(name));
    if (!s) return memFullErr;
    *displayName = s;
    return noErr;
  }, memFullErr);
}

}  // extern "C"
