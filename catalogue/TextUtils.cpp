#include "catalogue/TextUtils.h"

#include "platform/Error.h"
#include "platform/Services.h"

namespace ld {
namespace {

const QString kAccented = QStringLiteral(
    "ÀÁÂÃÄÅàáâãäåÈÉÊËèéêëÌÍÎÏìíîïÒÓÔÕÖØòóôõöøÙÚÛÜùúûüÝŸýÿÇçÑñ");
const QString kBase = QStringLiteral(
    "AAAAAAaaaaaaEEEEeeeeIIIIiiiiOOOOOOooooooUUUUuuuuYYyyCcNn");

bool IsDigit(QChar c) { return c.unicode() >= u'0' && c.unicode() <= u'9'; }

struct Repair {
  QString from;
  QString to;
};

// The sequences are the Windows-1252 readings of the UTF-8 bytes they stand
// for ("Ã©" is C3 A9); the order matters and is fixed.
const Repair* RepairTable(int& count) {
  static const Repair table[] = {
      {QStringLiteral("Ã©"), QStringLiteral("é")},
      {QStringLiteral("Ã\u0192Â©"), QStringLiteral("é")},
      {QStringLiteral("Â°"), QStringLiteral("°")},
      {QStringLiteral("Ã´"), QStringLiteral("ô")},
      {QStringLiteral("Ã¨"), QStringLiteral("è")},
      {QStringLiteral("Ã§"), QStringLiteral("ç")},
      {QStringLiteral("Ã\u00A0"), QStringLiteral("à")},
      {QStringLiteral("Ã¢"), QStringLiteral("â")},
      {QStringLiteral("Ãª"), QStringLiteral("ê")},
      {QStringLiteral("Ã®"), QStringLiteral("î")},
      {QStringLiteral("Ã´"), QStringLiteral("ô")},
      {QStringLiteral("Ã»"), QStringLiteral("û")},
      {QStringLiteral("Ã¸"), QStringLiteral("°")},
      {QStringLiteral("â\u20AC\u0161"), QStringLiteral("é")},
      {QStringLiteral("Ã¹"), QStringLiteral("ù")},
      {QStringLiteral("Ã¯"), QStringLiteral("ï")},
      {QStringLiteral("Ã¼"), QStringLiteral("ü")},
      {QStringLiteral("Ã¤"), QStringLiteral("ä")},
      {QStringLiteral("Ã¶"), QStringLiteral("ö")},
      {QStringLiteral("Ã\u2030"), QStringLiteral("É")},
  };
  count = static_cast<int>(std::size(table));
  return table;
}

}  // namespace

QString FoldAccents(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (QChar c : text) {
    if (c.unicode() >= u'a' && c.unicode() <= u'z') c = QChar(c.unicode() - 32);
    if (c == u' ' || c == u'-') continue;
    const qsizetype k = kAccented.indexOf(c);
    if (k >= 0) c = kBase[k];
    out.append(c);
  }
  return out;
}

QString DigitMask(QChar digit, const QString& text, QChar other) {
  QString out;
  out.reserve(text.size() + 1);
  for (QChar c : text) out.append(IsDigit(c) ? digit : other);
  out.append(other);
  return out;
}

QString StripLetters(const QString& text) {
  QString out;
  for (QChar c : text)
    if (c.unicode() < 0x41 || c.unicode() > 0x7A) out.append(c);
  return out;
}

void SplitDigits(const QString& text, QString& prefix, int& number, IDialogs& dialogs) {
  prefix.clear();
  QString digits;
  for (QChar c : text) {
    if (c == u'.') break;
    if (IsDigit(c))
      digits.append(c);
    else
      prefix.append(c);
  }
  number = TextToInt(digits, 0, dialogs);
}

void ReplaceFirst(const QString& pattern, const QString& replacement, QString& text) {
  if (pattern.isEmpty()) return;
  const qsizetype i = text.indexOf(pattern);
  if (i >= 0) text = text.left(i) + replacement + text.mid(i + pattern.size());
}

void RepairUtf8Text(QString& text) {
  int count = 0;
  const Repair* table = RepairTable(count);
  qsizetype pass = 0;
  for (;;) {
    const bool hasLead = text.contains(QChar(0xC2)) || text.contains(QChar(0xC3)) ||
                         text.contains(QChar(0xE2));
    if (!hasLead || pass >= text.size()) return;
    ++pass;
    const QString before = text;
    for (int i = 0; i < count; ++i) ReplaceFirst(table[i].from, table[i].to, text);
    // A pass that changed nothing changes nothing the next time either, so
    // the remaining passes (a text such as "château" keeps its "â") are
    // skipped; the result is the same.
    if (text == before) return;
  }
}

int CountChar(QChar c, const QString& text) { return static_cast<int>(text.count(c)); }

QString TwoDigitText(const QString& text) {
  const QString t = TrimSpaces(text);
  return t.size() == 1 ? QStringLiteral("0") + t : t;
}

void ClampInt(int& value, int low, int high) {
  if (value < low) value = low;
  if (value > high) value = high;
}

std::optional<int> ParseInt32(const QString& text) {
  if (text.isEmpty()) return std::nullopt;
  qsizetype i = 0;
  bool negative = false;
  if (text[0] == u'+' || text[0] == u'-') {
    negative = text[0] == u'-';
    i = 1;
  }
  if (i >= text.size()) return std::nullopt;
  long long v = 0;
  for (; i < text.size(); ++i) {
    if (!IsDigit(text[i])) return std::nullopt;
    v = v * 10 + (text[i].unicode() - u'0');
    if (v > 2147483648LL) return std::nullopt;
  }
  if (negative) v = -v;
  if (v > 2147483647LL || v < -2147483648LL) return std::nullopt;
  return static_cast<int>(v);
}

int ToIntOrThrow(const QString& text) {
  const auto v = ParseInt32(text);
  if (!v) throw Error(NotAnIntegerMessage(text));
  return *v;
}

int TextToInt(const QString& text, int defaultValue, IDialogs& dialogs) {
  const QString t = TrimSpaces(text);
  if (t.isEmpty()) return defaultValue;
  if (const auto v = ParseInt32(t)) return *v;
  dialogs.Notice(QStringLiteral("Erreur de conversion\n\r") + NotAnIntegerMessage(t));
  return 0;
}

QString TrimRightSpaces(const QString& text) {
  qsizetype n = text.size();
  while (n > 0 && text[n - 1] == u' ') --n;
  return text.left(n);
}

QString TrimLeftSpaces(const QString& text) {
  qsizetype i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  return text.mid(i);
}

QString TrimSpaces(const QString& text) { return TrimRightSpaces(TrimLeftSpaces(text)); }

QString NthField(const QString& text, int n, QChar sep) {
  QString t;
  t.reserve(text.size() + 2);
  for (QChar c : text)
    if (!(c == sep && !t.isEmpty() && t.back() == sep)) t.append(c);
  if (t.isEmpty()) return QStringLiteral("_extraitUTIL<>");
  if (t.front() != sep) t.prepend(sep);
  if (t.back() != sep) t.append(sep);
  // Fields lie between consecutive separators; field n starts after the
  // n-th one and ends at the next.
  if (n <= 0) return QString();
  qsizetype start = -1;
  for (int k = 0; k < n; ++k) {
    start = t.indexOf(sep, start + 1);
    if (start < 0) return QString();
  }
  const qsizetype end = t.indexOf(sep, start + 1);
  if (end < 0) return QString();
  return TrimLeftSpaces(TrimRightSpaces(t.mid(start + 1, end - start - 1)));
}

void ReplaceChar(QChar from, QChar to, QString& text) { text.replace(from, to); }

}  // namespace ld
