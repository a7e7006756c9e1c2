#include "output/Export.h"

#ifdef __linux__
#endif

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

#include "codecs/ColorReduction.h"
#include "codecs/Gif.h"
#include "codecs/Jpeg.h"
#include "codecs/LoadPicture.h"
#include "codecs/Metadata.h"
#include "codecs/Picture.h"
#include "core/Errors.h"
#include "core/FileWrite.h"
#include "core/MemoryBudget.h"
#include "core/Parallel.h"
#include "core/Platform.h"
#include "core/Settings.h"
#include "pipeline/Pipeline.h"

namespace pixmira {

int ExportJpegQuality(bool reduceSizeTicked, int reduceSizeType, int qualityIndex) {
  if (reduceSizeTicked && reduceSizeType == 3) {
    switch (qualityIndex) {
      case 0:
        return 100;
      case 1:
        return 75;
      case 2:
        return 50;
      default:
        break;
    }
  }
  return kDefaultJpegQuality;
}

int ExportJpegQuality(const TMemIniFile& settings) {
  return ExportJpegQuality(ReadSettingBool(settings, keys::ReduceSize, ReadSite::Main),
                           ReadSettingInteger(settings, keys::ReduceSizeType, ReadSite::Main),
                           ReadSettingInteger(settings, keys::ReduceSizeQuality, ReadSite::Main));
}

bool ExportJpegProgressive(bool reduceSizeTicked, int reduceSizeType, bool progressive) {
  return reduceSizeTicked && reduceSizeType == 3 && progressive;
}

bool ExportJpegProgressive(const TMemIniFile& settings) {
  return ExportJpegProgressive(ReadSettingBool(settings, keys::ReduceSize, ReadSite::Main),
                               ReadSettingInteger(settings, keys::ReduceSizeType, ReadSite::Main),
                               ReadSettingBool(settings, keys::JpegProgressive, ReadSite::Main));
}

namespace {

constexpr int kMaxDelay = 65535;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Hundredths of "[+-]digits[.digits]" taken on the text itself, so no binary fraction can
// tip a tie; nothing when the text is not such a number.
std::optional<int> ExactHundredths(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const auto point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
  if (whole.empty() && fraction.empty()) return std::nullopt;
  if (!std::all_of(whole.begin(), whole.end(), IsDigit) ||
      !std::all_of(fraction.begin(), fraction.end(), IsDigit)) {
    return std::nullopt;
  }

  // The whole part saturates: anything from 656 seconds on is clamped anyway.
  int64_t hundredths = 0;
  for (char c : whole) hundredths = std::min<int64_t>(hundredths * 10 + (c - '0'), 1000000);
  hundredths *= 100;
  for (std::size_t i = 0; i < 2; ++i) {
    if (i < fraction.size()) hundredths += (fraction[i] - '0') * (i == 0 ? 10 : 1);
  }
  // The digits after the hundredths decide the rounding: above, below or exactly a half.
  if (fraction.size() > 2) {
    const std::string_view rest = fraction.substr(2);
    const bool restNonZero = rest.find_first_not_of('0', 1) != std::string_view::npos;
    const int first = rest[0] - '0';
    if (first > 5 || (first == 5 && restNonZero) || (first == 5 && hundredths % 2 == 1)) {
      ++hundredths;
    }
  }
  if (negative) hundredths = -hundredths;
  return static_cast<int>(std::clamp<int64_t>(hundredths, 0, kMaxDelay));
}

}  // namespace

int GifDelayFromSeconds(const std::string& text) {
  if (auto delay = ExactHundredths(text)) return *delay;
  return *ExactHundredths(SettingDefault(keys::GifSeconds, ReadSite::Export));
}

TFailReason FailReasonOf(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const EFileError&) {
    return TFailReason::File;
  } catch (const EFrameError&) {
    return TFailReason::Frame;
  } catch (const EConvertError&) {
    return TFailReason::Setting;
  } catch (const std::bad_alloc&) {
    return TFailReason::Memory;
  } catch (const GIFException& e) {
    return e.Problem() == GIFException::TProblem::NoFrames ? TFailReason::NoFrames
                                                           : TFailReason::Picture;
  } catch (const Exception&) {
    return TFailReason::Picture;
  } catch (...) {
    return TFailReason::Other;
  }
}

