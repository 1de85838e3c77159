#include "gui/toolkit/dialog_template.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <utility>

#include "gui/toolkit/resources.h"

namespace taruk {

namespace {

struct KindName {
  const char* name;
  ControlKind kind;
};

constexpr KindName kKinds[] = {
    {"pushbutton", ControlKind::PushButton}, {"defpushbutton", ControlKind::DefPushButton},
    {"checkbox", ControlKind::CheckBox},     {"radiobutton", ControlKind::RadioButton},
    {"groupbox", ControlKind::GroupBox},     {"static", ControlKind::Static},
    {"icon", ControlKind::Icon},             {"edit", ControlKind::Edit},
    {"updown", ControlKind::UpDown},         {"combobox", ControlKind::ComboBox},
    {"listview", ControlKind::ListView},
};

bool KindFromName(const QString& name, ControlKind& kind) {
  for (const KindName& entry : kKinds) {
    if (name == QLatin1String(entry.name)) {
      kind = entry.kind;
      return true;
    }
  }
  return false;
}

// A JSON array of whole numbers, exactly `count` of them, none negative.
bool ReadNumbers(const QJsonValue& value, int count, int* numbers) {
  const QJsonArray array = value.toArray();
  if (array.size() != count) return false;
  for (int i = 0; i < count; ++i) {
    const double number = array[i].toDouble(-1);
    if (number < 0 || number > 32767 || number != static_cast<int>(number)) return false;
    numbers[i] = static_cast<int>(number);
  }
  return true;
}

QStringList ReadStyle(const QJsonValue& value) {
  QStringList style;
  for (const QJsonValue& flag : value.toArray()) style << flag.toString();
  return style;
}

bool ReadControl(const QJsonObject& object, int index, ControlTemplate& control, QString& error) {
  const QString where = QStringLiteral("control %1").arg(index);
  control.id = object.value(QLatin1String("id")).toInt(kNoControlId);
  if (!KindFromName(object.value(QLatin1String("kind")).toString(), control.kind)) {
    error = where + QStringLiteral(": unknown kind \"%1\"").arg(object.value(QLatin1String("kind")).toString());
    return false;
  }
  int rect[4];
  if (!ReadNumbers(object.value(QLatin1String("rect")), 4, rect)) {
    error = where + QStringLiteral(": \"rect\" must be [x, y, width, height] in dialog units");
    return false;
  }
  control.rect = QRect(rect[0], rect[1], rect[2], rect[3]);
  control.text = object.value(QLatin1String("text")).toString();
  control.style = ReadStyle(object.value(QLatin1String("style")));
  control.iconId = object.value(QLatin1String("icon")).toInt(0);
  control.buddyId = object.value(QLatin1String("buddy")).toInt(kNoControlId);
  if (control.kind == ControlKind::Icon && control.iconId <= 0) {
    error = where + QStringLiteral(": an icon control needs \"icon\"");
    return false;
  }
  return true;
}

}  // namespace

const ControlTemplate* DialogTemplate::Control(int controlId) const {
  for (const ControlTemplate& control : controls) {
    if (control.id == controlId) return &control;
  }
  return nullptr;
}

bool ParseDialogTemplate(const QByteArray& json, DialogTemplate& dialogTemplate, QString& error) {
  QJsonParseError parseError;
  const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
  if (document.isNull() || !document.isObject()) {
    error = QStringLiteral("not a JSON object: ") + parseError.errorString();
    return false;
  }
  const QJsonObject root = document.object();
  DialogTemplate parsed;
  parsed.id = root.value(QLatin1String("id")).toInt(0);
  parsed.caption = root.value(QLatin1String("caption")).toString();
  int size[2];
  if (!ReadNumbers(root.value(QLatin1String("size")), 2, size)) {
    error = QStringLiteral("\"size\" must be [width, height] in dialog units");
    return false;
  }
  parsed.size = QSize(size[0], size[1]);
  const QJsonObject font = root.value(QLatin1String("font")).toObject();
  parsed.fontName = font.value(QLatin1String("name")).toString();
  parsed.fontPoints = font.value(QLatin1String("points")).toInt(8);
  if (parsed.fontName.isEmpty() || parsed.fontPoints <= 0) {
    error = QStringLiteral("\"font\" needs a name and a positive point size");
    return false;
  }
  parsed.style = ReadStyle(root.value(QLatin1String("style")));
  const QJsonArray controls = root.value(QLatin1String("controls")).toArray();
  for (int i = 0; i < controls.size(); ++i) {
    ControlTemplate control;
    if (!ReadControl(controls[i].toObject(), i, control, error)) return false;
    parsed.controls.push_back(std::move(control));
  }
  dialogTemplate = std::move(parsed);
  return true;
}

bool LoadDialogTemplate(int templateId, DialogTemplate& dialogTemplate, QString& error) {
  EnsureResources();
  QFile file(QStringLiteral(":/dialogs/%1.json").arg(templateId));
  if (!file.open(QIODevice::ReadOnly)) {
    error = QStringLiteral("dialog template %1 is not in the program's resources").arg(templateId);
    return false;
  }
  if (!ParseDialogTemplate(file.readAll(), dialogTemplate, error)) {
    error = QStringLiteral("dialog template %1: ").arg(templateId) + error;
    return false;
  }
  return true;
}

}  // namespace taruk
