#include "app/core/Entry.h"

namespace ld {

EntryDecision DecideEntry(const QStringList& arguments) {
  EntryDecision d;
  if (arguments.size() > 1 && arguments[1].size() >= 2) d.character = arguments[1].mid(1, 1);
  d.setTitle = d.character == QLatin1String("s") || d.character == QLatin1String("p");
  d.request = d.character == QLatin1String("c") ? Request::Configure : Request::Show;
  return d;
}

}  // namespace ld
