#pragma once
// The engine the web page drives: the command's export, one picture at a time, on bytes
// instead of files. Pictures are written into a scratch folder (the in-memory file system in
// the browser) and go through the very same export driver as pixmira-batch, so the bytes are
// the command's. Everything it answers is data (codes, numbers, bytes); the page words it.
// One engine per Web Worker; one call at a time.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/MemIniFile.h"
#include "output/Export.h"

namespace pixmira::web {

// Why a picture gave no output. Stable lower-case names cross to the page (CodeName).
enum class TOutcomeCode {
  Written,          // bytes hold the result
  UnknownType,      // skipped: an extension no decoder takes
  Unreadable,       // skipped: the bytes could not be read
  TooLarge,         // skipped: larger than any picture accepted
  Damaged,          // skipped: no decoder accepts the bytes
  OverMemoryLimit,  // skipped: needs more memory than the engine's whole budget
  FailedFile,       // failed: a file could not be read or written
  FailedFrame,      // failed: the chosen frame cannot be used
  FailedSetting,    // failed: a stored setting does not convert (badKey, badValue)
  FailedPicture,    // failed: the picture could not be encoded
  FailedMemory,     // failed: out of memory
  FailedOther,
  NoFrames,  // a GIF was finished with no frame at all
};
const char* CodeName(TOutcomeCode code);
// The outcome of a picture or animation the library failed for that reason.
TOutcomeCode FailCode(TFailReason reason);

struct TOutput {
  TOutcomeCode code = TOutcomeCode::Written;
  std::vector<uint8_t> bytes;  // JPEG or GIF file
  std::string name;            // the file name pixmira-batch would give it
  std::string badKey;          // FailedSetting: the key and its stored value
  std::string badValue;
  uint64_t needed = 0;  // OverMemoryLimit: bytes the picture would take
  struct TFile {
    std::vector<uint8_t> bytes;
    std::string name;
  };
  std::vector<TFile> more;  // Written: a sliced picture's further files, in order
};

struct TGifOutput {
  TOutput file;
  int frames = 0;
  struct TSkip {
    int index = 0;  // in the order frames were added
    TOutcomeCode code = TOutcomeCode::Damaged;
  };
  std::vector<TSkip> skips;
};

// 24-bit pixels turned into RGBA (alpha 255) for a canvas.
struct TRgbaPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;
};

class TEngine {
 public:
  // scratch: an empty folder the engine may fill and empty; framesFolder: the frame
  // catalogue (Frames.ini and pictures), ending in "/".
  TEngine(std::string scratch, std::string framesFolder);
  ~TEngine();
  TEngine(const TEngine&) = delete;
  TEngine& operator=(const TEngine&) = delete;

  static std::string Version();
  // The settings schema as JSON, for the page's panel.
  static std::string SchemaJson();

  // Config.ini's bytes, GBK (as Windows writes it) or UTF-8 (with or without BOM): replaces
  // every setting. Empty bytes: every default.
  void ReadSettings(const std::vector<uint8_t>& ini);
  // The settings as Config.ini text (UTF-8), for the page to keep.
  std::string SettingsText() const;
  void SetSetting(const std::string& key, const std::string& value);
  // The frame catalogue's names, in its order.
  std::vector<std::string> FrameNames() const;

  // A file the settings may name (the watermark picture); answers the path to store in them.
  std::string AddFile(const std::string& name, const std::vector<uint8_t>& bytes);
  // A font file the text watermark may use, selected by the family names it states. The first
  // font added also serves families no font has and characters the chosen one lacks. False
  // when the bytes are no font.
  bool AddFont(const std::vector<uint8_t>& bytes);
  // The family the current settings draw a text watermark in; nothing when they draw none,
  // so the page fetches a font only when one is needed.
  std::optional<std::string> FontWanted() const;

  // One picture through the export as pixmira-batch --out does it: the file's bytes and name
  // (a sliced picture's further files in `more`). number: its place in the list, for {n}.
  TOutput ProcessPicture(const std::vector<uint8_t>& bytes, const std::string& name, int angle,
                         int number = 1);

  // An animated GIF, frames added in order, made when finished (as pixmira-batch --gif).
  void GifBegin();
  int GifAdd(const std::vector<uint8_t>& bytes, const std::string& name, int angle);
  TGifOutput GifFinish();

  // The list's thumbnail cell of a picture (nothing when it cannot be shown).
  std::optional<TRgbaPicture> Thumbnail(const std::vector<uint8_t>& bytes, const std::string& name,
                                        int angle, int cellWidth, int cellHeight);
  // The settings dialog's preview of a picture with the current settings (304 × 304 box);
  // prompt is drawn while the watermark text is empty.
  std::optional<TRgbaPicture> Preview(const std::vector<uint8_t>& bytes, const std::string& name,
                                      int angle, const std::string& prompt);

  // Bytes the engine's pictures may take at once (from the heap limit in the browser).
  uint64_t MemoryBudget() const;

 private:
  std::string Stage(const std::vector<uint8_t>& bytes, const std::string& name);
  struct TState;
  std::unique_ptr<TState> state_;
};

}  // namespace pixmira::web
