// The archive run on real files: copies bottom row first into one folder,
// the progress display, "Report.txt" in Windows ANSI written whole or not
// at all, and every way a copy or the destination can fail, each showing
// that nothing already there changed and that only real copies count.
#include <dirent.h>
#include <signal.h>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "archive_fixture.h"
#include "engine/Archive.h"
#include "engine/Search.h"
#include "framework/background_task.h"
#include "framework/controls.h"
#include "framework/editfield.h"
#include "framework/folder_item.h"
#include "framework/listbox.h"
#include "framework/menu.h"
#include "framework/window.h"
#include "support/quit_support.h"
#include "support/test_support.h"
#include "ui/ResultsWindow.h"
#include "ui/SearchProgressWindow.h"
#include "ui/SearchWindow.h"
#include "ui/StatisticsWindow.h"

namespace {

using rb::Ref;
using testsupport::MakeDirs;
using testsupport::ReadFile;
using testsupport::SetMtime;
using testsupport::TempDir;
using testsupport::WriteFile;

// What the progress display and the destination held as one copy began.
struct Step {
  int value = 0;
  int maximum = 0;
  std::string status;
  std::set<std::string> present;  // names in the destination
  bool listEnabled = true, archiveEnabled = true, cancelEnabled = true;
  bool running = false;
  bool resultsVisible = true;
};

// Names of a folder's entries (hidden ones included).
std::set<std::string> Entries(const std::string& folder) {
  std::set<std::string> names;
  if (DIR* d = opendir(folder.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n != "." && n != "..") names.insert(n);
    }
    closedir(d);
  }
  return names;
}

long long MtimeOf(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_mtim.tv_sec) : -1;
}

// Limits the size of every file this process writes, for the life of the
// object: a stand-in for a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &saved_);
    struct rlimit l = saved_;
    l.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &l);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }

 private:
  struct rlimit saved_;
};

class ArchiveRun : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    chmod(dir_.path().c_str(), 0755);
    search_ = dir_ / "search";
    dest_ = dir_ / "Backup";
    MakeDirs(search_);
    MakeDirs(dest_);
    List()->DeleteAllRows();
    Search::FoundFiles = 0;
    SearchWindow()->SaveFolder = Ref<rb::FolderItem>::New(dest_);
    Statfield()->SetText("");
    Archive::SetBeforeCopyHookForTesting([this] { steps_.push_back(Observe()); });
  }
  void TearDown() override {
    Archive::SetBeforeCopyHookForTesting(nullptr);
    ProgramTest::TearDown();
  }

  static Ref<rb::Listbox> List() { return ResultsWindow()->Control<rb::Listbox>("SearchList"); }
  static Ref<rb::EditField> Statfield() {
    return StatisticsWindow()->Control<rb::EditField>("statfield");
  }

  // A found file: written below the search folder and listed as the
  // walk lists it (ticked check box, name, absolute path).
  std::string Found(const std::string& rel, const std::string& bytes, bool ticked = true) {
    std::string path = search_ + "/" + rel;
    WriteFile(path, bytes);
    SetMtime(path, 1200000000 + static_cast<long long>(List()->ListCount()) * 1000);
    AddRow(path, ticked);
    return path;
  }
  static void AddRow(const std::string& path, bool ticked = true) {
    Ref<rb::Listbox> list = List();
    const std::string name = path.substr(path.rfind('/') + 1);
    list->AddRow("");
    list->SetColumnType(0, rb::Listbox::TypeCheckbox);
    list->SetCellCheck(list->LastIndex(), 0, ticked);
    list->SetCell(list->LastIndex(), 1, rb::String::FromBytes(name, rb::Encodings::UTF8));
    list->SetCell(list->LastIndex(), 2, rb::String::FromBytes(path, rb::Encodings::UTF8));
    Search::FoundFiles = list->ListCount();
  }

  Step Observe() const {
    Step s;
    Ref<SearchProgressWindowClass> progress = SearchProgressWindow();
    Ref<rb::ProgressBar> bar = progress->Control<rb::ProgressBar>("ProgressBar");
    s.value = bar->Value();
    s.maximum = bar->Maximum();
    s.status = progress->Control<rb::StaticText>("searchstatic")->Text().Utf8();
    s.present = Entries(dest_);
    Ref<ResultsWindowClass> results = ResultsWindow();
    s.listEnabled = results->Control<rb::RectControl>("SearchList")->Enabled();
    s.archiveEnabled = results->Control<rb::RectControl>("ArchiveBtn")->Enabled();
    s.cancelEnabled = results->Control<rb::RectControl>("cancelbtn")->Enabled();
    s.running = Archive::Running();
    s.resultsVisible = results->Visible();
    return s;
  }

  // The run ended as every run ends: module reset, list usable again,
  // progress window gone, search window in front.
  void ExpectRunOver() {
    EXPECT_FALSE(Archive::Running());
    EXPECT_EQ(Archive::ActualCount, 0);
    EXPECT_EQ(rb::_GetImplicitWindow("SearchProgressWindow"), nullptr);
    EXPECT_TRUE(SearchWindow()->Visible());
    Ref<ResultsWindowClass> results = ResultsWindow();
    EXPECT_TRUE(results->Control<rb::RectControl>("SearchList")->Enabled());
    EXPECT_TRUE(results->Control<rb::RectControl>("ArchiveBtn")->Enabled());
    EXPECT_TRUE(results->Control<rb::RectControl>("cancelbtn")->Enabled());
  }

  static std::string LastBoxText() {
    const auto& boxes = rb::ShownMessageBoxes();
    return boxes.empty() ? std::string("(no box)") : boxes.back().text.Utf8();
  }

  TempDir dir_;
  std::string search_, dest_;
  std::vector<Step> steps_;
};

