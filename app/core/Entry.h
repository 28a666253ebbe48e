#pragma once

#include <QString>
#include <QStringList>

namespace ld {

// What the command line asks for.
enum class Request { Show, Configure };

struct EntryDecision {
  QString character;      // the second character of the first argument, or empty
  Request request = Request::Show;
  bool setTitle = false;  // "s" and "p" set the application title
};

// The request is the second character of the first argument (after the
// program name), compared exactly: "/s", "-s" and "xs" are the same request,
// "/S" is not a show request. Further arguments are ignored.
EntryDecision DecideEntry(const QStringList& arguments);

}  // namespace ld
