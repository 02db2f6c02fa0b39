#pragma once
// The style sheets and tool images the program ships, and applying a style.
#include <QString>

namespace orvane {

// Writes every shipped style sheet into stylePath and every tool image into
// bmpPath when a file of that name is missing there (users may edit their copies).
void WriteMissingResources(const QString &stylePath, const QString &bmpPath);

// Loads a style file as the application's style sheet. Returns false, leaving
// the style in force, when the file is missing or unreadable.
bool ApplyStyleFile(const QString &path);

} // namespace orvane