TEST_F(ArchiveRun, CopiesTheTickedRowsBottomUpSideBySideAndByteExact) {
  const std::string binary("\x00\x01\xff\xfe\r\n\x7f", 7);
  const std::string a = Found("a/IMG_1.jpg", "first" + binary);
  Found("b/c/IMG_2.jpg", "second, unticked", false);
  const std::string c = Found("d/e/f/IMG_3.jpg", "third" + binary + binary);
  const std::string d = Found("IMG_4.jpg", std::string(300000, 'x') + binary);
  const std::string odd = Found("g/IMG_\xff\xfe.jpg", "a name that is not UTF-8");
  Statfield()->SetText("1 Requested Files\r\n");
  const std::vector<bool> ticksBefore = {true, false, true, true, true};

  Archive::Copy();

  // Bottom row first; the unticked row neither copied nor stepped over
  // with the bar.
  ASSERT_EQ(steps_.size(), 4u);
  EXPECT_EQ(steps_[0].status, "Copying IMG_\xEF\xBF\xBD\xEF\xBF\xBD.jpg to Backup");
  EXPECT_EQ(steps_[1].status, "Copying IMG_4.jpg to Backup");
  EXPECT_EQ(steps_[2].status, "Copying IMG_3.jpg to Backup");
  EXPECT_EQ(steps_[3].status, "Copying IMG_1.jpg to Backup");
  EXPECT_EQ(steps_[0].present, std::set<std::string>{});
  EXPECT_EQ(steps_[2].present, (std::set<std::string>{"IMG_\xff\xfe.jpg", "IMG_4.jpg"}));
  EXPECT_EQ(steps_[3].present, (std::set<std::string>{"IMG_\xff\xfe.jpg", "IMG_4.jpg", "IMG_3.jpg"}));
  for (const Step& s : steps_) {
    EXPECT_EQ(s.maximum, 1000);
    EXPECT_FALSE(s.resultsVisible);
  }

  // Side by side under their own names, the very same bytes and dates.
  EXPECT_EQ(Entries(dest_), (std::set<std::string>{"IMG_1.jpg", "IMG_3.jpg", "IMG_4.jpg",
                                                   "IMG_\xff\xfe.jpg", "Report.txt"}));
  for (const std::string& src : {a, c, d, odd}) {
    const std::string copy = dest_ + src.substr(src.rfind('/'));
    SCOPED_TRACE(copy);
    EXPECT_EQ(ReadFile(copy), ReadFile(src));
    EXPECT_EQ(MtimeOf(copy), MtimeOf(src));
  }
  EXPECT_EQ(ReadFile(dest_ + "/Report.txt"), "1 Requested Files\r\n");

  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text.Utf8(), "4 files have been copied to Backup");
  EXPECT_EQ(Boxes()[0].buttons, 0);

  EXPECT_EQ(Statfield()->Text().Utf8(), "");
  EXPECT_FALSE(StatisticsWindow()->Visible());
  EXPECT_FALSE(ResultsWindow()->Visible());
  ExpectRunOver();
  // The rows stay as they were, ticks included.
  ASSERT_EQ(List()->ListCount(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(List()->CellCheck(i, 0), ticksBefore[i]) << i;
}

TEST_F(ArchiveRun, TheBarMovesInWholeThousandthsOfTheTickedRows) {
  struct Case {
    int ticked;
    std::vector<int> values;
  } cases[] = {{1, {1000}},
               {3, {333, 666, 999}},
               {7, {142, 284, 426, 568, 710, 852, 994}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ticked);
    List()->DeleteAllRows();
    steps_.clear();
    rb::ClearShownDialogs();
    dest_ = dir_ / ("Backup" + std::to_string(c.ticked));
    MakeDirs(dest_);
    SearchWindow()->SaveFolder = Ref<rb::FolderItem>::New(dest_);
    // Unticked rows between, above and below the ticked ones.
    int n = 0;
    for (int i = 0; i < c.ticked; ++i) {
      Found("t" + std::to_string(c.ticked) + "/u" + std::to_string(n++) + ".jpg", "-", false);
      Found("t" + std::to_string(c.ticked) + "/f" + std::to_string(n++) + ".jpg", "+", true);
    }
    Found("t" + std::to_string(c.ticked) + "/u" + std::to_string(n++) + ".jpg", "-", false);

    Archive::Copy();

    std::vector<int> values;
    for (const Step& s : steps_) values.push_back(s.value);
    EXPECT_EQ(values, c.values);
    EXPECT_EQ(Entries(dest_).size(), static_cast<size_t>(c.ticked) + 1);  // and Report.txt
    EXPECT_EQ(LastBoxText(),
              std::to_string(c.ticked) + " files have been copied to Backup" + std::to_string(c.ticked));
    ExpectRunOver();
  }
}

TEST_F(ArchiveRun, NoTickedRowStillWritesTheReportAndSaysSo) {
  Found("IMG_1.jpg", "x", false);
  Statfield()->SetText("stats\r\n");
  Archive::Copy();
  EXPECT_TRUE(steps_.empty());
  EXPECT_EQ(Entries(dest_), std::set<std::string>{"Report.txt"});
  EXPECT_EQ(LastBoxText(), "0 files have been copied to Backup");
  ExpectRunOver();
}

TEST_F(ArchiveRun, TheReportIsTheStatisticsTextInCodePage1252AndASecondRunWritesOnlyWhatWasAdded) {
  const std::string one = Found("a/IMG_1.jpg", "one");
  const std::string two = Found("b/IMG_2.jpg", "two");
  // é is in the code page, ł and the arrow are not; the euro sign is 0x80.
  Statfield()->SetText(
      "2 Requested Files\r\n\r\n0 Duplicate Files Found\r\n\r\n\r\n"
      "This search had 1 Missing file\r\nCaf\xC3\xA9_\xC5\x82\xE2\x86\x92_\xE2\x82\xAC.jpg\r\n"
      "\n\r\nA total of  2 files have been found\r\n");
  Archive::Copy();
  EXPECT_EQ(ReadFile(dest_ + "/Report.txt"),
            "2 Requested Files\r\n\r\n0 Duplicate Files Found\r\n\r\n\r\n"
            "This search had 1 Missing file\r\nCaf\xE9_??_\x80.jpg\r\n"
            "\n\r\nA total of  2 files have been found\r\n");
  EXPECT_EQ(Statfield()->Text().Utf8(), "");

  // The same results again, after a search added to the (cleared) text:
  // the report holds only the new text, the copies already there stay
  // untouched and nothing counts as copied.
  const long long oneTime = MtimeOf(dest_ + "/IMG_1.jpg");
  WriteFile(one, "one, changed since");
  Statfield()->AppendText("1 Requested Files\r\n");
  rb::ClearShownDialogs();
  Archive::Copy();
  EXPECT_EQ(ReadFile(dest_ + "/Report.txt"), "1 Requested Files\r\n");
  EXPECT_EQ(ReadFile(dest_ + "/IMG_1.jpg"), "one");
  EXPECT_EQ(MtimeOf(dest_ + "/IMG_1.jpg"), oneTime);
  EXPECT_EQ(ReadFile(dest_ + "/IMG_2.jpg"), "two");
  EXPECT_EQ(Entries(dest_), (std::set<std::string>{"IMG_1.jpg", "IMG_2.jpg", "Report.txt"}));
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text.Utf8(),
            "0 files have been copied to Backup\n\n2 files were not copied:\n"
            "IMG_2.jpg: a file of that name is already in \"Backup\"; it was left unchanged.\n"
            "IMG_1.jpg: a file of that name is already in \"Backup\"; it was left unchanged.");
  EXPECT_EQ(Boxes()[0].buttons, 48);
  ExpectRunOver();
}

