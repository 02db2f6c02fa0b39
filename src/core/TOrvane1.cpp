#include "core/TOrvane1.h"

#include "core/PictureFiles.h"
#include "core/Resources.h"
#include "core/Services.h"
#include "core/engine/Routines.h"
#include "core/widgets/ImageControl.h"
#include "help/TMessageWin1.h"
#include "help/TQuikStart1.h"
#include "core/TSetOptn1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QHeaderView>
#include <QLayout>
#include <QResizeEvent>

using orvane::MainTab;

TOrvane1 *Orvane1 = nullptr;

TOrvane1::TOrvane1(const QStringList &arguments, QWidget *parent) : QMainWindow(parent), m_arguments(arguments)
{
    Orvane1 = this;
    setObjectName("Orvane1");
    // The window may be made narrower than its controls' sizes: the resize
    // rules (thumbnail columns from 2 up) decide what fits.
    setMinimumSize(200, 200);
    DRWIMAGE_ARR.resize(kUndoRows);
    BuildToolBar();
    BuildTabs();
    BuildStatusBar();
    BuildViewer(); // browse/PictureViewer.cpp: the viewer's connections, once every tab exists
    if (layout())
        layout()->setSizeConstraint(QLayout::SetNoConstraint);
    Panel10->installEventFilter(this);
    TabControl2->installEventFilter(this);
    FormCreate(arguments);
}

TOrvane1::~TOrvane1()
{
    if (Orvane1 == this)
        Orvane1 = nullptr;
}

int TOrvane1::InStrRev(const QString &text, QChar ch) { return orvane::InStrRev(text, ch); }
QString TOrvane1::FlopDate(const QDateTime &when) { return orvane::FlopDate(when); }

QString TOrvane1::lastArgument() const
{
    return m_arguments.size() > 1 ? m_arguments.last() : QString();
}

// ---------------------------------------------------------------- controls

static QToolButton *makeToolButton(QToolBar *bar, const char *name, const QString &caption, const QString &hint)
{
    auto *b = new QToolButton(bar);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(caption);
    b->setToolTip(hint);
    b->setAccessibleName(caption);
    b->setAccessibleDescription(hint);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->addWidget(b);
    return b;
}

void TOrvane1::BuildToolBar()
{
    ToolBar1 = new QToolBar("ToolBar1", this);
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setMovable(false);
    addToolBar(Qt::TopToolBarArea, ToolBar1);
    TOpenBtn = makeToolButton(ToolBar1, "TOpenBtn", "Open", "Open Photo or Multimedia File for Tab Function");
    TPrevBtn = makeToolButton(ToolBar1, "TPrevBtn", "Previous", "View Previous Photo");
    TNextBtn = makeToolButton(ToolBar1, "TNextBtn", "Next", "View Next Photo");
    UndoBtn = makeToolButton(ToolBar1, "UndoBtn", "Undo", "Undo Last Edit");
    FavoriteBtn = makeToolButton(ToolBar1, "FavoriteBtn", "Favorite", "Save current Photo to Favorites");
    SaveBtn = makeToolButton(ToolBar1, "SaveBtn", "Save", "Permanently Save Edits to Photo");
    PrintBtn = makeToolButton(ToolBar1, "PrintBtn", "Print", "Print Photo");
    OptionsBtn = makeToolButton(ToolBar1, "OptionsBtn", "Options", "Set Orvane Options");
    DeleteBtn = makeToolButton(ToolBar1, "DeleteBtn", "Delete",
                               "Delete Photo, Photo in Organizer or Photo in Slide Show");
    SendPictBtn = makeToolButton(ToolBar1, "SendPictBtn", "Send", "Send Photo to another User on the LAN");
    SendPictBtn->setEnabled(false);
    GroupBtn = makeToolButton(ToolBar1, "GroupBtn", "Groups", "Create Groups for Photo Organizer or Favorites");
    OrgEMBtn = makeToolButton(ToolBar1, "OrgEMBtn", "EMail", "EMail Photo");
    ShareBtn = makeToolButton(ToolBar1, "ShareBtn", "Internet", "Load Photo on the Internet");
    CameraBtn = makeToolButton(ToolBar1, "CameraBtn", "Camera", "Take Photo on Device Camera");
    TUpldGoogBtn = makeToolButton(ToolBar1, "TUpldGoogBtn", "Google", "Upload Album to Google Photos");
    TUpldFBBtn = makeToolButton(ToolBar1, "TUpldFBBtn", "Facebook", "Upload Photo to Facebook");
    TUpldflckrBtn = makeToolButton(ToolBar1, "TUpldflckrBtn", "Flickr", "Upload Photo to Flickr");
    // Help sits at the right end of the toolbar.
    auto *spacer = new QWidget(ToolBar1);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    ToolBar1->addWidget(spacer);
    THelpBtn = makeToolButton(ToolBar1, "THelpBtn", "Help", "Help with Orvane");
    // OrgEMBtn and the upload buttons are hidden at design; a toolbar hides a
    // widget through its action.
    auto hideTool = [this](QToolButton *b) {
        for (QAction *a : ToolBar1->actions())
            if (ToolBar1->widgetForAction(a) == b)
                a->setVisible(false);
    };
    hideTool(OrgEMBtn);
    hideTool(TUpldGoogBtn);
    hideTool(TUpldFBBtn);
    hideTool(TUpldflckrBtn);
}

