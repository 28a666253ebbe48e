#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

namespace ld {

// A file name on Linux is a string of bytes, usually UTF-8 but not always
// (names copied from old Windows or FAT disks are often Latin-1). In the
// program a path is a QString; these two functions are the only way between
// the two, so that every name found on disk can be opened again.
//
// Bytes that form valid UTF-8 are decoded as usual. Every other byte (always
// 0x80 or above) becomes one unpaired low surrogate, U+DC80 to U+DCFF, which
// decoding valid UTF-8 never produces: encoding the text again gives exactly
// the bytes read, and a valid UTF-8 name is the same text as ever.
QString PathFromBytes(QByteArrayView bytes);
QByteArray PathToBytes(QStringView path);

// Whether the text holds bytes that were not valid UTF-8.
bool HasRawBytes(QStringView path);

// The text for people to read: each raw byte shown as its Windows-1252
// character (what such names usually were written in).
QString PathForDisplay(const QString& path);

// The names in a directory, listed by their bytes: sub-directories only when
// directoriesOnly (links to directories included), "." and ".." left out.
// Nothing when the directory cannot be listed. Names starting with "." are
// left out unless withHidden.
std::optional<QStringList> ListDirectoryNames(const QString& directory, bool directoriesOnly,
                                              bool withHidden);

}  // namespace ld
