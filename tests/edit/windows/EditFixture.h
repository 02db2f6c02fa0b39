#pragma once
// Shared set-up of the Edit sub-tab and quick adjustment tests: the real
// main window with a picture opened into the editor's slots, and helpers that
// choose filters and compare pictures.
#include "app/AppFixture.h"

#include "core/TOrvane1.h"
#include "core/widgets/ImageControl.h"
#include "edit/EditControls.h"
#include "edit/filters/FilterEngine.h"

#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QListWidget>
#include <QPainter>

namespace orvane::testing {

// A picture whose every quarter differs, so that turns and mirrors show.
inline QImage quarterPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            const int r = right ? 220 : 30, g = bottom ? 200 : 40;
            image.setPixel(x, y, qRgba(r, g, 60 + (x * 120) / qMax(1, width), 255));
        }
    return image;
}

// Picture equality on colour and alpha, whatever the pixel formats.
inline bool samePicture(const QImage &a, const QImage &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    return a.convertToFormat(QImage::Format_ARGB32_Premultiplied) ==
           b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

class EditWindowTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        createWindows();
        w = Orvane1;
        w->TabControl2->setCurrentWidget(w->TabItem6);
    }

    // Opens a picture into the editor as the viewer does: working, opened and
    // snapshot slots, and the size fields.
    void openPicture(const QImage &picture)
    {
        w->Image1->setBitmap(picture);
        w->Image2->setBitmap(picture);
        w->Image6->setBitmap(picture);
        w->RSzeHBtn->setText(QString::number(picture.height()));
        w->RSzeWBtn->setText(QString::number(picture.width()));
    }

    static QListWidgetItem *itemWithText(QListWidget *list, const QString &text)
    {
        const QList<QListWidgetItem *> found = list->findItems(text, Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.first();
    }

    // Chooses a category and a filter as a click on each list does.
    void chooseFilter(const QString &category, const QString &filter)
    {
        QListWidgetItem *c = itemWithText(w->ListBox1, "  " + category);
        ASSERT_NE(c, nullptr) << category.toStdString();
        w->ListBox1->setCurrentItem(c);
        w->ListBox1Click();
        QListWidgetItem *f = itemWithText(w->ListBox2, "  " + filter);
        ASSERT_NE(f, nullptr) << filter.toStdString();
        w->ListBox2->setCurrentItem(f);
        w->ListBox2Click();
    }

    // What the filter gives on the opened and previous pictures, with the
    // parameters set by setup.
    QImage expected(const QString &filter,
                    const std::function<void(orvane::filters::Filter &)> &setup = {}) const
    {
        auto f = orvane::filters::createFilter(filter);
        if (!f)
            return QImage();
        if (setup)
            setup(*f);
        f->setBitmap("Input", w->Image2->Bitmap());
        f->setBitmap("Target", w->Image3->Bitmap());
        return f->output();
    }

    QWidget *row(int index) const
    {
        QListWidgetItem *item = w->ListBox3->item(index);
        return item ? w->ListBox3->itemWidget(item) : nullptr;
    }
    QString rowText(int index) const
    {
        QWidget *r = row(index);
        QLabel *text = r ? r->findChild<QLabel *>("text") : nullptr;
        return text ? text->text() : QString();
    }
    QList<TSelectionPoint *> grips() const
    {
        return w->Image1->findChildren<TSelectionPoint *>(Qt::FindDirectChildrenOnly);
    }

    TOrvane1 *w = nullptr;
};

} // namespace orvane::testing