void TOrvane1::BuildStatusBar()
{
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    setStatusBar(StatusBar1);
    MnuBtn1 = new QToolButton(StatusBar1);
    MnuBtn1->setObjectName("MnuBtn1");
    MnuBtn1->setFixedSize(27, 27);
    MnuBtn1->setText(QStringLiteral("\u2261"));
    MnuBtn1->setAccessibleName("MnuBtn1");
    MnuBtn1->setToolTip("Menu");
    StatusBar1->addWidget(MnuBtn1);
    connect(MnuBtn1, &QToolButton::clicked, this, &TOrvane1::MnuBtn1Click);
    Label35 = new QLabel(StatusBar1);
    Label35->setObjectName("Label35");
    Label35->setAccessibleName("Label35");
    StatusBar1->addPermanentWidget(Label35);
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TOrvane1::Timer1Timer);
    Timer2 = new QTimer(this);
    Timer2->setObjectName("Timer2");
}

void TOrvane1::BuildTabs()
{
    TabControl1 = new QTabWidget(this);
    TabControl1->setObjectName("TabControl1");
    TabControl1->setTabPosition(QTabWidget::South);
    TabControl1->setStyleSheet("QTabBar::tab { min-height: 30px; }");
    setCentralWidget(TabControl1);
    auto page = [this](QWidget *&slot, const char *name, const QString &caption) {
        slot = new QWidget(TabControl1);
        slot->setObjectName(QString::fromLatin1(name));
        slot->setAccessibleName(caption);
        TabControl1->addTab(slot, caption);
    };
    page(TabThumbs, "TabThumbs", "ThumbNails");
    page(TabEdit, "TabEdit", "Edit");
    page(TabOrganize, "TabOrganize", "Organize");
    page(TabSlideShow, "TabSlideShow", "Slide Show");
    page(TabBatch, "TabBatch", "Batch");
    page(TabMedia, "TabMedia", "MultiMedia");
    page(TabEMail, "TabEMail", "Cloud / EMail");
    BuildThumbsTab();
    BuildEditTab();
    BuildOrganizeTab();
    BuildSlideShowTab();
    BuildBatchTab();
    BuildMediaTab();
    BuildEMailTab();
}

// ---------------------------------------------------------------- create

void TOrvane1::SetDefaults()
{
    STYLE_NAME = "Air.Style";
    WINLEFT = 50;
    WINTOP = 50;
    WINHEIGHT = 628;
    WINWIDTH = 969;
    IMAGE1_HEIGHT = 230;
    LASTPICTURE.clear();
    QKSTRTNO_FLG = false;
    MULTPLYFONT = 1;
}

