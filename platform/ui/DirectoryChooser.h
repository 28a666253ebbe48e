#pragma once

#include <QString>
#include <QWidget>
#include <optional>

namespace ld {

// The directory chooser: the chosen directory, or nothing when cancelled.
std::optional<QString> RunDirectoryChooser(QWidget* parent, const QString& startPath);

}  // namespace ld
