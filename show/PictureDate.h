#pragma once

#include <QString>
#include <functional>

namespace ld {

// The year-month label of a picture, read from the name of its directory in
// one of the habitual date forms (051231 avg, 05-12-31 avg, 20050828 avg,
// 2005-08-28 avg, 2005-08 vacances), else from a date or a 14-digit camera
// stamp in the path, else from the file's modification month.

// The file's last modification as "yyyy-mm"; "?" when it cannot be read
// (for instance when the file does not exist).
QString FileMonthText(const QString& path);

// The date text for the picture at `path`. With an empty caption (caption
// choice "rien" in forward mode) it is always the file's month. fileMonth is
// FileMonthText, replaceable in tests.
QString PictureDateText(const QString& path, bool captionEmpty,
                        const std::function<QString(const QString&)>& fileMonth = FileMonthText);

// The filter indicator beside the date: "dates filtrées" when a date bound
// is ticked, followed by "=>" + the words when the word filter is ticked;
// empty when neither is.
QString FilterIndicatorText(bool dateFrom, bool dateTo, bool wordFilter, const QString& words);

}  // namespace ld
