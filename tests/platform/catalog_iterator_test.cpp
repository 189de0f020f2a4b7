// Listing folders through the catalog iterator.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "platform/catalog.h"
#include "platform/catalog_internal.h"
#include "platform_test_helpers.h"
#include "support/test_support.h"

using namespace platformtest;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

const std::string kLongName = std::string(251, 'L') + ".txt";  // 255 bytes
const std::string kNonUtf8 = "bad\xff\xfe.bin";
const std::string kNfc = "Caf\xc3\xa9";
const std::string kNfd = "Cafe\xcc\x81";

// A folder with every kind of name and item the iterator must handle.
class MixedFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const std::string& n : {std::string("plain.txt"), kNfc, kNfd, kLongName, kNonUtf8,
                                 std::string(".hidden")})
      WriteFile(dir / n, n);
    ASSERT_EQ(0, mkdir((dir / "sub").c_str(), 0755));
    ASSERT_EQ(0, symlink("sub", (dir / "link-to-sub").c_str()));
    ASSERT_EQ(0, symlink("loop", (dir / "loop").c_str()));
  }
  std::set<std::string> Expected() const {
    return {"plain.txt", kNfc, kNfd, kLongName, kNonUtf8, ".hidden", "sub", "link-to-sub", "loop"};
  }
  TempDir dir;
};

TEST_F(MixedFolder, ListsEveryItemOnceWithNamesAndRefsMatchingTheBytesOnDisk) {
  auto items = ListFolder(dir.path(), kFSCatInfoNodeFlags);
  std::set<std::string> names;
  for (const Listed& l : items) {
    EXPECT_TRUE(names.insert(l.name).second) << "listed twice: " << l.name;
    EXPECT_EQ(dir / l.name, RefPath(l.ref)) << l.name;
    EXPECT_EQ(dir / l.name, SpecPath(l.spec)) << l.name;
    bool isFolder = (l.info.nodeFlags & kFSNodeIsDirectoryMask) != 0;
    EXPECT_EQ(l.name == "sub", isFolder) << l.name;
  }
  EXPECT_EQ(Expected(), names);
}

TEST_F(MixedFolder, SymbolicLinksAreNeverFoldersEvenWhenAskedForEverything) {
  auto items = ListFolder(dir.path(), 0xFFFF);
  const Listed* link = Find(items, "link-to-sub");
  const Listed* loop = Find(items, "loop");
  ASSERT_TRUE(link && loop);
  EXPECT_EQ(0, link->info.nodeFlags & kFSNodeIsDirectoryMask);
  EXPECT_EQ(0, loop->info.nodeFlags & kFSNodeIsDirectoryMask);
  // Opening them as folders fails rather than following them.
  for (const Listed* l : {link, loop}) {
    FSIterator it = nullptr;
    EXPECT_EQ(errFSNotAFolder, FSOpenIterator(&l->ref, kFSIterateFlat, &it)) << l->name;
    EXPECT_EQ(nullptr, it);
  }
  // The folder found through the listing can be listed in turn.
  const Listed* sub = Find(items, "sub");
  ASSERT_TRUE(sub);
  FSIterator it = nullptr;
  ASSERT_EQ(noErr, FSOpenIterator(&sub->ref, kFSIterateFlat, &it));
  ItemCount actual = 5;
  EXPECT_EQ(errFSNoMoreItems, FSGetCatalogInfoBulk(it, 1, &actual, nullptr, 0, nullptr, nullptr,
                                                   nullptr, nullptr));
  EXPECT_EQ(0u, actual);
  FSCloseIterator(it);
}

TEST_F(MixedFolder, BatchesAndTheEndOfTheFolder) {
  FSRef container = RefOf(dir.path());
  FSIterator it = nullptr;
  ASSERT_EQ(noErr, FSOpenIterator(&container, kFSIterateFlat, &it));
  FSRef refs[4];
  HFSUniStr255 names[4];
  std::set<std::string> seen;
  ItemCount actual = 0;
  OSErr err;
  while ((err = FSGetCatalogInfoBulk(it, 4, &actual, nullptr, kFSCatInfoNone, nullptr, refs,
                                     nullptr, names)) == noErr) {
    ASSERT_GE(actual, 1u);
    ASSERT_LE(actual, 4u);
    for (ItemCount i = 0; i < actual; ++i) {
      seen.insert(NameBytes(names[i]));
      EXPECT_EQ(dir / NameBytes(names[i]), RefPath(refs[i]));
    }
  }
  EXPECT_EQ(errFSNoMoreItems, err);
  EXPECT_EQ(0u, actual);
  EXPECT_EQ(Expected(), seen);
  // The end stays the end.
  EXPECT_EQ(errFSNoMoreItems, FSGetCatalogInfoBulk(it, 1, &actual, nullptr, 0, nullptr, nullptr,
                                                   nullptr, nullptr));
  EXPECT_EQ(errFSBadItemCount, FSGetCatalogInfoBulk(it, 0, &actual, nullptr, 0, nullptr,
                                                    nullptr, nullptr, nullptr));
  EXPECT_EQ(noErr, FSCloseIterator(it));
}

