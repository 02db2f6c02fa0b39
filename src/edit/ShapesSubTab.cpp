// The Shapes sub-tab: the list of 68 figures, their preview, the inner and
// outer frame settings, the colour and pen of shapes, and drawing the chosen
// figure onto the working picture when the pointer is released in shape mode.
// The figures, frames and previews are the shape library's; this file keeps
// the main window's shape fields and reads the sub-tab's controls for it.
#include "core/TOrvane1.h"
#include "core/widgets/Controls.h"
#include "core/widgets/ImageControl.h"
#include "edit/ColorPanel.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

namespace shapes = orvane::shapes;

namespace {

shapes::ShapeFields shapeFields(const TOrvane1 &w)
{
    shapes::ShapeFields f;
    f.WkPathData = w.WkPathData;
    f.HLDLIST8_INDEX = w.HLDLIST8_INDEX;
    f.IMAGENOBITMAP_FLG = w.IMAGENOBITMAP_FLG;
    f.DRWFIL_FLG = w.DRWFIL_FLG;
    f.DRWINN_FLG = w.DRWINN_FLG;
    f.DRWOUT_FLG = w.DRWOUT_FLG;
    f.PATHFILL_CLR = QColor::fromRgba(w.PATHFILL_CLR);
    f.PATHINN_CLR = QColor::fromRgba(w.PATHINN_CLR);
    f.PATHOUT_CLR = QColor::fromRgba(w.PATHOUT_CLR);
    f.DRWSHPPEN_THK = float(w.DRWSHPPEN_THK);
    return f;
}

void storeShapeFields(TOrvane1 &w, const shapes::ShapeFields &f)
{
    w.WkPathData = f.WkPathData;
    w.HLDLIST8_INDEX = f.HLDLIST8_INDEX;
    w.IMAGENOBITMAP_FLG = f.IMAGENOBITMAP_FLG;
    w.DRWFIL_FLG = f.DRWFIL_FLG;
    w.DRWINN_FLG = f.DRWINN_FLG;
    w.DRWOUT_FLG = f.DRWOUT_FLG;
    w.PATHFILL_CLR = f.PATHFILL_CLR.rgba();
    w.PATHINN_CLR = f.PATHINN_CLR.rgba();
    w.PATHOUT_CLR = f.PATHOUT_CLR.rgba();
    w.DRWSHPPEN_THK = f.DRWSHPPEN_THK;
}

// The sub-tab's controls at this moment.
shapes::ShapeControls shapeControls(const TOrvane1 &w)
{
    shapes::ShapeControls c;
    c.index = w.ListBox8->currentRow();
    c.inner = {w.RDINN1->isChecked() ? shapes::FrameMode::Add : shapes::FrameMode::Multiply, w.Edit2->text()};
    c.outer = {w.RDOUT1->isChecked() ? shapes::FrameMode::Add : shapes::FrameMode::Multiply, w.Edit3->text()};
    c.colorTarget = w.RDSHAPINN->isChecked()   ? shapes::ColorTarget::Inner
                    : w.RDSHAPOUT->isChecked() ? shapes::ColorTarget::Outer
                                               : shapes::ColorTarget::Fill;
    c.panelColor = w.ColorPanel3->color();
    return c;
}

void enableFrameControls(TOrvane1 &w, bool on)
{
    for (QWidget *control : {static_cast<QWidget *>(w.GRPSHPINN), static_cast<QWidget *>(w.GRPSHPOUT),
                             static_cast<QWidget *>(w.Edit2), static_cast<QWidget *>(w.Edit3)})
        control->setEnabled(on);
}

// Runs a preview operation of the library on Image7 with the window's fields.
template <typename Operation>
void onPreview(TOrvane1 &w, Operation operation)
{
    shapes::ShapeFields fields = shapeFields(w);
    shapes::ShapePreview preview{w.Image7->Bitmap(), w.Image7Canvas};
    {
        const QSignalBlocker quiet(w.Image7);
        w.Image7->setBitmap(QImage()); // the preview is then painted without a copy
    }
    operation(fields, shapeControls(w), preview);
    w.Image7->setBitmap(preview.bitmap);
    w.Image7Canvas = preview.canvas;
    storeShapeFields(w, fields);
}

QRadioButton *radio(QGroupBox *group, const char *name, const QString &caption, bool checked)
{
    auto *b = makeControl<QRadioButton>(group, name, caption, QString());
    b->setText(caption);
    b->setChecked(checked);
    group->layout()->addWidget(b);
    return b;
}

QGroupBox *group(QWidget *parent, const char *name, const QString &caption, const QString &hint)
{
    auto *g = makeControl<QGroupBox>(parent, name, caption.trimmed(), hint);
    g->setTitle(caption);
    new QHBoxLayout(g);
    return g;
}

} // namespace

