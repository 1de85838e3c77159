#include "gui/toolkit/dialog_builder.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTreeWidget>

#include "gui/toolkit/resources.h"
#include "gui/toolkit/up_down_control.h"

namespace taruk {

namespace {

const char kIdProperty[] = "tarukControlId";
const char kCommandsName[] = "tarukDialogCommands";

// The Windows dialog fonts, by the free fonts with the closest metrics.
void SubstituteDialogFonts() {
  static const bool done = [] {
    const QStringList closest = {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                 QStringLiteral("DejaVu Sans")};
    for (const char* windowsFont : {"MS Shell Dlg", "MS Shell Dlg 2", "Microsoft Sans Serif", "MS Sans Serif"}) {
      QFont::insertSubstitutions(QString::fromLatin1(windowsFont), closest);
    }
    return true;
  }();
  (void)done;
}

// A group box as a dialog draws it: an etched frame whose top line runs
// through the middle of the caption, and nothing inside it, so that whatever
// lies beneath (a coloured area) shows through unchanged.
class GroupFrame : public QGroupBox {
 public:
  using QGroupBox::QGroupBox;

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter painter(this);
    const QFontMetrics metrics(font());
    const int top = metrics.height() / 2;
    const QRect frame = rect().adjusted(0, top, -1, -1);
    const QColor shadow = palette().color(QPalette::Dark);
    const QColor light = palette().color(QPalette::Light);
    painter.setPen(shadow);
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
    painter.setPen(light);
    painter.drawRect(frame.adjusted(1, 1, 0, 0));
    const QString caption = title();
    if (caption.isEmpty()) return;
    const int left = metrics.averageCharWidth() + 2;
    QRect text(left, 0, metrics.horizontalAdvance(caption) + 2, metrics.height());
    text = text.intersected(rect().adjusted(0, 0, -left, 0));
    painter.fillRect(text, palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, caption);
  }
};

Qt::Alignment StaticAlignment(const ControlTemplate& control) {
  // A Windows static draws from its top line.
  if (control.Has("right")) return Qt::AlignRight | Qt::AlignTop;
  if (control.Has("center")) return Qt::AlignHCenter | Qt::AlignTop;
  return Qt::AlignLeft | Qt::AlignTop;
}

QWidget* MakeStandardControl(const ControlTemplate& control, QWidget* parent) {
  switch (control.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
      auto* button = new QPushButton(parent);
      button->setAutoDefault(true);
      button->setDefault(control.kind == ControlKind::DefPushButton);
      return button;
    }
    case ControlKind::CheckBox:
      return new QCheckBox(parent);
    case ControlKind::RadioButton:
      return new QRadioButton(parent);
    case ControlKind::GroupBox: {
      auto* frame = new GroupFrame(parent);
      // Frames are siblings of what they surround, as in a Windows dialog:
      // they must not take the clicks meant for the controls inside.
      frame->setAttribute(Qt::WA_TransparentForMouseEvents);
      return frame;
    }
    case ControlKind::Static: {
      auto* label = new QLabel(parent);
      label->setAlignment(StaticAlignment(control));
      label->setWordWrap(true);
      label->setTextFormat(Qt::PlainText);
      label->setAttribute(Qt::WA_TransparentForMouseEvents);
      if (control.Has("border")) label->setFrameShape(QFrame::Box);
      return label;
    }
    case ControlKind::Icon: {
      auto* label = new QLabel(parent);
      label->setAttribute(Qt::WA_TransparentForMouseEvents);
      label->setPixmap(ResourceIconPixmap(control.iconId, 32));
      return label;
    }
    case ControlKind::Edit: {
      auto* edit = new QLineEdit(parent);
      if (control.Has("number")) {
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
      }
      if (control.Has("password")) edit->setEchoMode(QLineEdit::Password);
      return edit;
    }
    case ControlKind::UpDown:
      return new UpDownControl(parent);
    case ControlKind::ComboBox: {
      auto* combo = new QComboBox(parent);
      combo->setEditable(false);
      return combo;
    }
    case ControlKind::ListView: {
      auto* list = new QTreeWidget(parent);
      list->setRootIsDecorated(false);
      list->setItemsExpandable(false);
      list->setUniformRowHeights(true);
      list->setSortingEnabled(false);
      list->header()->setSectionsClickable(true);
      list->header()->setStretchLastSection(false);
      return list;
    }
  }
  return new QWidget(parent);
}

QRect ControlGeometry(const ControlTemplate& control, QWidget* widget, const DialogUnits& units) {
  QRect pixels = units.ToPixels(control.rect);
  if (control.kind == ControlKind::Icon) {
    // A static icon takes the size of its icon, not of its rectangle.
    pixels.setSize(QSize(32, 32));
  } else if (control.kind == ControlKind::ComboBox) {
    // The template's height includes the dropped-down list.
    pixels.setHeight(qMin(pixels.height(), widget->sizeHint().height()));
  }
  return pixels;
}

}  // namespace

