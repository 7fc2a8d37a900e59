// Chained block allocator for the texts of one preprocessor run; everything is freed together.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

namespace shader_asm {

class Arena {
 public:
  Arena() = default;
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;
  ~Arena();

  char* allocate(std::size_t bytes);
  // A NUL-terminated copy.
  const char* copy(std::string_view text);

 private:
  struct Block {
    Block* next;
    std::size_t size;
    // data follows
  };
#ifdef PRISM_SMALL_LIMITS
  static constexpr std::size_t kBlockSize = 64;
#else
  static constexpr std::size_t kBlockSize = 16384;
#endif
  Block* head_ = nullptr;
  char* cursor_ = nullptr;
  std::size_t remaining_ = 0;
};

}  // namespace shader_asm
