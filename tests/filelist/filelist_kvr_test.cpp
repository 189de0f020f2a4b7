// FileListKVR through the framework's loader and the program's bound entry
// points, on real folders.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/FileListKVR.h"
#include "app/PluginEntrypoints.h"
#include "framework/folder_item.h"
#include "framework/memory_block.h"
#include "framework/rbstring.h"
#include "framework/runtime.h"
#include "platform/catalog.h"
#include "support/test_support.h"

namespace {

using rb::Ref;
using testsupport::MakeDirs;
using testsupport::SetMtime;
using testsupport::SetXattr;
using testsupport::TempDir;
using testsupport::WriteFile;

constexpr long long k1904 = 2082844800;  // 1904-01-01 to 1970-01-01 in seconds

class FileListKVRTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    rb::SetApplicationFolderPathForTesting(SKERROW_PROGRAM_DIR);
    rb::RuntimeInit();
    _InitPluginEntrypoints();
  }

  static Ref<rb::FolderItem> Folder(const std::string& path) {
    return Ref<rb::FolderItem>::New(path);
  }
  static Ref<FileListKVR> List(const std::string& path) { return FileListKVR::New(Folder(path)); }

  // Index of every listed name, by its bytes.
  static std::map<std::string, int> Names(FileListKVR& list) {
    std::map<std::string, int> names;
    for (int i = 0; i < list.Count(); ++i) names[list.Name(i).PathBytes()] = i;
    return names;
  }

  TempDir dir_;
};

// A big-endian Finder information record: type, creator, flags.
std::string FinderInfo(const char type[4], const char creator[4], uint16_t flags) {
  std::string info(32, '\0');
  std::memcpy(&info[0], type, 4);
  std::memcpy(&info[4], creator, 4);
  info[8] = static_cast<char>(flags >> 8);
  info[9] = static_cast<char>(flags & 0xFF);
  return info;
}

// Seconds since 1904 of a file's birth time, else its modification time.
double CreationSeconds(const std::string& path) {
  struct statx st;
  if (statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME | STATX_MTIME, &st) != 0)
    return -1;
  long long t = (st.stx_mask & STATX_BTIME) ? st.stx_btime.tv_sec : st.stx_mtime.tv_sec;
  return static_cast<double>(t + k1904);
}

bool HasBirthTime(const std::string& path) {
  struct statx st;
  return statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME, &st) == 0 &&
         (st.stx_mask & STATX_BTIME);
}

// ---- Names, kinds and items ----------------------------------------------------

TEST_F(FileListKVRTest, ListsEveryNameLosslessly) {
  const std::string longName = std::string(251, 'n') + ".txt";
  const std::vector<std::string> files = {"plain.txt", "caf\xC3\xA9.txt", longName, "bad\xFF\xFE.txt"};
  for (const std::string& f : files) WriteFile(dir_ / f, "x");
  MakeDirs(dir_ / "sub");

  auto list = List(dir_.path());
  ASSERT_TRUE(list->OK());
  ASSERT_EQ(list->Count(), 5);
  auto names = Names(*list);
  ASSERT_EQ(names.size(), 5u);
  for (const std::string& f : files) {
    SCOPED_TRACE(f);
    ASSERT_TRUE(names.count(f));
    int i = names[f];
    EXPECT_EQ(list->Name(i).Encoding(), rb::Encodings::UTF16);
    EXPECT_FALSE(list->Directory(i));
    Ref<rb::FolderItem> item = list->Item(i);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->Path(), dir_ / f);
    EXPECT_EQ(item->RefCount(), 1);
  }
  int sub = names.at("sub");
  EXPECT_TRUE(list->Directory(sub));
  EXPECT_EQ(list->Item(sub)->Path(), dir_ / "sub");

  // Display names are readable text; invalid bytes show as U+FFFD.
  EXPECT_EQ(list->DisplayName(names.at("caf\xC3\xA9.txt")).Utf8(), "caf\xC3\xA9.txt");
  EXPECT_EQ(list->DisplayName(names.at("bad\xFF\xFE.txt")).Utf8(),
            "bad\xEF\xBF\xBD\xEF\xBF\xBD.txt");
  rb::String plain = list->DisplayName(names.at("plain.txt"));
  EXPECT_EQ(plain.Bytes(), "plain.txt");
  EXPECT_EQ(plain.Encoding(), rb::Encodings::ASCII);
}

