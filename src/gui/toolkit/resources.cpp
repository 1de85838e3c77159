#include "gui/toolkit/resources.h"

#include <QFile>

#include "gui/templates/resource_templates.h"

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
