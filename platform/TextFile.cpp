#include "platform/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include "platform/AtomicFile.h"
#include "platform/DataDir.h"
#include "platform/Error.h"
#include "platform/PathBytes.h"
#include "platform/Paths.h"
#include "platform/PictureFile.h"

namespace ld {
namespace {

// Code points of the bytes 0x80 to 0x9F in Windows-1252; the five undefined
// bytes keep their Latin-1 value, as Windows' own conversion does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The largest data file read: far beyond any the program writes, and small
// enough that a wrong file in its place costs no more than this in memory.
constexpr qint64 kMaxDataFileBytes = qint64(256) << 20;

void EnsureParentFor(const QString& path) {
  // The data directory is created whenever a file is about to be written
  // into it, so a first start on a new machine never fails for lack of it.
  if (DirectoryPart(path) == DataDir()) EnsureDataDir();
}

}  // namespace

QString DecodeWindows1252(const QByteArray& bytes) {
  QString out;
  out.resize(bytes.size());
  QChar* d = out.data();
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    d[i] = (b >= 0x80 && b <= 0x9F) ? QChar(kCp1252High[b - 0x80]) : QChar(b);
  }
  return out;
}

QString DecodeText(const QByteArray& bytes) {
  // The decoder keeps the byte-order mark, so that exactly one is dropped
  // here: a second U+FEFF is part of the text.
  QStringDecoder utf8(QStringDecoder::Utf8,
                      QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  QString text = utf8.decode(bytes);
  if (utf8.hasError()) return DecodeWindows1252(bytes);
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  return text;
}

QStringList SplitLines(const QString& text, bool stopAtSub) {
  QStringList lines;
  const qsizetype n = text.size();
  const QChar* c = text.constData();
  qsizetype start = 0;
  qsizetype i = 0;
  for (; i < n; ++i) {
    const char16_t u = c[i].unicode();
    if (stopAtSub && u == 0x1A) break;
    if (u == u'\r' || u == u'\n') {
      lines.append(QString(c + start, i - start));
      if (u == u'\r' && i + 1 < n && c[i + 1].unicode() == u'\n') ++i;
      start = i + 1;
    }
  }
  if (i > start) lines.append(QString(c + start, i - start));
  return lines;
}

std::optional<QByteArray> ReadDataFile(const QString& path) {
  // Opened without waiting (a FIFO or a device in the file's place must not
  // hold the start), and read only when it is a regular file of a sensible
  // size.
  const PictureFile f(path, kMaxDataFileBytes);
  if (!f.IsOpen()) return std::nullopt;
  return f.ReadAll();
}

std::optional<QStringList> ReadTextLines(const QString& path, bool stopAtSub) {
  const std::optional<QByteArray> bytes = ReadDataFile(path);
  if (!bytes) return std::nullopt;
  return SplitLines(DecodeText(*bytes), stopAtSub);
}

QStringList SplitPathLines(const QByteArray& bytes) {
  QByteArrayView rest(bytes);
  if (rest.startsWith("\xEF\xBB\xBF")) rest = rest.sliced(3);
  QStringList lines;
  const char* c = rest.data();
  const qsizetype n = rest.size();
  qsizetype start = 0;
  qsizetype i = 0;
  for (; i < n; ++i) {
    if (c[i] == '\r' || c[i] == '\n') {
      lines.append(PathFromBytes(QByteArrayView(c + start, i - start)));
      if (c[i] == '\r' && i + 1 < n && c[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (i > start) lines.append(PathFromBytes(QByteArrayView(c + start, i - start)));
  return lines;
}

std::optional<QStringList> ReadPathLines(const QString& path) {
  const std::optional<QByteArray> bytes = ReadDataFile(path);
  if (!bytes) return std::nullopt;
  return SplitPathLines(*bytes);
}

void WriteFileAtomically(const QString& path, const QByteArray& bytes) {
  EnsureParentFor(path);
  AtomicFile f(path);
  f.Open();
  f.Write(bytes);
  f.Commit();
}

void WriteTextLines(const QString& path, const QStringList& lines) {
  QByteArray bytes;
  for (const QString& l : lines) {
    // One item per line: an item that holds a line break would come back as
    // two, and a path would then name nothing (or something else).
    if (HasLineBreak(l)) throw Error(LineBreakRefusedMessage(l, path));
    bytes += PathToBytes(l);
    bytes += "\r\n";
  }
  WriteFileAtomically(path, bytes);
}

void CreateEmptyFile(const QString& path) { WriteFileAtomically(path, QByteArray()); }

void DeleteFileSilently(const QString& path) {
  if (!path.isEmpty()) QFile::remove(path);
}

qint64 FileSizeOf(const QString& path) {
  const PictureFile f(path, 0);
  return f.IsOpen() ? f.Size() : -1;
}

}  // namespace ld