void TOrvane1::FormCreate(const QStringList &arguments)
{
    Q_UNUSED(arguments);
    // 1. Platform mode.
    MAC_FLG = false;
    MOUSEDOWNSPLT_FLG = false;
    ROOTPATH = QDir::toNativeSeparators(QDir::currentPath());
    if (ROOTPATH.endsWith(QDir::separator()) && ROOTPATH.size() > 1)
        ROOTPATH.chop(1);
    FILE_DELIM = QString(QDir::separator());
    FILE_DELIM2 = QDir::separator();
    STYLE_PATH = ROOTPATH + FILE_DELIM + "Styles" + FILE_DELIM;
    BMP_PATH = ROOTPATH + FILE_DELIM + "Bmps" + FILE_DELIM;
    MACAPP_PATH.clear();
    HELPPATH = ROOTPATH;
#ifdef Q_OS_WIN
    HLDCAPTION = "Orvane 8 for Windows";
#else
    HLDCAPTION = "Orvane 8 for Linux";
#endif
    BMPFILE_EXT = ".Ico";
    if (ViewBtn)
        ViewBtn->setVisible(true);
    setWindowTitle(HLDCAPTION);

    // 2. Start values of the shared state and private fields.
    STYLE_NAME = "Air.Style";
    CURRENT_PATH = HLDPATH = HLDPATH2 = CURRENT_PHOTOPATH = LASTPICTURE = PICTFILENAME = QString();
    CURRENT_THUMBS.clear();
    TOTLTHMBDSP = 1;
    CURRENT_PHOTOALBUMFILE = "Favorites.cds";
    CURR_PHOTOALBUM.clear();
    CURR_TYPE = "DA";
    CURR_ALBPHOFILE.clear();
    WKALBCOUNT = WKVIDCOUNT = WKMUSCOUNT = 1;
    CURRENT_SLIDESHOWFILE = "SlideShows.cds";
    CURRENT_SLIDESHOWAUDFILE = "SlideShowsAUD.cds";
    CURRENT_SLIDESHOWHDRFILE = "SlideShowsHDR.cds";
    CURRENT_SSPICTURE.clear();
    CURRENT_SSAUDIO.clear();
    BACKGRND_CLR = 0xFF000000;
    INNERFRAM_CLR = 0xFF8A2BE2;
    OUTERFRAM_CLR = 0xFF2E8B57;
    START_THUMBNAILS = START_SLIDESHOW = START_FAVORITES = QString();
    QKSTRTNO_FLG = false;
    LOCAL_USER.clear();
    SAVETOTRAN_FOLDER = ROOTPATH + FILE_DELIM + "Pictures" + FILE_DELIM;
    AUTOSAVETRAN_FLG = false;
    HGRIDLINES_FLG = VGRIDLINES_FLG = false;
    NUMEMAIL_READ = 10;
    JPG_QUAL = 100;
    MULTPLYFONT = 1;
    OPTIONS_FLG = SLIDESHOW_FLG = SLIDESHOW2_FLG = PRNTPRMPT_FLG = EMSETUP_FLG = HELPWIN_FLG = false;
    FRMOPTIONS_FLG = FRMPRINT_FLG = FRMCAM_FLG = FRMTETH_FLG = FRMCLOUD_FLG = false;
    CANCEL_FLG = false;
    MESSAGEWIN_MSG.clear();
    FRMSAVE_FLG = "O";
    EMAIL_MODE = "R";
    FROM_EMAIL.clear();
    DRAW_MODE = "LINE";
    FOCUSEDCONTROL = "IMAGE1";
    DRAW_COLOR = 0xFF000000;
    PATHFILL_CLR = 0xFF008000;
    PATHINN_CLR = 0xFF000000;
    PATHOUT_CLR = 0xFF808080;
    DRAWPEN_THK = DRWSHPPEN_THK = 1.0;
    WKARCANGLE = WKARCANGLE2 = 180.0;
    WKFONTWIDTH = WKFONTHEIGHT = 100.0;
    HLDLIST8_INDEX = -1;
    DRWFIL_FLG = true;
    for (int row = 1; row <= 301; ++row)
        DRWIMAGE_ARR[row][0].clear();
    IMAGE_ARRPOS = 0;
    UNDO_POS = 0;
    NEEDSAVE_FLG = false;
    HPWIDTH = "100";
    HPHEIGHT = "80";
    if (Edit6)
        Edit6->setText(HPWIDTH);
    if (Edit5)
        Edit5->setText(HPHEIGHT);
    DSTMODE = "C";
    HLDFILTER_INDEX = 3;
    HLDFILTER_INDEX2 = 3;
    HLDFILTER_INDEX3 = 6;
    HLDFILTER_INDEX4 = 12;
    SELEXT = "jpg";
    SKIP_FLG = true;
    CURRENT_SLIDESHOW = "New Slide Show";
    CURRENT_SLIDESHOWAUD = "New Slide Show";

    // 3. The command-line picture: the last argument.
    PARM_FILE = lastArgument();

    // 4. Working folders, then the shipped style sheets and tool images.
    for (const char *folder : {"Styles", "SlideShow", "Favorites", "EMailAttm", "Temp", "Pictures", "Bmps"}) {
        const QString p = ROOTPATH + FILE_DELIM + QString::fromLatin1(folder);
        if (!QFileInfo(p).isDir())
            QDir().mkpath(p);
    }
    orvane::WriteMissingResources(STYLE_PATH, BMP_PATH);

    // 5. Derived folders and the opened-pictures history.
    PICTFOLDER = ROOTPATH + FILE_DELIM + "Temp" + FILE_DELIM;
    COPYMOVETO_FOLDER = ROOTPATH + FILE_DELIM + "Pictures" + FILE_DELIM;
    WKDWNLD_PATH = ROOTPATH + FILE_DELIM + "Pictures" + FILE_DELIM;
    OpenedPictures.clear();
    OpenedPicturesPos = -1;

    // 6. The status label.
    Label3A = new QLabel(StatusBar1);
    Label3A->setObjectName("Label3A");
    Label3A->setAccessibleName("Label3A");
    Label3A->setWordWrap(true);
    Label3A->setFixedHeight(28);
    StatusBar1->insertWidget(1, Label3A, 1);

    // 7. Tables.
    FillPasswordTables();
    OpenOrganizerStore(ROOTPATH + FILE_DELIM + "Favorites" + FILE_DELIM + CURRENT_PHOTOALBUMFILE);
    const QString ssFolder = ROOTPATH + FILE_DELIM + "SlideShow";
    OpenSlideShowTable(ssFolder, CURRENT_SLIDESHOWFILE);
    OpenSlideShowTable(ssFolder, CURRENT_SLIDESHOWAUDFILE);
    OpenSlideShowTable(ssFolder, CURRENT_SLIDESHOWHDRFILE);
    OpenEMailAccounts("EMailCfg.cds");

    // 8. The working picture starts as the (empty) opened picture.
    Image1->setBitmap(Image2->Bitmap());

    // 9. Filter categories and transition lists.
    FillFilterLists();

    // 10. File types, defaults, options.
    Types.InitFileTypes();
    CMBFILTER->clear();
    for (int i = 0; i <= Types.TOTAL_FILTERS; ++i)
        CMBFILTER->addItem(Types.FILELABEL_ARR[i]);
    CMBFILTER->setCurrentIndex(Types.TOTAL_FILTERS);
    SetDefaults();
    // The window takes the built-in bounds; the options replace them when they
    // hold a record. Bounds are those of the client area, as the close stores them.
    setGeometry(WINLEFT, WINTOP, WINWIDTH, WINHEIGHT);
    OpenOptions();

    // 11.
    SELEXT = "jpg";
    Types.SelectAllPictureTypes();

    // 12. The start folder's thumbnails and the album choices.
    SETFOLDER = FILE_DELIM;
    if (!START_THUMBNAILS.trimmed().isEmpty())
        SETFOLDER = START_THUMBNAILS;
    try {
        LoadThumbNails();
        FillAlbumChoices();
    } catch (...) {
    }

    // 13.
    SKIP_FLG = false;
    TrackBar1->setValue(0);
    WKFILTER = orvane::DialogFilters::Pictures();

    // 14. Edit tabs, picture height.
    TabControl2->setCurrentWidget(TabItem6);
    TabControl1->setCurrentWidget(TabEdit);
    TabControl1Change(); // a switch made by code runs the change handler too
    Image1->setFixedHeight(IMAGE1_HEIGHT);

    // 15.
    SetMailGridColumns();

    // 16. Trees and choices.
    RebuildOrganizerTrees();
    FillAlbumPictureList();
    LoadSlideShowTree();
    FillSlideShowChoices();
    if (CMBTIME2 && CMBTIME2->count() > 2)
        CMBTIME2->setCurrentIndex(2);

    connect(TabControl1, &QTabWidget::currentChanged, this, [this] { TabControl1Change(); });
    connect(TabControl2, &QTabWidget::currentChanged, this, [this] { TabControl2Change(); });
    Timer1->start();
    Timer1Timer();
}

