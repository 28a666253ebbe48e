#include "platform/RealServices.h"

#include <QCursor>
#include <QDateTime>
#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QUrl>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <random>

#include "platform/Session.h"

// Xlib defines macros (Status, Bool, ...) that clash with Qt: it comes last.
#include <X11/Xlib.h>
#include <alsa/asoundlib.h>

namespace ld {

// ---- screen saver -------------------------------------------------------

IScreenSaver::State X11ScreenSaver::Get() {
  State s;
  if (qEnvironmentVariableIsEmpty("DISPLAY")) return s;
  Display* d = XOpenDisplay(nullptr);
  if (!d) return s;
  int timeout = 0, interval = 0, blanking = 0, exposures = 0;
  XGetScreenSaver(d, &timeout, &interval, &blanking, &exposures);
  XCloseDisplay(d);
  s.timeoutSeconds = timeout;
  s.active = timeout > 0;
  return s;
}

void X11ScreenSaver::SetTimeout(int seconds) {
  // A negative delay is no delay: below -1 the X server answers with an
  // error that would end the program, and -1 would silently restore the
  // server's default. Such a value is not sent.
  if (seconds < 0) return;
  if (qEnvironmentVariableIsEmpty("DISPLAY")) return;
  Display* d = XOpenDisplay(nullptr);
  if (!d) return;
  int timeout = 0, interval = 0, blanking = 0, exposures = 0;
  XGetScreenSaver(d, &timeout, &interval, &blanking, &exposures);
  XSetScreenSaver(d, seconds, interval, blanking, exposures);
  XSync(d, False);
  XCloseDisplay(d);
}

// ---- dialogs nobody answers ---------------------------------------------

namespace {
void ToStderr(const QString& text) {
  std::fprintf(stderr, "luminodrift : %s\n", text.simplified().toLocal8Bit().constData());
}
}  // namespace

void QuietDialogs::Notice(const QString& text) { ToStderr(text); }
void QuietDialogs::ErrorBox(const QString& text) { ToStderr(text); }
bool QuietDialogs::Confirm(const QString& text) {
  ToStderr(text);
  return false;
}
void QuietDialogs::ConfirmYesOnly(const QString& text) { ToStderr(text); }
std::optional<QString> QuietDialogs::ChooseDirectory(const QString&) { return std::nullopt; }
std::optional<QString> QuietDialogs::ChooseExecutable() { return std::nullopt; }

// ---- pointer, clock, random, exit ---------------------------------------

QPoint QtPointer::Pos() { return QCursor::pos(); }
void QtPointer::SetPos(const QPoint& p) {
  // A Wayland client cannot move the pointer: the pointer stays where it is.
  if (IsWaylandSession()) return;
  QCursor::setPos(p);
}

double SystemClock::NowDays() {
  // Days since 1899-12-30 in local time, as the show's speed rule counts.
  static const QDateTime origin(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
  const QDateTime now = QDateTime::currentDateTime();
  QDateTime localAsUtc(now.date(), now.time(), Qt::UTC);
  return static_cast<double>(origin.msecsTo(localAsUtc)) / 86400000.0;
}

QtRandom::QtRandom() { Reseed(); }

void QtRandom::Reseed() {
  // Eight words from the system's generator seed the whole state of the
  // generator, not only 32 bits of it.
  quint32 words[8];
  QRandomGenerator::system()->fillRange(words);
  std::seed_seq seeds(std::begin(words), std::end(words));
  generator_.seed(seeds);
}

int QtRandom::Uniform(int low, int high) {
  if (high <= low) return low;
  // The standard distribution rejects the draws that would favour some
  // values (QRandomGenerator::bounded scales instead, slightly unevenly).
  return std::uniform_int_distribution<int>(low, high)(generator_);
}

void RealProcessExit::Exit(int code) {
  std::fflush(nullptr);
  std::_Exit(code);
}

// ---- sound ----------------------------------------------------------------

namespace {
// ALSA reports a missing device on the standard error stream at every
// attempt; without a device the tone is simply not heard.
void SilentAlsaError(const char*, int, const char*, int, const char*, ...) {}
}  // namespace

void AlsaSound::PlayWav(const QByteArray& wav) {
  static const bool quiet = (snd_lib_error_set_handler(SilentAlsaError), true);
  (void)quiet;
  // The program's own WAV images: 44/46-byte RIFF header, PCM, 8 or 16 bits.
  if (wav.size() < 44 || !wav.startsWith("RIFF")) return;
  const auto* b = reinterpret_cast<const unsigned char*>(wav.constData());
  auto u16 = [&](int o) { return unsigned(b[o]) | unsigned(b[o + 1]) << 8; };
  auto u32 = [&](int o) { return u16(o) | u16(o + 2) << 16; };
  const unsigned fmtLen = u32(16);
  const unsigned channels = u16(22);
  const unsigned rate = u32(24);
  const unsigned bits = u16(34);
  const qsizetype dataHeader = 20 + fmtLen;
  if (dataHeader + 8 > wav.size() || channels == 0) return;
  const unsigned dataLen = u32(static_cast<int>(dataHeader + 4));
  const qsizetype dataStart = dataHeader + 8;
  const qsizetype avail = std::min<qsizetype>(dataLen, wav.size() - dataStart);
  if (avail <= 0) return;

  snd_pcm_t* pcm = nullptr;
  if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0) return;
  const snd_pcm_format_t format = bits == 16 ? SND_PCM_FORMAT_S16_LE : SND_PCM_FORMAT_U8;
  if (snd_pcm_set_params(pcm, format, SND_PCM_ACCESS_RW_INTERLEAVED, channels, rate, 1, 200000) ==
      0) {
    const unsigned frameBytes = channels * (bits == 16 ? 2 : 1);
    snd_pcm_sframes_t frames = avail / frameBytes;
    const unsigned char* p = b + dataStart;
    while (frames > 0) {
      snd_pcm_sframes_t w = snd_pcm_writei(pcm, p, frames);
      if (w < 0) w = snd_pcm_recover(pcm, static_cast<int>(w), 1);
      if (w < 0) break;
      p += w * frameBytes;
      frames -= w;
    }
    snd_pcm_drain(pcm);
  }
  snd_pcm_close(pcm);
}

// ---- processes and desktop -------------------------------------------------

IShell::RunResult QtShell::RunAndWait(const QString& program, const QStringList& args,
                                      const std::function<void()>& whileWaiting) {
  RunResult result;
  QProcess p;
  p.setProgram(program);
  p.setArguments(args);
  p.setProcessChannelMode(QProcess::ForwardedChannels);
  p.start();
  if (!p.waitForStarted(5000)) return result;
  result.started = true;
  for (;;) {
    if (whileWaiting) whileWaiting();
    if (p.waitForFinished(200)) break;
    if (p.state() == QProcess::NotRunning) break;
  }
  result.crashed = p.exitStatus() == QProcess::CrashExit;
  result.exitCode = p.exitCode();
  return result;
}

QString QtShell::DefaultApplication(const QString& mimeType) {
  QProcess p;
  p.setProcessChannelMode(QProcess::SeparateChannels);
  p.setStandardInputFile(QProcess::nullDevice());
  p.start(QStringLiteral("xdg-mime"),
          {QStringLiteral("query"), QStringLiteral("default"), mimeType});
  if (!p.waitForStarted(5000) || !p.waitForFinished(5000)) {
    p.kill();
    p.waitForFinished(1000);
    return QString();
  }
  if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) return QString();
  // One id; some desktops list several, separated by ";".
  const QString out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
  return out.section(u';', 0, 0).trimmed();
}

bool QtShell::OpenWithDesktop(const QString& pathOrUrl) {
  const QUrl url =
      pathOrUrl.contains(QStringLiteral("://")) ? QUrl(pathOrUrl) : QUrl::fromLocalFile(pathOrUrl);
  return QDesktopServices::openUrl(url);
}

bool QtShell::StartDetached(const QString& program, const QStringList& args) {
  return QProcess::startDetached(program, args);
}

}  // namespace ld
