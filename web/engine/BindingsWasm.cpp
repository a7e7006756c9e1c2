// The engine's JavaScript interface (embind), as web/engine/README.md describes it. Errors
// the library raises come back as outcome codes, never as JavaScript exceptions.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <exception>
#include <thread>

#include "codecs/Formats.h"
#include "output/Export.h"
#include "web/engine/Engine.h"

namespace pixmira::web {
namespace {

using emscripten::val;

constexpr const char* kScratch = "/engine/";
constexpr const char* kFrames = "/frames/";

std::vector<uint8_t> BytesOf(const val& array) {
  return emscripten::convertJSArrayToNumberVector<uint8_t>(array);
}

val Uint8ArrayOf(const std::vector<uint8_t>& bytes, const char* type = "Uint8Array") {
  val view(emscripten::typed_memory_view(bytes.size(), bytes.data()));
  // A copy the page owns: the engine's memory may move when it grows.
  return val::global(type).new_(view);
}

TOutcomeCode CodeOfError(const std::exception_ptr& error) { return FailCode(FailReasonOf(error)); }

val CodeOnly(TOutcomeCode code) {
  val out = val::object();
  out.set("code", std::string(CodeName(code)));
  return out;
}

val OutcomeOf(const TOutput& output) {
  val out = CodeOnly(output.code);
  if (output.code == TOutcomeCode::Written) {
    out.set("bytes", Uint8ArrayOf(output.bytes));
    out.set("name", output.name);
    if (!output.more.empty()) {
      val more = val::array();
      for (const TOutput::TFile& file : output.more) {
        val f = val::object();
        f.set("bytes", Uint8ArrayOf(file.bytes));
        f.set("name", file.name);
        more.call<void>("push", f);
      }
      out.set("more", more);
    }
  }
  if (!output.badKey.empty()) {
    out.set("badKey", output.badKey);
    out.set("badValue", output.badValue);
  }
  if (output.needed) out.set("needed", double(output.needed));
  return out;
}

val PictureOf(const std::optional<TRgbaPicture>& picture) {
  if (!picture) return val::null();
  val out = val::object();
  out.set("width", picture->width);
  out.set("height", picture->height);
  out.set("rgba", Uint8ArrayOf(picture->rgba, "Uint8ClampedArray"));
  return out;
}

val StringsOf(const std::vector<std::string_view>& list) {
  val out = val::array();
  for (std::string_view s : list) out.call<void>("push", std::string(s));
  return out;
}

// Runs f, turning what the library raises into an outcome code.
template <typename F>
val Guarded(F&& f) {
  try {
    return f();
  } catch (...) {
    return CodeOnly(CodeOfError(std::current_exception()));
  }
}

class TJsEngine {
 public:
  TJsEngine() : engine_(kScratch, kFrames) {}

  static std::string Version() { return TEngine::Version(); }
  static std::string SchemaJson() { return TEngine::SchemaJson(); }
  static val Extensions() {
    std::vector<std::string_view> list;
    for (const TFormat& format : Formats()) {
      for (const TExtension& ext : format.extensions) list.push_back(ext.text);
    }
    return StringsOf(list);
  }
  static val FolderExtensions() { return StringsOf(FolderScanExtensions()); }
  static int Threads() {
#ifdef __EMSCRIPTEN_PTHREADS__
    // The calling worker and its fixed set of threads, at most one per core.
    const int cores = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    return std::min(cores, 1 + PIXMIRA_THREAD_POOL);
#else
    return 1;
#endif
  }

  val FrameNames() const {
    val out = val::array();
    for (const std::string& name : engine_.FrameNames()) out.call<void>("push", name);
    return out;
  }
  void ReadSettings(const val& bytes) { engine_.ReadSettings(BytesOf(bytes)); }
  void ReadSettingsText(const std::string& text) {
    engine_.ReadSettings(std::vector<uint8_t>(text.begin(), text.end()));
  }
  void SetSetting(const std::string& key, const std::string& value) {
    engine_.SetSetting(key, value);
  }
  std::string SettingsText() const { return engine_.SettingsText(); }
  std::string AddFile(const std::string& name, const val& bytes) {
    return engine_.AddFile(name, BytesOf(bytes));
  }
  bool AddFont(const val& bytes) { return engine_.AddFont(BytesOf(bytes)); }
  val FontWanted() const {
    const auto family = engine_.FontWanted();
    return family ? val(*family) : val::null();
  }
  val Process(const val& bytes, const std::string& name, int angle) {
    return Guarded([&] { return OutcomeOf(engine_.ProcessPicture(BytesOf(bytes), name, angle)); });
  }
  val ProcessAt(const val& bytes, const std::string& name, int angle, int number) {
    return Guarded(
        [&] { return OutcomeOf(engine_.ProcessPicture(BytesOf(bytes), name, angle, number)); });
  }
  void GifBegin() { engine_.GifBegin(); }
  int GifAdd(const val& bytes, const std::string& name, int angle) {
    return engine_.GifAdd(BytesOf(bytes), name, angle);
  }
  val GifFinish() {
    return Guarded([&] {
      const TGifOutput gif = engine_.GifFinish();
      val out = OutcomeOf(gif.file);
      out.set("frames", gif.frames);
      val skips = val::array();
      for (const TGifOutput::TSkip& skip : gif.skips) {
        val s = val::object();
        s.set("index", skip.index);
        s.set("code", std::string(CodeName(skip.code)));
        skips.call<void>("push", s);
      }
      out.set("skips", skips);
      return out;
    });
  }
  val Thumbnail(const val& bytes, const std::string& name, int angle, int width, int height) {
    return Guarded(
        [&] { return PictureOf(engine_.Thumbnail(BytesOf(bytes), name, angle, width, height)); });
  }
  val Preview(const val& bytes, const std::string& name, int angle, const std::string& prompt) {
    return Guarded([&] { return PictureOf(engine_.Preview(BytesOf(bytes), name, angle, prompt)); });
  }
  double MemoryBudget() const { return double(engine_.MemoryBudget()); }

 private:
  TEngine engine_;
};

}  // namespace
}  // namespace pixmira::web

EMSCRIPTEN_BINDINGS(pixmira_engine) {
  using pixmira::web::TJsEngine;
  emscripten::class_<TJsEngine>("Engine")
      .constructor<>()
      .class_function("version", &TJsEngine::Version)
      .class_function("schemaJson", &TJsEngine::SchemaJson)
      .class_function("extensions", &TJsEngine::Extensions)
      .class_function("folderExtensions", &TJsEngine::FolderExtensions)
      .class_function("threads", &TJsEngine::Threads)
      .function("frameNames", &TJsEngine::FrameNames)
      .function("readSettings", &TJsEngine::ReadSettings)
      .function("readSettingsText", &TJsEngine::ReadSettingsText)
      .function("setSetting", &TJsEngine::SetSetting)
      .function("settingsText", &TJsEngine::SettingsText)
      .function("addFile", &TJsEngine::AddFile)
      .function("addFont", &TJsEngine::AddFont)
      .function("fontWanted", &TJsEngine::FontWanted)
      .function("process", &TJsEngine::Process)
      .function("processAt", &TJsEngine::ProcessAt)
      .function("gifBegin", &TJsEngine::GifBegin)
      .function("gifAdd", &TJsEngine::GifAdd)
      .function("gifFinish", &TJsEngine::GifFinish)
      .function("thumbnail", &TJsEngine::Thumbnail)
      .function("preview", &TJsEngine::Preview)
      .function("memoryBudget", &TJsEngine::MemoryBudget);
}
