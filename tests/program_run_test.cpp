// The real program on an X server of its own: every start answers its keys,
// a FIFO among its files holds nothing up, the system's request to end
// (SIGTERM) ends the show as Esc does, and names that are not UTF-8 come back
// from its state files.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include "platform/PathBytes.h"
#include "tests/support/RealProgram.h"

// Xlib comes after Qt.
#include "tests/support/XPixels.h"

using namespace ld;
using namespace ld::testing;

namespace {

constexpr int kWidth = 640, kHeight = 480;

// An X server with a black root, so that each start's picture is seen
// anew, and a connection to it to look at the screen.
struct BlackScreen {
  BlackScreen()
      : x({QStringLiteral("-screen"), QStringLiteral("0"),
           QStringLiteral("%1x%2x24").arg(kWidth).arg(kHeight), QStringLiteral("-br")}),
        d(x.Ok() ? XOpenDisplay(x.Name8().constData()) : nullptr) {}
  ~BlackScreen() {
    if (d) XCloseDisplay(d);
  }
  Xvfb x;
  Display* d;
};

// Starts the show and waits for its red picture in the middle of the screen.
bool StartUntilPicture(QProcess& p, const Xvfb& x, Display* d, const QString& cache) {
  StartProgram(p, x.Name(), {QStringLiteral("/s")}, cache);
  if (!p.waitForStarted(5000)) return false;
  return WaitFor([&] { return IsRed(PixelAt(d, kWidth / 2, kHeight / 2)); }, 30000);
}

// Ends the program if it is still there (a failed test).
void Reap(QProcess& p) {
  if (p.state() == QProcess::NotRunning) return;
  p.kill();
  p.waitForFinished(5000);
}

}  // namespace

TEST(ProgramRun, EveryStartAnswersEscAtOnce) {
  ResetDataDirs();
  QTemporaryDir photos, cache;
  MakeOnePictureCollection(photos.path(), QColor(220, 20, 20));
  BlackScreen screen;
  ASSERT_NE(screen.d, nullptr);
  const Xvfb& x = screen.x;
  Display* d = screen.d;
  // The first start builds the catalogue; the others load it, and decode
  // their first picture on a thread of their own while Qt starts.
  for (int start = 0; start < 20; ++start) {
    QProcess p;
    ASSERT_TRUE(StartUntilPicture(p, x, d, cache.path())) << "start " << start;
    ASSERT_EQ(x.Run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")}),
              0);
    // Esc is handled at once; the bound only keeps a lost key from hanging
    // the test.
    const bool ended = p.waitForFinished(2000);
    Reap(p);
    EXPECT_TRUE(ended) << "start " << start << ": Esc not handled";
    EXPECT_EQ(p.exitCode(), 1) << "start " << start;
    const QByteArray err = p.readAllStandardError();
    EXPECT_FALSE(err.contains("not created in the main() thread"))
        << "start " << start << ": " << err.toStdString();
    if (!ended) break;
  }
}

TEST(ProgramRun, SigtermSavesAndEndsAsEscDoes) {
  QTemporaryDir photos, cache;
  BlackScreen screen;
  ASSERT_NE(screen.d, nullptr);
  const Xvfb& x = screen.x;
  Display* d = screen.d;
  // The same start ended once by Esc, once by SIGTERM: the same files saved.
  QByteArray saved[2][2];
  for (int byTerm : {0, 1}) {
    ResetDataDirs();
    MakeOnePictureCollection(photos.path(), QColor(220, 20, 20));
    QProcess p;
    ASSERT_TRUE(StartUntilPicture(p, x, d, cache.path()));
    if (byTerm)
      ::kill(pid_t(p.processId()), SIGTERM);
    else
      ASSERT_EQ(x.Run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")}),
                0);
    const bool ended = p.waitForFinished(5000);
    Reap(p);
    ASSERT_TRUE(ended);
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << byTerm;
    EXPECT_EQ(p.exitCode(), 1) << byTerm;
    saved[byTerm][0] = ReadBytes(Data("luminodrift_var.prm"));
    saved[byTerm][1] = ReadBytes(Data("img_affichees.lst"));
  }
  EXPECT_FALSE(saved[0][0].isEmpty());
  EXPECT_EQ(saved[1][0], saved[0][0]);
  EXPECT_EQ(saved[1][1], saved[0][1]);
}

