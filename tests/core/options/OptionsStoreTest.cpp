// The options store "Options.cds": its field layout, the first and second
// start, what each operation reads and writes, null and stale values, the To
// addresses, and unreadable files, which are kept aside instead of lost.
#include "app/AppFixture.h"

#include "core/OptionsStore.h"
#include "core/TOrvane1.h"
#include "core/TSetOptn1.h"
#include "core/table/ClientDataSet.h"
#include "core/widgets/ImageControl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>

#include <map>

using namespace orvane;
using namespace orvane::testing;
using orvane::table::ClientDataSet;
using orvane::table::FieldDef;
using orvane::table::FieldType;
namespace F = orvane::OptionsField;

namespace {

struct StoredTable {
    QList<FieldDef> defs;
    QList<QVariantList> rows;
    QVariant value(int field) const { return rows.value(0).value(field); }
};

class OptionsStoreTest : public AppFixture {
protected:
    QString optionsFile() const { return rootFile("Options.cds"); }

    // Simulates the end of one run and the start of the next in the same root folder.
    void restart()
    {
        closeWindows();
        createWindows();
    }

    StoredTable stored() const
    {
        StoredTable s;
        ClientDataSet t;
        t.setFileName(optionsFile());
        t.Open();
        s.defs = t.FieldDefs();
        t.setIndexFieldNames("ID");
        for (t.First(); !t.Eof(); t.Next()) {
            QVariantList row;
            for (int f = 0; f < t.FieldCount(); ++f)
                row << t.Value(f);
            s.rows << row;
        }
        t.setFileName(QString()); // read only
        t.Close();
        return s;
    }

    // Writes an options file with one record: a complete record of plain
    // values, changed by `values` (an invalid QVariant makes a field null).
    void writeOptions(const std::map<int, QVariant> &values)
    {
        ClientDataSet t(OptionsFieldDefs());
        t.setFileName(optionsFile());
        t.CreateDataSet();
        t.Append();
        for (int f = 1; f < F::Count; ++f) {
            switch (t.Fields(f).DataType()) {
            case FieldType::Boolean: t.setValue(f, false); break;
            case FieldType::Integer: t.setValue(f, 1); break;
            default: t.setValue(f, QString()); break;
            }
        }
        t.setValue(F::Style, "Air.Style");
        t.setValue(F::Left, 50);
        t.setValue(F::Top, 50);
        t.setValue(F::Height, 628);
        t.setValue(F::Width, 969);
        t.setValue(F::ImageHeight, 230);
        for (const auto &[f, v] : values)
            t.setValue(f, v);
        t.Post();
        t.Close();
    }

