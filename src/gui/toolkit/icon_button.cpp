#include "gui/toolkit/icon_button.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include "gui/grey_level.h"
#include "gui/toolkit/resources.h"

namespace taruk {

namespace {

// The system colours the button starts from and returns to.
QColor SystemFace() { return QApplication::palette().color(QPalette::Active, QPalette::Button); }
QColor SystemText() { return QApplication::palette().color(QPalette::Active, QPalette::ButtonText); }
QColor SystemHighlight() { return QApplication::palette().color(QPalette::Active, QPalette::Light); }
QColor SystemShadow() { return QApplication::palette().color(QPalette::Active, QPalette::Dark); }

// A one-pixel outline: top and left edges (each short of its last pixel) in
// `topLeft`, right and bottom edges just inside the rectangle in
// `bottomRight`.
void DrawTwoColourOutline(QPainter& painter, const QRect& rect, const QColor& topLeft, const QColor& bottomRight) {
  const int x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
  painter.fillRect(QRect(x, y, w - 1, 1), topLeft);
  painter.fillRect(QRect(x, y, 1, h - 1), topLeft);
  painter.fillRect(QRect(x + w - 1, y, 1, h), bottomRight);
  painter.fillRect(QRect(x, y + h - 1, w, 1), bottomRight);
}

// The size an icon reports: twice its centre, as Windows measures icons.
bool MeasureIcon(IconEntry& entry) {
  if (entry.icon.isNull()) return false;
  entry.width = 2 * (entry.icon.width() / 2);
  entry.height = 2 * (entry.icon.height() / 2);
  return true;
}

}  // namespace

QImage MakeGreyIcon(const QImage& icon) {
  if (icon.isNull()) return QImage();
  const QImage source = icon.convertToFormat(QImage::Format_ARGB32);
  if (source.isNull()) return QImage();
  const int width = 2 * (source.width() / 2);
  const int height = 2 * (source.height() / 2);
  QImage grey(width, height, QImage::Format_ARGB32);
  if (grey.isNull()) return QImage();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const QRgb pixel = source.pixel(x, y);
      const int alpha = qAlpha(pixel);
      if ((pixel & RGB_MASK) == 0) {
        grey.setPixel(x, y, qRgba(0, 0, 0, alpha));
        continue;
      }
      const int g = GreyLevel(qRed(pixel), qGreen(pixel), qBlue(pixel));
      grey.setPixel(x, y, qRgba(g, g, g, alpha));
    }
  }
  return grey;
}

CIconButton::CIconButton(QWidget* parent) : QPushButton(parent) {
  ResetColors();
  setMouseTracking(true);
  // The clicked button takes the keyboard focus before the owner's handler
  // for its id runs, so the focus face follows the last button clicked.
  connect(this, &QAbstractButton::clicked, this, [this] { setFocus(Qt::MouseFocusReason); });
}

void CIconButton::ResetColors() {
  systemPaletteKey = QApplication::palette().cacheKey();
  colors = {SystemFace(), SystemText(), SystemFace(), SystemText(), SystemFace(), SystemText()};
}

void CIconButton::FreeIcons() { icons = {}; }

void CIconButton::SetIconsFromResources(int hotIconId, int width, int height, const NormalIcon& normal) {
  SetIcons(ResourceIconImage(hotIconId, qMin(width, height)), normal);
}

int CIconButton::SetIcons(const QImage& hot, const NormalIcon& normal) {
  FreeIcons();
  if (hot.isNull()) {
    update();
    return 0;
  }
  icons[0].icon = hot.convertToFormat(QImage::Format_ARGB32);
  if (!MeasureIcon(icons[0])) {
    FreeIcons();
    return 1;
  }
  if (normal.greyCopy) {
    icons[1].icon = MakeGreyIcon(icons[0].icon);
    if (!MeasureIcon(icons[1])) {
      FreeIcons();
      return 1;
    }
  } else if (!normal.image.isNull()) {
    icons[1].icon = normal.image.convertToFormat(QImage::Format_ARGB32);
    MeasureIcon(icons[1]);
  }
  update();
  return 0;
}