TEST_F(FileListKVRTest, EmptyAndNilFolders) {
  auto empty = List(dir_.path());
  EXPECT_TRUE(empty->OK());
  EXPECT_EQ(empty->Count(), 0);
  empty->SortByCreationDate();
  empty->SortByModificationDate();
  EXPECT_EQ(empty->Count(), 0);

  auto nil = FileListKVR::New(Ref<rb::FolderItem>());
  EXPECT_FALSE(nil->OK());
  EXPECT_EQ(nil->Count(), 0);
  EXPECT_FALSE(nil->Folder());

  auto none = FileListKVR::New();
  EXPECT_FALSE(none->OK());
  EXPECT_EQ(none->Count(), 0);
  EXPECT_TRUE(none->Name(0).Empty());

  // A file is not a folder.
  WriteFile(dir_ / "f", "x");
  auto file = List(dir_ / "f");
  EXPECT_FALSE(file->OK());
  EXPECT_EQ(file->Count(), 0);
  // Neither is a missing one.
  auto missing = List(dir_ / "missing");
  EXPECT_FALSE(missing->OK());
  EXPECT_EQ(missing->Count(), 0);
}

TEST_F(FileListKVRTest, VisibilityFlagsTypeAndCreator) {
  WriteFile(dir_ / ".dot", "x");
  WriteFile(dir_ / "invisible", "x");
  WriteFile(dir_ / "picture.jpg", "x");
  WriteFile(dir_ / "roman", "x");
  MakeDirs(dir_ / "folder");
  if (!SetXattr(dir_ / "invisible", "user.com.apple.FinderInfo", FinderInfo("TEXT", "ttxt", 0x4000)) ||
      !SetXattr(dir_ / "picture.jpg", "user.com.apple.FinderInfo", FinderInfo("JPEG", "8BIM", 0x0100)) ||
      !SetXattr(dir_ / "roman", "user.com.apple.FinderInfo", FinderInfo("\xA9pic", "R*ch", 0)) ||
      !SetXattr(dir_ / "folder", "user.com.apple.FinderInfo", FinderInfo("\0\0\0\0", "\0\0\0\0", 0x4000))) {
    GTEST_SKIP() << "no user extended attributes here";
  }
  auto list = List(dir_.path());
  auto names = Names(*list);
  ASSERT_EQ(names.size(), 5u);

  int dot = names.at(".dot"), invisible = names.at("invisible"), picture = names.at("picture.jpg"),
      roman = names.at("roman"), folder = names.at("folder");
  EXPECT_FALSE(list->Visible(dot));
  EXPECT_FALSE(list->Visible(invisible));
  EXPECT_TRUE(list->Visible(picture));
  EXPECT_TRUE(list->Visible(roman));
  EXPECT_FALSE(list->Visible(folder));
  EXPECT_EQ(list->FinderFlags(invisible), 0x4000);
  EXPECT_EQ(list->FinderFlags(picture), 0x0100);
  EXPECT_EQ(list->FinderFlags(dot), 0);
  EXPECT_EQ(list->FinderFlags(folder), 0x4000);

  rb::String type = list->Type(picture), creator = list->Creator(picture);
  EXPECT_EQ(type.Bytes(), "JPEG");
  EXPECT_EQ(type.Encoding(), rb::Encodings::ASCII);
  EXPECT_EQ(creator.Bytes(), "8BIM");
  EXPECT_EQ(creator.Encoding(), rb::Encodings::ASCII);
  // A code with a byte of 0x80 or above is Mac Roman.
  EXPECT_EQ(list->Type(roman).Bytes(), "\xA9pic");
  EXPECT_EQ(list->Type(roman).Encoding(), rb::Encodings::MacRoman);
  EXPECT_EQ(list->Creator(roman).Encoding(), rb::Encodings::ASCII);
  // Zero codes give nil, for a folder as for a file.
  EXPECT_TRUE(list->Type(folder).Empty());
  EXPECT_TRUE(list->Creator(folder).Empty());
  EXPECT_TRUE(list->Type(dot).Empty());
}

