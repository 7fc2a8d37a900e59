// The comment builder and the "DBUG" debug-information comment.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win/types.h"

namespace shader_asm {

// Assembles a comment's data area from items; each item's byte offset is returned on append.
class CommentBuilder {
 public:
  static constexpr std::uint32_t kReferenced = 1;  // keep a pointer; the data may change until write
  static constexpr std::uint32_t kShared = 2;      // reuse an identical earlier shared item
  static constexpr std::uint32_t kUnaligned = 4;   // do not start at a multiple of 4
  static constexpr std::size_t kTextWithTerminator = static_cast<std::size_t>(-1);

  std::uint32_t append(const void* data, std::size_t length, std::uint32_t flags);
  std::size_t dataBytes() const { return size_; }
  // Words the whole comment takes: token, four-character code, data rounded up.
  std::size_t totalWords() const { return (size_ + 3) / 4 + 2; }
  void write(DWORD fourCC, std::vector<DWORD>& out) const;

 private:
  struct Item {
    const unsigned char* referenced;
    std::vector<unsigned char> copy;
    std::size_t length;
    std::uint32_t offset;
    bool shared;
    const unsigned char* bytes() const { return referenced != nullptr ? referenced : copy.data(); }
  };
  std::vector<Item> items_;
  std::size_t size_ = 0;
};

struct InstructionRecord {
  const char* file;  // null when the statement has no file name
  std::uint32_t line;
  std::uint32_t wordIndex;  // of the instruction token, before the comment is inserted
};

struct DebugInfoInput {
  const std::vector<InstructionRecord>* instructions;
  std::string_view entryPoint;  // empty: none
  bool embedSource;             // the main source has no file name
  std::string_view sourceText;  // the parsed part of the main source
};

inline constexpr const char* kCreatorText = "Prismcard Shader Assembler";
inline constexpr std::size_t kMaxCommentWords = 0x8000;

// The whole comment (token included), or empty when it would exceed kMaxCommentWords.
std::vector<DWORD> buildDebugInfo(const DebugInfoInput& input);

}  // namespace shader_asm
