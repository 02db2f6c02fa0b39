// The Draw, Text and Merge sub-tabs, and the pointer state machine of the
// working picture Image1 that every drawing tool (shapes included) goes
// through: a press starts a stroke, each move restores the stroke snapshot
// Image6 (with an outline preview for rectangles and ellipses), and the
// release draws, refreshes the snapshot and records an undo step.
#include "core/Errors.h"
#include "core/Services.h"
#include "core/TOrvane1.h"
#include "core/widgets/Controls.h"
#include "core/widgets/ImageControl.h"
#include "edit/ColorPanel.h"
#include "edit/EditPictureFiles.h"

#include <QCheckBox>
#include <QColorSpace>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QSlider>
#include <QTabWidget>
#include <QTextOption>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>
#include <cstring>

namespace {

const QString kLine = QStringLiteral("LINE");
const QString kArc = QStringLiteral("ARC");
const QString kPoint = QStringLiteral("POINT");
const QString kRectangle = QStringLiteral("RECTANGLE");
const QString kRndRectangle = QStringLiteral("RNDRECTANGLE");
const QString kEllipse = QStringLiteral("ELLIPSE");
const QString kFont = QStringLiteral("FONT");
const QString kShape = QStringLiteral("SHAPE");
const QString kMerge = QStringLiteral("MERGE");

constexpr qreal kCornerRadius = 10;

bool isRectangleMode(const QString &mode)
{
    return mode == kRectangle || mode == kRndRectangle || mode == kEllipse;
}

// The press point written as a whole number, as the status label shows it.
QString wholeNumber(float v)
{
    return QString::number(std::lround(v));
}

// A floating-point number in exponent notation: "5.00000000000000E+0000".
QString exponentText(double v)
{
    QString text = QString::asprintf("%.14E", v);
    const qsizetype e = text.indexOf(u'E');
    if (e >= 0 && e + 2 <= text.size()) {
        QString digits = text.mid(e + 2);
        text = text.left(e + 2) + digits.rightJustified(4, u'0');
    }
    return text;
}

using orvane::shapes::makePaintable;

QPen strokePen(const orvane::shapes::CanvasStyle &canvas, Qt::PenCapStyle cap = Qt::FlatCap)
{
    return QPen(QBrush(canvas.strokeColor), canvas.strokeWidth, Qt::SolidLine, cap, Qt::MiterJoin);
}

// An opened scene on a picture: antialiased, opacity 1, no brush until a fill.
void beginScene(QPainter &painter, QImage &picture)
{
    painter.begin(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setOpacity(1.0);
    painter.setBrush(Qt::NoBrush);
}

// The outline of a rectangle tool's figure in a rectangle.
void strokeFigure(QPainter &painter, const QString &mode, const QRectF &rect)
{
    if (mode == kRectangle)
        painter.drawRect(rect);
    else if (mode == kRndRectangle)
        painter.drawRoundedRect(rect, kCornerRadius, kCornerRadius);
    else if (mode == kEllipse)
        painter.drawEllipse(rect);
}

// An arc: centre, radii, start angle and sweep in degrees, 0 pointing right
// and angles growing clockwise on screen.
QPainterPath arcPath(QPointF centre, QPointF radii, qreal start, qreal sweep)
{
    const QRectF box(centre.x() - radii.x(), centre.y() - radii.y(), 2 * radii.x(), 2 * radii.y());
    QPainterPath path;
    path.arcMoveTo(box, -start);
    path.arcTo(box, -start, -sweep);
    return path;
}

// Lines of the text memo as a list of lines counts them: an empty text has
// none, and a final line break starts no further line.
QStringList memoLines(const QString &text)
{
    if (text.isEmpty())
        return {};
    QStringList lines = text.split(u'\n');
    if (text.endsWith(u'\n'))
        lines.removeLast();
    return lines;
}

QPixmap toolPicture(const QString &mode)
{
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x20, 0x20, 0x20), 2));
    const QRectF box(4, 6, 16, 12);
    if (mode == kLine)
        p.drawLine(QPointF(4, 20), QPointF(20, 4));
    else if (mode == kRectangle)
        p.drawRect(box);
    else if (mode == kRndRectangle)
        p.drawRoundedRect(box, 4, 4);
    else if (mode == kEllipse)
        p.drawEllipse(QRectF(4, 4, 16, 16));
    else if (mode == kArc)
        p.drawPath(arcPath(QPointF(12, 16), QPointF(8, 8), 180, 180));
    else if (mode == kPoint) {
        p.setBrush(QColor(0x20, 0x20, 0x20));
        for (QPointF c : {QPointF(6, 12), QPointF(12, 12), QPointF(18, 12)})
            p.drawEllipse(c, 1.5, 1.5);
    }
    return pixmap;
}