TEST_F(FileListKVRTest, LengthsAndDates) {
  WriteFile(dir_ / "data", std::string(10000, 'd'));
  WriteFile(dir_ / "empty", "");
  MakeDirs(dir_ / "folder");
  SetMtime(dir_ / "data", 1000000000);
  SetMtime(dir_ / "folder", 1500000000);
  bool rsrc = SetXattr(dir_ / "data", "user.com.apple.ResourceFork", std::string(300, 'r'));

  auto list = List(dir_.path());
  auto names = Names(*list);
  int data = names.at("data"), empty = names.at("empty"), folder = names.at("folder");

  struct stat st;
  ASSERT_EQ(lstat((dir_ / "data").c_str(), &st), 0);
  EXPECT_EQ(list->LogicalDataLength(data), 10000.0);
  EXPECT_EQ(list->PhysicalDataLength(data), static_cast<double>(st.st_blocks) * 512);
  if (rsrc) {
    EXPECT_EQ(list->LogicalResourceLength(data), 300.0);
    EXPECT_GE(list->PhysicalResourceLength(data), 300.0);
  }
  EXPECT_EQ(list->LogicalDataLength(empty), 0.0);
  EXPECT_EQ(list->LogicalResourceLength(empty), 0.0);
  for (double v : {list->LogicalDataLength(folder), list->PhysicalDataLength(folder),
                   list->LogicalResourceLength(folder), list->PhysicalResourceLength(folder)}) {
    EXPECT_EQ(v, 0.0);
  }

  EXPECT_EQ(list->ModificationDate(data), static_cast<double>(1000000000 + k1904));
  EXPECT_EQ(list->ModificationDate(folder), static_cast<double>(1500000000 + k1904));
  EXPECT_EQ(list->CreationDate(data), CreationSeconds(dir_ / "data"));
  EXPECT_EQ(list->CreationDate(folder), CreationSeconds(dir_ / "folder"));
  EXPECT_EQ(list->WinFileAttributes(data), 0);
}

TEST_F(FileListKVRTest, RecordsAsMemoryBlocksAreCopies) {
  WriteFile(dir_ / "item", "x");
  auto list = List(dir_.path());
  ASSERT_EQ(list->Count(), 1);

  Ref<rb::MemoryBlock> ref = list->FSRef(0), name = list->HFSUniStr255(0);
  ASSERT_TRUE(ref);
  ASSERT_TRUE(name);
  EXPECT_EQ(ref->Size(), 80u);
  EXPECT_EQ(name->Size(), 512u);
  EXPECT_EQ(ref->RefCount(), 1);
  HFSUniStr255 uni;
  std::memcpy(&uni, name->Data(), sizeof uni);
  ASSERT_EQ(uni.length, 4);
  EXPECT_EQ(uni.unicode[0], u'i');
  uint8_t path[4096];
  ASSERT_EQ(FSRefMakePath(reinterpret_cast<const ::FSRef*>(ref->Data()), path, sizeof path), noErr);
  EXPECT_EQ(reinterpret_cast<char*>(path), dir_ / "item");
  // The iterator route keeps no FSSpec.
  EXPECT_FALSE(list->FSSpec(0));

  std::memset(name->Data(), 0, name->Size());
  std::memset(ref->Data(), 0, ref->Size());
  EXPECT_EQ(list->Name(0).PathBytes(), "item");
  EXPECT_EQ(list->Item(0)->Path(), dir_ / "item");
}