namespace {

std::string ExceptionText(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown error";
  }
}

// A photo that was loaded a moment ago but cannot be read again now only loses its metadata.
TPictureMetadata MetadataOf(const std::string& path) {
  try {
    return ReadPictureMetadata(ReadWholeFile(path));
  } catch (const EFileError&) {
    return {};
  }
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  return platform::Join(folder, name);
}

// "-01", "-02", … for the slices of a picture (as many digits as the last number needs, at
// least two); nothing for a picture written whole.
std::string SliceSuffix(int number, int count) {
  if (count <= 1) return {};
  std::string digits = std::to_string(number);
  const std::size_t width = std::max<std::size_t>(2, std::to_string(count).size());
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return "-" + digits;
}

// What a worker hands back for one entry.
struct TOutcome {
  bool skipped = false;
  TLoadReport why;                     // skipped: what the loading said
  std::vector<TEncodedPicture> files;  // file mode: the picture, or its slices in order
  std::unique_ptr<TBitmap> picture;    // GIF mode: reduced once the screen size is known
  // GIF mode: the picture's bytes, kept from the budget until the animation is written.
  std::optional<TMemoryBudget::TReservation> held;
  std::exception_ptr error;
};

// Entries go through the pipeline on worker threads; the caller takes the outcomes in list
// order. Workers never run further ahead than `window` entries past what the caller has
// taken, which bounds the finished pictures held in memory.
class TWorkerPool {
 public:
  using TWork = std::function<TOutcome(int index)>;

  TWorkerPool(int count, int entries, TWork work)
      : entries_(entries), window_(count + 2), work_(std::move(work)) {
    threads_.reserve(count);
    for (int i = 0; i < count; ++i) {
      try {
        threads_.emplace_back([this] { Loop(); });
      } catch (const std::system_error&) {
        break;  // no more threads to be had (or none at all): see Take
      }
    }
  }

  ~TWorkerPool() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    for (auto& t : threads_) t.join();
  }

  TOutcome Take(int index) {
    // Without a single worker the caller does the work, in list order.
    if (threads_.empty()) {
      taken_ = index + 1;
      return Run(index);
    }
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return done_.count(index) != 0; });
    TOutcome outcome = std::move(done_[index]);
    done_.erase(index);
    taken_ = index + 1;
    lock.unlock();
    changed_.notify_all();
    return outcome;
  }

 private:
  void Loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [&] { return stop_ || (next_ < entries_ && next_ < taken_ + window_); });
      if (stop_) return;
      const int index = next_++;
      lock.unlock();
      TOutcome outcome = Run(index);
      lock.lock();
      done_[index] = std::move(outcome);
      changed_.notify_all();
    }
  }

  TOutcome Run(int index) {
    try {
      return work_(index);
    } catch (...) {
      TOutcome outcome;
      outcome.error = std::current_exception();
      return outcome;
    }
  }

  const int entries_;
  const int window_;
  TWork work_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<int, TOutcome> done_;
  int next_ = 0;
  int taken_ = 0;
  bool stop_ = false;
  std::vector<std::thread> threads_;
};

int WorkerCount(int requested) {
  if (requested > 0) return requested;
  return platform::AvailableProcessors();
}

// Every picture as a full frame of the width × height screen, reduced on `workers` threads
// (the caller's among them). Each picture is released as soon as its frame is made; frames do
// not depend on each other, so they are the same for any number of workers.
std::vector<TPaletteBitmap> ReduceOnScreen(std::vector<std::unique_ptr<TBitmap>>& pictures,
                                           int width, int height, int workers) {
  std::vector<TPaletteBitmap> frames(pictures.size());
  ParallelFor(pictures.size(), workers, [&](std::size_t i, int) {
    frames[i] = ReduceCentredOnScreen(*pictures[i], width, height);
    pictures[i].reset();
  });
  return frames;
}

}  // namespace

