// The platform layer on Windows: the wide (UTF-16) API throughout, paths converted from and to
// UTF-8 at this door, every file in binary mode, Win32 errors turned into errno values.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
//
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <thread>

#include "core/Platform.h"
#include "core/WideWin.h"

namespace pixmira::platform {

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
  std::wstring wide(std::size_t(std::max(n, 0)), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), n);
  return wide;
}

std::string Utf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(std::size_t(std::max(n, 0)), '\0');
  if (n > 0) {
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), utf8.data(), n, nullptr,
                        nullptr);
  }
  return utf8;
}

namespace {

// The errno value a caller expects for a Win32 error.
int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_SUCCESS:
      return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return ENOENT;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return EACCES;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION:
      return EOPNOTSUPP;
    case ERROR_TOO_MANY_LINKS:
      return EMLINK;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER:
      return EINVAL;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    default:
      return EIO;
  }
}

int LastErrno() { return ErrnoOf(GetLastError()); }

struct THandle {
  HANDLE h = INVALID_HANDLE_VALUE;
  explicit THandle(HANDLE handle) : h(handle) {}
  ~THandle() {
    if (h != INVALID_HANDLE_VALUE && h != nullptr) CloseHandle(h);
  }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
  bool Valid() const { return h != INVALID_HANDLE_VALUE && h != nullptr; }
};

void FillFromHandle(HANDLE h, FileStatus& status) {
  status = {};
  const DWORD type = GetFileType(h);
  if (type != FILE_TYPE_DISK) {
    status.kind = FileKind::Other;  // a console, a pipe, a device such as NUL
    return;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) {
    status.kind = FileKind::Other;
    return;
  }
  const bool folder = info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
  status.kind = folder ? FileKind::Directory : FileKind::Regular;
  status.permissions = folder                                              ? 0777
                       : (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0444
                                                                           : 0666;
  status.size = int64_t((uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
}

// Antivirus scanners and indexers hold new files open for a moment; a rename that meets one
// is tried again briefly.
bool Transient(DWORD error) {
  return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
         error == ERROR_LOCK_VIOLATION;
}

int Move(const std::string& from, const std::string& to, DWORD flags) {
  const std::wstring f = Wide(from), t = Wide(to);
  for (int attempt = 0;; ++attempt) {
    if (MoveFileExW(f.c_str(), t.c_str(), flags | MOVEFILE_WRITE_THROUGH)) return 0;
    const DWORD error = GetLastError();
    if (!Transient(error) || attempt >= 20) return ErrnoOf(error);
    // Without the replace flag a taken name is ERROR_ALREADY_EXISTS, never retried.
    Sleep(50);
  }
}

std::atomic<unsigned> gProbeCounter{0};

}  // namespace

char PreferredSeparator() { return '\\'; }

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

std::size_t RootLength(std::string_view path) {
  auto drive = [](std::string_view p) {
    return p.size() >= 2 && p[1] == ':' &&
           ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'));
  };
  if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) &&
      (path[2] == '?' || path[2] == '.') && IsSeparator(path[3])) {
    // \\?\C:\... and \\?\UNC\server\share\...
    const std::string_view rest = path.substr(4);
    if (drive(rest)) return 4 + (rest.size() > 2 && IsSeparator(rest[2]) ? 3 : 2);
    if (rest.size() >= 4 && (rest.substr(0, 3) == "UNC" || rest.substr(0, 3) == "unc") &&
        IsSeparator(rest[3])) {
      std::size_t i = 4;
      for (int part = 0; part < 2 && i <= rest.size(); ++part) {
        while (i < rest.size() && !IsSeparator(rest[i])) ++i;
        if (i < rest.size()) ++i;
      }
      return 4 + i;
    }
    return 4;
  }
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    // \\server\share\ : the server and the share name make the root.
    std::size_t i = 2;
    for (int part = 0; part < 2 && i <= path.size(); ++part) {
      while (i < path.size() && !IsSeparator(path[i])) ++i;
      if (i < path.size()) ++i;
    }
    return i;
  }
  if (drive(path)) return path.size() > 2 && IsSeparator(path[2]) ? 3 : 2;
  return !path.empty() && IsSeparator(path[0]) ? 1 : 0;
}

std::size_t NameStart(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::size_t root = RootLength(path);
  // "C:name": the drive's colon ends the folder part.
  if (root == 2 && path[1] == ':' && (slash == std::string_view::npos || slash < 2)) return 1;
  return slash;
}

std::filesystem::path ToPath(std::string_view utf8) { return std::filesystem::path(Wide(utf8)); }

std::string FromPath(const std::filesystem::path& path) { return Utf8(path.native()); }