TEST_F(FileListKVRTest, Packages) {
  MakeDirs(dir_ / "Tool.app");
  MakeDirs(dir_ / "Lib.FRAMEWORK");
  MakeDirs(dir_ / "plain");
  WriteFile(dir_ / "file.app", "x");
  auto list = List(dir_.path());
  auto names = Names(*list);
  EXPECT_TRUE(list->IsBundle(names.at("Tool.app")));
  EXPECT_TRUE(list->IsBundle(names.at("Lib.FRAMEWORK")));
  EXPECT_FALSE(list->IsBundle(names.at("plain")));
  EXPECT_FALSE(list->IsBundle(names.at("file.app")));
}

// ---- Sorting --------------------------------------------------------------------

TEST_F(FileListKVRTest, SortsByModificationDate) {
  std::mt19937 random(7);
  std::multiset<double> dates;
  for (int i = 0; i < 300; ++i) {
    std::string path = dir_ / ("f" + std::to_string(i));
    WriteFile(path, "");
    long long t = 1000000000 + static_cast<long long>(random() % 100);  // many equal keys
    SetMtime(path, t);
    dates.insert(static_cast<double>(t + k1904));
  }
  auto list = List(dir_.path());
  ASSERT_EQ(list->Count(), 300);
  auto before = Names(*list);
  for (int round = 0; round < 2; ++round) {
    list->SortByModificationDate();
    std::vector<double> sorted;
    std::set<std::string> seen;
    for (int i = 0; i < list->Count(); ++i) {
      sorted.push_back(list->ModificationDate(i));
      seen.insert(list->Name(i).PathBytes());
      // Every member follows the new order.
      EXPECT_EQ(list->Item(i)->Path(), dir_ / list->Name(i).PathBytes());
    }
    EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end()));
    EXPECT_EQ(std::multiset<double>(sorted.begin(), sorted.end()), dates);
    EXPECT_EQ(seen.size(), before.size());
  }
}

TEST_F(FileListKVRTest, SortsByEitherDate) {
  // "older" is born first but modified last.
  WriteFile(dir_ / "older", "");
  if (HasBirthTime(dir_ / "older")) std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  WriteFile(dir_ / "newer", "");
  SetMtime(dir_ / "older", 1600000000);
  SetMtime(dir_ / "newer", 1500000000);

  auto list = List(dir_.path());
  ASSERT_EQ(list->Count(), 2);
  list->SortByModificationDate();
  EXPECT_EQ(list->Name(0).PathBytes(), "newer");
  EXPECT_EQ(list->Name(1).PathBytes(), "older");
  list->SortByCreationDate();
  if (HasBirthTime(dir_ / "older")) {
    EXPECT_EQ(list->Name(0).PathBytes(), "older");
    EXPECT_EQ(list->Name(1).PathBytes(), "newer");
  } else {
    EXPECT_LE(list->CreationDate(0), list->CreationDate(1));
  }
}

// ---- Index rule and lifetime -----------------------------------------------------

void ExpectEmptyAnswers(FileListKVR& list, int index) {
  SCOPED_TRACE(index);
  EXPECT_FALSE(list.IsBundle(index));
  EXPECT_EQ(list.FinderFlags(index), 0);
  EXPECT_FALSE(list.FSSpec(index));
  EXPECT_FALSE(list.FSRef(index));
  EXPECT_FALSE(list.HFSUniStr255(index));
  EXPECT_TRUE(list.Creator(index).Empty());
  EXPECT_TRUE(list.Type(index).Empty());
  EXPECT_TRUE(list.Name(index).Empty());
  EXPECT_TRUE(list.DisplayName(index).Empty());
  EXPECT_FALSE(list.Visible(index));
  EXPECT_FALSE(list.Directory(index));
  EXPECT_FALSE(list.Item(index));
  EXPECT_EQ(list.PhysicalDataLength(index), 0.0);
  EXPECT_EQ(list.LogicalDataLength(index), 0.0);
  EXPECT_EQ(list.PhysicalResourceLength(index), 0.0);
  EXPECT_EQ(list.LogicalResourceLength(index), 0.0);
  EXPECT_EQ(list.CreationDate(index), 0.0);
  EXPECT_EQ(list.ModificationDate(index), 0.0);
  EXPECT_EQ(list.WinFileAttributes(index), 0);
}