QToolButton *toolButton(QWidget *parent, const char *name, const QString &mode, const QString &hint)
{
    auto *b = makeControl<QToolButton>(parent, name, QString(), hint);
    b->setIcon(QIcon(toolPicture(mode)));
    b->setIconSize(QSize(24, 24));
    b->setFixedSize(34, 34);
    return b;
}

QLabel *label(QWidget *parent, const QString &text)
{
    auto *l = new QLabel(text, parent);
    l->setAccessibleName(text);
    return l;
}

// A slider with its end labels on one row.
QHBoxLayout *sliderRow(QSlider *slider, QLabel *low, QLabel *high)
{
    auto *row = new QHBoxLayout;
    row->addWidget(low);
    row->addWidget(slider, 1);
    row->addWidget(high);
    return row;
}

} // namespace

// ---------------------------------------------------------------- lamps

// The lamp pictures of the on/off indicators, from the Bmps folder.
static const QImage &lampPicture(TOrvane1 &w, bool on)
{
    QImage &slot = w.ImageList1[on ? 1 : 0];
    if (slot.isNull()) {
        try {
            slot = orvane::ReadPictureFile(w.BMP_PATH + (on ? "BulbOn" : "BulbOff") + w.BMPFILE_EXT);
        } catch (const std::exception &) {
            // A missing lamp picture leaves the indicator blank; the state is what counts.
        }
    }
    return slot;
}

static void showLamp(TOrvane1 &w, TImage *indicator, bool on)
{
    if (!indicator)
        return;
    indicator->setBitmap(lampPicture(w, on));
    indicator->setProperty("lampOn", on);
    indicator->update();
}

// A lamp indicator with its on/off button; both take the click. A button
// without a caption carries the lamp inside it, a captioned one beside it.
static QHBoxLayout *lampRow(QWidget *parent, TImage *&indicator, const char *indicatorName, QToolButton *&button,
                            const char *buttonName, const QString &caption, const QString &hint)
{
    button = makeControl<QToolButton>(parent, buttonName, caption, hint);
    auto *row = new QHBoxLayout;
    if (caption.isEmpty()) {
        button->setFixedSize(38, 38);
        indicator = makeControl<TImage>(button, indicatorName, QString(), hint);
        auto *inside = new QHBoxLayout(button);
        inside->setContentsMargins(4, 4, 4, 4);
        inside->addWidget(indicator);
    } else {
        button->setText(caption);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        indicator = makeControl<TImage>(parent, indicatorName, QString(), hint);
        row->addWidget(indicator);
    }
    indicator->setFixedSize(28, 28);
    indicator->setWrapMode(TImage::WrapMode::Fit);
    indicator->setProperty("lampOn", false);
    row->addWidget(button);
    row->addStretch(1);
    return row;
}

// ---------------------------------------------------------------- building

