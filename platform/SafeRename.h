#pragma once

#include <QString>

namespace ld {

enum class RenameOutcome { Renamed, TargetExists, Failed };

// Renames from to to, never replacing anything that is already called to: on
// Linux a plain rename of a directory onto an existing empty directory would
// replace it, and onto a file name would replace the file. Uses the kernel's
// no-replace rename; where the file system does not offer it, checks for the
// target first.
RenameOutcome RenameWithoutReplacing(const QString& from, const QString& to);

}  // namespace ld
