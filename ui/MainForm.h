#pragma once
// The main window: the picture list on the left, the effects on the right, each effect
// written to Config.ini the moment it changes, and the generate button that starts the export.
#include <QMainWindow>
#include <functional>

#include "core/Kernel.h"
#include "output/Export.h"
#include "output/SavedList.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QScrollArea;
class QTimer;
class QAction;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QWidget;

namespace pixmira {

class TPictureList;
class TSizeEstimator;
class TUiServices;
class TFramePreviewDelegate;
class TSettingBinding;

class TQivMainForm : public QMainWindow {
  Q_OBJECT
 public:
  TQivMainForm(TKaravelKernel& kernel, TUiServices& services, QWidget* parent = nullptr);
  ~TQivMainForm() override;

  // Sets every control from the settings store, without writing anything back.
  void LoadSettingsToControls();

  void AddPicture(const QString& path);
  void AddFolder(const QString& folder);
  // Files and folders handed over by a later start: folders by the add-folder rule.
  void AddPaths(const QStringList& paths);

  // How an export is run and how the settings dialog is shown; replaced by the tests and by
  // the settings dialog once it exists (returns true when it was confirmed).
  using ExportRunner = std::function<void(const TExportJob& job)>;
  using PictureOptions = std::function<bool(bool borderPage)>;
  void SetExportRunner(ExportRunner runner) { exportRunner_ = std::move(runner); }
  void SetPictureOptions(PictureOptions show) { pictureOptions_ = std::move(show); }

  // The export the generate button would start for target, from the current controls.
  TExportJob MakeExportJob(const QString& target) const;

  // Room for the home link (top right) and the strip along the bottom.
  QLabel* HomeLink() const { return lblHome; }
  QFrame* AdPanel() const { return pnlAD; }

  // Brings the window to the front, restored if minimised.
  void BringToFront();

  // Controls, named as the program's handlers refer to them.
  QLabel* lblTitle;
  QLabel* lblHome;
  QPushButton* btnAddPicture;
  QPushButton* btnAddFolder;
  TPictureList* lvPictures;
  QLabel* pnlHint;
  QPushButton* btnClearPictures;
  QLabel* lblCount;
  QScrollArea* scrEffects;
  QAction* actAddPicture;
  QAction* actAddFolder;
  QAction* actGenerate;
  QAction* actUndo;
  QAction* actRedo;

  QCheckBox* ckbReduceSize;
  QComboBox* cbReduceSize;
  QWidget* pnlReduceSize;
  QSpinBox* seReduceWidthTo;
  QComboBox* cbReduceSizeQuality;
  QCheckBox* ckbReduceSizeSmooth;
  QCheckBox* ckbSquareCanvas;
  QSpinBox* seSliceHeight;             // SliceHeight, 0 = whole pictures
  QCheckBox* ckbSliceWatermarkEach;    // SliceWatermarkEach
  QCheckBox* ckbFrameFit;              // FrameFit
  QCheckBox* ckbCornerRadiusOnResult;  // CornerRadiusOnResult
  QCheckBox* ckbJpegProgressive;
  QComboBox* cbReduceSizeMode;
  QSpinBox* seReduceHeightTo;
  QCheckBox* ckbAllowEnlarge;
  QLabel* lblSizeHint;
  QLineEdit* edOutputName;
  QLabel* lblOutputNameExample;
  QComboBox* cbOutputFormat;
  QCheckBox* ckbWebpLossless;
  QSpinBox* seMaxFileKB;
  QComboBox* cbKeepMetadata;
  QComboBox* cbPreset;
  QPushButton* btnSortPictures;
  QPushButton* btnPreset;
  QCheckBox* ckbAddFrame;
  QStackedWidget* stkFrame;
  QComboBox* cbPictureFrame;
  QWidget* pnlFrame0;
  QComboBox* cbCorner;
  QComboBox* cbCornerWidth;
  QPushButton* btnSetupBorder;
  QCheckBox* ckbAddWatermark;
  QLabel* lblWatermark;
  QStackedWidget* stkWatermark;
  QLineEdit* edWatermark;
  QLineEdit* edWatermarkImage;
  QLabel* lblWatermarkPos;
  QPushButton* btnSetupWatermark;
  QCheckBox* ckbOutputGif;
  QComboBox* cbGifSpeed;
  QLineEdit* edGifSeconds;
  QPushButton* btnGeneratePictures;
  QFrame* pnlAD;

 public slots:
  void btnAddPictureClick();
  void btnAddFolderClick();
  void btnClearPicturesClick();
  void btnGeneratePicturesClick();
  void btnSetupBorderClick();
  void btnSetupWatermarkClick();
  // Opens the settings dialog on its frame page (true) or its watermark page (false).
  void ShowPictureOptions(bool borderPage);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void BuildControls();
  void MakeActions();
  // Size and place from Config.ini (else the first size, centred), always wholly on the screen.
  void PlaceWindow();
  void SavePlacement();
  // A folder a dialog starts in, and remembering the one the user went to.
  QString StoredFolder(std::string_view key) const;
  void StoreFolder(std::string_view key, const QString& folder);
  void ConnectHandlers();
  void FillFrameList();
  // Writes into the settings store and then the whole file; a failure is shown and the value
  // stays in memory for the next write.
  void WriteSetting(const std::function<void(TMemIniFile&)>& write);
  void edWatermarkEnter();
  void edWatermarkExit();
  void SetWatermarkPlaceholder(bool placeholder);
  // The file name the pattern gives the first list picture (or a sample one).
  void ShowOutputNameExample();
  // Asks for a new size estimate a moment after the last change.
  void EstimateSoon();
  void ShowSizeEstimate(qint64 bytes);
  // The preset list and its menu: switch, save as, rename, delete.
  void FillPresets();
  // The list of the last session, and keeping this one's when the window closes.
  void RestorePictureList();
  void KeepPictureList();
  void SortPictures(TPictureOrder order);
  void SwitchPreset(const QString& name);
  void SavePresetAs();
  void RenamePreset();
  void DeletePreset();
  void UpdateWatermarkPosCaption(int paintStyle, int pos);

  TKaravelKernel& kernel_;
  TUiServices& services_;
  TFramePreviewDelegate* frameDelegate_ = nullptr;
  ExportRunner exportRunner_;
  PictureOptions pictureOptions_;
  bool loading_ = false;
  TSizeEstimator* sizeEstimator_ = nullptr;
  QTimer* estimateTimer_ = nullptr;
  bool placed_ = false;
  TSettingBinding* settings_ = nullptr;
  QTimer* placementTimer_ = nullptr;
};

// wanted moved and shrunk to lie wholly in available, never below minimum unless the screen
// is smaller still.
QRect FitWindowRect(const QRect& wanted, const QRect& available, const QSize& minimum);
// The watermark edit's prompt.
QString WatermarkPrompt();
// lblWatermarkPos's caption, or nothing for a value that leaves it as it was.
QString WatermarkPosCaption(int paintStyle, int pos);

}  // namespace pixmira