TEST_F(ArchiveRun, AFileAlreadyInTheDestinationIsKeptUnchangedAndReported) {
  Found("a/IMG_1.jpg", "new one");
  Found("b/IMG_2.jpg", "new two");
  Found("c/IMG_3.jpg", "new three");
  WriteFile(dest_ + "/IMG_2.jpg", "the user's own two");
  SetMtime(dest_ + "/IMG_2.jpg", 1000000000);
  Statfield()->SetText("stats\r\n");

  Archive::Copy();

  EXPECT_EQ(ReadFile(dest_ + "/IMG_2.jpg"), "the user's own two");
  EXPECT_EQ(MtimeOf(dest_ + "/IMG_2.jpg"), 1000000000);
  EXPECT_EQ(ReadFile(dest_ + "/IMG_1.jpg"), "new one");
  EXPECT_EQ(ReadFile(dest_ + "/IMG_3.jpg"), "new three");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text.Utf8(),
            "2 files have been copied to Backup\n\n1 file was not copied:\n"
            "IMG_2.jpg: a file of that name is already in \"Backup\"; it was left unchanged.");
  EXPECT_EQ(Boxes()[0].buttons, 48);
  // The report itself replaced nothing but an earlier report.
  EXPECT_EQ(ReadFile(dest_ + "/Report.txt"), "stats\r\n");
  ExpectRunOver();
}