int CIconButton::SetStateColor(uint8_t index, const QColor& colour, bool repaint) {
  if (index >= ColorCount) return 3;
  colors[index] = colour;
  if (repaint) update();
  return 0;
}

void CIconButton::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  pressed = isDown();
  focused = hasFocus();
  const QRect itemRect = rect();
  PaintFace(painter, itemRect);
  PaintFrame(painter, itemRect);
  const QString caption = text();
  QRect captionRect = itemRect;
  if (!icons[0].icon.isNull()) PaintIcon(painter, !caption.isEmpty(), itemRect, captionRect);
  if (!caption.isEmpty()) PaintCaption(painter, caption, captionRect);
  // No focus rectangle: a focused button shows only by its face.
}

void CIconButton::PaintFace(QPainter& painter, const QRect& rect) {
  painter.fillRect(rect, colors[FaceColour(State())]);
}

void CIconButton::PaintFrame(QPainter& painter, const QRect& rect) {
  switch (FrameOf(State())) {
    case IconButtonFrame::Sunken:
      DrawTwoColourOutline(painter, rect, SystemShadow(), SystemHighlight());
      break;
    case IconButtonFrame::Raised:
      DrawTwoColourOutline(painter, rect, SystemHighlight(), SystemShadow());
      break;
    case IconButtonFrame::None:
      break;
  }
}

void CIconButton::PaintIcon(QPainter& painter, bool hasCaption, const QRect& itemRect, QRect& captionRect) {
  const IconEntry& entry = ShowsHotIcon(State(), !icons[1].icon.isNull()) ? icons[0] : icons[1];
  const IconButtonPlaces places = PlaceIconAndCaption(itemRect.x(), itemRect.y(), itemRect.width(), itemRect.height(),
                                                      entry.width, entry.height, hasCaption, pressed);
  captionRect.setLeft(places.captionLeft);
  const QPoint corner(places.iconX + places.shift, places.iconY + places.shift);
  painter.drawImage(corner, entry.icon, QRect(0, 0, entry.width, entry.height));
}

void CIconButton::PaintCaption(QPainter& painter, const QString& caption, QRect captionRect) {
  if (pressed) captionRect.translate(kIconButtonPressedShift, kIconButtonPressedShift);
  const int flags = Qt::TextWordWrap | Qt::AlignHCenter;
  painter.setFont(font());
  // Measured from the caption rectangle's corner, then centred in it.
  QRect measured = painter.fontMetrics().boundingRect(captionRect, flags, caption);
  measured.moveTopLeft(captionRect.topLeft());
  measured.translate((captionRect.width() - measured.width()) / 2, (captionRect.height() - measured.height()) / 2);
  painter.setPen(colors[TextColour(State())]);
  painter.drawText(measured, flags, caption);
}

void CIconButton::mouseMoveEvent(QMouseEvent* event) {
  QPushButton::mouseMoveEvent(event);
  // Dragging onto the button with the left button held does not light it.
  if ((event->buttons() & Qt::LeftButton) && !hovering) return;
  const QPoint global = event->globalPosition().toPoint();
  QWidget* under = QApplication::widgetAt(global);
  if (under == this) {
    if (!hovering) {
      hovering = true;
      update();
    }
  } else {
    CancelHover();
  }
}

void CIconButton::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void CIconButton::leaveEvent(QEvent* event) {
  QPushButton::leaveEvent(event);
  CancelHover();
}

void CIconButton::focusOutEvent(QFocusEvent* event) {
  QPushButton::focusOutEvent(event);
  CancelHover();
}

void CIconButton::changeEvent(QEvent* event) {
  QPushButton::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && !isActiveWindow()) {
    CancelHover();
  } else if (event->type() == QEvent::PaletteChange && QApplication::palette().cacheKey() != systemPaletteKey) {
    // The system colours changed (not just a parent's palette): every colour
    // the owner set is dropped.
    ResetColors();
    update();
  }
}

void CIconButton::CancelHover() {
  if (!hovering) return;
  hovering = false;
  update();
}

}  // namespace taruk
