#include "ui/MainForm.h"

#include <QCoreApplication>

#include <algorithm>

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTimer>
#include <QUndoStack>
#include <QVBoxLayout>

#include "core/Errors.h"
#include "core/Presets.h"
#include "core/Settings.h"
#include "output/OutputFile.h"
#include "output/SavedList.h"
#include "ui/AdStrip.h"
#include "ui/AnchorCaptions.h"
#include "ui/FrameCombo.h"
#include "ui/HomeLink.h"
#include "ui/Messages.h"
#include "ui/PictureList.h"
#include "ui/PictureOptionsForm.h"
#include "ui/ProgressForm.h"
#include "ui/SettingBinding.h"
#include "ui/SizeEstimate.h"
#include "ui/Tr.h"
#include "ui/UiServices.h"
#include "ui/UpdateCheck.h"

namespace pixmira {

namespace {

const QColor kSilver(0xC0, 0xC0, 0xC0);

QLabel* Label(const QString& text, QWidget* parent) { return new QLabel(text, parent); }

QComboBox* Combo(std::initializer_list<QString> items, QWidget* parent) {
  auto* combo = new QComboBox(parent);
  for (const QString& item : items) combo->addItem(item);
  return combo;
}

QFrame* Separator(QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

// A row of widgets indented under its check box.
QHBoxLayout* Row(std::initializer_list<QWidget*> widgets, bool stretch = true) {
  auto* row = new QHBoxLayout;
  row->setContentsMargins(20, 0, 0, 0);
  row->setSpacing(4);
  for (QWidget* widget : widgets) row->addWidget(widget);
  if (stretch) row->addStretch(1);
  return row;
}

// edGifSeconds takes digits and one "."; the validator judges every change, typed, pasted or
// committed by an input method alike.
QValidator* SecondsValidator(QObject* parent) {
  return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*\\.?[0-9]*")),
                                         parent);
}

}  // namespace

QString WatermarkPrompt() { return Pixmira::tr("请在此输入水印文字"); }

QString WatermarkPosCaption(int paintStyle, int pos) {
  if (paintStyle == 1) return Pixmira::tr("平铺水印");
  return AnchorPlacedCaption(pos);
}

TQivMainForm::TQivMainForm(TKaravelKernel& kernel, TUiServices& services, QWidget* parent)
    : QMainWindow(parent), kernel_(kernel), services_(services) {
  setObjectName(QStringLiteral("TQivMainForm"));
  setWindowTitle(QStringLiteral("Pixmira"));
  exportRunner_ = [this](const TExportJob& job) {
    RunExport(kernel_, services_, job, this, [this] { btnClearPicturesClick(); });
  };

  loading_ = true;
  BuildControls();
  FillFrameList();
  loading_ = false;
  ConnectHandlers();
  MakeActions();
  LoadSettingsToControls();
  PlaceWindow();
  RestorePictureList();

  // Settings dialog, home link, update check and the bottom strip.
  pictureOptions_ = [this](bool borderPage) {
    return RunPictureOptions(kernel_, services_, lvPictures->ExportEntries(), borderPage, this);
  };
  new THomeLink(lblHome, kernel_, services_);
  new TUpdateCheck(this, kernel_);
  new TAdStrip(pnlAD);
}

TQivMainForm::~TQivMainForm() = default;

void TQivMainForm::BuildControls() {
  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("central"));
  central->setAutoFillBackground(true);
  QPalette white = central->palette();
  white.setColor(QPalette::Window, Qt::white);
  central->setPalette(white);
  setCentralWidget(central);

  // Heading and the home link.
  lblTitle = Label(Pixmira::tr("简单两步，批量制作精美Karavel图片！"), central);
  QFont bold = lblTitle->font();
  bold.setBold(true);
  lblTitle->setFont(bold);
  lblHome = Label(Pixmira::tr("官方首页"), central);
  lblHome->setObjectName(QStringLiteral("lblHome"));
  QPalette blue = lblHome->palette();
  blue.setColor(QPalette::WindowText, QColor(0, 0, 0xFF));
  lblHome->setPalette(blue);
  auto* header = new QHBoxLayout;
  header->addWidget(lblTitle);
  header->addStretch(1);
  header->addWidget(lblHome);

  // Left: the picture list.
  auto* grpPictures = new QGroupBox(Pixmira::tr("添加图片"), central);
  grpPictures->setObjectName(QStringLiteral("grpPictures"));
  btnAddPicture = new QPushButton(Pixmira::tr("添加图片(&A)..."), grpPictures);
  btnAddFolder = new QPushButton(Pixmira::tr("添加文件夹(&F)..."), grpPictures);
  lvPictures = new TPictureList(grpPictures);
  // One column at least; the window gives the list every pixel it can spare.
  lvPictures->setMinimumSize(kIconSpacingX + 24, kIconSpacingY / 2);
  lvPictures->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  pnlHint = lvPictures->HintPanel();
  btnClearPictures = new QPushButton(Pixmira::tr("清空列表(&C)"), grpPictures);
  lblCount = new QLabel(grpPictures);
  lblCount->setObjectName(QStringLiteral("lblCount"));
  auto* leftTop = new QHBoxLayout;
  leftTop->addWidget(btnAddPicture);
  leftTop->addWidget(btnAddFolder);
  leftTop->addStretch(1);
  auto* leftBottom = new QHBoxLayout;
  leftBottom->addWidget(btnClearPictures);
  btnSortPictures = new QPushButton(Pixmira::tr("排序(&S)"), grpPictures);
  btnSortPictures->setObjectName(QStringLiteral("btnSortPictures"));
  {
    auto* menu = new QMenu(btnSortPictures);
    menu->addAction(Pixmira::tr("按文件名"), this, [this] { SortPictures(TPictureOrder::Name); });
    menu->addAction(Pixmira::tr("按拍摄日期"), this,
                    [this] { SortPictures(TPictureOrder::DateTaken); });
    menu->addAction(Pixmira::tr("按文件日期"), this,
                    [this] { SortPictures(TPictureOrder::FileDate); });
    btnSortPictures->setMenu(menu);
  }
  leftBottom->addWidget(btnSortPictures);
  leftBottom->addStretch(1);
  auto* left = new QVBoxLayout(grpPictures);
  left->setContentsMargins(6, 6, 6, 6);
  left->addLayout(leftTop);
  left->addWidget(lvPictures, 1);
  left->addLayout(leftBottom);
  // The count on a line of its own, so the list's buttons keep the window narrow.
  left->addWidget(lblCount, 0, Qt::AlignRight);

  // Right: the effects.
  auto* grpGenerate = new QGroupBox(Pixmira::tr("图片生成"), central);
  grpGenerate->setObjectName(QStringLiteral("grpGenerate"));
  auto* lblEffects = Label(Pixmira::tr("为左侧列表中的图片添加以下效果："), grpGenerate);
  lblEffects->setFont(bold);

