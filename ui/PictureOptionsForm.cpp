#include "ui/PictureOptionsForm.h"

#include <QCoreApplication>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "codecs/Jpeg.h"
#include "core/Errors.h"
#include "core/Settings.h"
#include "effects/Frames.h"
#include "effects/Watermark.h"
#include "ui/AnchorCaptions.h"
#include "ui/Messages.h"
#include "ui/QtBitmap.h"
#include "ui/SettingBinding.h"
#include "ui/Tr.h"
#include "ui/UiServices.h"
#include "ui/Words.h"

namespace pixmira {

namespace {

const QColor kSilver(0xC0, 0xC0, 0xC0);
constexpr QChar kLineBreakCode(3);
constexpr int kAnchorCount = static_cast<int>(kAnchorRules.size());

QComboBox* Combo(std::initializer_list<QString> items, QWidget* parent) {
  auto* combo = new QComboBox(parent);
  for (const QString& item : items) combo->addItem(item);
  return combo;
}

QSpinBox* NumberBox(int minimum, int maximum, int value, QWidget* parent) {
  auto* box = new QSpinBox(parent);
  box->setRange(minimum, maximum);
  box->setValue(value);
  box->setMinimumWidth(64);
  return box;
}

QSlider* Slider(int minimum, int maximum, int value, QWidget* parent) {
  auto* slider = new QSlider(Qt::Horizontal, parent);
  slider->setRange(minimum, maximum);
  slider->setValue(value);
  slider->setTickPosition(QSlider::NoTicks);
  return slider;
}

QHBoxLayout* Row(std::initializer_list<QWidget*> widgets, int indent = 0, bool stretch = true) {
  auto* row = new QHBoxLayout;
  row->setContentsMargins(indent, 0, 0, 0);
  row->setSpacing(4);
  for (QWidget* widget : widgets) row->addWidget(widget);
  if (stretch) row->addStretch(1);
  return row;
}

bool ValidAnchor(int anchor) { return anchor >= 0 && anchor < kAnchorCount; }

}  // namespace

QString WatermarkTextPrompt() { return Pixmira::tr("请在此输入水印文字"); }

QString StoredToMemoText(const QString& stored) {
  QString memo = stored;
  memo.replace(kLineBreakCode, QLatin1Char('\n'));
  return memo;
}

QString MemoToStoredText(const QString& memo) {
  QString stored = memo;
  stored.replace(QLatin1String("\r\n"), QString(kLineBreakCode));
  stored.replace(QLatin1Char('\n'), kLineBreakCode);
  return stored;
}

int DefaultFaceIndex(const QStringList& faces) {
  for (const char* preferred : {"宋体", "黑体", "Tahoma"}) {
    const int index = faces.indexOf(QString::fromUtf8(preferred));
    if (index >= 0) return index;
  }
  // Without the Windows faces, the desktop's own sans-serif face: it is also what the pipeline
  // draws with while no face is stored, so the box and the preview agree.
  const int fallback = faces.indexOf(QFontInfo(QFont(QStringLiteral("sans-serif"))).family());
  if (fallback >= 0) return fallback;
  return faces.isEmpty() ? -1 : 0;
}

std::pair<QString, QString> MarginRowLabels(int anchor) { return AnchorMarginLabels(anchor); }

// ---- font list ----

QSize TFontFaceDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
  // One fixed row height; the dialog's font decides it, never less than the classic 13 pixels.
  return {option.rect.width(), std::max(13, option.fontMetrics.height() + 4)};
}

void TFontFaceDelegate::paint(QPainter* p, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
  p->save();
  const bool selected = option.state & QStyle::State_Selected;
  const QPalette& pal = option.palette;
  p->fillRect(option.rect, selected ? pal.highlight() : pal.base());
  QFont face(index.data().toString());
  face.setPointSizeF(option.font.pointSizeF());
  p->setFont(face);
  p->setPen(selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text));
  p->setClipRect(option.rect);
  p->drawText(option.rect.adjusted(1 + 2, 1, -1, 0), Qt::AlignLeft | Qt::AlignVCenter,
              index.data().toString());
  p->restore();
}

// ---- the dialog ----

