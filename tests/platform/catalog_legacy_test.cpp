// The older catalog calls: items by index or name, file and volume info.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <string>

#include "platform/catalog.h"
#include "platform_test_helpers.h"
#include "support/test_support.h"

using namespace platformtest;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

const std::string kLongName = std::string(251, 'L') + ".txt";

std::string Str(const unsigned char* s) { return std::string(reinterpret_cast<const char*>(s + 1), s[0]); }

void SetStr(unsigned char* s, const std::string& v) {
  s[0] = static_cast<unsigned char>(v.size());
  std::memcpy(s + 1, v.data(), v.size());
}

// Folder id as the older calls know it.
int32_t FolderId(const std::string& path) { return SpecOf(path + "/x").parID; }

TEST(CatalogLegacy, WalkingByIndexListsWhatTheIteratorLists) {
  TempDir dir;
  WriteFile(dir / "plain", std::string(3000, 'p'));
  WriteFile(dir / "Caf\xc3\xa9", "c");
  WriteFile(dir / kLongName, "l");
  WriteFile(dir / "bad\xff.bin", "b");
  ASSERT_EQ(0, mkdir((dir / "sub").c_str(), 0755));
  WriteFile(dir / "sub/inner", "i");
  ASSERT_EQ(0, symlink("sub", (dir / "link").c_str()));
  testsupport::SetMtime(dir / "plain", 1000000000);

  std::map<std::string, Listed> expected;
  for (const Listed& l : ListFolder(dir.path(), kFSCatInfoNodeFlags)) expected[SpecName(l.spec)] = l;

  const int32_t folderId = FolderId(dir.path());
  std::map<std::string, CInfoPBRec> seen;
  for (int16_t index = 1;; ++index) {
    Str63 name = {};
    CInfoPBRec pb;
    std::memset(&pb, 0, sizeof pb);
    pb.ioNamePtr = name;
    pb.ioDirID = folderId;
    pb.ioFDirIndex = index;
    OSErr err = PBGetCatInfoSync(&pb);
    EXPECT_EQ(err, pb.ioResult);
    if (err == fnfErr) break;
    ASSERT_EQ(noErr, err);
    ASSERT_LE(index, 10);
    EXPECT_EQ(folderId, pb.ioFlParID);
    seen[Str(name)] = pb;
  }
  ASSERT_EQ(expected.size(), seen.size());
  for (auto& [name, pb] : seen) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(expected.count(name));
    const Listed& l = expected[name];
    EXPECT_EQ((l.info.nodeFlags & kFSNodeIsDirectoryMask) != 0, (pb.ioFlAttrib & 0x10) != 0);
    // Each name resolves to the same item as the iterator's FSSpec.
    FSSpec spec;
    std::memset(&spec, 0, sizeof spec);
    spec.parID = folderId;
    SetStr(spec.name, name);
    EXPECT_EQ(dir / l.name, SpecPath(spec));
  }
  // Folders answer their own id, which lists their items.
  const CInfoPBRec& sub = seen["sub"];
  EXPECT_NE(folderId, sub.ioDirID);
  Str63 innerName = {};
  CInfoPBRec pb;
  std::memset(&pb, 0, sizeof pb);
  pb.ioNamePtr = innerName;
  pb.ioDirID = sub.ioDirID;
  pb.ioFDirIndex = 1;
  ASSERT_EQ(noErr, PBGetCatInfoSync(&pb));
  EXPECT_EQ("inner", Str(innerName));

  const CInfoPBRec& plain = seen["plain"];
  EXPECT_EQ(3000, plain.ioFlLgLen);
  EXPECT_EQ(1000000000u + 2082844800u,
            static_cast<uint32_t>(plain.ioFlMdDat - PlatformLocalTimeOffset()));
  EXPECT_EQ(0, seen["link"].ioFlAttrib & 0x10);
}

