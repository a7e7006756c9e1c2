#include "core/FileWrite.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

#include "core/Errors.h"
#include "core/Platform.h"

namespace pixmira {

namespace {

using platform::FolderOf;
using platform::NameOf;

// At most `bytes` bytes of text, never cutting a UTF-8 character in two.
std::string_view CutUtf8(std::string_view text, std::size_t bytes) {
  if (text.size() <= bytes) return text;
  while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80) --bytes;
  return text.substr(0, bytes);
}

const std::string& HostName() {
  static const std::string host = [] {
    std::string text = platform::HostName();
    if (text.empty()) return std::string("host");
    // The name is parsed back from the right; a separator can never be in a file name.
    for (char& c : text) {
      if (platform::IsSeparator(c) || c == '/') c = '_';
    }
    return std::string(CutUtf8(text, 64));
  }();
  return host;
}

constexpr std::string_view kTempMark = ".pixmira-";
constexpr std::string_view kTempEnd = ".tmp";

struct TFd {
  int fd = -1;
  explicit TFd(int f) : fd(f) {}
  ~TFd() {
    if (fd >= 0) platform::Close(fd);
  }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  // Closing reports what a delayed write (NFS) could not store.
  int Close() {
    const int result = platform::Close(fd);
    fd = -1;
    return result;
  }
};

int WriteAll(int fd, std::span<const uint8_t> bytes) {
  return platform::WriteAllAndSync(fd, bytes.data(), bytes.size());
}

using platform::SyncFolder;

// An unnamed file in folder, or -1 when the file system cannot make one.
int OpenUnnamed(const std::string& folder, int& error) {
  const int fd = platform::OpenUnnamed(folder, error);
  if (fd >= 0) return fd;
  // These mean the folder itself is wrong, not that unnamed files are missing.
  if (error == ENOENT || error == ENOTDIR || error == EACCES || error == EROFS || error == ENOSPC ||
#ifdef EDQUOT
      error == EDQUOT ||
#endif
      error == EPERM) {
    return -2;
  }
  error = 0;
  return -1;
}

// Gives the unnamed file fd the name to; never replaces. 0 or the errno.
using platform::LinkUnnamed;

std::atomic<unsigned> gTempCounter{0};

// A hidden temporary of our naming scheme in folder, opened for writing.
int OpenNamed(const std::string& folder, const std::string& name, std::string& path, int& error) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    path = platform::Join(folder, TemporaryFileName(name, gTempCounter++));
    const int fd = platform::Open(
        path, platform::kOpenWrite | platform::kOpenCreate | platform::kOpenExclusive, error);
    if (fd >= 0) return fd;
    if (error != EEXIST) break;
  }
  path.clear();
  return -1;
}

// Neither a no-replace rename nor a hard link (exFAT and FAT through FUSE, SMB shares). Looking
// whether the name is free and then renaming lets two writers both see it free, and the second
// rename replaces the first file. Instead the name is claimed with O_CREAT|O_EXCL, which the
// file system (or the server) decides atomically, so exactly one writer gets it; the claim is an
// empty file of ours that nobody else writes to, and the plain rename replaces only that.
// A kill between the claim and the rename leaves an empty file under the final name.
int MoveOverClaim(const std::string& from, const std::string& to) {
  int error = 0;
  const int claim = platform::Open(
      to, platform::kOpenWrite | platform::kOpenCreate | platform::kOpenExclusive, error);
  if (claim < 0) return error;
  platform::Close(claim);
  error = platform::RenameReplace(from, to);
  if (error != 0) platform::RemoveFile(to);
  return error;
}

// 0 on success, else the errno of the failure; EEXIST when the name is taken.
int MoveWithoutReplacing(const std::string& from, const std::string& to) {
  const int error = platform::RenameNoReplace(from, to);
  if (error == 0) return 0;
  if (error != EINVAL && error != ENOSYS && error != ENOTSUP) return error;
  // A file system without the no-replace rename (NFS): a hard link fails on a taken name too.
  const int linkError = platform::HardLink(from, to);
  if (linkError == 0) {
    platform::RemoveFile(from);
    return 0;
  }
  if (linkError != EPERM && linkError != ENOTSUP && linkError != EOPNOTSUPP &&
      linkError != EMLINK && linkError != ENOSYS) {
    return linkError;
  }
  return MoveOverClaim(from, to);
}

