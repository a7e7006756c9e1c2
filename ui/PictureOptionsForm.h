#pragma once
// The settings dialog "设置": frame or rounded corners on one page, the watermark on the
// other, and a live preview of one list picture. Every control writes into a working copy of
// Config.ini; OK writes that copy to disk and reloads the kernel's store, Cancel drops it.
#include <QColor>
#include <QDialog>
#include <QStyledItemDelegate>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "core/Kernel.h"
#include "output/Export.h"
#include "ui/PreviewWorker.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTabWidget;

namespace pixmira {

class TSettingBinding;
class TUiServices;

// The memo's and the edit's prompt.
QString WatermarkTextPrompt();
// Stored text (line breaks as the character of code 3) to the memo's text, and back.
QString StoredToMemoText(const QString& stored);
QString MemoToStoredText(const QString& memo);
// "宋体", else "黑体", else "Tahoma", else the first face; -1 for no faces.
int DefaultFaceIndex(const QStringList& faces);
// The labels of the two margin rows for an anchor; an empty text hides the row.
std::pair<QString, QString> MarginRowLabels(int anchor);

// Each face name of the font list drawn in its own face.
class TFontFaceDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void paint(QPainter* p, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
};

class TPictureOptionsForm : public QDialog {
  Q_OBJECT
 public:
  // entries: the main window's list (path and angle) at the moment the dialog opens.
  TPictureOptionsForm(TKaravelKernel& kernel, TUiServices& services,
                      std::vector<TExportEntry> entries, QWidget* parent = nullptr);
  ~TPictureOptionsForm() override;

  // The page "边框/圆角" (true) or "水印" (false).
  void ShowPage(bool borderPage);

  // The colour and file dialogs; the tests answer instead of a user.
  std::function<std::optional<QColor>(const QColor& current)> chooseColor;
  std::function<QString()> chooseWatermarkPicture;

  const TMemIniFile& WorkingCopy() const { return working_; }
  int PreviewIndex() const { return previewIndex_; }
  // What the preview box shows now (null when empty).
  QImage PreviewImage() const { return previewImage_; }
  // Runs the event loop until the preview asked for last is shown.
  void WaitForPreview();

  // Controls, named as the handlers refer to them.
  QTabWidget* pgOptions;
  QRadioButton* rbCorner;
  QComboBox* cbCorner;
  QComboBox* cbCornerWidth;
  QCheckBox* ckbCornerRadiusOnResult;
  QRadioButton* rbFrame;
  QListWidget* lvFrames;
  QCheckBox* ckbFrameFit;

  QRadioButton* rbTextWatermark;
  QPlainTextEdit* memWatermark;
  QComboBox* cbFontName;
  QComboBox* cbFontSize;
  QCheckBox* ckbBold;
  QCheckBox* ckbItalic;
  QCheckBox* ckbUnderLine;
  QLabel* shpFontColor;
  QComboBox* cbFontSizeMode;    // WatermarkFontSizeMode: points or percent of the width
  QSpinBox* seFontSizePercent;  // WatermarkFontSizePercent
  QCheckBox* ckbFitText;        // WatermarkFitText
  QCheckBox* ckbOutline;        // WatermarkOutline
  QRadioButton* rbImageWatermark;
  QLineEdit* edWatermarkImage;
  QPushButton* btnSelectWatermark;
  QSpinBox* seWatermarkImageScale;  // WatermarkImageScale, 0 = the picture's own size
  QRadioButton* rbBothWatermark;    // WatermarkType 2
  // The picture's own place when both are stamped.
  QWidget* pnlImageOwn;
  QComboBox* cbImagePos;
  QSpinBox* seImageMarginA;
  QSpinBox* seImageMarginB;
  QSpinBox* seImageTransparent;
  QSpinBox* seImageRotate;

  QRadioButton* rbWatermarkPos;
  QComboBox* cbWatermarkPos;
  QWidget* pnlMargin1;
  QLabel* lblWatermarkPos1;
  QSpinBox* seWatermarkPosBlank1;
  QComboBox* cbWatermarkPosKind1;
  QWidget* pnlMargin2;
  QLabel* lblWatermarkPos2;
  QSpinBox* seWatermarkPosBlank2;
  QComboBox* cbWatermarkPosKind2;
  QRadioButton* rbTileWatermark;
  QSpinBox* seWatermarkTileSpace;
  QSpinBox* seWatermarkTileCount;
  QSlider* tkbRotate;
  QSpinBox* seRotate;
  QSlider* tkbTransparent;
  QSpinBox* seTransparent;

  QLabel* imgPreview;
  QPushButton* btnPrior;
  QPushButton* btnNext;
  QFrame* pnPreviewlHint;
  QLabel* lblHint;
  QPushButton* btnOK;
  QPushButton* btnCancel;

 public slots:
  void btnPriorClick();
  void btnNextClick();
  void btnOKClick();
  void RefreshPreview();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildControls();
  QWidget* BuildFramePage();
  QWidget* BuildWatermarkPage();
  QWidget* BuildPreview();
  void ConnectHandlers();
  void LoadFrameList();
  void LoadOptions();
  void LoadMarginRows(int anchor);
  void ShowMarginRows(int anchor);
  void cbWatermarkPosChange(int anchor);
  void memWatermarkEnter();
  void memWatermarkExit();
  void SetMemoPrompt(bool prompt);
  void shpFontColorMouseUp();
  void SetSwatchColor(const QColor& color);
  void btnSelectWatermarkClick();
  void RefreshIf(const QRadioButton* selected);
  void ShowSizeMode();
  void SubmitPreview();
  void ShowPreview(const TPreviewResult& result);
  void ShowHint(const QString& text);

  void WriteInt(std::string_view key, int value);
  void WriteText(std::string_view key, const QString& value);
  int ReadInt(std::string_view key) const;

  TKaravelKernel& kernel_;
  TUiServices& services_;
  std::vector<TExportEntry> entries_;
  TMemIniFile working_;
  std::shared_ptr<const TMemIniFile> catalog_;
  TPreviewWorker* worker_ = nullptr;
  QButtonGroup* frameGroup_ = nullptr;
  QButtonGroup* typeGroup_ = nullptr;
  QButtonGroup* paintGroup_ = nullptr;
  QImage previewImage_;
  QColor swatchColor_;
  int previewIndex_ = -1;
  bool loading_ = false;
  TSettingBinding* settings_ = nullptr;
  bool submitScheduled_ = false;
};

// Runs the dialog modally on a page; true when it was closed with OK.
bool RunPictureOptions(TKaravelKernel& kernel, TUiServices& services,
                       std::vector<TExportEntry> entries, bool borderPage, QWidget* parent);

}  // namespace pixmira