    void writeBytes(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QByteArray readBytes(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QList<int> bounds() const { return {Orvane1->WINLEFT, Orvane1->WINTOP, Orvane1->WINHEIGHT, Orvane1->WINWIDTH}; }
    QList<int> storedBounds() const
    {
        const StoredTable s = stored();
        return {s.value(F::Left).toInt(), s.value(F::Top).toInt(), s.value(F::Height).toInt(),
                s.value(F::Width).toInt()};
    }

    // The window's part of OpenOptions, as the Options button runs it.
    void openForOptionsWindow()
    {
        Orvane1->SKIP_FLG = false;
        Orvane1->OpenOptions();
    }
};

} // namespace

TEST_F(OptionsStoreTest, TheFileHoldsTheThirtyThreeFieldsInTheirOrder)
{
    createWindows();
    restart(); // the second start writes the default record
    const StoredTable s = stored();
    QList<FieldDef> expected = {{"ID", FieldType::AutoInc, 0},         {"Style", FieldType::String, 25},
                                {"SlideShow", FieldType::String, 150}, {"PhotoAlbum", FieldType::String, 150},
                                {"UseHGrid", FieldType::Boolean, 0},   {"UseVGrid", FieldType::Boolean, 0},
                                {"FromEMail", FieldType::String, 50}};
    for (const char *to : {"ToEMail1", "ToEMail2", "ToEMail3", "ToEMail4", "ToEMail5", "ToEMail6", "ToEMail7",
                           "ToEMail8", "ToEMail9", "ToEMail10"})
        expected.append({to, FieldType::String, 50});
    expected.append({{"LastUpdated", FieldType::String, 22},  {"UseToEMail", FieldType::Boolean, 0},
                     {"Left", FieldType::Integer, 0},         {"Top", FieldType::Integer, 0},
                     {"Height", FieldType::Integer, 0},       {"Width", FieldType::Integer, 0},
                     {"ThumbPath", FieldType::String, 150},   {"ImageHeight", FieldType::Integer, 0},
                     {"LastPicture", FieldType::String, 150}, {"SaveToFolder", FieldType::String, 150},
                     {"AutoSaveTrans", FieldType::Boolean, 0}, {"AlbCounter", FieldType::Integer, 0},
                     {"VidCounter", FieldType::Integer, 0},   {"MusCounter", FieldType::Integer, 0},
                     {"LocalUser", FieldType::String, 25},    {"QuikStrtOff", FieldType::Boolean, 0}});
    ASSERT_EQ(s.defs.size(), 33);
    for (int i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(s.defs[i].name, expected[i].name) << i;
        EXPECT_EQ(s.defs[i].type, expected[i].type) << i;
        EXPECT_EQ(s.defs[i].size, expected[i].size) << i;
    }
}

TEST_F(OptionsStoreTest, FirstRunSecondStartAndTheBoundsOfTheClose)
{
    // First run: an empty file, still empty after the first close.
    createWindows();
    ASSERT_TRUE(QFileInfo::exists(optionsFile()));
    EXPECT_TRUE(stored().rows.isEmpty());
    showMain();
    closeWindows();
    EXPECT_TRUE(stored().rows.isEmpty());

    // Second start: the default record, with the start bounds; nothing is read.
    createWindows();
    StoredTable s = stored();
    ASSERT_EQ(s.rows.size(), 1);
    EXPECT_EQ(storedBounds(), QList<int>({50, 50, 628, 969}));
    EXPECT_EQ(s.value(F::Style).toString(), "Air.Style");
    EXPECT_EQ(s.value(F::ImageHeight).toInt(), 0);
    EXPECT_EQ(s.value(F::LastUpdated).toString(), "2024-03-05 09:07:02");
    EXPECT_FALSE(s.value(F::QuikStrtOff).isValid()) << "left null";
    EXPECT_EQ(s.value(F::UseToEMail).toBool(), false);
    EXPECT_EQ(s.value(F::AlbCounter).toInt(), 1);
    EXPECT_EQ(s.value(F::ThumbPath).toString(), QString());
    EXPECT_EQ(Orvane1->IMAGE1_HEIGHT, 230);

    // Its close writes the real bounds and the picture height.
    showMain();
    Orvane1->setGeometry(120, 90, 800, 600);
    Orvane1->Image1->setFixedHeight(310);
    Orvane1->WKALBCOUNT = 4;
    closeWindows();
    s = stored();
    ASSERT_EQ(s.rows.size(), 1);
    EXPECT_EQ(storedBounds(), QList<int>({120, 90, 600, 800}));
    EXPECT_EQ(s.value(F::ImageHeight).toInt(), 310);
    EXPECT_EQ(s.value(F::AlbCounter).toInt(), 4);

    // The third start places the window there.
    createWindows();
    EXPECT_EQ(bounds(), QList<int>({120, 90, 600, 800}));
    EXPECT_EQ(Orvane1->geometry(), QRect(120, 90, 800, 600));
    EXPECT_EQ(Orvane1->IMAGE1_HEIGHT, 310);
    EXPECT_EQ(Orvane1->Image1->height(), 310);
    EXPECT_EQ(Orvane1->WKALBCOUNT, 4);
}

TEST_F(OptionsStoreTest, TheOptionsWindowStoresImageHeightZeroAndTheCloseTheRealOne)
{
    createWindows();
    restart();
    Orvane1->UpDateOptionsFile();
    EXPECT_EQ(stored().value(F::ImageHeight).toInt(), 0);

    // Without a normal close (the run ended abruptly) the next start keeps the
    // built-in height instead of an invisible picture.
    closeWindows(); // never shown: the close handler does not run
    createWindows();
    EXPECT_EQ(Orvane1->IMAGE1_HEIGHT, 230);
    EXPECT_EQ(Orvane1->Image1->height(), 230);

    Orvane1->UpDateOptionsFile();
    showMain();
    Orvane1->Image1->setFixedHeight(275);
    closeWindows();
    EXPECT_EQ(stored().value(F::ImageHeight).toInt(), 275);
    createWindows();
    EXPECT_EQ(Orvane1->IMAGE1_HEIGHT, 275);
}

TEST_F(OptionsStoreTest, StoredValuesReachTheMainWindow)
{
    const QString received = rootFile("Received") + QDir::separator();
    QDir().mkpath(received);
    writeOptions({{F::Style, "Vapor.Style"},
                  {F::UseHGrid, true},
                  {F::UseVGrid, true},
                  {F::FromEMail, "me@example.org"},
                  {F::ToEMail1, "you@example.org"},
                  {F::Left, 10},
                  {F::Top, 20},
                  {F::Height, 500},
                  {F::Width, 700},
                  {F::ImageHeight, 260},
                  {F::ThumbPath, root()},
                  {F::SaveToFolder, received},
                  {F::AutoSaveTrans, true},
                  {F::AlbCounter, 7},
                  {F::VidCounter, 8},
                  {F::MusCounter, 9},
                  {F::LocalUser, "Anna"},
                  {F::QuikStrtOff, true}});
    createWindows();
    TOrvane1 &m = *Orvane1;
    EXPECT_EQ(m.STYLE_NAME, "Vapor.Style"); // kept outside the macOS mode
    EXPECT_TRUE(m.HGRIDLINES_FLG);
    EXPECT_TRUE(m.VGRIDLINES_FLG);
    EXPECT_EQ(m.Edit15->text(), "me@example.org");
    EXPECT_EQ(m.Edit18->text(), "you@example.org");
    EXPECT_FALSE(m.USETOEMAIL_FLG);
    EXPECT_EQ(bounds(), QList<int>({10, 20, 500, 700}));
    EXPECT_EQ(m.geometry(), QRect(10, 20, 700, 500));
    EXPECT_EQ(m.IMAGE1_HEIGHT, 260);
    EXPECT_EQ(m.START_THUMBNAILS, root());
    EXPECT_EQ(m.SETFOLDER, root());
    EXPECT_EQ(m.SAVETOTRAN_FOLDER, received);
    EXPECT_EQ(m.WKDWNLD_PATH, received);
    EXPECT_TRUE(m.AUTOSAVETRAN_FLG);
    EXPECT_EQ(QList<int>({m.WKALBCOUNT, m.WKVIDCOUNT, m.WKMUSCOUNT}), QList<int>({7, 8, 9}));
    EXPECT_EQ(m.LOCAL_USER, "Anna");
    EXPECT_TRUE(m.QKSTRTNO_FLG);
    EXPECT_FALSE(m.SKIP_FLG);
    // The table is closed again after reading.
    EXPECT_FALSE(m.OptionsDataSet().Active());

    // In the macOS mode the stored "Vapor.Style" becomes "Air.Style".
    m.MAC_FLG = true;
    m.OpenOptions();
    EXPECT_EQ(m.STYLE_NAME, "Air.Style");
    m.MAC_FLG = false;
}

TEST_F(OptionsStoreTest, NullFieldsLeaveEveryTargetUnchanged)
{
    std::map<int, QVariant> nulls;
    for (int f = 1; f < F::Count; ++f)
        nulls[f] = QVariant();
    writeOptions(nulls);
    createWindows();
    TOrvane1 &m = *Orvane1;
    EXPECT_EQ(m.STYLE_NAME, "Air.Style");
    EXPECT_EQ(bounds(), QList<int>({50, 50, 628, 969}));
    EXPECT_EQ(m.IMAGE1_HEIGHT, 230);

    // Values set during the run survive a new reading, in both parts.
    m.STYLE_NAME = "Dark.Style";
    m.HGRIDLINES_FLG = true;
    m.USETOEMAIL_FLG = false;
    m.IMAGE1_HEIGHT = 111;
    m.WKALBCOUNT = 5;
    m.WKVIDCOUNT = 6;
    m.LOCAL_USER = "Ben";
    m.START_THUMBNAILS = "/photos";
    m.START_SLIDESHOW = "Summer";
    m.START_FAVORITES = "Family";
    m.Edit15->setText("from");
    m.Edit18->setText("to");
    TSetOptn1 &w = *SetOptn1;
    w.CMBSLS->addItems({"Winter", "Summer"});
    w.CMBSLS->setCurrentIndex(1);
    w.Edit1->setText("keep1");
    w.Edit5->setText("keep5");
    w.Edit12->setText("keep12");
    w.Edit13->setText("keep13");
    w.Edit14->setText("keep14");
    w.CHKRMTSAVE->setChecked(true);
    w.CHKQKSTOF->setChecked(true);
    w.CHKTOEMAIL->setChecked(true);
    openForOptionsWindow();
    EXPECT_EQ(m.STYLE_NAME, "Dark.Style");
    EXPECT_TRUE(m.HGRIDLINES_FLG);
    EXPECT_EQ(m.IMAGE1_HEIGHT, 111);
    EXPECT_EQ(QList<int>({m.WKALBCOUNT, m.WKVIDCOUNT}), QList<int>({5, 6}));
    EXPECT_EQ(m.LOCAL_USER, "Ben");
    EXPECT_EQ(m.START_THUMBNAILS, "/photos");
    EXPECT_EQ(m.START_SLIDESHOW, "Summer");
    EXPECT_EQ(m.START_FAVORITES, "Family");
    EXPECT_EQ(m.Edit15->text(), "from");
    EXPECT_EQ(m.Edit18->text(), "to");
    EXPECT_EQ(w.CMBSLS->currentIndex(), 1);
    for (QLineEdit *e : {w.Edit1, w.Edit5, w.Edit12, w.Edit13, w.Edit14})
        EXPECT_TRUE(e->text().startsWith("keep")) << e->objectName().toStdString();
    EXPECT_TRUE(w.CHKRMTSAVE->isChecked());
    // The two flags follow their check boxes at the end.
    EXPECT_TRUE(m.QKSTRTNO_FLG);
    EXPECT_TRUE(m.USETOEMAIL_FLG);
}

TEST_F(OptionsStoreTest, ToAddressesAreJoinedWithSemicolons)
{
    const struct {
        const char *to1, *to2, *to3;
        bool use;
        const char *expected;
    } cases[] = {
        {"a", "", "c", true, "a;c;"},
        {"a", "", "c", false, "a"},
        {"", "b", "", true, "b;"},
        {"a", "   ", "c", true, "a;c;"},
        {"", "", "", true, ""},
    };
    for (const auto &c : cases) {
        writeOptions({{F::ToEMail1, c.to1}, {F::ToEMail1 + 1, c.to2}, {F::ToEMail1 + 2, c.to3}, {F::UseToEMail, c.use}});
        createWindows();
        EXPECT_EQ(Orvane1->USETOEMAIL_FLG, c.use) << c.expected;
        EXPECT_EQ(Orvane1->Edit18->text(), c.expected) << c.to1 << "|" << c.to2 << "|" << c.to3;
        closeWindows();
    }

    // Composing a mail runs it on the closed table: opened for the call, closed again.
    writeOptions({{F::ToEMail1, "a"}, {F::ToEMail1 + 2, "c"}, {F::ToEMail10, "j"}, {F::UseToEMail, true}});
    createWindows();
    Orvane1->Edit18->clear();
    ASSERT_FALSE(Orvane1->OptionsDataSet().Active());
    Orvane1->FillToAddresses();
    EXPECT_EQ(Orvane1->Edit18->text(), "a;c;j;");
    EXPECT_FALSE(Orvane1->OptionsDataSet().Active());
}

TEST_F(OptionsStoreTest, AMissingLastPictureIsRememberedAndWrittenBack)
{
    const QString gone = rootFile("gone.png");
    writeOptions({{F::LastPicture, gone}});
    createWindows();
    EXPECT_EQ(Orvane1->LASTPICTURE, gone);
    EXPECT_TRUE(Orvane1->CURRENT_PATH.isEmpty());
    showMain();
    EXPECT_TRUE(Orvane1->Image1->isEmpty());
    closeWindows();
    EXPECT_EQ(stored().value(F::LastPicture).toString(), gone);
}

TEST_F(OptionsStoreTest, AnExistingLastPictureIsOpenedAtStartUp)
{
    const QString photo = writePicture(rootFile("photo.png"), 64, 48);
    writeOptions({{F::LastPicture, photo}});
    createWindows();
    EXPECT_EQ(Orvane1->CURRENT_PATH, photo);
    EXPECT_EQ(Orvane1->HLDPATH, photo);
    EXPECT_EQ(Orvane1->Image1->Bitmap().size(), QSize(64, 48));
    EXPECT_EQ(Orvane1->Image2->Bitmap().size(), QSize(64, 48));
}

TEST_F(OptionsStoreTest, ALastPictureThatDoesNotDecodeDoesNotStopTheReading)
{
    writeBytes(rootFile("broken.png"), "not a picture");
    writeOptions({{F::LastPicture, rootFile("broken.png")},
                  {F::AlbCounter, 12},
                  {F::LocalUser, "Cara"},
                  {F::QuikStrtOff, true}});
    createWindows();
    EXPECT_TRUE(Orvane1->Image1->isEmpty());
    EXPECT_EQ(Orvane1->WKALBCOUNT, 12);
    EXPECT_EQ(Orvane1->LOCAL_USER, "Cara");
    EXPECT_TRUE(Orvane1->QKSTRTNO_FLG);
    // So the close does not write the start values over the stored counter.
    showMain();
    closeWindows();
    EXPECT_EQ(stored().value(F::AlbCounter).toInt(), 12);
}

TEST_F(OptionsStoreTest, ASaveToFolderThatNoLongerExistsIsIgnored)
{
    writeOptions({{F::SaveToFolder, rootFile("Gone") + QDir::separator()}});
    createWindows();
    const QString pictures = Orvane1->ROOTPATH + QDir::separator() + "Pictures" + QDir::separator();
    EXPECT_EQ(Orvane1->SAVETOTRAN_FOLDER, pictures);
    EXPECT_EQ(Orvane1->WKDWNLD_PATH, pictures);
}

TEST_F(OptionsStoreTest, TheOptionsWindowIsFilledAndItsConfirmationWritesEveryField)
{
    createWindows();
    restart();
    TOrvane1 &m = *Orvane1;
    TSetOptn1 &w = *SetOptn1;
    // What the options window sets before it confirms.
    m.STYLE_NAME = "Jet.Style";
    m.HGRIDLINES_FLG = true;
    m.VGRIDLINES_FLG = false;
    m.WINLEFT = 11;
    m.WINTOP = 12;
    m.WINHEIGHT = 513;
    m.WINWIDTH = 714;
    m.START_THUMBNAILS = rootFile("Pictures");
    m.LASTPICTURE = rootFile("x.jpg");
    m.SAVETOTRAN_FOLDER = rootFile("Pictures") + QDir::separator();
    m.AUTOSAVETRAN_FLG = true;
    m.WKALBCOUNT = 3;
    m.WKVIDCOUNT = 4;
    m.WKMUSCOUNT = 5;
    m.LOCAL_USER = "Dora";
    w.CMBSLS->addItems({"Autumn", "Spring"});
    w.CMBSLS->setCurrentIndex(1);
    w.CMBPHOTOALB->addItems({"Family"});
    w.CMBPHOTOALB->setCurrentIndex(0);
    w.Edit1->setText("from@example.org");
    const QList<QLineEdit *> to = w.ToAddressEdits();
    ASSERT_EQ(to.size(), 10);
    for (int i = 0; i < 10; ++i)
        to[i]->setText(QStringLiteral("to%1@example.org").arg(i + 1));
    w.CHKTOEMAIL->setChecked(true);
    w.CHKQKSTOF->setChecked(true);
    clock->when = QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5));
    m.UpDateOptionsFile();
    EXPECT_TRUE(m.QKSTRTNO_FLG);
    EXPECT_FALSE(m.OptionsDataSet().Active());

