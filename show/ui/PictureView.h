#pragma once

#include <QImage>
#include <QWidget>

namespace ld {

// The picture control: holds one picture and paints it stretched into its own
// rectangle. The window clips it, so a zoom frame larger than the screen
// costs only the pixels that are visible.
class PictureView : public QWidget {
  Q_OBJECT
 public:
  explicit PictureView(QWidget* parent = nullptr);

  void SetPicture(QImage image);
  const QImage& Picture() const { return picture_; }
  // Width and height of the picture (0 x 0 when none could be made).
  int PictureWidth() const { return picture_.width(); }
  int PictureHeight() const { return picture_.height(); }

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  QImage picture_;
};

}  // namespace ld