TEST_F(FileListKVRTest, IndicesOutsideTheListAnswerEmpty) {
  MakeDirs(dir_ / "folder");
  WriteFile(dir_ / "file", "abc");
  SetXattr(dir_ / "file", "user.com.apple.FinderInfo", FinderInfo("TEXT", "ttxt", 0x0400));
  auto list = List(dir_.path());
  ASSERT_EQ(list->Count(), 2);
  ExpectEmptyAnswers(*list, -1);
  ExpectEmptyAnswers(*list, 2);
  ExpectEmptyAnswers(*list, 1 << 30);
  // A list made from an entry outside the list is empty too.
  auto sub = FileListKVR::New(list, 2);
  EXPECT_FALSE(sub->OK());
  EXPECT_EQ(sub->Count(), 0);
  EXPECT_FALSE(FileListKVR::New(Ref<FileListKVR>(), 0)->OK());
}

TEST_F(FileListKVRTest, CloseFreesOnceAndLeavesEmptyAnswers) {
  WriteFile(dir_ / "a", "abc");
  WriteFile(dir_ / "b", "abcd");
  Ref<rb::FolderItem> folder = Folder(dir_.path());
  auto list = FileListKVR::New(folder);
  EXPECT_EQ(folder->RefCount(), 2);  // the list holds its folder
  ASSERT_TRUE(list->Folder());
  EXPECT_EQ(list->Folder()->Path(), dir_.path());
  EXPECT_EQ(list->RefCount(), 1);

  list->Close();
  EXPECT_EQ(folder->RefCount(), 1);
  EXPECT_FALSE(list->Folder());
  EXPECT_EQ(list->Count(), 2);  // Count keeps its value
  EXPECT_TRUE(list->OK());
  ExpectEmptyAnswers(*list, 0);
  ExpectEmptyAnswers(*list, 1);
  list->SortByCreationDate();
  list->SortByModificationDate();
  list->Close();
  EXPECT_EQ(folder->RefCount(), 1);

  // The destructor after Close is harmless; without Close it lets go of the folder.
  list = nullptr;
  auto again = FileListKVR::New(folder);
  EXPECT_EQ(folder->RefCount(), 2);
  again = nullptr;
  EXPECT_EQ(folder->RefCount(), 1);
}

TEST_F(FileListKVRTest, PropertiesAreFields) {
  WriteFile(dir_ / "a", "");
  auto list = List(dir_.path());
  list->SetOK(false);
  EXPECT_FALSE(list->OK());
  Ref<rb::FolderItem> other = Folder("/");
  list->SetFolder(other);
  EXPECT_EQ(other->RefCount(), 2);
  // A Count raised by hand reaches no slot the list does not have.
  list->SetCount(50);
  EXPECT_EQ(list->Name(0).PathBytes(), "a");
  ExpectEmptyAnswers(*list, 10);
  list->SortByModificationDate();
  list->SetCount(1);
  list->Close();
  EXPECT_EQ(other->RefCount(), 1);
}

// ---- Lists made from a list entry -------------------------------------------------

TEST_F(FileListKVRTest, ListsAFolderEntry) {
  WriteFile(dir_ / "sub/one", "1");
  WriteFile(dir_ / "sub/two", "2");
  WriteFile(dir_ / "file", "x");
  auto list = List(dir_.path());
  auto names = Names(*list);

  auto sub = FileListKVR::New(list, names.at("sub"));
  EXPECT_TRUE(sub->OK());
  EXPECT_EQ(sub->Count(), 2);
  EXPECT_FALSE(sub->Folder());
  auto subNames = Names(*sub);
  EXPECT_TRUE(subNames.count("one") && subNames.count("two"));
  EXPECT_EQ(list->RefCount(), 1);  // the new list holds no reference to its source

  auto fromFile = FileListKVR::New(list, names.at("file"));
  EXPECT_FALSE(fromFile->OK());
  EXPECT_EQ(fromFile->Count(), 0);

  // The source may go away: the new list only read it while it was made.
  list = nullptr;
  EXPECT_EQ(sub->Item(0)->Path().substr(0, (dir_ / "sub/").size()), dir_ / "sub/");
}