    const StoredTable s = stored();
    ASSERT_EQ(s.rows.size(), 1);
    const std::pair<int, QVariant> expected[] = {
        {F::Style, "Jet.Style"},
        {F::SlideShow, "Spring"},
        {F::PhotoAlbum, "Family"},
        {F::UseHGrid, true},
        {F::UseVGrid, false},
        {F::FromEMail, "from@example.org"},
        {F::ToEMail1, "to1@example.org"},
        {F::ToEMail10, "to10@example.org"},
        {F::LastUpdated, "2025-01-02 03:04:05"},
        {F::UseToEMail, true},
        {F::Left, 11},
        {F::Top, 12},
        {F::Height, 513},
        {F::Width, 714},
        {F::ThumbPath, rootFile("Pictures")},
        {F::ImageHeight, 0},
        {F::LastPicture, rootFile("x.jpg")},
        {F::SaveToFolder, rootFile("Pictures") + QDir::separator()},
        {F::AutoSaveTrans, true},
        {F::AlbCounter, 3},
        {F::VidCounter, 4},
        {F::MusCounter, 5},
        {F::LocalUser, "Dora"},
        {F::QuikStrtOff, true},
    };
    for (const auto &[field, value] : expected)
        EXPECT_EQ(s.value(field).toString(), value.toString()) << s.defs[field].name.toStdString();