  ckbReduceSize =
      new QCheckBox(Pixmira::tr("图片瘦身 - 批量修改图片尺寸，节省硬盘空间！"), grpGenerate);
  cbReduceSize =
      Combo({Pixmira::tr("较小图片（310像素宽，约20KB，适合宝贝图片）"),
             Pixmira::tr("中等图片（500像素宽，约100KB，适合宝贝图片）"),
             Pixmira::tr("较大图片（700像素宽，约130KB，适合宝贝图片）"), Pixmira::tr("自定义")},
            grpGenerate);
  pnlReduceSize = new QWidget(grpGenerate);
  seReduceWidthTo = new QSpinBox(pnlReduceSize);
  seReduceWidthTo->setRange(0, 999999);
  seReduceWidthTo->setValue(310);
  cbReduceSizeQuality = Combo(
      {Pixmira::tr("高等质量"), Pixmira::tr("中等质量"), Pixmira::tr("低等质量")}, pnlReduceSize);
  ckbJpegProgressive = new QCheckBox(Pixmira::tr("渐进式"), pnlReduceSize);
  ckbJpegProgressive->setToolTip(Pixmira::tr("渐进式JPEG：画面相同，文件更小"));
  ckbReduceSizeSmooth = new QCheckBox(Pixmira::tr("平滑缩小（画质更好）"), grpGenerate);
  ckbSquareCanvas = new QCheckBox(Pixmira::tr("正方形主图（白底）"), grpGenerate);
  cbReduceSizeMode = Combo({Pixmira::tr("按宽度"), Pixmira::tr("按最长边"),
                            Pixmira::tr("放进宽×高之内"), Pixmira::tr("正好宽×高（白底）")},
                           grpGenerate);
  cbReduceSizeMode->setObjectName(QStringLiteral("cbReduceSizeMode"));
  seReduceHeightTo = new QSpinBox(grpGenerate);
  seReduceHeightTo->setRange(0, 999999);
  seReduceHeightTo->setToolTip(Pixmira::tr("0 = 与宽相同"));
  seReduceHeightTo->setObjectName(QStringLiteral("seReduceHeightTo"));
  ckbAllowEnlarge = new QCheckBox(Pixmira::tr("允许放大小图片"), grpGenerate);
  ckbAllowEnlarge->setObjectName(QStringLiteral("ckbAllowEnlarge"));
  lblSizeHint = new QLabel(pnlReduceSize);
  lblSizeHint->setObjectName(QStringLiteral("lblSizeHint"));
  seSliceHeight = new QSpinBox(grpGenerate);
  seSliceHeight->setRange(0, 99999);
  seSliceHeight->setSpecialValueText(Pixmira::tr("不切"));
  seSliceHeight->setSuffix(Pixmira::tr(" 像素"));
  seSliceHeight->setToolTip(
      Pixmira::tr("比这更高的长图（如详情页图片）切成几张保存：名字-01.jpg、名字-02.jpg……"
                  "每张最多这么高，按顺序拼起来就是原图。0 = 不切。只对JPEG有效，动态图片不切。"));
  ckbSliceWatermarkEach = new QCheckBox(Pixmira::tr("每片都加水印"), grpGenerate);
  ckbSliceWatermarkEach->setToolTip(
      Pixmira::tr("勾选：每一片单独加水印。不勾选（默认）：先给整张图片加水印，再切片。"));
  {
    // The progressive box on a line of its own, so the effect panel stays narrow enough for
    // two columns of pictures beside it.
    auto* lines = new QVBoxLayout(pnlReduceSize);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(4);
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    row->addWidget(Label(Pixmira::tr("图片宽"), pnlReduceSize));
    row->addWidget(seReduceWidthTo);
    row->addWidget(Label(Pixmira::tr("像素，"), pnlReduceSize));
    row->addWidget(cbReduceSizeQuality);
    row->addWidget(lblSizeHint);
    row->addStretch(1);
    lines->addLayout(row);
    lines->addWidget(ckbJpegProgressive);
  }
  QSizePolicy keepRoom = pnlReduceSize->sizePolicy();
  keepRoom.setRetainSizeWhenHidden(true);
  pnlReduceSize->setSizePolicy(keepRoom);

  ckbAddFrame = new QCheckBox(Pixmira::tr("为图片添加边框或圆角 - 美化宝贝图片"), grpGenerate);
  stkFrame = new QStackedWidget(grpGenerate);
  auto* pageFrame = new QWidget(stkFrame);
  cbPictureFrame = new QComboBox(pageFrame);
  cbPictureFrame->setMaxVisibleItems(3);
  // A list popup, so only three of the tall preview rows show at once.
  cbPictureFrame->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
  cbPictureFrame->setMinimumContentsLength(12);
  ckbFrameFit = new QCheckBox(Pixmira::tr("完整显示图片（白底，不裁剪、不放大）"), pageFrame);
  ckbFrameFit->setToolTip(
      Pixmira::tr("整张图片放进边框的空白区域，空余处留白，小图片不会被放大。"
                  "不勾选时图片铺满空白区域，超出的部分被边框裁掉。"));
  {
    auto* lines = new QVBoxLayout(pageFrame);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(4);
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    row->addWidget(Label(Pixmira::tr("选择要添加的边框："), pageFrame));
    row->addWidget(cbPictureFrame, 1);
    lines->addLayout(row);
    lines->addWidget(ckbFrameFit);
  }
  pnlFrame0 = new QWidget(stkFrame);
  cbCorner = Combo(
      {Pixmira::tr("四角"), Pixmira::tr("左上角"), Pixmira::tr("左下角"), Pixmira::tr("右上角"),
       Pixmira::tr("右下角"), Pixmira::tr("左上角+左下角"), Pixmira::tr("右上角+右下角"),
       Pixmira::tr("左上角+右上角"), Pixmira::tr("左下角+右下角"), Pixmira::tr("左上角+右下角"),
       Pixmira::tr("左下角+右上角")},
      pnlFrame0);
  cbCornerWidth = Combo({Pixmira::tr("小圆角（半径10像素）"), Pixmira::tr("中圆角（半径20像素）"),
                         Pixmira::tr("大圆角（半径30像素）")},
                        pnlFrame0);
  ckbCornerRadiusOnResult = new QCheckBox(Pixmira::tr("半径按成品图片计算"), pnlFrame0);
  ckbCornerRadiusOnResult->setToolTip(
      Pixmira::tr("先缩小图片再剪裁圆角：半径是成品图片上的像素，大照片和小照片的圆角一样大。"
                  "不勾选时按原图剪裁，原图越大，成品上的圆角越小。"));
  {
    auto* lines = new QVBoxLayout(pnlFrame0);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(4);
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    row->addWidget(Label(Pixmira::tr("将图片"), pnlFrame0));
    row->addWidget(cbCorner);
    row->addWidget(Label(Pixmira::tr("剪裁为"), pnlFrame0));
    row->addWidget(cbCornerWidth);
    row->addStretch(1);
    lines->addLayout(row);
    lines->addWidget(ckbCornerRadiusOnResult);
  }
  stkFrame->addWidget(pageFrame);
  stkFrame->addWidget(pnlFrame0);
  btnSetupBorder = new QPushButton(Pixmira::tr("修改边框及圆角设置(&B)..."), grpGenerate);

