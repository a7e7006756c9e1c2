#pragma once
// The settings dialog's preview, computed away from the window: the pipeline on one list
// entry with a copy of the dialog's working settings, shrunk into the preview box. The latest
// request wins: it replaces one still waiting and abandons the running one at its next stage.
#include <QFutureWatcher>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "core/MemIniFile.h"
#include "imaging/Bitmap.h"
#include "pipeline/Preview.h"

namespace pixmira {

// PreviewBoxSize as a QSize.
QSize PreviewSize(int width, int height);

struct TPreviewJob {
  std::string path;
  int angle = 0;
  TMemIniFile settings = TMemIniFile::FromText("");
  std::shared_ptr<const TMemIniFile> catalog;
  std::string framesFolder;
  std::string prompt;  // drawn while the watermark text is empty
};

struct TPreviewResult {
  QImage image;   // null when the picture cannot be loaded
  QString error;  // the pipeline's message when it raised one
  bool abandoned = false;
};

// Runs on any thread. Without a cache every step is done afresh.
TPreviewResult ComputePreview(const TPreviewJob& job, TPreviewCache* cache = nullptr,
                              const std::atomic<bool>* cancel = nullptr);

class TPreviewWorker : public QObject {
  Q_OBJECT
 public:
  explicit TPreviewWorker(QObject* parent = nullptr);
  ~TPreviewWorker() override;

  // Asks for a preview; one still waiting is dropped and a running one abandoned.
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
  // Shared with the computation, which may outlive the worker by one stage.
  std::shared_ptr<TPreviewCache> cache_ = std::make_shared<TPreviewCache>();
  std::shared_ptr<std::atomic<bool>> cancel_;
  bool running_ = false;
};

}  // namespace pixmira
