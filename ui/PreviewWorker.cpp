#include "ui/PreviewWorker.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPromise>
#include <QThreadPool>
#include <algorithm>
#include <exception>

#include "ui/QtBitmap.h"
#include "ui/Tr.h"

namespace pixmira {

QSize PreviewSize(int width, int height) {
  const TPreviewSize size = PreviewBoxSize(width, height);
  return {size.width, size.height};
}

TPreviewResult ComputePreview(const TPreviewJob& job, TPreviewCache* cache,
                              const std::atomic<bool>* cancel) {
  TPreviewResult result;
  try {
    const TPreviewRequest request{job.path,          job.angle,        &job.settings,
                                  job.catalog.get(), job.framesFolder, job.prompt};
    std::unique_ptr<TBitmap> picture;
    if (cache) {
      auto outcome = cache->Compute(request, [cancel] { return cancel && cancel->load(); });
      result.abandoned = outcome.abandoned;
      picture = std::move(outcome.picture);
    } else {
      picture = ComputePreviewAfresh(request);
    }
    if (picture && !picture->Empty()) result.image = ToQImage(*picture);
  } catch (const std::bad_alloc&) {
    result.error = Pixmira::tr("内存不足，无法生成预览。");
  } catch (const std::exception& e) {
    result.error = QString::fromStdString(e.what());
  }
  return result;
}

TPreviewWorker::TPreviewWorker(QObject* parent) : QObject(parent) {
  connect(&watcher_, &QFutureWatcher<TPreviewResult>::finished, this, &TPreviewWorker::Finished);
}

// A computation still running keeps its own copies, stops at its next stage and ends unheard.
TPreviewWorker::~TPreviewWorker() {
  if (cancel_) cancel_->store(true);
}

void TPreviewWorker::Request(TPreviewJob job) {
  if (running_) {
    pending_ = std::move(job);
    cancel_->store(true);
    return;
  }
  Start(std::move(job));
}

void TPreviewWorker::Start(TPreviewJob job) {
  running_ = true;
  auto promise = std::make_shared<QPromise<TPreviewResult>>();
  watcher_.setFuture(promise->future());
  promise->start();
  auto shared = std::make_shared<const TPreviewJob>(std::move(job));
  cancel_ = std::make_shared<std::atomic<bool>>(false);
  QThreadPool::globalInstance()->start([promise, shared, cache = cache_, cancel = cancel_] {
    promise->addResult(ComputePreview(*shared, cache.get(), cancel.get()));
    promise->finish();
  });
}

void TPreviewWorker::Finished() {
  running_ = false;
  const TPreviewResult result =
      watcher_.future().resultCount() > 0 ? watcher_.result() : TPreviewResult{};
  if (pending_) {
    // Superseded: this result shows settings the user has already changed.
    TPreviewJob next = std::move(*pending_);
    pending_.reset();
    Start(std::move(next));
    return;
  }
  if (!result.abandoned) emit previewReady(result);
}

void TPreviewWorker::WaitForIdle() {
  while (Busy())
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

}  // namespace pixmira
