#include "platform/PathBytes.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QStringDecoder>
#include <memory>

#include "platform/TextFile.h"

namespace ld {
namespace {

constexpr char16_t kRawByteBase = 0xDC00;  // raw byte b is U+DC00 + b (b >= 0x80)

bool IsRawByteUnit(char16_t c) { return c >= 0xDC80 && c <= 0xDCFF; }

// The length of the well-formed UTF-8 sequence at s (at most n bytes, n > 0),
// and its code point; 0 when the first byte starts none.
size_t SequenceAt(const unsigned char* s, size_t n, char32_t& cp) {
  const unsigned char c = s[0];
  if (c < 0x80) {
    cp = c;
    return 1;
  }
  size_t len;
  char32_t min;
  if ((c & 0xE0) == 0xC0) {
    len = 2, min = 0x80, cp = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    len = 3, min = 0x800, cp = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    len = 4, min = 0x10000, cp = c & 0x07;
  } else {
    return 0;
  }
  if (len > n) return 0;
  for (size_t k = 1; k < len; ++k) {
    if ((s[k] & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (s[k] & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

bool IsWellFormed(const unsigned char* s, size_t n) {
  char32_t cp;
  for (size_t i = 0; i < n;) {
    const size_t len = SequenceAt(s + i, n - i, cp);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

void AppendUtf8(QByteArray& out, char32_t cp) {
  if (cp < 0x80) {
    out.append(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.append(static_cast<char>(0xC0 | (cp >> 6)));
    out.append(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.append(static_cast<char>(0xE0 | (cp >> 12)));
    out.append(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.append(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.append(static_cast<char>(0xF0 | (cp >> 18)));
    out.append(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.append(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.append(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

QString PathFromBytes(QByteArrayView bytes) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto n = static_cast<size_t>(bytes.size());
  if (IsWellFormed(s, n)) {
    // A leading U+FEFF is part of the name, not a byte-order mark.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return utf8.decode(bytes);
  }
  QString out;
  out.reserve(static_cast<qsizetype>(n));
  char32_t cp;
  for (size_t i = 0; i < n;) {
    const size_t len = SequenceAt(s + i, n - i, cp);
    if (len == 0) {
      out.append(QChar(static_cast<char16_t>(kRawByteBase + s[i])));
      ++i;
      continue;
    }
    out.append(QString::fromUcs4(&cp, 1));
    i += len;
  }
  return out;
}

QByteArray PathToBytes(QStringView path) {
  if (!HasRawBytes(path)) return path.toUtf8();
  QByteArray out;
  out.reserve(path.size() * 3);
  const qsizetype n = path.size();
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t c = path[i].unicode();
    if (IsRawByteUnit(c)) {
      out.append(static_cast<char>(c - kRawByteBase));
    } else if (QChar::isHighSurrogate(c) && i + 1 < n &&
               QChar::isLowSurrogate(path[i + 1].unicode())) {
      AppendUtf8(out, QChar::surrogateToUcs4(c, path[i + 1].unicode()));
      ++i;
    } else if (QChar::isSurrogate(c)) {
      AppendUtf8(out, 0xFFFD);  // as QString::toUtf8 does
    } else {
      AppendUtf8(out, c);
    }
  }
  return out;
}

bool HasRawBytes(QStringView path) {
  const qsizetype n = path.size();
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t c = path[i].unicode();
    if (!IsRawByteUnit(c)) continue;
    // The low half of a surrogate pair is a character, not a raw byte.
    if (i > 0 && QChar::isHighSurrogate(path[i - 1].unicode())) continue;
    return true;
  }
  return false;
}

QString PathForDisplay(const QString& path) {
  if (!HasRawBytes(path)) return path;
  QString out;
  out.reserve(path.size());
  for (qsizetype i = 0; i < path.size(); ++i) {
    const char16_t c = path[i].unicode();
    if (IsRawByteUnit(c) && !(i > 0 && QChar::isHighSurrogate(path[i - 1].unicode())))
      out.append(DecodeWindows1252(QByteArray(1, static_cast<char>(c - kRawByteBase))));
    else
      out.append(path[i]);
  }
  return out;
}

std::optional<QStringList> ListDirectoryNames(const QString& directory, bool directoriesOnly,
                                              bool withHidden) {
  const QByteArray path = PathToBytes(directory);
  const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::unique_ptr<DIR, int (*)(DIR*)> listing(::fdopendir(fd), &::closedir);
  if (!listing) {
    ::close(fd);
    return std::nullopt;
  }
  QStringList names;
  while (const dirent* e = ::readdir(listing.get())) {
    const QByteArrayView name(e->d_name);
    if (name == "." || name == "..") continue;
    if (!withHidden && name.startsWith('.')) continue;
    if (directoriesOnly) {
      bool isDir = e->d_type == DT_DIR;
      if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
        struct stat st;
        isDir = ::fstatat(::dirfd(listing.get()), e->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
      }
      if (!isDir) continue;
    }
    names.append(PathFromBytes(name));
  }
  return names;
}

}  // namespace ld