void CleanFolderOnce(const std::string& folder) {
  static std::mutex mutex;
  static std::set<std::string> cleaned;
  {
    std::lock_guard lock(mutex);
    if (!cleaned.insert(folder).second) return;
  }
  RemoveStaleTemporaries(folder);
}

bool ParsePid(std::string_view text, long& pid) {
  if (text.empty() || text.size() > 9) return false;
  pid = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    pid = pid * 10 + (c - '0');
  }
  return pid > 0;
}

// Earlier versions wrote JPEG files through ".~" + name + "." + pid + "-" + n + ".tmp".
bool EarlierTemporaryOwner(std::string_view name, long& pid) {
  if (!name.starts_with(".~")) return false;
  name.remove_suffix(kTempEnd.size());
  const auto dash = name.rfind('-');
  const auto dot = name.rfind('.', dash);
  if (dash == std::string_view::npos || dot == std::string_view::npos || dot < 2) return false;
  const std::string_view counter = name.substr(dash + 1);
  if (counter.empty() || counter.find_first_not_of("0123456789") != std::string_view::npos) {
    return false;
  }
  return ParsePid(name.substr(dot + 1, dash - dot - 1), pid);
}

// The writing process's id when name is one of our temporaries written on this machine.
bool TemporaryOwner(std::string_view name, long& pid) {
  if (name.size() < 2 || name[0] != '.' || !name.ends_with(kTempEnd)) return false;
  if (EarlierTemporaryOwner(name, pid)) return true;
  name.remove_suffix(kTempEnd.size());
  // ... + kTempMark + host + "-" + pid + "-" + n
  const auto lastDash = name.rfind('-');
  if (lastDash == std::string_view::npos) return false;
  const auto pidDash = name.rfind('-', lastDash - 1);
  if (pidDash == std::string_view::npos || lastDash == 0) return false;
  const std::string_view counter = name.substr(lastDash + 1);
  const std::string_view pidText = name.substr(pidDash + 1, lastDash - pidDash - 1);
  const std::string_view head = name.substr(0, pidDash);
  const std::string marked = std::string(kTempMark) + HostName();
  if (!head.ends_with(marked) || head.size() == marked.size() + 1) return false;
  if (counter.empty() || pidText.empty() || pidText.size() > 9) return false;
  for (char c : counter) {
    if (c < '0' || c > '9') return false;
  }
  pid = 0;
  for (char c : pidText) {
    if (c < '0' || c > '9') return false;
    pid = pid * 10 + (c - '0');
  }
  return pid > 0;
}

}  // namespace

std::string FileNameWithoutExt(std::string_view path) {
  const std::size_t slash = platform::NameStart(path);
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos) name = name.substr(0, dot);
  return std::string(name);
}

std::string UniqueFileName(const std::string& path) {
  auto exists = [](const std::string& p) { return platform::NameTaken(p); };
  if (!exists(path)) return path;
  const std::size_t slash = platform::NameStart(path);
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::string folder = path.substr(0, nameStart);
  std::string base = path.substr(nameStart);
  std::string ext;
  const std::size_t dot = base.rfind('.');
  if (dot != std::string::npos) {
    ext = base.substr(dot);
    base.resize(dot);
  }
  if (ext.size() > 16) {  // no extension to keep whole
    base += ext;
    ext.clear();
  }
  for (uint64_t n = 2;; ++n) {
    const std::string number = std::to_string(n);
    // A name that is already as long as names can be gives way to the number.
    const std::size_t room =
        kMaxFileNameBytes - std::min(kMaxFileNameBytes, number.size() + ext.size());
    std::string candidate = folder + std::string(CutUtf8(base, room)) + number + ext;
    if (!exists(candidate)) return candidate;
  }
}

