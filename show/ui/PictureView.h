#pragma once

#include <QImage>
#include <QSize>
#include <QWidget>
#include <functional>

namespace ld {

// The picture control: holds one picture and paints it stretched into its own
// rectangle. The window clips it, so a zoom frame larger than the screen
// costs only the pixels that are visible.
class PictureView : public QWidget {
  Q_OBJECT
 public:
  explicit PictureView(QWidget* parent = nullptr);

  // The picture, and the picture's own size, which the display lays out: a
  // photo decoded at a reduced scale keeps its full width and height here.
  void SetPicture(QImage image);
  void SetPicture(QImage image, QSize ownSize);
  const QImage& Picture() const { return picture_; }
  // Width and height of the picture (0 x 0 when none could be made).
  int PictureWidth() const { return own_.width(); }
  int PictureHeight() const { return own_.height(); }

  // While the picture moves (the zoom's frames), it is scaled by taking the
  // nearest pixel, which paints a 1920 x 1080 frame from a 24-megapixel
  // picture in a couple of milliseconds; a still picture is scaled smoothly.
  void SetFastScaling(bool fast);
  bool FastScaling() const { return fast_; }

  // Called after each paint with the time it took (ms); for measurements.
  std::function<void(double ms)> on_painted;

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  QImage picture_;
  QSize own_{0, 0};
  bool fast_ = false;
};

}  // namespace ld
