#pragma once
// The size hint under the width: the first list picture made and encoded exactly as the
// export would, away from the window. The latest request wins; one still running finishes
// unheard.
#include <QFutureWatcher>
#include <QObject>
#include <optional>
#include <string>

#include "core/MemIniFile.h"
#include "output/Export.h"

namespace pixmira {

struct TSizeEstimateJob {
  TExportEntry entry;
  TMemIniFile settings = TMemIniFile::FromText("");
  TMemIniFile catalog = TMemIniFile::FromText("");
  std::string framesFolder;
};

// Bytes of the file, or -1 when the picture cannot be made.
qint64 EstimateFileBytes(const TSizeEstimateJob& job);

class TSizeEstimator : public QObject {
  Q_OBJECT
 public:
  explicit TSizeEstimator(QObject* parent = nullptr);
  void Request(TSizeEstimateJob job);
  bool Busy() const { return running_ || pending_.has_value(); }

 signals:
  void estimateReady(qint64 bytes);

 private:
  void Start(TSizeEstimateJob job);
  void Finished();

  QFutureWatcher<qint64> watcher_;
  bool running_ = false;
  std::optional<TSizeEstimateJob> pending_;
};

}  // namespace pixmira
