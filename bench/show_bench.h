#pragma once
// The parts of the show benchmark (ld_show_bench), one file each; see
// show_bench.cpp for what it measures.
#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "platform/PictureDecoder.h"
#include "show/PicturePrefetcher.h"

namespace ld {
class PictureView;
struct RealServices;
}  // namespace ld

namespace showbench {

// The generated photo's size, and the screen of the show.
inline constexpr int kW = 6000, kH = 4000;
inline const QSize kScreen(1920, 1080);

// show_bench_support.cpp: statistics, timing, memory, printing
double Median(std::vector<double> v);
void WriteFile(const QString& path, const QByteArray& bytes);
double RunMs(const std::vector<std::string>& args);
const char* Met(bool met);
void Line(const char* what, double ms, const char* refName, double ref, double limitFactor);
double CpuMs(int who);
double StatusMb(const char* key);
void DumpResident(const char* when);
bool ResetPeak();
void GapLine(const char* what, const std::vector<double>& gaps);
double Max(const std::vector<double>& v);
double Min(const std::vector<double>& v);
// show_bench_pictures.cpp: the generated pictures
QByteArray ExifOrientation(unsigned char tag);
QByteArray WithOrientation(const QByteArray& jpeg, unsigned char tag);
QStringList TurnedPictures();
int Generate(const QString& dir);
// Crafted files among photos for the hostile show, and each file's decode
// cost alone.
int Hostile(const QString& dir);
int DecodeEach(const QStringList& paths);
// show_bench_decode.cpp: decode times against djpeg
struct Decoded {
  double ms = 0;
  ld::DecodedPicture picture;
};
Decoded TimeDecode(const QString& path, const ld::DisplayTarget& target, int runs);
double TimeDjpeg(const QString& path, const QString& scale, int runs);
struct Race {
  double ours = 0, djpeg = 0, oursCpu = 0, djpegCpu = 0;
};
Race FullDecodeAgainstDjpeg(const QString& path, int runs);
int Decode(const QString& dir);
// show_bench_zoom.cpp: zoom frames drawn again and compared
double Psnr(const QImage& a, const QImage& b);
QImage AreaAverage(const QImage& src, QSize drawn, QRect target);
struct ZoomDraws {
  QImage source;
  bool reduced = false;
  std::vector<double> smoothMs, nearestMs;
  std::vector<double> qtDb, smoothDb, nearestDb;
  std::vector<double> smoothToQtDb;  // the smooth draw against QImage::scaled itself
  double worstGapDb = 0;
};
ZoomDraws RedrawZoomFrames(ld::PictureView& view, const std::vector<QRect>& frames);
// show_bench.cpp: the real show
std::vector<double> Gaps(ld::RealServices& real, const QString& dir, const QString& sub,
                         const QStringList& targets, int pictures, int pauseMs);
int Show(const QString& dir, bool zoomOnly);

}  // namespace showbench