TEST(CatalogIterator, OpeningSomethingThatIsNotAReadableFolderFails) {
  TempDir dir;
  WriteFile(dir / "file", "x");
  FSIterator it = reinterpret_cast<FSIterator>(1);
  FSRef file = RefOf(dir / "file");
  EXPECT_EQ(errFSNotAFolder, FSOpenIterator(&file, kFSIterateFlat, &it));
  EXPECT_EQ(nullptr, it);
  FSRef missing = RefOf(dir / "missing");
  EXPECT_EQ(dirNFErr, FSOpenIterator(&missing, kFSIterateFlat, &it));
  FSRef zero;
  std::memset(&zero, 0, sizeof zero);
  EXPECT_EQ(errFSBadFSRef, FSOpenIterator(&zero, kFSIterateFlat, &it));
  FSRef folder = RefOf(dir.path());
  EXPECT_EQ(errFSBadIteratorFlags, FSOpenIterator(&folder, kFSIterateSubtree, &it));
  EXPECT_EQ(nullptr, it);
}

TEST(CatalogIterator, UnreadableFolderIsRefused) {
  TempDir dir;
  ASSERT_EQ(0, chmod(dir.path().c_str(), 0755));
  std::string locked = dir / "locked";
  ASSERT_EQ(0, mkdir(locked.c_str(), 0755));
  WriteFile(locked + "/inside", "x");
  FSRef ref = RefOf(locked);
  ASSERT_EQ(0, chmod(locked.c_str(), 0));
  EXPECT_TRUE(RunUnprivileged([&] {
    FSIterator it = nullptr;
    return FSOpenIterator(&ref, kFSIterateFlat, &it) == afpAccessDenied && it == nullptr;
  }));
}

// Runs with the *at attribute calls, and with the path forms used where the
// kernel lacks them.
class XattrCalls : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { platform::SetXattrPathCallsForTesting(GetParam()); }
  void TearDown() override { platform::SetXattrPathCallsForTesting(false); }
};
INSTANTIATE_TEST_SUITE_P(CatalogIterator, XattrCalls, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "PathCalls" : "AtCalls"; });

TEST_P(XattrCalls, FinderInfoComesInMachineOrder) {
  TempDir dir;
  WriteFile(dir / "photo", "data");
  ASSERT_EQ(0, mkdir((dir / "folder").c_str(), 0755));
  WriteFile(dir / "plain", "data");
  std::string fileInfo("JPEG8BIM\x40\x00\x00\x10\x00\x20\x00\x00", 16);
  fileInfo += std::string(16, '\0');
  std::string folderInfo("\x00\x01\x00\x02\x00\x03\x00\x04\x40\x00\x00\x00\x00\x00\x00\x00", 16);
  folderInfo += std::string(16, '\0');
  if (!testsupport::SetXattr(dir / "photo", "user.com.apple.FinderInfo", fileInfo) ||
      !testsupport::SetXattr(dir / "folder", "user.com.apple.FinderInfo", folderInfo))
    GTEST_SKIP() << "no extended attributes here";

  auto items = ListFolder(dir.path(), 0xCBE2);
  const Listed* photo = Find(items, "photo");
  const Listed* folder = Find(items, "folder");
  const Listed* plain = Find(items, "plain");
  ASSERT_TRUE(photo && folder && plain);
  uint32_t type, creator;
  uint16_t flags, v;
  std::memcpy(&type, &photo->info.finderInfo[0], 4);
  std::memcpy(&creator, &photo->info.finderInfo[4], 4);
  std::memcpy(&flags, &photo->info.finderInfo[8], 2);
  std::memcpy(&v, &photo->info.finderInfo[10], 2);
  EXPECT_EQ(0x4A504547u, type);     // 'JPEG'
  EXPECT_EQ(0x3842494Du, creator);  // '8BIM'
  EXPECT_EQ(kIsInvisible, flags);
  EXPECT_EQ(0x10, v);
  uint16_t folderFlags, top;
  std::memcpy(&folderFlags, &folder->info.finderInfo[8], 2);
  std::memcpy(&top, &folder->info.finderInfo[0], 2);
  EXPECT_EQ(kIsInvisible, folderFlags);
  EXPECT_EQ(1, top);
  const uint8_t zeros[16] = {};
  EXPECT_EQ(0, std::memcmp(zeros, plain->info.finderInfo, 16));
}

