// The show as a native window of a Wayland compositor: the real program on
// a headless sway with two outputs, seen through grim's screenshots and
// driven with wtype's keys.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QImage>

#include "tests/support/RealProgram.h"

using namespace ld::testing;

namespace {

constexpr uid_t kNobody = 65534;

// sway 1.7, headless, drawing with pixman. It refuses to run as root, so it
// runs as "nobody" in a runtime directory of its own; the clients here run
// as the test's user and reach it by the socket's full path. Full-screen
// windows are composited rather than handed to the output as they are
// ("noscanout"): a screenshot of an output that shows a full-screen window
// straight out could otherwise return the output's last composited frame.
class Sway {
 public:
  explicit Sway(const QString& config) {
    if (!runtime_.isValid() || !clientRuntime_.isValid()) return;
    const QString dir = runtime_.path();
    const QString configFile = dir + QStringLiteral("/config");
    WriteBytes(configFile, config.toUtf8());
    if (::chown(QFile::encodeName(dir).constData(), kNobody, kNobody) != 0 ||
        ::chown(QFile::encodeName(configFile).constData(), kNobody, kNobody) != 0)
      return;
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    env.insert(QStringLiteral("HOME"), dir);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir);
    env.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
    env.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
    env.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
    sway_.setProcessEnvironment(env);
    sway_.setProcessChannelMode(QProcess::MergedChannels);
    sway_.start(
        QStringLiteral("setpriv"),
        {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
         QStringLiteral("--clear-groups"), QStringLiteral("--"), QStringLiteral("sway"),
         QStringLiteral("-D"), QStringLiteral("noscanout"), QStringLiteral("-c"), configFile});
    if (!sway_.waitForStarted(5000)) return;
    WaitFor(
        [&] {
          const QDir d(dir);
          const QStringList wl = d.entryList({QStringLiteral("wayland-?")}, QDir::System);
          const QStringList ipc = d.entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System);
          if (wl.isEmpty() || ipc.isEmpty()) return false;
          socket_ = d.filePath(wl[0]);
          ipc_ = d.filePath(ipc[0]);
          return true;
        },
        15000);
  }
  ~Sway() {
    sway_.terminate();
    if (!sway_.waitForFinished(5000)) sway_.kill();
    sway_.waitForFinished(2000);
  }
  bool Ok() const { return !ipc_.isEmpty() && sway_.state() == QProcess::Running; }
  QString Log() { return QString::fromLocal8Bit(sway_.readAll()); }

  // The environment of a client of this compositor, without any X display.
  QProcessEnvironment ClientEnvironment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("XSCREENSAVER_WINDOW"));
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), socket_);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), clientRuntime_.path());
    env.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
    env.insert(QStringLiteral("SWAYSOCK"), ipc_);
    return env;
  }
  // Runs a client to its end; its exit code.
  int Run(const QString& program, const QStringList& args) const {
    QProcess p;
    p.setProcessEnvironment(ClientEnvironment());
    p.start(program, args);
    if (!p.waitForFinished(10000)) return -1;
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  }
  // The whole layout, every output at its place.
  QImage Screenshot() const {
    const QString file = clientRuntime_.filePath(QStringLiteral("shot.png"));
    QFile::remove(file);
    if (Run(QStringLiteral("grim"), {file}) != 0) return QImage();
    return QImage(file);
  }

 private:
  QTemporaryDir runtime_, clientRuntime_;
  QProcess sway_;
  QString socket_, ipc_;
};

bool Near(QRgb px, QColor want) {
  return std::abs(qRed(px) - want.red()) < 40 && std::abs(qGreen(px) - want.green()) < 40 &&
         std::abs(qBlue(px) - want.blue()) < 40;
}

// Whether the 640x480 output at left holds colour all over: its centre and
// points near its edges (clear of the caption in the top left corner).
bool OutputIs(const QImage& shot, int left, QColor colour) {
  for (const QPoint p : {QPoint(320, 240), QPoint(320, 60), QPoint(620, 60), QPoint(10, 240),
                         QPoint(630, 240), QPoint(10, 470), QPoint(630, 470)})
    if (!Near(shot.pixel(left + p.x(), p.y()), colour)) return false;
  return true;
}

}  // namespace

TEST(WaylandShow, PictureFullScreenOnOneOutputBlackOnTheOtherAndEscEndsIt) {
  ResetDataDirs();
  QTemporaryDir photos, cache;
  const QColor blue(20, 20, 220);
  MakeOnePictureCollection(photos.path(), blue);
  Sway sway(
      QStringLiteral("output HEADLESS-1 resolution 640x480 position 0 0\n"
                     "default_border none\n"));
  ASSERT_TRUE(sway.Ok()) << sway.Log().toStdString();
  ASSERT_EQ(sway.Run(QStringLiteral("swaymsg"), {QStringLiteral("create_output")}), 0);
  ASSERT_EQ(sway.Run(QStringLiteral("swaymsg"),
                     {QStringLiteral("output"), QStringLiteral("HEADLESS-2"),
                      QStringLiteral("resolution"), QStringLiteral("640x480"),
                      QStringLiteral("position"), QStringLiteral("640"), QStringLiteral("0")}),
            0);

  QProcess show;
  QProcessEnvironment env = sway.ClientEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
  env.insert(QStringLiteral("XDG_CACHE_HOME"), cache.path());
  show.setProcessEnvironment(env);
  show.start(ProgramPath(), {QStringLiteral("/s")});
  ASSERT_TRUE(show.waitForStarted(5000));

  QImage shot;
  const bool seen = WaitFor(
      [&] {
        shot = sway.Screenshot();
        if (shot.width() != 1280 || shot.height() != 480) return false;
        return (OutputIs(shot, 0, blue) && OutputIs(shot, 640, Qt::black)) ||
               (OutputIs(shot, 640, blue) && OutputIs(shot, 0, Qt::black));
      },
      30000);
  EXPECT_TRUE(seen) << "screenshot " << shot.width() << "x" << shot.height() << ", centres "
                    << std::hex << (shot.isNull() ? 0 : shot.pixel(320, 240)) << " "
                    << (shot.isNull() ? 0 : shot.pixel(960, 240));

  // Esc ends the show as on any desktop. One wtype keeps its virtual
  // keyboard while the other sends the key, so that the key is not lost
  // with a keyboard that comes and goes.
  QProcess keyboard;
  keyboard.setProcessEnvironment(sway.ClientEnvironment());
  keyboard.start(QStringLiteral("wtype"), {QStringLiteral("-s"), QStringLiteral("3600000")});
  ASSERT_TRUE(keyboard.waitForStarted(5000));
  QThread::msleep(300);
  EXPECT_EQ(sway.Run(QStringLiteral("wtype"), {QStringLiteral("-k"), QStringLiteral("Escape")}), 0);
  const bool ended = show.waitForFinished(15000);
  keyboard.kill();
  keyboard.waitForFinished(2000);
  const QString errors = QString::fromLocal8Bit(show.readAllStandardError());
  if (!ended) {
    show.kill();
    show.waitForFinished(2000);
  }
  ASSERT_TRUE(ended) << errors.toStdString();
  EXPECT_EQ(show.exitCode(), 1) << errors.toStdString();
  // Nothing that Wayland does not allow turns into a message.
  EXPECT_FALSE(errors.contains(QStringLiteral("wayland"), Qt::CaseInsensitive))
      << errors.toStdString();
}
