#include "gui/toolkit/dialog_template.h"

#include <QFile>

#include <utility>

#include "gui/toolkit/resources.h"

namespace taruk {

namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QStringList Words(const std::vector<std::string>& words) {
  QStringList list;
  for (const std::string& word : words) list << FromUtf8(word);
  return list;
}

ControlTemplate QtControl(const ControlResource& resource) {
  ControlTemplate control;
  control.id = resource.id;
  control.kind = resource.kind;
  control.text = FromUtf8(resource.text);
  control.rect = QRect(resource.rect.x, resource.rect.y, resource.rect.width, resource.rect.height);
  control.style = Words(resource.style);
  control.iconId = resource.iconId;
  control.buddyId = resource.buddyId;
  return control;
}

}  // namespace

const ControlTemplate* DialogTemplate::Control(int controlId) const {
  for (const ControlTemplate& control : controls) {
    if (control.id == controlId) return &control;
  }
  return nullptr;
}

bool ParseDialogTemplate(const QByteArray& json, DialogTemplate& dialogTemplate, QString& error) {
  DialogResource resource;
  std::string why;
  if (!ParseDialogResource(std::string_view(json.constData(), static_cast<size_t>(json.size())), resource, why)) {
    error = FromUtf8(why);
    return false;
  }
  DialogTemplate parsed;
  parsed.id = resource.id;
  parsed.caption = FromUtf8(resource.caption);
  parsed.size = QSize(resource.width, resource.height);
  parsed.fontName = FromUtf8(resource.fontName);
  parsed.fontPoints = resource.fontPoints;
  parsed.style = Words(resource.style);
  for (const ControlResource& control : resource.controls) parsed.controls.push_back(QtControl(control));
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
