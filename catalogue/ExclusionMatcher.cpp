#include "catalogue/ExclusionMatcher.h"

#include <QHash>
#include <algorithm>
#include <deque>

namespace ld {
namespace {

bool IsDigit(QChar c) { return c.unicode() >= u'0' && c.unicode() <= u'9'; }

}  // namespace

bool ExclusionMatcher::Intervals::Contains(long long k) const {
  auto it = std::upper_bound(spans.begin(), spans.end(), k,
                             [](long long v, const std::pair<int, int>& s) { return v < s.first; });
  if (it == spans.begin()) return false;
  --it;
  return k <= it->second;
}

ExclusionMatcher::ExclusionMatcher(const ExclusionLists& lists) {
  nodes_.emplace_back();  // the root
  // An empty item never matches (it would otherwise be "found" in every path).
  for (const QStringList* items : {&lists.directories, &lists.pictures})
    for (const QString& item : *items)
      if (!item.isEmpty()) nodes_[Insert(item)].plain = true;

  QHash<QString, int> headIndex;
  for (const ExclusionRange& r : lists.ranges) {
    if (r.last < r.first || r.head.isEmpty()) continue;
    const int node = Insert(r.head);
    if (nodes_[node].head < 0) {
      nodes_[node].head = static_cast<int>(heads_.size());
      heads_.emplace_back();
    }
    HeadGroup& group = heads_[nodes_[node].head];
    auto it = std::find_if(group.byExtension.begin(), group.byExtension.end(),
                           [&](const Intervals& i) { return i.extension == r.extension; });
    if (it == group.byExtension.end()) {
      group.byExtension.push_back({r.extension, {}});
      it = group.byExtension.end() - 1;
    }
    it->spans.emplace_back(r.first, r.last);
  }
  for (HeadGroup& group : heads_) {
    for (Intervals& in : group.byExtension) {
      std::sort(in.spans.begin(), in.spans.end());
      std::vector<std::pair<int, int>> merged;
      for (const auto& s : in.spans) {
        if (!merged.empty() && static_cast<long long>(s.first) <= merged.back().second + 1LL)
          merged.back().second = std::max(merged.back().second, s.second);
        else
          merged.push_back(s);
      }
      in.spans = std::move(merged);
    }
  }
  Link();
}

int ExclusionMatcher::Child(int node, char16_t c) const {
  for (int k = nodes_[node].firstChild; k >= 0; k = nodes_[k].nextSibling)
    if (nodes_[k].ch == c) return k;
  return -1;
}

int ExclusionMatcher::Insert(const QString& word) {
  int node = 0;
  for (QChar qc : word) {
    const char16_t c = qc.unicode();
    int next = Child(node, c);
    if (next < 0) {
      next = static_cast<int>(nodes_.size());
      Node n;
      n.ch = c;
      n.nextSibling = nodes_[node].firstChild;
      nodes_.push_back(n);
      nodes_[node].firstChild = next;
    }
    node = next;
  }
  return node;
}

void ExclusionMatcher::Link() {
  std::deque<int> queue;
  for (int k = nodes_[0].firstChild; k >= 0; k = nodes_[k].nextSibling) {
    nodes_[k].fail = 0;
    queue.push_back(k);
  }
  while (!queue.empty()) {
    const int u = queue.front();
    queue.pop_front();
    const bool ends = nodes_[u].plain || nodes_[u].head >= 0;
    nodes_[u].output = ends ? u : nodes_[nodes_[u].fail].output;
    for (int v = nodes_[u].firstChild; v >= 0; v = nodes_[v].nextSibling) {
      int f = nodes_[u].fail;
      int target = Child(f, nodes_[v].ch);
      while (target < 0 && f != 0) {
        f = nodes_[f].fail;
        target = Child(f, nodes_[v].ch);
      }
      nodes_[v].fail = target >= 0 && target != v ? target : 0;
      queue.push_back(v);
    }
  }
}

bool ExclusionMatcher::RangeHit(const HeadGroup& group, const QChar* text, qsizetype size,
                                qsizetype end) const {
  // The number written right after the head: its items write it in decimal
  // without leading zeros, followed by the extension.
  qsizetype digits = 0;
  while (end + digits < size && IsDigit(text[end + digits])) ++digits;
  if (digits == 0) return false;
  const bool leadingZero = text[end] == u'0';
  for (const Intervals& in : group.byExtension) {
    if (in.extension.isEmpty()) {
      // Without an extension an item may end inside a longer number: every
      // prefix of the digits that is written without leading zeros counts.
      long long k = 0;
      for (qsizetype i = 0; i < std::min<qsizetype>(digits, 10); ++i) {
        k = k * 10 + (text[end + i].unicode() - u'0');
        if (in.Contains(k)) return true;
        if (leadingZero) break;
      }
      continue;
    }
    // The extension starts with ".", so the number is the whole run.
    if ((leadingZero && digits > 1) || digits > 10) continue;
    const qsizetype after = end + digits;
    if (size - after < in.extension.size()) continue;
    if (QStringView(text + after, in.extension.size()) != in.extension) continue;
    long long k = 0;
    for (qsizetype i = 0; i < digits; ++i) k = k * 10 + (text[end + i].unicode() - u'0');
    if (in.Contains(k)) return true;
  }
  return false;
}

bool ExclusionMatcher::Run(int& node, const QChar* text, qsizetype size) const {
  int s = node;
  for (qsizetype i = 0; i < size; ++i) {
    const char16_t c = text[i].unicode();
    int next = Child(s, c);
    while (next < 0 && s != 0) {
      s = nodes_[s].fail;
      next = Child(s, c);
    }
    s = next < 0 ? 0 : next;
    for (int o = nodes_[s].output; o >= 0; o = nodes_[nodes_[o].fail].output) {
      if (nodes_[o].plain) return true;
      if (RangeHit(heads_[nodes_[o].head], text, size, i + 1)) return true;
      if (o == 0) break;
    }
  }
  node = s;
  return false;
}

bool ExclusionMatcher::Matches(const QString& text) const {
  if (IsEmpty()) return false;
  int node = 0;
  return Run(node, text.constData(), text.size());
}

ExclusionMatcher::DirectoryState ExclusionMatcher::ForDirectory(const QString& directory) const {
  DirectoryState state;
  if (IsEmpty()) return state;
  // A number after a head that ends in the directory ends there too (a "/"
  // follows), so the directory alone decides those items.
  state.excluded = Run(state.node, directory.constData(), directory.size());
  return state;
}

bool ExclusionMatcher::MatchesName(const DirectoryState& directory, const QString& name) const {
  return MatchesTail(directory, QString(u'/' + name));
}

bool ExclusionMatcher::MatchesTail(const DirectoryState& directory,
                                   QStringView slashAndName) const {
  if (directory.excluded) return true;
  if (IsEmpty()) return false;
  int node = directory.node;
  return Run(node, slashAndName.data(), slashAndName.size());
}

}  // namespace ld