  ckbAddWatermark = new QCheckBox(
      Pixmira::tr("为图片添加水印 - 防止图片被盗，还可以宣传您的店铺！"), grpGenerate);
  lblWatermark = Label(Pixmira::tr("水印文字："), grpGenerate);
  stkWatermark = new QStackedWidget(grpGenerate);
  edWatermark = new QLineEdit(stkWatermark);
  edWatermarkImage = new QLineEdit(stkWatermark);
  edWatermarkImage->setReadOnly(true);
  stkWatermark->addWidget(edWatermark);
  stkWatermark->addWidget(edWatermarkImage);
  stkWatermark->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  lblWatermarkPos = new QLabel(grpGenerate);
  btnSetupWatermark = new QPushButton(Pixmira::tr("修改水印设置及外观(&W)..."), grpGenerate);

  ckbOutputGif = new QCheckBox(Pixmira::tr("合并生成一张宝贝动态展示图片 - 自动切换，循环展示宝贝"),
                               grpGenerate);
  cbGifSpeed = Combo({Pixmira::tr("高速"), Pixmira::tr("中速"), Pixmira::tr("低速")}, grpGenerate);
  edGifSeconds = new QLineEdit(QStringLiteral("1.00"), grpGenerate);
  edGifSeconds->setMaximumWidth(56);
  edGifSeconds->setAlignment(Qt::AlignRight);

  btnGeneratePictures = new QPushButton(Pixmira::tr("生成图片(&G)..."), grpGenerate);
  btnGeneratePictures->setMinimumHeight(32);
  btnGeneratePictures->setMinimumWidth(130);
  QFont big = btnGeneratePictures->font();
  big.setBold(true);
  btnGeneratePictures->setFont(big);

