#include "catalogue/DirectoryTable.h"

#include <limits>

#include "platform/PathBytes.h"

namespace ld {

namespace {

// One line's bytes as a path (a U+FEFF that starts a line is kept).
QString DecodeLine(const char* bytes, qsizetype length) {
  return PathFromBytes(QByteArrayView(bytes, length));
}

}  // namespace

DirectoryTable DirectoryTable::FromLines(QByteArrayView bytes, std::shared_ptr<const void> owner) {
  const char* text = bytes.data();
  const qsizetype n = bytes.size();
  auto raw = std::make_shared<Raw>();
  const bool offsetsFit = static_cast<quint64>(n) < std::numeric_limits<quint32>::max();
  if (offsetsFit) raw->starts.reserve(static_cast<size_t>(n / 32 + 2));
  QStringList names;
  qsizetype start = 0;
  auto line = [&](qsizetype end) {
    if (offsetsFit)
      raw->starts.push_back(static_cast<quint32>(start));
    else
      names.append(DecodeLine(text + start, end - start));
  };
  for (qsizetype i = 0; i < n; ++i) {
    const char c = text[i];
    if (c != '\r' && c != '\n') continue;
    line(i);
    if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < n) line(n);
  DirectoryTable table;
  if (!offsetsFit) {
    table.names_ = std::move(names);
    return table;
  }
  raw->count = static_cast<qsizetype>(raw->starts.size());
  raw->starts.push_back(static_cast<quint32>(n));
  raw->owner = std::move(owner);
  raw->bytes = text;
  raw->length = n;
  table.raw_ = std::move(raw);
  return table;
}

QString DirectoryTable::operator[](qsizetype i) const {
  if (!raw_) return names_.at(i);
  const qsizetype start = raw_->starts[static_cast<size_t>(i)];
  qsizetype end = raw_->starts[static_cast<size_t>(i) + 1];
  // The line's end: LF, CR, or the pair (the last line may have none).
  if (end > start && raw_->bytes[end - 1] == '\n') {
    --end;
    if (end > start && raw_->bytes[end - 1] == '\r') --end;
  } else if (end > start && raw_->bytes[end - 1] == '\r') {
    --end;
  }
  return DecodeLine(raw_->bytes + start, end - start);
}

QStringList DirectoryTable::ToList() const {
  if (!raw_) return names_;
  QStringList list;
  list.reserve(raw_->count);
  for (qsizetype i = 0; i < raw_->count; ++i) list.append((*this)[i]);
  return list;
}

void DirectoryTable::append(const QString& name) {
  if (raw_) {
    names_ = ToList();
    raw_.reset();
  }
  names_.append(name);
}

void DirectoryTable::clear() {
  raw_.reset();
  names_.clear();
}

}  // namespace ld
