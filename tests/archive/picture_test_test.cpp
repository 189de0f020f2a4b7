// The picture test "folderitem.IsPictureFileKVR as boolean" through the
// real plugin library and the program's bound entry point: by content,
// never by name.
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "app/FileListKVR.h"
#include "archive_fixture.h"
#include "framework/folder_item.h"
#include "framework/picture.h"
#include "support/test_support.h"

namespace {

using rb::Ref;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

class PictureTestPlugin : public ProgramTest {
 protected:
  static bool IsPicture(const std::string& path) {
    return IsPictureFileKVR(Ref<rb::FolderItem>::New(path));
  }
  // A copy of a sample under another name.
  std::string Copy(const std::string& sample, const std::string& as) {
    std::string path = dir_ / as;
    WriteFile(path, ReadFile(SampleData(sample)));
    return path;
  }
  TempDir dir_;
};

TEST_F(PictureTestPlugin, TheLoadedPluginRegistersItsKey) {
  EXPECT_NE(rb::RuntimeLookupPluginEntrypoint("folderitem.IsPictureFileKVR as boolean"), nullptr);
  EXPECT_NE(PluginEntrypoints::Entry(PluginEntrypoints::kFolderItem_IsPictureFileKVR), nullptr);
}

TEST_F(PictureTestPlugin, EveryPictureFormatIsRecognisedByContent) {
  int n = 0;
  for (const char* sample :
       {"sample.jpg", "sample.png", "sample.gif", "sample.bmp", "sample.tiff", "sample.webp"}) {
    SCOPED_TRACE(sample);
    EXPECT_TRUE(IsPicture(SampleData(sample)));
    // Under a misleading name, and under none at all.
    EXPECT_TRUE(IsPicture(Copy(sample, std::string(sample) + ".txt")));
    EXPECT_TRUE(IsPicture(Copy(sample, "picture" + std::to_string(++n))));
  }
  EXPECT_TRUE(IsPicture(Copy("sample.png", "looks-like.jpg")));
}

TEST_F(PictureTestPlugin, WhatIsNoPictureAnswersFalse) {
  EXPECT_FALSE(IsPicture(SampleData("fake.jpg")));  // text named .jpg
  EXPECT_FALSE(IsPicture(dir_ / "missing.jpg"));
  EXPECT_FALSE(IsPicture(dir_ / "no-such-folder/missing.png"));
  EXPECT_FALSE(IsPicture(dir_.path()));  // a folder
  WriteFile(dir_ / "empty.png", "");
  EXPECT_FALSE(IsPicture(dir_ / "empty.png"));
  // A picture whose header promises more than the file holds.
  WriteFile(dir_ / "truncated.png", ReadFile(SampleData("sample.png")).substr(0, 12));
  EXPECT_FALSE(IsPicture(dir_ / "truncated.png"));
  // A pipe is never read (it would block).
  ASSERT_EQ(mkfifo((dir_ / "pipe.png").c_str(), 0644), 0);
  EXPECT_FALSE(IsPicture(dir_ / "pipe.png"));
  // A file that is gone since its item was made.
  std::string gone = Copy("sample.jpg", "gone.jpg");
  Ref<rb::FolderItem> item = Ref<rb::FolderItem>::New(gone);
  ASSERT_EQ(unlink(gone.c_str()), 0);
  EXPECT_FALSE(IsPictureFileKVR(item));
}

TEST_F(PictureTestPlugin, APictureBelowAPathOfMoreThan8000BytesIsTestedAndOpened) {
  std::string deep = dir_.path();
  for (int level = 0; level < 40; ++level) deep += "/" + std::string(200, 'a' + level % 26);
  const std::string path = deep + "/IMG_0001.jpg";
  WriteFile(path, ReadFile(SampleData("picture-640x480.png")));
  EXPECT_TRUE(IsPicture(path));
  Ref<rb::Picture> picture = rb::Picture::Open(Ref<rb::FolderItem>::New(path));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->Width(), 640);
  EXPECT_EQ(picture->Height(), 480);
}

TEST_F(PictureTestPlugin, NilIsNoPicture) {
  // The plugin itself answers false; the program's wrapper raises for nil
  // like any member call on nil.
  auto fn = reinterpret_cast<RBBoolean (*)(REALobject)>(
      PluginEntrypoints::Entry(PluginEntrypoints::kFolderItem_IsPictureFileKVR));
  ASSERT_NE(fn, nullptr);
  EXPECT_EQ(fn(nullptr), 0);
  EXPECT_THROW(IsPictureFileKVR(nullptr), rb::NilObjectException);
}

TEST_F(PictureTestPlugin, TheFrameworkEntryStatesTheSizeFromTheHeader) {
  auto size = reinterpret_cast<REALFolderItemPictureSizeProc>(
      rb::ResolveFrameworkEntry("REALFolderItemPictureSize"));
  ASSERT_NE(size, nullptr);
  int32_t w = -1, h = -1;
  Ref<rb::FolderItem> item = Ref<rb::FolderItem>::New(SampleData("picture-3000x2000.png"));
  EXPECT_EQ(size(item.AsREAL(), &w, &h), 1);
  EXPECT_EQ(w, 3000);
  EXPECT_EQ(h, 2000);
  Ref<rb::FolderItem> fake = Ref<rb::FolderItem>::New(SampleData("fake.jpg"));
  EXPECT_EQ(size(fake.AsREAL(), &w, &h), 0);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(size(nullptr, nullptr, nullptr), 0);
}

}  // namespace