std::optional<TEncodedPicture> EncodeAsExported(const TExportEntry& entry,
                                                const TMemIniFile& settings,
                                                const TMemIniFile& catalog,
                                                const std::string& framesFolder) {
  const TPictureOptions options = ReadPictureOptions(settings);
  const TPictureRequest request{entry.path, entry.angle, options, catalog, framesFolder, false};
  const auto bitmap = ProcessPicture(request);
  if (!bitmap) return std::nullopt;
  const TOutputOptions output = ReadOutputOptions(settings);
  TPictureMetadata metadata;
  if (output.keepMetadata) metadata = MetadataOf(entry.path);
  const TEncodeRequest encode{output, ExportJpegQuality(settings), ExportJpegProgressive(settings),
                              options.size.smooth, &metadata};
  return EncodeOutput(*bitmap, encode);
}

void CheckGifTarget(const std::string& path) {
  if (path.empty() || platform::EndsWithSeparator(path)) RaiseWriteError(path, EISDIR);
  platform::FileStatus st;
  if (platform::Status(path, st) == 0) {
    if (st.kind == platform::FileKind::Directory) RaiseWriteError(path, EISDIR);
    if (st.kind != platform::FileKind::Regular) RaiseWriteError(path, EINVAL);
  }
  const std::string folder = platform::FolderOf(path);
  if (const int e = platform::Status(folder, st)) RaiseWriteError(path, e);
  if (st.kind != platform::FileKind::Directory) RaiseWriteError(path, ENOTDIR);
  if (const int e = platform::CheckFolderWritable(folder)) RaiseWriteError(path, e);
}

TExportDriver::TExportDriver(const TMemIniFile& settings, const TMemIniFile& catalog,
                             std::string framesFolder)
    : settings_(settings), catalog_(catalog), framesFolder_(std::move(framesFolder)) {}

namespace {

// Records a failure from inside a catch block.
void RecordFailure(TExportResult& result, const std::string& what, const std::string& reason) {
  result.status = TExportStatus::Failed;
  result.failedPath = what;
  result.failure = std::current_exception();
  result.reason = FailReasonOf(result.failure);
  result.detail = reason;
}

// GIF mode: the screen is the largest width by the largest height, known only after the last
// picture, so the processed pictures wait here until every frame can be made at that size.
struct TWaitingFrames {
  std::vector<std::unique_ptr<TBitmap>> pictures;
  std::vector<TMemoryBudget::TReservation> held;
  std::vector<int> delays;
  int width = 0;
  int height = 0;

