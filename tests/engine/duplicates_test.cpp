// The duplicate filter and the missing-name report against a plain
// transcription of their row-by-row algorithms, on random lists.
#include <random>

#include "engine_fixture.h"

namespace {

const rb::String kCrLf = rb::EndOfLineWindows();

// Everything the two passes leave behind.
struct Outcome {
  std::vector<std::string> rows;  // column 1, top first
  std::string stats;
  int32_t foundFiles, copyCounter, u, copyTrack, compareCount, notaMatch, realMisses;
  std::string searchDupeName, filename, suffix, prefix;
  std::string temp;

  bool operator==(const Outcome&) const = default;
};

void PrintTo(const Outcome& o, std::ostream* os) {
  *os << "rows:";
  for (const std::string& r : o.rows) *os << " [" << r << "]";
  *os << "\nstats: [" << o.stats << "]\nfound " << o.foundFiles << " copies " << o.copyCounter << " U " << o.u
      << " track " << o.copyTrack << " compare " << o.compareCount << " nomatch " << o.notaMatch << " misses "
      << o.realMisses << " dupe [" << o.searchDupeName << "] file [" << o.filename << "] suffix [" << o.suffix
      << "] prefix [" << o.prefix << "] temp [" << o.temp << "]";
}

// The starting values of the module variables that the passes may keep.
struct Start {
  int32_t copyTrack, compareCount, notaMatch;
  rb::String searchDupeName, filename, suffix, prefix;
};

void Restore(const Start& s) {
  DuplicateCheck::CopyTrack = s.copyTrack;
  DuplicateCheck::SearchDupeName = s.searchDupeName;
  MissingFiles::CompareCount = s.compareCount;
  MissingFiles::NotaMatch = s.notaMatch;
  Extension::Filename = s.filename;
  Extension::Suffix = s.suffix;
  Extension::Prefix = s.prefix;
}

// Both passes, compare by compare and row by row.
Outcome Reference(std::vector<rb::String> rows, int32_t foundFiles, int32_t searchedFor, const rb::String& query,
                  rb::String stats) {
  int32_t copyCounter = 0, u = foundFiles - 1, copyTrack = DuplicateCheck::CopyTrack;
  int32_t compareCount = MissingFiles::CompareCount, notaMatch = MissingFiles::NotaMatch, realMisses = 0;
  rb::String dupe = DuplicateCheck::SearchDupeName, temp;
  for (int i = 0; i <= u; ++i) {
    dupe = rows[static_cast<size_t>(i)];
    copyTrack = 0;
    int last = foundFiles - 1;
    for (int j = 0; j <= last; ++j) {
      if (rows[static_cast<size_t>(j)] == dupe) ++copyTrack;
      if (rows[static_cast<size_t>(j)] == dupe && copyTrack > 1) {
        rows.erase(rows.begin() + j);
        temp += dupe + kCrLf;
        --foundFiles;
        --u;
        --last;
        --j;
        ++copyCounter;
      }
      compareCount = last;
    }
  }
  stats += rb::Str(searchedFor) + " Requested Files" + kCrLf + kCrLf;
  stats += rb::Str(copyCounter) + (copyCounter == 1 ? " Duplicate File Found" : " Duplicate Files Found") + kCrLf;
  stats += temp;
  temp = rb::String();

  for (int i = 1; i <= rb::CountFields(query, ","); ++i) {
    rb::Ref<rb::FolderItem> item = rb::GetFolderItem(rb::NthField(query, ",", i), 0);
    if (!item) continue;
    Extension::Filename = item->Name();
    Extension::ExtensionOn();
    notaMatch = 0;
    for (int k = 0; k <= compareCount; ++k) {
      if (rows[static_cast<size_t>(k)] != Extension::Filename) ++notaMatch;
    }
    if (notaMatch == compareCount + 1) {
      temp += Extension::Filename + kCrLf;
      ++realMisses;
    }
  }
  stats += kCrLf + kCrLf;
  stats += "This search had " + rb::Str(realMisses) + (realMisses == 1 ? " Missing file" : " Missing files") + kCrLf;
  stats += temp;
  stats += rb::EndOfLine() + kCrLf;
  if (compareCount + 1 == 1)
    stats += "1" + rb::String(" file have been found") + kCrLf;
  else
    stats += "A total of  " + rb::Str(compareCount + 1) + " files have been found" + kCrLf;

  Outcome o;
  for (const rb::String& r : rows) o.rows.push_back(r.PathBytes());
  o.stats = stats.PathBytes();
  o.foundFiles = foundFiles;
  o.copyCounter = copyCounter;
  o.u = u;
  o.copyTrack = copyTrack;
  o.compareCount = compareCount;
  o.notaMatch = notaMatch;
  o.realMisses = realMisses;
  o.searchDupeName = dupe.PathBytes();
  o.filename = Extension::Filename.PathBytes();
  o.suffix = Extension::Suffix.PathBytes();
  o.prefix = Extension::Prefix.PathBytes();
  return o;
}

Outcome Engine() {
  DuplicateCheck::Run();
  MissingFiles::Run();
  Outcome o;
  rb::Ref<rb::Listbox> list = ResultsWindow()->Control<rb::Listbox>("SearchList");
  for (int r = 0; r < list->ListCount(); ++r) o.rows.push_back(list->Cell(r, 1).PathBytes());
  o.stats = StatisticsWindow()->Control<rb::EditField>("statfield")->Text().PathBytes();
  o.temp = StatisticsWindow()->Control<rb::EditField>("TempField")->Text().PathBytes();
  o.foundFiles = Search::FoundFiles;
  o.copyCounter = DuplicateCheck::CopyCounter;
  o.u = DuplicateCheck::U;
  o.copyTrack = DuplicateCheck::CopyTrack;
  o.compareCount = MissingFiles::CompareCount;
  o.notaMatch = MissingFiles::NotaMatch;
  o.realMisses = MissingFiles::RealMisses;
  o.searchDupeName = DuplicateCheck::SearchDupeName.PathBytes();
  o.filename = Extension::Filename.PathBytes();
  o.suffix = Extension::Suffix.PathBytes();
  o.prefix = Extension::Prefix.PathBytes();
  return o;
}

rb::String Utf16(const char16_t* s) { return rb::String::FromUtf16(s); }

class DuplicatesTest : public EngineTest {
 protected:
  // Fills the results list as the walk would.
  static void Fill(const std::vector<rb::String>& names) {
    rb::Ref<rb::Listbox> list = Rows();
    list->DeleteAllRows();
    for (size_t i = 0; i < names.size(); ++i) {
      list->AddRow("");
      list->SetColumnType(0, rb::Listbox::TypeCheckbox);
      list->SetCellCheck(list->LastIndex(), 0, true);
      list->SetCell(list->LastIndex(), 1, names[i]);
      list->SetCell(list->LastIndex(), 2, "/f" + rb::Str(static_cast<double>(i)) + "/" + names[i]);
    }
    Search::FoundFiles = static_cast<int32_t>(names.size());
  }
};

TEST_F(DuplicatesTest, EveryResultEqualsTheRowByRowAlgorithm) {
  // Names that are equal ignoring case in many ways, and some that only
  // look alike: the Kelvin sign folds onto k, the long s onto s, two
  // different invalid names never match.
  const std::vector<rb::String> pool = {
      "IMG_1.jpg", "img_1.JPG", "IMG_2.jpg", "IMG_2.JPG", "a.jpg", "A.jpg", "\xC3\xA9.jpg", "\xC3\x89.JPG",
      "\xE2\x84\xAA.jpg", "k.jpg", "K.JPG", "\xC5\xBF.jpg", "s.jpg", "S.JPG", "x\xFF.jpg", "x\xFE.jpg",
      "\xC3\x9F.jpg", "ss.jpg", " b.jpg", "b.jpg", "IMG_a.jpg", Utf16(u"img_1.jpg"), Utf16(u"\u00c9.jpg"),
      Utf16(u"K.jpg"), "x.png", "IMG_x.PNG",
      // Other scripts, which the index spreads over its buckets.
      "\u5199\u771F.jpg", "\u5199\u771F.JPG", "\u5199\u771E.jpg", Utf16(u"\u5199\u771F.jpg"),
      "\u03A3\u0391\u03A3.jpg", "\u03C3\u03B1\u03C2.JPG", "\u0416\u0443\u043A.jpg", "\u0436\u0423\u041A.jpg"};
  const std::vector<std::string> fields = {"IMG_1", "img_2", "1",  "a",       "\xC3\xA9", "k",   "\xE2\x84\xAA",
                                           "s",     "b",     " b", "x.png",   "",         "zzz", "/tmp/IMG_1",
                                           "x\xFF", "ss",    "A",  ".hidden", "/no/such/dir/a",
                                           "\u5199\u771F", "\u03C3\u03B1\u03C3", "\u0416\u0443\u043A"};
  std::mt19937 rng(20261208);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };

  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const int n = 1 + pick(round < 250 ? 25 : 120);
    std::vector<rb::String> names;
    for (int i = 0; i < n; ++i) names.push_back(pool[static_cast<size_t>(pick(static_cast<int>(pool.size())))]);
    std::string query;
    const int q = pick(8);
    for (int i = 0; i < q; ++i) {
      if (i) query += ",";
      query += fields[static_cast<size_t>(pick(static_cast<int>(fields.size())))];
    }
    Box("ExtensionCheckBox")->SetValue(pick(4) != 0);
    Field("ExtensionField")->SetText(pick(3) ? "jpg" : "JPG");
    Box("PrefixCheckBox")->SetValue(pick(3) == 0);
    Field("PrefixField")->SetText(pick(2) ? "IMG_" : "img_");
    Field("SearchField")->SetText(rb::String(query));
    const int32_t searchedFor = pick(9);
    StringExtract::SearchedFor = searchedFor;
    const rb::String before = pick(2) ? rb::String("earlier\r\n") : rb::String();
    const Start start{pick(5) - 1, pick(50) - 1, pick(50) - 1, pool[static_cast<size_t>(pick(3))], "old.jpg",
                      "old", "OLD_"};

