#pragma once
// Every file the program writes goes through here. The bytes go to an unnamed file in the
// target's folder (O_TMPFILE) or, where the file system has none, to a hidden temporary whose
// name says which process writes it; they are flushed to disk and only then get their name.
// So a reader sees the old file or the new one, and a killed writer leaves nothing or a
// temporary that the next run in that folder removes. Failures raise EFileError with one text,
// naming the path and the system's reason (Path() and Error() for callers that word their own).
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace pixmira {

// Longest file name (one path component) in bytes, as Linux file systems allow.
inline constexpr std::size_t kMaxFileNameBytes = 255;

// The file name after the last separator, without its extension (from the last "." on).
std::string FileNameWithoutExt(std::string_view path);

// path itself when no file (or link) of that name exists, else base + 2, 3, ... + extension,
// the base shortened on whole UTF-8 characters where the number would not fit otherwise.
std::string UniqueFileName(const std::string& path);

// path with its file name shortened, on whole UTF-8 characters and keeping the extension, so
// that the name and `room` more bytes fit kMaxFileNameBytes. Unchanged when it fits.
std::string FitFileName(const std::string& path, std::size_t room = 0);

// The hidden name under which this process writes name in its folder when it cannot write
// unnamed: "." + name + ".pixmira-" + host + "-" + pid + "-" + n + ".tmp", shortened to fit.
std::string TemporaryFileName(const std::string& name, unsigned n);

// path with the characters FAT, exFAT and SMB refuse in a file name (: ? * " < > | \ and
// control characters) replaced by "_".
std::string PortableFileName(const std::string& path);

// Writes bytes as wantedPath or, when that name is taken (also by another writer at the same
// moment, here or on another machine sharing the folder), the next name UniqueFileName gives;
// never replaces a file, also where the file system has neither unnamed files, hard links nor
// a no-replace rename. A name too long for the folder is shortened first (FitFileName); a name
// the file system refuses is written as PortableFileName. Returns the path written.
std::string WriteNewFile(const std::string& wantedPath, std::span<const uint8_t> bytes);

// Writes bytes over path (through a link, over what it points to), keeping the permissions of
// the file it replaces. Refuses a folder or anything else that is not a regular file.
void ReplaceFile(const std::string& path, std::span<const uint8_t> bytes);

// Removes the temporaries in folder that were left by a writer of this machine whose process
// is gone. Returns how many were removed. The writers above call it once per folder.
int RemoveStaleTemporaries(const std::string& folder);

// The one text of a failed write, raised as EFileError.
[[noreturn]] void RaiseWriteError(const std::string& path, int error);

}  // namespace pixmira