  void Add(std::unique_ptr<TBitmap> picture, int delay,
           std::optional<TMemoryBudget::TReservation> reservation) {
    width = std::max(width, picture->Width());
    height = std::max(height, picture->Height());
    pictures.push_back(std::move(picture));
    delays.push_back(delay);
    if (reservation) held.push_back(std::move(*reservation));
  }
};

// Loads the watermark picture once for all workers and checks the font settings, so that a
// problem is known before any work. False when the batch cannot start.
bool PrepareWatermark(TPictureOptions& options, const TExportCallbacks& callbacks,
                      TExportResult& result) {
  TPictureWatermark& mark = options.watermark.picture;
  const bool both = options.watermark.kind == TWatermarkKind::Both;
  if (options.watermark.add && (options.watermark.kind == TWatermarkKind::Picture || both) &&
      !mark.path.empty()) {
    mark.prepared = PreparePictureWatermark(mark);
    if (!mark.prepared) {
      // Beside a text, the text is still stamped.
      options.watermark.kind = both ? TWatermarkKind::Text : TWatermarkKind::None;
      result.watermarkMissing = true;
      if (callbacks.onWatermarkMissing) callbacks.onWatermarkMissing(mark.path);
    }
  }
  // A font size or colour that does not convert would stop the batch at its first picture.
  const TTextWatermark& text = options.watermark.text;
  if (options.watermark.add &&
      (options.watermark.kind == TWatermarkKind::Text ||
       options.watermark.kind == TWatermarkKind::Both) &&
      !text.fontProblems.empty()) {
    result.badSetting = text.fontProblems.front();
    result.status = TExportStatus::Failed;
    result.reason = TFailReason::Setting;
    return false;
  }
  return true;
}

// Takes one finished entry in list order: skipped, written as a JPEG, or kept for the GIF.
// False when the batch must stop.
// What every file of the batch is named and written by.
struct TFileRule {
  TOutputOptions output;
  std::string date;
};

bool Deliver(const TExportJob& job, const TExportCallbacks& callbacks, int index, TOutcome outcome,
             int gifDelay, const TFileRule& rule, TWaitingFrames& frames, TExportResult& result) {
  const std::string& path = job.entries[index].path;
  if (outcome.error) {
    try {
      std::rethrow_exception(outcome.error);
    } catch (...) {
      RecordFailure(result, path, ExceptionText(outcome.error));
    }
    return false;
  }
  if (outcome.skipped) {
    ++result.skipped;
    result.skips.push_back({index, path, outcome.why});
    if (callbacks.onSkipped) callbacks.onSkipped(index, path);
    return true;
  }
  try {
    if (job.mode == TExportMode::Gif) {
      frames.Add(std::move(outcome.picture), gifDelay, std::move(outcome.held));
      ++result.written;
    } else {
      const std::size_t count = outcome.files.size();
      for (std::size_t i = 0; i < count; ++i) {
        const TEncodedPicture& file = outcome.files[i];
        const std::string name =
            OutputFileName(rule.output.namePattern,
                           {path, job.firstNumber + index, rule.date, file.width, file.height}) +
            SliceSuffix(int(i) + 1, int(count)) +
            std::string(OutputExtension(OutputFormatRow(rule.output.format)));
        const std::string written = WriteNewFile(JoinPath(job.target, name), file.bytes);
        result.files.push_back(written);
        if (file.shrinkSteps > 0 || file.overCap) {
          result.capNotes.push_back({index, written, file.width, file.height, file.quality,
                                     file.shrinkSteps, file.overCap, rule.output.maxFileKB});
        }
        if (callbacks.onFileWritten) callbacks.onFileWritten(written);
        ++result.written;
      }
    }
  } catch (const EFileError& e) {
    // A name this folder refuses concerns this picture only; a full disk or a lost folder
    // would fail every next one too, and stops the batch.
    if (e.Error() == EINVAL || e.Error() == EILSEQ || e.Error() == ENAMETOOLONG) {
      ++result.skipped;
      TLoadReport why;
      why.problem = TLoadProblem::NotWritten;
      why.error = e.Error();
      result.skips.push_back({index, path, why});
      if (callbacks.onSkipped) callbacks.onSkipped(index, path);
      return true;
    }
    RecordFailure(result, path, e.what());
    return false;
  } catch (const std::exception& e) {
    RecordFailure(result, path, e.what());
    return false;
  }
  return true;
}

void WriteAnimation(const TExportJob& job, const TExportCallbacks& callbacks,
                    TWaitingFrames& waiting, TExportResult& result) {
  try {
    TGIFImage gif;
    std::vector<TPaletteBitmap> frames =
        ReduceOnScreen(waiting.pictures, waiting.width, waiting.height, WorkerCount(job.workers));
    for (size_t i = 0; i < frames.size(); ++i) {
      gif.SetFrameDelay(gif.AppendFrame(frames[i]), waiting.delays[i]);
      frames[i] = {};  // the frame holds its own copy
    }
    if (result.written > 0) gif.SetLoopCount(0);
    gif.WriteGifFile(job.target, WorkerCount(job.workers));
    result.files.push_back(job.target);
    if (callbacks.onFileWritten) callbacks.onFileWritten(job.target);
  } catch (const std::exception& e) {
    RecordFailure(result, job.target, e.what());
  }
}

}  // namespace

