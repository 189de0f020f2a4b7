#include <gtest/gtest.h>

#include <string>

#include "framework/folder_item.h"
#include "framework/memory_block.h"
#include "framework/streams.h"
#include "support/test_support.h"

using namespace rb;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

std::string Pattern(size_t size) {
  std::string data(size, '\0');
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 31 + i / 251) & 0xFF);
  return data;
}

Ref<FolderItem> Item(const std::string& path) { return Ref<FolderItem>::New(path); }

}  // namespace

TEST(BinaryStream, ByteAtATimeAcrossTheBuffer) {
  TempDir tmp;
  const std::string data = Pattern(3 * 65536 + 17);
  WriteFile(tmp / "f.bin", data);
  Ref<BinaryStream> in = Item(tmp / "f.bin")->OpenAsBinaryFile(false);
  ASSERT_TRUE(in);
  EXPECT_EQ(in->Length(), static_cast<int64_t>(data.size()));

  std::string got;
  while (!in->EOF()) {
    String b = in->Read(1);
    ASSERT_EQ(b.Bytes().size(), 1u);
    EXPECT_EQ(b.Encoding(), Encodings::Unknown);
    got += b.Bytes();
    if (in->Position() == 65537) {
      // One step back over the buffer boundary reads the same byte again.
      in->SetPosition(in->Position() - 1);
      EXPECT_EQ(in->Read(1).Bytes(), data.substr(65536, 1));
    }
  }
  EXPECT_EQ(got, data);
  EXPECT_EQ(in->Position(), static_cast<int64_t>(data.size()));
  EXPECT_EQ(in->Read(1).Bytes(), "");
  EXPECT_TRUE(in->EOF());

  in->SetPosition(65530);
  EXPECT_EQ(in->Read(12).Bytes(), data.substr(65530, 12));
  in->SetPosition(10);
  EXPECT_EQ(in->Read(200000).Bytes(), data.substr(10, 200000));
  in->SetPosition(static_cast<int64_t>(data.size()) - 5);
  EXPECT_EQ(in->Read(100).Bytes(), data.substr(data.size() - 5));
  EXPECT_EQ(in->Read(1 << 30).Bytes(), "");

  in->Write(String("x"));
  EXPECT_NE(in->LastErrorCode(), 0);
  in->Close();
  in->Close();
  EXPECT_TRUE(in->EOF());
  EXPECT_EQ(ReadFile(tmp / "f.bin"), data);
}

TEST(BinaryStream, ReadByteMatchesReadOfOne) {
  TempDir tmp;
  const std::string data = Pattern(2 * 65536 + 3);
  WriteFile(tmp / "f.bin", data);
  Ref<BinaryStream> in = Item(tmp / "f.bin")->OpenAsBinaryFile(false);
  ASSERT_TRUE(in);
  std::string got;
  for (int b = in->ReadByte(); b >= 0; b = in->ReadByte()) {
    got += static_cast<char>(b);
    if (in->Position() == 65537) {
      in->SetPosition(in->Position() - 1);
      EXPECT_EQ(in->ReadByte(), static_cast<unsigned char>(data[65536]));
    }
  }
  EXPECT_EQ(got, data);
  EXPECT_EQ(in->ReadByte(), -1);
  // A byte written through the stream is read back.
  Ref<BinaryStream> rw = Item(tmp / "f.bin")->OpenAsBinaryFile(true);
  ASSERT_TRUE(rw);
  EXPECT_EQ(rw->ReadByte(), static_cast<unsigned char>(data[0]));
  rw->SetPosition(1);
  rw->Write(String("Z"));
  rw->SetPosition(1);
  EXPECT_EQ(rw->ReadByte(), 'Z');
}

TEST(BinaryStream, WritesAtThePositionAndReadsThemBack) {
  TempDir tmp;
  Ref<FolderItem> file = Item(tmp / "w.bin");
  {
    Ref<BinaryStream> out = file->CreateBinaryFile();
    ASSERT_TRUE(out);
    out->Write(String("hello world"));
    EXPECT_EQ(out->Length(), 11);
    out->SetPosition(6);
    out->Write(String("WORLD!"));
    out->SetPosition(0);
    EXPECT_EQ(out->Read(5).Bytes(), "hello");
    out->SetPosition(2);
    out->Write(String::FromBytes(Pattern(70000), Encodings::Unknown));
    EXPECT_EQ(out->Length(), 70002);
  }  // closed by the destructor
  std::string expected = "he" + Pattern(70000);
  EXPECT_EQ(ReadFile(file->Path()), expected);

  Ref<BinaryStream> rw = file->OpenAsBinaryFile(true);
  ASSERT_TRUE(rw);
  EXPECT_EQ(rw->Read(2).Bytes(), "he");
  rw->Write(String("XY"));
  EXPECT_EQ(rw->Read(1).Bytes(), expected.substr(4, 1));
  rw->Close();
  expected.replace(2, 2, "XY");
  EXPECT_EQ(ReadFile(file->Path()), expected);
}

