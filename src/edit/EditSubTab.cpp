// The Edit sub-tab: rotation, resizing and flipping of the working picture,
// and the filter lists with the parameter rows of the chosen filter (their
// handlers are in edit/FilterPanel.cpp).
//
// Picture slots: rotation starts from the opened picture (Image2), so a new
// angle discards every other edit; resize and flip change the working
// picture (Image1) as it is. Resize refreshes the stroke snapshot (Image6)
// just before it scales; rotation and flip leave it alone.
#include "core/TOrvane1.h"
#include "core/engine/Routines.h"
#include "core/widgets/Controls.h"
#include "core/widgets/ImageControl.h"
#include "edit/EditControls.h"
#include "edit/PictureJobs.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollArea>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Hands the Enter key of a field to a handler (key code 13, as the key
// handlers of the size fields expect) before the field sees it.
class EnterKeyWatcher : public QObject {
public:
    EnterKeyWatcher(QObject *parent, std::function<void(int)> onKey) : QObject(parent), m_onKey(std::move(onKey)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                m_onKey(13);
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void(int)> m_onKey;
};

// Largest picture a resize makes: 32767 pixels a side and 2^28 pixels in all
// (a typo such as 20000 x 30000 would otherwise ask for gigabytes).
constexpr long long kMaxSide = 32767;
constexpr long long kMaxPixels = 1LL << 28;

} // namespace