int Open(const std::string& path, unsigned flags, int& error) {
  int mode = _O_BINARY | _O_NOINHERIT;
  if ((flags & kOpenRead) && (flags & kOpenWrite)) {
    mode |= _O_RDWR;
  } else if (flags & kOpenWrite) {
    mode |= _O_WRONLY;
  } else {
    mode |= _O_RDONLY;
  }
  if (flags & kOpenCreate) mode |= _O_CREAT;
  if (flags & kOpenExclusive) mode |= _O_EXCL;
  const std::wstring wide = Wide(path);
  const int fd = _wopen(wide.c_str(), mode, _S_IREAD | _S_IWRITE);
  error = fd < 0 ? errno : 0;
  // Windows refuses to open a folder as "access denied"; say what POSIX says, so the user
  // hears that the name is a folder rather than a permission problem.
  if (error == EACCES) {
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
      error = EISDIR;
  }
  // Likewise "not found" when a folder on the way is a file.
  if (error == ENOENT) {
    std::string folder = path;
    while (true) {
      std::string up = FolderOf(folder);
      if (up == folder || up.size() <= RootLength(up)) break;
      folder = std::move(up);
      const DWORD attributes = GetFileAttributesW(Wide(folder).c_str());
      if (attributes == INVALID_FILE_ATTRIBUTES) continue;
      if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) error = ENOTDIR;
      break;
    }
  }
  return fd;
}

int OpenUnnamed(const std::string&, int& error) {
  error = EOPNOTSUPP;
  return -1;
}

int LinkUnnamed(int, const std::string&) { return EOPNOTSUPP; }

int64_t Read(int fd, void* buffer, std::size_t size, int& error) {
  const unsigned chunk = unsigned(std::min<std::size_t>(size, INT_MAX));
  const int n = _read(fd, buffer, chunk);
  error = n < 0 ? errno : 0;
  return n;
}

int WriteAllAndSync(int fd, const void* bytes, std::size_t size) {
  const auto* data = static_cast<const unsigned char*>(bytes);
  std::size_t done = 0;
  while (done < size) {
    const unsigned chunk = unsigned(std::min<std::size_t>(size - done, 1u << 30));
    const int n = _write(fd, data + done, chunk);
    if (n < 0) return errno;
    done += std::size_t(n);
  }
  return _commit(fd) == 0 ? 0 : errno;
}

int Close(int fd) { return _close(fd) == 0 ? 0 : errno; }

// Windows keeps only a read-only mark, which would stop the next replacement: new bytes are
// always written writable.
int SetPermissions(int, uint32_t) { return 0; }

void SyncFolder(const std::string&) {}

int Status(const std::string& path, FileStatus& status, bool followLinks) {
  status = {};
  const std::wstring wide = Wide(path);
  if (!followLinks) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) return LastErrno();
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      status.kind = FileKind::Link;
      return 0;
    }
  }
  THandle h(CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.Valid()) return LastErrno();
  FillFromHandle(h.h, status);
  return 0;
}

int Status(int fd, FileStatus& status) {
  const intptr_t handle = _get_osfhandle(fd);
  if (handle == -1) {
    status = {};
    return EBADF;
  }
  FillFromHandle(reinterpret_cast<HANDLE>(handle), status);
  return 0;
}