  // The effects scroll when the window is too low for them (a small screen, a large scale
  // factor); the generate button stays in reach below them.
  auto* effects = new QWidget;
  effects->setObjectName(QStringLiteral("pnlEffects"));
  effects->setAutoFillBackground(false);
  auto* right = new QVBoxLayout(effects);
  right->setContentsMargins(0, 0, 0, 0);
  right->setSpacing(6);
  right->addWidget(lblEffects);
  right->addWidget(ckbReduceSize);
  // The width list on a line of its own, so its long texts are never cut.
  right->addLayout(Row({Label(Pixmira::tr("调整图片为："), grpGenerate)}));
  right->addLayout(Row({cbReduceSize}));
  right->addLayout(Row({ckbReduceSizeSmooth, ckbSquareCanvas}));
  // Mode and height on lines of their own, so the panel keeps its width.
  right->addLayout(Row({Label(Pixmira::tr("缩小方式："), grpGenerate), cbReduceSizeMode}));
  right->addLayout(Row({Label(Pixmira::tr("高"), grpGenerate), seReduceHeightTo, ckbAllowEnlarge}));
  right->addLayout(Row({Label(Pixmira::tr("长图切片：每片最高"), grpGenerate), seSliceHeight,
                        ckbSliceWatermarkEach}));
  right->addLayout(Row({pnlReduceSize}, false));
  right->addWidget(Separator(grpGenerate));
  right->addWidget(ckbAddFrame);
  right->addLayout(Row({stkFrame}, false));
  right->addLayout(Row({btnSetupBorder}));
  right->addWidget(Separator(grpGenerate));
  right->addWidget(ckbAddWatermark);
  right->addLayout(Row({lblWatermark, stkWatermark}, false));
  {
    auto* row = Row({lblWatermarkPos});
    row->addWidget(btnSetupWatermark);
    right->addLayout(row);
  }
  right->addWidget(Separator(grpGenerate));
  edOutputName = new QLineEdit(grpGenerate);
  edOutputName->setObjectName(QStringLiteral("edOutputName"));
  edOutputName->setToolTip(
      Pixmira::tr("{name} 原文件名，{n} 序号（{n:3} 补足3位），{date} 日期，{w}×{h} 尺寸"));
  lblOutputNameExample = new QLabel(grpGenerate);
  lblOutputNameExample->setObjectName(QStringLiteral("lblOutputNameExample"));
  cbOutputFormat =
      Combo({QStringLiteral("JPEG"), QStringLiteral("PNG"), QStringLiteral("WebP")}, grpGenerate);
  cbOutputFormat->setObjectName(QStringLiteral("cbOutputFormat"));
  ckbWebpLossless = new QCheckBox(Pixmira::tr("无损"), grpGenerate);
  seMaxFileKB = new QSpinBox(grpGenerate);
  seMaxFileKB->setRange(0, 999999);
  seMaxFileKB->setSpecialValueText(Pixmira::tr("不限"));
  seMaxFileKB->setToolTip(Pixmira::tr("0 = 不限；超出时降低质量，仍超出时逐步缩小图片"));
  seMaxFileKB->setObjectName(QStringLiteral("seMaxFileKB"));
  cbKeepMetadata =
      Combo({Pixmira::tr("去除全部"), Pixmira::tr("保留拍摄信息（不含位置）")}, grpGenerate);
  cbPreset = new QComboBox(grpGenerate);
  cbPreset->setObjectName(QStringLiteral("cbPreset"));
  // A long preset name must not widen the panel.
  cbPreset->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  cbPreset->setMinimumContentsLength(12);
  btnPreset = new QPushButton(Pixmira::tr("方案(&P)"), grpGenerate);
  {
    auto* menu = new QMenu(btnPreset);
    menu->addAction(Pixmira::tr("另存为方案(&S)..."), this, &TQivMainForm::SavePresetAs);
    menu->addAction(Pixmira::tr("重命名方案(&R)..."), this, &TQivMainForm::RenamePreset);
    menu->addAction(Pixmira::tr("删除方案(&D)"), this, &TQivMainForm::DeletePreset);
    btnPreset->setMenu(menu);
  }
  right->addLayout(Row({Label(Pixmira::tr("文件名："), grpGenerate), edOutputName}, false));
  right->addLayout(Row({lblOutputNameExample}));
  right->addLayout(
      Row({Label(Pixmira::tr("格式："), grpGenerate), cbOutputFormat, ckbWebpLossless}));
  right->addLayout(Row({Label(Pixmira::tr("文件不超过"), grpGenerate), seMaxFileKB,
                        Label(QStringLiteral("KB"), grpGenerate)}));
  right->addLayout(Row({Label(Pixmira::tr("照片信息："), grpGenerate)}));
  right->addLayout(Row({cbKeepMetadata}));
  right->addLayout(Row({Label(Pixmira::tr("方案："), grpGenerate), cbPreset, btnPreset}, false));
  right->addWidget(Separator(grpGenerate));
  right->addWidget(ckbOutputGif);
  right->addLayout(Row({Label(Pixmira::tr("宝贝图片切换速度："), grpGenerate), cbGifSpeed,
                        Label(Pixmira::tr("每"), grpGenerate), edGifSeconds,
                        Label(Pixmira::tr("秒切换一张图片"), grpGenerate)}));
  right->addStretch(1);
  scrEffects = new QScrollArea(grpGenerate);
  scrEffects->setObjectName(QStringLiteral("scrEffects"));
  scrEffects->setFrameShape(QFrame::NoFrame);
  scrEffects->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scrEffects->setWidgetResizable(true);
  scrEffects->setWidget(effects);
  scrEffects->viewport()->setAutoFillBackground(false);
  // Long drop-down texts shrink with an ellipsis rather than widen the panel.
  // The width list keeps room for its longest text, which tells the sizes apart.
  {
    int longest = 0;
    for (int i = 0; i < cbReduceSize->count(); ++i)
      longest = std::max(longest,
                         cbReduceSize->fontMetrics().horizontalAdvance(cbReduceSize->itemText(i)));
    // What the style takes from the box for its frame and arrow, measured at the hint's size.
    QStyleOptionComboBox box;
    box.initFrom(cbReduceSize);
    box.rect = QRect(QPoint(0, 0), cbReduceSize->sizeHint());
    const QRect text = cbReduceSize->style()->subControlRect(
        QStyle::CC_ComboBox, &box, QStyle::SC_ComboBoxEditField, cbReduceSize);
    cbReduceSize->setMinimumWidth(longest + box.rect.width() - text.width());
  }
  for (QComboBox* combo : {cbPictureFrame, cbCorner, cbCornerWidth, cbReduceSizeMode, cbPreset}) {
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(8);
    combo->setMinimumWidth(combo->sizeHint().width());
  }
  effects->adjustSize();
  // The classic width unless the words need more, with room for the scroll bar; the panel
  // keeps it whatever the window's size.
  const int bar = scrEffects->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  scrEffects->setFixedWidth(std::max(384 - 12, effects->minimumSizeHint().width() + bar + 2));
  scrEffects->setMinimumHeight(120);
  auto* generateBox = new QVBoxLayout(grpGenerate);
  generateBox->setContentsMargins(6, 6, 6, 6);
  generateBox->addWidget(scrEffects, 1);
  {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(btnGeneratePictures);
    generateBox->addLayout(row);
  }
  grpGenerate->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);

  auto* groups = new QHBoxLayout;
  groups->setSpacing(8);
  groups->addWidget(grpPictures, 1);
  groups->addWidget(grpGenerate, 0);

  // The strip along the bottom; the advertisement view goes in here.
  pnlAD = new QFrame(central);
  pnlAD->setObjectName(QStringLiteral("pnlAD"));
  pnlAD->setFixedHeight(70);
  pnlAD->setFrameShape(QFrame::NoFrame);

  auto* page = new QVBoxLayout;
  page->setContentsMargins(8, 6, 8, 4);
  page->setSpacing(6);
  page->addLayout(header);
  page->addLayout(groups, 1);
  auto* outer = new QVBoxLayout(central);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  outer->addLayout(page, 1);
  outer->addWidget(pnlAD);

  const QList<QWidget*> named = {
      btnAddPicture, btnAddFolder,    btnClearPictures,    ckbReduceSize,      cbReduceSize,
      pnlReduceSize, seReduceWidthTo, cbReduceSizeQuality, ckbAddFrame,        cbPictureFrame,
      pnlFrame0,     cbCorner,        cbCornerWidth,       btnSetupBorder,     ckbAddWatermark,
      lblWatermark,  edWatermark,     edWatermarkImage,    lblWatermarkPos,    btnSetupWatermark,
      ckbOutputGif,  cbGifSpeed,      edGifSeconds,        btnGeneratePictures};
  const char* const names[] = {
      "btnAddPicture", "btnAddFolder",     "btnClearPictures", "ckbReduceSize",
      "cbReduceSize",  "pnlReduceSize",    "seReduceWidthTo",  "cbReduceSizeQuality",
      "ckbAddFrame",   "cbPictureFrame",   "pnlFrame0",        "cbCorner",
      "cbCornerWidth", "btnSetupBorder",   "ckbAddWatermark",  "lblWatermark",
      "edWatermark",   "edWatermarkImage", "lblWatermarkPos",  "btnSetupWatermark",
      "ckbOutputGif",  "cbGifSpeed",       "edGifSeconds",     "btnGeneratePictures"};
  for (int i = 0; i < named.size(); ++i) named[i]->setObjectName(QString::fromLatin1(names[i]));
  ckbReduceSizeSmooth->setObjectName(QStringLiteral("ckbReduceSizeSmooth"));
  ckbSquareCanvas->setObjectName(QStringLiteral("ckbSquareCanvas"));
  seSliceHeight->setObjectName(QStringLiteral("seSliceHeight"));
  ckbSliceWatermarkEach->setObjectName(QStringLiteral("ckbSliceWatermarkEach"));
  ckbFrameFit->setObjectName(QStringLiteral("ckbFrameFit"));
  ckbCornerRadiusOnResult->setObjectName(QStringLiteral("ckbCornerRadiusOnResult"));
  ckbJpegProgressive->setObjectName(QStringLiteral("ckbJpegProgressive"));

  edWatermark->installEventFilter(this);
  edGifSeconds->setValidator(SecondsValidator(edGifSeconds));
}

void TQivMainForm::FillFrameList() {
  frameDelegate_ =
      new TFramePreviewDelegate(kernel_.CatalogStore(), kernel_.FramesFolder(), cbPictureFrame);
  cbPictureFrame->setItemDelegate(frameDelegate_);
  for (const std::string& section : kernel_.CatalogStore().ReadSections())
    cbPictureFrame->addItem(QString::fromStdString(section));
  if (cbPictureFrame->count() > 0) cbPictureFrame->setCurrentIndex(0);
  // The open list is as wide as its widest preview.
  int width = 0;
  QStyleOptionViewItem option;
  option.initFrom(cbPictureFrame->view());
  for (int i = 0; i < cbPictureFrame->count(); ++i)
    width = std::max(
        width, frameDelegate_->sizeHint(option, cbPictureFrame->model()->index(i, 0)).width());
  cbPictureFrame->view()->setMinimumWidth(width + 40);
}

