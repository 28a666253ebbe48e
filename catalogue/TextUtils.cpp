#include "catalogue/TextUtils.h"

#include <functional>
#include <queue>
#include <vector>

#include "platform/Error.h"
#include "platform/Services.h"

namespace ld {
namespace {

const QString kAccented =
    QStringLiteral("ÀÁÂÃÄÅàáâãäåÈÉÊËèéêëÌÍÎÏìíîïÒÓÔÕÖØòóôõöøÙÚÛÜùúûüÝŸýÿÇçÑñ");
const QString kBase = QStringLiteral("AAAAAAaaaaaaEEEEeeeeIIIIiiiiOOOOOOooooooUUUUuuuuYYyyCcNn");

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

namespace {

bool IsRepairLead(char16_t c) { return c == 0xC2 || c == 0xC3 || c == 0xE2; }

// RepairUtf8Text's passes played on a linked list of the characters, so that
// each pass costs what it changes instead of a search of the whole text per
// sequence: every place where a sequence of the table starts is kept in a
// sorted set per sequence (the first of which is the occurrence that a
// search from the start would find), and after each replacement only the
// places that can start a sequence running through it (the replaced
// character and the three before it, the longest sequence being four
// characters long) are looked at again. The sets are heaps whose entries go
// stale when their place stops starting the sequence; a stale entry is
// dropped when it comes to the top.
class RepairPasses {
 public:
  RepairPasses(QString& text, const Repair* table, int count) : text_(text) {
    for (int i = 0; i < count; ++i) {
      int g = 0;
      while (g < static_cast<int>(patterns_.size()) && patterns_[g] != table[i].from) ++g;
      if (g == static_cast<int>(patterns_.size())) {
        patterns_.push_back(table[i].from);
        replacements_.push_back(table[i].to.at(0));
      }
      steps_.push_back(g);
    }
    starts_.resize(patterns_.size());
    const qsizetype n = text.size();
    chars_.resize(static_cast<size_t>(n));
    next_.resize(static_cast<size_t>(n));
    prev_.resize(static_cast<size_t>(n));
    group_.assign(static_cast<size_t>(n), -1);
    for (qsizetype i = 0; i < n; ++i) {
      chars_[i] = text[i].unicode();
      next_[i] = i + 1 < n ? i + 1 : -1;
      prev_[i] = i - 1;
      if (IsRepairLead(chars_[i])) ++leads_;
    }
    length_ = n;
    for (qsizetype i = 0; i < n; ++i) Recheck(i);
  }

  void Run() {
    qsizetype pass = 0;
    bool changed = false;
    // A pass begins only while a lead character is left and the pass count
    // is below the length; with no sequence left, no pass changes anything.
    while (leads_ > 0 && pass < length_ && pending_ > 0) {
      ++pass;
      for (int g : steps_) {
        auto& heap = starts_[g];
        while (!heap.empty() && group_[heap.top()] != g) heap.pop();
        if (heap.empty()) continue;
        Replace(heap.top(), g);
        changed = true;
      }
    }
    if (!changed) return;
    QString out;
    out.reserve(length_);
    for (qsizetype i = 0; i >= 0; i = next_[i]) out.append(QChar(chars_[i]));
    text_ = std::move(out);
  }

 private:
  // The sequence that starts at node i, or -1.
  int MatchAt(qsizetype i) const {
    if (!IsRepairLead(chars_[i]) || next_[i] < 0) return -1;
    const char16_t second = chars_[next_[i]];
    for (int g = 0; g < static_cast<int>(patterns_.size()); ++g) {
      const QString& p = patterns_[g];
      if (p[1].unicode() != second) continue;
      qsizetype k = i;
      qsizetype j = 0;
      while (j < p.size() && k >= 0 && chars_[k] == p[j].unicode()) {
        k = next_[k];
        ++j;
      }
      if (j == p.size()) return g;
    }
    return -1;
  }

  void SetGroup(qsizetype i, int g) {
    if (group_[i] == g) return;
    if (group_[i] >= 0) --pending_;
    group_[i] = g;
    if (g >= 0) {
      starts_[g].push(i);
      ++pending_;
    }
  }

  void Recheck(qsizetype i) { SetGroup(i, MatchAt(i)); }

  void Replace(qsizetype start, int g) {
    const qsizetype length = patterns_[g].size();
    qsizetype last = start;
    for (qsizetype j = 0; j < length; ++j) {
      if (j > 0) last = next_[last];
      SetGroup(last, -1);
      if (IsRepairLead(chars_[last])) --leads_;
    }
    chars_[start] = replacements_[g].unicode();
    if (IsRepairLead(chars_[start])) ++leads_;
    const qsizetype after = next_[last];
    next_[start] = after;
    if (after >= 0) prev_[after] = start;
    length_ -= length - 1;
    qsizetype i = start;
    for (int back = 0; back < 4 && i >= 0; ++back, i = prev_[i]) Recheck(i);
  }

  QString& text_;
  std::vector<QString> patterns_;  // the distinct sequences
  std::vector<QChar> replacements_;
  std::vector<int> steps_;  // the table's order, as sequence numbers
  using Heap = std::priority_queue<qsizetype, std::vector<qsizetype>, std::greater<qsizetype>>;
  std::vector<Heap> starts_;  // where each sequence starts, first on top
  std::vector<char16_t> chars_;
  std::vector<qsizetype> next_, prev_;
  std::vector<int> group_;  // the sequence that starts at each node, or -1
  qsizetype length_ = 0;
  qsizetype leads_ = 0;
  qsizetype pending_ = 0;  // sequences present in the text
};

}  // namespace

void RepairUtf8Text(QString& text) {
  const bool hasLead =
      text.contains(QChar(0xC2)) || text.contains(QChar(0xC3)) || text.contains(QChar(0xE2));
  if (!hasLead) return;
  int count = 0;
  const Repair* table = RepairTable(count);
  RepairPasses passes(text, table, count);
  passes.Run();
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
