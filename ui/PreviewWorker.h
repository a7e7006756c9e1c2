#pragma once
// The settings dialog's preview, computed away from the window: the pipeline on one list
// entry with a copy of the dialog's working settings, shrunk into the preview box. A newer
// request supersedes an older one; only the latest result is ever delivered.
#include <QFutureWatcher>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <memory>
#include <optional>
#include <string>

#include "core/MemIniFile.h"
#include "imaging/Bitmap.h"

namespace pixmira {

// The preview box.
inline constexpr int kPreviewBoxSide = 304;

// Size a picture of width × height is shown at: unscaled when it fits the box, otherwise the
// long side 304 and the short one in proportion (ties to even), never below 2 pixels.
QSize PreviewSize(int width, int height);

// The picture as the box shows it (the same bitmap's copy when it fits).
TBitmap ShrinkForPreview(const TBitmap& picture);

struct TPreviewJob {
  std::string path;
  int angle = 0;
  TMemIniFile settings = TMemIniFile::FromText("");
  std::shared_ptr<const TMemIniFile> catalog;
  std::string framesFolder;
};

struct TPreviewResult {
  QImage image;   // null when the picture cannot be loaded
  QString error;  // the pipeline's message when it raised one
};

// Runs on any thread.
TPreviewResult ComputePreview(const TPreviewJob& job);

class TPreviewWorker : public QObject {
  Q_OBJECT
 public:
  explicit TPreviewWorker(QObject* parent = nullptr);
  ~TPreviewWorker() override;

  // Asks for a preview; a computation already running finishes, but its result is dropped.
  void Request(TPreviewJob job);
  // True while a computation runs or waits.
  bool Busy() const { return running_ || pending_.has_value(); }
  // Runs the event loop until the latest request is delivered (tests, screenshots).
  void WaitForIdle();

 signals:
  void previewReady(const pixmira::TPreviewResult& result);

 private:
  void Start(TPreviewJob job);
  void Finished();

  QFutureWatcher<TPreviewResult> watcher_;
  std::optional<TPreviewJob> pending_;
  bool running_ = false;
};

}  // namespace pixmira
