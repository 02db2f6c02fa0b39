// The ThumbNails tab: the thumbnail list of one folder (or album or slide
// show) and the three choice boxes above it.
//
// A folder listing (LoadThumbNails) reads the folder on the GUI thread, then
// hands the picture files to the thumbnail loader, which decodes them at
// thumbnail size on worker threads (through the desktop's thumbnail cache)
// and delivers them in listing order. Each decoded picture becomes an item as
// it arrives; files that do not decode are dropped. A newer listing cancels
// the one in progress. The end of the listing (counter, Save button, status
// label) happens when the last thumbnail has arrived.
#include "browse/thumbs/ThumbnailLoader.h"
#include "core/PictureFiles.h"
#include "core/TOrvane1.h"
#include "core/engine/FileTypes.h"
#include "core/widgets/Controls.h"
#include "core/widgets/ImageControl.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kItemHeight = 102;
constexpr int kPictureSide = 85;

// The text after the last "." of a listed path, trimmed and in upper case.
QString listedExtension(const QString &path)
{
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : path.mid(dot + 1).trimmed().toUpper();
}

} // namespace

void TOrvane1::BuildThumbsTab()
{
    auto *layout = new QVBoxLayout(TabThumbs);
    auto *choices = new QHBoxLayout;
    CMBFILTER = makeControl<QComboBox>(TabThumbs, "CMBFILTER", "Picture types", "Select Picture Types to Show");
    CMBFAVORITES = makeControl<QComboBox>(TabThumbs, "CMBFAVORITES", "Photo albums", "Select Photo Album to Show");
    CMBSLSTHM = makeControl<QComboBox>(TabThumbs, "CMBSLSTHM", "Slide shows", "Select Slide Show to Show");
    for (QComboBox *box : {CMBFILTER, CMBFAVORITES, CMBSLSTHM}) {
        box->setMinimumWidth(180);
        choices->addWidget(box, 1);
    }
    layout->addLayout(choices);
    ListBox7 = makeControl<QListWidget>(TabThumbs, "ListBox7", "Thumbnails", QString());
    ListBox7->setViewMode(QListView::IconMode);
    ListBox7->setResizeMode(QListView::Adjust);
    ListBox7->setMovement(QListView::Static);
    ListBox7->setUniformItemSizes(true);
    ListBox7->setSpacing(0);
    ListBox7->setGridSize(QSize(150, kItemHeight));
    layout->addWidget(ListBox7, 1);

    // The cells share the list's width between the columns that the window's
    // width gives (ThumbColumns); they follow the list's own size, which the
    // layout settles after the window's resize, and are never narrower than
    // the picture.
    class GridFollower : public QObject {
    public:
        GridFollower(TOrvane1 *window) : QObject(window->ListBox7), m_window(window)
        {
            window->ListBox7->viewport()->installEventFilter(this);
            window->installEventFilter(this);
        }
        bool eventFilter(QObject *, QEvent *event) override
        {
            // After the window's own resize rules have run (they count the columns).
            if (event->type() == QEvent::Resize && !m_pending) {
                m_pending = true;
                QMetaObject::invokeMethod(this, [this] {
                    m_pending = false;
                    fit();
                }, Qt::QueuedConnection);
            }
            return false;
        }
        void fit()
        {
            QListWidget *list = m_window->ListBox7;
            const int columns = qMax(1, m_window->ThumbColumns);
            // The list lays items out in its width less a scroll bar's, so
            // that a scroll bar appearing does not rewrap the rows.
            const int usable = list->viewport()->width() - 4 - list->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
            const int cell = qMax(kPictureSide + 10, usable / columns);
            const QSize size(cell, kItemHeight);
            if (list->gridSize() != size)
                list->setGridSize(size);
            for (int i = 0; i < list->count(); ++i)
                if (list->item(i)->sizeHint() != size)
                    list->item(i)->setSizeHint(size);
        }

    private:
        TOrvane1 *m_window;
        bool m_pending = false;
    };
    new GridFollower(this);

    connect(CMBFILTER, &QComboBox::currentIndexChanged, this, [this] { CMBFILTERChange(); });
    connect(ListBox7, &QListWidget::itemClicked, this, &TOrvane1::ListBox7Click);
    connect(ListBox7, &QListWidget::itemDoubleClicked, this, [this] { ListBox7DblClick(); });

    ThumbLoader = new orvane::thumbs::ThumbnailLoader(this);
    orvane::thumbs::ThumbOptions options;
    options.box = orvane::thumbs::boxForDisplay(kPictureSide, qApp ? qApp->devicePixelRatio() : 1.0);
    ThumbLoader->setOptions(options);
    connect(ThumbLoader, &orvane::thumbs::ThumbnailLoader::thumbnailReady, this, &TOrvane1::ThumbnailArrived);
    connect(ThumbLoader, &orvane::thumbs::ThumbnailLoader::progress, this, [this](int, int done, int total) {
        if (ThumbProgress) {
            ThumbProgress->setMaximum(total);
            ThumbProgress->setValue(done);
        }
    });
    connect(ThumbLoader, &orvane::thumbs::ThumbnailLoader::finished, this, [this] { FinishThumbNails(); });
}

