// Saving: the offer to save unsaved edits over the picture's file before it
// is replaced, and the toolbar's Save button, which saves what the active
// tab shows. Pictures are written through the codec layer by the chosen
// file's extension, atomically, so a failed save keeps the old file.
#include "core/Errors.h"
#include "core/Services.h"
#include "core/TOrvane1.h"
#include "core/widgets/ImageControl.h"
#include "edit/EditPictureFiles.h"
#include "edit/codec/Codec.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>

namespace orvane {

QImage ReadPictureFile(const QString &path)
{
    if (path.trimmed().isEmpty() || !QFileInfo(path).isFile())
        throw Error(QStringLiteral("Cannot open file \"%1\". The file does not exist.").arg(path));
    codec::DecodeResult decoded = codec::decodeFile(path);
    if (!decoded.ok())
        throw Error(QStringLiteral("Cannot load \"%1\": %2").arg(path, decoded.error));
    return decoded.image;
}

void WritePictureFile(const QImage &image, const QString &path)
{
    if (image.isNull())
        throw Error(QStringLiteral("Cannot write \"%1\": there is no picture to save.").arg(path));
    if (path.trimmed().isEmpty())
        throw Error(QStringLiteral("Cannot write the picture: no file name was given."));
    QString error;
    if (!codec::encodeFile(image, path, &error))
        throw Error(QStringLiteral("Cannot write \"%1\": %2").arg(path, error));
}

} // namespace orvane

namespace {

const QString kWarningTitle = QStringLiteral("Orvane");

// Filter entries of the picture filter, by extension.
int filterIndexForExtension(const QString &ext)
{
    static const QStringList order = {"bmp", "ico", "jpg", "jpeg", "png", "gif", "tif", "wmf"};
    const qsizetype i = order.indexOf(ext.toLower());
    return i < 0 ? 0 : int(i) + 1;
}

// The upper-case extension of a path, without its dot ("" without one).
QString extensionOf(const QString &path)
{
    const qsizetype dot = path.lastIndexOf(u'.');
    const qsizetype separator = qMax(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    if (dot < 0 || dot < separator)
        return QString();
    return path.mid(dot + 1).toUpper();
}

// The save dialog with the request as prepared; the dialog keeps the filter
// entry the user chose for the next time.
orvane::FileDialogResult runSaveDialog(TOrvane1 &w)
{
    const orvane::FileDialogResult chosen = orvane::services().dialogs->saveFile(w.SaveDialog1);
    if (chosen.accepted && chosen.filterIndex >= 1)
        w.SaveDialog1.filterIndex = chosen.filterIndex;
    return chosen;
}

// A name field of another tab, looked up by its name.
QLineEdit *nameField(QWidget *tab, const char *name)
{
    return tab ? tab->findChild<QLineEdit *>(QString::fromLatin1(name)) : nullptr;
}

// The name field must not be blank; otherwise a warning and the focus to it.
bool requireName(QWidget *tab, const char *fieldName, const QString &warning)
{
    QLineEdit *field = nameField(tab, fieldName);
    if (field && !field->text().trimmed().isEmpty())
        return true;
    orvane::services().dialogs->warning(kWarningTitle, warning);
    if (field)
        field->setFocus();
    return false;
}

} // namespace

void TOrvane1::ChkSaveEdits()
{
    if (NEEDSAVE_FLG && Image1->Bitmap().width() != 0) {
        MESSAGEWIN_MSG = "Do you want to Save Changes to the File - " + PICTFILENAME + " ?";
        ShowMessageWin();
        // A failed write raises before the unsaved mark is cleared, so the
        // edits stay in the editor.
        if (!CANCEL_FLG)
            orvane::WritePictureFile(Image1->Bitmap(), CURRENT_PHOTOPATH);
    }
    NEEDSAVE_FLG = false;
}

void TOrvane1::SaveBtnClick()
{
    switch (activeTab()) {
    case orvane::MainTab::ThumbNails: {
        QListWidgetItem *item = ListBox7->currentItem();
        if (!item || !item->isSelected())
            return;
        const QString source = item->data(Qt::UserRole).toString();
        SaveDialog1.filter = WKFILTER;
        SaveDialog1.title = "Save Photo in ThumbNail to Folder";
        SaveDialog1.filterIndex = 3;
        SaveDialog1.fileName = source;
        const orvane::FileDialogResult chosen = runSaveDialog(*this);
        if (!chosen.accepted || chosen.files.isEmpty())
            return;
        // The whole picture of the thumbnail's file, not the small thumbnail.
        orvane::WritePictureFile(orvane::ReadPictureFile(source), chosen.files.first());
        return;
    }
    case orvane::MainTab::Edit: {
        SaveDialog1.filter = WKFILTER;
        const QString ext = extensionOf(CURRENT_PATH);
        if (const int index = filterIndexForExtension(ext))
            SaveDialog1.filterIndex = index;
        SaveDialog1.defaultExt = ext;
        SaveDialog1.title = "Save Picture or Create New Picture";
        // The file name carries the folder; without one the dialog opens in HLDPATH2.
        SaveDialog1.fileName = CURRENT_PATH.isEmpty() ? HLDPATH2 : CURRENT_PATH;
        const orvane::FileDialogResult chosen = runSaveDialog(*this);
        if (!chosen.accepted || chosen.files.isEmpty())
            return;
        orvane::WritePictureFile(Image1->Bitmap(), chosen.files.first());
        return;
    }
    case orvane::MainTab::SlideShow:
        if (requireName(TabSlideShow, "Edit11", "You must Enter a Slide Show Name and Description before saving."))
            SaveSlideShow();
        return;
    case orvane::MainTab::Organize:
        if (requireName(TabOrganize, "Edit8", "You must Enter a Photo Album Name and Description before saving."))
            OrgSavBtnClick();
        return;
    case orvane::MainTab::MultiMedia:
        AddPlayingMediaToList();
        return;
    case orvane::MainTab::CloudEMail:
        return;
    case orvane::MainTab::Batch:
        // The dialog as last prepared; the Batch tab has nothing to write.
        runSaveDialog(*this);
        return;
    }
}
