// Item information, display names and the string type.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/cf_string.h"
#include "platform/launch_services.h"
#include "platform_test_helpers.h"
#include "support/test_support.h"

using namespace platformtest;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

CFStringRef Make(const std::u16string& s) {
  return CFStringCreateWithCharacters(nullptr, reinterpret_cast<const UniChar*>(s.data()),
                                      static_cast<CFIndex>(s.size()));
}

LSItemInfoFlags FlagsOf(const std::string& path, LSRequestedInfo which = kLSRequestAppTypeFlags) {
  FSRef ref = RefOf(path);
  LSItemInfoRecord info;
  std::memset(&info, 0xFF, sizeof info);
  EXPECT_EQ(noErr, LSCopyItemInfoForRef(&ref, which, &info)) << path;
  return info.flags;
}

TEST(LaunchServices, PackagesAreFoldersWithPackageExtensions) {
  TempDir dir;
  for (const char* n : {"A.app", "B.BUNDLE", "c.framework", "d.Plugin", "e.kext", "plain", "x.apps"})
    ASSERT_EQ(0, mkdir((dir / n).c_str(), 0755));
  WriteFile(dir / "file.app", "x");
  ASSERT_EQ(0, symlink("A.app", (dir / "link.app").c_str()));

  for (const char* n : {"A.app", "B.BUNDLE", "c.framework", "d.Plugin", "e.kext"}) {
    LSItemInfoFlags f = FlagsOf(dir / n);
    EXPECT_TRUE(f & kLSItemInfoIsPackage) << n;
    EXPECT_TRUE(f & kLSItemInfoIsContainer) << n;
  }
  EXPECT_TRUE(FlagsOf(dir / "A.app", kLSRequestAllFlags) & kLSItemInfoIsPackage);
  EXPECT_EQ(kLSItemInfoIsContainer, FlagsOf(dir / "plain"));
  EXPECT_EQ(kLSItemInfoIsContainer, FlagsOf(dir / "x.apps"));
  EXPECT_EQ(kLSItemInfoIsPlainFile, FlagsOf(dir / "file.app"));
  EXPECT_EQ(kLSItemInfoIsSymlink, FlagsOf(dir / "link.app"));

  FSRef gone = RefOf(dir / "gone");
  LSItemInfoRecord info;
  EXPECT_NE(noErr, LSCopyItemInfoForRef(&gone, kLSRequestAppTypeFlags, &info));
}

TEST(LaunchServices, DisplayNameShowsInvalidBytesAsReplacementCharacters) {
  TempDir dir;
  WriteFile(dir / "bad\xff.txt", "x");
  WriteFile(dir / "Caf\xc3\xa9", "x");
  FSRef ref = RefOf(dir / "bad\xff.txt");
  CFStringRef name = nullptr;
  ASSERT_EQ(noErr, LSCopyDisplayNameForRef(&ref, &name));
  ASSERT_NE(nullptr, name);
  char buf[64];
  EXPECT_FALSE(CFStringGetCString(name, buf, sizeof buf, kCFStringEncodingASCII));
  EXPECT_TRUE(CFStringGetCString(name, buf, sizeof buf, kCFStringEncodingUTF8));
  EXPECT_STREQ("bad\xef\xbf\xbd.txt", buf);
  CFRelease(name);

  ref = RefOf(dir / "Caf\xc3\xa9");
  ASSERT_EQ(noErr, LSCopyDisplayNameForRef(&ref, &name));
  EXPECT_EQ(4, CFStringGetLength(name));
  EXPECT_TRUE(CFStringGetCString(name, buf, sizeof buf, kCFStringEncodingMacRoman));
  EXPECT_STREQ("Caf\x8e", buf);
  CFRelease(name);

  FSRef bad;
  std::memset(&bad, 0, sizeof bad);
  EXPECT_NE(noErr, LSCopyDisplayNameForRef(&bad, &name));
}

TEST(CFString, ConversionsSucceedOnlyWhenEveryCharacterHasAForm) {
  char buf[32];
  CFStringRef ascii = Make(u"plain");
  EXPECT_TRUE(CFStringGetCString(ascii, buf, sizeof buf, kCFStringEncodingASCII));
  EXPECT_STREQ("plain", buf);
  EXPECT_FALSE(CFStringGetCString(ascii, buf, 5, kCFStringEncodingASCII));  // no room for the zero
  EXPECT_TRUE(CFStringGetCString(ascii, buf, 6, kCFStringEncodingASCII));
  EXPECT_FALSE(CFStringGetCString(ascii, buf, sizeof buf, kCFStringEncodingUnicode));

  CFStringRef accented = Make(u"Caf\u00e9 \u20ac");
  EXPECT_FALSE(CFStringGetCString(accented, buf, sizeof buf, kCFStringEncodingASCII));
  EXPECT_TRUE(CFStringGetCString(accented, buf, sizeof buf, kCFStringEncodingUTF8));
  EXPECT_STREQ("Caf\xc3\xa9 \xe2\x82\xac", buf);
  EXPECT_TRUE(CFStringGetCString(accented, buf, sizeof buf, kCFStringEncodingMacRoman));
  EXPECT_STREQ("Caf\x8e \xdb", buf);

  CFStringRef cjk = Make(u"\u4e2d\U0001F600");
  EXPECT_EQ(3, CFStringGetLength(cjk));
  EXPECT_FALSE(CFStringGetCString(cjk, buf, sizeof buf, kCFStringEncodingMacRoman));
  EXPECT_TRUE(CFStringGetCString(cjk, buf, sizeof buf, kCFStringEncodingUTF8));
  EXPECT_STREQ("\xe4\xb8\xad\xf0\x9f\x98\x80", buf);

  std::u16string lone = u"a";
  lone.push_back(static_cast<char16_t>(0xDCFF));
  CFStringRef loneSurrogate = Make(lone);
  EXPECT_FALSE(CFStringGetCString(loneSurrogate, buf, sizeof buf, kCFStringEncodingUTF8));
  EXPECT_FALSE(CFStringGetCString(loneSurrogate, buf, sizeof buf, kCFStringEncodingMacRoman));

  UniChar units[3] = {0, 0, 0};
  CFStringGetCharacters(cjk, CFRange{0, 3}, units);
  EXPECT_EQ(0x4E2D, units[0]);
  EXPECT_EQ(0xD83D, units[1]);
  EXPECT_EQ(0xDE00, units[2]);

  // A retained string survives one release.
  EXPECT_EQ(static_cast<CFTypeRef>(ascii), CFRetain(ascii));
  CFRelease(ascii);
  EXPECT_EQ(5, CFStringGetLength(ascii));
  for (CFStringRef s : {ascii, accented, cjk, loneSurrogate}) CFRelease(s);

  CFStringRef empty = Make(u"");
  EXPECT_EQ(0, CFStringGetLength(empty));
  EXPECT_TRUE(CFStringGetCString(empty, buf, 1, kCFStringEncodingASCII));
  EXPECT_STREQ("", buf);
  CFRelease(empty);
}

}  // namespace
