#pragma once

#include <QList>
#include <QStringList>
#include <functional>
#include <optional>

#include "catalogue/CatalogueFiles.h"

// The directory list file and its flags file: one picture directory per line,
// and line i of the flags "true" when directory i is ticked, "false" when not.

namespace ld {

// The directories of the list file with their ticks; nullopt when the list
// file does not exist. A flags line ticks its directory only when it is
// exactly "true"; a directory without a flags line stays unticked; without a
// flags file every directory is ticked.
std::optional<QList<RootDirectory>> ReadDirectoryList();

// Each directory of the list that does not exist now gives one message,
// "<i>  <path>  n'existe pas...", i its position in the list. The directory
// stays in the list (an unplugged disk or a share not mounted yet comes
// back); the rebuild passes over it.
void ReportVanishedDirectories(const QList<RootDirectory>& roots,
                               const std::function<void(const QString&)>& report);

// The flags lines of the directories, in order.
QStringList DirectoryFlagLines(const QList<RootDirectory>& roots);

// Replaces both files with the directories and their ticks.
void WriteDirectoryList(const QList<RootDirectory>& roots);

}  // namespace ld
