#include "core/MemIniFile.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include "core/Encoding.h"
#include "core/Errors.h"
#include "core/FileWrite.h"
#include "core/Platform.h"

namespace pixmira {

namespace {

// Blanks as the file format has them: every control character and the space.
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

// The key of a stored line: the text before its first "=", or nothing without one.
bool LineKey(std::string_view line, std::string_view& key) {
  const auto eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  key = line.substr(0, eq);
  return true;
}

// A line break inside a written value would split it into lines of its own and corrupt the
// file; it is kept as the one character of code 3, the program's own line-break mark.
std::string OneLine(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      out += '\x03';
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += c;
    }
  }
  return out;
}

bool ParseHex(std::string_view digits, int& value) {
  if (digits.empty()) return false;
  // More than eight digits only fit with leading zeros.
  while (digits.size() > 8 && digits.front() == '0') digits.remove_prefix(1);
  if (digits.size() > 8) return false;
  uint32_t v = 0;
  for (char c : digits) {
    uint32_t d;
    if (c >= '0' && c <= '9') {
      d = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      d = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      d = c - 'A' + 10;
    } else {
      return false;
    }
    v = (v << 4) | d;
  }
  // Eight hex digits are the 32-bit pattern: $FFFFFFFF is -1.
  value = static_cast<int>(static_cast<int32_t>(v));
  return true;
}

[[noreturn]] void FailWrite(const std::string& path, int error) { RaiseWriteError(path, error); }

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  // O_NONBLOCK: a FIFO in the file's place must not hang the program.
  int error = 0;
  const int fd = platform::Open(path, platform::kOpenRead | platform::kOpenNonBlocking, error);
  if (fd < 0) return false;
  platform::FileStatus st;
  if (platform::Status(fd, st) != 0 || st.kind != platform::FileKind::Regular) {
    platform::Close(fd);
    return false;
  }
  char buffer[65536];
  for (;;) {
    const int64_t n = platform::Read(fd, buffer, sizeof buffer, error);
    if (n < 0) {
      platform::Close(fd);
      bytes.clear();
      return false;
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  platform::Close(fd);
  return true;
}

std::string WriteTarget(const std::string& path) {
  platform::FileStatus st;
  if (platform::Status(path, st, false) == 0 && st.kind == platform::FileKind::Link) {
    if (auto target = platform::RealPath(path)) return *target;
  }
  return path;
}

}  // namespace

bool TryParseInteger(std::string_view text, int& value) {
  if (text.size() >= 3 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    return ParseHex(text.substr(2), value);
  }
  // Leading blanks are skipped, as the toolkit's conversion does.
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (!text.empty() && text.front() == '$') {
    int v;
    if (!ParseHex(text.substr(1), v)) return false;
    value = negative ? static_cast<int>(0u - static_cast<uint32_t>(v)) : v;
    return true;
  }
  if (text.empty()) return false;
  int64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
    if (v > int64_t(INT_MAX) + 1) return false;
  }
  if (negative) v = -v;
  if (v > INT_MAX || v < INT_MIN) return false;
  value = static_cast<int>(v);
  return true;
}

TMemIniFile::TMemIniFile(std::string fileName) : fileName_(std::move(fileName)) {
  std::string bytes;
  if (!fileName_.empty() && ReadWholeFile(fileName_, bytes)) Parse(DecodeFileText(bytes));
}

TMemIniFile TMemIniFile::FromText(std::string_view text, std::string fileName) {
  TMemIniFile store{std::string()};
  store.fileName_ = std::move(fileName);
  store.Parse(text);
  return store;
}

void TMemIniFile::Parse(std::string_view text) {
  sections_.clear();
  Section* current = nullptr;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    // Lines end at CR LF, LF or a lone CR.
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (end < text.size() && text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;

    if (line.empty() || line.front() == ';') continue;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      const std::string_view name = Trim(line.substr(1, line.size() - 2));
      // A section written twice continues the first, so none of its keys is hidden.
      current = FindSection(name);
      if (!current) {
        sections_.push_back(Section{std::string(name), {}});
        current = &sections_.back();
      }
      continue;
    }
    if (!current) continue;
    std::string_view key;
    if (LineKey(line, key)) {
      const std::string_view value = line.substr(key.size() + 1);
      std::string stored(Trim(key));
      stored += '=';
      stored += Trim(value);
      current->lines.push_back(std::move(stored));
    } else {
      current->lines.emplace_back(line);
    }
  }
}

