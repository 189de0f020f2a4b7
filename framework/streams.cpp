#include "framework/streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace rb {

namespace {

constexpr size_t kBufferSize = 64 * 1024;

ssize_t PRead(int fd, char* data, size_t size, int64_t at) {
  ssize_t n;
  do {
    n = pread(fd, data, size, at);
  } while (n < 0 && errno == EINTR);
  return n;
}

ssize_t ReadSome(int fd, char* data, size_t size) {
  ssize_t n;
  do {
    n = read(fd, data, size);
  } while (n < 0 && errno == EINTR);
  return n;
}

}  // namespace

// ---- BinaryStream -------------------------------------------------------------

BinaryStream::BinaryStream(int fd, bool writable) : fd_(fd), writable_(writable) {
  struct stat st;
  if (fd_ >= 0 && fstat(fd_, &st) == 0) length_ = st.st_size;
}

BinaryStream::~BinaryStream() { Close(); }

bool BinaryStream::Fill() {
  if (!buf_) buf_.reset(new char[kBufferSize]);
  bufLen_ = 0;
  ssize_t n = PRead(fd_, buf_.get(), kBufferSize, pos_);
  if (n < 0) {
    lastError_ = errno;
    return false;
  }
  bufStart_ = pos_;
  bufLen_ = static_cast<size_t>(n);
  length_ = std::max(length_, pos_ + n);
  return n > 0;
}

String BinaryStream::Read(int count) {
  std::string out;
  if (fd_ < 0) {
    lastError_ = EBADF;
    count = 0;
  }
  if (count > 0 && dirty_) Flush();
  const size_t want = count > 0 ? static_cast<size_t>(count) : 0;
  while (out.size() < want) {
    if (pos_ >= bufStart_ && pos_ < bufStart_ + static_cast<int64_t>(bufLen_)) {
      size_t at = static_cast<size_t>(pos_ - bufStart_);
      size_t n = std::min(bufLen_ - at, want - out.size());
      out.append(buf_.get() + at, n);
      pos_ += static_cast<int64_t>(n);
      continue;
    }
    size_t rest = want - out.size();
    if (rest < kBufferSize) {
      if (!Fill()) break;
      continue;
    }
    // A large read goes straight into the result, no further than the end.
    int64_t avail = Length() - pos_;
    if (avail <= 0) break;
    rest = std::min(rest, static_cast<size_t>(avail));
    size_t have = out.size();
    out.resize(have + rest);
    ssize_t n = PRead(fd_, out.data() + have, rest, pos_);
    if (n <= 0) {
      if (n < 0) lastError_ = errno;
      out.resize(have);
      break;
    }
    out.resize(have + static_cast<size_t>(n));
    pos_ += n;
    length_ = std::max(length_, pos_);
  }
  return String::FromBytes(std::move(out), Encodings::Unknown);
}

bool BinaryStream::EndOfFile() {
  if (fd_ < 0) return true;
  if (pos_ < length_) return false;
  return pos_ >= Length();
}

int64_t BinaryStream::Length() {
  if (fd_ >= 0) {
    struct stat st;
    if (fstat(fd_, &st) == 0) length_ = st.st_size;
  }
  if (dirty_) length_ = std::max(length_, bufStart_ + static_cast<int64_t>(bufLen_));
  return length_;
}