// ---------------------------------------------------------------- items

// One thumbnail: the item (its tag, the Qt::UserRole data, is the picture's
// path or the given name), an 85 x 85 picture centred at the top and the name
// below it. A click on the picture selects its item; a double click opens it.
static void addThumbItem(TOrvane1 *window, const QImage &picture, const QString &tag, const QString &name,
                         int labelX, int labelWidth)
{
    QListWidget *list = window->ListBox7;
    auto *item = new QListWidgetItem(list);
    item->setData(Qt::UserRole, tag);
    item->setToolTip(name);
    item->setSizeHint(QSize(list->gridSize().width(), kItemHeight));
    auto *cell = new QWidget;
    cell->setObjectName("ThumbItem");
    cell->setFixedHeight(kItemHeight);
    auto *image = new TImage(cell);
    image->setObjectName("ThumbImage");
    image->setAccessibleName(name);
    image->setFixedSize(kPictureSide, kPictureSide);
    image->setWrapMode(TImage::WrapMode::Fit);
    if (picture.height() > 0)
        image->setBitmap(picture);
    auto *label = new QLabel(name, cell);
    label->setObjectName("ThumbLabel");
    label->setProperty("TagString", name);
    label->setWordWrap(false);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(labelX, kPictureSide + 2, labelWidth, 25);
    // The picture stays centred in the cell as the grid's width follows the window.
    class Centre : public QObject {
    public:
        Centre(QWidget *cell, QWidget *image) : QObject(cell), m_image(image) { cell->installEventFilter(this); }
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (event->type() == QEvent::Resize) {
                auto *cell = static_cast<QWidget *>(watched);
                m_image->move(qMax(0, (cell->width() - m_image->width()) / 2), 0);
            }
            return false;
        }

    private:
        QWidget *m_image;
    };
    new Centre(cell, image);
    image->move(qMax(0, (item->sizeHint().width() - kPictureSide) / 2), 0);
    QObject::connect(image, &TImage::clicked, list, [window, list, item] {
        list->setCurrentItem(item);
        window->ListBox7Click(item);
    });
    QObject::connect(image, &TImage::doubleClicked, list, [window, list, item] {
        list->setCurrentItem(item);
        window->ListBox7DblClick();
    });
    list->setItemWidget(item, cell);
}

void TOrvane1::AddThumbNailBitmap(const QImage &bitmap, const QString &name)
{
    addThumbItem(this, bitmap, name, name, 42, 160);
    ++TOTLTHMBDSP;
    if (ListBox7->count() > 0)
        SaveBtn->setEnabled(true);
}

// ---------------------------------------------------------------- listing

