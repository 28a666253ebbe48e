// The catalogue of the main window: the exclusion file and the choice
// between loading and rebuilding at start-up, with the scan inputs taken from
// the panel's controls.
#include <QCoreApplication>
#include <QScopeGuard>

#include "app/ui/Tdiapo.h"
#include "catalogue/CatalogueFiles.h"
#include "catalogue/DirectoryScan.h"
#include "catalogue/ExclusionFile.h"
#include "platform/DataDir.h"
#include "platform/DataDirLock.h"

namespace ld {

void Tdiapo::ReadExclusionFile() {
  ListBox_rep_exclu.clear();
  ListBox_rep_nom_fic_exclu.clear();
  exclusion_ranges.clear();
  ExclusionLists lists =
      ld::ReadExclusionFile(DataFile(QString::fromLatin1(files::kExclusion)),
                            CheckBox_fic_exclusion->isChecked(), services().dialogs);
  ListBox_rep_exclu = std::move(lists.directories);
  ListBox_rep_nom_fic_exclu = std::move(lists.pictures);
  exclusion_ranges = std::move(lists.ranges);
}

ScanInputs Tdiapo::CurrentScanInputs() const {
  // The integer edits play no part in the scan (and may hold a bad number
  // until the next save).
  return BuildScanInputs(SettingsLines(false), DirectoryListEntries());
}

RebuildOutcome Tdiapo::RebuildCatalogue(bool keepFiles) {
  show_->ClearStopRequest();
  // The inputs are taken as they are now: handlers that run while events are
  // let through may edit the list or the filter, and the edits count at the
  // next rebuild.
  const ScanInputs inputs = CurrentScanInputs();
  ScanHooks hooks;
  // A key release asks the show to stop (any key but Esc and Q, which quit at
  // once): the scan ends and keeps what it found.
  hooks.stopRequested = [this] { return show_->StopRequested(); };
  hooks.letEventsThrough = [] { QCoreApplication::processEvents(); };
  hooks.showCounter = [this](int n) { Label1->setText(QString::number(n)); };
  DirectoryScan scan(inputs.filter,
                     ExclusionLists{ListBox_rep_exclu, ListBox_rep_nom_fic_exclu, exclusion_ranges},
                     catalogue, scan_counter, std::move(hooks));
  const RebuildOutcome outcome =
      ld::RebuildCatalogue(inputs.roots, scan, keepFiles || host_window_mode_);
  // What the scan could not take is said, not dropped without a word: the
  // summary in the scan's label, and the first names in a notice (as the
  // vanished directories are), except in another program's window.
  const ScanReport& report = scan.Report();
  if (!report.unreadableDirectories.isEmpty() || !report.refusedNames.isEmpty()) {
    Label1->setText(ScanReportSummary(report));
    if (!host_window_mode_) {
      constexpr qsizetype kNamesShown = 10;
      const QStringList lines = ScanReportLines(report);
      QString text = QStringLiteral("\n     ") + lines.mid(0, kNamesShown).join(u'\n');
      if (lines.size() > kNamesShown)
        text += QStringLiteral("\n... et %1 autres").arg(lines.size() - kNamesShown);
      Notice(text);
    }
  }
  return outcome;
}

void Tdiapo::PrepareCatalogue() {
  // Until the catalogue is ready, keys only stop the scan: no run of the
  // show may start on a half-built catalogue or clear the scan's stop.
  preparing_catalogue_ = true;
  const auto ready = qScopeGuard([this] { preparing_catalogue_ = false; });
  if (host_window_mode_) {
    // Drawn into another program's window, nothing is written: the saved
    // catalogue when it can be trusted, else a scan kept in memory.
    // The load holds the data directory's lock, so that it never reads one
    // file of an old pair and one of a new one being written.
    DataDirLock lock;
    if (!lock.Take(
            kWriterPatience, [] { QCoreApplication::processEvents(); }, false) ||
        ChooseCatalogueAction() != CatalogueAction::Load ||
        LoadCatalogue(catalogue) != LoadResult::Loaded) {
      lock.Release();
      RebuildCatalogue();
    }
  } else {
    const PrepareOutcome outcome = ld::PrepareCatalogue(
        catalogue, [this] { return RebuildCatalogue(); },
        [] { QCoreApplication::processEvents(); });
    if (outcome == PrepareOutcome::Busy) {
      // Another process is rebuilding the catalogue: this run walks the
      // directories for itself and leaves the files to that one.
      RebuildCatalogue(true);
    } else if (outcome == PrepareOutcome::NoTickedDirectoryPresent) {
      Label1->setText(NoTickedDirectoryMessage());
    }
  }
  Label13->setText(QString::number(catalogue.Count()) + QStringLiteral(" images"));
}

}  // namespace ld
