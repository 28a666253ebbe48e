#pragma once

#include <QList>
#include <QStringList>

#include "catalogue/CatalogueFiles.h"
#include "catalogue/ScanRules.h"

// What a rebuild of the catalogue walks and keeps: the filter read from the
// settings lines and the directory list with its ticks. The main window (from
// the lines of its controls) and the catalogue tool (from the settings file)
// both build them here, so that the same settings give the same catalogue.

namespace ld {

struct ScanInputs {
  ScanFilter filter;
  QList<RootDirectory> roots;  // in list order; only ticked ones are walked
};

// The filter of the settings lines, read with the lookup rule and the
// defaults of the settings table. The two item indexes are clamped as their
// radio groups clamp them (below -1 gives -1, past the last item gives the
// last); a value that is not a whole number throws ld::Error with the
// conversion message.
ScanFilter ScanFilterFromSettings(const QStringList& settings);

ScanInputs BuildScanInputs(const QStringList& settings, QList<RootDirectory> roots);

}  // namespace ld
