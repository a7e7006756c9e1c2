#pragma once
// The in-memory INI store behind Config.ini and the frame catalogue: read whole when opened,
// written whole by UpdateFile. Sections and keys are found without regard to letter case.
#include <string>
#include <string_view>
#include <vector>

namespace pixmira {

class TMemIniFile {
 public:
  // Reads the whole file. A missing or unreadable file gives an empty store, no error.
  explicit TMemIniFile(std::string fileName);

  // A store over the given text, not tied to a file on disk until UpdateFile.
  static TMemIniFile FromText(std::string_view text, std::string fileName = {});

  const std::string& FileName() const { return fileName_; }

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;
  int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
  bool ValueExists(std::string_view section, std::string_view key) const;

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int value);
  void WriteBool(std::string_view section, std::string_view key, bool value);
  // Removes the key, so that every reader takes its default; nothing when it is absent.
  void DeleteKey(std::string_view section, std::string_view key);

  std::vector<std::string> ReadSections() const;
  // The keys of a section in file order; empty when there is no such section.
  std::vector<std::string> ReadKeys(std::string_view section) const;

  // The whole store as the file holds it (CRLF lines, an empty line after each section).
  std::string ToText() const;

  // Replaces the file atomically (temporary file in the same folder, flushed, renamed).
  // Raises EFileError naming the path and the system's reason; memory stays as it is.
  void UpdateFile() const;

 private:
  struct Section {
    std::string name;
    std::vector<std::string> lines;  // "key=value", or a line without "=" kept as it was
  };
  void Parse(std::string_view text);
  const Section* FindSection(std::string_view name) const;
  Section* FindSection(std::string_view name);

  std::string fileName_;
  std::vector<Section> sections_;
};

// Converts like ReadInteger: "0x1F4", "$1F4", "-12". Nothing when it does not convert.
bool TryParseInteger(std::string_view text, int& value);

}  // namespace pixmira
