#pragma once

#include <QList>
#include <QString>
#include <functional>

#include "catalogue/Catalogue.h"

namespace ld {

class DirectoryScan;

// The catalogue's two files in the data directory, and the reset marker:
//  - the directory table as text, one directory per line (line k is the
//    directory of DirIndex k);
//  - the entries as 88-byte little-endian records: DirIndex (signed 32-bit),
//    the name's length L in bytes (0 to 80), the name's L UTF-8 bytes, zeros
//    up to 80 bytes, 3 zero bytes;
//  - the empty reset marker, whose presence says the two files may be trusted.

inline constexpr int kRecordSize = 88;

QString CatalogueDirsPath();     // <data>/toutes_img_ListBox_rep.dat
QString CatalogueRecordsPath();  // <data>/toutes_img._nf
QString ResetMarkerPath();       // <data>/effacez_moi_pour_reinitialiser.___
QString HistoryPath();           // <data>/img_affichees.lst

// One record, byte for byte (the unused bytes written as zero).
void EncodeCatalogueRecord(const CatalogueEntry& entry, char* out88);
// False when the length byte is above 80.
bool DecodeCatalogueRecord(const char* in88, CatalogueEntry& entry);

// An empty catalogue only deletes the marker (earlier files stay, untrusted).
// Otherwise the marker is deleted, the directory file then the record file
// are each replaced atomically, and the marker is created last, so it never
// stands beside a half-written or mismatched pair. Throws ld::Error
// ("Impossible de créer le fichier ...") when a file cannot be written.
// With letEventsThrough, the files are written on a second thread while this
// one calls it every few milliseconds until they are in place; the catalogue
// must not be changed meanwhile (it may be emptied).
void SaveCatalogue(const Catalogue& catalogue, const std::function<void()>& letEventsThrough = {});

enum class LoadResult {
  Loaded,
  // A file cannot be read, the record file's length is not a multiple of 88,
  // a file is too large to be a catalogue of this machine's memory (or its
  // storage cannot be allocated), a length byte is above 80 or a DirIndex
  // lies outside the directory table: the catalogue is left empty and must
  // be rebuilt.
  Untrusted,
};

// Reads both files whole into the catalogue's own memory (so nothing done to
// the files afterwards reaches it), every record checked in one pass. The
// marker is not touched.
LoadResult LoadCatalogue(Catalogue& catalogue);

// One directory of the directory list and its tick.
struct RootDirectory {
  QString path;
  bool ticked = true;
};

// "No ticked directory is there": what the rebuild then says.
QString NoTickedDirectoryMessage();

enum class RebuildOutcome {
  Scanned,
  // Directories are ticked but none of them is there (a drive not mounted):
  // nothing was scanned and nothing touched, the catalogue is empty.
  NoTickedDirectoryPresent,
};

// Empties the catalogue, deletes the reset marker, and walks every ticked
// root that is an existing directory, in list order, letting events through
// after each root. The caller clears its stop flag first. The marker is
// created by SaveCatalogue once the files are written.
// With keepFiles the reset marker is left alone (a rebuild held in memory
// only, by a show that writes nothing). When directories are ticked and
// none of them exists, the marker is left alone too and nothing is scanned:
// the saved catalogue is not thrown away for a drive that is not mounted.
RebuildOutcome RebuildCatalogue(const QList<RootDirectory>& roots, DirectoryScan& scan,
                                bool keepFiles = false);

// The start-up choice, from the three file tests.
enum class CatalogueAction {
  Load,                // marker and both files present
  RebuildKeepHistory,  // marker present, a catalogue file missing
  RebuildDropHistory,  // marker missing: the history file goes too
};
CatalogueAction ChooseCatalogueAction(bool markerExists, bool recordsExist, bool dirsExist);
CatalogueAction ChooseCatalogueAction();  // from the files of the data directory

enum class PrepareOutcome {
  Loaded,
  RebuiltMissingFile,
  RebuiltUntrusted,
  RebuiltWithoutMarker,
  // A rebuild was due but no ticked directory is there: the catalogue stays
  // empty and the files, the marker and the history are kept as they were.
  NoTickedDirectoryPresent,
  // Another process held the data directory's lock all the while (it is
  // rebuilding): nothing was read or written, the catalogue is empty.
  Busy,
};

// Loads the catalogue, or rebuilds (through rebuild, which fills catalogue)
// and saves it; an untrusted pair is rebuilt like a missing file (the history
// file stays). Without marker the history file is deleted, once the rebuild
// has found a ticked directory. All of it holds the data directory's lock
// (DataDirLock), waiting for it a little while letting events through. The
// save lets events through with letEventsThrough, when given.
PrepareOutcome PrepareCatalogue(Catalogue& catalogue,
                                const std::function<RebuildOutcome()>& rebuild,
                                const std::function<void()>& letEventsThrough = {});

}  // namespace ld