bool NameTaken(const std::string& path) {
  if (GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  const DWORD error = GetLastError();
  // A file locked by another program is still taken.
  return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND &&
         error != ERROR_INVALID_NAME && error != ERROR_INVALID_DRIVE;
}

int CheckFolderWritable(const std::string& folder) {
  // Permissions here are lists the folder's attributes do not show: try it.
  const std::string probe = Join(folder, ".pixmira-probe-" + std::to_string(GetCurrentProcessId()) +
                                             "-" + std::to_string(gProbeCounter++) + ".tmp");
  THandle h(CreateFileW(
      Wide(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
      FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  return h.Valid() ? 0 : LastErrno();
}

int RenameNoReplace(const std::string& from, const std::string& to) { return Move(from, to, 0); }

int HardLink(const std::string& from, const std::string& to) {
  return CreateHardLinkW(Wide(to).c_str(), Wide(from).c_str(), nullptr) ? 0 : LastErrno();
}

int RenameReplace(const std::string& from, const std::string& to) {
  return Move(from, to, MOVEFILE_REPLACE_EXISTING);
}

int RemoveFile(const std::string& path) {
  return DeleteFileW(Wide(path).c_str()) ? 0 : LastErrno();
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW data{};
  const HANDLE find = FindFirstFileW(Wide(Join(folder, "*")).c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring_view name = data.cFileName;
    if (name != L"." && name != L"..") names.push_back(Utf8(name));
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return names;
}

std::optional<std::string> RealPath(const std::string& path) {
  THandle h(CreateFileW(Wide(path).c_str(), 0,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.Valid()) return std::nullopt;
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n =
        GetFinalPathNameByHandleW(h.h, buffer.data(), DWORD(buffer.size()), FILE_NAME_NORMALIZED);
    if (n == 0) return std::nullopt;
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(n + 1);
  }
  std::wstring_view result = buffer;
  if (result.starts_with(L"\\\\?\\UNC\\")) return "\\\\" + Utf8(result.substr(8));
  if (result.starts_with(L"\\\\?\\")) result.remove_prefix(4);
  return Utf8(result);
}

std::string ExecutablePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      return Utf8(buffer);
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::optional<std::string> GetEnv(const char* name) {
  const std::wstring wide = Wide(name);
  const DWORD n = GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
  if (n == 0) return std::nullopt;
  std::wstring value(n, L'\0');
  const DWORD got = GetEnvironmentVariableW(wide.c_str(), value.data(), n);
  if (got == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
  value.resize(got);
  return Utf8(value);
}

std::string SettingsFolder() {
  std::string base;
  if (auto appData = GetEnv("APPDATA"); appData && RootLength(*appData) > 0) {
    base = *appData;
  } else if (auto profile = GetEnv("USERPROFILE"); profile && RootLength(*profile) > 0) {
    base = Join(*profile, "AppData\\Roaming");
  } else {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    base = n > 0 ? Utf8(std::wstring_view(temp, n)) : "C:\\";
  }
  return Join(base, "Pixmira\\");
}

std::vector<std::string> Arguments(int argc, char** argv) {
  // The narrow argv holds the ANSI code page's guess at each name; the wide command line holds
  // the names themselves.
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> args;
  args.reserve(std::size_t(count));
  for (int i = 0; i < count; ++i) args.push_back(Utf8(wide[i]));
  LocalFree(wide);
  return args;
}

long ProcessId() { return long(GetCurrentProcessId()); }

bool ProcessMayBeAlive(long pid) {
  THandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid)));
  if (!process.Valid()) return GetLastError() != ERROR_INVALID_PARAMETER;
  DWORD code = 0;
  if (!GetExitCodeProcess(process.h, &code)) return true;
  return code == STILL_ACTIVE;
}

std::string HostName() {
  wchar_t name[256] = {};
  DWORD size = 255;
  if (!GetComputerNameExW(ComputerNameDnsHostname, name, &size)) return {};
  return Utf8(std::wstring_view(name, size));
}

uint64_t UserKey() {
  wchar_t name[257] = {};
  DWORD size = 257;
  if (!GetUserNameW(name, &size)) return 0;
  // FNV-1a over the name: the same number for the user's every process.
  uint64_t hash = 14695981039346656037ull;
  for (const char c : Utf8(name)) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

uint64_t PhysicalMemory() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  return GlobalMemoryStatusEx(&status) ? uint64_t(status.ullTotalPhys) : 0;
}

std::optional<uint64_t> ProcessMemoryLimit() {
  // A job object (a container, a CI runner) may cap the process or the whole job.
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION info{};
  if (!QueryInformationJobObject(nullptr, JobObjectExtendedLimitInformation, &info, sizeof info,
                                 nullptr)) {
    return std::nullopt;
  }
  std::optional<uint64_t> smallest;
  const DWORD flags = info.BasicLimitInformation.LimitFlags;
  if ((flags & JOB_OBJECT_LIMIT_PROCESS_MEMORY) && info.ProcessMemoryLimit > 0) {
    smallest = uint64_t(info.ProcessMemoryLimit);
  }
  if ((flags & JOB_OBJECT_LIMIT_JOB_MEMORY) && info.JobMemoryLimit > 0) {
    const uint64_t job = info.JobMemoryLimit;
    smallest = smallest ? std::min(*smallest, job) : job;
  }
  return smallest;
}

int AvailableProcessors() {
  DWORD_PTR process = 0, system = 0;
  if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process != 0) {
    int count = 0;
    for (DWORD_PTR mask = process; mask; mask &= mask - 1) ++count;
    // A machine with more than one processor group shows only this group in the mask.
    return std::max(count, 1);
  }
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

void AdviseLargePages(void*, std::size_t) {}

void KeepFreedMemory() {}

void PrepareConsole() {
  SetConsoleOutputCP(CP_UTF8);
  for (DWORD which : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
    const HANDLE h = GetStdHandle(which);
    DWORD mode = 0;
    // The progress bar clears its line with a terminal control sequence.
    if (h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode)) {
      SetConsoleMode(h, mode | 0x0004 /* ENABLE_VIRTUAL_TERMINAL_PROCESSING */);
    }
  }
}

bool StandardErrorIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

namespace {
void (*gOnInterrupt)() = nullptr;
std::atomic<bool> gInterruptedOnce{false};

BOOL WINAPI HandleConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  // The second Ctrl-C goes to the default handler, which ends the process.
  if (gInterruptedOnce.exchange(true)) return FALSE;
  if (gOnInterrupt) gOnInterrupt();
  return TRUE;
}
}  // namespace

void OnFirstInterrupt(void (*onInterrupt)()) {
  gOnInterrupt = onInterrupt;
  SetConsoleCtrlHandler(HandleConsoleEvent, TRUE);
}

}  // namespace pixmira::platform