void TOrvane1::BuildDrawSubTab()
{
    auto *layout = new QVBoxLayout(TabItem7);
    auto *tools = new QHBoxLayout;
    TDLine = toolButton(TabItem7, "TDLine", kLine, "Line to Draw");
    TDRect = toolButton(TabItem7, "TDRect", kRectangle, QString());
    TDRndRect = toolButton(TabItem7, "TDRndRect", kRndRectangle, "Ellipse to Draw");
    TDEclipse = toolButton(TabItem7, "TDEclipse", kEllipse, "Circle to Draw");
    TDArch = toolButton(TabItem7, "TDArch", kArc, "Arc to Draw");
    TDDots = toolButton(TabItem7, "TDDots", kPoint, "Add Dot to Photo");
    for (QToolButton *b : {TDLine, TDRect, TDRndRect, TDEclipse, TDArch, TDDots})
        tools->addWidget(b);
    tools->addStretch(1);
    layout->addLayout(tools);
    layout->addLayout(lampRow(TabItem7, ImageOnOff, "ImageOnOff", TDOnOff, "TDOnOff", QString(),
                              "Activate Draw on Photo"));

    layout->addWidget(label(TabItem7, "Adjust Pen or Brush Size"));
    TrackBar2 = makeControl<QSlider>(TabItem7, "TrackBar2", QString(), "Adjust Pen Size", Qt::Horizontal);
    TrackBar2->setRange(1, 50);
    TrackBar2->setValue(1);
    layout->addLayout(sliderRow(TrackBar2, label(TabItem7, "0"), label(TabItem7, "50")));

    auto *penColour = label(TabItem7, "Select Pen Color:");
    layout->addWidget(penColour);
    ColorPanel1 = makeControl<TColorPanel>(TabItem7, "ColorPanel1", "Select Pen Color:", QString(), Qt::white);
    layout->addWidget(ColorPanel1);

    // Arc angles, shown only while the arc tool is chosen.
    TrackBar3 = makeControl<QSlider>(TabItem7, "TrackBar3", QString(), QString(), Qt::Horizontal);
    TrackBar4 = makeControl<QSlider>(TabItem7, "TrackBar4", QString(), QString(), Qt::Horizontal);
    for (int i = 0; i < 4; ++i)
        ArcLabels[i] = label(TabItem7, i % 2 == 0 ? "0" : "360");
    for (QSlider *s : {TrackBar3, TrackBar4}) {
        s->setRange(0, 360);
        s->setValue(10);
    }
    layout->addLayout(sliderRow(TrackBar3, ArcLabels[0], ArcLabels[1]));
    layout->addLayout(sliderRow(TrackBar4, ArcLabels[2], ArcLabels[3]));
    for (QWidget *arc : {static_cast<QWidget *>(TrackBar3), static_cast<QWidget *>(TrackBar4)})
        arc->hide();
    for (QLabel *l : ArcLabels)
        l->hide();

    CHKFILL = makeControl<QCheckBox>(TabItem7, "CHKFILL", "Fill Rectangle or Circle",
                                     "Fill Circle or Box with Pen Color");
    CHKFILL->setText("Fill Rectangle or Circle");
    layout->addWidget(CHKFILL);
    layout->addStretch(1);

    connect(TDLine, &QToolButton::clicked, this, &TOrvane1::TDLineClick);
    connect(TDRect, &QToolButton::clicked, this, &TOrvane1::TDRectClick);
    connect(TDRndRect, &QToolButton::clicked, this, &TOrvane1::TDRndRectClick);
    connect(TDEclipse, &QToolButton::clicked, this, &TOrvane1::TDEclipseClick);
    connect(TDArch, &QToolButton::clicked, this, &TOrvane1::TDArchClick);
    connect(TDDots, &QToolButton::clicked, this, &TOrvane1::TDDotsClick);
    connect(TDOnOff, &QToolButton::clicked, this, &TOrvane1::TDOnOffClick);
    connect(ImageOnOff, &TImage::clicked, this, &TOrvane1::TDOnOffClick);
    connect(TrackBar2, &QSlider::valueChanged, this, &TOrvane1::TrackBar2Change);
    connect(TrackBar3, &QSlider::valueChanged, this, &TOrvane1::TrackBar3Change);
    connect(TrackBar4, &QSlider::valueChanged, this, &TOrvane1::TrackBar4Change);
    connect(ColorPanel1, &TColorPanel::colorChanged, this, &TOrvane1::ColorPanel1Change);

    // The pointer over the working picture, in the picture's pixels.
    Image1->setToolTip("Edit Image or Photo - Double Click or Right Click");
    connect(Image1, &TImage::pressed, this, [this](Qt::MouseButton button, QPointF pos) {
        const QPointF p = Image1->toBitmap(pos);
        Image1MouseDown(button, float(p.x()), float(p.y()));
    });
    connect(Image1, &TImage::moved, this, [this](Qt::MouseButtons, QPointF pos) {
        const QPointF p = Image1->toBitmap(pos);
        Image1MouseMove(float(p.x()), float(p.y()));
    });
    connect(Image1, &TImage::released, this, [this](Qt::MouseButton button, QPointF pos) {
        const QPointF p = Image1->toBitmap(pos);
        Image1MouseUp(button, float(p.x()), float(p.y()));
    });

    // The indicators show the switched-off lamp once start-up has set the
    // Bmps folder and written the shipped pictures there.
    QTimer::singleShot(0, this, [this] {
        for (TImage *lamp : {ImageOnOff, ImageOnOff2, ImageOnOff3, ImageOnOff4, ImageOnOff5})
            if (lamp && lamp->isEmpty())
                showLamp(*this, lamp, false);
    });

    // The toolbar's Undo and Save act on what these areas keep.
    connect(UndoBtn, &QToolButton::clicked, this, &TOrvane1::UndoBtnClick);
    connect(SaveBtn, &QToolButton::clicked, this, &TOrvane1::SaveBtnClick);
}

