#pragma once
// Small helpers for the tests: a temporary folder and whole-file reads and writes.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pixmira::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  // Path joined with name, as a string.
  std::string File(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
std::vector<uint8_t> ReadBytes(const std::string& path);

// Runs a shell command and returns its standard output; its exit status goes to status.
std::string RunTool(const std::string& command, int& status);
// Whether the command runs and exits with 0, its output discarded.
bool Works(const std::string& command);
// The first of the candidates that answers the probe, or "" when none does.
std::string FindTool(const std::vector<std::string>& candidates, const std::string& probe);

// What some tests need of a POSIX system: a FIFO, permission bits, symbolic links (Windows
// grants those only to administrators), environment changes. Each answers false where the
// system has no such thing; the test then skips with the reason.
bool MakeFifo(const std::string& path);
bool CanMakeSymlinks();
void SetEnv(const char* name, const std::string& value);
void UnsetEnv(const char* name);

#define PIXMIRA_SKIP_UNLESS(condition, reason) \
  if (!(condition)) GTEST_SKIP() << "not on this system: " << reason

// Fixtures committed under tests/data.
std::string DataPath(const std::string& name);

// Whether a Python with Pillow is installed, and a script run by it (arguments passed to the
// shell as they are); its exit status, -1 without Pillow.
bool HavePillow();
int RunPillowScript(const std::string& scriptPath, const std::string& arguments);

}  // namespace pixmira::test
