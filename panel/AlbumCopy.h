#pragma once

#include <QString>

namespace ld {

// The two album directories of the panel.
enum class Album { A, B };

// The album file for a picture: album directory + separator + the name of the
// picture's directory + "-" + the picture's file name. Two pictures of the
// same file name in directories of the same name share one album file.
QString AlbumTargetName(const QString& albumDir, const QString& picturePath);

// The outcome of a copy: on failure, why, in French.
struct CopyResult {
  bool ok = false;
  QString reason;
  explicit operator bool() const { return ok; }
};

// Copies source to target. The data goes to a temporary file beside target
// first, which then replaces target in one rename, so an existing copy is
// overwritten only by a complete new one and never lost to a failed copy
// (a full disk included). An entry of the album that is a symbolic link is
// replaced by the copy; the file it leads to is never written. The copy keeps
// the source's modification time. A missing target directory is created
// first, with its missing parents.
// Nothing is left behind by a failure.
CopyResult CopyReplacing(const QString& source, const QString& target);

// A copy of the picture on screen into album A or B (albumDir, created on the
// first copy), with the text of the box that reports it: the album file and
// a confirmation, or why the copy failed.
struct AlbumCopyOutcome {
  bool ok = false;
  QString message;
};
AlbumCopyOutcome CopyIntoAlbum(Album album, const QString& albumDir, const QString& picturePath);

}  // namespace ld
