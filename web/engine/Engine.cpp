#include "web/engine/Engine.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "codecs/Formats.h"
#include "codecs/LoadPicture.h"
#include "core/Encoding.h"
#include "core/Errors.h"
#include "core/FileWrite.h"
#include "core/MemoryBudget.h"
#include "core/SettingsSchema.h"
#include "output/Export.h"
#include "pipeline/Options.h"
#include "pipeline/Preview.h"
#include "text/FontLookup.h"

namespace pixmira::web {

namespace fs = std::filesystem;

const char* CodeName(TOutcomeCode code) {
  switch (code) {
    case TOutcomeCode::Written:
      return "written";
    case TOutcomeCode::UnknownType:
      return "unknown-type";
    case TOutcomeCode::Unreadable:
      return "unreadable";
    case TOutcomeCode::TooLarge:
      return "too-large";
    case TOutcomeCode::Damaged:
      return "damaged";
    case TOutcomeCode::OverMemoryLimit:
      return "over-memory-limit";
    case TOutcomeCode::FailedFile:
      return "failed-file";
    case TOutcomeCode::FailedFrame:
      return "failed-frame";
    case TOutcomeCode::FailedSetting:
      return "failed-setting";
    case TOutcomeCode::FailedPicture:
      return "failed-picture";
    case TOutcomeCode::FailedMemory:
      return "failed-memory";
    case TOutcomeCode::FailedOther:
      return "failed-other";
    case TOutcomeCode::NoFrames:
      return "no-frames";
  }
  return "failed-other";
}

namespace {

TOutcomeCode SkipCode(const TLoadReport& why) {
  switch (why.problem) {
    case TLoadProblem::UnknownType:
      return TOutcomeCode::UnknownType;
    case TLoadProblem::Unreadable:
    case TLoadProblem::NotAFile:
      return TOutcomeCode::Unreadable;
    case TLoadProblem::TooLarge:
      return TOutcomeCode::TooLarge;
    case TLoadProblem::OverMemoryLimit:
      return TOutcomeCode::OverMemoryLimit;
    case TLoadProblem::NotWritten:  // the page names and writes the files itself
      return TOutcomeCode::FailedFile;
    case TLoadProblem::Damaged:
    case TLoadProblem::None:
      break;
  }
  return TOutcomeCode::Damaged;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  out.close();
  if (!out) RaiseWriteError(path, ENOSPC);
}

// The file name alone: a name from the page never reaches outside the engine's folders.
std::string SafeName(const std::string& name) {
  std::string base = name.substr(name.find_last_of("/\\") + 1);
  if (base.empty() || base == "." || base == "..") base = "picture";
  return base;
}

// What a failed export says, as codes.
void TakeFailure(const TExportResult& result, TOutput& output) {
  output.code = FailCode(result.reason);
  if (result.badSetting) {
    output.code = TOutcomeCode::FailedSetting;
    output.badKey = result.badSetting->key;
    output.badValue = result.badSetting->value;
  }
}

std::optional<TRgbaPicture> ToRgba(const TBitmap* bitmap) {
  if (!bitmap || bitmap->Empty()) return std::nullopt;
  TRgbaPicture out;
  out.width = bitmap->Width();
  out.height = bitmap->Height();
  out.rgba.resize(std::size_t(out.width) * out.height * 4);
  uint8_t* d = out.rgba.data();
  for (int y = 0; y < out.height; ++y) {
    const uint8_t* s = bitmap->Row(y);
    for (int x = 0; x < out.width; ++x, s += 3, d += 4) {
      d[0] = s[2];
      d[1] = s[1];
      d[2] = s[0];
      d[3] = 255;
    }
  }
  return out;
}

}  // namespace

TOutcomeCode FailCode(TFailReason reason) {
  switch (reason) {
    case TFailReason::File:
      return TOutcomeCode::FailedFile;
    case TFailReason::Frame:
      return TOutcomeCode::FailedFrame;
    case TFailReason::Setting:
      return TOutcomeCode::FailedSetting;
    case TFailReason::Picture:
      return TOutcomeCode::FailedPicture;
    case TFailReason::Memory:
      return TOutcomeCode::FailedMemory;
    case TFailReason::NoFrames:
      return TOutcomeCode::NoFrames;
    case TFailReason::Other:
      break;
  }
  return TOutcomeCode::FailedOther;
}

struct TEngine::TState {
  std::string scratch;
  std::string framesFolder;
  TMemIniFile settings = TMemIniFile::FromText("");
  TMemIniFile catalog;
  int serial = 0;
  int fonts = 0;
  std::vector<TExportEntry> gif;
  TState(std::string s, std::string f)
      : scratch(std::move(s)), framesFolder(std::move(f)), catalog(framesFolder + "Frames.ini") {}
};

TEngine::TEngine(std::string scratch, std::string framesFolder)
    : state_(std::make_unique<TState>(std::move(scratch), std::move(framesFolder))) {
  if (!state_->scratch.empty() && state_->scratch.back() != '/') state_->scratch += '/';
  fs::create_directories(state_->scratch + "in");
  fs::create_directories(state_->scratch + "user");
  fs::create_directories(state_->scratch + "fonts");
}

TEngine::~TEngine() = default;

std::string TEngine::Version() {
#ifdef PIXMIRA_VERSION
  return PIXMIRA_VERSION;
#else
  return "";
#endif
}

std::string TEngine::SchemaJson() { return SettingsSchemaJson(); }

void TEngine::ReadSettings(const std::vector<uint8_t>& ini) {
  const std::string text =
      DecodeFileText(std::string_view(reinterpret_cast<const char*>(ini.data()), ini.size()));
  state_->settings = TMemIniFile::FromText(text);
}

std::string TEngine::SettingsText() const { return state_->settings.ToText(); }

void TEngine::SetSetting(const std::string& key, const std::string& value) {
  state_->settings.WriteString("General", key, value);
}

std::vector<std::string> TEngine::FrameNames() const { return state_->catalog.ReadSections(); }

std::string TEngine::AddFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::string path = state_->scratch + "user/" + SafeName(name);
  WriteAll(path, bytes);
  return path;
}

