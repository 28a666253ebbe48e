#include "catalogue/DirectoryScan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <optional>
#include <string_view>

#include "catalogue/NameOrder.h"
#include "platform/PathBytes.h"
#include "platform/Paths.h"

namespace ld {
namespace {

using namespace std::chrono_literals;

// Events are let through once this much work has gone by since the last time;
// the clock is looked at every kEntriesPerClockCheck entries, which keeps the
// longest stretch well under 20 ms without reading the clock for every entry.
constexpr auto kEventsInterval = 5ms;
constexpr int kEntriesPerClockCheck = 4;

constexpr std::string_view kPlus = "++";
constexpr std::string_view kSection = "\xC2\xA7";  // "§" in UTF-8

bool IsMarkedName(std::string_view name) {
  return name.find(kPlus) != std::string_view::npos ||
         name.find(kSection) != std::string_view::npos;
}

bool HasLineBreak(std::string_view name) {
  return name.find_first_of("\r\n") != std::string_view::npos;
}

// The longest path that open() takes (PATH_MAX less its terminating zero);
// a picture whose path is longer could be catalogued but never shown.
constexpr qsizetype kMaxPathBytes = PATH_MAX - 1;
// Directories held open at once; deeper ones are opened again by their full
// name when the walk comes back to them.
constexpr size_t kHeldDirectories = 32;

bool WalkSubDirectories(const PictureRules& rules) { return rules.Filter().subDirectories > 0; }

}  // namespace

QStringList ScanReportLines(const ScanReport& report) {
  QStringList lines;
  for (const QString& d : report.unreadableDirectories)
    lines << QStringLiteral("Répertoire illisible, non parcouru : ") + PathForDisplay(d);
  for (const QString& n : report.refusedNames)
    lines << QStringLiteral(
                 "Écarté (nom avec saut de ligne, de plus de 80 octets, ou chemin "
                 "trop long) : ") +
                 PathForDisplay(n);
  return lines;
}

QString ScanReportSummary(const ScanReport& report) {
  const QStringList lines = ScanReportLines(report);
  if (lines.isEmpty()) return QString();
  return QStringLiteral(
             "%1 répertoire(s) illisible(s), %2 image(s) ou répertoire(s) écarté(s) "
             "- %3")
      .arg(report.unreadableDirectories.size())
      .arg(report.refusedNames.size())
      .arg(lines.first());
}

// One entry of a listing kept for the walk: its name in the frame's arena
// (followed by a zero byte) and what the listing says it is.
struct DirectoryScan::Item {
  std::uint32_t name = 0;
  std::uint32_t length = 0;
  unsigned char type = DT_UNKNOWN;
  bool pictureName = false;
};

// What the walk knows about a directory it is in: the entries still to
// handle, in display order, and the rules that look at the directory alone,
// tested once, at its first picture.
struct DirectoryScan::Frame {
  QString directory;
  qsizetype pathBytes = 0;  // of the directory's path as on disk
  int fd = -1;              // -1 once released; opened again by its path
  dev_t dev = 0;
  ino_t ino = 0;
  std::string names;
  std::vector<Item> items;
  size_t next = 0;
  int dirIndex = -1;        // position in the directory table, once it has a picture
  int directoryRules = -1;  // -1 not tested yet, else 0 / 1
  int directoryMarked = -1;
  std::optional<ExclusionMatcher::DirectoryState> exclusions;

  ~Frame() {
    if (fd >= 0) ::close(fd);
  }
  const char* NameOf(const Item& item) const { return names.data() + item.name; }
};

DirectoryScan::DirectoryScan(const ScanFilter& filter, const ExclusionLists& exclusions,
                             Catalogue& catalogue, int& scanCounter, ScanHooks hooks)
    : rules_(filter, exclusions),
      catalogue_(catalogue),
      counter_(scanCounter),
      hooks_(std::move(hooks)),
      lastEvents_(std::chrono::steady_clock::now()) {}

DirectoryScan::~DirectoryScan() = default;

void DirectoryScan::LetEventsThrough() {
  if (hooks_.letEventsThrough) hooks_.letEventsThrough();
  sinceClockCheck_ = 0;
  lastEvents_ = std::chrono::steady_clock::now();
}

void DirectoryScan::MaybeLetEventsThrough() {
  if (!hooks_.letEventsThrough || ++sinceClockCheck_ < kEntriesPerClockCheck) return;
  sinceClockCheck_ = 0;
  if (std::chrono::steady_clock::now() - lastEvents_ >= kEventsInterval) LetEventsThrough();
}

void DirectoryScan::CountEntry() {
  ++counter_;
  if (counter_ % 200 == 0 && hooks_.showCounter) hooks_.showCounter(counter_);
}

void DirectoryScan::ScanDirectory(const QString& directory) {
  const QByteArray path = PathToBytes(directory);
  if (path.size() > kMaxPathBytes) return;
  const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    // A missing root is the caller's to report; one that is there but
    // cannot be opened is reported with the scan.
    if (errno != ENOENT && errno != ENOTDIR) report_.unreadableDirectories.append(directory);
    return;
  }
  // Whatever ends the walk (a stop, or an exception from a hook), the
  // directories still open are closed.
  struct Unwind {
    DirectoryScan& scan;
    ~Unwind() {
      while (!scan.stack_.empty()) scan.Leave();
    }
  } unwind{*this};
  Enter(fd, directory, path.size());
  while (!stack_.empty()) {
    Frame& frame = *stack_.back();
    if (StopRequested() || frame.next >= frame.items.size()) {
      Leave();
      continue;
    }
    const Item item = frame.items[frame.next++];
    HandleEntry(frame, item);  // may enter a sub-directory
    MaybeLetEventsThrough();
  }
}

