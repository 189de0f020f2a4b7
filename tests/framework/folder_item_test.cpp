#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/folder_item.h"
#include "framework/runtime.h"
#include "support/test_support.h"

using namespace rb;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

Ref<FolderItem> Item(const std::string& path) { return Ref<FolderItem>::New(path); }

class AppFolder {
 public:
  explicit AppFolder(const std::string& path) : saved_(ApplicationFolderPath()) {
    SetApplicationFolderPathForTesting(path);
  }
  ~AppFolder() { SetApplicationFolderPathForTesting(saved_); }

 private:
  std::string saved_;
};

}  // namespace

TEST(GetFolderItem, ResolvesPathsByTheRules) {
  TempDir tmp;
  WriteFile(tmp / "sub/file.txt", "x");

  EXPECT_FALSE(GetFolderItem(String("")));
  EXPECT_FALSE(GetFolderItem(String(tmp / "missing/child")));

  Ref<FolderItem> absent = GetFolderItem(String(tmp / "sub/absent.txt"));
  ASSERT_TRUE(absent);
  EXPECT_FALSE(absent->Exists());
  EXPECT_EQ(absent->Path(), tmp / "sub/absent.txt");

  AppFolder app(tmp.path());
  Ref<FolderItem> bare = GetFolderItem(String("help.rtf"));
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->Path(), tmp / "help.rtf");
  Ref<FolderItem> relative = GetFolderItem(String("sub/./file.txt"));
  ASSERT_TRUE(relative);
  EXPECT_EQ(relative->Path(), tmp / "sub/file.txt");
  EXPECT_TRUE(relative->Exists());
  EXPECT_FALSE(GetFolderItem(String("nowhere/file.txt")));

  Ref<FolderItem> dotted = GetFolderItem(String(tmp.path() + "//sub/../sub/"));
  ASSERT_TRUE(dotted);
  EXPECT_EQ(dotted->Path(), tmp / "sub");

  EXPECT_EQ(GetFolderItem(String("/"))->Path(), "/");
  EXPECT_EQ(Volume(0)->Path(), "/");
  EXPECT_FALSE(Volume(1));
  EXPECT_TRUE(SpecialFolderDocuments()->Directory());
}

TEST(FolderItem, NamesPathsAndRelatives) {
  TempDir tmp;
  WriteFile(tmp / "dir/a.txt", "abc");
  Ref<FolderItem> dir = Item(tmp / "dir");
  Ref<FolderItem> file = dir->Child(String("a.txt"));
  ASSERT_TRUE(file);

  EXPECT_EQ(dir->AbsolutePath().Bytes(), tmp / "dir/");
  EXPECT_EQ(file->AbsolutePath().Bytes(), tmp / "dir/a.txt");
  EXPECT_EQ(Volume(0)->AbsolutePath().Bytes(), "/");
  EXPECT_EQ(file->Name().Bytes(), "a.txt");
  EXPECT_EQ(file->Parent()->Path(), dir->Path());
  EXPECT_FALSE(Volume(0)->Parent());
  EXPECT_EQ(Volume(0)->Child(String("tmp"))->Path(), "/tmp");

  EXPECT_FALSE(dir->Child(String("")));
  EXPECT_FALSE(dir->Child(String("a/b")));
  EXPECT_FALSE(dir->Child(String("..")));
  EXPECT_FALSE(dir->Child(String(".")));

  EXPECT_TRUE(file->Exists());
  EXPECT_FALSE(file->Directory());
  EXPECT_TRUE(dir->Directory());
  EXPECT_EQ(file->Length(), 3);
  EXPECT_EQ(dir->Length(), 0);
  EXPECT_TRUE(file->IsWriteable());
  EXPECT_FALSE(dir->Child(String("none"))->IsWriteable());

  testsupport::SetMtime(file->Path(), 1000000000);
  EXPECT_EQ(file->ModificationDate(), 1000000000.0 + 2082844800.0);
}

