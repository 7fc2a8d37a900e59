#include "shader_asm/debug_info.h"

#include <array>
#include <cstring>

#include "platform/d3d9/shader_tokens.h"

namespace shader_asm {

namespace {
constexpr unsigned char kFillByte = 0xAB;
}

std::uint32_t CommentBuilder::append(const void* data, std::size_t length, std::uint32_t flags) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  if (length == kTextWithTerminator) length = std::strlen(static_cast<const char*>(data)) + 1;
  bool referenced = (flags & kReferenced) != 0;
  bool shared = (flags & kShared) != 0 || !referenced;
  if (shared) {
    for (const Item& item : items_) {
      if (item.shared && item.length == length && std::memcmp(item.bytes(), bytes, length) == 0) return item.offset;
    }
  }
  if ((flags & kUnaligned) == 0) size_ = (size_ + 3) & ~std::size_t{3};
  Item item{referenced ? bytes : nullptr, {}, length, static_cast<std::uint32_t>(size_), shared};
  if (!referenced) item.copy.assign(bytes, bytes + length);
  items_.push_back(std::move(item));
  size_ += length;
  return items_.back().offset;
}

void CommentBuilder::write(DWORD fourCC, std::vector<DWORD>& out) const {
  std::vector<unsigned char> data((size_ + 3) & ~std::size_t{3}, kFillByte);
  for (const Item& item : items_) {
    if (item.length != 0) std::memcpy(data.data() + item.offset, item.bytes(), item.length);
  }
  out.push_back(shader_tokens::makeComment(static_cast<DWORD>(totalWords() - 1)));
  out.push_back(fourCC);
  for (std::size_t i = 0; i < data.size(); i += 4) {
    out.push_back(static_cast<DWORD>(data[i]) | static_cast<DWORD>(data[i + 1]) << 8 |
                  static_cast<DWORD>(data[i + 2]) << 16 | static_cast<DWORD>(data[i + 3]) << 24);
  }
}

std::vector<DWORD> buildDebugInfo(const DebugInfoInput& input) {
  enum HeaderField {
    Size,
    Creator,
    Source,
    FileCount,
    FileTable,
    InstructionCount,
    Instructions,
    Zero1,
    Zero2,
    EntryPoint,
    HeaderWords
  };
  std::array<std::uint32_t, HeaderWords> header{};
  header[Size] = HeaderWords * 4;
  CommentBuilder builder;
  builder.append(header.data(), sizeof header, CommentBuilder::kReferenced);

  const std::vector<InstructionRecord>& instructions = *input.instructions;
  // File names, met from the last instruction to the first.
  std::vector<const char*> files;
  std::vector<std::uint32_t> fileOffsets;
  std::vector<std::uint16_t> fileIndexOf(instructions.size(), 0xFFFF);
  for (std::size_t i = instructions.size(); i-- > 0;) {
    const char* file = instructions[i].file;
    if (file == nullptr) continue;
    std::size_t index = 0;
    while (index < files.size() && std::strcmp(files[index], file) != 0) ++index;
    if (index == files.size()) {
      files.push_back(file);
      fileOffsets.push_back(
          builder.append(file, CommentBuilder::kTextWithTerminator,
                         CommentBuilder::kReferenced | CommentBuilder::kShared | CommentBuilder::kUnaligned));
    }
    fileIndexOf[i] = static_cast<std::uint16_t>(index);
  }
  header[FileCount] = static_cast<std::uint32_t>(files.size());
  header[FileTable] =
      builder.append(fileOffsets.data(), fileOffsets.size() * sizeof(std::uint32_t), CommentBuilder::kReferenced);

  struct Record {
    std::uint16_t line;
    std::uint16_t file;
    std::uint32_t offset;
  };
  static_assert(sizeof(Record) == 8);
  std::vector<Record> records(instructions.size());
  header[InstructionCount] = static_cast<std::uint32_t>(records.size());
  header[Instructions] = builder.append(records.data(), records.size() * sizeof(Record), CommentBuilder::kReferenced);
  if (!input.entryPoint.empty()) {
    std::string name(input.entryPoint);
    header[EntryPoint] =
        builder.append(name.c_str(), name.size() + 1, CommentBuilder::kShared | CommentBuilder::kUnaligned);
  }
  if (input.embedSource) {
    header[Source] = builder.append(input.sourceText.data(), input.sourceText.size(), CommentBuilder::kUnaligned);
    builder.append("", 1, CommentBuilder::kReferenced | CommentBuilder::kUnaligned);
  }
  header[Creator] = builder.append(kCreatorText, CommentBuilder::kTextWithTerminator,
                                   CommentBuilder::kReferenced | CommentBuilder::kUnaligned);

  std::size_t commentWords = builder.totalWords();
  if (commentWords > kMaxCommentWords) return {};
  for (std::size_t i = 0; i < instructions.size(); ++i) {
    records[i].line = static_cast<std::uint16_t>(instructions[i].line);
    records[i].file = fileIndexOf[i];
    records[i].offset = static_cast<std::uint32_t>((instructions[i].wordIndex + commentWords) * 4);
  }
  std::vector<DWORD> words;
  words.reserve(commentWords);
  builder.write(shader_tokens::makeFourCC('D', 'B', 'U', 'G'), words);
  return words;
}

}  // namespace shader_asm
