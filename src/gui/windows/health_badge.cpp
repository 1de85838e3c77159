#include "gui/windows/health_badge.h"

#include <QFont>
#include <QPainter>

#include "core/view/health_look.h"

namespace taruk {

QImage BadgedIcon(const QImage& icon, HealthVerdict verdict) {
  const std::optional<RgbColour> colour = HealthBadgeColour(verdict);
  if (icon.isNull() || !colour) return icon;
  QImage badged = icon.convertToFormat(QImage::Format_ARGB32);
  const int size = HealthBadgeSize(badged.width());
  const QRectF circle(badged.width() - size, badged.height() - size, size - 1, size - 1);
  QPainter painter(&badged);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(Qt::white, 1.5));
  painter.setBrush(QColor(colour->red, colour->green, colour->blue));
  painter.drawEllipse(circle);
  QFont font;
  font.setBold(true);
  font.setPixelSize(size - 4);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(circle, Qt::AlignCenter, QStringLiteral("!"));
  return badged;
}

QIcon BadgedTrayIcon(const QIcon& plain, HealthVerdict verdict) {
  if (!HealthBadgeColour(verdict)) return plain;
  QIcon badged;
  for (int size : {16, 22, 24, 32, 48, 64}) {
    badged.addPixmap(QPixmap::fromImage(BadgedIcon(plain.pixmap(QSize(size, size), 1.0).toImage(), verdict)));
  }
  return badged;
}

QColor HealthRowColor(HealthVerdict weight) {
  return weight == HealthVerdict::Bad ? QColor(255, 200, 200) : QColor(255, 236, 170);
}

}  // namespace taruk
