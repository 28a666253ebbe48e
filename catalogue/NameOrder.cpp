#include "catalogue/NameOrder.h"

#include <QLocale>
#include <algorithm>
#include <cstring>
#include <numeric>

#include "platform/PathBytes.h"

namespace ld {
namespace {

// Bytes of a table key: primaries from kFirstRank up, then kEndOfPrimaries,
// then one kCommon per character (followed by its accent's rank, from
// kFirstAccent up, for an accented letter).
constexpr std::uint8_t kEndOfPrimaries = 0x01;
constexpr std::uint8_t kCommon = 0x05;
constexpr std::uint8_t kFirstAccent = 0x06;
constexpr std::uint8_t kFirstRank = 0x10;
constexpr std::uint8_t kDigitLength = 0x10;  // a digit run: its rank, 0x10 + length, digits

bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

int CompareBytes(std::string_view a, std::string_view b) {
  const int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
  if (c != 0) return c;
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

std::string_view View(const QByteArray& b) {
  return std::string_view(b.constData(), static_cast<size_t>(b.size()));
}

// Names on which the table and the collator must agree before the table is
// trusted: case, accents, digit runs with and without leading zeros, blanks
// and punctuation.
const char* const kSampleNames[] = {
    "IMG_2.jpg",
    "IMG_10.jpg",
    "img_02.JPG",
    "IMG_0010.jpg",
    "\xc3\x89t\xc3\xa9 2019",
    "ete 2018",
    "\xc3\xa9t\xc3\xa9",
    "Ete",
    "Zo\xc3\xa9",
    "zoe",
    "a b",
    "a_b",
    "a-b",
    "a.b",
    "a(b)",
    "a,b",
    "No\xc3\xabl",
    "noel",
    "\xc3\x89"
    "COLE",
    "\xc3\xa9"
    "cole",
    "Ecole",
    "100",
    "20",
    "002",
    "0",
    "a0",
    "a00",
    "a01",
    "a1",
    "x y z",
    "X-Y",
    "\xc3\xa7\xc3\xa0",
    "ca",
    "\xc3\x87"
    "a",
    "c\xc3\xa0",
    "p\xc3\xa2te",
    "pat\xc3\xa9",
    "p\xc3\xa2t\xc3\xa9",
    "pate",
    "~x",
    "!x",
    "#1",
    "$2",
    "&3",
    "@4",
    "[5]",
    "{6}",
    "+7",
    "=8",
    "'9",
    "\"10\"",
    "2019-05-01",
    "2019-5-1",
    "2019_05",
    "v1.2.10",
    "v1.10.2",
    "A\xc3\xaf",
    "ai",
    "\xc3\xb1"
    "a",
    "na",
};

}  // namespace

const NameOrder& NameOrder::Instance() {
  static const NameOrder order;
  return order;
}

NameOrder::NameOrder() : collator_(QLocale(QLocale::French, QLocale::France)) {
  collator_.setNumericMode(true);
  collator_.setCaseSensitivity(Qt::CaseInsensitive);
  collator_.setIgnorePunctuation(false);
  BuildTable();
  // The table must give exactly the collator's order.
  std::vector<QByteArray> bytes;
  for (const char* n : kSampleNames) bytes.emplace_back(n);
  std::vector<std::string_view> names;
  for (const QByteArray& b : bytes) names.push_back(View(b));
  // The table must cover every sample name and give the collator's order.
  std::string key;
  bool covered = true;
  for (std::string_view n : names) covered = TableKey(n, key) && covered;
  std::vector<std::uint32_t> byTable, byCollator;
  tableInUse_ = true;
  Sort(names, byTable);
  SortByCollator(names, byCollator);
  tableInUse_ = covered && byTable == byCollator;
}

void NameOrder::BuildTable() {
  // x's primary weight below y's: with a letter after each, only the first
  // characters can decide "xb" against "ya" at the primary level.
  auto primaryLess = [this](QChar x, QChar y) {
    return collator_.compare(QString(x) + u'b', QString(y) + u'a') < 0;
  };
  std::vector<QChar> ascii;
  for (char16_t c = 0x20; c <= 0x7E; ++c)
    if (!(c >= u'A' && c <= u'Z') && !(c >= u'1' && c <= u'9')) ascii.emplace_back(c);
  std::stable_sort(ascii.begin(), ascii.end(), primaryLess);
  int rank = kFirstRank;
  for (size_t i = 0; i < ascii.size(); ++i) {
    if (i > 0 && primaryLess(ascii[i - 1], ascii[i])) ++rank;
    if (rank > 0xFF) return;  // cannot happen with 95 characters; keep the collator then
    primary_[ascii[i].unicode()] = static_cast<std::uint8_t>(rank);
  }
  for (char16_t c = u'A'; c <= u'Z'; ++c) primary_[c] = primary_[c + 32];
  digitRank_ = primary_[u'0'];
  for (char16_t c = u'1'; c <= u'9'; ++c) primary_[c] = digitRank_;

  // Latin letters that are an ASCII letter with one accent: the letter's
  // primary, and the accent's rank among the accents.
  std::vector<std::pair<char16_t, QChar>> accented;  // letter, accent
  std::vector<QChar> accents;
  for (char16_t c = 0xC0; c < kTableSize; ++c) {
    const QChar ch(c);
    if (ch.decompositionTag() != QChar::Canonical) continue;
    const QString d = ch.decomposition();
    if (d.size() != 2 || d[0].unicode() > 0x7E || !d[0].isLetter()) continue;
    if (d[1].unicode() < 0x300 || d[1].unicode() > 0x36F) continue;
    if (primaryLess(ch, d[0]) || primaryLess(d[0], ch)) continue;
    accented.emplace_back(c, d[1]);
    if (std::find(accents.begin(), accents.end(), d[1]) == accents.end()) accents.push_back(d[1]);
  }
  auto accentLess = [this](QChar x, QChar y) {
    return collator_.compare(QStringLiteral("a") + x, QStringLiteral("a") + y) < 0;
  };
  std::stable_sort(accents.begin(), accents.end(), accentLess);
  std::uint8_t accentRank[0x70] = {};
  int a = kFirstAccent;
  for (size_t i = 0; i < accents.size(); ++i) {
    if (i > 0 && accentLess(accents[i - 1], accents[i])) ++a;
    if (a > 0xFF) return;  // secondaries are compared only with secondaries
    accentRank[accents[i].unicode() - 0x300] = static_cast<std::uint8_t>(a);
  }
  for (const auto& [c, accent] : accented) {
    const QString base = QChar(c).decomposition().left(1);
    primary_[c] = primary_[base[0].unicode()];
    secondary_[c] = accentRank[accent.unicode() - 0x300];
  }
}

bool NameOrder::TableKey(std::string_view n, std::string& key) const {
  std::string secondaries;
  size_t i = 0;
  while (i < n.size()) {
    const auto b = static_cast<unsigned char>(n[i]);
    if (IsAsciiDigit(n[i])) {
      // A run of digits is one number: leading zeros do not count, then the
      // length decides, then the digits.
      size_t end = i;
      while (end < n.size() && IsAsciiDigit(n[end])) ++end;
      size_t first = i;
      while (first < end && n[first] == '0') ++first;
      if (end - first > 0xFF - kDigitLength) return false;
      key.push_back(static_cast<char>(digitRank_));
      key.push_back(static_cast<char>(kDigitLength + (end - first)));
      key.append(n.substr(first, end - first));
      secondaries.push_back(static_cast<char>(kCommon));
      i = end;
      continue;
    }
    unsigned cp;
    if (b < 0x80) {
      cp = b;
      ++i;
    } else if ((b & 0xE0) == 0xC0 && i + 1 < n.size()) {
      cp = ((b & 0x1Fu) << 6) | (static_cast<unsigned char>(n[i + 1]) & 0x3Fu);
      i += 2;
    } else {
      return false;
    }
    if (cp >= static_cast<unsigned>(kTableSize) || primary_[cp] == 0) return false;
    key.push_back(static_cast<char>(primary_[cp]));
    secondaries.push_back(static_cast<char>(kCommon));
    if (secondary_[cp] != 0) secondaries.push_back(static_cast<char>(secondary_[cp]));
  }
  key.push_back(static_cast<char>(kEndOfPrimaries));
  key.append(secondaries);
  return true;
}

void NameOrder::Sort(const std::vector<std::string_view>& names,
                     std::vector<std::uint32_t>& order) const {
  order.resize(names.size());
  std::iota(order.begin(), order.end(), 0u);
  if (names.size() < 2) return;
  if (!tableInUse_) {
    SortByCollator(names, order);
    return;
  }
  std::string keys;
  std::vector<std::uint32_t> ends(names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    if (!TableKey(names[i], keys)) {
      SortByCollator(names, order);
      return;
    }
    ends[i] = static_cast<std::uint32_t>(keys.size());
  }
  auto key = [&](std::uint32_t i) {
    const std::uint32_t begin = i == 0 ? 0 : ends[i - 1];
    return std::string_view(keys).substr(begin, ends[i] - begin);
  };
  std::sort(order.begin(), order.end(), [&](std::uint32_t x, std::uint32_t y) {
    const int c = CompareBytes(key(x), key(y));
    return c != 0 ? c < 0 : CompareBytes(names[x], names[y]) < 0;
  });
}

void NameOrder::SortByCollator(const std::vector<std::string_view>& names,
                               std::vector<std::uint32_t>& order) const {
  order.resize(names.size());
  std::iota(order.begin(), order.end(), 0u);
  std::vector<QCollatorSortKey> keys;
  keys.reserve(names.size());
  for (std::string_view n : names)
    keys.push_back(collator_.sortKey(
        PathForDisplay(PathFromBytes(QByteArrayView(n.data(), static_cast<qsizetype>(n.size()))))));
  std::sort(order.begin(), order.end(), [&](std::uint32_t x, std::uint32_t y) {
    const int c = keys[x].compare(keys[y]);
    return c != 0 ? c < 0 : CompareBytes(names[x], names[y]) < 0;
  });
}

QStringList NameOrder::Sorted(const QStringList& names) const {
  std::vector<QByteArray> bytes;
  bytes.reserve(static_cast<size_t>(names.size()));
  for (const QString& n : names) bytes.push_back(n.toUtf8());
  std::vector<std::string_view> views;
  for (const QByteArray& b : bytes) views.push_back(View(b));
  std::vector<std::uint32_t> order;
  Sort(views, order);
  QStringList out;
  for (std::uint32_t i : order) out << names[i];
  return out;
}

}  // namespace ld
