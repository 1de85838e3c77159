#include "gui/toolkit/resources.h"

#include <QFile>
#include <QGuiApplication>
#include <QImageReader>

#include "gui/templates/resource_templates.h"
#include "gui/toolkit/drawn_icon.h"
#include "gui/toolkit/icon_sizes.h"

// Outside any namespace, as Q_INIT_RESOURCE requires.
static void InitTarukResources() {
  Q_INIT_RESOURCE(taruk);
  Q_INIT_RESOURCE(taruk_icons);
}

namespace taruk {

void EnsureResources() {
  // A static library's resources are linked in only when something refers to
  // them; this call is that reference.
  static const bool done = (InitTarukResources(), true);
  (void)done;
}

namespace {

QString IconPath(int iconId, int size) { return QStringLiteral(":/icons/%1-%2.png").arg(iconId).arg(size); }

// Read as PNG and nothing else: a reader left to guess the format loads every
// image format plugin (and Qt Svg with one of them) to ask it first.
QImage ReadIcon(int iconId, int size) {
  QImageReader reader(IconPath(iconId, size), "png");
  reader.setAutoDetectImageFormat(false);
  return reader.read();
}

}  // namespace

QIcon ResourceIcon(int iconId) {
  return DrawnIcon(kIconSizes, [iconId](int pixels) { return ResourceIconImage(iconId, pixels); });
}

QImage ResourceIconImage(int iconId, int pixels) {
  EnsureResources();
  // One image read: the size drawn for `pixels`, the next larger one scaled
  // down, or above the largest that one as it is.
  int drawn = kIconSizes[0];
  for (int size : kIconSizes) {
    drawn = size;
    if (size >= pixels) break;
  }
  const QImage image = ReadIcon(iconId, drawn);
  if (drawn <= pixels || image.isNull()) return image;
  return image.scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QPixmap ResourceIconPixmap(int iconId, int size) {
  // As many pixels as the screen shows for `size`.
  const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
  QPixmap pixmap = QPixmap::fromImage(ResourceIconImage(iconId, qRound(size * ratio)));
  pixmap.setDevicePixelRatio(ratio);
  return pixmap;
}

QString ResourceString(int stringId) {
  EnsureResources();
  // Read once: the table is compiled in and never changes.
  static const std::vector<std::pair<int, std::string>> table = [] {
    std::vector<std::pair<int, std::string>> strings;
    QFile file(QStringLiteral(":/strings.json"));
    if (!file.open(QIODevice::ReadOnly)) return strings;
    const QByteArray json = file.readAll();
    std::string error;
    ParseStringTable(std::string_view(json.constData(), static_cast<size_t>(json.size())), strings, error);
    return strings;
  }();
  for (const auto& [id, text] : table) {
    if (id == stringId) return QString::fromStdString(text);
  }
  return QString();
}

}  // namespace taruk