void DirectoryScan::Enter(int fd, const QString& directory, qsizetype pathBytes) {
  auto frame = std::make_unique<Frame>();
  frame->fd = fd;
  frame->directory = directory;
  frame->pathBytes = pathBytes;
  struct stat st;
  if (::fstat(fd, &st) != 0) return;
  // A directory already on the path from the root is reached through a link
  // loop: walking it again would never end.
  if (onPath_.count({st.st_dev, st.st_ino}) != 0) return;
  frame->dev = st.st_dev;
  frame->ino = st.st_ino;
  // The listing reads through its own descriptor, so the frame's stays open
  // for the entries' tests once the listing is closed.
  int listingFd = ::dup(fd);
  if (listingFd < 0 && (errno == EMFILE || errno == ENFILE)) {
    ReleaseHeldDirectories();
    listingFd = ::dup(fd);
  }
  if (listingFd < 0) {
    report_.unreadableDirectories.append(directory);
    return;
  }
  std::unique_ptr<DIR, int (*)(DIR*)> listing(::fdopendir(listingFd), &::closedir);
  if (!listing) {
    ::close(listingFd);
    report_.unreadableDirectories.append(directory);
    return;
  }
  errno = 0;
  const bool complete = ReadListing(listing.get(), *frame);
  if (complete && errno != 0) report_.unreadableDirectories.append(directory);
  listing.reset();
  if (!complete) return;  // stopped while listing

  // The display order of the names kept.
  std::vector<std::string_view> names;
  names.reserve(frame->items.size());
  for (const Item& item : frame->items) names.emplace_back(frame->NameOf(item), item.length);
  std::vector<std::uint32_t> order;
  NameOrder::Instance().Sort(names, order);
  std::vector<Item> sorted;
  sorted.reserve(order.size());
  for (std::uint32_t i : order) sorted.push_back(frame->items[i]);
  frame->items = std::move(sorted);

  onPath_.insert({frame->dev, frame->ino});
  stack_.push_back(std::move(frame));
  if (stack_.size() > kHeldDirectories) {
    Frame& far = *stack_[stack_.size() - 1 - kHeldDirectories];
    if (far.fd >= 0) ::close(far.fd);
    far.fd = -1;
  }
}

bool DirectoryScan::ReadListing(DIR* listing, Frame& frame) {
  const bool walkSubDirectories = WalkSubDirectories(rules_);
  for (;;) {
    if (StopRequested()) return false;
    errno = 0;
    const dirent* e = ::readdir(listing);
    if (!e) return true;  // errno tells a read error from the end
    CountEntry();
    MaybeLetEventsThrough();
    const std::string_view name(e->d_name);
    if (name == "." || name == "..") continue;
    // Hidden entries: pictures never, and hidden directories (trash folders
    // of removable drives, thumbnail caches) are not walked either.
    if (name.front() == '.') continue;
    const bool pictureName = HasPictureName(name);
    const unsigned char type = e->d_type;
    // A name holding a line break cannot be a line of the catalogue's
    // directory file: such a picture, or a directory that would be walked,
    // is left out and named in the report.
    if (HasLineBreak(name)) {
      if (pictureName || (walkSubDirectories && type != DT_REG))
        report_.refusedNames.append(JoinPath(frame.directory, PathFromBytes(name)));
      continue;
    }
    // What can still be a picture or a directory to walk.
    const bool keep = type == DT_REG   ? pictureName
                      : type == DT_DIR ? walkSubDirectories
                                       : (type == DT_LNK || type == DT_UNKNOWN) &&
                                             (pictureName || walkSubDirectories);
    if (!keep) continue;
    Item item;
    item.name = static_cast<std::uint32_t>(frame.names.size());
    item.length = static_cast<std::uint32_t>(name.size());
    item.type = type;
    item.pictureName = pictureName;
    frame.names.append(name);
    frame.names.push_back('\0');
    frame.items.push_back(item);
  }
}

