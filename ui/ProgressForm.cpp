#include "ui/ProgressForm.h"

#include <QCoreApplication>

#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/Messages.h"
#include "ui/Tr.h"
#include "ui/UiServices.h"
#include "ui/Words.h"

namespace pixmira {

namespace {

QString Clock(qint64 seconds) {
  return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

QString TimeText(qint64 elapsedSeconds, int done, int total) {
  const QString elapsed = Pixmira::tr("已用 %1").arg(Clock(elapsedSeconds));
  // A guess from the first picture or two would jump about.
  if (done < 3 || total <= done) return elapsed;
  const qint64 left = (elapsedSeconds * (total - done) + done / 2) / done;
  return Pixmira::tr("%1，剩余约 %2").arg(elapsed, Clock(left));
}

TProgressForm::TProgressForm(TKaravelKernel& kernel, TUiServices& services, TExportJob job,
                             QWidget* parent)
    : QDialog(parent), kernel_(kernel), services_(services), job_(std::move(job)) {
  setObjectName(QStringLiteral("TProgressForm"));
  setWindowTitle(Pixmira::tr("导出进度"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setModal(true);

  lblHint = new QLabel(Pixmira::tr("正在导出文件....."), this);
  lblHint->setObjectName(QStringLiteral("lblHint"));
  lblPicture = new QLabel(this);
  lblPicture->setObjectName(QStringLiteral("lblPicture"));
  lblPicture->setTextFormat(Qt::PlainText);
  lblPicture->setMaximumWidth(435);
  lblTime = new QLabel(this);
  lblTime->setObjectName(QStringLiteral("lblTime"));
  memDetails = new QPlainTextEdit(this);
  memDetails->setObjectName(QStringLiteral("memDetails"));
  memDetails->setReadOnly(true);
  memDetails->setLineWrapMode(QPlainTextEdit::NoWrap);
  memDetails->setFixedHeight(110);
  memDetails->hide();
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setRange(0, std::max<int>(1, int(job_.entries.size())));
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setFixedHeight(16);
  ProgressBar1->setMinimumWidth(435);
  btnOpenDir = new QPushButton(Pixmira::tr("打开导出目录(&O)..."), this);
  btnOpenDir->setObjectName(QStringLiteral("btnOpenDir"));
  btnNext = new QPushButton(Pixmira::tr("处理下一批图片(&N)"), this);
  btnNext->setObjectName(QStringLiteral("btnNext"));
  btnCancel = new QPushButton(Pixmira::tr("取消(&C)"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  btnOpenDir->hide();
  btnNext->hide();
  for (auto* button : {btnOpenDir, btnNext, btnCancel}) button->setAutoDefault(false);
  btnOpenDir->setMinimumWidth(115);
  btnNext->setMinimumWidth(122);
  btnCancel->setMinimumWidth(75);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOpenDir);
  buttons->addWidget(btnNext);
  buttons->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 8, 8, 8);
  layout->setSpacing(8);
  layout->addWidget(lblHint);
  layout->addWidget(lblPicture);
  layout->addWidget(ProgressBar1);
  layout->addWidget(lblTime);
  layout->addWidget(memDetails);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(btnCancel, &QPushButton::clicked, this, &TProgressForm::btnCancelClick);
  connect(btnOpenDir, &QPushButton::clicked, this, &TProgressForm::btnOpenDirClick);
  connect(btnNext, &QPushButton::clicked, this, &TProgressForm::btnNextClick);

  // The loop starts once the window is on the screen.
  Timer1 = new QTimer(this);
  Timer1->setSingleShot(true);
  Timer1->setInterval(100);
  connect(Timer1, &QTimer::timeout, this, &TProgressForm::ExportPictures);
  Timer1->start();
}

TProgressForm::~TProgressForm() {
  if (driver_) driver_->Cancel();
  if (worker_.joinable()) worker_.join();
}

void TProgressForm::ExportPictures() {
  Timer1->stop();
  if (state_ != State::Waiting) return;
  state_ = State::Running;
  clock_.start();
  driver_ = std::make_unique<TExportDriver>(kernel_.SettingsStore(), kernel_.CatalogStore(),
                                            kernel_.FramesFolder());
  TExportCallbacks callbacks;
  callbacks.onProgress = [this](int index, int total) {
    QMetaObject::invokeMethod(
        this, [this, index, total] { OnProgress(index, total); }, Qt::QueuedConnection);
  };
  worker_ = std::thread([this, job = job_, driver = driver_.get(), callbacks] {
    TExportResult result;
    try {
      result = driver->Run(job, callbacks);
    } catch (...) {
      result.status = TExportStatus::Failed;
      result.failedPath = job.target;
      result.failure = std::current_exception();
      result.reason = FailReasonOf(result.failure);
    }
    QMetaObject::invokeMethod(
        this, [this, result] { OnFinished(result); }, Qt::QueuedConnection);
  });
}

void TProgressForm::OnProgress(int index, int total) {
  if (state_ != State::Running) return;
  if (total > 0) ProgressBar1->setMaximum(total);
  ProgressBar1->setValue(std::clamp(index, 0, ProgressBar1->maximum()));
  lblHint->setText(
      Pixmira::tr("正在导出第 %1 个文件，总共 %n 个文件。", nullptr, total).arg(index + 1));
  if (index >= 0 && index < int(job_.entries.size())) {
    const QString name = QFileInfo(QString::fromStdString(job_.entries[index].path)).fileName();
    lblPicture->setText(
        lblPicture->fontMetrics().elidedText(name, Qt::ElideMiddle, lblPicture->maximumWidth()));
  }
  lblTime->setText(TimeText(clock_.elapsed() / 1000, index, total));
}

void TProgressForm::OnFinished(const TExportResult& result) {
  if (worker_.joinable()) worker_.join();
  state_ = State::Finished;
  result_ = result;
  const bool gif = job_.mode == TExportMode::Gif;

  lblHint->setText(ExportSummaryText(result, gif));
  lblPicture->clear();
  lblTime->setText(
      Pixmira::tr("用时 %1。").arg(Clock(clock_.isValid() ? clock_.elapsed() / 1000 : 0)));
  const QStringList details = ExportDetailLines(result);
  memDetails->setPlainText(details.join(QLatin1Char('\n')));
  memDetails->setVisible(!details.isEmpty());
  if (result.status == TExportStatus::Completed)
    ProgressBar1->setValue(ProgressBar1->maximum());
  else
    ProgressBar1->setValue(std::clamp(result.handled, 0, ProgressBar1->maximum()));

  btnCancel->setEnabled(true);
  btnCancel->setText(Pixmira::tr("关闭(&C)"));
  if (gif) btnOpenDir->setText(Pixmira::tr("打开生成图片(&O)"));
  if (result.status == TExportStatus::Failed) {
    // What was written stays; the window can only be closed, or the folder opened when
    // some files made it.
    btnOpenDir->setVisible(!gif && result.written > 0);
    btnNext->hide();
  } else {
    btnOpenDir->show();
    btnNext->show();
  }
  btnCancel->setFocus();
  emit exportFinished();

  if (result.status == TExportStatus::Failed) {
    services_.Error(this, ExportErrorText(result));
  }
  if (closeWhenFinished_) close();
}

void TProgressForm::btnCancelClick() {
  switch (state_) {
    case State::Waiting:
      // Before the loop has begun: nothing is exported.
      Timer1->stop();
      state_ = State::Finished;
      done(QDialog::Rejected);
      break;
    case State::Running:
      if (driver_) driver_->Cancel();
      btnCancel->setEnabled(false);
      break;
    case State::Finished:
      done(QDialog::Rejected);
      break;
  }
}

void TProgressForm::btnOpenDirClick() {
  const QString target = QString::fromStdString(job_.target);
  if (!services_.OpenWithDesktop(QUrl::fromLocalFile(target))) {
    // Said, with the path, so the user can go there by hand; the window stays.
    services_.Error(this, job_.mode == TExportMode::Gif
                              ? Pixmira::tr("无法打开生成的图片：%1").arg(target)
                              : Pixmira::tr("无法打开导出目录：%1").arg(target));
    return;
  }
  done(QDialog::Accepted);
}

void TProgressForm::btnNextClick() {
  emit nextBatchRequested();
  done(QDialog::Accepted);
}

void TProgressForm::reject() {
  if (state_ == State::Running) {
    // The close box does not stop the loop; the window goes when the loop has ended.
    closeWhenFinished_ = true;
    return;
  }
  Timer1->stop();
  state_ = State::Finished;
  QDialog::reject();
}

void TProgressForm::closeEvent(QCloseEvent* event) {
  if (state_ == State::Running) {
    closeWhenFinished_ = true;
    event->ignore();
    return;
  }
  Timer1->stop();
  if (state_ == State::Waiting) state_ = State::Finished;
  QDialog::closeEvent(event);
}

void RunExport(TKaravelKernel& kernel, TUiServices& services, TExportJob job, QWidget* parent,
               const std::function<void()>& clearList) {
  TProgressForm form(kernel, services, std::move(job), parent);
  QObject::connect(&form, &TProgressForm::nextBatchRequested, parent,
                   [&clearList] { clearList(); });
  form.exec();
}

}  // namespace pixmira