void TOrvane1::BuildTextSubTab()
{
    auto *layout = new QVBoxLayout(TabItem9);
    Memo1 = makeControl<QPlainTextEdit>(TabItem9, "Memo1", "Text", "Enter Text to Add to Photo");
    layout->addWidget(Memo1, 1);

    auto *lists = new QHBoxLayout;
    ListBox9 = makeControl<QListWidget>(TabItem9, "ListBox9", "Font", "Select Font to Add to Photo");
    ListBox9->addItems({"Arial", "Arial Black", "Botang", "Book Antiqua", "Calibri", "Comic Sans MS", "Courier",
                        "Courier New", "Impact", "Modern", "MS Serif", "MS San Serif", "Papyrus",
                        "Times New Roman", "Script", "Segove UI", "Small Fonts", "System", "Tahoma", "Verdana"});
    ListBox9->setCurrentRow(0);
    ListBox10 = makeControl<QListWidget>(TabItem9, "ListBox10", "Size", "Set Size of Font");
    ListBox10->addItems({"8", "9", "10", "11", "12", "14", "16", "18", "20", "22", "28", "36", "48", "72"});
    ListBox10->setCurrentRow(4); // "12"
    ListBox10->setFixedWidth(70);
    lists->addWidget(ListBox9, 1);
    lists->addWidget(ListBox10);
    layout->addLayout(lists, 1);

    auto *styles = new QHBoxLayout;
    auto style = [this, styles](QCheckBox *&box, const char *name, const QString &caption) {
        box = makeControl<QCheckBox>(TabItem9, name, caption, QString());
        box->setText(caption);
        styles->addWidget(box);
    };
    style(CHKFONTBOLD, "CHKFONTBOLD", "Bold");
    style(CHKFONTITALIC, "CHKFONTITALIC", "Italic");
    style(CHKFONTUNDRL, "CHKFONTUNDRL", "UnderLine");
    style(CHKFONTSTRKE, "CHKFONTSTRKE", "Strike");
    styles->addStretch(1);
    layout->addLayout(styles);

    layout->addWidget(label(TabItem9, "Select Font Color:"));
    ColorPanel2 = makeControl<TColorPanel>(TabItem9, "ColorPanel2", "Select Font Color:", QString(), Qt::white);
    layout->addWidget(ColorPanel2);
    layout->addLayout(lampRow(TabItem9, ImageOnOff3, "ImageOnOff3", TDrwOnOffBtn2, "TDrwOnOffBtn2", QString(),
                              "Activate Add Text to Photo"));

    connect(TDrwOnOffBtn2, &QToolButton::clicked, this, &TOrvane1::TDrwOnOffBtn2Click);
    connect(ImageOnOff3, &TImage::clicked, this, &TOrvane1::TDrwOnOffBtn2Click);
}

void TOrvane1::BuildMergeSubTab()
{
    auto *layout = new QVBoxLayout(TabItem10);
    TDMergeOpnBtn = makeControl<QToolButton>(TabItem10, "TDMergeOpnBtn", "Open",
                                             "Open Photo to Merge with current Photo");
    TDMergeOpnBtn->setText("Open");
    auto *top = new QHBoxLayout;
    top->addWidget(TDMergeOpnBtn);
    top->addStretch(1);
    layout->addLayout(top);

    Image8 = makeControl<TImage>(TabItem10, "Image8", "Merge area", QString());
    Image8->setFixedSize(326, 212);
    Image8->setWrapMode(TImage::WrapMode::Original);
    layout->addWidget(Image8);
    auto *buttons = new QHBoxLayout;
    buttons->addLayout(lampRow(TabItem10, ImageOnOff5, "ImageOnOff5", TDrwOnOffBtn3, "TDrwOnOffBtn3", "Draw",
                               "Activate Area on Photo to Select for Merge"));
    buttons->addLayout(lampRow(TabItem10, ImageOnOff4, "ImageOnOff4", TDMergeBtn, "TDMergeBtn", "Merge",
                               "Activate Merge with Photo"));
    layout->addLayout(buttons);
    Image9 = makeControl<TImage>(TabItem10, "Image9", "Merge source", QString());
    Image9->setFixedSize(322, 155);
    Image9->setWrapMode(TImage::WrapMode::Fit);
    layout->addWidget(Image9);
    layout->addStretch(1);

    connect(TDMergeOpnBtn, &QToolButton::clicked, this, &TOrvane1::TDMergeOpnBtnClick);
    connect(TDrwOnOffBtn3, &QToolButton::clicked, this, &TOrvane1::TDrwOnOffBtn3Click);
    connect(ImageOnOff5, &TImage::clicked, this, &TOrvane1::TDrwOnOffBtn3Click);
    connect(TDMergeBtn, &QToolButton::clicked, this, &TOrvane1::TDMergeBtnClick);
    connect(ImageOnOff4, &TImage::clicked, this, &TOrvane1::TDMergeBtnClick);
    connect(Image8, &TImage::pressed, this, [this](Qt::MouseButton button, QPointF pos) {
        const QPointF p = Image8->toBitmap(pos);
        Image8MouseDown(button, float(p.x()), float(p.y()));
    });
    connect(Image8, &TImage::moved, this, [this](Qt::MouseButtons, QPointF pos) {
        const QPointF p = Image8->toBitmap(pos);
        Image8MouseMove(float(p.x()), float(p.y()));
    });
    connect(Image8, &TImage::released, this, [this](Qt::MouseButton button, QPointF pos) {
        const QPointF p = Image8->toBitmap(pos);
        Image8MouseUp(button, float(p.x()), float(p.y()));
    });
    connect(Image8, &TImage::clicked, this, &TOrvane1::Image8Click);
    connect(Image8, &TImage::doubleClicked, this, &TOrvane1::Image8DblClick);
    connect(Image9, &TImage::doubleClicked, this, &TOrvane1::Image9DblClick);
}