// ---- Unreadable folders ----------------------------------------------------------

// Runs f with file system permissions of an ordinary user, even as root.
template <class F>
bool AsOrdinaryUser(const std::string& probe, F f) {
  bool root = geteuid() == 0;
  if (root) setfsuid(65534);
  int fd = open(probe.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  bool refused = fd < 0;
  if (fd >= 0) close(fd);
  if (refused) f();
  if (root) setfsuid(0);
  return refused;
}

// A local time zone away from UTC for the length of a test.
class TimeZone {
 public:
  explicit TimeZone(const char* tz) {
    if (const char* old = getenv("TZ")) saved_ = old, had_ = true;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~TimeZone() {
    if (had_) {
      setenv("TZ", saved_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::string saved_;
  bool had_ = false;
};

class FSpMakeFSRefFails {
 public:
  FSpMakeFSRefFails() { PlatformSetFSpMakeFSRefFails(true); }
  ~FSpMakeFSRefFails() { PlatformSetFSpMakeFSRefFails(false); }
};

TEST_F(FileListKVRTest, UnreadableFolder) {
  chmod(dir_.path().c_str(), 0755);
  WriteFile(dir_ / "closed/inside", "x");
  chmod((dir_ / "closed").c_str(), 0);

  bool refused = AsOrdinaryUser(dir_ / "closed", [&] {
    auto list = List(dir_ / "closed");
    EXPECT_FALSE(list->OK());
    EXPECT_EQ(list->Count(), 0);
    // The older route takes a refused listing as an empty one.
    FSpMakeFSRefFails older;
    auto old = List(dir_ / "closed");
    EXPECT_TRUE(old->OK());
    EXPECT_EQ(old->Count(), 0);
  });
  if (!refused) GTEST_SKIP() << "access to the folder is not refused here";
}

// ---- The older catalog route -----------------------------------------------------

TEST_F(FileListKVRTest, OlderRouteListsTheSameEntries) {
  WriteFile(dir_ / "plain.txt", "12345");
  WriteFile(dir_ / "caf\xC3\xA9.txt", "");
  WriteFile(dir_ / ".dot", "");
  WriteFile(dir_ / "sub/inner", "");
  SetMtime(dir_ / "plain.txt", 1234567890);
  bool xattrs = SetXattr(dir_ / "plain.txt", "user.com.apple.FinderInfo", FinderInfo("TEXT", "ttxt", 0x4000));

  auto now = List(dir_.path());
  ASSERT_EQ(now->Count(), 4);
  auto nowNames = Names(*now);

  // The older calls give local time; the list gives UTC.
  TimeZone tz("EST+5");
  FSpMakeFSRefFails older;
  auto old = List(dir_.path());
  ASSERT_TRUE(old->OK());
  ASSERT_EQ(old->Count(), 4);
  std::map<std::string, int> oldNames;
  for (int i = 0; i < old->Count(); ++i) {
    rb::String name = old->Name(i);
    EXPECT_EQ(name.Encoding(), rb::Encodings::MacRoman);
    oldNames[name.Bytes()] = i;
  }
  ASSERT_TRUE(oldNames.count("caf\x8E.txt"));
  const std::map<std::string, std::string> same = {
      {"plain.txt", "plain.txt"}, {"caf\x8E.txt", "caf\xC3\xA9.txt"}, {".dot", ".dot"}, {"sub", "sub"}};
  for (const auto& [roman, bytes] : same) {
    SCOPED_TRACE(bytes);
    int o = oldNames.at(roman), n = nowNames.at(bytes);
    EXPECT_EQ(old->Item(o)->Path(), dir_ / bytes);
    EXPECT_EQ(old->Directory(o), now->Directory(n));
    EXPECT_EQ(old->Visible(o), now->Visible(n));
    EXPECT_EQ(old->LogicalDataLength(o), now->LogicalDataLength(n));
    EXPECT_EQ(old->PhysicalDataLength(o), now->PhysicalDataLength(n));
    EXPECT_EQ(old->ModificationDate(o), now->ModificationDate(n));
    EXPECT_EQ(old->CreationDate(o), now->CreationDate(n));
    EXPECT_EQ(old->FinderFlags(o), now->FinderFlags(n));
    EXPECT_EQ(old->Type(o).Bytes(), now->Type(n).Bytes());
    EXPECT_EQ(old->Creator(o).Bytes(), now->Creator(n).Bytes());
    Ref<rb::MemoryBlock> spec = old->FSSpec(o);
    ASSERT_TRUE(spec);
    EXPECT_EQ(spec->Size(), 70u);
    EXPECT_FALSE(old->FSRef(o));
    EXPECT_FALSE(old->HFSUniStr255(o));
  }
  EXPECT_EQ(old->ModificationDate(oldNames.at("plain.txt")), static_cast<double>(1234567890 + k1904));
  EXPECT_EQ(old->DisplayName(oldNames.at("plain.txt")).Bytes(), "plain.txt");
  if (xattrs) {
    EXPECT_FALSE(old->Visible(oldNames.at("plain.txt")));
  }

  // A folder entry of the older route lists through its FSSpec.
  auto sub = FileListKVR::New(old, oldNames.at("sub"));
  EXPECT_TRUE(sub->OK());
  ASSERT_EQ(sub->Count(), 1);
  EXPECT_EQ(sub->Name(0).Bytes(), "inner");
  auto file = FileListKVR::New(old, oldNames.at("plain.txt"));
  EXPECT_FALSE(file->OK());
  EXPECT_EQ(file->Count(), 0);
}

// ---- Binding --------------------------------------------------------------------------

TEST_F(FileListKVRTest, EveryKeyIsBoundToTheRegisteredMember) {
  using namespace PluginEntrypoints;
  ASSERT_NE(Table(), nullptr);
  for (int i = 0; i < kFolderItem_IsPictureFileKVR; ++i) {
    EXPECT_NE(Table()[i], nullptr) << kKeys[i];
  }
  EXPECT_EQ(Table()[kFolderItem_IsPictureFileKVR],
            rb::RuntimeLookupPluginEntrypoint(kKeys[kFolderItem_IsPictureFileKVR]));

  const rb::PluginClass* cls = rb::FindPluginClass("FileListKVR");
  ASSERT_NE(cls, nullptr);
  const REALclassDefinition* def = cls->definition;
  EXPECT_EQ(Table()[kFileListKVR_Exit], def->destructor);
  EXPECT_STREQ(kKeys[kFileListKVR_Exit], "FileListKVR.__exit");
  ASSERT_EQ(def->methodCount, 25u);
  for (uint32_t m = 0; m < def->methodCount; ++m) {
    SCOPED_TRACE(def->methods[m].declaration);
    EXPECT_EQ(std::string(kKeys[kFileListKVR_IsBundle + m]),
              std::string("FileListKVR.") + def->methods[m].declaration);
    EXPECT_EQ(Table()[kFileListKVR_IsBundle + m], def->methods[m].function);
  }
  EXPECT_STREQ(kKeys[kFileListKVR_Construct], "FileListKVR.FileListKVR");
}

// Empties a slot for the length of a test.
class UnboundSlot {
 public:
  explicit UnboundSlot(PluginEntrypoints::Slot slot) : slot_(slot), saved_(PluginEntrypoints::Table()[slot]) {
    PluginEntrypoints::Table()[slot] = nullptr;
  }
  ~UnboundSlot() { PluginEntrypoints::Table()[slot_] = saved_; }

 private:
  PluginEntrypoints::Slot slot_;
  void* saved_;
};

TEST_F(FileListKVRTest, UnboundSlotsRaiseInsteadOfCrashing) {
  using namespace PluginEntrypoints;
  WriteFile(dir_ / "a", "");
  Ref<rb::FolderItem> folder = Folder(dir_.path());
  auto list = FileListKVR::New(folder);
  {
    UnboundSlot name(kFileListKVR_Name);
    EXPECT_THROW(list->Name(0), rb::NilObjectException);
    EXPECT_EQ(list->RefCount(), 1);
  }
  {
    UnboundSlot sort(kFileListKVR_SortByCreationDate);
    EXPECT_THROW(list->SortByCreationDate(), rb::NilObjectException);
  }
  {
    UnboundSlot construct(kFileListKVR_ConstructFromFolder);
    EXPECT_THROW(FileListKVR::New(folder), rb::NilObjectException);
    EXPECT_EQ(folder->RefCount(), 2);
  }
  {
    UnboundSlot picture(kFolderItem_IsPictureFileKVR);
    EXPECT_THROW(IsPictureFileKVR(folder), rb::NilObjectException);
    EXPECT_EQ(folder->RefCount(), 2);
  }
  {
    // Without the destructor's slot the framework runs the class destructor.
    UnboundSlot exit(kFileListKVR_Exit);
    list = nullptr;
    EXPECT_EQ(folder->RefCount(), 1);
  }
}

TEST_F(FileListKVRTest, AFolderTypeAndCreatorAreItsFirstEightStoredBytes) {
  MakeDirs(dir_ / "folder");
  WriteFile(dir_ / "file", "x");
  if (!SetXattr(dir_ / "folder", "user.com.apple.FinderInfo", FinderInfo("ABCD", "EFGH", 0x4000)) ||
      !SetXattr(dir_ / "file", "user.com.apple.FinderInfo", FinderInfo("ABCD", "EFGH", 0x0100))) {
    GTEST_SKIP() << "no user extended attributes here";
  }
  // The same for folders and files, on both catalog routes.
  for (bool olderRoute : {false, true}) {
    SCOPED_TRACE(olderRoute ? "older route" : "iterator route");
    std::unique_ptr<FSpMakeFSRefFails> older;
    if (olderRoute) older = std::make_unique<FSpMakeFSRefFails>();
    auto list = List(dir_.path());
    ASSERT_EQ(list->Count(), 2);
    for (int i = 0; i < 2; ++i) {
      SCOPED_TRACE(list->Name(i).Bytes());
      EXPECT_EQ(list->Type(i).Bytes(), "ABCD");
      EXPECT_EQ(list->Creator(i).Bytes(), "EFGH");
      EXPECT_EQ(list->FinderFlags(i), list->Directory(i) ? 0x4000 : 0x0100);
    }
  }
}

// Walks a folder as the search walks it: a list per folder, Item of every
// subfolder, a new list for it. Answers the paths of the files met.
std::vector<std::string> WalkFiles(const Ref<rb::FolderItem>& folder) {
  std::vector<std::string> files;
  auto list = FileListKVR::New(folder);
  for (int i = 0; i < list->Count(); ++i) {
    if (list->Directory(i)) {
      auto below = WalkFiles(list->Item(i));
      files.insert(files.end(), below.begin(), below.end());
    } else {
      files.push_back(folder->Path() + "/" + list->Name(i).PathBytes());
    }
  }
  return files;
}

TEST_F(FileListKVRTest, AFolderIsListedNeverItsShortNamesNamesake) {
  // Folders whose short names end in their inode, beside folders that
  // really bear those short names.
  const std::string photos = "\xE5\x86\x99\xE7\x9C\x9F";
  std::set<std::string> expected;
  for (const std::string& name : {std::string(100, 'p'), photos + "00001"}) {
    WriteFile(dir_ / name + "/inside.jpg", "real");
    FSSpec spec;
    ASSERT_EQ(FSPathMakeFSSpec(reinterpret_cast<const uint8_t*>((dir_ / name).c_str()), &spec), noErr);
    const std::string shortName(reinterpret_cast<const char*>(spec.name + 1), spec.name[0]);
    ASSERT_NE(shortName.find('#'), std::string::npos);
    WriteFile(dir_ / shortName + "/decoy.jpg", "decoy");
    expected.insert({dir_ / name + "/inside.jpg", dir_ / shortName + "/decoy.jpg"});
  }
  auto files = WalkFiles(Folder(dir_.path()));
  EXPECT_EQ(std::set<std::string>(files.begin(), files.end()), expected);
  EXPECT_EQ(files.size(), expected.size());
}

}  // namespace