bool BuildDialog(const DialogTemplate& layout, QDialog& dialog, QString& error, const ControlFactory& factory) {
  SubstituteDialogFonts();
  QFont font(layout.fontName);
  font.setPointSize(layout.fontPoints);
  // Text as a Windows dialog draws it: glyph after glyph from the font's
  // character map, without kerning or OpenType layout (a script that cannot
  // do without shaping is still shaped). The window is also a megabyte
  // smaller for it: HarfBuzz's shaping code never runs, and no face's layout
  // tables (76 kB each) are copied into memory.
  font.setKerning(false);
  font.setStyleStrategy(QFont::PreferNoShaping);
  if (QFontInfo(font).family().isEmpty()) {
    error = QStringLiteral("no font for \"%1\"").arg(layout.fontName);
    return false;
  }
  dialog.setFont(font);
  dialog.setWindowTitle(layout.caption);

  Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  if (layout.Has("sysmenu")) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (layout.Has("minimizebox")) flags |= Qt::WindowMinimizeButtonHint;
  if (layout.Has("appwindow")) flags = (flags & ~Qt::Dialog) | Qt::Window;
  dialog.setWindowFlags(flags);

  const DialogUnits units = DialogUnits::ForFont(font);
  dialog.setProperty("tarukAlphabetWidth", units.alphabetWidth);
  dialog.setProperty("tarukFontHeight", units.fontHeight);
  dialog.setFixedSize(units.X(layout.size.width()), units.Y(layout.size.height()));

  auto* commands = new DialogCommands(&dialog);
  commands->setObjectName(QLatin1String(kCommandsName));

  for (const ControlTemplate& control : layout.controls) {
    QWidget* widget = factory ? factory(control, &dialog) : nullptr;
    if (!widget) widget = MakeStandardControl(control, &dialog);
    widget->setProperty(kIdProperty, control.id);
    SetControlText(widget, control.text);
    widget->setGeometry(ControlGeometry(control, widget, units));
    if (control.Has("hidden")) widget->hide();

    const int id = control.id;
    if (auto* button = qobject_cast<QAbstractButton*>(widget); button && id != kNoControlId) {
      QObject::connect(button, &QAbstractButton::clicked, commands, [commands, id] { emit commands->command(id); });
    }
    if (auto* combo = qobject_cast<QComboBox*>(widget); combo && id != kNoControlId) {
      QObject::connect(combo, &QComboBox::activated, commands, [commands, id] { emit commands->selectionChanged(id); });
    }
  }
  // Up-down controls find their buddies once every control exists.
  for (const ControlTemplate& control : layout.controls) {
    if (control.kind != ControlKind::UpDown) continue;
    auto* upDown = ControlById<UpDownControl>(dialog, control.id);
    if (upDown) upDown->SetBuddy(ControlById<QLineEdit>(dialog, control.buddyId));
  }
  return true;
}

QWidget* FindControl(const QWidget& dialog, int id) {
  if (id == kNoControlId) return nullptr;
  for (QWidget* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    const QVariant tag = child->property(kIdProperty);
    if (tag.isValid() && tag.toInt() == id) return child;
  }
  return nullptr;
}

int ControlIdOf(const QWidget* control) {
  const QVariant tag = control ? control->property(kIdProperty) : QVariant();
  return tag.isValid() ? tag.toInt() : kNoControlId;
}

DialogCommands* CommandsOf(const QDialog& dialog) {
  return dialog.findChild<DialogCommands*>(QLatin1String(kCommandsName), Qt::FindDirectChildrenOnly);
}

DialogUnits DialogUnitsOf(const QWidget& dialog) {
  DialogUnits units;
  units.alphabetWidth = dialog.property("tarukAlphabetWidth").toInt();
  units.fontHeight = dialog.property("tarukFontHeight").toInt();
  if (units.alphabetWidth <= 0 || units.fontHeight <= 0) units = DialogUnits::ForFont(dialog.font());
  return units;
}

void SetControlText(QWidget* control, const QString& text) {
  QString shown = text;
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    button->setText(shown);
  } else if (auto* label = qobject_cast<QLabel*>(control)) {
    label->setText(shown);
  } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
    edit->setText(shown);
  } else if (auto* frame = qobject_cast<QGroupBox*>(control)) {
    frame->setTitle(shown);
  }
}

QString ControlText(const QWidget* control) {
  if (auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
  if (auto* label = qobject_cast<const QLabel*>(control)) return label->text();
  if (auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->text();
  if (auto* frame = qobject_cast<const QGroupBox*>(control)) return frame->title();
  return QString();
}

}  // namespace taruk
