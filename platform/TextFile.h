#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace ld {

// Decodes a text file's bytes: UTF-8 (a leading byte-order mark is dropped),
// or Windows-1252 when the bytes are not valid UTF-8, so files made by the
// Windows program can be carried over.
QString DecodeText(const QByteArray& bytes);

// Windows-1252 reading of single bytes (used where a text is known to be
// Windows-1252).
QString DecodeWindows1252(const QByteArray& bytes);

// Splits a text into lines: a carriage return, a line feed or the pair each
// end a line; a last line without end still counts; an empty text has no line.
// With stopAtSub, a character 0x1A ends the text.
QStringList SplitLines(const QString& text, bool stopAtSub = false);

// The bytes of a data file, or nothing when there is no regular file of at
// most 256 MiB by that name or it cannot be opened. Never waits: a FIFO or a
// device standing in the file's place gives nothing.
std::optional<QByteArray> ReadDataFile(const QString& path);

// The lines of a text file (read as ReadDataFile does), or nothing when the
// file does not exist or cannot be opened.
std::optional<QStringList> ReadTextLines(const QString& path, bool stopAtSub = false);

// The lines of a file that lists paths (the history, the current-directory
// list, the directory list), split as SplitLines does. A path is bytes on
// disk, so each line is read with PathFromBytes: valid UTF-8 reads as ever,
// and any byte that is not (a Latin-1 name) is kept as itself, so that the
// line names the same file again. A file that is all valid UTF-8 reads
// exactly as ReadTextLines reads it; a leading byte-order mark is dropped.
std::optional<QStringList> ReadPathLines(const QString& path);
QStringList SplitPathLines(const QByteArray& bytes);

// Writes the lines in UTF-8, each ended by CR LF (a path's raw bytes, see
// PathToBytes, are written as themselves, so ReadPathLines gives them back), replacing the file
// atomically (see AtomicFile), so a crash or a full disk never leaves a
// half-written file. Creates the data directory first when the file belongs
// to it. Throws ld::Error("Impossible de créer le fichier <path>") when the
// file cannot be written; the old file is then intact. A line holding a line
// break is refused (ld::Error, nothing written): it would come back as two.
void WriteTextLines(const QString& path, const QStringList& lines);

// Writes raw bytes with the same atomic replacement and the same error.
void WriteFileAtomically(const QString& path, const QByteArray& bytes);

// Creates an empty file (replacing any file of that name). Throws like
// WriteTextLines.
void CreateEmptyFile(const QString& path);

// Deletes a file; a file that does not exist is not an error, and nothing is
// ever reported.
void DeleteFileSilently(const QString& path);

// The size in bytes; -1 when the file does not exist, cannot be opened or is
// no regular file.
qint64 FileSizeOf(const QString& path);

}  // namespace ld