// ---------------------------------------------------------------- show

void TOrvane1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    FormShow();
}

void TOrvane1::FormShow()
{
    // 1.
    PARM_FILE = lastArgument();
    if (!PARM_FILE.isEmpty())
        LASTPICTURE = PARM_FILE;
    // 2. The start picture.
    if (!LASTPICTURE.isEmpty() && QFileInfo(LASTPICTURE).isFile()) {
        try {
            CURRENT_PATH = HLDPATH = LASTPICTURE;
            const QImage picture = orvane::LoadPictureFile(LASTPICTURE);
            Image1->setBitmap(picture);
            Image2->setBitmap(picture);
            LoadPicture();
        } catch (...) {
            LASTPICTURE.clear();
        }
    }
    // 3. The network profile.
    SetupTetherProfile();
    // 4. Batch choices and dialog filter indexes.
    if (RDBTCOPY)
        RDBTCOPY->setChecked(true);
    if (RDUSE1)
        RDUSE1->setChecked(true);
    HLDFILTER_INDEX = 9;
    HLDFILTER_INDEX3 = 3;
    // 5.
    FindList();
    // 6. Organize buttons.
    if (OrgNewBtn)
        OrgNewBtn->setEnabled(TreeView1->topLevelItemCount() == 0);
    for (QToolButton *b : {OrgSavBtn, OrgAddBtn, OrgDelBtn})
        if (b)
            b->setEnabled(false);
    // 7. The style.
    orvane::ApplyStyleFile(STYLE_PATH + STYLE_NAME);
    // 8.
    LayoutMailPanel();
    SetDialogFilter();
    SetColorOptions();
    // 9.
    static const QStringList cyanStyles = {"Blue.Style", "Green.Style", "Purple.Style", "Gray.Style"};
    if (cyanStyles.contains(STYLE_NAME)) {
        for (QTreeWidget *view : {ListVewAlbs, ListVewPhots, ListVewSets, ListVewPhots2})
            ApplyTextColor(view, 0xFF00FFFF);
    }
    // 10. The getting-started tour.
    if (!QKSTRTNO_FLG && QuikStart1)
        QuikStart1->show();
}

