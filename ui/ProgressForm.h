#pragma once
// The modal window of one export: a line per picture, a progress bar, cancel, and at the end
// the offer to open the result or to start the next batch. The export itself runs on a
// thread of its own (the driver adds its workers), so the window stays live throughout.
#include <QDialog>
#include <QElapsedTimer>
#include <functional>
#include <memory>
#include <thread>

#include "core/Kernel.h"
#include "output/Export.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace pixmira {

class TUiServices;

class TProgressForm : public QDialog {
  Q_OBJECT
 public:
  TProgressForm(TKaravelKernel& kernel, TUiServices& services, TExportJob job,
                QWidget* parent = nullptr);
  ~TProgressForm() override;

  enum class State { Waiting, Running, Finished };
  State CurrentState() const { return state_; }
  const TExportResult& Result() const { return result_; }
  const TExportJob& Job() const { return job_; }

  QLabel* lblHint;
  QLabel* lblPicture;  // the picture being made
  QLabel* lblTime;     // elapsed and, after a few pictures, left
  QProgressBar* ProgressBar1;
  QPlainTextEdit* memDetails;  // at the end: each picture not exported and why
  QPushButton* btnOpenDir;
  QPushButton* btnNext;
  QPushButton* btnCancel;
  QTimer* Timer1;

 public slots:
  // The loop; started by the first tick of Timer1 (once the window is on the screen).
  void ExportPictures();

 signals:
  // The next-batch button: the main window clears its list.
  void nextBatchRequested();
  void exportFinished();

 public slots:
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void OnProgress(int index, int total);
  void OnFinished(const TExportResult& result);
  void btnCancelClick();
  void btnOpenDirClick();
  void btnNextClick();

  TKaravelKernel& kernel_;
  TUiServices& services_;
  TExportJob job_;
  State state_ = State::Waiting;
  bool closeWhenFinished_ = false;
  TExportResult result_;
  std::unique_ptr<TExportDriver> driver_;
  std::thread worker_;
  QElapsedTimer clock_;
};

// "已用 0:42，剩余约 1:10": the time left once at least three pictures are done.
QString TimeText(qint64 elapsedSeconds, int done, int total);

// Runs one export modally over parent; calls clearList when the user asks for the next batch.
void RunExport(TKaravelKernel& kernel, TUiServices& services, TExportJob job, QWidget* parent,
               const std::function<void()>& clearList);

}  // namespace pixmira
