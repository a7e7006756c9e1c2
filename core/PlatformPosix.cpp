// The platform layer on Linux and other POSIX systems.
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "core/Platform.h"

#ifdef __EMSCRIPTEN__
#include <emscripten/em_asm.h>
#endif

#if defined(__linux__)
#include <sched.h>
#include <sys/mman.h>
#endif
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace pixmira::platform {

namespace {

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

FileKind KindOf(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::Regular;
  if (S_ISDIR(mode)) return FileKind::Directory;
  if (S_ISLNK(mode)) return FileKind::Link;
  return FileKind::Other;
}

void Fill(const struct stat& st, FileStatus& status) {
  status.kind = KindOf(st.st_mode);
  status.permissions = st.st_mode & 07777;
  status.size = st.st_size;
}

}  // namespace

char PreferredSeparator() { return '/'; }

bool IsSeparator(char c) { return c == '/'; }

std::size_t NameStart(std::string_view path) { return path.find_last_of('/'); }

std::size_t RootLength(std::string_view path) { return !path.empty() && path[0] == '/' ? 1 : 0; }

std::filesystem::path ToPath(std::string_view utf8) { return std::filesystem::path(utf8); }

std::string FromPath(const std::filesystem::path& path) { return path.string(); }

int Open(const std::string& path, unsigned flags, int& error) {
  int mode = O_CLOEXEC | O_NOCTTY;
  if ((flags & kOpenRead) && (flags & kOpenWrite)) {
    mode |= O_RDWR;
  } else if (flags & kOpenWrite) {
    mode |= O_WRONLY;
  } else {
    mode |= O_RDONLY;
  }
  if (flags & kOpenCreate) mode |= O_CREAT;
  if (flags & kOpenExclusive) mode |= O_EXCL;
  if (flags & kOpenNonBlocking) mode |= O_NONBLOCK;
  // 0666: the umask decides, as for any file the user creates.
  const int fd = ::open(path.c_str(), mode, 0666);
  error = fd < 0 ? errno : 0;
  return fd;
}

int OpenUnnamed(const std::string& folder, int& error) {
#ifdef O_TMPFILE
  const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  error = fd < 0 ? errno : 0;
  return fd;
#else
  (void)folder;
  error = EOPNOTSUPP;
  return -1;
#endif
}

int LinkUnnamed(int fd, const std::string& to) {
#if defined(__linux__)
  char proc[64];
  std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
  if (::linkat(AT_FDCWD, proc, AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
  const int error = errno;
  if (error != ENOENT) return error;
  // Without /proc; this needs a privilege most users lack.
  return ::linkat(fd, "", AT_FDCWD, to.c_str(), AT_EMPTY_PATH) == 0 ? 0 : errno;
#else
  (void)fd;
  (void)to;
  return EOPNOTSUPP;
#endif
}

int64_t Read(int fd, void* buffer, std::size_t size, int& error) {
  for (;;) {
    const ssize_t n = ::read(fd, buffer, size);
    if (n >= 0) {
      error = 0;
      return n;
    }
    if (errno != EINTR) {
      error = errno;
      return -1;
    }
  }
}

int WriteAllAndSync(int fd, const void* bytes, std::size_t size) {
  const auto* data = static_cast<const unsigned char*>(bytes);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += std::size_t(n);
  }
  return ::fsync(fd) == 0 ? 0 : errno;
}

int Close(int fd) { return ::close(fd) == 0 ? 0 : errno; }

int SetPermissions(int fd, uint32_t mode) {
  return ::fchmod(fd, mode_t(mode & 07777)) == 0 ? 0 : errno;
}

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

int Status(const std::string& path, FileStatus& status, bool followLinks) {
  struct stat st {};
  const int result = followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
  if (result != 0) {
    status = {};
    return errno;
  }
  Fill(st, status);
  return 0;
}

int Status(int fd, FileStatus& status) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    status = {};
    return errno;
  }
  Fill(st, status);
  return 0;
}