TEST(CatalogLegacy, ByNameAndTheFolderItself) {
  TempDir dir;
  WriteFile(dir / "photo", "abcd");
  WriteFile(dir / kLongName, "l");
  std::string fi("JPEG8BIM\x40\x00", 10);
  fi += std::string(22, '\0');
  bool haveXattrs = testsupport::SetXattr(dir / "photo", "user.com.apple.FinderInfo", fi);
  const int32_t folderId = FolderId(dir.path());

  Str63 name = {};
  SetStr(name, "photo");
  CInfoPBRec pb;
  std::memset(&pb, 0, sizeof pb);
  pb.ioNamePtr = name;
  pb.ioDirID = folderId;
  ASSERT_EQ(noErr, PBGetCatInfoSync(&pb));
  EXPECT_EQ(4, pb.ioFlLgLen);
  EXPECT_EQ(folderId, pb.ioDirID);  // unchanged for a file
  if (haveXattrs) {
    EXPECT_EQ(0x4A504547u, pb.ioFlFndrInfo.fdType);
    EXPECT_EQ(0x3842494Du, pb.ioFlFndrInfo.fdCreator);
    EXPECT_EQ(0x4000, pb.ioFlFndrInfo.fdFlags);
  }

  // A mangled name finds its item.
  SetStr(name, SpecName(SpecOf(dir / kLongName)));
  std::memset(&pb, 0, sizeof pb);
  pb.ioNamePtr = name;
  pb.ioDirID = folderId;
  ASSERT_EQ(noErr, PBGetCatInfoSync(&pb));
  EXPECT_EQ(1, pb.ioFlLgLen);

  SetStr(name, "missing");
  pb.ioDirID = folderId;
  EXPECT_EQ(fnfErr, PBGetCatInfoSync(&pb));

  // The folder itself.
  std::memset(&pb, 0, sizeof pb);
  Str63 own = {};
  pb.ioNamePtr = own;
  pb.ioDirID = folderId;
  pb.ioFDirIndex = -1;
  ASSERT_EQ(noErr, PBGetCatInfoSync(&pb));
  EXPECT_EQ(0x10, pb.ioFlAttrib & 0x10);
  EXPECT_EQ(2, pb.ioDrNmFls);
  EXPECT_EQ(folderId, pb.ioDirID);
  std::string_view leaf = std::string_view(dir.path()).substr(dir.path().rfind('/') + 1);
  EXPECT_EQ(leaf, Str(own));
  EXPECT_EQ(FolderId(dir.path() + "/.."), pb.ioFlParID);

  // An id never handed out.
  pb.ioDirID = 0x7FFFFFF0;
  EXPECT_NE(noErr, PBGetCatInfoSync(&pb));
}

TEST(CatalogLegacy, UnreadableFolderIsRefused) {
  TempDir dir;
  ASSERT_EQ(0, chmod(dir.path().c_str(), 0755));
  std::string locked = dir / "locked";
  ASSERT_EQ(0, mkdir(locked.c_str(), 0755));
  WriteFile(locked + "/inside", "x");
  const int32_t id = FolderId(locked);
  ASSERT_EQ(0, chmod(locked.c_str(), 0));
  EXPECT_TRUE(RunUnprivileged([&] {
    Str63 name = {};
    CInfoPBRec pb;
    std::memset(&pb, 0, sizeof pb);
    pb.ioNamePtr = name;
    pb.ioDirID = id;
    pb.ioFDirIndex = 1;
    return PBGetCatInfoSync(&pb) == afpAccessDenied;
  }));
}

TEST(CatalogLegacy, FileAndVolumeInformation) {
  TempDir dir;
  WriteFile(dir / "file", "12345");
  ASSERT_EQ(0, mkdir((dir / "folder").c_str(), 0755));
  testsupport::SetMtime(dir / "file", 1500000000);
  Str255 name = {};
  SetStr(name, "file");
  HParamBlockRec pb;
  std::memset(&pb, 0, sizeof pb);
  pb.ioNamePtr = name;
  pb.ioDirID = FolderId(dir.path());
  ASSERT_EQ(noErr, PBHGetFInfoSync(&pb));
  EXPECT_EQ(5, pb.ioFlLgLen);
  EXPECT_EQ(1500000000u + 2082844800u, static_cast<uint32_t>(pb.ioFlMdDat - PlatformLocalTimeOffset()));
  SetStr(name, "folder");
  EXPECT_EQ(fnfErr, PBHGetFInfoSync(&pb));

  Str255 volName = {};
  std::memset(&pb, 0, sizeof pb);
  pb.ioNamePtr = volName;
  ASSERT_EQ(noErr, PBHGetVInfoSync(&pb));
  EXPECT_EQ("/", Str(volName));
  EXPECT_GT(pb.ioVAlBlkSiz, 0u);
  EXPECT_GT(pb.ioVCrDate, 0u);
  pb.ioVolIndex = 2;
  EXPECT_EQ(nsvErr, PBHGetVInfoSync(&pb));
}

}  // namespace
