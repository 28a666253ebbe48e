#include "catalogue/DirectoryScan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <string_view>

#include "catalogue/Utf8.h"
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

}  // namespace

// What the walk knows about the directory it is listing; the rules that look
// at the directory alone are tested once, at its first picture.
struct DirectoryScan::Frame {
  const QString& directory;
  int dirIndex = -1;       // position in the directory table, once it has a picture
  int directoryRules = -1;  // -1 not tested yet, else 0 / 1
  int directoryMarked = -1;
};

DirectoryScan::DirectoryScan(const ScanFilter& filter, const ExclusionLists& exclusions,
                             Catalogue& catalogue, int& scanCounter, ScanHooks hooks)
    : rules_(filter, exclusions),
      catalogue_(catalogue),
      counter_(scanCounter),
      hooks_(std::move(hooks)),
      lastEvents_(std::chrono::steady_clock::now()) {}

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

bool DirectoryScan::AcceptPicture(const QString& fullPath, const QString& name, bool isDirectory,
                                  const QString& directory) {
  if (!rules_.Accepts(fullPath, isDirectory, directory)) return false;
  return catalogue_.AppendCatalogueEntry(directory, name);
}

void DirectoryScan::ScanDirectory(const QString& directory) {
  const QByteArray path = QFile::encodeName(directory);
  const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  Walk(fd, directory);
}

void DirectoryScan::Walk(int fd, const QString& directory) {
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    ::close(fd);
    return;
  }
  // A directory already on the path from the root is reached through a link
  // loop: walking it again would never end.
  for (const auto& [dev, ino] : path_) {
    if (dev == st.st_dev && ino == st.st_ino) {
      ::close(fd);
      return;
    }
  }
  DIR* listing = ::fdopendir(fd);
  if (!listing) {
    ::close(fd);
    return;
  }
  path_.emplace_back(st.st_dev, st.st_ino);
  Frame frame{directory};
  const int dirFd = ::dirfd(listing);
  while (!StopRequested()) {
    const dirent* e = ::readdir(listing);
    if (!e) break;
    CountEntry();
    HandleEntry(frame, dirFd, e->d_name, e->d_type);
    MaybeLetEventsThrough();
  }
  ::closedir(listing);
  path_.pop_back();
}

void DirectoryScan::HandleEntry(Frame& frame, int dirFd, const char* cname, unsigned char type) {
  const std::string_view name(cname);
  if (name == "." || name == "..") return;
  if (HasLineBreak(name)) return;
  const bool walkSubDirectories = rules_.Filter().subDirectories > 0;
  const bool pictureName = HasPictureName(name);
  if (!pictureName && (!walkSubDirectories || type == DT_REG)) return;

  bool isDirectory = type == DT_DIR;
  bool isFile = type == DT_REG;
  long long size = -1;
  struct stat st;
  if (type == DT_LNK || type == DT_UNKNOWN) {
    // Follow the link (or find out what the entry is); a dangling link is
    // passed over.
    if (::fstatat(dirFd, cname, &st, 0) != 0) return;
    isDirectory = S_ISDIR(st.st_mode);
    isFile = S_ISREG(st.st_mode);
    size = st.st_size;
  }

  if (isFile && pictureName) {
    if (size < 0) {
      if (::fstatat(dirFd, cname, &st, AT_SYMLINK_NOFOLLOW) != 0) return;
      size = st.st_size;
    }
    if (size > 0 && name.size() <= static_cast<size_t>(kMaxNameBytes) && IsValidUtf8(name)) {
      const PictureRules& rules = rules_;
      bool pathOk;
      if (rules.Filter().useExclusionLists) {
        pathOk = rules.PassesPathRules(JoinPath(frame.directory, QString::fromUtf8(cname)));
      } else {
        // The marks of the full path are those of its directory and of its
        // name ("/" between them cannot be part of a mark).
        if (frame.directoryMarked < 0) frame.directoryMarked = IsMarkedPath(frame.directory);
        const int marking = rules.Filter().marking;
        const bool marked = frame.directoryMarked == 1 || IsMarkedName(name);
        pathOk = marking == 0 ? !marked : (marking == 2 ? marked : true);
      }
      if (pathOk) {
        if (frame.directoryRules < 0)
          frame.directoryRules = rules.PassesDirectoryRules(frame.directory) ? 1 : 0;
        if (frame.directoryRules == 1) {
          if (frame.dirIndex < 0) frame.dirIndex = catalogue_.DirectoryIndexFor(frame.directory);
          catalogue_.AppendEntry(frame.dirIndex, cname, static_cast<int>(name.size()));
        }
      }
    }
  }

  if (isDirectory && walkSubDirectories) {
    if (!IsValidUtf8(name)) return;
    const int childFd = ::openat(dirFd, cname, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (childFd < 0) return;
    Walk(childFd, JoinPath(frame.directory, QString::fromUtf8(cname)));
  }
}

}  // namespace ld
