// The libFuzzer program of one target, chosen at build time by
// LD_FUZZ_ENTRY. Its home, data and configuration directories are a fresh
// temporary directory (under $LD_FUZZ_WORKDIR when set), so the catalogue
// target never touches the user's files.
#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <cstdlib>

#include "fuzz/FuzzEntries.h"

namespace {
QByteArray workDir;
void RemoveWorkDir() { QDir(QString::fromLocal8Bit(workDir)).removeRecursively(); }
}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  const char* base = std::getenv("LD_FUZZ_WORKDIR");
  QByteArray pattern = QByteArray(base && *base ? base : "/tmp") + "/ld-fuzz-XXXXXX";
  if (!mkdtemp(pattern.data())) {
    std::perror("mkdtemp");
    std::exit(1);
  }
  workDir = pattern;
  std::atexit(RemoveWorkDir);
  setenv("HOME", workDir.constData(), 1);
  setenv("XDG_DATA_HOME", (workDir + "/data").constData(), 1);
  setenv("XDG_CONFIG_HOME", (workDir + "/config").constData(), 1);
  // Qt's readers warn about every broken picture; the fuzzer's own output is
  // what matters.
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  // Qt's image plugins (the icon reader) are found through the application.
  static QCoreApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString problem = ld::fuzz::LD_FUZZ_ENTRY(data, size);
  if (!problem.isEmpty()) {
    std::fprintf(stderr, "fuzz check failed: %s\n", problem.toUtf8().constData());
    std::abort();
  }
  return 0;
}