TEST(FolderItem, SymbolicLinksAreItemsOfTheirOwn) {
  TempDir tmp;
  testsupport::MakeDirs(tmp / "real");
  ASSERT_EQ(symlink((tmp / "real").c_str(), (tmp / "link").c_str()), 0);
  ASSERT_EQ(symlink((tmp / "gone").c_str(), (tmp / "dangling").c_str()), 0);
  Ref<FolderItem> link = Item(tmp / "link");
  EXPECT_TRUE(link->Exists());
  EXPECT_FALSE(link->Directory());
  EXPECT_EQ(link->AbsolutePath().Bytes(), tmp / "link");
  EXPECT_TRUE(Item(tmp / "dangling")->Exists());
}

TEST(FolderItem, LinkTargetFollowsTheWholeChain) {
  TempDir tmp;
  WriteFile(tmp / "real/photo.jpg", "x");
  testsupport::MakeDirs(tmp / "sub");
  ASSERT_EQ(symlink("../real/photo.jpg", (tmp / "sub/rel").c_str()), 0);
  ASSERT_EQ(symlink((tmp / "sub/rel").c_str(), (tmp / "chain").c_str()), 0);
  ASSERT_EQ(symlink("real", (tmp / "folderlink").c_str()), 0);
  ASSERT_EQ(symlink("nowhere", (tmp / "dangling").c_str()), 0);
  ASSERT_EQ(symlink("loop2", (tmp / "loop1").c_str()), 0);
  ASSERT_EQ(symlink("loop1", (tmp / "loop2").c_str()), 0);

  EXPECT_TRUE(Item(tmp / "chain")->IsLink());
  EXPECT_FALSE(Item(tmp / "real")->IsLink());
  for (const char* link : {"sub/rel", "chain"}) {
    Ref<FolderItem> target = Item(tmp / link)->LinkTarget();
    ASSERT_TRUE(target) << link;
    EXPECT_EQ(target->Path(), tmp / "real/photo.jpg");
  }
  Ref<FolderItem> folder = Item(tmp / "folderlink")->LinkTarget();
  ASSERT_TRUE(folder);
  EXPECT_TRUE(folder->Directory());
  EXPECT_EQ(folder->AbsolutePath().Bytes(), tmp / "real/");
  EXPECT_FALSE(Item(tmp / "dangling")->LinkTarget());
  EXPECT_FALSE(Item(tmp / "loop1")->LinkTarget());
  EXPECT_FALSE(Item(tmp / "real")->LinkTarget());  // no link
  EXPECT_FALSE(Item(tmp / "missing")->LinkTarget());
}