TEST(ProgramRun, AFifoInPlaceOfADataFileHoldsNothingUp) {
  ResetDataDirs();
  QTemporaryDir photos, cache;
  MakeOnePictureCollection(photos.path(), QColor(220, 20, 20));
  BlackScreen screen;
  ASSERT_NE(screen.d, nullptr);
  const Xvfb& x = screen.x;
  Display* d = screen.d;
  // The settings: the show starts on its defaults.
  const QByteArray settings = QFile::encodeName(Data("luminodrift_var.prm"));
  ASSERT_EQ(::mkfifo(settings.constData(), 0600), 0);
  QProcess show;
  EXPECT_TRUE(StartUntilPicture(show, x, d, cache.path()));
  Reap(show);
  // The settings dialog's own file: the dialog opens.
  const QByteArray ini = QFile::encodeName(ConfigDir() + QStringLiteral("/Lumino_drift.ini"));
  ASSERT_EQ(::mkfifo(ini.constData(), 0600), 0);
  QProcess dialog;
  StartProgram(dialog, x.Name(), {QStringLiteral("/c")}, cache.path());
  ASSERT_TRUE(dialog.waitForStarted(5000));
  EXPECT_EQ(x.Run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--sync"),
                                              QStringLiteral("--onlyvisible"),
                                              QStringLiteral("--name"), QStringLiteral("^Param")}),
            0);
  Reap(dialog);
  struct stat st {};
  for (const QByteArray& fifo : {settings, ini}) {
    ASSERT_EQ(::stat(fifo.constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << fifo.constData();
  }
}

// Latin-1 names (old Windows or FAT disks) in the directory list, the
// current-directory list and the history keep their bytes from one start to
// the next: the first start shows the listed blue picture and saves it in the
// history; the second shows the catalogue's green one, and browsing the
// history brings the blue one back.
TEST(ProgramRun, NamesThatAreNotUtf8ComeBackFromTheStateFiles) {
  ResetDataDirs();
  QTemporaryDir tmp, cache;
  const QByteArray root = PathToBytes(tmp.path()) + "/\xe9t\xe9 2003";
  const QByteArray listed = PathToBytes(tmp.path()) + "/f\xeate";
  const auto jpeg = [](const QColor& c) {
    QImage img(320, 240, QImage::Format_RGB32);
    img.fill(c);
    return EncodeJpeg(img, 95);
  };
  ASSERT_TRUE(WriteRawFile(root + "/vert.jpg", jpeg(QColor(20, 200, 20))));
  ASSERT_TRUE(WriteRawFile(listed + "/bl\xe9u.jpg", jpeg(QColor(20, 20, 220))));
  ASSERT_TRUE(WriteRawFile(PathToBytes(Data("luminodrift.rep")), root + "\r\n"));
  WriteBytes(Data("luminodrift.repflag"), "true\r\n");
  // Each picture stays a minute: the history holds only what the test shows.
  WriteBytes(Data("luminodrift_var.prm"), "dt0_a = 60000\r\nRdg1.ItemIndex = 0\r\n");
  WriteBytes(Data("img_affichees.lst"), PathToBytes(tmp.path()) + "/absente.jpg\r\n");
  ASSERT_TRUE(WriteRawFile(PathToBytes(Data("image_rep_crt.txt")), listed + "\r\nbl\xe9u.jpg\r\n"));

  BlackScreen screen;
  ASSERT_NE(screen.d, nullptr);
  const Xvfb& x = screen.x;
  Display* d = screen.d;
  const auto centre = [&](bool (*colour)(unsigned long)) {
    return WaitFor([&] { return colour(PixelAt(d, kWidth / 2, kHeight / 2)); }, 30000);
  };
  const auto blue = [](unsigned long px) { return (px & 0xff) > 180 && ((px >> 8) & 0xff) < 70; };
  const auto green = [](unsigned long px) {
    return ((px >> 8) & 0xff) > 160 && (px & 0xff) < 70 && ((px >> 16) & 0xff) < 70;
  };
  const auto key = [&](const char* name) {
    return x.Run(QStringLiteral("xdotool"), {QStringLiteral("key"), QString::fromLatin1(name)});
  };

  QProcess first;
  StartProgram(first, x.Name(), {QStringLiteral("/s")}, cache.path());
  EXPECT_TRUE(centre(blue));
  EXPECT_EQ(key("Escape"), 0);
  EXPECT_TRUE(first.waitForFinished(5000));
  Reap(first);
  EXPECT_TRUE(ReadBytes(Data("img_affichees.lst")).contains(listed + "/bl\xe9u.jpg\r\n"));
  EXPECT_EQ(ReadBytes(Data("luminodrift.rep")), root + "\r\n");

  QProcess second;
  StartProgram(second, x.Name(), {QStringLiteral("/s")}, cache.path());
  EXPECT_TRUE(centre(green));
  // Space stops the run and opens the panel; Left then browses the history.
  EXPECT_EQ(key("space"), 0);
  EXPECT_EQ(key("Left"), 0);
  EXPECT_TRUE(centre(blue));
  EXPECT_EQ(key("Escape"), 0);
  EXPECT_TRUE(second.waitForFinished(5000));
  Reap(second);
  EXPECT_TRUE(ReadBytes(Data("img_affichees.lst")).contains(listed + "/bl\xe9u.jpg\r\n"));
  RemoveRawTree(PathToBytes(tmp.path()));
}
