#include "show/ui/PictureView.h"

#include <QElapsedTimer>
#include <QPaintEvent>
#include <QPainter>

namespace ld {

PictureView::PictureView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PictureView::SetPicture(QImage image) {
  const QSize own = image.isNull() ? QSize(0, 0) : image.size();
  SetPicture(std::move(image), own);
}

void PictureView::SetPicture(QImage image, QSize ownSize) {
  picture_ = std::move(image);
  own_ = picture_.isNull() ? QSize(0, 0) : ownSize;
  update();
}

void PictureView::SetFastScaling(bool fast) {
  if (fast == fast_) return;
  fast_ = fast;
  if (!fast_) update();  // the still picture in its best quality
}

void PictureView::paintEvent(QPaintEvent* e) {
  if (picture_.isNull() || width() <= 0 || height() <= 0) return;
  QElapsedTimer clock;
  clock.start();
  {
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform, !fast_);
    // Only the exposed part is drawn: map it back to the source rectangle.
    const QRect target = e->rect() & rect();
    const double sx = static_cast<double>(picture_.width()) / width();
    const double sy = static_cast<double>(picture_.height()) / height();
    const QRectF source(target.x() * sx, target.y() * sy, target.width() * sx,
                        target.height() * sy);
    p.drawImage(QRectF(target), picture_, source);
  }
  if (on_painted) on_painted(clock.nsecsElapsed() / 1e6);
}

}  // namespace ld