bool BinaryStream::WriteAt(const char* data, size_t size, int64_t at) {
  while (size > 0) {
    ssize_t n = pwrite(fd_, data, size, at);
    if (n < 0) {
      if (errno == EINTR) continue;
      lastError_ = errno;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
    at += n;
  }
  return true;
}

void BinaryStream::Write(const String& data) {
  const std::string& bytes = data.Bytes();
  if (fd_ < 0 || !writable_) {
    lastError_ = EBADF;
    return;
  }
  if (bytes.empty()) return;
  if (dirty_ && pos_ != bufStart_ + static_cast<int64_t>(bufLen_)) Flush();
  if (!dirty_) {  // the buffer held read bytes, which this write may change
    bufStart_ = pos_;
    bufLen_ = 0;
  }
  if (bufLen_ + bytes.size() > kBufferSize) {
    Flush();
    bufStart_ = pos_;
  }
  if (bytes.size() >= kBufferSize) {
    WriteAt(bytes.data(), bytes.size(), pos_);
  } else {
    if (!buf_) buf_.reset(new char[kBufferSize]);
    std::memcpy(buf_.get() + bufLen_, bytes.data(), bytes.size());
    bufLen_ += bytes.size();
    dirty_ = true;
  }
  pos_ += static_cast<int64_t>(bytes.size());
  length_ = std::max(length_, pos_);
}

void BinaryStream::Flush() {
  if (!dirty_) return;
  WriteAt(buf_.get(), bufLen_, bufStart_);
  dirty_ = false;
  bufLen_ = 0;
}

void BinaryStream::Close() {
  if (fd_ < 0) return;
  Flush();
  if (close(fd_) != 0) lastError_ = errno;
  fd_ = -1;
  bufLen_ = 0;
  buf_.reset();
}

// ---- TextInputStream -------------------------------------------------------------

TextInputStream::TextInputStream(int fd) : fd_(fd) {}

TextInputStream::~TextInputStream() { Close(); }

bool TextInputStream::Fill() {
  bufPos_ = 0;
  bufLen_ = 0;
  if (fd_ < 0 || atEnd_) return false;
  if (!buf_) buf_.reset(new char[kBufferSize]);
  ssize_t n = ReadSome(fd_, buf_.get(), kBufferSize);
  if (n < 0) lastError_ = errno;
  if (n <= 0) {
    atEnd_ = true;
    return false;
  }
  bufLen_ = static_cast<size_t>(n);
  return true;
}

String TextInputStream::ReadAll() {
  std::string out;
  if (bufPos_ < bufLen_) out.assign(buf_.get() + bufPos_, bufLen_ - bufPos_);
  bufPos_ = bufLen_ = 0;
  if (fd_ >= 0 && !atEnd_) {
    struct stat st;
    if (fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) {
      off_t at = lseek(fd_, 0, SEEK_CUR);
      if (at >= 0 && st.st_size > at) out.reserve(out.size() + static_cast<size_t>(st.st_size - at));
    }
    while (true) {
      size_t have = out.size();
      out.resize(have + kBufferSize);
      ssize_t n = ReadSome(fd_, out.data() + have, kBufferSize);
      out.resize(have + static_cast<size_t>(std::max<ssize_t>(n, 0)));
      if (n < 0) lastError_ = errno;
      if (n <= 0) break;
    }
    atEnd_ = true;
  }
  return String::FromBytes(std::move(out), encoding_);
}

String TextInputStream::ReadLine() {
  std::string line;
  while (bufPos_ < bufLen_ || Fill()) {
    const char* start = buf_.get() + bufPos_;
    const size_t avail = bufLen_ - bufPos_;
    size_t k = 0;
    while (k < avail && start[k] != '\n' && start[k] != '\r') ++k;
    line.append(start, k);
    bufPos_ += k;
    if (k == avail) continue;
    const char end = start[k];
    ++bufPos_;
    if (end == '\r' && (bufPos_ < bufLen_ || Fill()) && buf_[bufPos_] == '\n') ++bufPos_;
    break;
  }
  return String::FromBytes(std::move(line), encoding_);
}

bool TextInputStream::EndOfFile() {
  if (bufPos_ < bufLen_) return false;
  return !Fill();
}

void TextInputStream::Close() {
  if (fd_ < 0) return;
  if (close(fd_) != 0) lastError_ = errno;
  fd_ = -1;
  bufPos_ = bufLen_ = 0;
  buf_.reset();
}

// ---- TextOutputStream -------------------------------------------------------------

TextOutputStream::TextOutputStream(int fd) : fd_(fd) {}

TextOutputStream::~TextOutputStream() { Close(); }

void TextOutputStream::WriteOut(const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = write(fd_, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      lastError_ = errno;
      failed_ = true;
      return;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
}

void TextOutputStream::Write(const String& text) {
  if (fd_ < 0) {
    lastError_ = EBADF;
    failed_ = true;
    return;
  }
  const std::string& bytes = text.Bytes();
  if (buf_.size() + bytes.size() > kBufferSize) Flush();
  if (bytes.size() >= kBufferSize) {
    WriteOut(bytes.data(), bytes.size());
  } else {
    buf_ += bytes;
  }
}

void TextOutputStream::WriteLine(const String& text) {
  Write(text);
  Write(EndOfLine());
}

void TextOutputStream::Flush() {
  if (fd_ < 0 || buf_.empty()) return;
  WriteOut(buf_.data(), buf_.size());
  buf_.clear();
}

void TextOutputStream::Close() {
  if (fd_ < 0) return;
  Flush();
  if (close(fd_) != 0) {
    lastError_ = errno;
    failed_ = true;
  }
  fd_ = -1;
}

}  // namespace rb