void TQivMainForm::ConnectHandlers() {
  connect(btnAddPicture, &QPushButton::clicked, this, &TQivMainForm::btnAddPictureClick);
  connect(btnAddFolder, &QPushButton::clicked, this, &TQivMainForm::btnAddFolderClick);
  connect(btnClearPictures, &QPushButton::clicked, this, &TQivMainForm::btnClearPicturesClick);
  connect(btnGeneratePictures, &QPushButton::clicked, this,
          &TQivMainForm::btnGeneratePicturesClick);
  connect(btnSetupBorder, &QPushButton::clicked, this, &TQivMainForm::btnSetupBorderClick);
  connect(btnSetupWatermark, &QPushButton::clicked, this, &TQivMainForm::btnSetupWatermarkClick);

  // The controls that show one key as it is: bound once, loaded and written by the binding.
  settings_ = new TSettingBinding(
      [this]() -> TMemIniFile& { return kernel_.SettingsStore(); }, ReadSite::Main,
      [this](const std::function<void(TMemIniFile&)>& write) { WriteSetting(write); }, this);
  settings_->Bind(ckbReduceSize, keys::ReduceSize);
  settings_->Bind(cbReduceSize, keys::ReduceSizeType);
  settings_->Bind(seReduceWidthTo, keys::ReduceSizeWidth);
  settings_->Bind(cbReduceSizeQuality, keys::ReduceSizeQuality);
  settings_->Bind(ckbReduceSizeSmooth, keys::ReduceSizeSmooth);
  settings_->Bind(ckbSquareCanvas, keys::SquareCanvas);
  settings_->Bind(seSliceHeight, keys::SliceHeight);
  settings_->Bind(ckbSliceWatermarkEach, keys::SliceWatermarkEach);
  settings_->Bind(ckbFrameFit, keys::FrameFit);
  settings_->Bind(ckbCornerRadiusOnResult, keys::CornerRadiusOnResult);
  settings_->Bind(ckbJpegProgressive, keys::JpegProgressive);
  settings_->Bind(cbReduceSizeMode, keys::ReduceSizeMode);
  settings_->Bind(seReduceHeightTo, keys::ReduceSizeHeight);
  settings_->Bind(ckbAllowEnlarge, keys::AllowEnlarge);
  settings_->Bind(cbOutputFormat, keys::OutputFormat);
  settings_->Bind(ckbWebpLossless, keys::WebpLossless);
  settings_->Bind(seMaxFileKB, keys::MaxFileKB);
  settings_->Bind(cbKeepMetadata, keys::KeepMetadata);
  settings_->Bind(ckbAddFrame, keys::AddFrame);
  settings_->Bind(cbCorner, keys::CornerType);
  settings_->Bind(cbCornerWidth, keys::CornerWidth);
  settings_->Bind(ckbAddWatermark, keys::AddWatermark);
  settings_->Bind(ckbOutputGif, keys::OutputGif);
  connect(cbReduceSize, &QComboBox::currentIndexChanged, this,
          [this](int index) { pnlReduceSize->setVisible(index == 3); });
  connect(cbReduceSizeMode, &QComboBox::currentIndexChanged, this,
          [this](int index) { seReduceHeightTo->setEnabled(index >= 2); });
  connect(edOutputName, &QLineEdit::textEdited, this, [this](const QString& text) {
    const std::string pattern = text.toStdString();
    WriteSetting(
        [&](TMemIniFile& s) { s.WriteString(kGeneral, keys::OutputNamePattern, pattern); });
    ShowOutputNameExample();
  });
  connect(cbOutputFormat, &QComboBox::currentIndexChanged, this, [this](int index) {
    ckbWebpLossless->setEnabled(index == 2);
    ShowOutputNameExample();
  });
  connect(cbPreset, &QComboBox::activated, this,
          [this](int index) { SwitchPreset(cbPreset->itemText(index)); });
  sizeEstimator_ = new TSizeEstimator(this);
  connect(sizeEstimator_, &TSizeEstimator::estimateReady, this, &TQivMainForm::ShowSizeEstimate);
  estimateTimer_ = new QTimer(this);
  estimateTimer_->setSingleShot(true);
  estimateTimer_->setInterval(300);
  connect(estimateTimer_, &QTimer::timeout, this, [this] {
    const std::vector<TExportEntry> entries = lvPictures->ExportEntries();
    if (entries.empty() || pnlReduceSize->isHidden()) {
      lblSizeHint->clear();
      return;
    }
    TSizeEstimateJob job;
    job.entry = entries.front();
    job.settings = kernel_.SettingsStore();
    job.catalog = kernel_.CatalogStore();
    job.framesFolder = kernel_.FramesFolder();
    sizeEstimator_->Request(std::move(job));
  });
  connect(lvPictures, &TPictureList::countChanged, this, [this](int) {
    ShowOutputNameExample();
    EstimateSoon();
  });
  connect(cbPictureFrame, &QComboBox::currentIndexChanged, this, [this](int) {
    const std::string name = cbPictureFrame->currentText().toStdString();
    WriteSetting([&](TMemIniFile& s) { s.WriteString(kGeneral, keys::FrameName, name); });
  });
  // A chosen speed is a number of seconds: the field shows it and the export uses it. Typing in
  // the field leaves the speed as it is; choosing the shown speed again brings its seconds back.
  static const char* const kSpeedSeconds[] = {"0.50", "1.00", "2.00"};
  auto chooseGifSpeed = [this](int index) {
    if (loading_ || index < 0 || index > 2) return;
    {
      const QSignalBlocker quiet(edGifSeconds);
      edGifSeconds->setText(QLatin1String(kSpeedSeconds[index]));
    }
    WriteSetting([&](TMemIniFile& s) {
      s.WriteInteger(kGeneral, keys::GifSpeed, index);
      s.WriteString(kGeneral, keys::GifSeconds, kSpeedSeconds[index]);
    });
  };
  connect(cbGifSpeed, &QComboBox::currentIndexChanged, this, chooseGifSpeed);
  connect(cbGifSpeed, &QComboBox::activated, this, [this, chooseGifSpeed](int index) {
    if (index >= 0 && index <= 2 && edGifSeconds->text() != QLatin1String(kSpeedSeconds[index]))
      chooseGifSpeed(index);
  });
  connect(edGifSeconds, &QLineEdit::textChanged, this, [this](const QString& text) {
    const std::string seconds = text.toStdString();
    WriteSetting([&](TMemIniFile& s) { s.WriteString(kGeneral, keys::GifSeconds, seconds); });
  });
}

void TQivMainForm::WriteSetting(const std::function<void(TMemIniFile&)>& write) {
  if (loading_) return;
  write(kernel_.SettingsStore());
  try {
    kernel_.SaveSettings();
  } catch (const EFileError& e) {
    services_.Error(this, WriteErrorText(QString::fromStdString(e.Path()), e.Error()));
  } catch (const Exception& e) {
    services_.Error(this, QString::fromStdString(e.what()));
  }
  EstimateSoon();
}

void TQivMainForm::RestorePictureList() {
  if (!ReadSettingBool(kernel_.SettingsStore(), keys::RestoreList, ReadSite::Main)) return;
  const std::vector<TExportEntry> entries =
      LoadSavedList(SavedListPathFor(kernel_.Paths().configFile));
  for (const TExportEntry& entry : entries) {
    lvPictures->AddPicture(QString::fromStdString(entry.path));
    for (int turn = 0; turn < entry.angle / 90; ++turn)
      lvPictures->TurnEntry(lvPictures->count() - 1, true);
  }
  // What the last session left is where this one starts, not something to undo.
  lvPictures->UndoStack()->clear();
}