void TOrvane1::BuildShapesSubTab()
{
    auto *layout = new QHBoxLayout(TabItem8);
    ListBox8 = makeControl<QListWidget>(TabItem8, "ListBox8", "Shapes", "Select Shape to Add to Photo");
    ListBox8->setFixedWidth(250);
    ListBox8->addItems(shapes::shapeNames());
    layout->addWidget(ListBox8, 0, Qt::AlignTop);

    auto *side = new QVBoxLayout;
    Image7 = makeControl<TImage>(TabItem8, "Image7", "Shape preview", QString());
    Image7->setFixedSize(shapes::kPreviewSize, shapes::kPreviewSize);
    Image7->setWrapMode(TImage::WrapMode::Original);
    Image7->setStyleSheet("background: transparent;");
    side->addWidget(Image7, 0, Qt::AlignLeft);

    auto *frames = new QGridLayout;
    GRPSHPINN = group(TabItem8, "GRPSHPINN", " INN ", QString());
    RDINN1 = radio(GRPSHPINN, "RDINN1", "+", true);
    RDINN2 = radio(GRPSHPINN, "RDINN2", "x", false);
    Edit2 = makeControl<QLineEdit>(TabItem8, "Edit2", "INN amount", QString());
    Edit2->setText("-2");
    Edit2->setFixedWidth(50);
    GRPSHPOUT = group(TabItem8, "GRPSHPOUT", " OUT ", QString());
    RDOUT1 = radio(GRPSHPOUT, "RDOUT1", "+", true);
    RDOUT2 = radio(GRPSHPOUT, "RDOUT2", "x", false);
    Edit3 = makeControl<QLineEdit>(TabItem8, "Edit3", "OUT amount", QString());
    Edit3->setText("4");
    Edit3->setFixedWidth(50);
    frames->addWidget(GRPSHPINN, 0, 0);
    frames->addWidget(Edit2, 0, 1);
    frames->addWidget(GRPSHPOUT, 1, 0);
    frames->addWidget(Edit3, 1, 1);
    side->addLayout(frames);

    GRPSHAPE = group(TabItem8, "GRPSHAPE", " Color ", "Add Fill to structure");
    RDSHAPFILL = radio(GRPSHAPE, "RDSHAPFILL", "Fill", true);
    RDSHAPINN = radio(GRPSHAPE, "RDSHAPINN", "Inner", false);
    RDSHAPOUT = radio(GRPSHAPE, "RDSHAPOUT", "Outer", false);
    side->addWidget(GRPSHAPE);
    ColorPanel3 = makeControl<TColorPanel>(TabItem8, "ColorPanel3", "Shape colour", QString(), Qt::white);
    side->addWidget(ColorPanel3);

    auto *pen = new QHBoxLayout;
    auto *penLabel = makeControl<QLabel>(TabItem8, "Label8", "Pen:", QString());
    penLabel->setText("Pen:");
    TrackBar5 = makeControl<QSlider>(TabItem8, "TrackBar5", "Pen:", QString(), Qt::Horizontal);
    TrackBar5->setRange(1, 20);
    TrackBar5->setValue(1);
    penLabel->setBuddy(TrackBar5);
    pen->addWidget(penLabel);
    pen->addWidget(TrackBar5, 1);
    side->addLayout(pen);

    auto *onOff = new QHBoxLayout;
    TDrwOnOffBtn = makeControl<QToolButton>(TabItem8, "TDrwOnOffBtn", QString(), "Activate add shape to Photo");
    TDrwOnOffBtn->setFixedSize(38, 38);
    ImageOnOff2 = makeControl<TImage>(TDrwOnOffBtn, "ImageOnOff2", QString(), "Activate add shape to Photo");
    ImageOnOff2->setFixedSize(28, 28);
    ImageOnOff2->setWrapMode(TImage::WrapMode::Fit);
    ImageOnOff2->setProperty("lampOn", false);
    auto *inside = new QHBoxLayout(TDrwOnOffBtn);
    inside->setContentsMargins(4, 4, 4, 4);
    inside->addWidget(ImageOnOff2);
    onOff->addWidget(TDrwOnOffBtn);
    onOff->addStretch(1);
    side->addLayout(onOff);
    side->addStretch(1);
    layout->addLayout(side, 1);

    connect(ListBox8, &QListWidget::itemClicked, this, [this] { ListBox8ItemClick(); });
    connect(RDSHAPFILL, &QRadioButton::clicked, this, &TOrvane1::RDSHAPFILLClick);
    connect(RDSHAPINN, &QRadioButton::clicked, this, &TOrvane1::RDSHAPINNClick);
    connect(RDSHAPOUT, &QRadioButton::clicked, this, &TOrvane1::RDSHAPOUTClick);
    connect(ColorPanel3, &TColorPanel::colorChanged, this, &TOrvane1::ColorPanel3Change);
    connect(TrackBar5, &QSlider::valueChanged, this, &TOrvane1::TrackBar5Change);
    connect(TDrwOnOffBtn, &QToolButton::clicked, this, &TOrvane1::TDrwOnOffBtnClick);
    connect(ImageOnOff2, &TImage::clicked, this, &TOrvane1::TDrwOnOffBtnClick);
}

