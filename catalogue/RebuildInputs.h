#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "catalogue/CatalogueFiles.h"
#include "catalogue/ScanRules.h"

// What a rebuild without the window reads from the data directory: the filter
// from the settings file and the ticked directories from the directory list
// and flags files, taken the way the window takes them at start-up.

namespace ld {

// The filter of the settings lines (the contents of the settings file). The
// two item indexes are clamped as their radio groups clamp them (below -1
// gives -1, past the last item gives the last); a value that is not a whole
// number throws ld::Error with the conversion message.
ScanFilter ScanFilterFromSettings(const QStringList& settings);

// The directory list with its ticks: a flags line ticks its directory only
// when it is exactly "true"; without a flags file every directory is ticked.
// A directory that no longer exists is dropped, and vanished receives the
// window's message for it ("<i>  <path>  n'existe pas...", i its position
// after the removals before it).
QList<RootDirectory> ReadRootDirectories(const std::function<void(const QString&)>& vanished);

}  // namespace ld