void TQivMainForm::KeepPictureList() {
  if (!ReadSettingBool(kernel_.SettingsStore(), keys::RestoreList, ReadSite::Main)) return;
  try {
    SaveList(SavedListPathFor(kernel_.Paths().configFile), lvPictures->ExportEntries());
  } catch (const EFileError&) {
    // Closing goes on: the list is a convenience and the pictures themselves are untouched.
  }
}

void TQivMainForm::SortPictures(TPictureOrder order) {
  const std::vector<TExportEntry> entries = lvPictures->ExportEntries();
  const std::vector<int> sorted = SortedOrder(entries, order);
  lvPictures->UndoStack()->beginMacro(Pixmira::tr("排序"));
  // Row by row from the top: the entry that belongs at i is moved there from below.
  std::vector<int> current(entries.size());
  for (std::size_t i = 0; i < current.size(); ++i) current[i] = int(i);
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    const auto at = std::find(current.begin() + i, current.end(), sorted[i]) - current.begin();
    if (std::size_t(at) == i) continue;
    lvPictures->MoveEntries({int(at)}, int(i));
    const int moved = current[at];
    current.erase(current.begin() + at);
    current.insert(current.begin() + i, moved);
  }
  lvPictures->UndoStack()->endMacro();
}

void TQivMainForm::EstimateSoon() {
  if (estimateTimer_) estimateTimer_->start();
}

void TQivMainForm::ShowSizeEstimate(qint64 bytes) {
  if (bytes < 0) {
    lblSizeHint->clear();
    return;
  }
  const qint64 kb = std::max<qint64>(1, (bytes + 512) / 1024);
  lblSizeHint->setText(Pixmira::tr("，大小约%1KB。").arg(kb));
}

void TQivMainForm::ShowOutputNameExample() {
  const std::vector<TExportEntry> entries = lvPictures->ExportEntries();
  const std::string path = entries.empty() ? std::string("IMG_0001.jpg") : entries.front().path;
  const TOutputOptions output = ReadOutputOptions(kernel_.SettingsStore());
  // The finished size is known only after the export; the example shows the target width.
  const int width =
      ReadSettingInteger(kernel_.SettingsStore(), keys::ReduceSizeWidth, ReadSite::Main);
  const std::string name =
      OutputFileName(output.namePattern, {path, 1, TodayText(), width, width}) +
      std::string(OutputExtension(OutputFormatRow(output.format)));
  lblOutputNameExample->setText(Pixmira::tr("例如：%1").arg(QString::fromStdString(name)));
}

namespace {

TPresetFolder Presets(const TKaravelKernel& kernel) {
  return TPresetFolder(PresetFolderFor(kernel.Paths().configFile));
}

}  // namespace

void TQivMainForm::FillPresets() {
  TPresetFolder presets = Presets(kernel_);
  presets.Prepare();
  const QString current = QString::fromStdString(
      ReadSettingString(kernel_.SettingsStore(), keys::PresetName, ReadSite::Main));
  const QSignalBlocker quiet(cbPreset);
  cbPreset->clear();
  for (const std::string& name : presets.Names()) cbPreset->addItem(QString::fromStdString(name));
  cbPreset->setCurrentIndex(cbPreset->findText(current));
}

void TQivMainForm::SwitchPreset(const QString& name) {
  const std::optional<TMemIniFile> preset = Presets(kernel_).Load(name.toStdString());
  if (!preset) {
    FillPresets();
    return;
  }
  WriteSetting([&](TMemIniFile& s) {
    ApplyPreset(*preset, s);
    s.WriteString(kGeneral, keys::PresetName, name.toStdString());
  });
  LoadSettingsToControls();
}

void TQivMainForm::SavePresetAs() {
  bool ok = false;
  const QString name =
      QInputDialog::getText(this, Pixmira::tr("另存为方案"), Pixmira::tr("方案名称："),
                            QLineEdit::Normal, cbPreset->currentText(), &ok)
          .trimmed();
  if (!ok || name.isEmpty()) return;
  try {
    Presets(kernel_).Save(name.toStdString(), kernel_.SettingsStore());
  } catch (const EFileError& e) {
    services_.Error(this, WriteErrorText(QString::fromStdString(e.Path()), e.Error()));
    return;
  }
  WriteSetting(
      [&](TMemIniFile& s) { s.WriteString(kGeneral, keys::PresetName, name.toStdString()); });
  FillPresets();
}

void TQivMainForm::RenamePreset() {
  const QString from = cbPreset->currentText();
  if (from.isEmpty()) return;
  bool ok = false;
  const QString to = QInputDialog::getText(this, Pixmira::tr("重命名方案"),
                                           Pixmira::tr("新的名称："), QLineEdit::Normal, from, &ok)
                         .trimmed();
  if (!ok || to.isEmpty() || to == from) return;
  try {
    Presets(kernel_).Rename(from.toStdString(), to.toStdString());
  } catch (const EFileError& e) {
    services_.Error(this, WriteErrorText(QString::fromStdString(e.Path()), e.Error()));
    return;
  }
  WriteSetting(
      [&](TMemIniFile& s) { s.WriteString(kGeneral, keys::PresetName, to.toStdString()); });
  FillPresets();
}

void TQivMainForm::DeletePreset() {
  const QString name = cbPreset->currentText();
  if (name.isEmpty()) return;
  if (QMessageBox::question(this, Pixmira::tr("删除方案"),
                            Pixmira::tr("删除方案“%1”？").arg(name)) != QMessageBox::Yes)
    return;
  try {
    Presets(kernel_).Remove(name.toStdString());
  } catch (const EFileError& e) {
    services_.Error(this, WriteErrorText(QString::fromStdString(e.Path()), e.Error()));
    return;
  }
  WriteSetting([&](TMemIniFile& s) { s.WriteString(kGeneral, keys::PresetName, ""); });
  FillPresets();
}