TPictureOptionsForm::TPictureOptionsForm(TKaravelKernel& kernel, TUiServices& services,
                                         std::vector<TExportEntry> entries, QWidget* parent)
    : QDialog(parent),
      kernel_(kernel),
      services_(services),
      entries_(std::move(entries)),
      working_(kernel.Paths().configFile),
      catalog_(std::make_shared<const TMemIniFile>(kernel.CatalogStore())) {
  setObjectName(QStringLiteral("TPictureOptionsForm"));
  setWindowTitle(Pixmira::tr("设置"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  chooseColor = [this](const QColor& current) -> std::optional<QColor> {
    const QColor chosen = QColorDialog::getColor(current, this);
    if (!chosen.isValid()) return std::nullopt;
    return chosen;
  };
  chooseWatermarkPicture = [this] {
    return QFileDialog::getOpenFileName(this, QString(), QString(), PictureFileFilter());
  };

  worker_ = new TPreviewWorker(this);
  connect(worker_, &TPreviewWorker::previewReady, this, &TPictureOptionsForm::ShowPreview);

  loading_ = true;
  BuildControls();
  // 1. The hint covers the preview while the list is empty.
  previewIndex_ = entries_.empty() ? -1 : 0;
  ShowHint(Pixmira::tr("您尚未导入任何图片。"));
  pnPreviewlHint->setVisible(previewIndex_ == -1);
  // 2. The font faces; the default face alone writes nothing.
  const QStringList faces = QFontDatabase::families();
  cbFontName->addItems(faces);
  cbFontName->setCurrentIndex(DefaultFaceIndex(faces));
  ConnectHandlers();
  // 3. The frames, 4. the working copy (opened above), 5. the controls.
  LoadFrameList();
  LoadOptions();
  loading_ = false;
  // A first preview at once, so the dialog never opens on an empty box.
  RefreshPreview();
}

TPictureOptionsForm::~TPictureOptionsForm() = default;

void TPictureOptionsForm::BuildControls() {
  pgOptions = new QTabWidget(this);
  pgOptions->setObjectName(QStringLiteral("pgOptions"));
  // The pages scroll when the screen is too low for them (a large scale factor), so the
  // dialog and its buttons stay on the screen.
  const auto scrolled = [](QWidget* page) {
    auto* area = new QScrollArea;
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setWidgetResizable(true);
    area->setWidget(page);
    return area;
  };
  pgOptions->addTab(scrolled(BuildFramePage()), Pixmira::tr("边框/圆角"));
  pgOptions->addTab(scrolled(BuildWatermarkPage()), Pixmira::tr("水印"));
  pgOptions->setFixedWidth(441 + style()->pixelMetric(QStyle::PM_ScrollBarExtent));

  QWidget* preview = BuildPreview();

  btnOK = new QPushButton(Pixmira::tr("确定(&O)"), this);
  btnOK->setDefault(true);
  btnCancel = new QPushButton(Pixmira::tr("取消(&C)"), this);
  for (QPushButton* button : {btnOK, btnCancel}) button->setMinimumWidth(88);

  auto* areas = new QHBoxLayout;
  areas->setSpacing(8);
  areas->addWidget(pgOptions);
  areas->addWidget(preview);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(8, 8, 8, 8);
  page->setSpacing(8);
  page->addLayout(areas, 1);
  page->addLayout(buttons);

  const std::pair<QWidget*, const char*> named[] = {
      {rbCorner, "rbCorner"},
      {cbCorner, "cbCorner"},
      {cbCornerWidth, "cbCornerWidth"},
      {ckbCornerRadiusOnResult, "ckbCornerRadiusOnResult"},
      {rbFrame, "rbFrame"},
      {lvFrames, "lvFrames"},
      {ckbFrameFit, "ckbFrameFit"},
      {cbFontSizeMode, "cbFontSizeMode"},
      {seFontSizePercent, "seFontSizePercent"},
      {ckbFitText, "ckbFitText"},
      {ckbOutline, "ckbOutline"},
      {rbBothWatermark, "rbBothWatermark"},
      {cbImagePos, "cbImagePos"},
      {seImageMarginA, "seImageMarginA"},
      {seImageMarginB, "seImageMarginB"},
      {seImageTransparent, "seImageTransparent"},
      {seImageRotate, "seImageRotate"},
      {rbTextWatermark, "rbTextWatermark"},
      {memWatermark, "memWatermark"},
      {cbFontName, "cbFontName"},
      {cbFontSize, "cbFontSize"},
      {ckbBold, "ckbBold"},
      {ckbItalic, "ckbItalic"},
      {ckbUnderLine, "ckbUnderLine"},
      {shpFontColor, "shpFontColor"},
      {rbImageWatermark, "rbImageWatermark"},
      {edWatermarkImage, "edWatermarkImage"},
      {btnSelectWatermark, "btnSelectWatermark"},
      {seWatermarkImageScale, "seWatermarkImageScale"},
      {rbWatermarkPos, "rbWatermarkPos"},
      {cbWatermarkPos, "cbWatermarkPos"},
      {lblWatermarkPos1, "lblWatermarkPos1"},
      {seWatermarkPosBlank1, "seWatermarkPosBlank1"},
      {cbWatermarkPosKind1, "cbWatermarkPosKind1"},
      {lblWatermarkPos2, "lblWatermarkPos2"},
      {seWatermarkPosBlank2, "seWatermarkPosBlank2"},
      {cbWatermarkPosKind2, "cbWatermarkPosKind2"},
      {rbTileWatermark, "rbTileWatermark"},
      {seWatermarkTileSpace, "seWatermarkTileSpace"},
      {seWatermarkTileCount, "seWatermarkTileCount"},
      {tkbRotate, "tkbRotate"},
      {seRotate, "seRotate"},
      {tkbTransparent, "tkbTransparent"},
      {seTransparent, "seTransparent"},
      {imgPreview, "imgPreview"},
      {btnPrior, "btnPrior"},
      {btnNext, "btnNext"},
      {pnPreviewlHint, "pnPreviewlHint"},
      {lblHint, "lblHint"},
      {btnOK, "btnOK"},
      {btnCancel, "btnCancel"}};
  for (const auto& [widget, name] : named) widget->setObjectName(QString::fromLatin1(name));

  // Within the screen's free area, its title bar and frame included, so OK and Cancel show.
  if (const QScreen* shown = screen()) {
    const QSize room = shown->availableGeometry().size() - QSize(16, 48);
    setMaximumSize(room);
    resize(sizeHint().boundedTo(room));
  }
}

QWidget* TPictureOptionsForm::BuildFramePage() {
  auto* page = new QWidget;
  rbCorner = new QRadioButton(Pixmira::tr("使用圆角"), page);
  rbCorner->setChecked(true);
  cbCorner = Combo(
      {Pixmira::tr("四角"), Pixmira::tr("左上角"), Pixmira::tr("左下角"), Pixmira::tr("右上角"),
       Pixmira::tr("右下角"), Pixmira::tr("左上角+左下角"), Pixmira::tr("右上角+右下角"),
       Pixmira::tr("左上角+右上角"), Pixmira::tr("左下角+右下角"), Pixmira::tr("左上角+右下角"),
       Pixmira::tr("左下角+右上角")},
      page);
  cbCornerWidth = Combo({Pixmira::tr("小圆角（半径10像素）"), Pixmira::tr("中圆角（半径20像素）"),
                         Pixmira::tr("大圆角（半径30像素）")},
                        page);
  ckbCornerRadiusOnResult = new QCheckBox(Pixmira::tr("半径按成品图片计算"), page);
  ckbCornerRadiusOnResult->setToolTip(
      Pixmira::tr("先缩小图片再剪裁圆角：半径是成品图片上的像素，大照片和小照片的圆角一样大。"
                  "不勾选时按原图剪裁，原图越大，成品上的圆角越小。"));
  rbFrame = new QRadioButton(Pixmira::tr("使用边框"), page);
  ckbFrameFit = new QCheckBox(Pixmira::tr("完整显示图片（白底，不裁剪、不放大）"), page);
  ckbFrameFit->setToolTip(
      Pixmira::tr("整张图片放进边框的空白区域，空余处留白，小图片不会被放大。"
                  "不勾选时图片铺满空白区域，超出的部分被边框裁掉。"));
  frameGroup_ = new QButtonGroup(page);
  frameGroup_->addButton(rbCorner);
  frameGroup_->addButton(rbFrame);

  lvFrames = new QListWidget(page);
  lvFrames->setViewMode(QListView::IconMode);
  lvFrames->setIconSize(QSize(100, 75));
  lvFrames->setGridSize(QSize(130, 110));
  lvFrames->setMovement(QListView::Static);
  lvFrames->setResizeMode(QListView::Adjust);
  lvFrames->setWrapping(true);
  lvFrames->setWordWrap(true);
  lvFrames->setSelectionMode(QAbstractItemView::SingleSelection);
  lvFrames->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // The chosen frame stays marked while another control has the focus.
  QPalette keep = lvFrames->palette();
  keep.setColor(QPalette::Inactive, QPalette::Highlight,
                keep.color(QPalette::Active, QPalette::Highlight));
  keep.setColor(QPalette::Inactive, QPalette::HighlightedText,
                keep.color(QPalette::Active, QPalette::HighlightedText));
  lvFrames->setPalette(keep);

  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(10, 10, 10, 10);
  layout->setSpacing(6);
  layout->addWidget(rbCorner);
  layout->addLayout(Row({new QLabel(Pixmira::tr("将图片"), page), cbCorner,
                         new QLabel(Pixmira::tr("剪裁为"), page), cbCornerWidth},
                        20));
  layout->addLayout(Row({ckbCornerRadiusOnResult}, 20));
  layout->addSpacing(8);
  layout->addWidget(rbFrame);
  layout->addLayout(Row({ckbFrameFit}, 20));
  {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(20, 0, 0, 0);
    row->addWidget(lvFrames);
    layout->addLayout(row, 1);
  }
  return page;
}

QWidget* TPictureOptionsForm::BuildWatermarkPage() {
  auto* page = new QWidget;

  // Group "类型".
  auto* grpType = new QGroupBox(Pixmira::tr("类型"), page);
  rbTextWatermark = new QRadioButton(Pixmira::tr("文字水印"), grpType);
  rbTextWatermark->setChecked(true);
  memWatermark = new QPlainTextEdit(grpType);
  memWatermark->setTabChangesFocus(true);
  memWatermark->setFixedHeight(memWatermark->fontMetrics().lineSpacing() * 2 + 20);
  cbFontName = new QComboBox(grpType);
  cbFontName->setItemDelegate(new TFontFaceDelegate(cbFontName));
  cbFontName->setMaxVisibleItems(12);
  cbFontName->setMinimumContentsLength(12);
  cbFontName->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  cbFontSize = Combo({"8", "9", "10", "11", "12", "14", "16", "18", "20", "22", "24", "26", "28",
                      "36", "48", "72"},
                     grpType);
  cbFontSize->setEditable(true);
  cbFontSize->setInsertPolicy(QComboBox::NoInsert);
  // Judges every change of the box's text, typed, pasted or committed by an input method.
  cbFontSize->setValidator(new QRegularExpressionValidator(
      QRegularExpression(QStringLiteral("[0-9]{0,4}")), cbFontSize));
  cbFontSize->setMinimumContentsLength(3);
  ckbBold = new QCheckBox(Pixmira::tr("粗体"), grpType);
  ckbItalic = new QCheckBox(Pixmira::tr("斜体"), grpType);
  ckbUnderLine = new QCheckBox(Pixmira::tr("下划线"), grpType);
  shpFontColor = new QLabel(grpType);
  shpFontColor->setFixedSize(65, 25);
  shpFontColor->setFrameShape(QFrame::Box);
  shpFontColor->setAutoFillBackground(true);
  shpFontColor->setCursor(Qt::PointingHandCursor);
  rbImageWatermark = new QRadioButton(Pixmira::tr("图片水印"), grpType);
  edWatermarkImage = new QLineEdit(grpType);
  edWatermarkImage->setReadOnly(true);
  {
    QPalette face = edWatermarkImage->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    edWatermarkImage->setPalette(face);
  }
  btnSelectWatermark = new QPushButton(Pixmira::tr("选择图片(&L)..."), grpType);
  seWatermarkImageScale = NumberBox(0, 100, 0, grpType);
  seWatermarkImageScale->setSuffix(QStringLiteral("%"));
  seWatermarkImageScale->setSpecialValueText(Pixmira::tr("原始大小"));
  seWatermarkImageScale->setMinimumWidth(90);
  cbFontSizeMode = Combo({Pixmira::tr("按字号（磅）"), Pixmira::tr("按成品宽度的百分比")}, grpType);
  cbFontSizeMode->setToolTip(
      Pixmira::tr("按成品宽度的百分比：文字高度随成品图片的宽度变化，"
                  "310像素宽和800像素宽的图片上文字比例相同。"));
  seFontSizePercent = NumberBox(1, 100, 6, grpType);
  seFontSizePercent->setSuffix(QStringLiteral("%"));
  seFontSizePercent->setToolTip(Pixmira::tr("文字高度占成品图片宽度的百分比"));
  ckbFitText = new QCheckBox(Pixmira::tr("文字超出图片时自动缩小"), grpType);
  ckbFitText->setToolTip(Pixmira::tr("文字会超出图片边缘时，自动缩小到刚好放得下，不会被截断。"));
  ckbOutline = new QCheckBox(Pixmira::tr("文字描边"), grpType);
  ckbOutline->setToolTip(
      Pixmira::tr("在文字周围加1到3像素的深色描边，白色文字在白底或花哨的图片上也看得清。"));
  rbBothWatermark = new QRadioButton(Pixmira::tr("文字和图片水印"), grpType);
  rbBothWatermark->setToolTip(Pixmira::tr(
      "先加图片水印（如店标），再把文字水印叠在上面；图片水印使用下面自己的位置、透明度和角度。"));
  pnlImageOwn = new QWidget(grpType);
  cbImagePos = new QComboBox(pnlImageOwn);
  cbImagePos->addItems(AnchorChoices());
  cbImagePos->setToolTip(Pixmira::tr("文字和图片一起使用时，图片水印的位置"));
  seImageMarginA = NumberBox(0, 999999, 15, pnlImageOwn);
  seImageMarginA->setToolTip(
      Pixmira::tr("图片水印的上下边距（左边居中、右边居中时为左右边距），像素"));
  seImageMarginB = NumberBox(0, 999999, 15, pnlImageOwn);
  seImageMarginB->setToolTip(Pixmira::tr("图片水印的左右边距，像素"));
  seImageTransparent = NumberBox(0, 100, 20, pnlImageOwn);
  seImageTransparent->setSuffix(QStringLiteral("%"));
  seImageTransparent->setToolTip(Pixmira::tr("图片水印的透明度"));
  seImageRotate = NumberBox(-180, 180, 0, pnlImageOwn);
  seImageRotate->setToolTip(Pixmira::tr("图片水印的旋转角度（度）"));
  {
    auto* own = new QGridLayout(pnlImageOwn);
    own->setContentsMargins(20, 0, 0, 0);
    own->setHorizontalSpacing(4);
    own->setVerticalSpacing(4);
    own->addWidget(new QLabel(Pixmira::tr("图片位置："), pnlImageOwn), 0, 0);
    own->addWidget(cbImagePos, 0, 1);
    own->addWidget(new QLabel(Pixmira::tr("边距："), pnlImageOwn), 0, 2);
    own->addLayout(Row({seImageMarginA, seImageMarginB}, 0, false), 0, 3);
    own->addWidget(new QLabel(Pixmira::tr("透明："), pnlImageOwn), 1, 0);
    own->addWidget(seImageTransparent, 1, 1);
    own->addWidget(new QLabel(Pixmira::tr("旋转："), pnlImageOwn), 1, 2);
    own->addWidget(seImageRotate, 1, 3);
    own->setColumnStretch(1, 1);
  }
  typeGroup_ = new QButtonGroup(grpType);
  typeGroup_->addButton(rbTextWatermark);
  typeGroup_->addButton(rbImageWatermark);
  typeGroup_->addButton(rbBothWatermark);
  {
    auto* font = new QGridLayout;
    font->setContentsMargins(20, 0, 0, 0);
    font->setHorizontalSpacing(4);
    font->setVerticalSpacing(4);
    font->addWidget(new QLabel(Pixmira::tr("字体："), grpType), 0, 0);
    font->addWidget(cbFontName, 0, 1);
    font->addWidget(new QLabel(Pixmira::tr("字体大小："), grpType), 0, 2);
    font->addWidget(cbFontSize, 0, 3);
    font->addWidget(new QLabel(Pixmira::tr("文字样式："), grpType), 1, 0);
    auto* styles = Row({ckbBold, ckbItalic, ckbUnderLine});
    font->addLayout(styles, 1, 1);
    font->addWidget(new QLabel(Pixmira::tr("文字颜色："), grpType), 1, 2);
    font->addWidget(shpFontColor, 1, 3);
    font->addWidget(new QLabel(Pixmira::tr("文字大小："), grpType), 2, 0);
    font->addWidget(cbFontSizeMode, 2, 1);
    font->addWidget(seFontSizePercent, 2, 2, 1, 2);
    font->addLayout(Row({ckbFitText, ckbOutline}), 3, 0, 1, 4);
    font->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(grpType);
    layout->setSpacing(4);
    layout->addWidget(rbTextWatermark);
    auto* memo = new QHBoxLayout;
    memo->setContentsMargins(20, 0, 0, 0);
    memo->addWidget(memWatermark);
    layout->addLayout(memo);
    layout->addLayout(font);
    layout->addWidget(rbImageWatermark);
    auto* picture = new QHBoxLayout;
    picture->setContentsMargins(20, 0, 0, 0);
    picture->addWidget(edWatermarkImage, 1);
    picture->addWidget(btnSelectWatermark);
    layout->addLayout(picture);
    layout->addLayout(Row(
        {new QLabel(Pixmira::tr("水印宽度占成品图片宽度："), grpType), seWatermarkImageScale}, 20));
    layout->addWidget(rbBothWatermark);
    layout->addWidget(pnlImageOwn);
  }

  // Group "位置".
  auto* grpPos = new QGroupBox(Pixmira::tr("位置"), page);
  rbWatermarkPos = new QRadioButton(Pixmira::tr("在"), grpPos);
  rbWatermarkPos->setChecked(true);
  cbWatermarkPos = new QComboBox(grpPos);
  cbWatermarkPos->addItems(AnchorChoices());
  const auto marginRow = [grpPos](QWidget*& panel, QLabel*& label, QSpinBox*& box, QComboBox*& kind,
                                  const QString& text) {
    panel = new QWidget(grpPos);
    label = new QLabel(text, panel);
    box = NumberBox(0, 999999, 15, panel);
    kind = Combo({Pixmira::tr("像素"), Pixmira::tr("百分比")}, panel);
    auto* row = Row({label, box, kind}, 0, false);
    panel->setLayout(row);
    // A hidden row keeps its place, so the rows below do not jump.
    QSizePolicy keep = panel->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    panel->setSizePolicy(keep);
  };
  marginRow(pnlMargin1, lblWatermarkPos1, seWatermarkPosBlank1, cbWatermarkPosKind1,
            Pixmira::tr("下边距"));
  marginRow(pnlMargin2, lblWatermarkPos2, seWatermarkPosBlank2, cbWatermarkPosKind2,
            Pixmira::tr("右边距"));
  rbTileWatermark = new QRadioButton(Pixmira::tr("平铺水印"), grpPos);
  seWatermarkTileSpace = NumberBox(0, 999999, 20, grpPos);
  seWatermarkTileCount = NumberBox(0, 999999, 0, grpPos);
  // Narrow enough that the row's long caption is never cut.
  for (QSpinBox* box : {seWatermarkTileSpace, seWatermarkTileCount}) box->setFixedWidth(54);
  paintGroup_ = new QButtonGroup(grpPos);
  paintGroup_->addButton(rbWatermarkPos);
  paintGroup_->addButton(rbTileWatermark);
  {
    auto* layout = new QVBoxLayout(grpPos);
    layout->setSpacing(4);
    layout->addLayout(
        Row({rbWatermarkPos, cbWatermarkPos, new QLabel(Pixmira::tr("显示水印"), grpPos)}));
    auto* margins = Row({pnlMargin1, pnlMargin2}, 20);
    margins->setSpacing(16);
    layout->addLayout(margins);
    layout->addWidget(rbTileWatermark);
    layout->addLayout(Row({new QLabel(Pixmira::tr("水印间距："), grpPos), seWatermarkTileSpace,
                           new QLabel(Pixmira::tr("像素，平铺"), grpPos), seWatermarkTileCount,
                           new QLabel(Pixmira::tr("行（0行：平铺整张图片）"), grpPos)},
                          10));
  }

  tkbRotate = Slider(-180, 180, 0, page);
  seRotate = NumberBox(-180, 180, 0, page);
  tkbTransparent = Slider(0, 100, 20, page);
  seTransparent = NumberBox(0, 100, 20, page);

  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(8, 6, 8, 6);
  layout->setSpacing(4);
  layout->addWidget(grpType);
  layout->addWidget(grpPos);
  auto* sliders = new QGridLayout;
  sliders->setHorizontalSpacing(4);
  sliders->addWidget(new QLabel(Pixmira::tr("旋转："), page), 0, 0);
  sliders->addWidget(tkbRotate, 0, 1);
  sliders->addWidget(seRotate, 0, 2);
  sliders->addWidget(new QLabel(Pixmira::tr("度"), page), 0, 3);
  sliders->addWidget(new QLabel(Pixmira::tr("透明："), page), 1, 0);
  sliders->addWidget(tkbTransparent, 1, 1);
  sliders->addWidget(seTransparent, 1, 2);
  sliders->addWidget(new QLabel(QStringLiteral("%"), page), 1, 3);
  sliders->setColumnStretch(1, 1);
  layout->addLayout(sliders);
  layout->addStretch(1);
  return page;
}

QWidget* TPictureOptionsForm::BuildPreview() {
  auto* group = new QGroupBox(Pixmira::tr("预览"), this);
  group->setObjectName(QStringLiteral("grpPreview"));
  group->setFixedWidth(327);

  // The outline one pixel around the 304 × 304 box.
  auto* outline = new QFrame(group);
  outline->setFrameShape(QFrame::Box);
  outline->setLineWidth(1);
  outline->setFixedSize(kPreviewBoxSide + 2, kPreviewBoxSide + 2);
  imgPreview = new QLabel(outline);
  imgPreview->setGeometry(1, 1, kPreviewBoxSide, kPreviewBoxSide);
  imgPreview->setAlignment(Qt::AlignCenter);

  pnPreviewlHint = new QFrame(outline);
  pnPreviewlHint->setFixedSize(148, 27);
  pnPreviewlHint->setFrameShape(QFrame::Box);
  pnPreviewlHint->setAutoFillBackground(true);
  QPalette tip = pnPreviewlHint->palette();
  tip.setColor(QPalette::Window, tip.color(QPalette::ToolTipBase));
  tip.setColor(QPalette::WindowText, tip.color(QPalette::ToolTipText));
  pnPreviewlHint->setPalette(tip);
  pnPreviewlHint->move((outline->width() - 148) / 2, (outline->height() - 27) / 2);
  lblHint = new QLabel(pnPreviewlHint);
  lblHint->setAlignment(Qt::AlignCenter);
  auto* hintLayout = new QVBoxLayout(pnPreviewlHint);
  hintLayout->setContentsMargins(2, 0, 2, 0);
  hintLayout->addWidget(lblHint);

  btnPrior = new QPushButton(Pixmira::tr("上一张(&P)"), group);
  btnNext = new QPushButton(Pixmira::tr("下一张(&N)"), group);

  auto* layout = new QVBoxLayout(group);
  layout->setSpacing(8);
  layout->addWidget(outline, 0, Qt::AlignHCenter);
  auto* browse = new QHBoxLayout;
  browse->addStretch(1);
  browse->addWidget(btnPrior);
  browse->addWidget(btnNext);
  browse->addStretch(1);
  layout->addLayout(browse);
  layout->addStretch(1);
  return group;
}

void TPictureOptionsForm::ConnectHandlers() {
  const auto always = [this] { RefreshPreview(); };

  // Page "边框/圆角".
  connect(rbCorner, &QRadioButton::toggled, this, [this, always](bool on) {
    if (!on) return;
    WriteInt(keys::FrameType, 0);
    always();
  });
  connect(rbFrame, &QRadioButton::toggled, this, [this, always](bool on) {
    if (!on) return;
    WriteInt(keys::FrameType, 1);
    always();
  });
  // Choosing a corner set or a frame chooses that kind of edge as well.
  for (QComboBox* corner : {cbCorner, cbCornerWidth})
    connect(corner, &QComboBox::activated, rbCorner, [this] { rbCorner->setChecked(true); });
  connect(lvFrames, &QListWidget::itemClicked, rbFrame, [this] { rbFrame->setChecked(true); });
  // The controls that show one key as it is, bound once to the working copy; a change redraws
  // the preview only when its row counts there (a corner with a frame chosen does not).
  settings_ = new TSettingBinding(
      [this]() -> TMemIniFile& { return working_; }, ReadSite::Dialog,
      [this](const std::function<void(TMemIniFile&)>& write) { write(working_); }, this);
  settings_->Bind(cbCorner, keys::CornerType);
  settings_->Bind(cbCornerWidth, keys::CornerWidth);
  settings_->Bind(ckbCornerRadiusOnResult, keys::CornerRadiusOnResult);
  settings_->Bind(ckbFrameFit, keys::FrameFit);
  settings_->Bind(ckbBold, keys::WatermarkFontBold);
  settings_->Bind(ckbItalic, keys::WatermarkFontItalic);
  settings_->Bind(ckbUnderLine, keys::WatermarkFontUnderLine);
  settings_->Bind(ckbFitText, keys::WatermarkFitText);
  settings_->Bind(ckbOutline, keys::WatermarkOutline);
  settings_->Bind(seWatermarkImageScale, keys::WatermarkImageScale);
  settings_->Bind(seWatermarkTileSpace, keys::WatermarkTileSpace);
  settings_->Bind(seWatermarkTileCount, keys::WatermarkTileCount);
  settings_->Bind(tkbRotate, keys::WatermarkRotate);
  settings_->Bind(tkbTransparent, keys::WatermarkTransparent);
  connect(settings_, &TSettingBinding::changed, this, [this](bool counts) {
    if (counts) RefreshPreview();
  });
  connect(lvFrames, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
    if (!item) return;
    WriteText(keys::FrameName, item->text());
    if (!loading_) rbFrame->setChecked(true);
    RefreshIf(rbFrame);
  });

  // Page "水印", group "类型".
  connect(rbTextWatermark, &QRadioButton::toggled, this, [this, always](bool on) {
    if (!on) return;
    WriteInt(keys::WatermarkType, 0);
    always();
  });
  connect(rbImageWatermark, &QRadioButton::toggled, this, [this, always](bool on) {
    if (!on) return;
    WriteInt(keys::WatermarkType, 1);
    always();
  });
  connect(rbBothWatermark, &QRadioButton::toggled, this, [this, always](bool on) {
    pnlImageOwn->setEnabled(on);
    if (!on) return;
    WriteInt(keys::WatermarkType, 2);
    always();
  });
  connect(cbFontSizeMode, &QComboBox::currentIndexChanged, this, [this](int index) {
    ShowSizeMode();
    if (loading_) return;
    WriteInt(keys::WatermarkFontSizeMode, index);
    RefreshIf(rbTextWatermark);
  });
  connect(seFontSizePercent, &QSpinBox::valueChanged, this, [this](int value) {
    WriteInt(keys::WatermarkFontSizePercent, value);
    RefreshIf(rbTextWatermark);
  });
  const auto ownInt = [this](QSpinBox* box, std::string_view key) {
    connect(box, &QSpinBox::valueChanged, this, [this, key](int value) {
      WriteInt(key, value);
      RefreshIf(rbBothWatermark);
    });
  };
  ownInt(seImageMarginA, keys::WatermarkImageMarginA);
  ownInt(seImageMarginB, keys::WatermarkImageMarginB);
  ownInt(seImageTransparent, keys::WatermarkImageTransparent);
  ownInt(seImageRotate, keys::WatermarkImageRotate);
  connect(cbImagePos, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (loading_ || !ValidAnchor(index)) return;
    WriteInt(keys::WatermarkImagePos, index);
    RefreshIf(rbBothWatermark);
  });
  memWatermark->installEventFilter(this);
  connect(cbFontName, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (loading_ || index < 0) return;
    WriteText(keys::WatermarkFontName, cbFontName->itemText(index));
    RefreshIf(rbTextWatermark);
  });
  connect(cbFontSize, &QComboBox::editTextChanged, this, [this](const QString& text) {
    if (loading_) return;
    // An empty box is a size being retyped: everything reads the default meanwhile.
    if (text.isEmpty()) {
      working_.DeleteKey(kGeneral, keys::WatermarkFontSize);
    } else {
      WriteText(keys::WatermarkFontSize, text);
    }
    RefreshIf(rbTextWatermark);
  });
  shpFontColor->installEventFilter(this);
  connect(btnSelectWatermark, &QPushButton::clicked, this,
          &TPictureOptionsForm::btnSelectWatermarkClick);

  // Group "位置".
  connect(rbWatermarkPos, &QRadioButton::toggled, this, [this, always](bool on) {
    if (!on) return;
    WriteInt(keys::WatermarkPaintStyle, 0);
    always();
  });
  connect(rbTileWatermark, &QRadioButton::toggled, this, [this, always](bool on) {
    if (!on) return;
    WriteInt(keys::WatermarkPaintStyle, 1);
    always();
  });
  connect(cbWatermarkPos, &QComboBox::currentIndexChanged, this,
          &TPictureOptionsForm::cbWatermarkPosChange);
  // Each margin goes to the keys of the anchor chosen at the moment of writing.
  const auto margin = [this](QSpinBox* box, QComboBox* kind, char letter) {
    connect(box, &QSpinBox::valueChanged, this, [this, letter](int value) {
      const int anchor = cbWatermarkPos->currentIndex();
      if (!ValidAnchor(anchor)) return;
      WriteInt(MarginKey(anchor, letter), value);
      RefreshIf(rbWatermarkPos);
    });
    connect(kind, &QComboBox::currentIndexChanged, this, [this, letter](int index) {
      const int anchor = cbWatermarkPos->currentIndex();
      if (loading_ || !ValidAnchor(anchor)) return;
      WriteInt(MarginKindKey(anchor, letter), index);
      RefreshIf(rbWatermarkPos);
    });
  };
  margin(seWatermarkPosBlank1, cbWatermarkPosKind1, 'A');
  margin(seWatermarkPosBlank2, cbWatermarkPosKind2, 'B');

  // Slider and number box show one value; the slider's position is what is kept.
  for (auto [slider, box] : {std::pair{tkbRotate, seRotate}, {tkbTransparent, seTransparent}}) {
    connect(slider, &QSlider::valueChanged, box, &QSpinBox::setValue);
    connect(box, &QSpinBox::valueChanged, slider, &QSlider::setValue);
  }

  // Preview and closing.
  connect(btnPrior, &QPushButton::clicked, this, &TPictureOptionsForm::btnPriorClick);
  connect(btnNext, &QPushButton::clicked, this, &TPictureOptionsForm::btnNextClick);
  connect(btnOK, &QPushButton::clicked, this, &TPictureOptionsForm::btnOKClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TPictureOptionsForm::LoadFrameList() {
  for (const TFrameEntry& frame : ListFrames(*catalog_, kernel_.FramesFolder())) {
    try {
      // The previews are JPEG pictures whatever their extension says.
      TJPEGImage picture;
      picture.LoadFromFile(frame.previewPath);
      const auto bitmap = picture.ToBitmap();
      if (!bitmap || bitmap->Empty()) continue;
      auto* item = new QListWidgetItem(QIcon(QPixmap::fromImage(ToQImage(*bitmap))),
                                       QString::fromStdString(frame.name), lvFrames);
      item->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
    } catch (const std::exception&) {
      // A frame whose preview cannot be read is left out.
    }
  }
}

void TPictureOptionsForm::LoadOptions() {
  const auto readText = [this](std::string_view key) {
    return QString::fromStdString(ReadSettingString(working_, key, ReadSite::Dialog));
  };

  // 1-3. Frame or corners.
  (ReadInt(keys::FrameType) != 0 ? rbFrame : rbCorner)->setChecked(true);
  settings_->Load();
  if (lvFrames->count() > 0) {
    const QString name = readText(keys::FrameName);
    QListWidgetItem* chosen = lvFrames->item(0);
    for (int i = 0; i < lvFrames->count(); ++i) {
      if (lvFrames->item(i)->text().compare(name, Qt::CaseInsensitive) == 0) {
        chosen = lvFrames->item(i);
        break;
      }
    }
    lvFrames->setCurrentItem(chosen);
    lvFrames->scrollToItem(chosen);
  }

  // 4-10. Watermark type, text, font and picture.
  const int type = ReadInt(keys::WatermarkType);
  (type == 0 ? rbTextWatermark : type == 2 ? rbBothWatermark : rbImageWatermark)->setChecked(true);
  pnlImageOwn->setEnabled(type == 2);
  const QString text = StoredToMemoText(readText(keys::WatermarkText));
  memWatermark->setPlainText(text);
  SetMemoPrompt(text.isEmpty());
  const QString face = readText(keys::WatermarkFontName);
  if (!face.isEmpty())
    cbFontName->setCurrentIndex(cbFontName->findText(face, Qt::MatchFixedString));
  cbFontSize->setEditText(readText(keys::WatermarkFontSize));
  cbFontSizeMode->setCurrentIndex(ReadInt(keys::WatermarkFontSizeMode) == 1 ? 1 : 0);
  seFontSizePercent->setValue(ReadInt(keys::WatermarkFontSizePercent));
  ShowSizeMode();
  const TColor color = ReadSettingColor(working_, keys::WatermarkFontColor, ReadSite::Dialog);
  SetSwatchColor(QColor(RedOf(color), GreenOf(color), BlueOf(color)));
  edWatermarkImage->setText(readText(keys::WatermarkImage));
  seWatermarkImageScale->setValue(ReadInt(keys::WatermarkImageScale));
  const int imageAnchor = ReadInt(keys::WatermarkImagePos);
  cbImagePos->setCurrentIndex(ValidAnchor(imageAnchor) ? imageAnchor : -1);
  seImageMarginA->setValue(ReadInt(keys::WatermarkImageMarginA));
  seImageMarginB->setValue(ReadInt(keys::WatermarkImageMarginB));
  seImageTransparent->setValue(ReadInt(keys::WatermarkImageTransparent));
  seImageRotate->setValue(ReadInt(keys::WatermarkImageRotate));

  // 11-14. Placement, tiles, angle and transparency.
  (ReadInt(keys::WatermarkPaintStyle) != 0 ? rbTileWatermark : rbWatermarkPos)->setChecked(true);
  const int anchor = ReadInt(keys::WatermarkPos);
  cbWatermarkPos->setCurrentIndex(ValidAnchor(anchor) ? anchor : -1);
  LoadMarginRows(anchor);
  ShowMarginRows(anchor);
}

void TPictureOptionsForm::LoadMarginRows(int anchor) {
  if (!ValidAnchor(anchor)) return;
  seWatermarkPosBlank1->setValue(ReadInt(MarginKey(anchor, 'A')));
  cbWatermarkPosKind1->setCurrentIndex(ReadInt(MarginKindKey(anchor, 'A')));
  seWatermarkPosBlank2->setValue(ReadInt(MarginKey(anchor, 'B')));
  cbWatermarkPosKind2->setCurrentIndex(ReadInt(MarginKindKey(anchor, 'B')));
}

void TPictureOptionsForm::ShowMarginRows(int anchor) {
  // An anchor outside the list (a damaged file) has no margins to show or write.
  const auto [first, second] = MarginRowLabels(anchor);
  if (!first.isEmpty()) lblWatermarkPos1->setText(first);
  if (!second.isEmpty()) lblWatermarkPos2->setText(second);
  pnlMargin1->setVisible(!first.isEmpty());
  pnlMargin2->setVisible(!second.isEmpty());
}

void TPictureOptionsForm::cbWatermarkPosChange(int anchor) {
  if (loading_) return;
  WriteInt(keys::WatermarkPos, anchor);
  ShowMarginRows(anchor);
  LoadMarginRows(anchor);
  RefreshIf(rbWatermarkPos);
}

void TPictureOptionsForm::SetMemoPrompt(bool prompt) {
  QPalette pal = memWatermark->palette();
  pal.setColor(QPalette::Text, prompt ? kSilver : QColor(Qt::black));
  memWatermark->setPalette(pal);
  if (prompt) memWatermark->setPlainText(WatermarkTextPrompt());
}

void TPictureOptionsForm::memWatermarkEnter() {
  const QString text = memWatermark->toPlainText();
  const QString prompt = WatermarkTextPrompt();
  if (text == prompt || text == prompt + QLatin1Char('\n')) memWatermark->clear();
  SetMemoPrompt(false);
}

void TPictureOptionsForm::memWatermarkExit() {
  const QString text = memWatermark->toPlainText();
  if (text.isEmpty()) {
    SetMemoPrompt(true);
    WriteText(keys::WatermarkText, QString());
  } else {
    WriteText(keys::WatermarkText, MemoToStoredText(text));
  }
  RefreshIf(rbTextWatermark);
}

void TPictureOptionsForm::SetSwatchColor(const QColor& color) {
  swatchColor_ = color;
  QPalette pal = shpFontColor->palette();
  pal.setColor(QPalette::Window, color);
  shpFontColor->setPalette(pal);
}

void TPictureOptionsForm::shpFontColorMouseUp() {
  if (!chooseColor) return;
  const std::optional<QColor> chosen = chooseColor(swatchColor_);
  if (!chosen || !chosen->isValid()) return;
  SetSwatchColor(*chosen);
  const TColor color =
      RGBColor(static_cast<uint8_t>(chosen->red()), static_cast<uint8_t>(chosen->green()),
               static_cast<uint8_t>(chosen->blue()));
  WriteText(keys::WatermarkFontColor, QString::fromStdString(ColorToString(color)));
  RefreshIf(rbTextWatermark);
}

void TPictureOptionsForm::btnSelectWatermarkClick() {
  const QString path = chooseWatermarkPicture ? chooseWatermarkPicture() : QString();
  if (path.isEmpty()) return;
  edWatermarkImage->setText(path);
  WriteText(keys::WatermarkImage, path);
  if (!rbBothWatermark->isChecked()) rbImageWatermark->setChecked(true);
  RefreshIf(rbImageWatermark);
}

bool TPictureOptionsForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == memWatermark) {
    if (event->type() == QEvent::FocusIn) memWatermarkEnter();
    if (event->type() == QEvent::FocusOut) {
      // A context menu or another window taking the focus is no leaving of the memo.
      const auto reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
        memWatermarkExit();
    }
  } else if (watched == shpFontColor && event->type() == QEvent::MouseButtonRelease) {
    shpFontColorMouseUp();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TPictureOptionsForm::keyPressEvent(QKeyEvent* event) {
  // Enter in a number box confirms the number, not the dialog.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    for (QWidget* w = focusWidget(); w && w != this; w = w->parentWidget()) {
      if (qobject_cast<QAbstractSpinBox*>(w) || w == cbFontSize) {
        event->accept();
        return;
      }
    }
  }
  QDialog::keyPressEvent(event);
}

