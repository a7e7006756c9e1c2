#include "support/TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "core/Platform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pixmira::test {

TempDir::TempDir() {
  // A fresh name: create_directory answers false for one that exists already.
  static std::random_device seed;
  std::mt19937_64 random(seed());
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const auto candidate = base / ("pixmira-test-" + std::to_string(random() % 1000000000000));
    std::error_code ec;
    if (std::filesystem::create_directory(candidate, ec)) {
      std::filesystem::permissions(candidate, std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::replace, ec);
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot make a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  // Tests may leave folders read-only; make them writable again so they can go.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::File(const std::string& name) const {
  return platform::FromPath(path_ / platform::ToPath(name));
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(platform::ToPath(path), std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path);
  out << bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(platform::ToPath(path), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::string s = ReadFile(path);
  return {s.begin(), s.end()};
}

#ifdef _WIN32
// The reference tools (Python with Pillow, djpeg, ImageMagick) live on the Linux side; the
// tests that need them skip.
std::string RunTool(const std::string&, int& status) {
  status = -1;
  return {};
}

bool MakeFifo(const std::string&) { return false; }
bool CanMakeSymlinks() { return false; }
void SetEnv(const char* name, const std::string& value) {
  SetEnvironmentVariableW(platform::ToPath(name).c_str(), platform::ToPath(value).c_str());
}
void UnsetEnv(const char* name) {
  SetEnvironmentVariableW(platform::ToPath(name).c_str(), nullptr);
}
#else
bool MakeFifo(const std::string& path) { return ::mkfifo(path.c_str(), 0600) == 0; }
bool CanMakeSymlinks() { return true; }
void SetEnv(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }
void UnsetEnv(const char* name) { ::unsetenv(name); }

std::string RunTool(const std::string& command, int& status) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) {
    status = -1;
    return out;
  }
  char buffer[65536];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  status = ::pclose(pipe);
  return out;
}
#endif

bool Works(const std::string& command) {
  int status = 0;
  RunTool(command + " >/dev/null 2>&1", status);
  return status == 0;
}

std::string FindTool(const std::vector<std::string>& candidates, const std::string& probe) {
  for (const std::string& tool : candidates)
    if (Works(tool + " " + probe)) return tool;
  return "";
}

std::string DataPath(const std::string& name) {
  return std::string(PIXMIRA_TEST_DATA) + "/" + name;
}

#ifdef _WIN32
bool HavePillow() { return false; }
int RunPillowScript(const std::string&, const std::string&) { return -1; }
#else
namespace {
// Debian's Python, where python3-pil installs Pillow, before whatever PATH offers.
const std::string& PillowPython() {
  static const std::string python = [] {
    for (const char* candidate : {"/usr/bin/python3", "python3"}) {
      const std::string probe = std::string(candidate) + " -c 'import PIL' >/dev/null 2>&1";
      if (std::system(probe.c_str()) == 0) return std::string(candidate);
    }
    return std::string();
  }();
  return python;
}
}  // namespace

bool HavePillow() { return !PillowPython().empty(); }

int RunPillowScript(const std::string& scriptPath, const std::string& arguments) {
  if (!HavePillow()) return -1;
  return std::system((PillowPython() + " " + scriptPath + " " + arguments).c_str());
}

#endif

}  // namespace pixmira::test
