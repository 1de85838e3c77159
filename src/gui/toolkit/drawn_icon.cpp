#include "gui/toolkit/drawn_icon.h"

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>

#include <utility>
#include <vector>

namespace taruk {

namespace {

class DrawnIconEngine final : public QIconEngine {
 public:
  DrawnIconEngine(std::vector<int> sizes, std::function<QImage(int)> draw)
      : sizes_(std::move(sizes)), draw_(std::move(draw)), null_(sizes_.empty() || draw_(sizes_.front()).isNull()) {}

  QPixmap pixmap(const QSize& size, QIcon::Mode /*mode*/, QIcon::State /*state*/) override {
    const int pixels = qMin(size.width(), size.height());
    return pixels > 0 ? QPixmap::fromImage(draw_(pixels)) : QPixmap();
  }

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    painter->drawPixmap(rect, pixmap(rect.size() * ratio, mode, state));
  }

  QSize actualSize(const QSize& size, QIcon::Mode /*mode*/, QIcon::State /*state*/) override {
    const int pixels = qMin(size.width(), size.height());
    return QSize(pixels, pixels);
  }

  QList<QSize> availableSizes(QIcon::Mode /*mode*/, QIcon::State /*state*/) override {
    QList<QSize> sizes;
    for (int size : sizes_) sizes << QSize(size, size);
    return sizes;
  }

  bool isNull() override { return null_; }
  QString key() const override { return QStringLiteral("taruk-drawn"); }
  QIconEngine* clone() const override { return new DrawnIconEngine(*this); }

 private:
  std::vector<int> sizes_;
  std::function<QImage(int)> draw_;
  bool null_;
};

}  // namespace

QIcon DrawnIcon(std::span<const int> sizes, std::function<QImage(int pixels)> draw) {
  return QIcon(new DrawnIconEngine(std::vector<int>(sizes.begin(), sizes.end()), std::move(draw)));
}

}  // namespace taruk