const TMemIniFile::Section* TMemIniFile::FindSection(std::string_view name) const {
  for (const Section& s : sections_) {
    if (SameText(s.name, name)) return &s;
  }
  return nullptr;
}

TMemIniFile::Section* TMemIniFile::FindSection(std::string_view name) {
  for (Section& s : sections_) {
    if (SameText(s.name, name)) return &s;
  }
  return nullptr;
}

std::string TMemIniFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
  if (const Section* s = FindSection(section)) {
    for (const std::string& line : s->lines) {
      std::string_view k;
      if (LineKey(line, k) && SameText(k, key)) return line.substr(k.size() + 1);
    }
  }
  return std::string(defaultValue);
}

int TMemIniFile::ReadInteger(std::string_view section, std::string_view key,
                             int defaultValue) const {
  int value;
  return TryParseInteger(ReadString(section, key, ""), value) ? value : defaultValue;
}

bool TMemIniFile::ReadBool(std::string_view section, std::string_view key,
                           bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool TMemIniFile::ValueExists(std::string_view section, std::string_view key) const {
  if (const Section* s = FindSection(section)) {
    for (const std::string& line : s->lines) {
      std::string_view k;
      if (LineKey(line, k) && SameText(k, key)) return true;
    }
  }
  return false;
}

void TMemIniFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
  const std::string sectionName = OneLine(section);
  const std::string keyText = OneLine(key);
  Section* s = FindSection(sectionName);
  if (!s) {
    sections_.push_back(Section{sectionName, {}});
    s = &sections_.back();
  }
  std::string line = keyText + "=" + OneLine(value);
  for (std::string& existing : s->lines) {
    std::string_view k;
    if (LineKey(existing, k) && SameText(k, keyText)) {
      existing = std::move(line);
      return;
    }
  }
  s->lines.push_back(std::move(line));
}

void TMemIniFile::DeleteKey(std::string_view section, std::string_view key) {
  Section* s = FindSection(OneLine(section));
  if (!s) return;
  const std::string keyText = OneLine(key);
  std::erase_if(s->lines, [&keyText](const std::string& line) {
    std::string_view k;
    return LineKey(line, k) && SameText(k, keyText);
  });
}

void TMemIniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, std::to_string(value));
}

void TMemIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

std::vector<std::string> TMemIniFile::ReadSections() const {
  std::vector<std::string> names;
  names.reserve(sections_.size());
  for (const Section& s : sections_) names.push_back(s.name);
  return names;
}

std::vector<std::string> TMemIniFile::ReadKeys(std::string_view section) const {
  std::vector<std::string> keys;
  if (const Section* s = FindSection(section)) {
    for (const std::string& line : s->lines) {
      std::string_view key;
      if (LineKey(line, key)) keys.emplace_back(key);
    }
  }
  return keys;
}

std::string TMemIniFile::ToText() const {
  std::string text;
  for (const Section& s : sections_) {
    text += '[';
    text += s.name;
    text += "]\r\n";
    for (const std::string& line : s.lines) {
      text += line;
      text += "\r\n";
    }
    text += "\r\n";
  }
  return text;
}

void TMemIniFile::UpdateFile() const {
  if (fileName_.empty()) FailWrite(fileName_, ENOENT);
  const std::string target = WriteTarget(fileName_);
  const std::filesystem::path targetPath = platform::ToPath(target);
  const std::filesystem::path folder =
      targetPath.has_parent_path() ? targetPath.parent_path() : std::filesystem::path(".");
  {
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
      std::filesystem::create_directories(folder, ec);
      if (ec) FailWrite(fileName_, ec.value());
    }
  }

  const std::string text = ToText();
  ReplaceFile(fileName_, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

}  // namespace pixmira
