#pragma once
// The one door to the operating system. Everything the library and the command ask of the
// system (files, paths, folders, the process, memory, Ctrl-C, the console) is declared here and
// defined once per system: PlatformPosix.cpp (Linux and other POSIX systems) and
// PlatformWin.cpp (Windows), chosen by the build. A third side (WebAssembly) only has to
// define these functions again; callers never test which system they run on.
//
// Paths are UTF-8 strings everywhere. File calls answer 0 or an errno value (EEXIST, ENOENT,
// ...) that strerror can word, so one error text serves every system. Descriptors are small
// integers and every file is opened in binary mode.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pixmira::platform {

// ---- Paths ----

// The separator this system writes between folder and name.
char PreferredSeparator();
// Whether c separates folder names here ('/' everywhere, '\\' as well on Windows).
bool IsSeparator(char c);
// The position of the separator before the file name, or npos. On Windows a drive's colon
// ("C:name") ends the folder part too.
std::size_t NameStart(std::string_view path);
// The length of the root of path: "/" here; "C:\", "\\server\share\" or "\" on Windows. Zero
// for a relative path.
std::size_t RootLength(std::string_view path);
// The folder holding path's file: "." when there is none, the root when path sits in one.
std::string FolderOf(std::string_view path);
// The file name after the last separator.
std::string NameOf(std::string_view path);
// folder joined to name with one separator.
std::string Join(std::string_view folder, std::string_view name);
// Whether path ends in a separator (names a folder, not a file).
bool EndsWithSeparator(std::string_view path);
// A std::filesystem path for a UTF-8 string, and back.
std::filesystem::path ToPath(std::string_view utf8);
std::string FromPath(const std::filesystem::path& path);

// ---- Files ----

enum OpenFlags : unsigned {
  kOpenRead = 1u << 0,
  kOpenWrite = 1u << 1,
  kOpenCreate = 1u << 2,
  kOpenExclusive = 1u << 3,    // with kOpenCreate: fail with EEXIST on a taken name
  kOpenNonBlocking = 1u << 4,  // a FIFO opens at once instead of waiting for a writer
};

// A descriptor, or -1 with error set.
int Open(const std::string& path, unsigned flags, int& error);
// An unnamed file in folder for writing, or -1 with error set: EOPNOTSUPP (or another value
// the caller treats as "none here") where the file system or the system has no such files.
int OpenUnnamed(const std::string& folder, int& error);
// Gives the unnamed file fd the name `to`, never replacing. 0 or an errno.
int LinkUnnamed(int fd, const std::string& to);
// Bytes read (0 at the end), or -1 with error set. Interrupted reads are retried.
int64_t Read(int fd, void* buffer, std::size_t size, int& error);
// Writes every byte and flushes them to the disk. 0 or an errno.
int WriteAllAndSync(int fd, const void* bytes, std::size_t size);
// Closing reports what a delayed write (network file systems) could not store. 0 or an errno.
int Close(int fd);
// Gives the open file the permission bits mode (where the system has them). 0 or an errno.
int SetPermissions(int fd, uint32_t mode);
// Flushes a folder's entries (new names) to the disk, where the system allows it.
void SyncFolder(const std::string& folder);

enum class FileKind { Missing, Regular, Directory, Link, Other };
struct FileStatus {
  FileKind kind = FileKind::Missing;
  uint32_t permissions = 0;  // the permission bits, where the system has them
  int64_t size = 0;
};
// The file at path, following links or not. 0 or an errno (ENOENT for a missing one).
int Status(const std::string& path, FileStatus& status, bool followLinks = true);
int Status(int fd, FileStatus& status);
// Whether anything, a dangling link included, has that name.
bool NameTaken(const std::string& path);
// Whether the process may create files in folder. 0 or an errno.
int CheckFolderWritable(const std::string& folder);

// Renames from to `to` when `to` is free: EEXIST when taken, EINVAL / ENOSYS / ENOTSUP when
// this file system cannot rename without replacing. 0 or an errno.
int RenameNoReplace(const std::string& from, const std::string& to);
// A second name for a file; fails with EEXIST on a taken name. 0 or an errno.
int HardLink(const std::string& from, const std::string& to);
// Renames from to `to`, replacing a file of that name. 0 or an errno.
int RenameReplace(const std::string& from, const std::string& to);
// Removes a file (not a folder). 0 or an errno.
int RemoveFile(const std::string& path);
// The names in a folder, without "." and "..". Empty when it cannot be read.
std::vector<std::string> FolderEntries(const std::string& folder);
// The absolute path with every link resolved, when path exists.
std::optional<std::string> RealPath(const std::string& path);

// ---- The process and the machine ----

// The running executable's path, empty when the system does not say.
std::string ExecutablePath();
// The folder for the user's own settings of this program, ending in a separator:
// $XDG_CONFIG_HOME/pixmira/ (else ~/.config/pixmira/) here, %APPDATA%\Pixmira\ on Windows.
std::string SettingsFolder();
// An environment variable as UTF-8, when set.
std::optional<std::string> GetEnv(const char* name);
// The command line as UTF-8 strings, program name first (argv where it is UTF-8 already).
std::vector<std::string> Arguments(int argc, char** argv);
long ProcessId();
// False only when no process of that id exists on this machine.
bool ProcessMayBeAlive(long pid);
// This machine's name as the system gives it; empty when it does not.
std::string HostName();
// A number naming the user, the same for each of the user's processes.
uint64_t UserKey();

// ---- Memory and processors ----

// The machine's physical memory in bytes, 0 when unknown.
uint64_t PhysicalMemory();
// The smallest limit the system sets on this process's memory (resource limits, job objects),
// not counting control groups, when one is set.
std::optional<uint64_t> ProcessMemoryLimit();
// The processors this process may run on, at least 1.
int AvailableProcessors();
// Asks for large pages for a long-lived buffer, where the system offers them.
void AdviseLargePages(void* begin, std::size_t size);
// Keeps freed picture buffers in the process for the next picture, where the allocator
// would otherwise hand them back and fault them in again.
void KeepFreedMemory();

// ---- Console ----

// Makes the console show UTF-8 text (and terminal control sequences) as written; standard
// input, output and error are open, and a closed pipe on them does not end the process.
void PrepareConsole();
// Whether standard error is a terminal (a console window), not a file or a pipe.
bool StandardErrorIsTerminal();
// Calls onInterrupt once on the first Ctrl-C (from a signal handler or a system thread: it
// may only set flags); a second Ctrl-C ends the process at once.
void OnFirstInterrupt(void (*onInterrupt)());

}  // namespace pixmira::platform