    Restore(start);
    Outcome expected = Reference(names, n, searchedFor, Field("SearchField")->Text(), before);

    Restore(start);
    Fill(names);
    StatisticsWindow()->Control<rb::EditField>("statfield")->SetText(before);
    Outcome actual = Engine();
    expected.temp = "";  // the scratch field is empty after the passes
    ASSERT_EQ(actual, expected);
  }
}

TEST_F(DuplicatesTest, DuplicatesAreListedUnderTheKeptRowInRemovalOrder) {
  Fill({"IMG_1.jpg", "IMG_2.jpg", "img_1.JPG", "IMG_2.JPG", "IMG_1.jpg", "IMG_3.jpg"});
  StringExtract::SearchedFor = 4;
  Field("SearchField")->SetText("1,2,3,4");
  Box("PrefixCheckBox")->SetValue(true);
  DuplicateCheck::Run();
  MissingFiles::Run();
  EXPECT_EQ(Names(), (std::vector<std::string>{"IMG_1.jpg", "IMG_2.jpg", "IMG_3.jpg"}));
  EXPECT_EQ(Paths(), (std::vector<std::string>{"/f0/IMG_1.jpg", "/f1/IMG_2.jpg", "/f5/IMG_3.jpg"}));
  EXPECT_EQ(StatText(), "4 Requested Files\r\n\r\n"
                        "3 Duplicate Files Found\r\nIMG_1.jpg\r\nIMG_1.jpg\r\nIMG_2.jpg\r\n"
                        "\r\n\r\n"
                        "This search had 1 Missing file\r\nIMG_4.jpg\r\n"
                        "\n\r\n"
                        "A total of  3 files have been found\r\n");
  EXPECT_EQ(Search::FoundFiles, 3);
  EXPECT_EQ(DuplicateCheck::U, 2);
  EXPECT_EQ(DuplicateCheck::CopyTrack, 1);
  EXPECT_EQ(DuplicateCheck::SearchDupeName.Bytes(), "IMG_3.jpg");
  EXPECT_EQ(MissingFiles::CompareCount, 2);
  EXPECT_EQ(MissingFiles::NotaMatch, 3);
}

TEST_F(DuplicatesTest, SingularAndPluralWordings) {
  // One duplicate, no missing name, one row left.
  Fill({"a.jpg", "A.JPG"});
  StringExtract::SearchedFor = 2;
  Field("SearchField")->SetText("a,A");
  DuplicateCheck::Run();
  MissingFiles::Run();
  EXPECT_EQ(StatText(), "2 Requested Files\r\n\r\n1 Duplicate File Found\r\na.jpg\r\n\r\n\r\n"
                        "This search had 0 Missing files\r\n\n\r\n1 file have been found\r\n");

  // A name asked for twice and not found is listed twice.
  StatisticsWindow()->Control<rb::EditField>("statfield")->SetText("");
  Fill({"a.jpg", "b.jpg"});
  Field("SearchField")->SetText("c,a,c");
  DuplicateCheck::Run();
  MissingFiles::Run();
  EXPECT_EQ(StatText(), "2 Requested Files\r\n\r\n0 Duplicate Files Found\r\n\r\n\r\n"
                        "This search had 2 Missing files\r\nc.jpg\r\nc.jpg\r\n\n\r\n"
                        "A total of  2 files have been found\r\n");
}

}  // namespace
