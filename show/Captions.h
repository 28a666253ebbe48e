#pragma once

#include <QString>

namespace ld {

// The caption over the picture, by the item of RadioGroup_titre_ecran:
// 0 nothing, 1 the directory, 2 the directory and the file name. Every "."
// becomes a space.

// Forward step: "(i/n)  " + last directory name [+ " \ " + file name];
// item 0 (or no item) gives an empty caption.
QString ForwardCaption(int item, int index, int count, const QString& path);

// Browsing step: item 0 " ", item 1 " [pos / n]  " + the directory path,
// item 2 " [pos]  " + the whole path.
QString BrowsingCaption(int item, int position, int count, const QString& path);

// The history replay's caption: the path with every "." turned into ",".
QString ReplayCaption(const QString& path);

}  // namespace ld
