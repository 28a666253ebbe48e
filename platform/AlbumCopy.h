#pragma once

#include <QString>

namespace ld {

// The two album directories of the panel.
enum class Album { A, B };

// The album file for a picture: album directory + separator + the name of the
// picture's directory + "-" + the picture's file name. Two pictures of the
// same file name in directories of the same name share one album file.
QString AlbumTargetName(const QString& albumDir, const QString& picturePath);

// Copies source to target. The data goes to a temporary file beside target
// first, which then replaces target in one rename, so an existing copy is
// overwritten only by a complete new one and never lost to a failed copy.
// The copy keeps the source's modification time. The target's directory is
// not created. Returns false on any failure; nothing is left behind then.
bool CopyReplacing(const QString& source, const QString& target);

}  // namespace ld