    // A combo without a selection keeps the stored choice.
    w.CMBSLS->setCurrentIndex(-1);
    w.CMBPHOTOALB->clear();
    m.UpDateOptionsFile();
    EXPECT_EQ(stored().value(F::SlideShow).toString(), "Spring");
    EXPECT_EQ(stored().value(F::PhotoAlbum).toString(), "Family");
    ASSERT_EQ(stored().rows.size(), 1) << "the one record is edited, never added to";

    // The next start fills the window's controls from the record.
    restart();
    TSetOptn1 &w2 = *SetOptn1;
    w2.CMBSLS->addItems({"Autumn", "Spring", "Spring"});
    openForOptionsWindow();
    EXPECT_EQ(w2.CMBSLS->currentIndex(), 1);
    EXPECT_EQ(Orvane1->START_SLIDESHOW, "Spring");
    EXPECT_EQ(Orvane1->START_FAVORITES, "Family");
    EXPECT_EQ(w2.Edit1->text(), "from@example.org");
    EXPECT_EQ(w2.Edit2->text(), "to1@example.org");
    EXPECT_EQ(w2.Edit11->text(), "to10@example.org");
    EXPECT_TRUE(w2.CHKTOEMAIL->isChecked());
    EXPECT_EQ(w2.Edit14->text(), rootFile("Pictures"));
    EXPECT_EQ(w2.Edit12->text(), rootFile("Pictures") + QDir::separator());
    EXPECT_TRUE(w2.CHKRMTSAVE->isChecked());
    EXPECT_EQ(w2.Edit13->text(), "Dora");
    EXPECT_TRUE(w2.CHKQKSTOF->isChecked());
    // The To edit of the mail panel holds all ten addresses.
    EXPECT_TRUE(Orvane1->Edit18->text().startsWith("to1@example.org;to2@example.org;"));
    EXPECT_TRUE(Orvane1->Edit18->text().endsWith("to10@example.org;"));

