#include "platform/win/registry_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

#include "platform/win/registry.h"

namespace platform {
namespace {

std::string lowerCase(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return result;
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

struct RootName {
  std::string_view longName;
  std::string_view shortName;
};
constexpr std::array<RootName, 5> rootNames{{
    {"hkey_classes_root", "hkcr"},
    {"hkey_current_user", "hkcu"},
    {"hkey_local_machine", "hklm"},
    {"hkey_users", "hku"},
    {"hkey_current_config", "hkcc"},
}};

// Replaces a short root name (HKLM) by the long one, so both spellings name one key.
std::string withLongRootName(std::string canonical) {
  std::size_t end = canonical.find('\\');
  std::string_view root = std::string_view(canonical).substr(0, end);
  for (const auto& name : rootNames) {
    if (root == name.shortName) {
      return std::string(name.longName) + (end == std::string::npos ? "" : canonical.substr(end));
    }
  }
  return canonical;
}

bool isKnownRoot(std::string_view canonical) {
  std::string_view root = canonical.substr(0, canonical.find('\\'));
  return std::any_of(rootNames.begin(), rootNames.end(), [&](const RootName& name) { return root == name.longName; });
}

// A quoted string with the .reg escapes \\ and \". On success `rest` is what follows it.
std::optional<std::string> parseQuoted(std::string_view text, std::string_view& rest) {
  if (text.empty() || text.front() != '"') return std::nullopt;
  std::string result;
  for (std::size_t i = 1; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"') {
      rest = text.substr(i + 1);
      return result;
    }
    if (c == '\\') {
      if (i + 1 >= text.size()) return std::nullopt;
      result += text[++i];
    } else {
      result += c;
    }
  }
  return std::nullopt;
}

std::optional<std::vector<BYTE>> parseHexBytes(std::string_view text) {
  std::vector<BYTE> bytes;
  text = trim(text);
  while (!text.empty()) {
    std::size_t comma = text.find(',');
    std::string_view item = trim(text.substr(0, comma));
    unsigned value = 0;
    auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), value, 16);
    if (item.empty() || item.size() > 2 || error != std::errc() || end != item.data() + item.size()) {
      return std::nullopt;
    }
    bytes.push_back(static_cast<BYTE>(value));
    if (comma == std::string_view::npos) break;
    text = text.substr(comma + 1);
    if (trim(text).empty()) return std::nullopt;  // a dangling comma
  }
  return bytes;
}

struct ParsedData {
  DWORD type;
  std::vector<BYTE> data;
};

// The right-hand side of a value line: "text", dword:XXXXXXXX, hex:.. or hex(N):..
std::optional<ParsedData> parseData(std::string_view text, std::string& reason) {
  text = trim(text);
  if (!text.empty() && text.front() == '"') {
    std::string_view rest;
    auto value = parseQuoted(text, rest);
    if (!value || !trim(rest).empty()) {
      reason = "unterminated or malformed string";
      return std::nullopt;
    }
    std::vector<BYTE> data(value->begin(), value->end());
    data.push_back(0);
    return ParsedData{REG_SZ, std::move(data)};
  }
  std::string lower = lowerCase(text);
  if (lower.rfind("dword:", 0) == 0) {
    std::string_view digits = trim(text.substr(6));
    DWORD value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (digits.empty() || digits.size() > 8 || error != std::errc() || end != digits.data() + digits.size()) {
      reason = "dword value needs one to eight hexadecimal digits";
      return std::nullopt;
    }
    std::vector<BYTE> data(4);
    for (int i = 0; i < 4; ++i) data[i] = static_cast<BYTE>(value >> (8 * i));
    return ParsedData{REG_DWORD, std::move(data)};
  }
  DWORD type = REG_BINARY;
  std::string_view bytesText;
  if (lower.rfind("hex:", 0) == 0) {
    bytesText = text.substr(4);
  } else if (lower.rfind("hex(", 0) == 0) {
    std::size_t close = text.find("):");
    auto [end, error] =
        std::from_chars(text.data() + 4, text.data() + (close == std::string_view::npos ? 4 : close), type, 16);
    if (close == std::string_view::npos || error != std::errc() || end != text.data() + close) {
      reason = "malformed hex(type) value";
      return std::nullopt;
    }
    bytesText = text.substr(close + 2);
  } else {
    reason = "unknown value type";
    return std::nullopt;
  }
  auto bytes = parseHexBytes(bytesText);
  if (!bytes) {
    reason = "malformed hexadecimal byte list";
    return std::nullopt;
  }
  return ParsedData{type, std::move(*bytes)};
}

