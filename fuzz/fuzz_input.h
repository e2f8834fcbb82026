// Reads a fuzzer's input as a stream of small decisions and byte strings. Past the
// end every read gives zeros, so a short input is still a whole (if dull) script.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "common/core/bytes.h"

namespace fuzz {

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  bool Bit() { return (Byte() & 1) != 0; }
  // A value in [0, n) for n >= 1.
  int Below(int n) { return n <= 1 ? 0 : Byte() % n; }
  // Up to `most` bytes, the count taken from the input first.
  common::Bytes Take(std::size_t most) {
    const std::size_t n = std::min<std::size_t>(Byte(), most);
    return Rest(n);
  }
  common::Bytes Rest(std::size_t most = SIZE_MAX) {
    const std::size_t have = std::min(most, size_ - std::min(pos_, size_));
    common::Bytes out(data_ + pos_, data_ + pos_ + have);
    pos_ += have;
    return out;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// A property that must hold; the fuzzer reports the input that breaks it.
#define FUZZ_CHECK(condition)                                                               \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (false)

}  // namespace fuzz
