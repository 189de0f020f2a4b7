// FSRef, FSSpec and path conversions, and item information by FSRef.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/at_path.h"
#include "platform/catalog.h"
#include "platform_test_helpers.h"
#include "support/test_support.h"

using namespace platformtest;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

const std::string kLongName = std::string(251, 'L') + ".txt";  // 255 bytes
const std::string kNonUtf8 = "bad\xff\xfe.bin";
// Same length and same first 62 bytes as kLongName: only the inode tells
// them apart in a record.
const std::string kLongTwin = std::string(251, 'L') + ".dat";

std::string InodeHex(const std::string& path) {
  struct stat st;
  EXPECT_EQ(0, lstat(path.c_str(), &st));
  char buf[32];
  std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(st.st_ino));
  return buf;
}

TEST(CatalogRefs, TheRootFolder) {
  Boolean isDir = false;
  FSRef root = RefOf("/", &isDir);
  EXPECT_TRUE(isDir);
  EXPECT_EQ("/", RefPath(root));
  FSCatalogInfo info;
  std::memset(&info, 0, sizeof info);
  HFSUniStr255 name;
  FSSpec spec;
  FSRef parent;
  std::memset(&parent, 0xAA, sizeof parent);
  ASSERT_EQ(noErr, FSGetCatalogInfo(&root, kFSCatInfoNodeID | kFSCatInfoParentDirID | kFSCatInfoNodeFlags,
                                    &info, &name, &spec, &parent));
  EXPECT_EQ(2u, info.nodeID);
  EXPECT_EQ(1u, info.parentDirID);
  EXPECT_NE(0, info.nodeFlags & kFSNodeIsDirectoryMask);
  const uint8_t zeros[sizeof(FSRef)] = {};
  EXPECT_EQ(0, std::memcmp(zeros, &parent, sizeof parent));
  EXPECT_EQ("/", NameBytes(name));
  EXPECT_EQ(1, +spec.parID);
  EXPECT_EQ("/", SpecPath(spec));
  // The all-zero parent is not an item.
  EXPECT_NE(noErr, FSGetCatalogInfo(&parent, kFSCatInfoNone, nullptr, nullptr, nullptr, nullptr));

  // An item directly in the root has the root as parent.
  FSRef tmp = RefOf("/tmp");
  ASSERT_EQ(noErr, FSGetCatalogInfo(&tmp, kFSCatInfoNodeID, &info, nullptr, nullptr, &parent));
  EXPECT_NE(2u, info.nodeID);
  EXPECT_EQ("/", RefPath(parent));
  ASSERT_EQ(noErr, FSGetCatalogInfo(&parent, kFSCatInfoNodeID, &info, nullptr, nullptr, nullptr));
  EXPECT_EQ(2u, info.nodeID);

  // Listing the root gives its items as "/name".
  auto items = ListFolder("/", kFSCatInfoNodeFlags | kFSCatInfoParentDirID);
  const Listed* listedTmp = Find(items, "tmp");
  ASSERT_TRUE(listedTmp);
  EXPECT_EQ("/tmp", RefPath(listedTmp->ref));
  EXPECT_EQ(2u, listedTmp->info.parentDirID);
  struct stat st;
  ASSERT_EQ(0, lstat("/tmp", &st));
  EXPECT_EQ(S_ISDIR(st.st_mode), (listedTmp->info.nodeFlags & kFSNodeIsDirectoryMask) != 0);
}

