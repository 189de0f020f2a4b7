// File streams, buffered inside: reading one byte at a time is cheap.
// Closing twice is harmless; destructors close.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

// The streams answer EOF(), which the C library's EOF macro would swallow.
// It becomes a constant of the same value, so `c == EOF` still works.
#ifdef EOF
#undef EOF
inline constexpr int EOF = -1;
#endif

#include "framework/object.h"
#include "framework/rbstring.h"

namespace rb {

// Random access to the bytes of a file.
class BinaryStream : public Object {
 public:
  // Takes over fd.
  BinaryStream(int fd, bool writable);
  ~BinaryStream() override;

  // Up to count bytes from the position, untagged; fewer at the end.
  String Read(int count);
  // The next byte (0 to 255), or -1 at the end: Read(1) without a string.
  int ReadByte() {
    if (!dirty_ && pos_ >= bufStart_ && pos_ < bufStart_ + static_cast<int64_t>(bufLen_))
      return static_cast<unsigned char>(buf_[static_cast<size_t>(pos_++ - bufStart_)]);
    const String r = Read(1);
    return r.Bytes().empty() ? -1 : static_cast<unsigned char>(r.Bytes()[0]);
  }
  // True when the position is at (or past) the end of the file.
  bool EOF() { return EndOfFile(); }
  bool EndOfFile();
  int64_t Position() const { return pos_; }
  void SetPosition(int64_t position) { pos_ = position < 0 ? 0 : position; }
  int64_t Length();
  // Writes the bytes at the position (a read-only stream sets
  // LastErrorCode and writes nothing).
  void Write(const String& data);
  void Flush();
  void Close();
  bool Writable() const { return writable_; }
  // 0, or the error number (errno) of the last failed operation.
  int LastErrorCode() const { return lastError_; }

 private:
  bool Fill();
  bool WriteAt(const char* data, size_t size, int64_t at);

  int fd_;
  bool writable_;
  int64_t pos_ = 0;
  int64_t length_ = 0;  // known length of the file
  std::unique_ptr<char[]> buf_;
  int64_t bufStart_ = 0;  // file position of buf_[0]
  size_t bufLen_ = 0;
  bool dirty_ = false;  // the buffer holds bytes not yet written
  int lastError_ = 0;
};

// Text read from the start of a file to its end.
class TextInputStream : public Object {
 public:
  // Takes over fd.
  explicit TextInputStream(int fd);
  ~TextInputStream() override;

  // The rest of the file, tagged with Encoding() (UTF8 unless set).
  String ReadAll();
  // The next line without its end (LF, CR LF or CR).
  String ReadLine();
  // True when nothing is left to read.
  bool EOF() { return EndOfFile(); }
  bool EndOfFile();
  void Close();
  uint32_t Encoding() const { return encoding_; }
  void SetEncoding(uint32_t encoding) { encoding_ = encoding; }
  int LastErrorCode() const { return lastError_; }

 private:
  bool Fill();

  int fd_;
  uint32_t encoding_ = Encodings::UTF8;
  std::unique_ptr<char[]> buf_;
  size_t bufPos_ = 0;
  size_t bufLen_ = 0;
  bool atEnd_ = false;
  int lastError_ = 0;
};

// Text written to a file, bytes as they are.
class TextOutputStream : public Object {
 public:
  // Takes over fd.
  explicit TextOutputStream(int fd);
  ~TextOutputStream() override;

  void Write(const String& text);
  void WriteLine(const String& text);  // text and LF
  void Flush();
  void Close();
  // True once any write, flush or the close failed.
  bool Failed() const { return failed_; }
  int LastErrorCode() const { return lastError_; }

 private:
  void WriteOut(const char* data, size_t size);

  int fd_;
  std::string buf_;
  bool failed_ = false;
  int lastError_ = 0;
};

}  // namespace rb
