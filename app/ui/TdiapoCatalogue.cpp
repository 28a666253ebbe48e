// The catalogue of the main window: the exclusion file and the choice
// between loading and rebuilding at start-up, with the filters read from the
// panel's controls.
#include <QCoreApplication>
#include <QScopeGuard>

#include "app/ui/Tdiapo.h"
#include "catalogue/CatalogueFiles.h"
#include "catalogue/DirectoryScan.h"
#include "catalogue/ExclusionFile.h"
#include "platform/DataDir.h"

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

ScanFilter Tdiapo::CurrentScanFilter() const {
  ScanFilter f;
  f.subDirectories = RadioGroup_sous_rep_recursif->ItemIndex();
  f.marking = RadioGroup_exclusion->ItemIndex();
  f.useExclusionLists = CheckBox_fic_exclusion->isChecked();
  f.dateFrom = CheckBox_date_de->isChecked();
  f.dateTo = CheckBox_date_a->isChecked();
  f.yearFrom = Edit_annee_de->text();
  f.monthFrom = Edit_mois_de->text();
  f.yearTo = Edit_annee_a->text();
  f.monthTo = Edit_mois_a->text();
  f.wordsOn = CheckBox_contient->isChecked();
  f.words = Edit_contient->text();
  return f;
}

void Tdiapo::RebuildCatalogue() {
  stop_requested = false;
  // The list is taken as it is now: handlers that run while events are let
  // through may edit it, and the edits count at the next rebuild.
  QList<RootDirectory> roots;
  for (int i = 0; i < CheckListBox_rep->Count(); ++i)
    roots.append({CheckListBox_rep->Line(i), CheckListBox_rep->Checked(i)});
  ScanHooks hooks;
  // A key release sets stop_requested (any key but Esc and Q, which quit at
  // once): the scan ends and keeps what it found.
  hooks.stopRequested = [this] { return stop_requested; };
  hooks.letEventsThrough = [] { QCoreApplication::processEvents(); };
  hooks.showCounter = [this](int n) { Label1->setText(QString::number(n)); };
  DirectoryScan scan(CurrentScanFilter(),
                     ExclusionLists{ListBox_rep_exclu, ListBox_rep_nom_fic_exclu, exclusion_ranges},
                     catalogue, scan_counter, std::move(hooks));
  ld::RebuildCatalogue(roots, scan, host_window_mode_);
}

void Tdiapo::PrepareCatalogue() {
  // Until the catalogue is ready, keys only stop the scan: no run of the
  // show may start on a half-built catalogue or clear the scan's stop.
  preparing_catalogue_ = true;
  const auto ready = qScopeGuard([this] { preparing_catalogue_ = false; });
  if (host_window_mode_) {
    // Drawn into another program's window, nothing is written: the saved
    // catalogue when it can be trusted, else a scan kept in memory.
    if (ChooseCatalogueAction() != CatalogueAction::Load ||
        LoadCatalogue(catalogue) != LoadResult::Loaded)
      RebuildCatalogue();
  } else {
    ld::PrepareCatalogue(
        catalogue, [this] { RebuildCatalogue(); }, [] { QCoreApplication::processEvents(); });
  }
  Label13->setText(QString::number(catalogue.Count()) + QStringLiteral(" images"));
}

}  // namespace ld