TEST_F(ArchiveRun, AFoundFileNamedLikeTheReportIsNotCopiedOnlyToBeReplaced) {
  // In any letter case: a destination that ignores case (a vfat stick)
  // would take the report over it.
  Found("a/Report.txt", "a found file of that name");
  Found("b/IMG_1.jpg", "one");
  Found("c/REPORT.TXT", "another");
  Found("d/report.txt", "and another");
  Statfield()->SetText("stats\r\n");
  Archive::Copy();
  EXPECT_EQ(ReadFile(dest_ + "/Report.txt"), "stats\r\n");
  EXPECT_EQ(Entries(dest_), (std::set<std::string>{"IMG_1.jpg", "Report.txt"}));
  EXPECT_EQ(LastBoxText(),
            "1 files have been copied to Backup\n\n3 files were not copied:\n"
            "report.txt: the report of this run is written under that name.\n"
            "REPORT.TXT: the report of this run is written under that name.\n"
            "Report.txt: the report of this run is written under that name.");
  ExpectRunOver();
}

TEST_F(ArchiveRun, ALinkedHitIsCopiedAsTheFileItLeadsTo) {
  // Relative and absolute links to regular files, one that leads nowhere,
  // one to a folder: the walk lists each under the link's own name.
  WriteFile(dir_ / "elsewhere/real1.jpg", "the first target's bytes");
  SetMtime(dir_ / "elsewhere/real1.jpg", 1111111111);
  WriteFile(dir_ / "elsewhere/real2.jpg", "the second target's bytes");
  SetMtime(dir_ / "elsewhere/real2.jpg", 1222222222);
  MakeDirs(search_ + "/a");
  MakeDirs(search_ + "/b");
  ASSERT_EQ(symlink("../../elsewhere/real1.jpg", (search_ + "/a/IMG_1.jpg").c_str()), 0);
  ASSERT_EQ(symlink((dir_ / "elsewhere/real2.jpg").c_str(), (search_ + "/b/IMG_2.jpg").c_str()), 0);
  ASSERT_EQ(symlink("gone.jpg", (search_ + "/a/IMG_3.jpg").c_str()), 0);
  ASSERT_EQ(symlink("../../elsewhere", (search_ + "/b/IMG_4.jpg").c_str()), 0);
  for (const char* rel : {"a/IMG_1.jpg", "b/IMG_2.jpg", "a/IMG_3.jpg", "b/IMG_4.jpg"}) AddRow(search_ + "/" + rel);
  Statfield()->SetText("stats\r\n");

  Archive::Copy();

  // Regular files with the targets' bytes and dates, under the links' names.
  EXPECT_EQ(Entries(dest_), (std::set<std::string>{"IMG_1.jpg", "IMG_2.jpg", "Report.txt"}));
  for (const char* name : {"IMG_1.jpg", "IMG_2.jpg"}) {
    struct stat st;
    ASSERT_EQ(lstat((dest_ + "/" + name).c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode)) << name;
  }
  EXPECT_EQ(ReadFile(dest_ + "/IMG_1.jpg"), "the first target's bytes");
  EXPECT_EQ(MtimeOf(dest_ + "/IMG_1.jpg"), 1111111111);
  EXPECT_EQ(ReadFile(dest_ + "/IMG_2.jpg"), "the second target's bytes");
  EXPECT_EQ(MtimeOf(dest_ + "/IMG_2.jpg"), 1222222222);
  // The links themselves are untouched.
  char text[64] = {};
  EXPECT_GT(readlink((search_ + "/a/IMG_1.jpg").c_str(), text, sizeof text - 1), 0);
  EXPECT_STREQ(text, "../../elsewhere/real1.jpg");
  EXPECT_EQ(LastBoxText(),
            "2 files have been copied to Backup\n\n2 files were not copied:\n"
            "IMG_4.jpg: it is a link to something that is not a file.\n"
            "IMG_3.jpg: it is a link that leads nowhere.");
  ExpectRunOver();
}