void TQivMainForm::LoadSettingsToControls() {
  const TMemIniFile& s = kernel_.SettingsStore();
  const auto readInt = [&](std::string_view key) {
    return ReadSettingInteger(s, key, ReadSite::Main);
  };
  const auto readString = [&](std::string_view key) {
    return QString::fromStdString(ReadSettingString(s, key, ReadSite::Main));
  };

  // Showing a stored value writes nothing back.
  loading_ = true;
  settings_->Load();
  pnlReduceSize->setVisible(cbReduceSize->currentIndex() == 3);
  seReduceHeightTo->setEnabled(cbReduceSizeMode->currentIndex() >= 2);
  ckbWebpLossless->setEnabled(cbOutputFormat->currentIndex() == 2);
  edOutputName->setText(readString(keys::OutputNamePattern));
  FillPresets();
  ShowOutputNameExample();

  stkFrame->setCurrentWidget(readInt(keys::FrameType) == 0 ? pnlFrame0
                                                           : cbPictureFrame->parentWidget());

  const int frame = cbPictureFrame->findText(readString(keys::FrameName), Qt::MatchFixedString);
  if (frame >= 0)
    cbPictureFrame->setCurrentIndex(frame);
  else if (cbPictureFrame->count() > 0)
    cbPictureFrame->setCurrentIndex(0);

  const QString text = readString(keys::WatermarkText);
  if (text.isEmpty()) {
    SetWatermarkPlaceholder(true);
  } else {
    edWatermark->setText(text);
    SetWatermarkPlaceholder(false);
  }
  edWatermarkImage->setText(readString(keys::WatermarkImage));
  if (readInt(keys::WatermarkType) == 0) {
    lblWatermark->setText(Pixmira::tr("水印文字："));
    stkWatermark->setCurrentWidget(edWatermark);
  } else {
    lblWatermark->setText(Pixmira::tr("水印图片："));
    stkWatermark->setCurrentWidget(edWatermarkImage);
  }
  UpdateWatermarkPosCaption(readInt(keys::WatermarkPaintStyle), readInt(keys::WatermarkPos));

  cbGifSpeed->setCurrentIndex(readInt(keys::GifSpeed));
  edGifSeconds->setText(readString(keys::GifSeconds));
  loading_ = false;
  EstimateSoon();
}

void TQivMainForm::UpdateWatermarkPosCaption(int paintStyle, int pos) {
  const QString caption = WatermarkPosCaption(paintStyle, pos);
  if (!caption.isEmpty()) lblWatermarkPos->setText(caption);
}

void TQivMainForm::SetWatermarkPlaceholder(bool placeholder) {
  QPalette pal = edWatermark->palette();
  pal.setColor(QPalette::Text, placeholder ? kSilver : QColor(Qt::black));
  edWatermark->setPalette(pal);
  if (placeholder) edWatermark->setText(WatermarkPrompt());
}

void TQivMainForm::edWatermarkEnter() {
  if (edWatermark->text() == WatermarkPrompt()) {
    edWatermark->clear();
    SetWatermarkPlaceholder(false);
  }
}

void TQivMainForm::edWatermarkExit() {
  const QString text = edWatermark->text();
  if (text.isEmpty()) SetWatermarkPlaceholder(true);
  const std::string value = text.toStdString();
  WriteSetting([&](TMemIniFile& s) { s.WriteString(kGeneral, keys::WatermarkText, value); });
}

bool TQivMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edWatermark) {
    if (event->type() == QEvent::FocusIn) edWatermarkEnter();
    if (event->type() == QEvent::FocusOut) edWatermarkExit();
  }
  return QMainWindow::eventFilter(watched, event);
}

void TQivMainForm::AddPicture(const QString& path) { lvPictures->AddPicture(path); }

void TQivMainForm::AddFolder(const QString& folder) { lvPictures->AddFolder(folder); }

void TQivMainForm::AddPaths(const QStringList& paths) {
  for (const QString& path : paths) {
    if (QFileInfo(path).isDir())
      AddFolder(path);
    else
      AddPicture(path);
  }
}

void TQivMainForm::btnAddPictureClick() {
  const QStringList files = services_.OpenPictureFiles(this, StoredFolder(keys::PictureFolder));
  if (files.isEmpty()) return;
  StoreFolder(keys::PictureFolder, QFileInfo(files.first()).absolutePath());
  lvPictures->Model()->AddPaths(files);
}

void TQivMainForm::btnAddFolderClick() {
  const QString folder = services_.BrowseForFolder(this, Pixmira::tr("请选择要添加的文件夹"),
                                                   StoredFolder(keys::PictureFolder));
  if (folder.isEmpty()) return;
  if (!QFileInfo(folder).isDir() || !QFileInfo(folder).isReadable()) {
    services_.Error(this, Pixmira::tr("无法打开文件夹 %1").arg(folder));
    return;
  }
  StoreFolder(keys::PictureFolder, folder);
  AddFolder(folder);
}

void TQivMainForm::btnClearPicturesClick() { lvPictures->ClearPictures(); }

QString TQivMainForm::StoredFolder(std::string_view key) const {
  return QString::fromStdString(ReadSettingString(kernel_.SettingsStore(), key, ReadSite::Main));
}

void TQivMainForm::StoreFolder(std::string_view key, const QString& folder) {
  if (folder.isEmpty() || folder == StoredFolder(key)) return;
  const std::string value = folder.toStdString();
  WriteSetting([&](TMemIniFile& s) { s.WriteString(kGeneral, key, value); });
}

TExportJob TQivMainForm::MakeExportJob(const QString& target) const {
  TExportJob job;
  job.entries = lvPictures->ExportEntries();
  job.mode = ckbOutputGif->isChecked() ? TExportMode::Gif : TExportMode::Jpeg;
  job.target = target.toStdString();
  job.jpegQuality = ExportJpegQuality(ckbReduceSize->isChecked(), cbReduceSize->currentIndex(),
                                      cbReduceSizeQuality->currentIndex());
  job.jpegProgressive = ExportJpegProgressive(
      ckbReduceSize->isChecked(), cbReduceSize->currentIndex(), ckbJpegProgressive->isChecked());
  return job;
}

void TQivMainForm::btnGeneratePicturesClick() {
  if (lvPictures->count() == 0) {
    services_.Information(
        this, Pixmira::tr("您尚未添加需要处理的图片。请在左侧“添加图片”框内进行添加。"));
    return;
  }
  if (!ckbReduceSize->isChecked() && !ckbAddFrame->isChecked() && !ckbAddWatermark->isChecked() &&
      !ckbOutputGif->isChecked()) {
    services_.Information(
        this, Pixmira::tr("您尚未选择图片生成的效果。请在右侧“图片生成”框内选择需要的效果，"
                          "可一种或多种效果组合。"));
    return;
  }
  QString target;
  const QString start = StoredFolder(keys::OutputFolder);
  if (ckbOutputGif->isChecked()) {
    target = WithGifExtension(services_.SaveGifFile(this, start));
    if (!target.isEmpty()) StoreFolder(keys::OutputFolder, QFileInfo(target).absolutePath());
  } else {
    target = services_.BrowseForFolder(this, Pixmira::tr("将文件导出到："), start);
    if (!target.isEmpty()) StoreFolder(keys::OutputFolder, target);
  }
  if (target.isEmpty()) return;
  TExportJob job = MakeExportJob(target);
  if (job.mode == TExportMode::Jpeg) {
    // Files written beside the pictures would be taken again with that folder next time.
    const QFileInfo out(target);
    for (const TExportEntry& entry : job.entries) {
      const QFileInfo in(QString::fromStdString(entry.path));
      if (out.exists() && in.dir() == QDir(out.absoluteFilePath())) {
        services_.Information(
            this, Pixmira::tr("文件夹 %1 中有要导出的图片，请另选一个导出文件夹。").arg(target));
        return;
      }
    }
  }
  if (exportRunner_) exportRunner_(job);
}

void TQivMainForm::btnSetupBorderClick() { ShowPictureOptions(true); }

