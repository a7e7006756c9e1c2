#include "ui/SizeEstimate.h"

#include <QPromise>
#include <QThreadPool>
#include <memory>

namespace pixmira {

qint64 EstimateFileBytes(const TSizeEstimateJob& job) {
  try {
    const auto file = EncodeAsExported(job.entry, job.settings, job.catalog, job.framesFolder);
    return file ? qint64(file->bytes.size()) : -1;
  } catch (const std::exception&) {
    return -1;  // the export itself says what is wrong
  }
}

TSizeEstimator::TSizeEstimator(QObject* parent) : QObject(parent) {
  connect(&watcher_, &QFutureWatcher<qint64>::finished, this, &TSizeEstimator::Finished);
}

void TSizeEstimator::Request(TSizeEstimateJob job) {
  if (running_) {
    pending_ = std::move(job);
    return;
  }
  Start(std::move(job));
}

void TSizeEstimator::Start(TSizeEstimateJob job) {
  running_ = true;
  auto promise = std::make_shared<QPromise<qint64>>();
  watcher_.setFuture(promise->future());
  promise->start();
  auto shared = std::make_shared<const TSizeEstimateJob>(std::move(job));
  QThreadPool::globalInstance()->start([promise, shared] {
    promise->addResult(EstimateFileBytes(*shared));
    promise->finish();
  });
}

void TSizeEstimator::Finished() {
  running_ = false;
  const qint64 bytes = watcher_.future().resultCount() > 0 ? watcher_.result() : -1;
  if (pending_) {
    TSizeEstimateJob next = std::move(*pending_);
    pending_.reset();
    Start(std::move(next));
    return;
  }
  emit estimateReady(bytes);
}

}  // namespace pixmira