std::string FitFileName(const std::string& path, std::size_t room) {
  const std::size_t slash = platform::NameStart(path);
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::string_view name = std::string_view(path).substr(nameStart);
  if (name.size() + room <= kMaxFileNameBytes) return path;
  std::string_view base = name, ext;
  // A long "extension" is part of the name, not something to keep whole.
  if (const auto dot = name.rfind('.');
      dot != std::string_view::npos && dot > 0 && name.size() - dot <= 16) {
    base = name.substr(0, dot);
    ext = name.substr(dot);
  }
  const std::size_t keep = kMaxFileNameBytes - std::min(kMaxFileNameBytes, room + ext.size());
  return path.substr(0, nameStart) + std::string(CutUtf8(base, keep)) + std::string(ext);
}

std::string TemporaryFileName(const std::string& name, unsigned n) {
  const std::string suffix = std::string(kTempMark) + HostName() + "-" +
                             std::to_string(platform::ProcessId()) + "-" + std::to_string(n) +
                             std::string(kTempEnd);
  const std::size_t room = kMaxFileNameBytes - 1 - suffix.size();
  return "." + std::string(CutUtf8(name, room)) + suffix;
}

void RaiseWriteError(const std::string& path, int error) {
  throw EFileError("Cannot write \"" + path + "\": " + std::strerror(error), path, error);
}

std::string PortableFileName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  std::string out = path;
  for (std::size_t i = nameStart; i < out.size(); ++i) {
    if (std::string_view(":?*\"<>|\\").find(out[i]) != std::string_view::npos ||
        static_cast<unsigned char>(out[i]) < 0x20) {
      out[i] = '_';
    }
  }
  return out;
}

namespace {

std::string WriteNewFileAs(const std::string& wantedPath, std::span<const uint8_t> bytes);

bool FolderExists(const std::string& folder) {
  platform::FileStatus status;
  return platform::Status(folder, status) == 0 && status.kind == platform::FileKind::Directory;
}

}  // namespace

std::string WriteNewFile(const std::string& wantedPath, std::span<const uint8_t> bytes) {
  try {
    return WriteNewFileAs(wantedPath, bytes);
  } catch (const EFileError& e) {
    // FAT, exFAT and SMB refuse some characters that Linux allows (exFAT through FUSE says
    // ENOENT, though the folder is there); the file is written with them replaced rather than
    // not at all. Elsewhere the name stays as it was given.
    const std::string portable = PortableFileName(wantedPath);
    const bool refused = e.Error() == EINVAL || e.Error() == EILSEQ ||
                         (e.Error() == ENOENT && FolderExists(FolderOf(wantedPath)));
    if (!refused || portable == wantedPath) throw;
    return WriteNewFileAs(portable, bytes);
  }
}

namespace {

std::string WriteNewFileAs(const std::string& wantedPath, std::span<const uint8_t> bytes) {
  const std::string folder = FolderOf(wantedPath);
  const std::string wanted = FitFileName(wantedPath);
  CleanFolderOnce(folder);

  int error = 0;
  TFd unnamed(OpenUnnamed(folder, error));
  if (unnamed.fd == -2) RaiseWriteError(wantedPath, error);
  if (unnamed.fd >= 0) {
    if (const int e = WriteAll(unnamed.fd, bytes)) RaiseWriteError(wantedPath, e);
    for (int attempt = 0; attempt < 10000; ++attempt) {
      const std::string target = UniqueFileName(wanted);
      const int e = LinkUnnamed(unnamed.fd, target);
      if (e == 0) {
        SyncFolder(folder);
        return target;
      }
      if (e != EEXIST) {
        // Some file systems make unnamed files but cannot link them: write a named one.
        if (e == EXDEV || e == EPERM || e == ENOTSUP || e == EOPNOTSUPP || e == ENOENT) break;
        RaiseWriteError(target, e);
      }
    }
  }

  std::string temp;
  TFd named(OpenNamed(folder, NameOf(wanted), temp, error));
  if (named.fd < 0) RaiseWriteError(wantedPath, error);
  auto fail = [&](const std::string& shown, int e) {
    platform::RemoveFile(temp);
    RaiseWriteError(shown, e);
  };
  if (const int e = WriteAll(named.fd, bytes)) fail(wantedPath, e);
  if (const int e = named.Close()) fail(wantedPath, e);
  for (int attempt = 0; attempt < 10000; ++attempt) {
    const std::string target = UniqueFileName(wanted);
    const int e = MoveWithoutReplacing(temp, target);
    if (e == 0) {
      SyncFolder(folder);
      return target;
    }
    if (e != EEXIST) fail(target, e);
  }
  platform::RemoveFile(temp);
  RaiseWriteError(wantedPath, EEXIST);
}

}  // namespace