TEST_F(ArchiveRun, AFailedCopyIsReportedLeavesNoPartialFileAndIsNotCounted) {
  const std::string gone = Found("a/gone.jpg", "soon gone");
  Found("b/huge.jpg", std::string(1 << 20, 'h'));
  Found("c/small.jpg", "small");
  ASSERT_EQ(unlink(gone.c_str()), 0);
  {
    FileSizeLimit full(64 * 1024);  // the huge file does not fit
    Archive::Copy();
  }
  EXPECT_EQ(Entries(dest_), (std::set<std::string>{"small.jpg", "Report.txt"}));
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text.Utf8(),
            "1 files have been copied to Backup\n\n2 files were not copied:\n"
            "huge.jpg: there is no room for it on the disk.\n"
            "gone.jpg: the file is no longer there.");
  ExpectRunOver();
}

TEST_F(ArchiveRun, ASourceThatCannotBeReachedIsReportedForWhatStandsInTheWay) {
  // Refused on the way: a folder that may not be searched, a folder above
  // that one (the file's own folder cannot even be looked at), and a file
  // that may not be read. Really gone: the file, its folders, a folder
  // that became a file. A loop of links in its path is told in its own words.
  const std::string noSearch = Found("a/IMG_1.jpg", "behind a folder without x");
  const std::string noSearchAbove = Found("b/c/IMG_2.jpg", "below a folder without x");
  const std::string secret = Found("d/IMG_3.jpg", "unreadable");
  const std::string gone = Found("e/IMG_4.jpg", "soon gone");
  const std::string goneWithFolders = Found("f/g/IMG_5.jpg", "soon gone with its folders");
  const std::string folderNowAFile = Found("h/IMG_6.jpg", "its folder soon a file");
  ASSERT_EQ(symlink("loop", (search_ + "/loop").c_str()), 0);
  AddRow(search_ + "/loop/IMG_7.jpg");
  Found("IMG_8.jpg", "readable");
  ASSERT_EQ(unlink(gone.c_str()), 0);
  ASSERT_EQ(unlink(goneWithFolders.c_str()), 0);
  ASSERT_EQ(rmdir((search_ + "/f/g").c_str()), 0);
  ASSERT_EQ(rmdir((search_ + "/f").c_str()), 0);
  ASSERT_EQ(unlink(folderNowAFile.c_str()), 0);
  ASSERT_EQ(rmdir((search_ + "/h").c_str()), 0);
  WriteFile(search_ + "/h", "a file where the folder was");
  chmod(secret.c_str(), 0);
  chmod((search_ + "/a").c_str(), 0644);
  chmod((search_ + "/b").c_str(), 0644);
  chmod(search_.c_str(), 0755);
  chmod(dest_.c_str(), 0777);
  if (geteuid() == 0) setfsuid(65534);  // root reads everything
  Archive::Copy();
  if (geteuid() == 0) setfsuid(0);
  chmod((search_ + "/a").c_str(), 0755);
  chmod((search_ + "/b").c_str(), 0755);

  EXPECT_EQ(Entries(dest_), (std::set<std::string>{"IMG_8.jpg", "Report.txt"}));
  EXPECT_EQ(ReadFile(noSearch), "behind a folder without x");
  EXPECT_EQ(ReadFile(noSearchAbove), "below a folder without x");
  EXPECT_EQ(LastBoxText(),
            "1 files have been copied to Backup\n\n7 files were not copied:\n"
            "IMG_7.jpg: Cannot reach \"" + search_ +
                "/loop/IMG_7.jpg\": there are too many symbolic links in its path.\n"
                "IMG_6.jpg: the file is no longer there.\n"
                "IMG_5.jpg: the file is no longer there.\n"
                "IMG_4.jpg: the file is no longer there.\n"
                "IMG_3.jpg: permission was denied.\n"
                "IMG_2.jpg: permission was denied.\n"
                "IMG_1.jpg: permission was denied.");
  ExpectRunOver();
}

