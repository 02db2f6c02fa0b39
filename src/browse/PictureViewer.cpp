// The picture viewer: how a picture gets into the working picture Image1 on
// the Edit tab (the Open button by tab, the Batch list, a dropped file) and
// LoadPicture, the last step of every way of opening a picture; the
// opened-pictures history behind Previous and Next; the picture menu.
#include "core/PictureFiles.h"
#include "core/Services.h"
#include "core/TOrvane1.h"
#include "core/widgets/Controls.h"
#include "core/widgets/ImageControl.h"
#include "edit/codec/Codec.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

using orvane::MainTab;

namespace {

// The busy cursor for the length of a scope.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

constexpr int kBatchItemHeight = 60;

} // namespace

void TOrvane1::BuildViewer()
{
    connect(TOpenBtn, &QToolButton::clicked, this, &TOrvane1::TOpenBtnClick);
    if (OrgAddBtn)
        connect(OrgAddBtn, &QToolButton::clicked, this, &TOrvane1::TOpenBtnClick);
    connect(TPrevBtn, &QToolButton::clicked, this, &TOrvane1::TPrevBtnClick);
    connect(TNextBtn, &QToolButton::clicked, this, &TOrvane1::TNextBtnClick);

    connect(Image1, &TImage::clicked, this, &TOrvane1::Image1Click);
    connect(Image1, &TImage::doubleClicked, this, &TOrvane1::Image1DblClick);
    connect(Image1, &TImage::fileDropped, this, &TOrvane1::Image1FileDropped);
    // The picture menu opens on a right click on the picture or the splitter.
    for (QWidget *w : {static_cast<QWidget *>(Image1), static_cast<QWidget *>(Splitter4)}) {
        if (!w)
            continue;
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
                [this, w](const QPoint &at) { PopupMenu4->popup(w->mapToGlobal(at)); });
    }
    auto item = [this](QAction *&slot, const char *name, const QString &caption, auto action) {
        slot = PopupMenu4->addAction(caption);
        slot->setObjectName(QString::fromLatin1(name));
        connect(slot, &QAction::triggered, this, action);
    };
    item(MenuItem17, "MenuItem17", "Increase Picture Size", [this] { Image1->setFixedHeight(Image1->height() + 10); });
    item(MenuItem18, "MenuItem18", "Decrease Picture Size",
         [this] { Image1->setFixedHeight(qMax(10, Image1->height() - 10)); });
    item(MenuItem19, "MenuItem19", "Zoom In",
         [this] { Image1->setScale(Image1->scale() + QPointF(0.05, 0.05)); });
    item(MenuItem20, "MenuItem20", "Zoom Out",
         [this] { Image1->setScale(Image1->scale() - QPointF(0.05, 0.05)); });
    item(MenuItem23, "MenuItem23", "Normal", [this] { Image1->setWrapMode(TImage::WrapMode::Original); });
    item(MenuItem24, "MenuItem24", "Stretch", [this] { Image1->setWrapMode(TImage::WrapMode::Stretch); });

    connect(ListBox11, &QListWidget::itemClicked, this, [this] { ListBox11Click(); });
    connect(ListBox11, &QListWidget::itemDoubleClicked, this, [this] { ListBox11DblClick(); });

    // The resize fields belong to the Edit sub-tab, hidden until a resize
    // starts; they are made here when that sub-tab did not make them.
    if (!RSzeHBtn || !RSzeWBtn) {
        auto *row = new QWidget(TabItem6);
        row->setObjectName("ResizeRow");
        auto *rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        if (!RSzeHBtn)
            RSzeHBtn = makeControl<QLineEdit>(row, "RSzeHBtn", "Height", "New Height in Pixels");
        if (!RSzeWBtn)
            RSzeWBtn = makeControl<QLineEdit>(row, "RSzeWBtn", "Width", "New Width in Pixels");
        rowLayout->addWidget(RSzeHBtn);
        rowLayout->addWidget(RSzeWBtn);
        rowLayout->addStretch();
        RSzeHBtn->hide();
        RSzeWBtn->hide();
        if (auto *tools = qobject_cast<QBoxLayout *>(TabItem6->layout()))
            tools->insertWidget(0, row);
    }

    // Progress of a folder listing, at the right of the status bar.
    ThumbProgress = new QProgressBar(StatusBar1);
    ThumbProgress->setObjectName("ThumbProgress");
    ThumbProgress->setAccessibleName("Thumbnails");
    ThumbProgress->setToolTip("Loading Thumbnails");
    ThumbProgress->setFixedWidth(160);
    ThumbProgress->setTextVisible(false);
    StatusBar1->addPermanentWidget(ThumbProgress);
    ThumbProgress->hide();
}

