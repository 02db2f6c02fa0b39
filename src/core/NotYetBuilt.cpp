// Operations of areas that are not built yet. Start-up, show and close call
// them in their order; each does nothing until its area moves it into its
// own source file.
#include "core/TOrvane1.h"

void TOrvane1::FillPasswordTables() {}
void TOrvane1::OpenOrganizerStore(const QString &) {}
void TOrvane1::OpenSlideShowTable(const QString &, const QString &) {}
void TOrvane1::OpenEMailAccounts(const QString &) {}
void TOrvane1::FillAlbumChoices() {}
void TOrvane1::RebuildOrganizerTrees() {}
void TOrvane1::FillAlbumPictureList() {}
void TOrvane1::LoadSlideShowTree() {}
void TOrvane1::FillSlideShowChoices() {}
void TOrvane1::FindList() {}
void TOrvane1::SetupTetherProfile() {}
void TOrvane1::StopMediaPlayer() {}
// Where the Open button hands its files on the Slide Show, Organize and MultiMedia tabs.
void TOrvane1::AddFilesToSlideShow(const QStringList &) {}
void TOrvane1::AddMediaToAlbum(const QStringList &) {}
void TOrvane1::PlayMediaFiles(const QStringList &) {}
void TOrvane1::SaveSlideShow() {}
void TOrvane1::OrgSavBtnClick() {}
void TOrvane1::AddPlayingMediaToList() {}
