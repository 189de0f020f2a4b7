// Blocks of bytes shared with plugins.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "framework/object.h"
#include "framework/rbstring.h"

namespace rb {

// Raised for a position outside a block.
class OutOfBoundsException : public RuntimeException {
 public:
  OutOfBoundsException() : RuntimeException("OutOfBoundsException") {}
};

class MemoryBlock : public Object {
 public:
  // Zero-filled. Data() is valid (and unique) also for size 0.
  explicit MemoryBlock(size_t size);
  uint8_t* Data() { return data_.get(); }
  const uint8_t* Data() const { return data_.get(); }
  size_t Size() const { return size_; }
  // Out of range raises OutOfBoundsException.
  uint8_t Byte(size_t offset) const;
  void SetByte(size_t offset, uint8_t value);
  // len bytes from offset, untagged.
  String StringValue(size_t offset, size_t len) const;

 private:
  std::unique_ptr<uint8_t[]> data_;
  size_t size_;
};

}  // namespace rb