bool TEngine::AddFont(const std::vector<uint8_t>& bytes) {
  const std::string path = state_->scratch + "fonts/" + std::to_string(state_->fonts++) + ".font";
  WriteAll(path, bytes);
  if (AddFontFile(path)) return true;
  fs::remove(path);
  return false;
}

std::optional<std::string> TEngine::FontWanted() const {
  const TWatermarkOptions watermark = ReadWatermarkOptions(state_->settings);
  if (!watermark.add || watermark.kind != TWatermarkKind::Text) return std::nullopt;
  return watermark.text.font.name;
}

std::string TEngine::Stage(const std::vector<uint8_t>& bytes, const std::string& name) {
  const std::string folder = state_->scratch + "in/" + std::to_string(state_->serial++) + "/";
  fs::create_directories(folder);
  const std::string path = folder + SafeName(name);
  WriteAll(path, bytes);
  return path;
}

TOutput TEngine::ProcessPicture(const std::vector<uint8_t>& bytes, const std::string& name,
                                int angle, int number) {
  const std::string input = Stage(bytes, name);
  const std::string outFolder = state_->scratch + "out/";
  fs::remove_all(outFolder);
  fs::create_directories(outFolder);

  TExportJob job;
  job.entries = {{input, angle}};
  job.mode = TExportMode::Jpeg;
  job.target = outFolder;
  job.jpegQuality = ExportJpegQuality(state_->settings);
  job.jpegProgressive = ExportJpegProgressive(state_->settings);
  job.workers = 1;
  job.firstNumber = number;
  TExportDriver driver(state_->settings, state_->catalog, state_->framesFolder);
  const TExportResult result = driver.Run(job);

  TOutput output;
  if (!result.files.empty()) {
    output.bytes = ReadAll(result.files.front());
    output.name = result.files.front().substr(outFolder.size());
    for (std::size_t i = 1; i < result.files.size(); ++i)
      output.more.push_back({ReadAll(result.files[i]), result.files[i].substr(outFolder.size())});
  } else if (!result.skips.empty()) {
    output.code = SkipCode(result.skips.front().why);
    output.needed = result.skips.front().why.needed;
  } else {
    TakeFailure(result, output);
  }
  fs::remove_all(outFolder);
  fs::remove_all(fs::path(input).parent_path());
  return output;
}

void TEngine::GifBegin() {
  for (const TExportEntry& entry : state_->gif) fs::remove_all(fs::path(entry.path).parent_path());
  state_->gif.clear();
}

int TEngine::GifAdd(const std::vector<uint8_t>& bytes, const std::string& name, int angle) {
  state_->gif.push_back({Stage(bytes, name), angle});
  return static_cast<int>(state_->gif.size()) - 1;
}

TGifOutput TEngine::GifFinish() {
  TGifOutput output;
  const std::string target = state_->scratch + "animation.gif";
  fs::remove(target);
  if (!state_->gif.empty()) {
    TExportJob job;
    job.entries = state_->gif;
    job.mode = TExportMode::Gif;
    job.target = target;
    TExportDriver driver(state_->settings, state_->catalog, state_->framesFolder);
    const TExportResult result = driver.Run(job);
    for (const TSkippedEntry& skip : result.skips)
      output.skips.push_back({skip.index, SkipCode(skip.why)});
    output.frames = result.written;
    if (!result.files.empty()) {
      output.file.bytes = ReadAll(result.files.front());
      output.file.name = "animation.gif";
    } else if (result.status == TExportStatus::Failed) {
      TakeFailure(result, output.file);
    } else {
      output.file.code = TOutcomeCode::NoFrames;
    }
  } else {
    output.file.code = TOutcomeCode::NoFrames;
  }
  fs::remove(target);
  GifBegin();
  return output;
}

std::optional<TRgbaPicture> TEngine::Thumbnail(const std::vector<uint8_t>& bytes,
                                               const std::string& name, int angle, int cellWidth,
                                               int cellHeight) {
  // Straight from the bytes: a thumbnail needs no file, and staging one cost a copy each way.
  return ToRgba(MakeThumbnailOfBytes(bytes, SafeName(name), angle, cellWidth, cellHeight).get());
}

std::optional<TRgbaPicture> TEngine::Preview(const std::vector<uint8_t>& bytes,
                                             const std::string& name, int angle,
                                             const std::string& prompt) {
  const std::string input = Stage(bytes, name);
  TPreviewRequest request;
  request.path = input;
  request.angle = angle;
  request.settings = &state_->settings;
  request.catalog = &state_->catalog;
  request.framesFolder = state_->framesFolder;
  request.prompt = prompt;
  std::unique_ptr<TBitmap> picture;
  try {
    picture = ComputePreviewAfresh(request);
  } catch (...) {
    fs::remove_all(fs::path(input).parent_path());
    throw;
  }
  fs::remove_all(fs::path(input).parent_path());
  return ToRgba(picture.get());
}

uint64_t TEngine::MemoryBudget() const { return DefaultMemoryBudget(); }

}  // namespace pixmira::web
