#pragma once
// The batch export: every list entry through the pipeline, written as JPEG files into a
// folder or as one looping animated GIF. Workers process entries in parallel; naming and
// writing stay in list order, so the files are the same for any number of workers.
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "codecs/LoadPicture.h"
#include "core/MemIniFile.h"
#include "output/OutputFile.h"
#include "pipeline/Options.h"

namespace pixmira {

struct TExportEntry {
  std::string path;
  int angle = 0;  // 0, 90, 180, 270 or 360
  bool operator==(const TExportEntry&) const = default;
};

enum class TExportMode { Jpeg, Gif };

struct TExportJob {
  std::vector<TExportEntry> entries;
  TExportMode mode = TExportMode::Jpeg;
  std::string target;    // output folder (JPEG) or GIF file
  int jpegQuality = 90;  // also lossy WebP's
  bool jpegProgressive = false;
  int workers = 0;  // 0: the number of cores
  // Memory the workers share for the pictures in hand (bytes); 0: DefaultMemoryBudget().
  uint64_t memoryLimit = 0;
  std::string runDate;  // {date} of the name pattern; empty: today
  // {n} of the first entry: a caller handing pictures over one at a time gives each its place.
  int firstNumber = 1;
};

// 100 / 75 / 50 by the quality index when the size box is ticked and the custom size is
// chosen, else 90.
int ExportJpegQuality(bool reduceSizeTicked, int reduceSizeType, int qualityIndex);

// The same rule on the main window's keys as it writes them (ReduceSize, ReduceSizeType,
// ReduceSizeQuality with the main window's defaults).
int ExportJpegQuality(const TMemIniFile& settings);

// Progressive JPEG only where its box is seen: the size box ticked, the custom size chosen
// and JpegProgressive set (the main window's keys and defaults).
bool ExportJpegProgressive(bool reduceSizeTicked, int reduceSizeType, bool progressive);
bool ExportJpegProgressive(const TMemIniFile& settings);

// GifSeconds text -> hundredths (x100 on the decimal text, ties to even, 0..65535); text that
// is not a number gives the export's default.
int GifDelayFromSeconds(const std::string& text);

enum class TExportStatus { Completed, Cancelled, Failed };

// What stopped an export, for the window and the command to put into words.
enum class TFailReason {
  File,      // a file could not be read or written
  Frame,     // the chosen frame cannot be used
  Setting,   // a stored setting does not convert
  Picture,   // a picture could not be encoded or the animation not made
  Memory,    // out of memory
  NoFrames,  // GIF mode: no entry could be loaded, so the animation has no frame
  Other,
};

// The reason code of an error raised by the library.
TFailReason FailReasonOf(const std::exception_ptr& error);

// An entry that was not exported, and why.
struct TSkippedEntry {
  int index = 0;
  std::string path;
  TLoadReport why;
};

// A file that the size cap made smaller than its picture, or could not bring under the cap.
struct TCapNote {
  int index = 0;
  std::string path;  // the file written
  int width = 0;     // its size after the shrinking
  int height = 0;
  int quality = 0;
  int shrinkSteps = 0;
  bool overCap = false;
  int capKB = 0;  // the cap the file was written for
};

struct TExportResult {
  TExportStatus status = TExportStatus::Completed;
  int total = 0;    // entries in the job
  int handled = 0;  // entries handled before the end, the cancel or the failing entry
  int written = 0;  // files (a sliced picture's slices each) or GIF frames written
  int skipped = 0;  // entries that could not be loaded
  std::vector<std::string> files;  // paths written
  std::vector<TSkippedEntry> skips;
  std::vector<TCapNote> capNotes;           // in list order
  std::exception_ptr failure;               // Failed: what was raised
  std::string failedPath;                   // Failed: the picture or file concerned
  TFailReason reason = TFailReason::Other;  // Failed: the kind of error
  std::string detail;                       // Failed: the library's own technical text (English)
  std::optional<TBadSetting> badSetting;    // Failed before the first picture: this value
  bool watermarkMissing = false;            // the watermark picture could not be loaded: none added
  uint64_t memoryLimit = 0;                 // the budget the workers shared
};

// Called on the driver's calling thread, in list order.
struct TExportCallbacks {
  std::function<void(int index, int total)> onProgress;
  std::function<void(const std::string& path)> onFileWritten;
  // An entry that could not be loaded; it still counts as handled.
  std::function<void(int index, const std::string& path)> onSkipped;
  // Before the first picture, when the watermark picture cannot be loaded.
  std::function<void(const std::string& path)> onWatermarkMissing;
};

// One picture as the export would write it with these settings (size, format, cap, quality
// by the window's rule), for the window's estimate of the file size. Nothing when the picture
// cannot be loaded; frame and font errors are raised.
std::optional<TEncodedPicture> EncodeAsExported(const TExportEntry& entry,
                                                const TMemIniFile& settings,
                                                const TMemIniFile& catalog,
                                                const std::string& framesFolder);

// Raises EFileError when a GIF could not be written at path: a folder that is missing or not
// writable, or a folder or other non-file in the file's place. Nothing is written.
void CheckGifTarget(const std::string& path);

class TExportDriver {
 public:
  // Run reads the settings once when it starts; the catalogue is read from the worker threads
  // and must not change during Run.
  TExportDriver(const TMemIniFile& settings, const TMemIniFile& catalog, std::string framesFolder);

  // Blocks until done, cancelled or failed. A Cancel that came before Run is honoured: nothing
  // is exported. Run clears the cancel when it ends.
  TExportResult Run(const TExportJob& job, const TExportCallbacks& callbacks = {});

  // Any thread, also a signal handler; honoured between entries.
  void Cancel() { cancel_ = true; }

 private:
  const TMemIniFile& settings_;
  const TMemIniFile& catalog_;
  std::string framesFolder_;
  std::atomic<bool> cancel_{false};
};

}  // namespace pixmira