// ---------------------------------------------------------------- close

void TOrvane1::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept();
}

void TOrvane1::FormClose()
{
    // 1.
    try {
        ChkSaveEdits();
    } catch (const std::exception &e) {
        orvane::services().dialogs->error(QString::fromStdString(e.what()));
    }
    // 2. The window's bounds.
    const QRect bounds = geometry();
    WINLEFT = bounds.left();
    WINTOP = bounds.top();
    WINHEIGHT = bounds.height();
    WINWIDTH = bounds.width();
    IMAGE1_HEIGHT = Image1->height();
    // 3.
    if (QFileInfo::exists(ROOTPATH + FILE_DELIM + "Options.cds")) {
        try {
            SaveWindowOptions();
        } catch (...) {
        }
    }
    // 4. Queued undo step files are finished before the folder is emptied.
    FinishUndoWrites();
    ClearTempFolder();
    // 5.
    if (!MAC_FLG) {
        try {
            StopMediaPlayer();
        } catch (...) {
        }
    }
}

void TOrvane1::ClearTempFolder()
{
    const QDir temp(ROOTPATH + FILE_DELIM + "Temp");
    const QFileInfoList files = temp.entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &f : files)
        QFile::remove(f.absoluteFilePath());
    for (int row = 1; row <= 301; ++row)
        DRWIMAGE_ARR[row][0].clear();
}

// ---------------------------------------------------------------- routines

void TOrvane1::ShellOpen(const QString &target)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        orvane::services().shell->open(target);
    } catch (...) {
    }
    QApplication::restoreOverrideCursor();
}

void TOrvane1::ShowMessageWin()
{
    orvane::services().dialogs->execModal(*MessageWin1);
}

void TOrvane1::setStatus(const QString &text)
{
    Label3A->setText(text);
}

QString TOrvane1::statusText() const { return Label3A ? Label3A->text() : QString(); }

MainTab TOrvane1::activeTab() const
{
    return static_cast<MainTab>(qMax(0, TabControl1->currentIndex()));
}

void TOrvane1::setActiveTab(MainTab tab)
{
    TabControl1->setCurrentIndex(static_cast<int>(tab));
}

void TOrvane1::SetDialogFilter()
{
    WKFILTER = orvane::DialogFilters::Pictures();
    orvane::DialogFilterIndexes ix;
    ix.HLDFILTER_INDEX = HLDFILTER_INDEX;
    ix.HLDFILTER_INDEX3 = HLDFILTER_INDEX3;
    ix.HLDFILTER_INDEX4 = HLDFILTER_INDEX4;
    const orvane::DialogFilterChoice c = orvane::DialogFilterFor(activeTab(), CURR_TYPE, ix);
    if (c.changeFilter)
        OpenDialog1Filter = c.filter;
    if (c.changeIndex)
        OpenDialog1FilterIndex = c.index;
}