TEST(TextStreams, WriteAndReadBack) {
  TempDir tmp;
  Ref<FolderItem> file = Item(tmp / "t.txt");
  Ref<TextOutputStream> out = file->CreateTextFile();
  ASSERT_TRUE(out);
  out->WriteLine(String("first é"));
  out->Write(String("second\r\nthird\rfourth"));
  out->Write(String::FromBytes("\n\xFF", Encodings::Unknown));
  out->Close();
  EXPECT_FALSE(out->Failed());
  out->Close();
  out->Write(String("late"));
  EXPECT_TRUE(out->Failed());
  EXPECT_EQ(ReadFile(file->Path()), "first é\nsecond\r\nthird\rfourth\n\xFF");

  Ref<TextInputStream> in = file->OpenAsTextFile();
  ASSERT_TRUE(in);
  EXPECT_EQ(in->ReadLine().Bytes(), "first é");
  EXPECT_EQ(in->ReadLine().Bytes(), "second");
  EXPECT_EQ(in->ReadLine().Bytes(), "third");
  EXPECT_FALSE(in->EOF());
  String rest = in->ReadAll();
  EXPECT_EQ(rest.Bytes(), "fourth\n\xFF");
  EXPECT_EQ(rest.Encoding(), Encodings::UTF8);
  EXPECT_TRUE(in->EOF());
  EXPECT_EQ(in->ReadLine().Bytes(), "");

  // A long file read whole and line by line.
  std::string big;
  for (int i = 0; i < 20000; ++i) big += "line " + std::to_string(i) + "\n";
  WriteFile(tmp / "big.txt", big);
  EXPECT_EQ(Item(tmp / "big.txt")->OpenAsTextFile()->ReadAll().Bytes(), big);
  Ref<TextInputStream> lines = Item(tmp / "big.txt")->OpenAsTextFile();
  int count = 0;
  while (!lines->EOF()) {
    ASSERT_EQ(lines->ReadLine().Bytes(), "line " + std::to_string(count));
    ++count;
  }
  EXPECT_EQ(count, 20000);

  // Truncates an existing file.
  Ref<TextOutputStream> again = file->CreateTextFile();
  ASSERT_TRUE(again);
  again->Write(String("x"));
  again = nullptr;
  EXPECT_EQ(ReadFile(file->Path()), "x");
}

TEST(Openers, AnswerNilOnFailure) {
  TempDir tmp;
  Ref<FolderItem> missing = Item(tmp / "missing.txt");
  EXPECT_FALSE(missing->OpenAsTextFile());
  EXPECT_EQ(missing->LastErrorCode(), FileErrors::NotFound);
  EXPECT_FALSE(missing->OpenAsBinaryFile(false));
  EXPECT_FALSE(Item(tmp.path())->OpenAsTextFile());
  EXPECT_FALSE(Item(tmp.path())->CreateTextFile());
  EXPECT_FALSE(Item(tmp / "no/dir/x.txt")->CreateTextFile());
  EXPECT_FALSE(missing->Exists());
}

TEST(MemoryBlock, ZeroFilledAndBounded) {
  MemoryBlock block(70);
  EXPECT_EQ(block.Size(), 70u);
  for (size_t i = 0; i < block.Size(); ++i) ASSERT_EQ(block.Byte(i), 0);
  block.SetByte(3, 'A');
  block.Data()[4] = 'B';
  EXPECT_EQ(block.StringValue(3, 2).Bytes(), "AB");
  EXPECT_EQ(block.StringValue(70, 0).Bytes(), "");
  EXPECT_THROW(block.Byte(70), OutOfBoundsException);
  EXPECT_THROW(block.SetByte(70, 1), OutOfBoundsException);
  EXPECT_THROW(block.StringValue(69, 2), OutOfBoundsException);
  MemoryBlock empty(0);
  EXPECT_NE(empty.Data(), nullptr);
}