// ---------------------------------------------------------------- tools

static void chooseTool(TOrvane1 &w, const QString &mode)
{
    w.DRAW_MODE = mode;
    w.DRAW_FLG = true;
    showLamp(w, w.ImageOnOff, true);
    const bool arc = mode == kArc;
    w.TrackBar3->setVisible(arc);
    w.TrackBar4->setVisible(arc);
    for (QLabel *l : w.ArcLabels)
        l->setVisible(arc);
}

void TOrvane1::TDLineClick() { chooseTool(*this, kLine); }
void TOrvane1::TDDotsClick() { chooseTool(*this, kPoint); }
void TOrvane1::TDRectClick() { chooseTool(*this, kRectangle); }
void TOrvane1::TDRndRectClick() { chooseTool(*this, kRndRectangle); }
void TOrvane1::TDEclipseClick() { chooseTool(*this, kEllipse); }
void TOrvane1::TDArchClick() { chooseTool(*this, kArc); }

void TOrvane1::ResetDrawModes()
{
    for (TImage *lamp : {ImageOnOff, ImageOnOff2, ImageOnOff3, ImageOnOff4})
        showLamp(*this, lamp, false);
    DRAW_FLG = DRAW2_FLG = DRAW4_FLG = false;
    DRAW_MODE.clear();
}

void TOrvane1::TDOnOffClick()
{
    if (DRAW_FLG) {
        showLamp(*this, ImageOnOff, false);
        DRAW_FLG = false;
        return;
    }
    ResetDrawModes();
    showLamp(*this, ImageOnOff, true);
    Image1->setWrapMode(TImage::WrapMode::Original);
    DRAW_FLG = true;
}

void TOrvane1::TDrwOnOffBtn2Click()
{
    if (DRAW4_FLG) {
        showLamp(*this, ImageOnOff3, false);
        DRAW_FLG = false;
        DRAW_MODE.clear();
        DRAW4_FLG = false;
        return;
    }
    ResetDrawModes();
    showLamp(*this, ImageOnOff3, true);
    DRAW_FLG = true;
    DRAW_MODE = kFont;
    DRAW4_FLG = true;
}

// Shape mode and merge mode share DRAW2_FLG: either button switches off
// whichever of the two is on.
static void toggleSharedMode(TOrvane1 &w, TImage *indicator, const QString &mode)
{
    if (w.DRAW2_FLG) {
        showLamp(w, indicator, false);
        w.DRAW_FLG = w.DRAW2_FLG = false;
        w.DRAW_MODE.clear();
        return;
    }
    w.ResetDrawModes();
    showLamp(w, indicator, true);
    w.DRAW_FLG = w.DRAW2_FLG = true;
    w.DRAW_MODE = mode;
}

void TOrvane1::TDMergeBtnClick() { toggleSharedMode(*this, ImageOnOff4, kMerge); }
void TOrvane1::TDrwOnOffBtnClick() { toggleSharedMode(*this, ImageOnOff2, kShape); }

void TOrvane1::TDrwOnOffBtn3Click()
{
    DRAW3_FLG = !DRAW3_FLG;
    showLamp(*this, ImageOnOff5, DRAW3_FLG);
}

void TOrvane1::TrackBar2Change()
{
    DRAWPEN_THK = TrackBar2->value();
    Image1Canvas.strokeWidth = DRAWPEN_THK;
    setStatus(exponentText(DRAWPEN_THK));
}

void TOrvane1::TrackBar3Change() { WKARCANGLE = TrackBar3->value(); }
void TOrvane1::TrackBar4Change() { WKARCANGLE2 = TrackBar4->value(); }

void TOrvane1::ColorPanel1Change()
{
    DRAW_COLOR = ColorPanel1->alphaColor();
    if (TabControl2->currentWidget() == TabItem7)
        Image1Canvas.fillColor = QColor::fromRgba(DRAW_COLOR);
}

void TOrvane1::ApplyFontStyle()
{
    Image1Font.setBold(CHKFONTBOLD->isChecked());
    Image1Font.setItalic(CHKFONTITALIC->isChecked());
    Image1Font.setUnderline(CHKFONTUNDRL->isChecked());
    Image1Font.setStrikeOut(CHKFONTSTRKE->isChecked());
}

