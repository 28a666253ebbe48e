#pragma once

#include <QImage>
#include <QPainter>
#include <QSize>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

namespace ld {

// The picture control: holds one picture and paints it stretched into its own
// rectangle. The window clips it, so a zoom frame larger than the screen
// costs only the pixels that are visible.
//
// Every paint is smooth, from the smallest of the picture's reduced copies
// that is still at least 1.8 times as large as the control: halves of the
// picture, made once per picture on a worker thread, down to the last one
// that still covers the picture's fitted size on the screen. Each pixel
// drawn is the average of the area it covers, as a smooth scaling makes it,
// without the shimmer of a large picture sampled sparsely. A copy's pixels
// straddle the edges of those areas; the margin keeps the detail that blurs
// there below what a smooth scaling of the picture itself loses. An
// enlarged picture is drawn bilinear.
class PictureView : public QWidget {
  Q_OBJECT
 public:
  explicit PictureView(QWidget* parent = nullptr);
  ~PictureView() override;

  // The picture, and the picture's own size, which the display lays out: a
  // photo decoded at a reduced scale keeps its full width and height here.
  void SetPicture(QImage image);
  void SetPicture(QImage image, QSize ownSize);
  const QImage& Picture() const { return picture_; }
  // Width and height of the picture (0 x 0 when none could be made).
  int PictureWidth() const { return own_.width(); }
  int PictureHeight() const { return own_.height(); }

  // Whether the picture is moving (the zoom's frames). Both are drawn
  // smoothly; a still picture drawn before its reduced copies were ready is
  // drawn again once they are.
  void SetFastScaling(bool fast);
  bool FastScaling() const { return fast_; }

  // Makes the memory that drawing a reduced picture on a screen `screen`
  // wide uses, ahead of the first paint: at start-up it is done while the
  // first picture is still being decoded, instead of after.
  void PrepareDrawing(int screenWidth);

  // The picture drawn into a control of size `drawn`, the part `target` of
  // it (in the control's coordinates), the way a paint draws it: by `p`
  // (whose origin is the control's), or into a new image of target's size.
  // For measurements and tests; both wait for the reduced copies.
  void PaintPart(QPainter& p, QSize drawn, QRect target);
  QImage RenderedPart(QSize drawn, QRect target);
  // The reduced copies made so far (the picture itself not included).
  int ReducedCopies();

  // Called after each paint with the time it took (ms); for measurements.
  std::function<void(double ms)> on_painted;

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  struct Reductions;
  class DrawHelper;
  // The copy to draw a control of size `drawn` from; `ready` tells whether
  // the reduced copies are all there.
  QImage SourceFor(QSize drawn, bool* ready = nullptr, bool wait = false);
  void Draw(QPainter& p, QSize drawn, QRect target, const QImage& source);

  // Copies are used only when at least this much larger than the drawn size.
  static constexpr double kMinReduction = 1.8;

  QImage picture_;
  QSize own_{0, 0};
  // Reused by every reduced draw: a few bands of drawn pixels, and each
  // thread's row sums.
  QImage buffer_;
  static constexpr int kBand = 32;  // rows averaged at once
  static constexpr int kSlots = 8;  // bands in buffer_
  std::vector<quint16> row_, helper_row_;
  bool fast_ = false;
  bool redraw_pending_ = false;
  std::shared_ptr<Reductions> reductions_;
  std::unique_ptr<DrawHelper> helper_;  // made at the first draw that needs it
};

// The picture reduced to half its width and height (rounded down, at least
// 1 x 1), each pixel the average of the 2 x 2 pixels it covers. Format_RGB32.
QImage HalfSize(const QImage& image);

}  // namespace ld
