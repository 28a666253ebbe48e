#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace ld {

// The catalogue's directory table: each directory once, in the order of its
// first picture. Read from the table file, it keeps the file's bytes and
// where each line starts, and decodes a directory's name (PathFromBytes) when
// it is asked for: a catalogue of a million pictures then starts without making
// tens of thousands of strings, of which a show uses a few. The first
// directory appended turns it into a list of strings.
class DirectoryTable {
 public:
  DirectoryTable() = default;
  DirectoryTable(QStringList names) : names_(std::move(names)) {}

  // The lines of `bytes` (a CR, an LF or the pair ends a line; no byte order
  // mark), kept as they are. `owner` keeps the bytes valid for as long as
  // the table is copied around.
  static DirectoryTable FromLines(QByteArrayView bytes, std::shared_ptr<const void> owner);

  qsizetype size() const { return raw_ ? raw_->count : names_.size(); }
  bool isEmpty() const { return size() == 0; }
  // The name of directory i (0 <= i < size()).
  QString operator[](qsizetype i) const;
  QString at(qsizetype i) const { return (*this)[i]; }
  QStringList ToList() const;

  void append(const QString& name);
  void clear();

  friend bool operator==(const DirectoryTable& a, const QStringList& b) { return a.ToList() == b; }
  friend bool operator==(const DirectoryTable& a, const DirectoryTable& b) {
    return a.ToList() == b.ToList();
  }

 private:
  struct Raw {
    std::shared_ptr<const void> owner;
    const char* bytes = nullptr;
    qsizetype length = 0;
    qsizetype count = 0;
    // Where line i starts; one more, the end of the text.
    std::vector<quint32> starts;
  };
  std::shared_ptr<const Raw> raw_;
  QStringList names_;  // when there are no raw lines
};

}  // namespace ld