TExportResult TExportDriver::Run(const TExportJob& job, const TExportCallbacks& callbacks) {
  const int total = static_cast<int>(job.entries.size());
  const bool gifMode = job.mode == TExportMode::Gif;
  TExportResult result;
  result.total = total;
  auto finish = [&] {
    cancel_ = false;
    return result;
  };

  // A GIF that cannot be written is found before any picture is processed.
  if (gifMode) {
    try {
      CheckGifTarget(job.target);
    } catch (const std::exception& e) {
      RecordFailure(result, job.target, e.what());
      return finish();
    }
  }

  // One snapshot of the settings for the whole batch, so every picture gets the same effects
  // even if the store is edited meanwhile.
  TPictureOptions options = ReadPictureOptions(settings_);
  const int gifDelay =
      GifDelayFromSeconds(ReadSettingString(settings_, keys::GifSeconds, ReadSite::Export));
  if (!PrepareWatermark(options, callbacks, result)) return finish();
  const TFileRule rule{ReadOutputOptions(settings_),
                       job.runDate.empty() ? TodayText() : job.runDate};
  // Only still files are sliced; an animation shows every picture whole.
  const int sliceHeight =
      gifMode ? 0 : ReadSettingInteger(settings_, keys::SliceHeight, ReadSite::Export);
  const bool sliceWatermarkEach =
      ReadSettingBool(settings_, keys::SliceWatermarkEach, ReadSite::Export);

  TMemoryBudget budget(job.memoryLimit > 0 ? job.memoryLimit : DefaultMemoryBudget());
  result.memoryLimit = budget.Limit();

  auto work = [&](int index) {
    const TExportEntry& entry = job.entries[index];
    TOutcome outcome;
    // Held until the picture is finished: the next ones wait while the budget is spent.
    std::optional<TMemoryBudget::TReservation> reservation;
    const TMemoryGate gate = [&](uint64_t bytes) {
      reservation = budget.Reserve(bytes);
      return reservation.has_value();
    };
    TPictureRequest request{entry.path,       entry.angle, options, catalog_, framesFolder_,
                            /*preview=*/false};
    request.memoryGate = &gate;
    request.loadReport = &outcome.why;
    if (gifMode) {
      auto bitmap = ProcessPicture(request);
      if (!bitmap) {
        outcome.skipped = true;
        // Refused beside the pictures an animation keeps: say how much they hold.
        if (outcome.why.problem == TLoadProblem::OverMemoryLimit) outcome.why.held = budget.Kept();
      } else {
        // The picture waits for the last one; it stays counted so that the next ones cannot
        // take its memory, and a picture that could never fit beside them is refused at once.
        if (reservation) {
          reservation->Keep(uint64_t(bitmap->Width()) * uint64_t(bitmap->Height()) * 3);
          outcome.held = std::move(reservation);
        }
        outcome.picture = std::move(bitmap);
      }
      return outcome;
    }
    auto slices = ProcessPictureSlices(request, sliceHeight, sliceWatermarkEach);
    outcome.skipped = slices.empty();
    if (!outcome.skipped) {
      TPictureMetadata metadata;
      if (rule.output.keepMetadata) metadata = MetadataOf(entry.path);
      TEncodeRequest encode{rule.output, job.jpegQuality, job.jpegProgressive, options.size.smooth,
                            &metadata};
      for (auto& slice : slices) {
        outcome.files.push_back(EncodeOutput(*slice, encode));
        slice.reset();
      }
    }
    return outcome;
  };

  TWaitingFrames waiting;
  {
    TWorkerPool pool(std::min(WorkerCount(job.workers), std::max(total, 1)), total, work);
    for (int i = 0; i < total; ++i) {
      if (cancel_) {
        result.status = TExportStatus::Cancelled;
        break;
      }
      if (callbacks.onProgress) callbacks.onProgress(i, total);
      if (!Deliver(job, callbacks, i, pool.Take(i), gifDelay, rule, waiting, result)) break;
      result.handled = i + 1;
    }
  }

  // The animation is written when the loop ran through or was cancelled, never after a
  // failure: a user's existing file of that name is not replaced by half a batch.
  if (gifMode && result.status != TExportStatus::Failed &&
      !(result.status == TExportStatus::Cancelled && result.written == 0)) {
    WriteAnimation(job, callbacks, waiting, result);
  }
  return finish();
}

}  // namespace pixmira