void DirectoryScan::Leave() {
  onPath_.erase({stack_.back()->dev, stack_.back()->ino});
  stack_.pop_back();
}

void DirectoryScan::ReleaseHeldDirectories() {
  for (size_t i = 0; i + 1 < stack_.size(); ++i) {
    if (stack_[i]->fd >= 0) ::close(stack_[i]->fd);
    stack_[i]->fd = -1;
  }
}

bool DirectoryScan::EnsureOpen(Frame& frame) {
  if (frame.fd >= 0) return true;
  const QByteArray path = PathToBytes(frame.directory);
  int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0 && (errno == EMFILE || errno == ENFILE)) {
    ReleaseHeldDirectories();
    fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  }
  struct stat st;
  if (fd >= 0 && ::fstat(fd, &st) == 0 && st.st_dev == frame.dev && st.st_ino == frame.ino) {
    frame.fd = fd;
    return true;
  }
  // Gone, or no longer the directory that was listed: the rest of it is
  // passed over.
  if (fd >= 0) ::close(fd);
  frame.next = frame.items.size();
  return false;
}

void DirectoryScan::HandleEntry(Frame& frame, const Item& item) {
  if (!EnsureOpen(frame)) return;
  const char* cname = frame.NameOf(item);
  const unsigned char type = item.type;
  bool isDirectory = type == DT_DIR;
  bool isFile = type == DT_REG;
  long long size = -1;
  struct stat st;
  if (type == DT_LNK || type == DT_UNKNOWN) {
    // Follow the link (or find out what the entry is); a dangling link is
    // passed over.
    if (::fstatat(frame.fd, cname, &st, 0) != 0) return;
    isDirectory = S_ISDIR(st.st_mode);
    isFile = S_ISREG(st.st_mode);
    size = st.st_size;
  }

  if (isFile && item.pictureName) {
    if (size < 0) {
      if (::fstatat(frame.fd, cname, &st, AT_SYMLINK_NOFOLLOW) != 0) return;
      size = st.st_size;
    }
    if (size > 0) {
      if (item.length <= static_cast<size_t>(kMaxNameBytes) &&
          frame.pathBytes + 1 + item.length <= kMaxPathBytes)
        AddPicture(frame, cname, item.length);
      else
        report_.refusedNames.append(
            JoinPath(frame.directory, PathFromBytes(std::string_view(cname, item.length))));
    }
  }

  if (isDirectory && WalkSubDirectories(rules_)) {
    // A directory too deep for any picture path under it to be opened is not
    // walked (the shortest picture path below it is one byte longer than
    // its path plus a separator).
    const qsizetype childBytes = frame.pathBytes + 1 + item.length;
    const auto childPath = [&] {
      return JoinPath(frame.directory, PathFromBytes(std::string_view(cname, item.length)));
    };
    if (childBytes + 2 > kMaxPathBytes) {
      report_.refusedNames.append(childPath());
      return;
    }
    int childFd = ::openat(frame.fd, cname, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (childFd < 0 && (errno == EMFILE || errno == ENFILE)) {
      ReleaseHeldDirectories();  // all but this frame's own
      childFd = ::openat(frame.fd, cname, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    if (childFd < 0) {
      report_.unreadableDirectories.append(childPath());
      return;
    }
    Enter(childFd, childPath(), childBytes);
  }
}

void DirectoryScan::AddPicture(Frame& frame, const char* cname, size_t length) {
  const std::string_view name(cname, length);
  const PictureRules& rules = rules_;
  if (rules.Filter().useExclusionLists) {
    // The directory's part of the path is read once for all its pictures.
    if (!frame.exclusions) frame.exclusions = rules.Exclusions().ForDirectory(frame.directory);
    if (rules.Exclusions().MatchesName(*frame.exclusions, PathFromBytes(name))) return;
  }
  // The marks of the full path are those of its directory and of its name
  // ("/" between them cannot be part of a mark).
  if (frame.directoryMarked < 0) frame.directoryMarked = IsMarkedPath(frame.directory);
  const int marking = rules.Filter().marking;
  const bool marked = frame.directoryMarked == 1 || IsMarkedName(name);
  if (!(marking == 0 ? !marked : (marking == 2 ? marked : true))) return;
  if (frame.directoryRules < 0)
    frame.directoryRules = rules.PassesDirectoryRules(frame.directory) ? 1 : 0;
  if (frame.directoryRules != 1) return;
  if (frame.dirIndex < 0) frame.dirIndex = catalogue_.DirectoryIndexFor(frame.directory);
  catalogue_.AppendEntry(frame.dirIndex, cname, static_cast<int>(length));
}

}  // namespace ld