TEST(CatalogRefs, PathsRefsAndSpecsRoundTripForAnyName) {
  TempDir dir;
  const std::string names[] = {"plain.txt", "Caf\xc3\xa9.txt", "Cafe\xcc\x81", kLongName, kLongTwin, kNonUtf8,
                               std::string(63, 'a'), std::string(64, 'b'), "photo#1A.jpg"};
  for (const std::string& n : names) {
    SCOPED_TRACE(n);
    const std::string path = dir / n;
    WriteFile(path, "x");
    FSRef ref = RefOf(path);
    EXPECT_EQ(path, RefPath(ref));

    HFSUniStr255 uni;
    FSSpec spec;
    FSRef parent;
    ASSERT_EQ(noErr, FSGetCatalogInfo(&ref, kFSCatInfoNone, nullptr, &uni, &spec, &parent));
    EXPECT_EQ(n, NameBytes(uni));
    EXPECT_EQ(dir.path(), RefPath(parent));
    EXPECT_EQ(path, SpecPath(spec));

    FSSpec fromPath = SpecOf(path);
    EXPECT_EQ(0, std::memcmp(&spec, &fromPath, sizeof spec));
    FSRef fromSpec;
    ASSERT_EQ(noErr, FSpMakeFSRef(&fromPath, &fromSpec));
    EXPECT_EQ(path, RefPath(fromSpec));

    FSRef fromUnicode;
    ASSERT_EQ(noErr, FSMakeFSRefUnicode(&parent, uni.length, uni.unicode, 0, &fromUnicode));
    EXPECT_EQ(path, RefPath(fromUnicode));
  }
}

TEST(CatalogRefs, LongNamesSharingTheirStartAreToldApartByInode) {
  TempDir dir;
  WriteFile(dir / kLongName, "1");
  WriteFile(dir / kLongTwin, "2");
  // Listing gives refs without looking names up; resolve the one listed
  // last first, so that it is found by reading the folder.
  auto items = ListFolder(dir.path(), kFSCatInfoNone);
  ASSERT_EQ(2u, items.size());
  EXPECT_EQ(dir / items[1].name, RefPath(items[1].ref));
  EXPECT_EQ(dir / items[0].name, RefPath(items[0].ref));
  EXPECT_NE(items[0].name, items[1].name);
}