void TOrvane1::LoadThumbNails()
{
    // 1.
    TOTLTHMBDSP = 1;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const struct Restore {
        ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;

    // 2. The files directly in the folder, by name (the order of a plain
    // directory listing on most file systems, and the same on every run).
    const QFileInfo folder(SETFOLDER);
    if (SETFOLDER.isEmpty() || !folder.isDir()) {
        SETFOLDER = ROOTPATH + FILE_DELIM + "Pictures";
        return;
    }
    const QFileInfoList files =
        QDir(SETFOLDER).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    // 3.
    if (files.isEmpty())
        return;

    // 4. The list starts again; a listing still in progress is replaced.
    ThumbLoader->cancel();
    ListBox7->clear();
    m_thumbStatusAtStart = statusText();
    m_thumbTabAtStart = int(activeTab());
    m_thumbFolder = SETFOLDER;

    // 5.1-5.2 Pictures of the group in force, in listing order.
    QStringList pictures;
    for (const QFileInfo &file : files) {
        const QString path = QDir::toNativeSeparators(file.absoluteFilePath());
        if (Types.ExtInFilter(listedExtension(path)))
            pictures << path;
    }
    if (pictures.isEmpty()) {
        FinishThumbNails();
        return;
    }
    // 5.3-5.4 Decoded on worker threads; ThumbnailArrived adds the items.
    if (ThumbProgress) {
        ThumbProgress->setRange(0, int(pictures.size()));
        ThumbProgress->setValue(0);
        ThumbProgress->show();
    }
    ListBox7->viewport()->setCursor(Qt::BusyCursor);
    ThumbLoader->load(pictures);
}

void TOrvane1::ThumbnailArrived(const orvane::thumbs::ThumbResult &result)
{
    if (!result.ok())
        return; // not a decodable picture: left out, no message
    const QString name = result.path.mid(result.path.lastIndexOf(FILE_DELIM2) + 1);
    addThumbItem(this, result.image, result.path, name, 0, 250);
    ++TOTLTHMBDSP;
}

void TOrvane1::FinishThumbNails()
{
    // 6.
    if (ListBox7->count() > 0)
        SaveBtn->setEnabled(true);
    // 7. The status label names the folder, unless the label was given to
    // something else while the thumbnails arrived (a picture opened, another
    // tab chosen): those came later and keep the label.
    CURRENT_THUMBS = m_thumbFolder; // SETFOLDER may have moved on (a picture opened meanwhile)
    if (statusText() == m_thumbStatusAtStart && int(activeTab()) == m_thumbTabAtStart)
        setStatus(CURRENT_THUMBS);
    // 8.
    if (ThumbProgress)
        ThumbProgress->hide();
    ListBox7->viewport()->unsetCursor();
    emit thumbnailsListed();
}

void TOrvane1::CancelThumbNails()
{
    if (!ThumbLoader->isRunning())
        return;
    ThumbLoader->cancel();
    if (ThumbProgress)
        ThumbProgress->hide();
    ListBox7->viewport()->unsetCursor();
}

bool TOrvane1::thumbnailsRunning() const { return ThumbLoader && ThumbLoader->isRunning(); }

bool TOrvane1::waitForThumbnails(int timeoutMs) { return ThumbLoader->waitForFinished(timeoutMs); }

// ---------------------------------------------------------------- handlers

void TOrvane1::CMBFILTERChange()
{
    if (SKIP_FLG || CMBFILTER->currentIndex() < 0)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const struct Restore {
        ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    Types.SelectFileTypeGroup(CMBFILTER->currentIndex());
    LoadThumbNails();
}

void TOrvane1::ListBox7Click(QListWidgetItem *item)
{
    if (item && ListBox7->selectedItems().isEmpty())
        ListBox7->setCurrentItem(item);
}

void TOrvane1::ListBox7DblClick()
{
    QListWidgetItem *item = ListBox7->currentItem();
    if (ListBox7->count() == 0 || !item || !item->isSelected())
        return;
    // 1.
    ChkSaveEdits();
    // 2.-3. A folder thumbnail opens its file; a bitmap thumbnail (a camera
    // or received picture not saved yet) opens its own picture, to be saved
    // in the folder for received files.
    const QString tag = item->data(Qt::UserRole).toString();
    if (!tag.trimmed().isEmpty() && QFileInfo(tag).isFile()) {
        CURRENT_PATH = tag;
        Image1->setBitmap(orvane::LoadPictureFile(tag));
    } else {
        CURRENT_PATH = SAVETOTRAN_FOLDER + tag;
        const QWidget *cell = ListBox7->itemWidget(item);
        const TImage *picture = cell ? cell->findChild<TImage *>("ThumbImage") : nullptr;
        Image1->setBitmap(picture ? picture->Bitmap() : QImage());
    }
    // The opened picture is what rotation and filters start from, for both kinds.
    Image2->setBitmap(Image1->Bitmap());
    // 4. The picture opened before becomes the previous picture.
    if (!HLDPATH.isEmpty() && QFileInfo(HLDPATH).isFile()) {
        try {
            Image3->setBitmap(orvane::LoadPictureFile(HLDPATH));
        } catch (const std::exception &) {
            Image3->clearBitmap(); // it changed since it was opened; nothing to merge with
        }
    }
    HLDPATH = CURRENT_PATH;
    // 5.
    LoadPicture();
    setActiveTab(orvane::MainTab::Edit);
}