void TOrvane1::ApplyTextColor(QWidget *list, AlphaColor colour)
{
    if (!list)
        return;
    const QColor c = QColor::fromRgba(colour);
    list->setProperty("textColor", c);
    list->setStyleSheet(QStringLiteral("color: %1;").arg(c.name(QColor::HexArgb)));
    if (auto *tree = qobject_cast<QTreeWidget *>(list)) {
        for (QTreeWidgetItemIterator it(tree); *it; ++it)
            for (int column = 0; column < tree->columnCount(); ++column)
                (*it)->setForeground(column, c);
    }
}

void TOrvane1::SetColorOptions()
{
    // The options window's style list keeps its selection when the name is
    // unknown, and the colour follows that selection.
    const int selected = SetOptn1 ? SetOptn1->SelectStyle(STYLE_NAME) : orvane::StylePosition(STYLE_NAME);
    const AlphaColor text = orvane::StyleTextColor(selected);
    for (QWidget *list : std::initializer_list<QWidget *>{StringGrid4, TreeView2, TreeView3, ListVewAlbs, ListVewPhots,
                                                          ListVewSets, ListVewPhots2})
        ApplyTextColor(list, text);
    ApplyTextColor(TreeView1, 0xFF8A2BE2);
    if (TreeView1)
        TreeView1->viewport()->update();
}

// ---------------------------------------------------------------- tabs

void TOrvane1::TabControl1Change()
{
    TOpenBtn->setEnabled(true);
    SaveBtn->setEnabled(true);
    UndoBtn->setEnabled(false);
    TPrevBtn->setEnabled(false);
    TNextBtn->setEnabled(false);
    FavoriteBtn->setText("Favorite");
    if (MediaPlayerControl2)
        MediaPlayerControl2->hide();
    auto setToolVisible = [this](QToolButton *b, bool on) {
        for (QAction *a : ToolBar1->actions())
            if (ToolBar1->widgetForAction(a) == b)
                a->setVisible(on);
    };
    setToolVisible(TUpldGoogBtn, false);
    setToolVisible(TUpldFBBtn, false);
    setToolVisible(TUpldflckrBtn, false);
    if (ToolBar3)
        ToolBar3->hide();
    ToolBar1->show();
    SetDialogFilter();

    auto caption = [this](const QString &suffix) { setWindowTitle(HLDCAPTION + " - " + suffix); };
    switch (activeTab()) {
    case MainTab::ThumbNails:
        if (ListBox7->count() == 0)
            SaveBtn->setEnabled(false);
        setStatus(CURRENT_THUMBS);
        caption(CURRENT_THUMBS);
        break;
    case MainTab::Edit:
        UndoBtn->setEnabled(true);
        TPrevBtn->setEnabled(true);
        TNextBtn->setEnabled(true);
        SaveBtn->setToolTip("Permanently Save Edits to Photo");
        setStatus(CURRENT_PHOTOPATH);
        caption(CURRENT_PHOTOPATH);
        break;
    case MainTab::SlideShow:
        TOpenBtn->setEnabled(TreeView2->topLevelItemCount() > 0);
        UndoBtn->setEnabled(true);
        if (Panel1)
            Panel1->setFixedWidth(350);
        SaveBtn->setToolTip("Save current Slide Show Information");
        setStatus(CURRENT_SLIDESHOW);
        caption(CURRENT_SLIDESHOW);
        break;
    case MainTab::Organize: {
        LayoutOrganizePanel();
        const bool hasAlbums = TreeView1->topLevelItemCount() > 0;
        if (OrgAddBtn)
            OrgAddBtn->setEnabled(hasAlbums);
        TOpenBtn->setEnabled(hasAlbums);
        FavoriteBtn->setText("Album");
        SaveBtn->setToolTip("Save current Media Organizer Information");
        setStatus(CURR_PHOTOALBUM);
        caption(CURR_PHOTOALBUM);
        break;
    }
    case MainTab::Batch:
        UndoBtn->setEnabled(true);
        caption(CURRENT_PATH);
        break;
    case MainTab::MultiMedia:
        if (PLAY_MLIST_FLG) {
            if (Image11)
                Image11->show();
        } else if (MediaPlayerControl2) {
            if (Image11)
                Image11->hide();
            MediaPlayerControl2->show();
        }
        SaveBtn->setToolTip("Save current Multimedia File to Media Organizer");
        break;
    case MainTab::CloudEMail:
        ToolBar1->hide();
        if (ToolBar3)
            ToolBar3->show();
        LayoutMailPanel();
        break;
    }
}