TEST_F(ArchiveRun, ADestinationThatVanishesDuringTheRunFailsTheRestAndKeepsTheStatistics) {
  Found("a/IMG_1.jpg", "one");
  Found("b/IMG_2.jpg", "two");
  Found("c/IMG_3.jpg", "three");
  Statfield()->SetText("kept\r\n");
  const std::string moved = dir_ / "Moved";
  Archive::SetBeforeCopyHookForTesting([&] {
    steps_.push_back(Observe());
    if (steps_.size() == 2) {
      ASSERT_EQ(std::rename(dest_.c_str(), moved.c_str()), 0);
    }
  });

  Archive::Copy();

  EXPECT_EQ(Entries(moved), std::set<std::string>{"IMG_3.jpg"});
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[0].buttons, 48);
  EXPECT_EQ(Boxes()[0].text.Utf8(),
            "The report could not be written into \"Backup\": the destination folder is no longer "
            "there. The statistics have been kept.");
  EXPECT_EQ(Boxes()[1].text.Utf8(),
            "1 files have been copied to Backup\n\n2 files were not copied:\n"
            "IMG_2.jpg: the destination folder is no longer there.\n"
            "IMG_1.jpg: the destination folder is no longer there.");
  EXPECT_EQ(Statfield()->Text().Utf8(), "kept\r\n");
  ExpectRunOver();
}

