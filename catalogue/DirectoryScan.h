#pragma once

#include <dirent.h>
#include <sys/types.h>

#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "catalogue/Catalogue.h"
#include "catalogue/ScanRules.h"

namespace ld {

// What the scan asks of its caller while it works. Each may be empty.
struct ScanHooks {
  // Checked before every directory entry, at every depth: true ends the scan
  // (what was found so far stays in the catalogue).
  std::function<bool()> stopRequested;
  // Lets the user interface process its pending events. Called after about
  // 5 ms of work (the clock is looked at every few entries, not after each),
  // so the window never waits more than about 20 ms.
  std::function<void()> letEventsThrough;
  // Shows the entry counter; called when it reaches a multiple of 200.
  std::function<void(int)> showCounter;
};

// The walk of picture directories that fills the catalogue: within each
// directory the entries in the order a French-speaking user's file manager
// shows them (NameOrder), pictures tested by IsPictureFile and by
// PictureRules (catalogue/ScanRules.h), sub-directories walked depth first
// when the filter asks for them.
//
// Beyond the rules: only regular files (or links to them) are pictures;
// entries whose name starts with "." are hidden: neither pictures nor walked
// (a root is walked whatever its own name); symbolic links to directories are
// followed, but never into a directory that is already on the path from the
// root (same device and inode), so a link loop ends. Names are taken as the
// bytes they are on disk (PathFromBytes), so a name that is not valid UTF-8
// is catalogued like any other. Names holding a line break, picture names of
// more than 80 bytes and paths that cannot be opened by their full name (4096
// bytes or more) are not catalogued (a directory whose name holds a line
// break is not walked either, since no path under it could be written to the
// catalogue files, and neither is one too deep for any picture path under it
// to be opened): these are named in the report, as is every directory that
// is there but cannot be listed.
//
// The walk keeps its own stack instead of recursing, so no depth of tree can
// exhaust the thread's stack, and holds at most a few dozen directories open
// (deeper ones are opened again by their full name), so the open-files limit
// never cuts a deep tree short.
// What a scan could not take, for the summary shown to the user.
struct ScanReport {
  QStringList unreadableDirectories;  // there, but could not be listed
  QStringList refusedNames;           // pictures or directories left out by name
};

// The report for people: one French line per directory or name (names shown
// with PathForDisplay), and a one-line summary naming the first of them.
QStringList ScanReportLines(const ScanReport& report);
QString ScanReportSummary(const ScanReport& report);

class DirectoryScan {
 public:
  DirectoryScan(const ScanFilter& filter, const ExclusionLists& exclusions, Catalogue& catalogue,
                int& scanCounter, ScanHooks hooks = {});
  ~DirectoryScan();

  // Walks one directory (a root as listed, or parent + "/" + name).
  void ScanDirectory(const QString& directory);

  bool StopRequested() const { return hooks_.stopRequested && hooks_.stopRequested(); }
  // Lets events through now (the rebuild calls it after each root).
  void LetEventsThrough();

  Catalogue& GetCatalogue() { return catalogue_; }
  const PictureRules& Rules() const { return rules_; }
  const ScanReport& Report() const { return report_; }

 private:
  struct Frame;
  struct Item;
  void Enter(int fd, const QString& directory, qsizetype pathBytes);
  void Leave();
  bool ReadListing(DIR* listing, Frame& frame);
  void HandleEntry(Frame& frame, const Item& item);
  void AddPicture(Frame& frame, const char* name, size_t length);
  bool EnsureOpen(Frame& frame);
  void ReleaseHeldDirectories();
  void CountEntry();
  void MaybeLetEventsThrough();

  PictureRules rules_;
  Catalogue& catalogue_;
  int& counter_;
  ScanHooks hooks_;
  ScanReport report_;
  std::vector<std::unique_ptr<Frame>> stack_;  // the directories from the root down
  std::set<std::pair<dev_t, ino_t>> onPath_;   // the same, by device and inode
  QString nameBuffer_;                         // "/" + a name, for the exclusion test
  int sinceClockCheck_ = 0;
  std::chrono::steady_clock::time_point lastEvents_;
};

}  // namespace ld
