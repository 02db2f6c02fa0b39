// The options store: "Options.cds" in the root folder, one record with the
// user's options and the main window's remembered state. OpenOptions reads
// it at start-up (main-window part only, SKIP_FLG true) and for the options
// window (SKIP_FLG false); UpDateOptionsFile writes the whole record when the
// options window is confirmed; SaveWindowOptions writes the window state at
// close; FillToAddresses builds the To edit from the ten stored addresses.
//
// A file that cannot be read as the options table is never overwritten or
// deleted: it is renamed aside ("Options.cds.bad", ...), the user is told
// once, and the program goes on with the default options.
#include "core/OptionsStore.h"

#include "core/Errors.h"
#include "core/PictureFiles.h"
#include "core/Services.h"
#include "core/TOrvane1.h"
#include "core/TSetOptn1.h"
#include "core/widgets/ImageControl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>

using orvane::table::ClientDataSet;
using orvane::table::FieldDef;
using orvane::table::FieldType;
using orvane::table::TableError;
namespace F = orvane::OptionsField;

// ---------------------------------------------------------------- layout

namespace orvane {

QList<FieldDef> OptionsFieldDefs()
{
    QList<FieldDef> defs = {
        {"ID", FieldType::AutoInc, 0},          {"Style", FieldType::String, 25},
        {"SlideShow", FieldType::String, 150},  {"PhotoAlbum", FieldType::String, 150},
        {"UseHGrid", FieldType::Boolean, 0},    {"UseVGrid", FieldType::Boolean, 0},
        {"FromEMail", FieldType::String, 50},
    };
    for (int i = 1; i <= 10; ++i)
        defs.append({QStringLiteral("ToEMail%1").arg(i), FieldType::String, 50});
    defs.append({
        {"LastUpdated", FieldType::String, 22},  {"UseToEMail", FieldType::Boolean, 0},
        {"Left", FieldType::Integer, 0},         {"Top", FieldType::Integer, 0},
        {"Height", FieldType::Integer, 0},       {"Width", FieldType::Integer, 0},
        {"ThumbPath", FieldType::String, 150},   {"ImageHeight", FieldType::Integer, 0},
        {"LastPicture", FieldType::String, 150}, {"SaveToFolder", FieldType::String, 150},
        {"AutoSaveTrans", FieldType::Boolean, 0}, {"AlbCounter", FieldType::Integer, 0},
        {"VidCounter", FieldType::Integer, 0},   {"MusCounter", FieldType::Integer, 0},
        {"LocalUser", FieldType::String, 25},    {"QuikStrtOff", FieldType::Boolean, 0},
    });
    return defs;
}

bool HasOptionsLayout(const QList<FieldDef> &defs)
{
    static const QList<FieldDef> expected = OptionsFieldDefs();
    if (defs.size() < expected.size())
        return false;
    for (int i = 0; i < expected.size(); ++i) {
        if (defs[i].type != expected[i].type || defs[i].name.compare(expected[i].name, Qt::CaseInsensitive) != 0)
            return false;
    }
    return true;
}

QString OptionsTimeStamp(const QDateTime &when) { return when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")); }

} // namespace orvane

// ---------------------------------------------------------------- the table

void TOrvane1::OptionsTableDeleter::operator()(ClientDataSet *table) const { delete table; }

QString TOrvane1::OptionsFilePath() const { return ROOTPATH + FILE_DELIM + orvane::kOptionsFileName; }

ClientDataSet &TOrvane1::OptionsDataSet()
{
    if (!OptionsTable)
        OptionsTable.reset(new ClientDataSet(orvane::OptionsFieldDefs()));
    return *OptionsTable;
}

namespace {

// Closes the table without writing it to its file.
void closeWithoutWriting(ClientDataSet &t)
{
    const QString file = t.FileName();
    t.setFileName(QString());
    t.Close();
    t.setFileName(file);
}

enum class OptionsFile {
    Missing,     // no file: the table is closed, with the options' field definitions
    Opened,      // the table is open on the file (or was open already)
    Recreated,   // the file was unreadable and moved aside; the table is new and empty
    Unavailable, // the file is unreadable and could not be moved aside; the table is closed
};

// Opens the options file into the main window's table. A file that cannot be
// read, or that is not an options table, is renamed aside and reported with a
// warning; the table then starts empty.
OptionsFile openOptionsFile(TOrvane1 &m)
{
    ClientDataSet &t = m.OptionsDataSet();
    const QString file = m.OptionsFilePath();
    if (t.FileName() != file) {
        t.Close();
        t.setFileName(file);
    }
    if (t.Active())
        return OptionsFile::Opened;
    if (!QFileInfo::exists(file)) {
        t.setFieldDefs(orvane::OptionsFieldDefs());
        return OptionsFile::Missing;
    }
    QString reason;
    try {
        t.Open();
        if (orvane::HasOptionsLayout(t.FieldDefs()))
            return OptionsFile::Opened;
        reason = QStringLiteral("its fields are not those of the options table");
        closeWithoutWriting(t); // the file stays exactly as it was
    } catch (const orvane::table::FileFormatError &e) {
        reason = e.reason();
    } catch (const TableError &e) {
        reason = e.message();
    }
    t.setFieldDefs(orvane::OptionsFieldDefs());
    const QString aside = ClientDataSet::SetAsideUnreadableFile(file);
    const QString title = QStringLiteral("Orvane Options");
    if (aside.isEmpty()) {
        // Reported once per run: every later operation meets the same file.
        if (!m.property("orvaneOptionsUnavailableReported").toBool()) {
            m.setProperty("orvaneOptionsUnavailableReported", true);
            orvane::services().dialogs->warning(
                title, QStringLiteral("The options file \"%1\" cannot be read (%2) and cannot be moved aside. "
                                      "Orvane uses the default options and does not change the file.")
                           .arg(file, reason));
        }
        return OptionsFile::Unavailable;
    }
    orvane::services().dialogs->warning(
        title, QStringLiteral("The options file \"%1\" cannot be read (%2). It was kept as \"%3\" and Orvane "
                              "starts with the default options.")
                   .arg(file, reason, aside));
    t.CreateDataSet();
    return OptionsFile::Recreated;
}

// Readers of the current record: a null field, or a value that does not
// convert to the target's type, leaves the target unchanged.
bool readString(ClientDataSet &t, int field, QString &target)
{
    if (t.IsNull(field))
        return false;
    target = t.Fields(field).AsString();
    return true;
}

bool readInt(ClientDataSet &t, int field, int &target)
{
    if (t.IsNull(field))
        return false;
    try {
        target = t.Fields(field).AsInteger();
        return true;
    } catch (const TableError &) {
        return false;
    }
}

bool readBool(ClientDataSet &t, int field, bool &target)
{
    if (t.IsNull(field))
        return false;
    try {
        target = t.Fields(field).AsBoolean();
        return true;
    } catch (const TableError &) {
        return false;
    }
}

void readIntoEdit(ClientDataSet &t, int field, QLineEdit *edit, bool onlyWhenNotEmpty)
{
    QString value;
    if (edit && readString(t, field, value) && !(onlyWhenNotEmpty && value.isEmpty()))
        edit->setText(value);
}

void readIntoCheck(ClientDataSet &t, int field, QCheckBox *check)
{
    bool value = false;
    if (check && readBool(t, field, value))
        check->setChecked(value);
}

QString now() { return orvane::OptionsTimeStamp(orvane::services().clock->now()); }

// The record a file without a record receives: empty texts, false switches,
// the current bounds, counters, last picture and user; "QuikStrtOff" null.
void appendDefaultRecord(TOrvane1 &m, ClientDataSet &t)
{
    t.Append();
    t.setValue(F::Style, QStringLiteral("Air.Style"));
    for (int f : {int(F::SlideShow), int(F::PhotoAlbum), int(F::FromEMail), int(F::ThumbPath), int(F::SaveToFolder)})
        t.setValue(f, QString());
    for (int f = F::ToEMail1; f <= F::ToEMail10; ++f)
        t.setValue(f, QString());
    for (int f : {int(F::UseHGrid), int(F::UseVGrid), int(F::UseToEMail), int(F::AutoSaveTrans)})
        t.setValue(f, false);
    t.setValue(F::LastUpdated, now());
    t.setValue(F::Left, m.WINLEFT);
    t.setValue(F::Top, m.WINTOP);
    t.setValue(F::Height, m.WINHEIGHT);
    t.setValue(F::Width, m.WINWIDTH);
    t.setValue(F::ImageHeight, 0);
    t.setValue(F::LastPicture, m.LASTPICTURE);
    t.setValue(F::AlbCounter, m.WKALBCOUNT);
    t.setValue(F::VidCounter, m.WKVIDCOUNT);
    t.setValue(F::MusCounter, m.WKMUSCOUNT);
    t.setValue(F::LocalUser, m.LOCAL_USER);
}

QString selectedText(const QComboBox *combo, bool &has)
{
    has = combo && combo->count() > 0 && combo->currentIndex() >= 0 && combo->currentIndex() < combo->count();
    return has ? combo->currentText() : QString();
}

} // namespace

// ---------------------------------------------------------------- OpenOptions

void TOrvane1::OpenOptions()
{
    ClientDataSet &t = OptionsDataSet();
    switch (openOptionsFile(*this)) {
    case OptionsFile::Missing:
        // A new, empty file; the defaults stay. A root folder that cannot be
        // written must not stop the start-up.
        try {
            t.CreateDataSet();
            t.Close();
        } catch (const TableError &) {
            closeWithoutWriting(t);
        }
        return;
    case OptionsFile::Unavailable:
        SKIP_FLG = false;
        return; // the defaults stay and the unreadable file is left alone
    case OptionsFile::Recreated:
    case OptionsFile::Opened:
        break;
    }
    t.setIndexFieldNames("ID");
    if (t.IsEmpty()) {
        // Nothing to read; the record is written now and the table stays open
        // (a failed write is tried again when the window state is saved).
        appendDefaultRecord(*this, t);
        t.Post();
        try {
            t.SaveToFile();
        } catch (const TableError &) {
        }
        SKIP_FLG = false;
        return;
    }
    t.First();

    // The main window's part.
    if (readString(t, F::Style, STYLE_NAME) && MAC_FLG && STYLE_NAME == "Vapor.Style")
        STYLE_NAME = "Air.Style";
    readBool(t, F::UseHGrid, HGRIDLINES_FLG);
    readBool(t, F::UseVGrid, VGRIDLINES_FLG);
    readIntoEdit(t, F::FromEMail, Edit15, false);
    readIntoEdit(t, F::ToEMail1, Edit18, false);
    readBool(t, F::UseToEMail, USETOEMAIL_FLG);
    bool bounds = readInt(t, F::Left, WINLEFT);
    bounds = readInt(t, F::Top, WINTOP) || bounds;
    bounds = readInt(t, F::Height, WINHEIGHT) || bounds;
    bounds = readInt(t, F::Width, WINWIDTH) || bounds;
    // At start-up the window takes the stored bounds; once it is on screen the
    // user's own placement stays (the close writes the live bounds).
    if (bounds && !isVisible())
        setGeometry(WINLEFT, WINTOP, WINWIDTH, WINHEIGHT);

    // Each of these is read on its own: a picture that fails to load, or a
    // value that does not convert, must not keep the fields after it unread
    // (the close would then write their defaults over the stored values).
    int imageHeight = 0;
    // 0 is what the options window stores; it means "not known", not an empty picture.
    if (readInt(t, F::ImageHeight, imageHeight) && imageHeight > 0)
        IMAGE1_HEIGHT = imageHeight;
    if (readString(t, F::LastPicture, LASTPICTURE) && !LASTPICTURE.isEmpty() && QFileInfo(LASTPICTURE).isFile()) {
        CURRENT_PATH = HLDPATH = LASTPICTURE;
        try {
            const QImage picture = orvane::LoadPictureFile(LASTPICTURE);
            Image1->setBitmap(picture);
            Image2->setBitmap(picture);
            LoadPicture();
        } catch (...) {
            // Not shown; the show handler tries once more and forgets it then.
        }
    }
    QString text;
    if (readString(t, F::ThumbPath, text) && !text.isEmpty())
        START_THUMBNAILS = text;
    if (readString(t, F::SaveToFolder, text) && !text.isEmpty() && QFileInfo(text).isDir())
        SAVETOTRAN_FOLDER = text;
    WKDWNLD_PATH = SAVETOTRAN_FOLDER;
    readBool(t, F::AutoSaveTrans, AUTOSAVETRAN_FLG);
    readInt(t, F::AlbCounter, WKALBCOUNT);
    readInt(t, F::VidCounter, WKVIDCOUNT);
    readInt(t, F::MusCounter, WKMUSCOUNT);
    readString(t, F::LocalUser, LOCAL_USER);
    readBool(t, F::QuikStrtOff, QKSTRTNO_FLG);
    if (USETOEMAIL_FLG)
        FillToAddresses();

    // The options window's part.
    if (!SKIP_FLG && SetOptn1) {
        TSetOptn1 &w = *SetOptn1;
        if (readString(t, F::SlideShow, text)) {
            if (!text.isEmpty())
                START_SLIDESHOW = text;
            w.CMBSLS->setCurrentIndex(w.CMBSLS->findText(START_SLIDESHOW));
        }
        if (readString(t, F::PhotoAlbum, text) && !text.isEmpty())
            START_FAVORITES = text;
        readIntoEdit(t, F::FromEMail, w.Edit1, true);
        const QList<QLineEdit *> to = w.ToAddressEdits();
        for (int i = 0; i < to.size(); ++i)
            readIntoEdit(t, F::ToEMail1 + i, to[i], true);
        readIntoCheck(t, F::UseToEMail, w.CHKTOEMAIL);
        readIntoEdit(t, F::ThumbPath, w.Edit14, false);
        readIntoEdit(t, F::SaveToFolder, w.Edit12, false);
        readIntoCheck(t, F::AutoSaveTrans, w.CHKRMTSAVE);
        readIntoEdit(t, F::LocalUser, w.Edit13, false);
        readIntoCheck(t, F::QuikStrtOff, w.CHKQKSTOF);
        QKSTRTNO_FLG = w.CHKQKSTOF->isChecked();
        USETOEMAIL_FLG = w.CHKTOEMAIL->isChecked();
    }
    t.Close();
    SKIP_FLG = false;
}

// ---------------------------------------------------------------- UpDateOptionsFile

void TOrvane1::UpDateOptionsFile()
{
    ClientDataSet &t = OptionsDataSet();
    switch (openOptionsFile(*this)) {
    case OptionsFile::Missing:
        t.CreateDataSet();
        break;
    case OptionsFile::Unavailable:
        throw orvane::Error(QStringLiteral("The options cannot be saved: the file \"%1\" cannot be read and cannot "
                                           "be moved aside.")
                                .arg(OptionsFilePath()));
    case OptionsFile::Recreated:
    case OptionsFile::Opened:
        break;
    }
    t.setIndexFieldNames("ID");
    if (t.IsEmpty()) {
        t.Append();
    } else {
        t.First();
        t.Edit();
    }
    TSetOptn1 *w = SetOptn1;
    t.setValue(F::Style, STYLE_NAME);
    bool has = false;
    QString choice = selectedText(w ? w->CMBSLS : nullptr, has);
    if (has)
        t.setValue(F::SlideShow, choice);
    choice = selectedText(w ? w->CMBPHOTOALB : nullptr, has);
    if (has)
        t.setValue(F::PhotoAlbum, choice);
    t.setValue(F::UseHGrid, HGRIDLINES_FLG);
    t.setValue(F::UseVGrid, VGRIDLINES_FLG);
    if (w) {
        t.setValue(F::FromEMail, w->Edit1->text());
        const QList<QLineEdit *> to = w->ToAddressEdits();
        for (int i = 0; i < to.size(); ++i)
            t.setValue(F::ToEMail1 + i, to[i]->text());
    }
    t.setValue(F::LastUpdated, now());
    if (w)
        t.setValue(F::UseToEMail, w->CHKTOEMAIL->isChecked());
    t.setValue(F::Left, WINLEFT);
    t.setValue(F::Top, WINTOP);
    t.setValue(F::Height, WINHEIGHT);
    t.setValue(F::Width, WINWIDTH);
    t.setValue(F::ThumbPath, START_THUMBNAILS);
    t.setValue(F::ImageHeight, 0);
    t.setValue(F::LastPicture, LASTPICTURE);
    t.setValue(F::SaveToFolder, SAVETOTRAN_FOLDER);
    t.setValue(F::AutoSaveTrans, AUTOSAVETRAN_FLG);
    t.setValue(F::AlbCounter, WKALBCOUNT);
    t.setValue(F::VidCounter, WKVIDCOUNT);
    t.setValue(F::MusCounter, WKMUSCOUNT);
    t.setValue(F::LocalUser, LOCAL_USER);
    if (w)
        t.setValue(F::QuikStrtOff, w->CHKQKSTOF->isChecked());
    t.Post();
    t.SaveToFile();
    if (w)
        QKSTRTNO_FLG = w->CHKQKSTOF->isChecked();
    t.Close();
}

// ---------------------------------------------------------------- SaveWindowOptions

void TOrvane1::SaveWindowOptions()
{
    ClientDataSet &t = OptionsDataSet();
    switch (openOptionsFile(*this)) {
    case OptionsFile::Missing:
        t.CreateDataSet();
        t.Close();
        return;
    case OptionsFile::Unavailable:
        return; // the unreadable file is left as it is
    case OptionsFile::Recreated:
    case OptionsFile::Opened:
        break;
    }
    t.setIndexFieldNames("ID");
    if (t.IsEmpty())
        return;
    t.First();
    t.Edit();
    t.setValue(F::Left, WINLEFT);
    t.setValue(F::Top, WINTOP);
    t.setValue(F::Height, WINHEIGHT);
    t.setValue(F::Width, WINWIDTH);
    try {
        t.setValue(F::ImageHeight, IMAGE1_HEIGHT);
    } catch (...) {
    }
    t.setValue(F::LastPicture, LASTPICTURE);
    t.setValue(F::AlbCounter, WKALBCOUNT);
    t.setValue(F::VidCounter, WKVIDCOUNT);
    t.setValue(F::MusCounter, WKMUSCOUNT);
    t.Post();
    // The table stays open to the end of the run; writing now as well keeps
    // the state when the rest of the shutdown does not finish.
    t.SaveToFile();
}

// ---------------------------------------------------------------- FillToAddresses

void TOrvane1::FillToAddresses()
{
    ClientDataSet &t = OptionsDataSet();
    // Callers outside OpenOptions may find the table closed: it is opened for
    // the call and closed again.
    const bool wasOpen = t.Active();
    if (!wasOpen) {
        const OptionsFile how = openOptionsFile(*this);
        if (how == OptionsFile::Missing || how == OptionsFile::Unavailable)
            return;
        t.setIndexFieldNames("ID");
        t.First();
    }
    if (Edit18 && !t.IsEmpty()) {
        const QString first = t.Fields(F::ToEMail1).AsString();
        if (!first.trimmed().isEmpty())
            Edit18->setText(first + ";");
        for (int f = F::ToEMail1 + 1; f <= F::ToEMail10; ++f) {
            const QString address = t.Fields(f).AsString();
            if (!address.trimmed().isEmpty())
                Edit18->setText(Edit18->text() + address + ";");
        }
    }
    if (!wasOpen)
        t.Close();
}
