// Fonts are mapped into memory through the wide file API, so any Unicode name opens, and
// glyphs are read from the mapping as FreeType does with its own memory-mapped files.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <memory>

#include "core/WideWin.h"
#include "text/FontFile.h"

namespace pixmira {
namespace {

using platform::Wide;

struct Handle {
  HANDLE h;
  explicit Handle(HANDLE handle) : h(handle) {}
  ~Handle() {
    if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
};

// A memory-based stream (no read function) over a view of the file; FreeType calls close
// exactly once, when the face is done or could not be opened.
struct MappedStream {
  FT_StreamRec stream{};
  void* view = nullptr;
};

void CloseMapped(FT_Stream stream) {
  std::unique_ptr<MappedStream> owned(static_cast<MappedStream*>(stream->descriptor.pointer));
  if (owned->view) UnmapViewOfFile(owned->view);
}

}  // namespace

FT_Error OpenFontFace(FT_Library library, const std::string& path, FT_Long index, FT_Face* face) {
  *face = nullptr;
  const Handle file(CreateFileW(Wide(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.h == INVALID_HANDLE_VALUE) return FT_Err_Cannot_Open_Resource;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.h, &size) || size.QuadPart <= 0 || size.QuadPart > 0x7FFFFFFF)
    return FT_Err_Cannot_Open_Stream;
  const Handle mapping(CreateFileMappingW(file.h, nullptr, PAGE_READONLY, 0, 0, nullptr));
  if (!mapping.h) return FT_Err_Cannot_Open_Stream;
  auto owned = std::make_unique<MappedStream>();
  owned->view = MapViewOfFile(mapping.h, FILE_MAP_READ, 0, 0, 0);
  if (!owned->view) return FT_Err_Cannot_Open_Stream;
  // The view stays valid once the file and mapping handles are closed.
  FT_Stream stream = &owned->stream;
  stream->base = static_cast<unsigned char*>(owned->view);
  stream->size = static_cast<unsigned long>(size.QuadPart);
  stream->read = nullptr;
  stream->close = CloseMapped;
  stream->descriptor.pointer = owned.release();
  FT_Open_Args args{};
  args.flags = FT_OPEN_STREAM;
  args.stream = stream;
  return FT_Open_Face(library, &args, index, face);
}

}  // namespace pixmira
