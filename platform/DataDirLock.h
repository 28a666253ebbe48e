#pragma once

#include <chrono>
#include <functional>

namespace ld {

// One writer at a time per data directory: the catalogue's rebuild and save
// (and a load, which must not read one file of an old pair and one of a new)
// hold an exclusive lock on the lock file of the data directory. Another
// process, or another holder in this one, waits a little for it, then gives
// up and says the directory is busy. The lock goes with the holder, and with
// the process however it ends.
class DataDirLock {
 public:
  DataDirLock() = default;
  ~DataDirLock() { Release(); }
  DataDirLock(const DataDirLock&) = delete;
  DataDirLock& operator=(const DataDirLock&) = delete;

  // Takes the lock, trying for at most `patience` and calling `between`
  // (when given) while it waits. False when another holder kept it all that
  // time. Throws ld::Error ("Impossible de créer le fichier ...") when the
  // lock file cannot be made. A reader that writes nothing (the show drawn
  // into another program's window) passes mayCreate false: without a lock
  // file no writer holds the lock, and true is returned with nothing held.
  bool Take(std::chrono::milliseconds patience, const std::function<void()>& between = {},
            bool mayCreate = true);
  void Release();
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// How long a writer waits for another one before saying it is busy.
inline constexpr std::chrono::milliseconds kWriterPatience{3000};

}  // namespace ld