void TQivMainForm::btnSetupWatermarkClick() { ShowPictureOptions(false); }

void TQivMainForm::ShowPictureOptions(bool borderPage) {
  if (pictureOptions_ && pictureOptions_(borderPage)) LoadSettingsToControls();
}

void TQivMainForm::BringToFront() {
  setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  show();
  raise();
  activateWindow();
}

void TQivMainForm::closeEvent(QCloseEvent* event) {
  // Text typed into the watermark edit is kept even when the window closes from inside it.
  if (edWatermark->hasFocus()) edWatermarkExit();
  SavePlacement();
  KeepPictureList();
  QMainWindow::closeEvent(event);
}

void TQivMainForm::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  if (placed_) placementTimer_->start();
}

void TQivMainForm::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (placed_) placementTimer_->start();
}

void TQivMainForm::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && placed_) placementTimer_->start();
}

QRect FitWindowRect(const QRect& wanted, const QRect& available, const QSize& minimum) {
  QSize size = wanted.size().boundedTo(available.size());
  size = size.expandedTo(minimum.boundedTo(available.size()));
  QRect rect(wanted.topLeft(), size);
  // Wholly on the screen: moved in from whichever edge it crosses.
  if (rect.right() > available.right()) rect.moveRight(available.right());
  if (rect.bottom() > available.bottom()) rect.moveBottom(available.bottom());
  if (rect.left() < available.left()) rect.moveLeft(available.left());
  if (rect.top() < available.top()) rect.moveTop(available.top());
  return rect;
}

void TQivMainForm::PlaceWindow() {
  placementTimer_ = new QTimer(this);
  placementTimer_->setSingleShot(true);
  placementTimer_->setInterval(800);
  connect(placementTimer_, &QTimer::timeout, this, &TQivMainForm::SavePlacement);

  const TMemIniFile& s = kernel_.SettingsStore();
  const auto read = [&](std::string_view key, int& value) {
    bool ok = false;
    value = QString::fromStdString(ReadSettingString(s, key, ReadSite::Main)).toInt(&ok);
    return ok;
  };
  int left = 0, top = 0, width = 0, height = 0;
  const bool stored = read(keys::WindowLeft, left) && read(keys::WindowTop, top) &&
                      read(keys::WindowWidth, width) && read(keys::WindowHeight, height) &&
                      width > 0 && height > 0;
  // The first size is the classic client area with the strip along the bottom, centred.
  QRect wanted = stored ? QRect(left, top, width, height) : QRect(0, 0, 792, 556 + 70);
  QScreen* screen = stored ? QGuiApplication::screenAt(wanted.center()) : nullptr;
  if (!screen) screen = QGuiApplication::primaryScreen();
  const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  if (!stored) wanted.moveCenter(available.center());
  QRect placed = FitWindowRect(wanted, available, minimumSizeHint());
  if (!stored) placed.moveCenter(available.center());
  // Not restoreGeometry(): Qt 6.4's leaves a window that hangs off the right or the bottom
  // there, and pushes one the screen's size off its bottom.
  setGeometry(placed);
  if (ReadSettingBool(s, keys::WindowMaximized, ReadSite::Main))
    setWindowState(Qt::WindowMaximized);
  placed_ = true;
}

void TQivMainForm::SavePlacement() {
  if (!placed_) return;
  placementTimer_->stop();
  // The keys hold the place the window returns to from maximised, as they always have.
  const QRect r = normalGeometry();
  if (!r.isValid()) return;
  const bool maximized = isMaximized();
  const TMemIniFile& s = kernel_.SettingsStore();
  const auto same = [&](std::string_view key, int value) {
    return ReadSettingString(s, key, ReadSite::Main) == std::to_string(value);
  };
  if (same(keys::WindowLeft, r.left()) && same(keys::WindowTop, r.top()) &&
      same(keys::WindowWidth, r.width()) && same(keys::WindowHeight, r.height()) &&
      same(keys::WindowMaximized, maximized ? 1 : 0))
    return;
  WriteSetting([&](TMemIniFile& store) {
    store.WriteInteger(kGeneral, keys::WindowLeft, r.left());
    store.WriteInteger(kGeneral, keys::WindowTop, r.top());
    store.WriteInteger(kGeneral, keys::WindowWidth, r.width());
    store.WriteInteger(kGeneral, keys::WindowHeight, r.height());
    store.WriteBool(kGeneral, keys::WindowMaximized, maximized);
  });
}

void TQivMainForm::MakeActions() {
  const auto action = [this](const QString& text, const QKeySequence& key, auto slot) {
    auto* a = new QAction(text, this);
    a->setShortcut(key);
    a->setShortcutContext(Qt::WindowShortcut);
    addAction(a);
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  actAddPicture = action(Pixmira::tr("添加图片"), QKeySequence(Qt::CTRL | Qt::Key_O),
                         &TQivMainForm::btnAddPictureClick);
  actAddFolder = action(Pixmira::tr("添加文件夹"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O),
                        &TQivMainForm::btnAddFolderClick);
  actGenerate = action(Pixmira::tr("生成图片"), QKeySequence(Qt::CTRL | Qt::Key_G),
                       &TQivMainForm::btnGeneratePicturesClick);
  QUndoStack* undo = lvPictures->UndoStack();
  actUndo = undo->createUndoAction(this, Pixmira::tr("撤销"));
  actUndo->setShortcut(QKeySequence::Undo);
  addAction(actUndo);
  actRedo = undo->createRedoAction(this, Pixmira::tr("重做"));
  actRedo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence::Redo});
  addAction(actRedo);

  const auto tip = [](QWidget* w, const QString& text, QAction* a) {
    QString t = text;
    if (a) t += QStringLiteral(" (%1)").arg(a->shortcut().toString(QKeySequence::NativeText));
    w->setToolTip(t);
  };
  tip(btnAddPicture, Pixmira::tr("选择图片文件加入列表"), actAddPicture);
  tip(btnAddFolder, Pixmira::tr("把一个文件夹（含子文件夹）里的图片加入列表"), actAddFolder);
  btnClearPictures->setToolTip(Pixmira::tr("清空图片列表（%1 撤销）")
                                   .arg(actUndo->shortcut().toString(QKeySequence::NativeText)));
  tip(btnGeneratePictures, Pixmira::tr("按所选效果生成图片"), actGenerate);
  tip(btnSetupBorder, Pixmira::tr("打开设置窗口的边框/圆角页"), nullptr);
  tip(btnSetupWatermark, Pixmira::tr("打开设置窗口的水印页"), nullptr);
  lvPictures->setToolTip(
      Pixmira::tr("拖动图片可以调整顺序；Delete 移除所选图片；Ctrl+L / Ctrl+R 旋转所选图片"));

  const auto showCount = [this](int n) {
    lblCount->setText(Pixmira::tr("共 %n 张图片", nullptr, n));
  };
  connect(lvPictures, &TPictureList::countChanged, this, showCount);
  showCount(lvPictures->count());
}

}  // namespace pixmira
