// The quick adjustments of the Batch tab: brightness, contrast, hue and blur
// with a live preview. The preview Image5 is computed from the hidden base
// Image10; an "Apply" box keeps the preview as the new base, so the checked
// adjustments build on one another. ApplyQuickAdjustments runs the checked
// ones, in a fixed order, on each file of a batch.
#include "core/TOrvane1.h"
#include "core/widgets/Controls.h"
#include "core/widgets/ImageControl.h"
#include "edit/EditControls.h"
#include "edit/PictureJobs.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

// Runs the Batch panel's layout rule whenever the panel itself is resized:
// the panel settles its size after the main window's resize handler ran.
class ResizeWatcher : public QObject {
public:
    ResizeWatcher(QWidget *watched, std::function<void()> onResize) : QObject(watched), m_onResize(std::move(onResize))
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Resize)
            m_onResize();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_onResize;
};

struct Adjustment {
    const char *filter;
    int index; // the parameter's place in the filter's description
};
// Brightness, Contrast, Hue, Blur: the order in which a batch applies them.
constexpr Adjustment kAdjustments[4] = {{"Contrast", 0}, {"Contrast", 1}, {"HueAdjust", 0}, {"BoxBlur", 0}};

// Makes the adjustment's filter the filter in use, with its parameter set to value.
void useAdjustment(TOrvane1 &w, int k, double value)
{
    const QString name = QString::fromLatin1(kAdjustments[k].filter);
    w.Filter = orvane::filters::createFilter(name);
    w.Rec = orvane::filters::TFilterRec();
    if (!w.Filter)
        return;
    orvane::filters::filterRec(name, &w.Rec);
    // Brightness and Contrast share one filter: the other of the two stays
    // neutral, so each slider changes only what its label says.
    if (k == 0)
        w.Filter->setFloat("Contrast", 1.0);
    else if (k == 1)
        w.Filter->setFloat("Brightness", 0.0);
    if (kAdjustments[k].index < w.Rec.Values.size())
        w.Filter->setFloat(w.Rec.Values[kAdjustments[k].index].Name, value);
    w.Filter->setBitmap("Input", w.Image10->Bitmap());
}

// Moving a slider: the preview shows the base with that one adjustment.
void previewAdjustment(TOrvane1 &w, TTrackBar *track, int k)
{
    const bool dragging = track->isSliderDown();
    if (!dragging) {
        w.PreviewJobs->drop();
        w.Image5->setBitmap(w.Image10->Bitmap());
    }
    useAdjustment(w, k, track->Value());
    if (!w.Filter)
        return;
    if (dragging) {
        // A fresh filter for the worker; the one in use stays on this thread.
        std::shared_ptr<orvane::filters::Filter> copy = orvane::filters::createFilter(w.Filter->name());
        for (const auto &v : w.Filter->rec().Values)
            if (v.ValueType == orvane::filters::TFilterValueType::Float)
                copy->setFloat(v.Name, v.Value.Float);
        copy->setBitmap("Input", w.Image10->Bitmap());
        w.PreviewJobs->schedule([copy] { return copy->output(); });
        return;
    }
    w.Image5->setBitmap(w.Filter->output());
}

// Any change of an "Apply" box: the adjustment shown becomes the base.
void keepPreview(TOrvane1 &w)
{
    w.PreviewJobs->wait();
    w.Image10->setBitmap(w.Image5->Bitmap());
}

} // namespace