void TPictureOptionsForm::WriteInt(std::string_view key, int value) {
  working_.WriteInteger(kGeneral, key, value);
}

void TPictureOptionsForm::WriteText(std::string_view key, const QString& value) {
  working_.WriteString(kGeneral, key, value.toStdString());
}

int TPictureOptionsForm::ReadInt(std::string_view key) const {
  return ReadSettingInteger(working_, key, ReadSite::Dialog);
}

void TPictureOptionsForm::ShowPage(bool borderPage) {
  pgOptions->setCurrentIndex(borderPage ? 0 : 1);
}

// ---- preview ----

void TPictureOptionsForm::RefreshIf(const QRadioButton* selected) {
  // Text and picture both show when both are stamped.
  const bool both =
      (selected == rbTextWatermark || selected == rbImageWatermark) && rbBothWatermark->isChecked();
  if (selected->isChecked() || both) RefreshPreview();
}

void TPictureOptionsForm::ShowSizeMode() {
  const bool percent = cbFontSizeMode->currentIndex() == 1;
  seFontSizePercent->setEnabled(percent);
  cbFontSize->setEnabled(!percent);
}

void TPictureOptionsForm::RefreshPreview() {
  if (previewIndex_ < 0) return;
  // Loading asks for one preview at its end, not one per control.
  if (loading_) return;
  ShowHint(Pixmira::tr("正在生成预览..."));
  pnPreviewlHint->show();
  pnPreviewlHint->raise();
  // Every change of one event (a slider step writes two controls) makes one request.
  if (submitScheduled_) return;
  submitScheduled_ = true;
  QTimer::singleShot(0, this, &TPictureOptionsForm::SubmitPreview);
}