// The font and the size of the text rectangle, taken at the press.
static void prepareText(TOrvane1 &w)
{
    if (QListWidgetItem *family = w.ListBox9->currentItem())
        w.Image1Font.setFamily(family->text());
    if (QListWidgetItem *size = w.ListBox10->currentItem()) {
        const int pixels = size->text().toInt();
        if (pixels > 0)
            w.Image1Font.setPixelSize(pixels);
    }
    w.ApplyFontStyle();
    const QStringList lines = memoLines(w.Memo1->toPlainText());
    qsizetype longest = 0;
    for (const QString &line : lines)
        longest = qMax(longest, line.size());
    const double fontSize = w.Image1Font.pixelSize() > 0 ? w.Image1Font.pixelSize() : 12;
    w.WKFONTWIDTH = fontSize * double(qMax<qsizetype>(longest, 100));
    w.WKFONTHEIGHT = fontSize * double(lines.size());
}

// ---------------------------------------------------------------- pointer on Image1

void TOrvane1::Image1MouseDown(Qt::MouseButton button, float X, float Y)
{
    if (button == Qt::RightButton) {
        DRAW_FLG = DRAW2_FLG = DRAW3_FLG = DRAW4_FLG = false;
        for (TImage *lamp : {ImageOnOff, ImageOnOff2, ImageOnOff3, ImageOnOff4, ImageOnOff5})
            showLamp(*this, lamp, false);
        return;
    }
    if (!DRAW_FLG)
        return;
    WKBGNREG_X = WKENDREG_X = X;
    WKBGNREG_Y = WKENDREG_Y = Y;
    MOUSEDOWN_FLG = true;
    if (DRAW_MODE == kLine || DRAW_MODE == kArc || DRAW_MODE == kPoint)
        P1 = QPointF(X, Y);
    if (!FRSTRECT_FLG && !FRSTRNDRECT_FLG && !FRSTELLIPSE_FLG) {
        if (isRectangleMode(DRAW_MODE) || DRAW_MODE == kFont) {
            WKRECT = QRectF(QPointF(X, Y), QPointF(X + 1, Y + 1));
            FRSTRECT_FLG = FRSTRNDRECT_FLG = FRSTELLIPSE_FLG = true;
        } else if (DRAW_MODE == kShape) {
            WKRECT = QRectF(QPointF(X - 50, Y - 50), QPointF(X + 50, Y + 50));
        } else if (DRAW_MODE == kMerge) {
            WKRECT = QRectF(QPointF(X - 50, Y - 50), QPointF(X + WKRECT2.width(), Y + WKRECT2.height()));
        }
        if (DRAW_MODE == kFont) {
            prepareText(*this);
            WKRECT = QRectF(QPointF(X - 50, Y - 50), QPointF(X + WKFONTWIDTH, Y + WKFONTHEIGHT));
        }
    }
    setStatus(wholeNumber(X) + " x " + wholeNumber(Y));
}

// The rectangle tools read the pointer as the width and height from the
// rectangle's current corner, then move the corner to the press point.
static void dragRectangle(QRectF &rect, float pressX, float pressY, float X, float Y)
{
    rect.setBottom(rect.top() + Y);
    rect.setRight(rect.left() + X);
    rect.setLeft(pressX);
    rect.setTop(pressY);
}

// Takes the picture out of a picture control (quietly: it is put back or
// replaced at once), so that the control no longer shares it.
static QImage takePicture(TImage *image)
{
    QImage picture = image->Bitmap();
    const QSignalBlocker quiet(image);
    image->setBitmap(QImage());
    return picture;
}

// Pictures of a few megabytes and more are worth keeping for reuse.
constexpr qsizetype kRecycleBytes = qsizetype(4) << 20;
constexpr size_t kSparePictures = 2;

// Keeps a picture that the working picture no longer uses, so that a later
// copy can reuse its memory once nothing else (a queued undo write) holds it.
static void recycle(TOrvane1 &w, QImage &&old, const QImage &stillInUse = QImage())
{
    if (old.isNull() || old.sizeInBytes() < kRecycleBytes || old.cacheKey() == stillInUse.cacheKey())
        return;
    for (const QImage &spare : w.SparePictures)
        if (spare.cacheKey() == old.cacheKey())
            return;
    w.SparePictures.push_back(std::move(old));
    if (w.SparePictures.size() > kSparePictures)
        w.SparePictures.erase(w.SparePictures.begin());
}