// ---------------------------------------------------------------- LoadPicture

void TOrvane1::LoadPicture()
{
    // 1. The history.
    OpenedPictures.append(CURRENT_PATH);
    OpenedPicturesPos = int(OpenedPictures.size()) - 1;
    // 2.
    setStatus(CURRENT_PATH);
    // 3.
    const QImage &bitmap = Image1->Bitmap();
    RSzeHBtn->setText(QString::number(bitmap.height()));
    RSzeWBtn->setText(QString::number(bitmap.width()));
    Image6->setBitmap(bitmap);
    // 4.
    const int delim = InStrRev(CURRENT_PATH, FILE_DELIM2);
    PICTFILENAME = delim > 0 ? CURRENT_PATH.mid(delim) : CURRENT_PATH;
    LASTPICTURE = CURRENT_PHOTOPATH = CURRENT_PATH;
    // 5.
    SaveUndoSnapshot();
    // 6.
    PlacePicture();
    // 7.
    SendPictBtn->setEnabled(true);
}

void TOrvane1::PlacePicture()
{
    QWidget *canvas = ScrollBox1->widget();
    auto *canvasLayout = canvas ? canvas->layout() : nullptr;
    const QSize picture = Image1->Bitmap().size();
    const QSize current = Image1->size();
    if (canvasLayout)
        canvasLayout->setContentsMargins(0, 0, 0, 0);
    if (picture.width() <= current.width() && picture.height() <= current.height()) {
        // Centred in the scroll box at the size it has.
        Image1->setFixedSize(current);
        if (canvasLayout)
            canvasLayout->setAlignment(Qt::AlignCenter);
    } else {
        // At the top left corner at the picture's own size; the box scrolls.
        Image1->setFixedSize(picture);
        if (canvasLayout)
            canvasLayout->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    if (canvasLayout)
        canvasLayout->activate();
}

// ---------------------------------------------------------------- history

void TOrvane1::TPrevBtnClick()
{
    if (OpenedPictures.isEmpty())
        return;
    OpenedPicturesPos = qBound(0, OpenedPicturesPos - 1, int(OpenedPictures.size()) - 1);
    const QString path = OpenedPictures.at(OpenedPicturesPos);
    Image1->setBitmap(orvane::LoadPictureFile(path));
    setStatus(path);
}

void TOrvane1::TNextBtnClick()
{
    if (OpenedPictures.isEmpty())
        return;
    OpenedPicturesPos = qBound(0, OpenedPicturesPos + 1, int(OpenedPictures.size()) - 1);
    const QString path = OpenedPictures.at(OpenedPicturesPos);
    Image1->setBitmap(orvane::LoadPictureFile(path));
    setStatus(path);
}

// ---------------------------------------------------------------- Open button

void TOrvane1::TOpenBtnClick()
{
    orvane::FileDialogRequest request;
    request.title = "Open Pictures To View or Add To Favorites or Slide Show";
    request.filter = OpenDialog1Filter;
    request.filterIndex = OpenDialog1FilterIndex;
    request.fileName = HLDPATH2;
    request.defaultExt = "jpg";
    request.multiple = true;
    const orvane::FileDialogResult chosen = orvane::services().dialogs->openFile(request);
    if (!chosen.accepted || chosen.files.isEmpty())
        return;
    OpenDialog1FilterIndex = chosen.filterIndex; // the dialog opens with the user's last choice
    const QString file = chosen.files.first();

    switch (activeTab()) {
    case MainTab::Edit: {
        ChkSaveEdits();
        Image1->setBitmap(orvane::LoadPictureFile(file));
        CURRENT_PATH = file;
        const int delim = InStrRev(CURRENT_PATH, FILE_DELIM2);
        SETFOLDER = delim > 0 ? CURRENT_PATH.left(delim) : QString();
        Image2->setBitmap(Image1->Bitmap());
        Image3->setBitmap(Image1->Bitmap());
        LoadPicture();
        break;
    }
    case MainTab::ThumbNails: {
        const int delim = InStrRev(file, FILE_DELIM2);
        SETFOLDER = delim > 0 ? file.left(delim - 1) : file;
        if (SETFOLDER.isEmpty())
            SETFOLDER = FILE_DELIM; // a file directly in the file system's root
        setWindowTitle(HLDCAPTION + " - " + SETFOLDER);
        LoadThumbNails();
        break;
    }
    case MainTab::SlideShow: {
        const BusyCursor busy;
        AddFilesToSlideShow(chosen.files);
        break;
    }
    case MainTab::Organize:
        AddMediaToAlbum(chosen.files);
        break;
    case MainTab::Batch: {
        const BusyCursor busy;
        for (const QString &path : chosen.files)
            AddBatchFile(path);
        if (ListBox11->count() > 0) {
            ListBox11->setCurrentRow(0);
            ListBox11Click();
            ResetQuickAdjustments();
            HLDFILTER_INDEX = chosen.filterIndex;
            LayoutBatchPanel();
        }
        break;
    }
    case MainTab::MultiMedia:
        PlayMediaFiles(chosen.files);
        break;
    case MainTab::CloudEMail:
        break;
    }
    HLDPATH2 = CURRENT_PATH;
}

// ---------------------------------------------------------------- Batch list

void TOrvane1::AddBatchFile(const QString &path)
{
    auto *item = new QListWidgetItem(ListBox11);
    item->setData(Qt::UserRole, path);
    item->setSizeHint(QSize(qMax(100, width() - 20), kBatchItemHeight));
    // A picture that does not decode keeps its item (and its path) without
    // picture and label.
    const orvane::codec::DecodeResult shown =
        orvane::codec::decodeThumbnail(path, QSize(2 * kBatchItemHeight, 2 * kBatchItemHeight));
    if (!shown.ok())
        return;
    auto *cell = new QWidget;
    cell->setObjectName("BatchItem");
    cell->setFixedHeight(kBatchItemHeight);
    auto *picture = new TImage(cell);
    picture->setObjectName("BatchImage");
    picture->setAccessibleName(path);
    picture->setGeometry(15, 2, 64, kBatchItemHeight - 4);
    picture->setWrapMode(TImage::WrapMode::Fit);
    picture->setBitmap(shown.image);
    auto *label = new QLabel(path, cell);
    label->setObjectName("BatchLabel");
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(85, 5, qMax(40, width() - 85), kBatchItemHeight);
    // The picture takes clicks like the rest of the item.
    connect(picture, &TImage::clicked, ListBox11, [this, item] {
        ListBox11->setCurrentItem(item);
        ListBox11Click();
    });
    connect(picture, &TImage::doubleClicked, ListBox11, [this, item] {
        ListBox11->setCurrentItem(item);
        ListBox11DblClick();
    });
    ListBox11->setItemWidget(item, cell);
}

void TOrvane1::ListBox11Click()
{
    QListWidgetItem *item = ListBox11->currentItem();
    if (!item)
        return;
    // The batch previews are made by the Batch tab's quick adjustments.
    auto *preview = findChild<TImage *>("Image5");
    auto *base = findChild<TImage *>("Image10");
    if (!preview && !base)
        return;
    const QImage picture = orvane::LoadPictureFile(item->data(Qt::UserRole).toString());
    if (preview)
        preview->setBitmap(picture);
    if (base)
        base->setBitmap(picture);
}

void TOrvane1::ListBox11DblClick()
{
    QListWidgetItem *item = ListBox11->currentItem();
    if (ListBox11->count() == 0 || !item)
        return;
    ChkSaveEdits();
    HLDPATH = CURRENT_PATH;
    CURRENT_PATH = item->data(Qt::UserRole).toString();
    Image1->setBitmap(orvane::LoadPictureFile(CURRENT_PATH));
    Image2->setBitmap(Image1->Bitmap());
    if (!HLDPATH.isEmpty() && QFileInfo(HLDPATH).isFile()) {
        try {
            Image3->setBitmap(orvane::LoadPictureFile(HLDPATH));
        } catch (const std::exception &) {
            Image3->clearBitmap(); // changed since it was opened; nothing to merge with
        }
    }
    LoadPicture();
    setActiveTab(MainTab::Edit);
}

// ---------------------------------------------------------------- the picture

void TOrvane1::Image1Click() { FOCUSEDCONTROL = "IMAGE1"; }

void TOrvane1::Image1DblClick()
{
    Image1->setWrapMode(Image1->wrapMode() == TImage::WrapMode::Stretch ? TImage::WrapMode::Original
                                                                        : TImage::WrapMode::Stretch);
    FOCUSEDCONTROL = "IMAGE1";
}

void TOrvane1::Image1FileDropped(const QString &path)
{
    // The dropped picture replaces the working, opened and previous pictures;
    // the current file and the history stay. A file that does not load is ignored.
    try {
        const QImage picture = orvane::LoadPictureFile(path);
        Image1->setBitmap(picture);
        Image2->setBitmap(picture);
        Image3->setBitmap(picture);
    } catch (const std::exception &) {
    }
}
