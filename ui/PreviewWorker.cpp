#include "ui/PreviewWorker.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPromise>
#include <QThreadPool>
#include <algorithm>
#include <exception>

#include "core/Rounding.h"
#include "imaging/Resample.h"
#include "pipeline/Pipeline.h"
#include "ui/QtBitmap.h"

namespace pixmira {

QSize PreviewSize(int width, int height) {
  if (width <= kPreviewBoxSide && height <= kPreviewBoxSide) return {width, height};
  // A sliver of a picture still gets a box the resampler can fill.
  const auto side = [](int64_t numerator, int64_t denominator) {
    return static_cast<int>(std::max<int64_t>(2, RoundRatio(numerator, denominator)));
  };
  if (height > width) return {side(int64_t(kPreviewBoxSide) * width, height), kPreviewBoxSide};
  return {kPreviewBoxSide, side(int64_t(kPreviewBoxSide) * height, width)};
}

TBitmap ShrinkForPreview(const TBitmap& picture) {
  const QSize size = PreviewSize(picture.Width(), picture.Height());
  if (size == QSize(picture.Width(), picture.Height())) return picture;
  TBitmap shrunk(size.width(), size.height());
  ResampleBilinear(shrunk, picture);
  return shrunk;
}

TPreviewResult ComputePreview(const TPreviewJob& job) {
  TPreviewResult result;
  try {
    const auto picture = ProcessPicture(job.path, job.angle, job.settings, *job.catalog,
                                        job.framesFolder, /*preview=*/true);
    if (picture && !picture->Empty()) result.image = ToQImage(ShrinkForPreview(*picture));
  } catch (const std::bad_alloc&) {
    result.error = QString::fromUtf8("内存不足，无法生成预览。");
  } catch (const std::exception& e) {
    result.error = QString::fromStdString(e.what());
  }
  return result;
}

TPreviewWorker::TPreviewWorker(QObject* parent) : QObject(parent) {
  connect(&watcher_, &QFutureWatcher<TPreviewResult>::finished, this, &TPreviewWorker::Finished);
}

// A computation still running keeps its own copies and simply ends unheard.
TPreviewWorker::~TPreviewWorker() = default;

void TPreviewWorker::Request(TPreviewJob job) {
  if (running_) {
    pending_ = std::move(job);
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
  QThreadPool::globalInstance()->start([promise, shared] {
    promise->addResult(ComputePreview(*shared));
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
  emit previewReady(result);
}

void TPreviewWorker::WaitForIdle() {
  while (Busy())
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

}  // namespace pixmira
