#include "shader_asm/arena.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace shader_asm {

Arena::~Arena() {
  while (head_ != nullptr) {
    Block* next = head_->next;
    std::free(head_);
    head_ = next;
  }
}

char* Arena::allocate(std::size_t bytes) {
  if (bytes > remaining_) {
    std::size_t size = bytes > kBlockSize ? bytes : kBlockSize;
    auto* block = static_cast<Block*>(std::malloc(sizeof(Block) + size));
    if (block == nullptr) throw std::bad_alloc();
    block->size = size;
    if (bytes > kBlockSize && head_ != nullptr) {
      // An oversized request gets a block of its own behind the current one.
      block->next = head_->next;
      head_->next = block;
      return reinterpret_cast<char*>(block + 1);
    }
    block->next = head_;
    head_ = block;
    cursor_ = reinterpret_cast<char*>(block + 1);
    remaining_ = size;
  }
  char* result = cursor_;
  cursor_ += bytes;
  remaining_ -= bytes;
  return result;
}

const char* Arena::copy(std::string_view text) {
  char* result = allocate(text.size() + 1);
  if (!text.empty()) std::memcpy(result, text.data(), text.size());
  result[text.size()] = '\0';
  return result;
}

}  // namespace shader_asm