bool NameTaken(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

int CheckFolderWritable(const std::string& folder) {
  return ::access(folder.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

int RenameNoReplace(const std::string& from, const std::string& to) {
#if defined(__linux__) && defined(RENAME_NOREPLACE)
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  return errno;
#else
  (void)from;
  (void)to;
  return ENOSYS;
#endif
}

int HardLink(const std::string& from, const std::string& to) {
  return ::link(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int RenameReplace(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0 ? 0 : errno; }

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  ::closedir(dir);
  return names;
}

std::optional<std::string> RealPath(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (!resolved) return std::nullopt;
  std::string result = resolved;
  std::free(resolved);
  return result;
}

std::string ExecutablePath() {
#ifdef __EMSCRIPTEN__
  // WebAssembly under node: the program is its script (a browser has none). /proc/self/exe
  // would name node itself.
  char script[4096] = {};
  const int length = MAIN_THREAD_EM_ASM_INT(
      {
        var p = typeof process == "object" && process.argv && process.argv[1] || "";
        if (lengthBytesUTF8(p) >= $1) return 0;
        stringToUTF8(p, $0, $1);
        return lengthBytesUTF8(p);
      },
      script, int(sizeof script));
  return std::string(script, length);
#endif
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.string();
}

std::string SettingsFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return WithSlash(xdg) + "pixmira/";
  const char* home = std::getenv("HOME");
  std::string homeDir = home && home[0] == '/' ? home : "";
  if (homeDir.empty()) {
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) homeDir = pw->pw_dir;
  }
  if (homeDir.empty()) homeDir = "/tmp";
  return WithSlash(homeDir) + ".config/pixmira/";
}

std::optional<std::string> GetEnv(const char* name) {
  const char* value = std::getenv(name);
  if (!value) return std::nullopt;
  return std::string(value);
}

std::vector<std::string> Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

long ProcessId() { return long(::getpid()); }

bool ProcessMayBeAlive(long pid) {
  // Alive, or someone else's process we may not signal.
  return ::kill(pid_t(pid), 0) == 0 || errno != ESRCH;
}

std::string HostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

uint64_t UserKey() { return uint64_t(::getuid()); }

uint64_t PhysicalMemory() {
  const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGESIZE);
  if (pages > 0 && pageSize > 0) return uint64_t(pages) * uint64_t(pageSize);
  return 0;
}

std::optional<uint64_t> ProcessMemoryLimit() {
  std::optional<uint64_t> smallest;
  for (int resource : {RLIMIT_AS, RLIMIT_DATA}) {
    rlimit limit{};
    if (::getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
      const uint64_t value = limit.rlim_cur;
      smallest = smallest ? std::min(*smallest, value) : value;
    }
  }
  return smallest;
}

int AvailableProcessors() {
#if defined(__linux__)
  // The cores this process may run on, which a container or taskset may keep below the
  // machine's count.
  cpu_set_t cpus;
  if (::sched_getaffinity(0, sizeof(cpus), &cpus) == 0) return std::max(1, CPU_COUNT(&cpus));
#endif
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

void AdviseLargePages(void* begin, std::size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  ::madvise(begin, size, MADV_HUGEPAGE);
#else
  (void)begin;
  (void)size;
#endif
}

void KeepFreedMemory() {
#if defined(__GLIBC__)
  // By default glibc maps each large buffer afresh and hands it back when freed; one heap that
  // keeps its memory lets every photo reuse the pages.
  mallopt(M_ARENA_MAX, 1);
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
}

void PrepareConsole() {
  // Descriptors 0, 1 and 2 are open, on /dev/null where the caller closed them: otherwise the
  // first picture file opened would get number 1 and the closing message would go into it.
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
    const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) {
      ::dup2(opened, fd);
      ::close(opened);
    }
  }
  // A reader that went away (| head) must not end the run: what is written and the exit
  // status stay the same, the words are just not seen.
  ::signal(SIGPIPE, SIG_IGN);
}

bool StandardErrorIsTerminal() {
#ifdef __EMSCRIPTEN__
  // emscripten's isatty answers yes for any standard stream; node knows the real one. A
  // browser has no terminal.
  return MAIN_THREAD_EM_ASM_INT({
           return typeof process == "object" && process.stderr && process.stderr.isTTY ? 1 : 0;
         }) == 1;
#else
  return ::isatty(STDERR_FILENO) == 1;
#endif
}

namespace {
void (*gOnInterrupt)() = nullptr;
void HandleInterrupt(int) {
  if (gOnInterrupt) gOnInterrupt();
}
}  // namespace

void OnFirstInterrupt(void (*onInterrupt)()) {
  gOnInterrupt = onInterrupt;
  struct sigaction action {};
  action.sa_handler = HandleInterrupt;
  sigemptyset(&action.sa_mask);
  // A second Ctrl-C ends the program at once; a file is only ever complete or absent.
  action.sa_flags = SA_RESETHAND;
  sigaction(SIGINT, &action, nullptr);
}

}  // namespace pixmira::platform