void ReplaceFile(const std::string& path, std::span<const uint8_t> bytes) {
  std::string target = path;
  platform::FileStatus st;
  if (platform::Status(path, st, false) == 0 && st.kind == platform::FileKind::Link) {
    // Replace what the link points to, not the link.
    if (auto resolved = platform::RealPath(path)) target = *resolved;
  }
  if (target.empty() || platform::EndsWithSeparator(target)) RaiseWriteError(path, EISDIR);
  platform::FileStatus existing;
  const bool exists = platform::Status(target, existing) == 0;
  if (exists && existing.kind == platform::FileKind::Directory) RaiseWriteError(path, EISDIR);
  if (exists && existing.kind != platform::FileKind::Regular) RaiseWriteError(path, EINVAL);
  const std::string folder = FolderOf(target);
  CleanFolderOnce(folder);

  int error = 0;
  std::string temp;
  TFd unnamed(OpenUnnamed(folder, error));
  if (unnamed.fd == -2) RaiseWriteError(path, error);
  int fd = unnamed.fd;
  TFd named(-1);
  if (fd < 0) {
    named.fd = OpenNamed(folder, NameOf(target), temp, error);
    if (named.fd < 0) RaiseWriteError(path, error);
    fd = named.fd;
  }
  auto fail = [&](int e) {
    if (!temp.empty()) platform::RemoveFile(temp);
    RaiseWriteError(path, e);
  };
  // A replaced file keeps its permissions; a new one gets the usual ones.
  if (exists) {
    if (const int e = platform::SetPermissions(fd, existing.permissions)) fail(e);
  }
  if (const int e = WriteAll(fd, bytes)) fail(e);
  if (unnamed.fd >= 0) {
    // The unnamed file needs a name before it can be renamed over the target; a kill in
    // between leaves that name for the next run to remove.
    for (int attempt = 0; attempt < 100 && temp.empty(); ++attempt) {
      const std::string candidate =
          platform::Join(folder, TemporaryFileName(NameOf(target), gTempCounter++));
      const int e = LinkUnnamed(unnamed.fd, candidate);
      if (e == 0) {
        temp = candidate;
      } else if (e != EEXIST) {
        RaiseWriteError(path, e);
      }
    }
    if (temp.empty()) RaiseWriteError(path, EEXIST);
    if (const int e = unnamed.Close()) fail(e);
  } else if (const int e = named.Close()) {
    fail(e);
  }
  if (const int e = platform::RenameReplace(temp, target)) fail(e);
  SyncFolder(folder);
}

int RemoveStaleTemporaries(const std::string& folder) {
  int removed = 0;
  for (const std::string& name : platform::FolderEntries(folder)) {
    long pid = 0;
    if (!TemporaryOwner(name, pid)) continue;
    // Alive (or someone else's process we may not signal): leave it.
    if (platform::ProcessMayBeAlive(pid)) continue;
    const std::string path = platform::Join(folder, name);
    platform::FileStatus st;
    if (platform::Status(path, st, false) != 0 || st.kind != platform::FileKind::Regular) continue;
    if (platform::RemoveFile(path) == 0) ++removed;
  }
  return removed;
}

}  // namespace pixmira