void TOrvane1::TabControl2Change()
{
    if (TabControl2->currentWidget() != TabItem6)
        Image1->setWrapMode(TImage::WrapMode::Original);
    if (TabControl2->currentWidget() == TabItem9 && Memo1)
        Memo1->setFocus();
}

void TOrvane1::MnuBtn1Click()
{
    QMenu *menu = nullptr;
    switch (activeTab()) {
    case MainTab::Edit:
        if (FOCUSEDCONTROL == "IMAGE1")
            menu = PopupMenu4;
        break;
    case MainTab::SlideShow:
        if (FOCUSEDCONTROL == "STRINGGRID2")
            menu = PopupMenu2;
        else if (FOCUSEDCONTROL == "STRINGGRID3")
            menu = PopupMenu3;
        break;
    case MainTab::Organize:
        menu = PopupMenu1;
        break;
    case MainTab::Batch:
        menu = PopupMenu5;
        break;
    default:
        break;
    }
    if (menu)
        menu->popup(QPoint(100, 100));
}

void TOrvane1::Timer1Timer()
{
    Label35->setText(orvane::services().clock->now().toString(QLocale().dateTimeFormat(QLocale::ShortFormat)));
}

void TOrvane1::DownLoadBtnClick()
{
    ShellOpen("https://orvane.example/download/orvane8-32bit");
}

// ---------------------------------------------------------------- resize

void TOrvane1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    ApplyResizeRules(event->size().width());
}

bool TOrvane1::eventFilter(QObject *watched, QEvent *event)
{
    // The tool panel's own rules follow its size, which the layout settles
    // after the main window's resize.
    if (event->type() == QEvent::Resize && (watched == Panel10 || watched == TabControl2))
        ApplyResizeRules(width());
    if (SplitterEvent(watched, event))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

void TOrvane1::ApplyResizeRules(int W)
{
    const int columns = orvane::ThumbnailColumns(W);
    if (ListBox7 && columns != ThumbColumns) {
        ThumbColumns = columns;
        const int cell = qMax(60, (ListBox7->viewport()->width() - 4) / columns);
        ListBox7->setGridSize(QSize(cell, 102));
    }
    auto round = [](double v) { return static_cast<int>(orvane::RoundHalfEven(v)); };
    if (TabControl2) {
        const int tw = TabControl2->width();
        const int th = TabControl2->height();
        if (ListBox1 && ListBox2) {
            ListBox1->setFixedWidth(qMax(40, round(tw / 2.0) - 50));
            ListBox2->setFixedWidth(qMax(40, round(tw / 2.0) - 50));
        }
        if (Layout1)
            Layout1->setFixedHeight(qMax(80, round(th / 2.0)));
        if (ListBox8)
            ListBox8->setFixedHeight(qMax(80, th - 500));
        if (Memo1)
            Memo1->setFixedWidth(qMax(40, tw - 10));
        if (Image8 && Image9) {
            Image8->setFixedSize(qMax(10, tw - 5), qMax(10, round(th / 2.0) - 50));
            Image9->setFixedWidth(qMax(10, tw - 20));
        }
    }
    if (TabControl3) {
        TabControl3->setFixedHeight(qMax(120, height() - 400));
        const int listWidth = qMax(40, TabControl3->width() - 10);
        const std::pair<QTreeWidget *, QTreeWidget *> pairs[] = {{ListVewAlbs, ListVewPhots},
                                                                 {ListVewSets, ListVewPhots2}};
        for (auto [upper, lower] : pairs) {
            if (!upper || !lower)
                continue;
            upper->setFixedWidth(listWidth);
            lower->setFixedWidth(listWidth);
            lower->setFixedHeight(qMax(40, TabControl3->height() - (upper->height() + 3) - 60));
        }
    }
    LayoutMailPanel();
    LayoutBatchPanel();
    ResizePanel10();
}