    // A stored slide show that is not in the list selects nothing.
    w2.CMBSLS->clear();
    w2.CMBSLS->addItems({"Autumn"});
    w2.CMBSLS->setCurrentIndex(0);
    openForOptionsWindow();
    EXPECT_EQ(w2.CMBSLS->currentIndex(), -1);
}

TEST_F(OptionsStoreTest, ConfirmingWithoutAFileCreatesTheTable)
{
    createWindows();
    QFile::remove(optionsFile());
    Orvane1->LOCAL_USER = "Eve";
    Orvane1->UpDateOptionsFile();
    const StoredTable s = stored();
    ASSERT_EQ(s.rows.size(), 1);
    EXPECT_EQ(s.value(F::LocalUser).toString(), "Eve");
    EXPECT_EQ(s.value(F::ID).toInt(), 1);
}

TEST_F(OptionsStoreTest, ReadingForTheOptionsWindowDoesNotMoveTheWindowOnScreen)
{
    writeOptions({{F::Left, 10}, {F::Top, 20}, {F::Height, 500}, {F::Width, 700}});
    createWindows();
    showMain();
    Orvane1->setGeometry(200, 150, 720, 520);
    openForOptionsWindow();
    EXPECT_EQ(Orvane1->geometry(), QRect(200, 150, 720, 520));
}