TEST_F(ArchiveRun, TheReportIsWrittenWholeOrNotAtAll) {
  Found("a/IMG_1.jpg", "one");
  // An earlier report survives a write that cannot complete.
  WriteFile(dest_ + "/Report.txt", "the earlier report\r\n");
  std::string big;
  while (big.size() < 200 * 1024) big += "A total of  3 files have been found\r\n";
  Statfield()->SetText(big);
  {
    FileSizeLimit full(64 * 1024);
    Archive::Copy();
  }
  EXPECT_EQ(ReadFile(dest_ + "/Report.txt"), "the earlier report\r\n");
  EXPECT_EQ(Entries(dest_), (std::set<std::string>{"IMG_1.jpg", "Report.txt"}));  // no leftovers
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[0].buttons, 48);
  EXPECT_EQ(Boxes()[0].text.Utf8(),
            "The report could not be written into \"Backup\": there is no room for it on the disk. "
            "The statistics have been kept.");
  EXPECT_EQ(Boxes()[1].text.Utf8(), "1 files have been copied to Backup");
  EXPECT_EQ(Statfield()->Text().Utf8(), big);
  ExpectRunOver();

  // A folder named Report.txt is not replaced either.
  rb::ClearShownDialogs();
  const std::string other = dir_ / "Other";
  WriteFile(other + "/Report.txt/inside.txt", "inside");
  SearchWindow()->SaveFolder = Ref<rb::FolderItem>::New(other);
  Statfield()->SetText("short\r\n");
  Archive::Copy();
  EXPECT_EQ(ReadFile(other + "/Report.txt/inside.txt"), "inside");
  EXPECT_EQ(Entries(other), (std::set<std::string>{"IMG_1.jpg", "Report.txt"}));
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[0].buttons, 48);
  EXPECT_EQ(Boxes()[0].text.Utf8(),
            "The report could not be written into \"Other\": a folder of that name is in the way. "
            "The statistics have been kept.");
  EXPECT_EQ(Statfield()->Text().Utf8(), "short\r\n");
  EXPECT_EQ(Boxes()[1].text.Utf8(), "1 files have been copied to Other");
}

TEST_F(ArchiveRun, ABadDestinationCopiesNothingAndKeepsTheStatistics) {
  Found("a/IMG_1.jpg", "one");
  Found("b/IMG_2.jpg", "two");
  WriteFile(dir_ / "afile", "not a folder");
  MakeDirs(dir_ / "ReadOnly");
  chmod((dir_ / "ReadOnly").c_str(), 0555);
  chmod(search_.c_str(), 0755);
  struct Case {
    const char* what;
    Ref<rb::FolderItem> dest;
    bool asOrdinaryUser;
  } cases[] = {{"unset", nullptr, false},
               {"missing", Ref<rb::FolderItem>::New(dir_ / "NoSuchFolder"), false},
               {"a file", Ref<rb::FolderItem>::New(dir_ / "afile"), false},
               {"not writable", Ref<rb::FolderItem>::New(dir_ / "ReadOnly"), true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    rb::ClearShownDialogs();
    steps_.clear();
    SearchWindow()->Hide();
    SearchWindow()->SaveFolder = c.dest;
    Statfield()->SetText("the statistics\r\n");
    const std::set<std::string> before = Entries(dir_.path());
    if (c.asOrdinaryUser && geteuid() == 0) setfsuid(65534);
    Archive::Copy();
    if (c.asOrdinaryUser && geteuid() == 0) setfsuid(0);

    EXPECT_TRUE(steps_.empty());
    EXPECT_EQ(Entries(dir_.path()), before);
    EXPECT_EQ(Entries(dir_ / "ReadOnly"), std::set<std::string>{});
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].buttons, 48);
    EXPECT_NE(Boxes()[0].text.Utf8().find("Nothing has been copied."), std::string::npos)
        << Boxes()[0].text.Utf8();
    EXPECT_EQ(Statfield()->Text().Utf8(), "the statistics\r\n");
    EXPECT_EQ(List()->ListCount(), 2);
    ExpectRunOver();
  }
}

TEST_F(ArchiveRun, TheListAndItsButtonsTakeNoInputAndNoSecondRunStartsMeanwhile) {
  Found("a/IMG_1.jpg", "one");
  Found("b/IMG_2.jpg", "two");
  Statfield()->SetText("stats\r\n");
  size_t boxesDuringRun = 0;
  Archive::SetBeforeCopyHookForTesting([&] {
    steps_.push_back(Observe());
    // A second run asked for meanwhile does nothing at all.
    Archive::Copy();
    boxesDuringRun = Boxes().size();
  });

  Archive::Copy();

  ASSERT_EQ(steps_.size(), 2u);
  for (const Step& s : steps_) {
    EXPECT_TRUE(s.running);
    EXPECT_FALSE(s.listEnabled);
    EXPECT_FALSE(s.archiveEnabled);
    EXPECT_FALSE(s.cancelEnabled);
  }
  EXPECT_EQ(boxesDuringRun, 0u);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text.Utf8(), "2 files have been copied to Backup");
  EXPECT_EQ(Entries(dest_), (std::set<std::string>{"IMG_1.jpg", "IMG_2.jpg", "Report.txt"}));
  ExpectRunOver();
}