TEST(CatalogRefs, SpecNamesAreMacRomanOrMangledWithTheInode) {
  TempDir dir;
  WriteFile(dir / "Caf\xc3\xa9.txt", "x");
  EXPECT_EQ("Caf\x8e.txt", SpecName(SpecOf(dir / "Caf\xc3\xa9.txt")));
  WriteFile(dir / std::string(63, 'a'), "x");
  EXPECT_EQ(std::string(63, 'a'), SpecName(SpecOf(dir / std::string(63, 'a'))));

  struct Case {
    std::string name;
    std::string prefix;
    std::string ext;
  } cases[] = {
      {kLongName, "LLL", ".txt"},
      {kNonUtf8, "bad__", ".bin"},
      {"Cafe\xcc\x81", "Cafe_", ""},
      {std::string(64, 'b'), "bbb", ""},
      {std::string(70, 'c') + ".verylongext", "ccc", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(dir / c.name, "x");
    std::string mangled = SpecName(SpecOf(dir / c.name));
    EXPECT_LE(mangled.size(), 31u);
    EXPECT_EQ(0u, mangled.find(c.prefix));
    std::string tail = "#" + InodeHex(dir / c.name) + c.ext;
    ASSERT_GE(mangled.size(), tail.size());
    EXPECT_EQ(tail, mangled.substr(mangled.size() - tail.size()));
  }
}

TEST(CatalogRefs, PathLookupNormalisesAndNeedsOnlyTheParent) {
  TempDir dir;
  ASSERT_EQ(0, mkdir((dir / "sub").c_str(), 0755));
  WriteFile(dir / "sub/file", "x");
  Boolean isDir = true;
  FSRef ref = RefOf(dir.path() + "//sub/./other/../file/", &isDir);
  EXPECT_EQ(dir / "sub/file", RefPath(ref));
  EXPECT_FALSE(isDir);
  ref = RefOf(dir.path() + "/sub/", &isDir);
  EXPECT_EQ(dir / "sub", RefPath(ref));
  EXPECT_TRUE(isDir);

  // An item that does not exist yet, in a folder that does.
  ref = RefOf(dir / "sub/new", &isDir);
  EXPECT_EQ(dir / "sub/new", RefPath(ref));
  FSSpec spec = SpecOf(dir / "sub/new");
  EXPECT_EQ(dir / "sub/new", SpecPath(spec));
  FSRef none;
  EXPECT_EQ(fnfErr, FSpMakeFSRef(&spec, &none));
  EXPECT_EQ(fnfErr, FSGetCatalogInfo(&ref, kFSCatInfoNone, nullptr, nullptr, nullptr, nullptr));

  // No parent folder, or a parent that is a file.
  auto path = [](const std::string& s) { return reinterpret_cast<const uint8_t*>(s.c_str()); };
  EXPECT_NE(noErr, FSPathMakeRef(path(dir / "missing/new"), &none, nullptr));
  EXPECT_NE(noErr, FSPathMakeRef(path(dir / "sub/file/new"), &none, nullptr));
  EXPECT_NE(noErr, FSPathMakeFSSpec(path(dir / "missing/new"), &spec));
  // A long name that does not exist cannot be kept in a record.
  EXPECT_NE(noErr, FSPathMakeRef(path(dir / kLongName), &none, nullptr));
  EXPECT_NE(noErr, FSPathMakeFSSpec(path(dir / kLongName), &spec));
  EXPECT_NE(noErr, FSPathMakeRef(path(""), &none, nullptr));
}

TEST(CatalogRefs, ItemsThatGoAwayAndMalformedRecords) {
  TempDir dir;
  WriteFile(dir / "file", "x");
  WriteFile(dir / kLongName, "x");
  FSRef ref = RefOf(dir / "file");
  FSRef longRef = RefOf(dir / kLongName);
  EXPECT_EQ(noErr, FSGetCatalogInfo(&ref, kFSCatInfoNone, nullptr, nullptr, nullptr, nullptr));
  ASSERT_EQ(0, unlink((dir / "file").c_str()));
  ASSERT_EQ(0, unlink((dir / kLongName).c_str()));
  FSCatalogInfo info;
  EXPECT_EQ(fnfErr, FSGetCatalogInfo(&ref, kFSCatInfoNone, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(fnfErr, FSGetCatalogInfo(&ref, kFSCatInfoDataSizes, &info, nullptr, nullptr, nullptr));
  EXPECT_NE(noErr, FSGetCatalogInfo(&longRef, kFSCatInfoNone, nullptr, nullptr, nullptr, nullptr));

  FSRef bad;
  std::memset(&bad, 0, sizeof bad);
  uint8_t buf[256];
  EXPECT_EQ(errFSBadFSRef, FSGetCatalogInfo(&bad, kFSCatInfoNone, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(errFSBadFSRef, FSRefMakePath(&bad, buf, sizeof buf));
  EXPECT_NE(noErr, FSRefMakePath(nullptr, buf, sizeof buf));
  // A name with a slash, or a folder id never handed out.
  FSRef tampered = RefOf(dir / "x");
  uint8_t* bytes = reinterpret_cast<uint8_t*>(&tampered);
  bytes[18] = '/';
  EXPECT_EQ(errFSBadFSRef, FSRefMakePath(&tampered, buf, sizeof buf));
  tampered = RefOf(dir / "x");
  uint32_t id = 0x7FFFFFF0;
  std::memcpy(bytes + 4, &id, 4);
  EXPECT_EQ(errFSBadFSRef, FSRefMakePath(&tampered, buf, sizeof buf));

  FSSpec spec;
  std::memset(&spec, 0, sizeof spec);
  spec.parID = 0x7FFFFFF0;
  spec.name[0] = 1;
  spec.name[1] = 'x';
  EXPECT_NE(noErr, FSSpecMakePath(&spec, buf, sizeof buf));
  spec = SpecOf(dir / "x");
  spec.name[0] = 2;
  spec.name[1] = '.';
  spec.name[2] = '.';
  EXPECT_NE(noErr, FSSpecMakePath(&spec, buf, sizeof buf));

  // Too small a buffer.
  ref = RefOf(dir / "x");
  EXPECT_NE(noErr, FSRefMakePath(&ref, buf, 4));
}

TEST(CatalogRefs, CatalogInfoByRef) {
  TempDir dir;
  WriteFile(dir / "file", std::string(5000, 'x'));
  ASSERT_EQ(0, mkdir((dir / "folder").c_str(), 0755));
  WriteFile(dir / "folder/a", "1");
  WriteFile(dir / "folder/b", "2");
  testsupport::SetMtime(dir / "file", 1234567890);
  FSRef file = RefOf(dir / "file");
  FSRef folder = RefOf(dir / "folder");
  FSCatalogInfo info;
  std::memset(&info, 0, sizeof info);
  ASSERT_EQ(noErr, FSGetCatalogInfo(&file, 0xFFFF, &info, nullptr, nullptr, nullptr));
  EXPECT_EQ(0, info.nodeFlags & kFSNodeIsDirectoryMask);
  EXPECT_EQ(5000u, info.dataLogicalSize);
  EXPECT_EQ(1234567890u + 2082844800u, Seconds(info.contentModDate));
  struct stat st;
  ASSERT_EQ(0, lstat((dir / "file").c_str(), &st));
  EXPECT_EQ(st.st_mode, info.permissions[2]);
  std::memset(&info, 0, sizeof info);
  ASSERT_EQ(noErr, FSGetCatalogInfo(&folder, kFSCatInfoNodeFlags | kFSCatInfoValence |
                                                 kFSCatInfoDataSizes | kFSCatInfoParentDirID,
                                    &info, nullptr, nullptr, nullptr));
  EXPECT_NE(0, info.nodeFlags & kFSNodeIsDirectoryMask);
  EXPECT_EQ(2u, info.valence);
  EXPECT_EQ(0u, info.dataLogicalSize);
  // The folder's own id is the parent id of its items.
  FSRef item = RefOf(dir / "folder/a");
  FSCatalogInfo itemInfo;
  ASSERT_EQ(noErr, FSGetCatalogInfo(&item, kFSCatInfoParentDirID, &itemInfo, nullptr, nullptr, nullptr));
  FSSpec folderItself;
  std::memset(&folderItself, 0, sizeof folderItself);
  folderItself.parID = static_cast<int32_t>(itemInfo.parentDirID);
  EXPECT_EQ(dir / "folder", SpecPath(folderItself));
}

TEST(CatalogRefs, ShortSpecNamesResolveByInodeNeverToAnItemThatBearsTheName) {
  // A folder whose name has no short form beside an item named like its
  // short spec name: each spec leads to its own item, also for folders the
  // layer has already listed.
  const std::string photos = "\xE5\x86\x99\xE7\x9C\x9F";  // no Mac Roman form
  for (const std::string& name : {std::string(100, 'p'), photos}) {
    SCOPED_TRACE(name);
    TempDir dir;
    for (bool listedFirst : {false, true}) {
      const std::string real = dir / (name + (listedFirst ? "1" : "0"));
      WriteFile(real + "/inside.jpg", "real");
      const std::string shortName = SpecName(SpecOf(real));
      ASSERT_NE(std::string::npos, shortName.find('#'));
      const std::string decoy = dir / shortName;
      WriteFile(decoy + "/decoy.jpg", "decoy");
      if (listedFirst) ListFolder(dir.path(), kFSCatInfoNodeFlags);

      FSSpec spec = SpecOf(real);
      std::string path;
      ASSERT_EQ(noErr, platform::PathOfSpec(&spec, &path));
      EXPECT_EQ(real, path);
      FSRef ref;
      ASSERT_EQ(noErr, FSpMakeFSRef(&spec, &ref));
      EXPECT_EQ(real, RefPath(ref));
      auto inside = ListFolder(real, kFSCatInfoNone);
      ASSERT_EQ(1u, inside.size());
      EXPECT_EQ("inside.jpg", inside[0].name);

      // The item that bears the name has a short name of its own.
      FSSpec decoySpec = SpecOf(decoy);
      EXPECT_NE(shortName, SpecName(decoySpec));
      ASSERT_EQ(noErr, platform::PathOfSpec(&decoySpec, &path));
      EXPECT_EQ(decoy, path);
    }
  }
  // A short name whose item is gone resolves to nothing, not to a lookalike.
  TempDir dir;
  WriteFile(dir / std::string(100, 'g') + "/x", "");
  FSSpec spec = SpecOf(dir / std::string(100, 'g'));
  ASSERT_EQ(0, unlink((dir / std::string(100, 'g') + "/x").c_str()));
  ASSERT_EQ(0, rmdir((dir / std::string(100, 'g')).c_str()));
  WriteFile(dir / SpecName(spec), "lookalike");
  std::string path;
  if (platform::PathOfSpec(&spec, &path) == noErr) {
    EXPECT_EQ(dir / std::string(100, 'g'), path);
  }
  FSRef ref;
  EXPECT_EQ(fnfErr, FSpMakeFSRef(&spec, &ref));
}

TEST(CatalogRefs, PathsLongerThanTheKernelTakesInOneCall) {
  // 40 folders of 200-byte names: more than 8,000 bytes of path.
  TempDir dir;
  std::string deep = dir.path();
  for (int level = 0; level < 40; ++level) deep += "/" + std::string(199, 'a' + level % 26) + "d";
  ASSERT_GT(deep.size(), 8000u);
  WriteFile(deep + "/IMG_0001.jpg", "deep bytes");
  WriteFile(deep + "/sub/inner.txt", "x");

  FSRef ref = RefOf(deep);
  std::string path;
  ASSERT_EQ(noErr, platform::PathOfRef(&ref, &path));
  EXPECT_EQ(deep, path);
  auto items = ListFolder(deep, kFSCatInfoNodeFlags | kFSCatInfoDataSizes);
  ASSERT_EQ(2u, items.size());
  const Listed* file = Find(items, "IMG_0001.jpg");
  ASSERT_TRUE(file);
  EXPECT_EQ(10u, file->info.dataLogicalSize);
  ASSERT_EQ(noErr, platform::PathOfRef(&file->ref, &path));
  EXPECT_EQ(deep + "/IMG_0001.jpg", path);

  // Specs, catalog information by ref, and the parent of a deep item.
  FSSpec spec = SpecOf(deep + "/sub");
  FSRef fromSpec;
  ASSERT_EQ(noErr, FSpMakeFSRef(&spec, &fromSpec));
  FSCatalogInfo info;
  std::memset(&info, 0, sizeof info);
  FSRef parent;
  ASSERT_EQ(noErr, FSGetCatalogInfo(&fromSpec, kFSCatInfoNodeFlags | kFSCatInfoValence, &info, nullptr,
                                    nullptr, &parent));
  EXPECT_NE(0, info.nodeFlags & kFSNodeIsDirectoryMask);
  EXPECT_EQ(1u, info.valence);
  ASSERT_EQ(noErr, platform::PathOfRef(&parent, &path));
  EXPECT_EQ(deep, path);

  // A caller's buffer too small for the path is refused, never overrun.
  uint8_t buf[4096];
  EXPECT_NE(noErr, FSRefMakePath(&ref, buf, sizeof buf));
}

TEST(CatalogRefs, OlderRouteHookMakesFSpMakeFSRefFail) {
  TempDir dir;
  WriteFile(dir / "file", "x");
  FSSpec spec = SpecOf(dir / "file");
  FSRef ref;
  PlatformSetFSpMakeFSRefFails(true);
  EXPECT_EQ(paramErr, FSpMakeFSRef(&spec, &ref));
  PlatformSetFSpMakeFSRefFails(false);
  EXPECT_EQ(noErr, FSpMakeFSRef(&spec, &ref));
}

}  // namespace