TEST_F(OptionsStoreTest, AnUnreadableFileIsKeptAsideAndTheDefaultsAreUsed)
{
    // A file that is not a table, and a table of another kind.
    QByteArray otherTable;
    {
        ClientDataSet other({{"ID", FieldType::AutoInc, 0}, {"Name", FieldType::String, 50}});
        other.setFileName(rootFile("Other.cds"));
        other.CreateDataSet();
        other.Append();
        other.setValue(1, "not options");
        other.Post();
        other.Close();
        otherTable = readBytes(rootFile("Other.cds"));
    }
    const struct {
        const char *name;
        QByteArray bytes;
        bool badExists;
        const char *aside;
    } cases[] = {
        {"garbage", QByteArray("\x00\x01 this is not a table", 23), false, "Options.cds.bad"},
        {"cut off", QByteArray("<?xml version=\"1.0\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"), true,
         "Options.cds.bad2"},
        {"another table", otherTable, false, "Options.cds.bad"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        for (const QString &old : QDir(root()).entryList({"Options.cds*"}))
            QFile::remove(rootFile(old));
        writeBytes(optionsFile(), c.bytes);
        if (c.badExists)
            writeBytes(rootFile("Options.cds.bad"), "an older one");
        const int warningsBefore = dialogs->count("warning");
        createWindows();
        EXPECT_EQ(readBytes(rootFile(c.aside)), c.bytes);
        if (c.badExists) {
            EXPECT_EQ(readBytes(rootFile("Options.cds.bad")), QByteArray("an older one"));
        }
        ASSERT_EQ(dialogs->count("warning"), warningsBefore + 1);
        EXPECT_TRUE(dialogs->last("warning")->text.contains(c.aside));
        // The run goes on with the defaults and a new table.
        EXPECT_EQ(Orvane1->STYLE_NAME, "Air.Style");
        EXPECT_EQ(bounds(), QList<int>({50, 50, 628, 969}));
        EXPECT_EQ(stored().rows.size(), 1);
        showMain();
        closeWindows();
        EXPECT_EQ(readBytes(rootFile(c.aside)), c.bytes);
        // The next start reads the new file without a word.
        createWindows();
        EXPECT_EQ(dialogs->count("warning"), warningsBefore + 1);
        closeWindows();
    }
}

TEST_F(OptionsStoreTest, AFileSpoiledDuringTheRunIsKeptAsideAtClose)
{
    writeOptions({{F::LocalUser, "Finn"}});
    createWindows();
    writeBytes(optionsFile(), "spoiled");
    showMain();
    closeWindows();
    EXPECT_EQ(readBytes(rootFile("Options.cds.bad")), QByteArray("spoiled"));
    EXPECT_EQ(dialogs->count("warning"), 1);
}
