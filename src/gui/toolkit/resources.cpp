#include "gui/toolkit/resources.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

// Outside any namespace, as Q_INIT_RESOURCE requires.
static void InitTarukResources() { Q_INIT_RESOURCE(taruk); }

namespace taruk {

void EnsureResources() {
  // A static library's resources are linked in only when something refers to
  // them; this call is that reference.
  static const bool done = (InitTarukResources(), true);
  (void)done;
}

QIcon ResourceIcon(int iconId) {
  EnsureResources();
  const QString path = QStringLiteral(":/icons/%1.svg").arg(iconId);
  if (!QFile::exists(path)) return QIcon();
  return QIcon(path);
}

QPixmap ResourceIconPixmap(int iconId, int size) {
  const QIcon icon = ResourceIcon(iconId);
  if (icon.isNull()) return QPixmap();
  return icon.pixmap(size, size);
}

QString ResourceString(int stringId) {
  EnsureResources();
  QFile file(QStringLiteral(":/strings.json"));
  if (!file.open(QIODevice::ReadOnly)) return QString();
  const QJsonObject strings = QJsonDocument::fromJson(file.readAll()).object();
  return strings.value(QString::number(stringId)).toString();
}

}  // namespace taruk