TEST_P(XattrCalls, ForkLengthsDatesAndSizes) {
  TempDir dir;
  WriteFile(dir / "data", std::string(10000, 'x'));
  WriteFile(dir / "withrsrc", "abc");
  ASSERT_EQ(0, mkdir((dir / "folder").c_str(), 0755));
  WriteFile(dir / "late", "y");
  bool haveXattrs = testsupport::SetXattr(dir / "withrsrc", "user.com.apple.ResourceFork",
                                          std::string(1000, 'r'));
  testsupport::SetMtime(dir / "data", 1000000000);
  testsupport::SetMtime(dir / "late", 2500000000LL);  // beyond 32 bits since 1904

  auto items = ListFolder(dir.path(), 0xCBE2);
  const Listed* data = Find(items, "data");
  const Listed* rsrc = Find(items, "withrsrc");
  const Listed* folder = Find(items, "folder");
  const Listed* late = Find(items, "late");
  ASSERT_TRUE(data && rsrc && folder && late);

  struct stat st;
  ASSERT_EQ(0, stat((dir / "data").c_str(), &st));
  EXPECT_EQ(10000u, data->info.dataLogicalSize);
  EXPECT_EQ(static_cast<uint64_t>(st.st_blocks) * 512, data->info.dataPhysicalSize);
  EXPECT_EQ(0u, data->info.rsrcLogicalSize);
  EXPECT_EQ(0u, data->info.rsrcPhysicalSize);
  EXPECT_EQ(1000000000u + 2082844800u, Seconds(data->info.contentModDate));
  EXPECT_EQ(1000000000u + 2082844800u, Seconds(data->info.accessDate));
  EXPECT_EQ(static_cast<uint64_t>(st.st_ctime) + 2082844800u, Seconds(data->info.attributeModDate));
  EXPECT_EQ(0u, Seconds(data->info.backupDate));
  EXPECT_EQ(0, +data->info.contentModDate.fraction);
  struct statx stx;
  ASSERT_EQ(0, statx(AT_FDCWD, (dir / "data").c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME, &stx));
  uint64_t created = (stx.stx_mask & STATX_BTIME) ? stx.stx_btime.tv_sec : 1000000000u;
  EXPECT_EQ(created + 2082844800u, Seconds(data->info.createDate));

  EXPECT_EQ(1, +late->info.contentModDate.highSeconds);
  EXPECT_EQ(2500000000ull + 2082844800ull - 4294967296ull, +late->info.contentModDate.lowSeconds);

  if (haveXattrs) {
    ASSERT_EQ(0, stat((dir / "withrsrc").c_str(), &st));
    EXPECT_EQ(1000u, rsrc->info.rsrcLogicalSize);
    uint64_t block = static_cast<uint64_t>(st.st_blksize);
    EXPECT_EQ((1000 + block - 1) / block * block, rsrc->info.rsrcPhysicalSize);
    EXPECT_EQ(3u, rsrc->info.dataLogicalSize);
  }
  EXPECT_NE(0, folder->info.nodeFlags & kFSNodeIsDirectoryMask);
  EXPECT_EQ(0u, folder->info.dataLogicalSize);
  EXPECT_EQ(0u, folder->info.dataPhysicalSize);
  EXPECT_EQ(0u, folder->info.rsrcLogicalSize);
  EXPECT_EQ(0u, folder->info.rsrcPhysicalSize);
}

TEST(CatalogIterator, NodeAndParentIds) {
  TempDir dir;
  WriteFile(dir / "a", "1");
  WriteFile(dir / "b", "2");
  auto items = ListFolder(dir.path(), kFSCatInfoNodeID | kFSCatInfoParentDirID);
  ASSERT_EQ(2u, items.size());
  for (const Listed& l : items) {
    struct stat st;
    ASSERT_EQ(0, lstat((dir / l.name).c_str(), &st));
    uint32_t low = static_cast<uint32_t>(st.st_ino);
    if (low > 2) {
      EXPECT_EQ(low, l.info.nodeID);
    }
    EXPECT_GT(l.info.nodeID, 2u);
    EXPECT_EQ(items[0].info.parentDirID, l.info.parentDirID);
    EXPECT_EQ(static_cast<int32_t>(l.info.parentDirID), +l.spec.parID);
    EXPECT_GT(l.info.parentDirID, 2u);
  }
}

TEST(CatalogIterator, RememberedFoldersDoNotGrowWithItemsListed) {
  TempDir dir;
  for (int i = 0; i < 50; ++i) {
    ASSERT_EQ(0, mkdir((dir / ("sub" + std::to_string(i))).c_str(), 0755));
    WriteFile(dir / ("file" + std::to_string(i)), "x");
  }
  uint32_t before = PlatformFolderTableCount();
  ListFolder(dir.path(), 0xCBE2);
  uint32_t afterFirst = PlatformFolderTableCount();
  EXPECT_LE(afterFirst, before + 2);  // the folder and its parent at most
  auto again = ListFolder(dir.path(), 0xCBE2);
  EXPECT_EQ(100u, again.size());
  EXPECT_EQ(afterFirst, PlatformFolderTableCount());
  // Refs of the same item from two listings are the same bytes.
  auto third = ListFolder(dir.path(), kFSCatInfoNone);
  for (const Listed& l : third) {
    const Listed* other = Find(again, l.name);
    ASSERT_TRUE(other);
    EXPECT_EQ(0, std::memcmp(&l.ref, &other->ref, sizeof(FSRef))) << l.name;
  }
}

}  // namespace