TEST(FolderItem, WorksAtAnyDepth) {
  // 40 folders of 200-byte names: more than 8,000 bytes of path.
  TempDir tmp;
  std::string deep = tmp.path();
  for (int level = 0; level < 40; ++level) deep += "/" + std::string(200, 'a' + level % 26);
  ASSERT_GT(deep.size(), 8000u);
  testsupport::MakeDirs(deep);
  WriteFile(deep + "/photo.jpg", "deep bytes");
  testsupport::SetMtime(deep + "/photo.jpg", 1100000000);

  Ref<FolderItem> folder = GetFolderItem(String(deep));
  ASSERT_TRUE(folder);
  EXPECT_TRUE(folder->Directory());
  EXPECT_EQ(folder->AbsolutePath().Bytes(), deep + "/");
  Ref<FolderItem> photo = GetFolderItem(String(deep + "/photo.jpg"));
  ASSERT_TRUE(photo);
  EXPECT_TRUE(photo->Exists());
  EXPECT_EQ(photo->Length(), 10.0);
  EXPECT_EQ(photo->ModificationDate(), 1100000000.0 + 2082844800.0);
  EXPECT_TRUE(photo->IsWriteable());
  Ref<BinaryStream> in = photo->OpenAsBinaryFile();
  ASSERT_TRUE(in);
  EXPECT_EQ(in->Read(100).Bytes(), "deep bytes");
  in->Close();

  // Copied out of the depth and into it, made, moved and removed there.
  testsupport::MakeDirs(tmp / "out");
  photo->CopyFileTo(Item(tmp / "out"));
  EXPECT_EQ(photo->LastErrorCode(), 0) << photo->LastErrorText().Utf8();
  EXPECT_EQ(ReadFile(tmp / "out/photo.jpg"), "deep bytes");
  Item(tmp / "out/photo.jpg")->CopyFileTo(Item(deep + "/copy.jpg"));
  EXPECT_EQ(ReadFile(deep + "/copy.jpg"), "deep bytes");
  Ref<FolderItem> made = Item(deep + "/made");
  EXPECT_TRUE(made->CreateAsFolder());
  Ref<TextOutputStream> text = made->Child(String("note.txt"))->CreateTextFile();
  ASSERT_TRUE(text);
  text->Write(String("note"));
  text->Close();
  EXPECT_TRUE(made->Child(String("note.txt"))->MoveTo(Item(deep + "/note.txt")));
  EXPECT_EQ(ReadFile(deep + "/note.txt"), "note");
  EXPECT_TRUE(made->Delete());
  EXPECT_FALSE(made->Exists());

  // A link down there, its target's path too long for the kernel to tell.
  ASSERT_EQ(symlink("photo.jpg", (tmp / "link").c_str()), 0);
  Item(tmp / "link")->CopyFileTo(Item(deep));
  Ref<FolderItem> link = Item(deep + "/link");
  EXPECT_TRUE(link->IsLink());
  Ref<FolderItem> target = link->LinkTarget();
  ASSERT_TRUE(target);
  EXPECT_EQ(target->Path(), deep + "/photo.jpg");
}

TEST(FolderItem, MoveToReplacesAFileButNoFolder) {
  TempDir tmp;
  WriteFile(tmp / "a", "new");
  WriteFile(tmp / "b", "old");
  WriteFile(tmp / "c/inside", "kept");
  EXPECT_TRUE(Item(tmp / "a")->MoveTo(Item(tmp / "b")));
  EXPECT_EQ(ReadFile(tmp / "b"), "new");
  EXPECT_FALSE(Item(tmp / "a")->Exists());
  Ref<FolderItem> b = Item(tmp / "b");
  EXPECT_FALSE(b->MoveTo(Item(tmp / "c")));
  EXPECT_EQ(b->LastErrorCode(), FileErrors::NotAFile);
  EXPECT_EQ(ReadFile(tmp / "c/inside"), "kept");
  EXPECT_FALSE(b->MoveTo(Item(tmp / "gone/b")));
  EXPECT_EQ(b->LastErrorCode(), FileErrors::DestinationMissing);
  Ref<FolderItem> missing = Item(tmp / "missing");
  EXPECT_FALSE(missing->MoveTo(Item(tmp / "d")));
  EXPECT_EQ(missing->LastErrorCode(), FileErrors::NotFound);
}

TEST(FolderItem, NameThatIsNotUtf8RoundTrips) {
  TempDir tmp;
  const std::string raw = "n\xFF\xE9me.txt";
  WriteFile(tmp / raw, "data");
  Ref<FolderItem> dir = Item(tmp.path());

  Ref<FolderItem> byBytes = dir->Child(String::FromBytes(raw, Encodings::UTF8));
  ASSERT_TRUE(byBytes);
  EXPECT_TRUE(byBytes->Exists());
  EXPECT_EQ(byBytes->Name().Bytes(), raw);
  EXPECT_EQ(byBytes->Name().Encoding(), Encodings::UTF8);
  EXPECT_EQ(byBytes->DisplayName().Bytes(), "n\uFFFD\uFFFDme.txt");

  // The name as UTF-16 with escapes finds the same file.
  Ref<FolderItem> byUtf16 = dir->Child(String::FromUtf16(byBytes->Name().Utf16()));
  ASSERT_TRUE(byUtf16);
  EXPECT_EQ(byUtf16->Path(), byBytes->Path());
  EXPECT_TRUE(byUtf16->Exists());

  // The display name is another name.
  EXPECT_FALSE(dir->Child(byBytes->DisplayName())->Exists());
}

