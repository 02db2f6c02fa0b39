// The filter panel of the Edit sub-tab: the category and filter lists, one
// parameter row per float or colour parameter (in ListBox3), a grip on the
// picture per point parameter, and RunFilter.
//
// Every run starts from the opened picture (Image2) with the previous picture
// (Image3) as the second input of transitions and blends, so one filter at a
// time is in effect and a new choice or setting replaces earlier edits.
// While a slider or grip is dragged the filter runs on a worker thread (the
// latest setting wins); letting go waits for the final picture, which is the
// one a direct run gives.
#include "core/TOrvane1.h"
#include "core/widgets/Controls.h"
#include "core/widgets/ImageControl.h"
#include "edit/EditControls.h"
#include "edit/PictureJobs.h"

#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPauseAnimation>
#include <QPropertyAnimation>
#include <QSequentialAnimationGroup>
#include <QVBoxLayout>

#include <cmath>

using orvane::filters::TFilterValueRec;
using orvane::filters::TFilterValueType;

namespace {

// Clicks a list's current item when Enter is pressed on it, so the lists
// work from the keyboard as they do with the pointer.
class ListEnterWatcher : public QObject {
public:
    ListEnterWatcher(QListWidget *list, std::function<void()> onEnter) : QObject(list), m_onEnter(std::move(onEnter))
    {
        list->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                m_onEnter();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_onEnter;
};

// A fresh filter object with the same parameter values, for a worker thread.
std::shared_ptr<orvane::filters::Filter> cloneFilter(const orvane::filters::Filter &filter)
{
    std::shared_ptr<orvane::filters::Filter> copy = orvane::filters::createFilter(filter.name());
    if (!copy)
        return copy;
    for (const TFilterValueRec &v : filter.rec().Values) {
        switch (v.ValueType) {
        case TFilterValueType::Float: copy->setFloat(v.Name, v.Value.Float); break;
        case TFilterValueType::Point: copy->setPoint(v.Name, v.Value.Point); break;
        case TFilterValueType::Color: copy->setColor(v.Name, v.Value.Color); break;
        case TFilterValueType::Bitmap: copy->setBitmap(v.Name, filter.bitmapValue(v.Name)); break;
        }
    }
    return copy;
}

QLabel *descriptionLabel(const QString &text, QWidget *row)
{
    auto *desc = new QLabel(text, row);
    desc->setObjectName("desc");
    desc->setAlignment(Qt::AlignCenter);
    auto *dim = new QGraphicsOpacityEffect(desc);
    dim->setOpacity(0.6);
    desc->setGraphicsEffect(dim);
    return desc;
}

// The row starts transparent and fades in over 0.5 s after index / 10 s.
void fadeIn(QWidget *row, int index)
{
    auto *effect = new QGraphicsOpacityEffect(row);
    effect->setOpacity(0.0);
    row->setGraphicsEffect(effect);
    auto *group = new QSequentialAnimationGroup(row);
    group->addPause(index * 100);
    auto *fade = new QPropertyAnimation(effect, "opacity", group);
    fade->setDuration(500);
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    fade->setEasingCurve(QEasingCurve::Linear);
    group->addAnimation(fade);
    // Once opaque the row draws directly again.
    QObject::connect(group, &QAbstractAnimation::finished, row, [row] { row->setGraphicsEffect(nullptr); });
    group->start(QAbstractAnimation::DeleteWhenStopped);
}

// Fixed-point text with two decimals and the user's decimal separator, as
// the parameter rows show a range ("0.01", "-1.00", "10.00").
QString rangeNumber(double value)
{
    QString text = std::fabs(value) >= 1e10 ? QString::number(value, 'E', 9) : QString::number(value, 'f', 2);
    text.replace(QLatin1Char('.'), QLocale().decimalPoint());
    return text;
}

} // namespace

void TOrvane1::BuildFilterPanel()
{
    connect(ListBox1, &QListWidget::itemClicked, this, [this] { ListBox1Click(); });
    connect(ListBox2, &QListWidget::itemClicked, this, [this] { ListBox2Click(); });
    new ListEnterWatcher(ListBox1, [this] { ListBox1Click(); });
    new ListEnterWatcher(ListBox2, [this] { ListBox2Click(); });
}

void TOrvane1::FillFilterLists()
{
    ListBox1->clear();
    for (const QString &category : orvane::filters::categories())
        ListBox1->addItem("  " + category);
    const QStringList transitions = orvane::filters::filtersInCategory("Transition");
    for (QListWidget *list : {ListBox4, ListBox12}) {
        if (!list)
            continue;
        list->clear();
        list->addItems(transitions);
        if (list->count() > 0)
            list->setCurrentRow(0);
    }
}

void TOrvane1::ListBox1Click()
{
    QListWidgetItem *category = ListBox1->currentItem();
    if (!category || !category->isSelected())
        return;
    ListBox2->clearSelection();
    ListBox2->clear();
    ListBox2->addItems(orvane::filters::filtersInCategory(category->text().trimmed()));
    for (int i = 0; i < ListBox2->count(); ++i)
        ListBox2->item(i)->setText("  " + ListBox2->item(i)->text());
}

void TOrvane1::ListBox2Click()
{
    QListWidgetItem *chosen = ListBox2->currentItem();
    if (!chosen || !chosen->isSelected())
        return;
    WorkingPictureJobs->drop();
    // The grips and rows of the previous filter go with it.
    for (TSelectionPoint *point : Image1->findChildren<TSelectionPoint *>(Qt::FindDirectChildrenOnly))
        delete point;
    ListBox3->clear();
    EditFilter.reset();
    Filter.reset();
    Rec = orvane::filters::TFilterRec();

    const QString name = chosen->text().trimmed();
    EditFilter = orvane::filters::createFilter(name);
    if (!EditFilter)
        return;
    Filter = EditFilter;
    orvane::filters::filterRec(name, &Rec);

    for (int i = 0; i < Rec.Values.size(); ++i) {
        const TFilterValueRec &v = Rec.Values[i];
        switch (v.ValueType) {
        case TFilterValueType::Float: {
            const QString text = v.Name + "(" + rangeNumber(v.Min.Float) + "-" +
                                 rangeNumber(v.Max.Float) + ")";
            auto *row = new QWidget;
            row->setObjectName("trackitem");
            auto *rowLayout = new QVBoxLayout(row);
            rowLayout->setContentsMargins(6, 2, 6, 2);
            rowLayout->setSpacing(0);
            auto *top = new QHBoxLayout;
            auto *label = new QLabel(text, row);
            label->setObjectName("text");
            label->setWordWrap(false);
            label->setAlignment(Qt::AlignLeading | Qt::AlignVCenter);
            auto *track = new TTrackBar(row);
            track->setObjectName("track");
            track->setAccessibleName(v.Name);
            track->setToolTip(v.Desc);
            track->setFixedWidth(123);
            track->SetRange(v.Min.Float, v.Max.Float);
            track->SetValue(v.Default.Float);
            track->Tag = i;
            label->setBuddy(track);
            top->addWidget(label, 1);
            top->addWidget(track);
            rowLayout->addLayout(top);
            rowLayout->addWidget(descriptionLabel(v.Desc, row));
            auto *item = new QListWidgetItem(ListBox3);
            item->setSizeHint(QSize(0, 45));
            item->setData(Qt::AccessibleTextRole, text);
            item->setData(Qt::UserRole, text);
            ListBox3->setItemWidget(item, row);
            fadeIn(row, i);
            connect(track, &TTrackBar::Change, this, [this, track] { FilterTrackChange(track); });
            connect(track, &QSlider::sliderReleased, this, &TOrvane1::waitForFilter);
            break;
        }
        case TFilterValueType::Point: {
            auto *point = new TSelectionPoint(Image1, v.Default.Point);
            point->setObjectName("point:" + v.Name);
            point->setAccessibleName(v.Name);
            point->setToolTip(v.Desc);
            point->Tag = i;
            connect(point, &TSelectionPoint::Track, this, [this, point] { FilterPointChange(point); });
            connect(point, &TSelectionPoint::Released, this, &TOrvane1::waitForFilter);
            break;
        }
        case TFilterValueType::Color: {
            auto *row = new QWidget;
            row->setObjectName("coloritem");
            auto *rowLayout = new QVBoxLayout(row);
            rowLayout->setContentsMargins(6, 2, 6, 2);
            rowLayout->setSpacing(2);
            auto *top = new QHBoxLayout;
            auto *label = new QLabel(v.Name, row);
            label->setObjectName("text");
            label->setWordWrap(false);
            auto *box = new TColorComboBox(row);
            box->setObjectName("color");
            box->setAccessibleName(v.Name);
            box->setToolTip(v.Desc);
            box->SetColor(v.Default.Color);
            box->Tag = i;
            label->setBuddy(box);
            top->addWidget(label, 1);
            top->addWidget(box);
            rowLayout->addLayout(top);
            rowLayout->addWidget(descriptionLabel(v.Desc, row));
            auto *item = new QListWidgetItem(ListBox3);
            item->setSizeHint(QSize(0, 64));
            item->setData(Qt::AccessibleTextRole, v.Name);
            item->setData(Qt::UserRole, v.Name);
            ListBox3->setItemWidget(item, row);
            fadeIn(row, i);
            connect(box, &TColorComboBox::Change, this, [this, box] { FilterColorChange(box); });
            break;
        }
        case TFilterValueType::Bitmap:
            break;
        }
    }
    RunFilter();
    // The picture with the filter at its defaults becomes the newest undo step.
    SaveUndoSnapshot();
    ListBox3->doItemsLayout();
}

void TOrvane1::RunFilter()
{
    if (!EditFilter)
        return;
    WorkingPictureJobs->drop();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    EditFilter->setBitmap("Input", Image2->Bitmap());
    EditFilter->setBitmap("Target", Image3->Bitmap());
    Image1->setBitmap(EditFilter->output());
    QApplication::restoreOverrideCursor();
    NEEDSAVE_FLG = true;
}

namespace {
// The same run as RunFilter on a worker thread, for settings that change
// while the pointer drags.
void runFilterInBackground(TOrvane1 &w)
{
    if (!w.EditFilter)
        return;
    w.EditFilter->setBitmap("Input", w.Image2->Bitmap());
    w.EditFilter->setBitmap("Target", w.Image3->Bitmap());
    std::shared_ptr<orvane::filters::Filter> copy = cloneFilter(*w.EditFilter);
    if (!copy)
        return;
    w.WorkingPictureJobs->schedule([copy] { return copy->output(); }, [&w] { w.NEEDSAVE_FLG = true; });
}

// The parameter of the chosen filter at a row's or grip's tag.
QString parameterAt(const TOrvane1 &w, int tag)
{
    if (!w.EditFilter)
        return QString();
    const auto &values = w.EditFilter->rec().Values;
    return tag >= 0 && tag < values.size() ? values[tag].Name : QString();
}
} // namespace

void TOrvane1::FilterTrackChange(TTrackBar *track)
{
    const QString name = parameterAt(*this, track->Tag);
    if (name.isEmpty())
        return;
    EditFilter->setFloat(name, track->Value());
    if (track->isSliderDown())
        runFilterInBackground(*this);
    else
        RunFilter();
}

void TOrvane1::FilterColorChange(TColorComboBox *box)
{
    const QString name = parameterAt(*this, box->Tag);
    if (name.isEmpty())
        return;
    EditFilter->setColor(name, box->Color());
    RunFilter();
}

void TOrvane1::FilterPointChange(TSelectionPoint *point)
{
    const QString name = parameterAt(*this, point->Tag);
    if (name.isEmpty())
        return;
    EditFilter->setPoint(name, point->Position());
    if (point->Dragging())
        runFilterInBackground(*this);
    else
        RunFilter();
}

void TOrvane1::waitForFilter()
{
    if (WorkingPictureJobs)
        WorkingPictureJobs->wait();
    if (PreviewJobs)
        PreviewJobs->wait();
}