void TOrvane1::BuildEditSubTab()
{
    auto *editLayout = new QVBoxLayout(TabItem6);
    Panel10 = makeControl<QWidget>(TabItem6, "Panel10", "Panel10", QString());
    auto *panelLayout = new QVBoxLayout(Panel10);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(4);

    // The three edit buttons and the button that moves the tools.
    auto *buttons = new QHBoxLayout;
    auto button = [this](const char *name, const QString &caption, const QString &hint) {
        auto *b = makeControl<QToolButton>(Panel10, name, caption, hint);
        b->setText(caption);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setMinimumWidth(60);
        return b;
    };
    RotateBtn = button("RotateBtn", "Rotate", "Rotate Photo");
    ResizeBtn = button("ResizeBtn", "Resize", "Resize Photo");
    FlipBtn = button("FlipBtn", "Flip", "FlipPhoto");
    MoveBtn = makeControl<QToolButton>(Panel10, "MoveBtn", "Right", "Move Edit Tools to the other Side");
    MoveBtn->setText("Right");
    buttons->addWidget(RotateBtn);
    buttons->addWidget(ResizeBtn);
    buttons->addWidget(FlipBtn);
    buttons->addStretch();
    buttons->addWidget(MoveBtn);
    panelLayout->addLayout(buttons);

    // Rotation: the angle slider with its label under it.
    TrackBar1 = makeControl<QSlider>(Panel10, "TrackBar1", "Rotation angle", "Rotate Photo", Qt::Horizontal);
    TrackBar1->setRange(0, 360);
    TrackBar1->setValue(0);
    Label26 = makeControl<QLabel>(Panel10, "Label26", "Label26", QString());
    Label26->setText("0         360");
    Label26->setBuddy(TrackBar1);
    panelLayout->addWidget(TrackBar1);
    panelLayout->addWidget(Label26);

    // Resizing: width and height fields and the aspect lock.
    auto *sizes = new QHBoxLayout;
    RSzeWBtn = makeControl<QLineEdit>(Panel10, "RSzeWBtn", "Width", "New width in pixels");
    RSzeHBtn = makeControl<QLineEdit>(Panel10, "RSzeHBtn", "Height", "New height in pixels");
    for (QLineEdit *field : {RSzeWBtn, RSzeHBtn}) {
        field->setMaximumWidth(90);
        field->setPlaceholderText(field->accessibleName());
    }
    CHKASPK = makeControl<QCheckBox>(Panel10, "CHKASPK", "Aspect", "Keep the proportions of the picture", "Aspect");
    CHKASPK->setChecked(true);
    sizes->addWidget(RSzeWBtn);
    sizes->addWidget(RSzeHBtn);
    sizes->addWidget(CHKASPK);
    sizes->addStretch();
    panelLayout->addLayout(sizes);

    // Flip direction: off flips left to right, on flips top to bottom.
    Switch1 = makeControl<TSwitch>(Panel10, "Switch1", "Flip vertically",
                                   "Off: flip left to right; on: flip top to bottom");
    panelLayout->addWidget(Switch1);

    for (QWidget *hidden : std::initializer_list<QWidget *>{TrackBar1, Label26, RSzeWBtn, RSzeHBtn, CHKASPK, Switch1})
        hidden->hide();

    // The filter lists.
    auto *lists = new QHBoxLayout;
    ListBox1 = makeControl<QListWidget>(Panel10, "ListBox1", "Filter categories", "Select Filter Category");
    ListBox2 = makeControl<QListWidget>(Panel10, "ListBox2", "Filters", "Select Filter");
    ListBox1->setSortingEnabled(true);
    ListBox2->setSortingEnabled(true);
    lists->addWidget(ListBox1);
    lists->addSpacing(3);
    lists->addWidget(ListBox2);
    lists->addStretch();
    panelLayout->addLayout(lists, 1);
    editLayout->addWidget(Panel10, 1);

    // The parameter rows of the chosen filter.
    Layout1 = makeControl<QWidget>(TabItem6, "Layout1", "Layout1", QString());
    auto *paramLayout = new QVBoxLayout(Layout1);
    paramLayout->setContentsMargins(0, 0, 0, 0);
    ListBox3 = makeControl<QListWidget>(Layout1, "ListBox3", "Filter settings", QString());
    ListBox3->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListBox3->setSelectionMode(QAbstractItemView::NoSelection);
    ListBox3->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    paramLayout->addWidget(ListBox3);
    editLayout->addWidget(Layout1, 1);

    WorkingPictureJobs.reset(new PictureJobs(Image1, Image2));

    connect(RotateBtn, &QToolButton::clicked, this, &TOrvane1::RotateBtnClick);
    connect(TrackBar1, &QSlider::valueChanged, this, &TOrvane1::TrackBar1Change);
    // Letting the slider go waits for the angle it shows.
    connect(TrackBar1, &QSlider::sliderReleased, this, &TOrvane1::waitForFilter);
    connect(ResizeBtn, &QToolButton::clicked, this, &TOrvane1::ResizeBtnClick);
    connect(FlipBtn, &QToolButton::clicked, this, &TOrvane1::FlipBtnClick);
    connect(RSzeHBtn, &QLineEdit::textChanged, this, &TOrvane1::RSzeHBtnChangeTracking);
    // The width field's change counts when the edit is committed (Enter or
    // leaving the field) after the user typed in it.
    connect(RSzeWBtn, &QLineEdit::editingFinished, this, [this] {
        if (!RSzeWBtn->isModified())
            return;
        RSzeWBtn->setModified(false);
        RSzeWBtnChange();
    });
    RSzeHBtn->installEventFilter(new EnterKeyWatcher(RSzeHBtn, [this](int key) { RSzeHBtnKeyDown(key); }));
    RSzeWBtn->installEventFilter(new EnterKeyWatcher(RSzeWBtn, [this](int key) {
        // Enter commits the typed width before it resizes.
        if (key == 13 && RSzeWBtn->isModified()) {
            RSzeWBtn->setModified(false);
            RSzeWBtnChange();
        }
        RSzeWBtnKeyDown(key);
    }));
    BuildFilterPanel();
}

// ---------------------------------------------------------------- rotation

void TOrvane1::RotateBtnClick()
{
    Switch1->hide();
    TrackBar1->setRange(0, 360);
    Label26->setText("0         360");
    const bool show = TrackBar1->isHidden();
    TrackBar1->setVisible(show);
    Label26->setVisible(show);
    RSzeHBtn->hide();
    RSzeWBtn->hide();
    CHKASPK->hide();
    RESIZEON_FLG = false;
}