void TOrvane1::ListBox8ItemClick()
{
    const int index = ListBox8->currentRow();
    if (index < 0 || index >= ListBox8->count())
        return;
    bool framesEnabled = true;
    onPreview(*this, [&](shapes::ShapeFields &f, const shapes::ShapeControls &c, shapes::ShapePreview &p) {
        framesEnabled = shapes::chooseShape(f, c, p);
    });
    enableFrameControls(*this, framesEnabled);
}

void TOrvane1::RDSHAPFILLClick()
{
    shapes::ShapeFields fields = shapeFields(*this);
    shapes::fillChosen(fields, shapeControls(*this));
    storeShapeFields(*this, fields);
}

void TOrvane1::RDSHAPINNClick()
{
    onPreview(*this, [](shapes::ShapeFields &f, const shapes::ShapeControls &c, shapes::ShapePreview &p) {
        shapes::DrawShapeInnerFrame(f, c, p);
    });
}

void TOrvane1::RDSHAPOUTClick()
{
    onPreview(*this, [](shapes::ShapeFields &f, const shapes::ShapeControls &c, shapes::ShapePreview &p) {
        shapes::DrawShapeOuterFrame(f, c, p);
    });
}

// The panel's colour is read when a fill or a frame is next taken.
void TOrvane1::ColorPanel3Change() {}

void TOrvane1::TrackBar5Change()
{
    shapes::ShapeFields fields = shapeFields(*this);
    shapes::setShapePenWidth(fields, Image1Canvas, TrackBar5->value());
    storeShapeFields(*this, fields);
}

void TOrvane1::ShapeDraw(QImage &picture)
{
    shapes::ShapeFields fields = shapeFields(*this);
    const shapes::ShapeControls controls = shapeControls(*this);
    shapes::ShapeDraw(fields, controls, picture, Image1Canvas, QPointF(WKBGNREG_X, WKBGNREG_Y));
    storeShapeFields(*this, fields);
    enableFrameControls(*this, shapes::shapeFrameControlsEnabled(controls.index));
}