void TOrvane1::BuildQuickAdjustments()
{
    auto *panel = qobject_cast<QVBoxLayout *>(Panel4->layout());
    Image5 = makeControl<TImage>(Panel4, "Image5", "Batch preview", QString());
    Image5->setWrapMode(TImage::WrapMode::Fit);
    Image5->setMinimumSize(80, 60);
    Image5->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    Image10 = makeControl<TImage>(Panel4, "Image10", "Batch base picture", QString());
    Image10->hide();

    Panel6 = makeControl<QWidget>(Panel4, "Panel6", "Quick adjustments", QString());
    auto *grid = new QGridLayout(Panel6);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setHorizontalSpacing(5);
    grid->setVerticalSpacing(0);
    struct Row {
        TTrackBar *&track;
        QCheckBox *&apply;
        const char *trackName;
        const char *boxName;
        const char *labelName;
        const char *caption;
        double min, max, value;
    };
    const Row rows[] = {
        {TrackBar6, CHKBRIGHT, "TrackBar6", "CHKBRIGHT", "LabelBright", "Brightness", -1, 1, 0},
        {TrackBar7, CHKCONTRAST, "TrackBar7", "CHKCONTRAST", "LabelContrast", "Contrast", 0, 2, 1},
        {TrackBar8, CHKHUE, "TrackBar8", "CHKHUE", "LabelHue", "Hue", -1, 1, 0},
        {TrackBar9, CHKBLUR, "TrackBar9", "CHKBLUR", "LabelBlur", "Blur", 0.01, 10, 1},
    };
    int line = 0;
    for (const Row &r : rows) {
        auto *label = makeControl<QLabel>(Panel6, r.labelName, r.caption, QString(), r.caption);
        r.track = makeControl<TTrackBar>(Panel6, r.trackName, r.caption, QString());
        r.track->SetRange(r.min, r.max);
        r.track->SetValue(r.value);
        r.track->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        label->setBuddy(r.track);
        r.apply = makeControl<QCheckBox>(Panel6, r.boxName, QString("Apply ") + r.caption,
                                         QString("Keep the ") + r.caption + " adjustment for the next one",
                                         "Apply");
        grid->addWidget(label, line, 0);
        grid->addWidget(r.track, line + 1, 0);
        grid->addWidget(r.apply, line + 1, 1);
        line += 2;
    }
    grid->setColumnStretch(0, 1);

    // Under the mode group: the preview, then the adjustments.
    int at = panel ? panel->count() : 0;
    if (panel) {
        if (QWidget *mode = Panel4->findChild<QWidget *>("RDBTMODE"))
            at = panel->indexOf(mode) + 1;
        panel->insertWidget(at, Image5, 1);
        panel->insertWidget(at + 1, Panel6);
    }

    PreviewJobs.reset(new PictureJobs(Image5, Image10));
    new ResizeWatcher(Panel4, [this] { LayoutBatchPanel(); });

    connect(TrackBar6, &TTrackBar::Change, this, &TOrvane1::TrackBar6Change);
    connect(TrackBar7, &TTrackBar::Change, this, &TOrvane1::TrackBar7Change);
    connect(TrackBar8, &TTrackBar::Change, this, &TOrvane1::TrackBar8Change);
    connect(TrackBar9, &TTrackBar::Change, this, &TOrvane1::TrackBar9Change);
    for (TTrackBar *track : {TrackBar6, TrackBar7, TrackBar8, TrackBar9})
        connect(track, &QSlider::sliderReleased, this, &TOrvane1::waitForFilter);
    connect(CHKBRIGHT, &QCheckBox::toggled, this, &TOrvane1::CHKBRIGHTChange);
    connect(CHKCONTRAST, &QCheckBox::toggled, this, &TOrvane1::CHKCONTRASTChange);
    connect(CHKHUE, &QCheckBox::toggled, this, &TOrvane1::CHKHUEChange);
    connect(CHKBLUR, &QCheckBox::toggled, this, &TOrvane1::CHKBLURChange);

    // The adjustments belong to the batch mode "Edit" where that mode exists.
    if (auto *editMode = Panel4->findChild<QRadioButton *>("RDBTEDIT")) {
        Panel6->setVisible(editMode->isChecked());
        connect(editMode, &QRadioButton::toggled, Panel6, &QWidget::setVisible);
    }
}

void TOrvane1::TrackBar6Change() { previewAdjustment(*this, TrackBar6, 0); }
void TOrvane1::TrackBar7Change() { previewAdjustment(*this, TrackBar7, 1); }
void TOrvane1::TrackBar8Change() { previewAdjustment(*this, TrackBar8, 2); }
void TOrvane1::TrackBar9Change() { previewAdjustment(*this, TrackBar9, 3); }

void TOrvane1::CHKBRIGHTChange() { keepPreview(*this); }
void TOrvane1::CHKCONTRASTChange() { keepPreview(*this); }
void TOrvane1::CHKHUEChange() { keepPreview(*this); }
void TOrvane1::CHKBLURChange() { keepPreview(*this); }

void TOrvane1::ApplyQuickAdjustments()
{
    if (!Image5 || !Image10)
        return;
    PreviewJobs->drop();
    TTrackBar *const tracks[4] = {TrackBar6, TrackBar7, TrackBar8, TrackBar9};
    QCheckBox *const boxes[4] = {CHKBRIGHT, CHKCONTRAST, CHKHUE, CHKBLUR};
    for (int k = 0; k < 4; ++k) {
        if (!boxes[k]->isChecked())
            continue;
        useAdjustment(*this, k, tracks[k]->Value());
        if (!Filter)
            continue;
        Image5->setBitmap(Filter->output());
        Image10->setBitmap(Image5->Bitmap());
    }
}

void TOrvane1::ResetQuickAdjustments()
{
    if (!TrackBar6)
        return;
    // Back to neutral without previews: the preview keeps showing the file.
    const std::pair<TTrackBar *, double> neutral[] = {{TrackBar6, 0}, {TrackBar7, 1}, {TrackBar8, 0}, {TrackBar9, 1}};
    for (auto [track, value] : neutral) {
        const QSignalBlocker quiet(track);
        track->SetValue(value);
    }
}
