#include "framework/memory_block.h"

namespace rb {

MemoryBlock::MemoryBlock(size_t size) : data_(new uint8_t[size ? size : 1]()), size_(size) {}

uint8_t MemoryBlock::Byte(size_t offset) const {
  if (offset >= size_) throw OutOfBoundsException();
  return data_[offset];
}

void MemoryBlock::SetByte(size_t offset, uint8_t value) {
  if (offset >= size_) throw OutOfBoundsException();
  data_[offset] = value;
}

String MemoryBlock::StringValue(size_t offset, size_t len) const {
  if (offset > size_ || len > size_ - offset) throw OutOfBoundsException();
  return String::FromBytes(std::string(reinterpret_cast<const char*>(data_.get()) + offset, len),
                           Encodings::Unknown);
}

}  // namespace rb