// A copy of source that the caller alone holds. A big picture is copied into
// the buffer of a spare picture of the same layout when one is free: fresh
// memory of a 24-megapixel picture costs its page faults on every stroke.
static QImage writableCopy(TOrvane1 &w, const QImage &source)
{
    if (source.isNull())
        return source;
    for (auto it = w.SparePictures.begin(); it != w.SparePictures.end(); ++it) {
        if (!it->isDetached() || it->size() != source.size() || it->format() != source.format() ||
            it->bytesPerLine() != source.bytesPerLine())
            continue;
        QImage spare = std::move(*it);
        w.SparePictures.erase(it);
        std::memcpy(spare.bits(), source.constBits(), size_t(source.sizeInBytes()));
        spare.setColorSpace(source.colorSpace());
        spare.setDotsPerMeterX(source.dotsPerMeterX());
        spare.setDotsPerMeterY(source.dotsPerMeterY());
        return spare;
    }
    return source.copy();
}

// The picture itself when nothing else holds it, else a copy of it.
static QImage writable(TOrvane1 &w, QImage &&picture)
{
    if (picture.isNull() || picture.isDetached())
        return std::move(picture);
    QImage copy = writableCopy(w, picture);
    recycle(w, std::move(picture));
    return copy;
}

void TOrvane1::Image1MouseMove(float X, float Y)
{
    if (!DRAW_FLG || !MOUSEDOWN_FLG)
        return;
    WKENDREG_X = X;
    WKENDREG_Y = Y;
    if (DRAW4_FLG)
        return;
    // Every move starts again from the stroke snapshot.
    QImage previous = takePicture(Image1);
    if (isRectangleMode(DRAW_MODE)) {
        dragRectangle(WKRECT, WKBGNREG_X, WKBGNREG_Y, X, Y);
        QImage picture = writableCopy(*this, Image6->Bitmap());
        if (!picture.isNull()) {
            makePaintable(picture);
            QPainter painter;
            beginScene(painter, picture);
            painter.setPen(strokePen(Image1Canvas));
            strokeFigure(painter, DRAW_MODE, WKRECT);
        }
        Image1->setBitmap(picture);
    } else {
        Image1->setBitmap(Image6->Bitmap());
    }
    recycle(*this, std::move(previous), Image6->Bitmap());
}

void TOrvane1::Image1MouseUp(Qt::MouseButton, float X, float Y)
{
    if (!DRAW_FLG)
        return;
    WKENDREG_X = X;
    WKENDREG_Y = Y;
    P2 = QPointF(X, Y);
    if (TabControl2->currentWidget() == TabItem7)
        Image1Canvas.strokeWidth = DRAWPEN_THK;
    else if (TabControl2->currentWidget() == TabItem8)
        Image1Canvas.strokeWidth = DRWSHPPEN_THK;
    const bool plainTool = DRAW_MODE == kLine || isRectangleMode(DRAW_MODE) || DRAW_MODE == kArc ||
                           DRAW_MODE == kPoint;
    if (plainTool)
        Image1Canvas.fillColor = Image1Canvas.strokeColor = QColor::fromRgba(DRAW_COLOR);

    // The snapshot is replaced below: dropping it first lets the stroke paint
    // on the working picture in place when no queued undo write holds it.
    QImage picture = takePicture(Image1);
    recycle(*this, takePicture(Image6), picture);
    picture = writable(*this, std::move(picture));
    if (!picture.isNull()) {
        makePaintable(picture);
        if (DRAW2_FLG && DRAW_MODE == kShape) {
            ShapeDraw(picture);
        } else {
            QPainter painter;
            beginScene(painter, picture);
            painter.setPen(strokePen(Image1Canvas));
            if (DRAW_MODE == kPoint) {
                // A click without a drag leaves a round dot of the pen's width.
                painter.setPen(strokePen(Image1Canvas, Qt::RoundCap));
                if (P1 == P2)
                    painter.drawPoint(P1);
                else
                    painter.drawLine(P1, P2);
                painter.setPen(strokePen(Image1Canvas));
            }
            if (DRAW2_FLG && DRAW_MODE == kMerge && !Image8->isEmpty() && !WKRECT2.normalized().isEmpty()) {
                painter.setRenderHint(QPainter::SmoothPixmapTransform);
                painter.drawImage(WKRECT.normalized(), Image8->Bitmap(), WKRECT2.normalized());
            }
            if (DRAW_MODE == kLine)
                painter.drawLine(P1, P2);
            if (isRectangleMode(DRAW_MODE)) {
                strokeFigure(painter, DRAW_MODE, WKRECT);
                if (CHKFILL->isChecked()) {
                    painter.setPen(Qt::NoPen);
                    painter.setBrush(Image1Canvas.fillColor);
                    strokeFigure(painter, DRAW_MODE, WKRECT);
                }
            }
            if (DRAW_MODE == kArc)
                painter.drawPath(arcPath(P1, P2, WKARCANGLE, WKARCANGLE2));
            if (DRAW_MODE == kFont) {
                Image1Canvas.fillColor = ColorPanel2->color();
                painter.setPen(Image1Canvas.fillColor);
                painter.setFont(Image1Font);
                // Trailing in a right-to-left layout: the text keeps its own
                // reading order, starts at the rectangle's left and ends on
                // its bottom line.
                QTextOption option(Qt::AlignLeft | Qt::AlignBottom);
                option.setWrapMode(QTextOption::WordWrap);
                painter.drawText(WKRECT.normalized(), Memo1->toPlainText(), option);
            }
        }
    }
    Image1->setBitmap(picture);
    Image1->update();
    Image6->setBitmap(picture);
    MOUSEDOWN_FLG = false;
    if (DRAW_MODE == kShape || DRAW_MODE == kMerge || DRAW_MODE == kFont)
        FRSTRECT_FLG = FRSTRNDRECT_FLG = FRSTELLIPSE_FLG = false;
    SaveUndoSnapshot();
    NEEDSAVE_FLG = true;
}