void TOrvane1::TrackBar1Change()
{
    const int angle = TrackBar1->value();
    // Always from the opened picture; a failure leaves the plain copy.
    auto turn = [source = Image2->Bitmap(), angle]() -> QImage {
        try {
            return orvane::filters::rotated(source, angle);
        } catch (...) {
            return source;
        }
    };
    if (TrackBar1->isSliderDown()) {
        WorkingPictureJobs->schedule(turn);
    } else {
        WorkingPictureJobs->drop();
        Image1->setBitmap(turn());
    }
    Label26->setText(QString::number(orvane::RoundHalfEven(angle)));
}

// ---------------------------------------------------------------- resizing

void TOrvane1::ResizeBtnClick()
{
    if (!RESIZEON_FLG) {
        TrackBar1->hide();
        Label26->hide();
        Switch1->hide();
        RSzeHBtn->show();
        RSzeWBtn->show();
        CHKASPK->show();
        RESIZEON_FLG = true;
        RSzeHBtn->setFocus();
        return;
    }
    ResizePicture();
    const QSize size = Image1->Bitmap().size();
    if (size.isEmpty())
        return;
    // The picture shows at its own size: at the top left with scroll bars when
    // it is larger than the visible area, centred when it fits.
    Image1->setFixedSize(size);
    const QSize visible = ScrollBox1->viewport()->size();
    const bool larger = size.height() > visible.height() || size.width() > visible.width();
    if (QLayout *canvas = Image1->parentWidget() ? Image1->parentWidget()->layout() : nullptr) {
        canvas->setContentsMargins(0, 0, 0, 0);
        canvas->setAlignment(larger ? Qt::AlignLeft | Qt::AlignTop : Qt::AlignCenter);
        canvas->activate();
    }
    if (larger)
        ScrollBox1->ensureVisible(0, 0);
}

void TOrvane1::ResizePicture()
{
    Image1->setWrapMode(TImage::WrapMode::Original);
    Image6->setWrapMode(TImage::WrapMode::Original);
    Image6->setBitmap(Image1->Bitmap().copy());
    const long long height = orvane::LeadingInteger(RSzeHBtn->text());
    const long long width = orvane::LeadingInteger(RSzeWBtn->text());
    // A size that gives no picture (0, negative, absurdly large) leaves the
    // working picture as it is instead of emptying it.
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide || width * height > kMaxPixels)
        return;
    const QImage scaled = orvane::filters::resized(Image1->Bitmap(), int(width), int(height));
    if (scaled.isNull())
        return;
    WorkingPictureJobs->drop();
    Image1->setBitmap(scaled);
    NEEDSAVE_FLG = true;
}

// With the aspect lock on, the other size field follows the typed one. The
// lock is unchecked while writing, so the other field does not answer back.
static void followAspect(QCheckBox *lock, const QSize &picture, QLineEdit *typed, QLineEdit *other, bool typedIsHeight)
{
    if (!lock || !lock->isChecked() || picture.isEmpty())
        return;
    lock->setChecked(false);
    const float ratio = typedIsHeight ? float(picture.width()) / float(picture.height())
                                      : float(picture.height()) / float(picture.width());
    const float typedSize = float(orvane::LeadingInteger(typed->text()));
    other->setText(QString::number(orvane::RoundHalfEven(typedSize * ratio)));
    lock->setChecked(true);
}

void TOrvane1::RSzeHBtnChangeTracking()
{
    followAspect(CHKASPK, Image1->Bitmap().size(), RSzeHBtn, RSzeWBtn, true);
}

void TOrvane1::RSzeWBtnChange()
{
    followAspect(CHKASPK, Image1->Bitmap().size(), RSzeWBtn, RSzeHBtn, false);
}

void TOrvane1::RSzeHBtnKeyDown(int key)
{
    if (key == 13)
        ResizeBtnClick();
}

void TOrvane1::RSzeWBtnKeyDown(int key)
{
    if (key == 13)
        ResizeBtnClick();
}

// ---------------------------------------------------------------- flipping

void TOrvane1::FlipBtnClick()
{
    Switch1->show();
    RSzeHBtn->hide();
    RSzeWBtn->hide();
    TrackBar1->hide();
    Label26->hide();
    WorkingPictureJobs->drop();
    // Off: left and right change places; on: top and bottom.
    Image1->setBitmap(orvane::filters::flipped(Image1->Bitmap(), !Switch1->isChecked()));
}