// ---- Quit during a run ----------------------------------------------------------------

struct QuitInRun {
  int target = 0;      // quit at this yield (from 1)
  bool byKey = false;  // Ctrl+Q in the active window, else File > Quit
  std::string dest;
  int seen = 0;
  bool quit = false;
  std::set<std::string> present;  // the destination once Quit was chosen
  std::string statistics;
  bool progressShown = false;
};
QuitInRun gQuit;

TEST_F(ArchiveRun, QuitAtAnyYieldLeavesTheCompletedCopiesOnlyAndNoReport) {
  // Three ticked rows among four, one of them large. The run goes in the
  // program's event loop, as "Archive Files" runs it; Quit is chosen at
  // the first yield, then at the second, and so on, by Ctrl+Q in the
  // active window and File > Quit in turn.
  const std::map<std::string, std::string> bytes = {
      {"IMG_1.jpg", "first"}, {"IMG_2.jpg", std::string(3 << 20, 'b')}, {"IMG_3.jpg", "not ticked"},
      {"IMG_4.jpg", "fourth"}};
  std::vector<std::string> paths;
  for (const auto& [name, content] : bytes) {
    paths.push_back(search_ + "/" + name.substr(4, 1) + "/" + name);
    WriteFile(paths.back(), content);
  }
  std::set<std::set<std::string>> presentAtQuit;
  for (int target = 1;; ++target) {
    SCOPED_TRACE("Quit at yield " + std::to_string(target));
    ProgramTest::SetUp();
    for (const std::string& name : Entries(dest_)) unlink((dest_ + "/" + name).c_str());
    SearchWindow()->SaveFolder = Ref<rb::FolderItem>::New(dest_);
    for (const std::string& path : paths) AddRow(path, path.find("IMG_3") == std::string::npos);
    Statfield()->SetText("the statistics\r\n");
    SearchWindow()->Hide();  // as a search leaves it

    gQuit = QuitInRun();
    gQuit.target = target;
    gQuit.byKey = target % 2 == 1;
    gQuit.dest = dest_;
    const auto archive = [] { ResultsWindow()->Control<rb::PushButton>("ArchiveBtn")->Push(); };
    const int code = testsupport::RunUntilQuitAtYields(archive, [] {
      if (gQuit.quit || ++gQuit.seen != gQuit.target) return;
      testsupport::ChooseQuit(gQuit.byKey);
      gQuit.quit = rb::Quitting();
      gQuit.present = Entries(gQuit.dest);
      gQuit.statistics = Statfield()->Text().Utf8();
      Ref<rb::Window> progress = rb::_GetImplicitWindow("SearchProgressWindow");
      gQuit.progressShown = progress && progress->Visible();
    });
    if (gQuit.seen < target) {
      EXPECT_EQ(code, testsupport::kRunNotQuit);
      break;
    }
    ASSERT_TRUE(gQuit.quit);
    presentAtQuit.insert(gQuit.present);

    // The program ended with code 0; the destination holds exactly the
    // copies made before Quit, each whole, and no temporary file or
    // report; nothing was said or shown.
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Entries(dest_), gQuit.present);
    for (const std::string& name : Entries(dest_)) {
      auto found = bytes.find(name);
      ASSERT_NE(found, bytes.end()) << name;
      EXPECT_EQ(ReadFile(dest_ + "/" + name), found->second) << name;
    }
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(Statfield()->Text().Utf8(), gQuit.statistics);
    Ref<rb::Window> progress = rb::_GetImplicitWindow("SearchProgressWindow");
    EXPECT_EQ(progress && progress->Visible(), gQuit.progressShown);
    EXPECT_FALSE(SearchWindow()->Visible());
    EXPECT_FALSE(Archive::Running());
  }
  // Quit came before the first copy, after the first of the three, after
  // the second, and after the last, before the report.
  EXPECT_EQ(presentAtQuit, (std::set<std::set<std::string>>{{},
                                                             {"IMG_4.jpg"},
                                                             {"IMG_4.jpg", "IMG_2.jpg"},
                                                             {"IMG_4.jpg", "IMG_2.jpg", "IMG_1.jpg"}}));
}

}  // namespace