// Splits text into logical lines: CR LF or LF endings, and a trailing ",\" continues a line
// (the .reg format wraps long hex lists that way). Each line keeps its first line number.
struct LogicalLine {
  int number;
  std::string text;
};

std::vector<LogicalLine> logicalLines(std::string_view text) {
  std::vector<LogicalLine> lines;
  int number = 0;
  bool continuing = false;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view physical = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    if (!physical.empty() && physical.back() == '\r') physical.remove_suffix(1);
    std::string_view content = continuing ? trim(physical) : physical;
    // Only byte lists wrap, always right after a comma: "hex:01,02,\".
    std::string_view trimmed = trim(content);
    bool continues = trimmed.size() >= 2 && trimmed.substr(trimmed.size() - 2) == ",\\";
    if (continues) content = trimmed.substr(0, trimmed.size() - 1);
    if (continuing) {
      lines.back().text += content;
    } else {
      lines.push_back({number, std::string(content)});
    }
    continuing = continues;
  }
  return lines;
}

}  // namespace

std::string canonicalKeyPath(std::string_view path) {
  std::string result;
  for (char c : path) {
    if (c == '/') c = '\\';
    if (c == '\\' && (result.empty() || result.back() == '\\')) continue;
    result += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  while (!result.empty() && result.back() == '\\') result.pop_back();
  return withLongRootName(std::move(result));
}

void RegistryContents::merge(std::string_view text, const std::string& source, const RegistryWarningSink& warn) {
  if (text.size() >= 3 && static_cast<unsigned char>(text[0]) == 0xEF && static_cast<unsigned char>(text[1]) == 0xBB &&
      static_cast<unsigned char>(text[2]) == 0xBF) {
    text.remove_prefix(3);  // a UTF-8 byte-order mark
  }
  RegistryKey* current = nullptr;
  bool sawHeader = false;
  for (const auto& line : logicalLines(text)) {
    std::string_view content = trim(line.text);
    if (content.empty() || content.front() == ';') continue;
    if (!sawHeader) {
      sawHeader = true;
      if (content == "REGEDIT4" || content == "Windows Registry Editor Version 5.00") continue;
    }
    if (content.front() == '[') {
      current = nullptr;
      if (content.back() != ']') {
        warn(source, line.number, "key line lacks its closing ']'");
        continue;
      }
      std::string_view name = trim(content.substr(1, content.size() - 2));
      bool removes = !name.empty() && name.front() == '-';
      if (removes) name.remove_prefix(1);
      std::string canonical = canonicalKeyPath(name);
      if (!isKnownRoot(canonical)) {
        warn(source, line.number, "key does not start with a known root such as HKEY_LOCAL_MACHINE");
        continue;
      }
      if (removes) {
        std::erase_if(keys_, [&](const auto& entry) {
          return entry.first == canonical || entry.first.rfind(canonical + "\\", 0) == 0;
        });
        continue;
      }
      auto [entry, inserted] = keys_.try_emplace(canonical);
      if (inserted) entry->second.path = std::string(name);
      current = &entry->second;
      continue;
    }
    std::string valueName;
    std::string_view rest;
    if (content.front() == '@') {
      rest = content.substr(1);
    } else if (auto quoted = parseQuoted(content, rest)) {
      valueName = *quoted;
    } else {
      warn(source, line.number, "expected [key], \"name\"=value or @=value");
      continue;
    }
    rest = trim(rest);
    if (rest.empty() || rest.front() != '=') {
      warn(source, line.number, "value name is not followed by '='");
      continue;
    }
    if (current == nullptr) {
      warn(source, line.number, "value outside any [key] section");
      continue;
    }
    rest = trim(rest.substr(1));
    if (rest == "-") {
      current->values.erase(lowerCase(valueName));
      continue;
    }
    std::string reason;
    auto data = parseData(rest, reason);
    if (!data) {
      warn(source, line.number, reason);
      continue;
    }
    current->values[lowerCase(valueName)] = RegistryValue{valueName, data->type, std::move(data->data)};
  }
}

bool RegistryContents::keyExists(std::string_view path) const {
  std::string canonical = canonicalKeyPath(path);
  if (canonical.find('\\') == std::string::npos) return isKnownRoot(canonical);
  std::string below = canonical + "\\";
  return std::any_of(keys_.begin(), keys_.end(),
                     [&](const auto& entry) { return entry.first == canonical || entry.first.rfind(below, 0) == 0; });
}

const RegistryKey* RegistryContents::findKey(std::string_view path) const {
  auto found = keys_.find(canonicalKeyPath(path));
  return found == keys_.end() ? nullptr : &found->second;
}

}  // namespace platform