// ---------------------------------------------------------------- merge source

void TOrvane1::TDMergeOpnBtnClick()
{
    orvane::FileDialogRequest request;
    request.title = "Open Pictures To Merge with Picture Above";
    request.filter = "Bitmap Format Files | *.bmp;|Icon Files| *.ico;|Jpg Files| *.jpg;|Jpeg Files| *.jpeg;|"
                     "Portable Network Graphics Format Files| *.png;|Graphic Interchange Format Files| *.gif;|"
                     "TIFF Format Files| *.tif;|Windows Media Format Files| *.wmf;|"
                     "All Files | *.bmp;*.ico;*.jpg;*.jpeg;*.png;*.gif;*.tif;*.wmf";
    request.fileName = HLDPATH2;
    request.filterIndex = HLDFILTER_INDEX2;
    const orvane::FileDialogResult chosen = orvane::services().dialogs->openFile(request);
    if (!chosen.accepted || chosen.files.isEmpty())
        return;
    const QImage source = orvane::ReadPictureFile(chosen.files.first());
    Image8->setBitmap(source);
    Image9->setBitmap(source);
    HLDFILTER_INDEX2 = chosen.filterIndex;
}

static void outlineArea(QImage &picture, const QRectF &area)
{
    if (picture.isNull())
        return;
    makePaintable(picture);
    QPainter painter;
    beginScene(painter, picture);
    painter.setPen(QPen(QBrush(Qt::black), 1.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.drawRect(area);
}

void TOrvane1::Image8MouseDown(Qt::MouseButton button, float X, float Y)
{
    if (button == Qt::RightButton) {
        DRAW3_FLG = false;
        ImageOnOff5->setBitmap(orvane::ReadPictureFile(BMP_PATH + "BulbOff" + BMPFILE_EXT));
        ImageOnOff5->setProperty("lampOn", false);
        return;
    }
    if (!DRAW3_FLG)
        return;
    MOUSEDOWN_FLG2 = true;
    WKBGNREG2_X = WKENDREG2_X = X;
    WKBGNREG2_Y = WKENDREG2_Y = Y;
    WKRECT2 = QRectF(QPointF(X, Y), QPointF(X + 1, Y + 1));
}

void TOrvane1::Image8MouseMove(float X, float Y)
{
    if (!DRAW3_FLG || !MOUSEDOWN_FLG2)
        return;
    WKENDREG2_X = X;
    WKENDREG2_Y = Y;
    QImage picture = Image9->Bitmap();
    dragRectangle(WKRECT2, WKBGNREG2_X, WKBGNREG2_Y, X, Y);
    outlineArea(picture, WKRECT2);
    Image8->setBitmap(picture);
}

void TOrvane1::Image8MouseUp(Qt::MouseButton, float, float)
{
    if (!DRAW3_FLG || !MOUSEDOWN_FLG2)
        return;
    QImage picture = takePicture(Image8);
    outlineArea(picture, WKRECT2);
    Image8->setBitmap(picture);
    MOUSEDOWN_FLG2 = false;
}

void TOrvane1::Image8Click()
{
    const QPointF s = Image8->scale();
    Image8->setScale(QPointF(s.x() + 0.01, s.y() + 0.01));
}

void TOrvane1::Image8DblClick()
{
    Image8->setWrapMode(Image8->wrapMode() == TImage::WrapMode::Stretch ? TImage::WrapMode::Original
                                                                         : TImage::WrapMode::Stretch);
}

void TOrvane1::Image9DblClick()
{
    if (!Image9->isEmpty())
        Image8->setBitmap(Image9->Bitmap());
}
