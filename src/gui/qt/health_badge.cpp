#include "gui/qt/health_badge.h"

#include <QFont>
#include <QPainter>

#include "core/view/health_look.h"
#include "gui/qt/colours.h"
#include "gui/toolkit/drawn_icon.h"

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
  painter.setBrush(ToQColor(*colour));
  painter.drawEllipse(circle);
  // The "!" is drawn, not set in the font: each of the badge's sizes would
  // be a font engine of its own, with its own copy of the font's tables.
  const qreal unit = circle.height() / 8;
  const qreal middle = circle.center().x();
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::white);
  painter.drawRoundedRect(QRectF(middle - unit * 0.6, circle.top() + unit * 1.5, unit * 1.2, unit * 3.4), unit * 0.4,
                          unit * 0.4);
  painter.drawEllipse(QPointF(middle, circle.bottom() - unit * 1.9), unit * 0.7, unit * 0.7);
  return badged;
}

namespace {

constexpr int kTrayIconSizes[] = {16, 22, 24, 32, 48, 64};

}  // namespace

QIcon BadgedTrayIcon(const QIcon& plain, HealthVerdict verdict) {
  if (!HealthBadgeColour(verdict)) return plain;
  return DrawnIcon(kTrayIconSizes, [plain, verdict](int pixels) {
    return BadgedIcon(plain.pixmap(QSize(pixels, pixels), 1.0).toImage(), verdict);
  });
}

QImage TemperatureIconImage(int size, const TrayIconPlan& plan, const QFont& windowFont) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(ToQColor(plan.background));
  const qreal corner = size / 5.0;
  painter.drawRoundedRect(QRectF(0, 0, size, size), corner, corner);
  QFont font = windowFont;
  font.setBold(true);
  font.setPixelSize(TrayFigurePixelSize(size, plan.temperature.size()));
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, QString::fromStdWString(plan.temperature));
  return image;
}

QIcon PlannedTrayIcon(const QIcon& plain, const TrayIconPlan& plan, const QFont& windowFont) {
  if (plan.temperature.empty()) return BadgedTrayIcon(plain, plan.verdict);
  return DrawnIcon(kTrayIconSizes,
                   [plan, windowFont](int pixels) { return TemperatureIconImage(pixels, plan, windowFont); });
}

}  // namespace taruk