void TPictureOptionsForm::SubmitPreview() {
  submitScheduled_ = false;
  if (previewIndex_ < 0) return;
  const TExportEntry& entry = entries_[static_cast<std::size_t>(previewIndex_)];
  TPreviewJob job;
  job.path = entry.path;
  job.angle = entry.angle;
  job.settings = working_;  // the worker's own copy; editing goes on meanwhile
  job.catalog = catalog_;
  job.framesFolder = kernel_.FramesFolder();
  job.prompt = WatermarkPromptText().toStdString();
  worker_->Request(std::move(job));
}

void TPictureOptionsForm::ShowPreview(const TPreviewResult& result) {
  if (submitScheduled_) return;  // a newer request is on its way
  pnPreviewlHint->hide();
  if (!result.error.isEmpty()) {
    services_.Error(this, result.error);
    return;
  }
  previewImage_ = result.image;
  imgPreview->setPixmap(previewImage_.isNull() ? QPixmap() : QPixmap::fromImage(previewImage_));
}

void TPictureOptionsForm::ShowHint(const QString& text) { lblHint->setText(text); }

void TPictureOptionsForm::WaitForPreview() {
  while (submitScheduled_ || worker_->Busy())
    QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  QApplication::processEvents();
}

void TPictureOptionsForm::btnPriorClick() {
  if (entries_.empty()) return;
  const int count = static_cast<int>(entries_.size());
  previewIndex_ = (previewIndex_ + count - 1) % count;
  RefreshPreview();
}

void TPictureOptionsForm::btnNextClick() {
  if (entries_.empty()) return;
  previewIndex_ = (previewIndex_ + 1) % static_cast<int>(entries_.size());
  RefreshPreview();
}

// ---- closing ----

void TPictureOptionsForm::btnOKClick() {
  // Text typed into the memo counts even when OK is pressed from the keyboard.
  if (memWatermark->hasFocus()) memWatermarkExit();
  try {
    working_.UpdateFile();
  } catch (const EFileError& e) {
    // The file could not be replaced: the dialog stays open with the user's settings.
    services_.Error(this, WriteErrorText(QString::fromStdString(e.Path()), e.Error()));
    return;
  } catch (const std::exception& e) {
    // The file could not be replaced: the dialog stays open with the user's settings.
    services_.Error(this, QString::fromStdString(e.what()));
    return;
  }
  kernel_.ReloadSettings();
  accept();
}

bool RunPictureOptions(TKaravelKernel& kernel, TUiServices& services,
                       std::vector<TExportEntry> entries, bool borderPage, QWidget* parent) {
  TPictureOptionsForm form(kernel, services, std::move(entries), parent);
  form.ShowPage(borderPage);
  return form.exec() == QDialog::Accepted;
}

}  // namespace pixmira
