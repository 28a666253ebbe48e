#pragma once

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <string>

#include "platform/DataDir.h"
#include "tests/support/JpegFixtures.h"
#include "tests/support/TempData.h"

// Running the real program, and an X server of its own for it (Xvfb picks a
// free display itself and tells which), for the tests that watch what the
// program does on a desktop.
namespace ld::testing {

inline QString ProgramPath() { return QStringLiteral(LD_PROGRAM_PATH); }

class Xvfb {
 public:
  // extraArgs such as {"-screen", "0", "1600x600x24", "-wr"}.
  explicit Xvfb(const QStringList& extraArgs) {
    server_.setProgram(QStringLiteral("Xvfb"));
    server_.setArguments(QStringList{QStringLiteral("-displayfd"), QStringLiteral("1"),
                                     QStringLiteral("-noreset"), QStringLiteral("-nolisten"),
                                     QStringLiteral("tcp")} +
                         extraArgs);
    server_.setProcessChannelMode(QProcess::SeparateChannels);
    server_.start();
    if (!server_.waitForStarted(5000)) return;
    QElapsedTimer t;
    t.start();
    QByteArray out;
    while (!out.contains('\n') && t.elapsed() < 10000 && server_.state() == QProcess::Running) {
      server_.waitForReadyRead(200);
      out += server_.readAllStandardOutput();
    }
    if (out.contains('\n')) name_ = QStringLiteral(":") + QString::fromLatin1(out.trimmed());
  }
  ~Xvfb() {
    server_.terminate();
    server_.waitForFinished(5000);
  }
  bool Ok() const { return !name_.isEmpty(); }
  const QString& Name() const { return name_; }
  QByteArray Name8() const { return name_.toLatin1(); }

  // Runs an X client on this display to its end; its exit code.
  int Run(const QString& program, const QStringList& args) const {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), name_);
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(10000)) return -1;
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  }

 private:
  QProcess server_;
  QString name_;
};

// The program on display, with the test's own data and configuration
// directories; caches elsewhere, so every file it could write is under HOME.
inline void StartProgram(QProcess& p, const QString& display, const QStringList& args,
                         const QString& cacheDir) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("DISPLAY"), display);
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  env.insert(QStringLiteral("XDG_CACHE_HOME"), cacheDir);
  env.remove(QStringLiteral("XSCREENSAVER_WINDOW"));
  p.setProcessEnvironment(env);
  p.setProgram(ProgramPath());
  p.setArguments(args);
  p.start();
}

// A collection of one picture of one colour, ticked in the directory list,
// with a history line so that the start is not a first start.
inline void MakeOnePictureCollection(const QString& photos, const QColor& colour) {
  QImage img(320, 240, QImage::Format_RGB32);
  img.fill(colour);
  WriteBytes(photos + QStringLiteral("/couleur.jpg"), EncodeJpeg(img, 95));
  const QString dataDir = ld::DataDir();
  WriteBytes(dataDir + QStringLiteral("/luminodrift.rep"), photos.toUtf8() + "\r\n");
  WriteBytes(dataDir + QStringLiteral("/luminodrift.repflag"), "true\r\n");
  WriteBytes(dataDir + QStringLiteral("/img_affichees.lst"),
             (photos + QStringLiteral("/couleur.jpg")).toUtf8() + "\r\n");
}

// Every file under dir with its size and modification time, one a line.
inline std::string FilesUnder(const QString& dir) {
  QStringList lines;
  QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    it.next();
    const QFileInfo fi = it.fileInfo();
    lines << fi.filePath() + QLatin1Char(' ') + QString::number(fi.size()) + QLatin1Char(' ') +
                 QString::number(fi.lastModified().toMSecsSinceEpoch());
  }
  lines.sort();
  return lines.join(QLatin1Char('\n')).toStdString();
}

// Polls cond every 100 ms until it holds or timeoutMs has passed.
inline bool WaitFor(const std::function<bool()>& cond, int timeoutMs) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < timeoutMs) {
    if (cond()) return true;
    QThread::msleep(100);
  }
  return cond();
}

}  // namespace ld::testing
