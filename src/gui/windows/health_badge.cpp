#include "gui/windows/health_badge.h"

#include <QFont>
#include <QPainter>
#include <algorithm>

namespace taruk {

namespace {

const QColor kCautionBadge(240, 160, 0);
const QColor kBadBadge(210, 20, 20);

}  // namespace

QImage BadgedIcon(const QImage& icon, HealthVerdict verdict) {
  if (icon.isNull() || (verdict != HealthVerdict::Caution && verdict != HealthVerdict::Bad)) return icon;
  QImage badged = icon.convertToFormat(QImage::Format_ARGB32);
  // Half the icon wide, so that it still reads at 32 pixels.
  const int size = std::max(8, badged.width() / 2);
  const QRectF circle(badged.width() - size, badged.height() - size, size - 1, size - 1);
  QPainter painter(&badged);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(Qt::white, 1.5));
  painter.setBrush(verdict == HealthVerdict::Bad ? kBadBadge : kCautionBadge);
  painter.drawEllipse(circle);
  QFont font;
  font.setBold(true);
  font.setPixelSize(size - 4);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(circle, Qt::AlignCenter, QStringLiteral("!"));
  return badged;
}

QColor HealthRowColor(HealthVerdict weight) {
  return weight == HealthVerdict::Bad ? QColor(255, 200, 200) : QColor(255, 236, 170);
}

}  // namespace taruk
