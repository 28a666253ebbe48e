// Every input kept in fuzz/corpus/<target>/ (seeds and inputs that once found
// a fault) goes through the same entry function as the fuzz target, in the
// normal test build, so a fault that comes back fails here.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "fuzz/FuzzEntries.h"
#include "support/TempData.h"

namespace ld::fuzz {
// Failure messages name the target.
void PrintTo(const Target& target, std::ostream* os) { *os << target.name; }
}  // namespace ld::fuzz

namespace {

class FuzzCorpus : public ::testing::TestWithParam<ld::fuzz::Target> {};

TEST_P(FuzzCorpus, EveryKeptInputPassesItsTarget) {
  const ld::fuzz::Target target = GetParam();
  const QDir dir(QStringLiteral(LD_FUZZ_CORPUS_DIR "/") + QLatin1String(target.name));
  const QStringList files = dir.entryList(QDir::Files, QDir::Name);
  ASSERT_FALSE(files.isEmpty()) << "no corpus in " << dir.path().toStdString();
  // Qt's readers warn about every broken picture of the corpus; quiet here.
  const QtMessageHandler previous =
      qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  for (const QString& name : files) {
    ld::testing::ResetDataDirs();
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::ReadOnly)) {
      ADD_FAILURE() << "cannot read " << name.toStdString();
      continue;
    }
    const QByteArray bytes = f.readAll();
    const QString problem = target.entry(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                         static_cast<std::size_t>(bytes.size()));
    EXPECT_TRUE(problem.isEmpty()) << name.toStdString() << ": " << problem.toStdString();
  }
  qInstallMessageHandler(previous);
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzCorpus, ::testing::ValuesIn(ld::fuzz::Targets()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