TEST(CopyFileTo, CopiesBytesExactlyAndKeepsTheDate) {
  TempDir tmp;
  std::string data;
  for (int i = 0; i < 300000; ++i) data += static_cast<char>((i * 7 + i / 256) & 0xFF);
  WriteFile(tmp / "src/photo.jpg", data);
  testsupport::SetMtime(tmp / "src/photo.jpg", 1234567890);
  bool xattr = testsupport::SetXattr(tmp / "src/photo.jpg", "user.com.apple.FinderInfo",
                                     std::string("JPEGogle\0\0\0\0\0\0\0\0", 16));
  ASSERT_EQ(chmod((tmp / "src/photo.jpg").c_str(), 0640), 0);
  testsupport::MakeDirs(tmp / "dst");

  Ref<FolderItem> src = Item(tmp / "src/photo.jpg");
  src->CopyFileTo(Item(tmp / "dst"));
  EXPECT_EQ(src->LastErrorCode(), 0) << src->LastErrorText().Utf8();
  EXPECT_EQ(ReadFile(tmp / "dst/photo.jpg"), data);
  EXPECT_EQ(Item(tmp / "dst/photo.jpg")->ModificationDate(), src->ModificationDate());
  EXPECT_EQ(Entries(tmp / "dst"), std::vector<std::string>{"photo.jpg"});
  struct stat st;
  ASSERT_EQ(stat((tmp / "dst/photo.jpg").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  if (xattr) {
    char value[32];
    ssize_t n = getxattr((tmp / "dst/photo.jpg").c_str(), "user.com.apple.FinderInfo", value,
                         sizeof value);
    EXPECT_EQ(std::string(value, n > 0 ? n : 0), std::string("JPEGogle\0\0\0\0\0\0\0\0", 16));
  }

  // Through a link to the destination folder.
  ASSERT_EQ(symlink((tmp / "dst").c_str(), (tmp / "dst-link").c_str()), 0);
  WriteFile(tmp / "src/other.txt", "other");
  Item(tmp / "src/other.txt")->CopyFileTo(Item(tmp / "dst-link"));
  EXPECT_EQ(ReadFile(tmp / "dst/other.txt"), "other");

  // To an item of another name; an empty file too.
  WriteFile(tmp / "src/empty", "");
  Item(tmp / "src/empty")->CopyFileTo(Item(tmp / "dst/renamed"));
  EXPECT_TRUE(Item(tmp / "dst/renamed")->Exists());
  EXPECT_EQ(ReadFile(tmp / "dst/renamed"), "");
}

TEST(CopyFileTo, NeverReplacesAnExistingItem) {
  TempDir tmp;
  WriteFile(tmp / "src/a.txt", "new");
  WriteFile(tmp / "dst/a.txt", "old");
  testsupport::SetMtime(tmp / "dst/a.txt", 1000);
  Ref<FolderItem> src = Item(tmp / "src/a.txt");

  src->CopyFileTo(Item(tmp / "dst"));
  EXPECT_EQ(src->LastErrorCode(), FileErrors::AlreadyExists);
  EXPECT_FALSE(src->LastErrorText().Empty());
  EXPECT_EQ(ReadFile(tmp / "dst/a.txt"), "old");
  EXPECT_EQ(Item(tmp / "dst/a.txt")->ModificationDate(), 1000 + 2082844800.0);
  EXPECT_EQ(Entries(tmp / "dst"), std::vector<std::string>{"a.txt"});

  // A dangling link in the way counts as an existing item too.
  ASSERT_EQ(symlink("nowhere", (tmp / "dst/b.txt").c_str()), 0);
  src->CopyFileTo(Item(tmp / "dst/b.txt"));
  EXPECT_EQ(src->LastErrorCode(), FileErrors::AlreadyExists);

  // A later successful copy clears the error.
  src->CopyFileTo(Item(tmp / "dst/c.txt"));
  EXPECT_EQ(src->LastErrorCode(), 0);
}

TEST(CopyFileTo, FailuresLeaveNothingBehind) {
  TempDir tmp;
  testsupport::MakeDirs(tmp / "dst");
  Ref<FolderItem> gone = Item(tmp / "src/gone.txt");
  gone->CopyFileTo(Item(tmp / "dst"));
  EXPECT_EQ(gone->LastErrorCode(), FileErrors::NotFound);
  EXPECT_FALSE(gone->LastErrorText().Empty());
  EXPECT_TRUE(Entries(tmp / "dst").empty());

  WriteFile(tmp / "src/a.txt", "abc");
  Ref<FolderItem> src = Item(tmp / "src/a.txt");
  src->CopyFileTo(Item(tmp / "missing/a.txt"));
  EXPECT_EQ(src->LastErrorCode(), FileErrors::DestinationMissing);
  EXPECT_FALSE(Item(tmp / "missing")->Exists());

  src->CopyFileTo(nullptr);
  EXPECT_NE(src->LastErrorCode(), 0);

  Item(tmp / "src")->CopyFileTo(Item(tmp / "dst"));
  EXPECT_EQ(Item(tmp / "src")->LastErrorCode(), 0);  // a fresh item has no error
  Ref<FolderItem> folder = Item(tmp / "src");
  folder->CopyFileTo(Item(tmp / "dst"));
  EXPECT_EQ(folder->LastErrorCode(), FileErrors::NotAFile);
  EXPECT_TRUE(Entries(tmp / "dst").empty());

  if (geteuid() != 0) {
    WriteFile(tmp / "src/secret", "s");
    chmod((tmp / "src/secret").c_str(), 0);
    Ref<FolderItem> secret = Item(tmp / "src/secret");
    secret->CopyFileTo(Item(tmp / "dst"));
    EXPECT_EQ(secret->LastErrorCode(), FileErrors::AccessDenied);
    EXPECT_TRUE(Entries(tmp / "dst").empty());
  }
}

TEST(CopyFileTo, CopiesALinkAsALink) {
  TempDir tmp;
  testsupport::MakeDirs(tmp / "dst");
  ASSERT_EQ(symlink("../elsewhere", (tmp / "link").c_str()), 0);
  Ref<FolderItem> link = Item(tmp / "link");
  link->CopyFileTo(Item(tmp / "dst"));
  EXPECT_EQ(link->LastErrorCode(), 0);
  char target[64] = {};
  EXPECT_EQ(readlink((tmp / "dst/link").c_str(), target, sizeof target - 1), 12);
  EXPECT_STREQ(target, "../elsewhere");
}

TEST(FolderItem, DeleteAndCreateFolder) {
  TempDir tmp;
  Ref<FolderItem> folder = Item(tmp / "new");
  EXPECT_TRUE(folder->CreateAsFolder());
  EXPECT_FALSE(folder->CreateAsFolder());
  EXPECT_EQ(folder->LastErrorCode(), FileErrors::AlreadyExists);
  WriteFile(tmp / "new/f", "x");
  EXPECT_FALSE(folder->Delete());
  EXPECT_EQ(folder->LastErrorCode(), FileErrors::NotEmpty);
  EXPECT_TRUE(folder->Child(String("f"))->Delete());
  EXPECT_TRUE(folder->Delete());
  EXPECT_FALSE(folder->Exists());
  EXPECT_FALSE(folder->Delete());
  EXPECT_EQ(folder->LastErrorCode(), FileErrors::NotFound);
}
