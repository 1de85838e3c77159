// CIconButton: faces, frames, icon placement, hover and press, the grey copy.
#include "gui/toolkit/icon_button.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "gui/qt/health_badge.h"
#include "gui/toolkit/icon_sizes.h"
#include "gui/toolkit/resources.h"

using namespace taruk;

namespace {

const QColor kPaleBlue(223, 238, 255);
const QColor kWhite(255, 255, 255);

QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) & RGB_MASK; }
QRgb Rgb(int r, int g, int b) { return qRgb(r, g, b) & RGB_MASK; }

// A 32 × 32 icon: transparent border of 4 pixels, pure red inside.
QImage RedSquareIcon() {
  QImage icon(32, 32, QImage::Format_ARGB32);
  icon.fill(Qt::transparent);
  QPainter(&icon).fillRect(4, 4, 24, 24, QColor(255, 0, 0));
  return icon;
}

// A button with the disk buttons' look, shown in a window of its own.
struct ShownButton {
  QWidget window;
  CIconButton* button = new CIconButton(&window);
  explicit ShownButton(const QString& caption) {
    window.resize(300, 120);
    button->setGeometry(20, 20, 200, 50);
    button->setText(caption);
    EXPECT_EQ(button->SetIcons(RedSquareIcon(), OutIconGrey), 0);
    button->SetStateColor(ColorNormalFace, kWhite, true);
    button->SetStateColor(ColorHotFace, kPaleBlue, true);
    button->SetStateColor(ColorFocusFace, kPaleBlue, true);
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
  }
  QImage Paint() const { return button->grab().toImage().convertToFormat(QImage::Format_ARGB32); }
  void Hover() { QTest::mouseMove(&window, button->geometry().center()); }
  void LeaveToWindow() { QTest::mouseMove(&window, QPoint(5, 5)); }
};

TEST(GreyIcon, FollowsTheWeightedSumCutToAWholeNumber) {
  QImage icon(4, 2, QImage::Format_ARGB32);
  icon.setPixel(0, 0, qRgba(0, 0, 0, 255));        // black stays black
  icon.setPixel(1, 0, qRgba(255, 255, 255, 255));  // white stays 255
  icon.setPixel(2, 0, qRgba(254, 254, 254, 255));  // just below 254: 253
  icon.setPixel(3, 0, qRgba(255, 0, 0, 255));      // red: 0.299 × 255
  icon.setPixel(0, 1, qRgba(0, 0, 0, 0));          // transparent stays transparent
  icon.setPixel(1, 1, qRgba(0, 200, 0, 0));        // hidden pixels keep their mask
  icon.setPixel(2, 1, qRgba(10, 20, 30, 128));
  icon.setPixel(3, 1, qRgba(0, 0, 1, 255));  // not black: becomes level 0 all the same
  const QImage grey = MakeGreyIcon(icon);
  ASSERT_EQ(grey.size(), icon.size());
  EXPECT_EQ(grey.pixel(0, 0), qRgba(0, 0, 0, 255));
  EXPECT_EQ(grey.pixel(1, 0), qRgba(255, 255, 255, 255));
  EXPECT_EQ(grey.pixel(2, 0), qRgba(253, 253, 253, 255));
  EXPECT_EQ(grey.pixel(3, 0), qRgba(76, 76, 76, 255));
  EXPECT_EQ(grey.pixel(0, 1), qRgba(0, 0, 0, 0));
  EXPECT_EQ(qAlpha(grey.pixel(1, 1)), 0);
  const int level = static_cast<int>((0.587 * 20 + 0.114 * 30) + 0.299 * 10);
  EXPECT_EQ(grey.pixel(2, 1), qRgba(level, level, level, 128));
  EXPECT_EQ(grey.pixel(3, 1), qRgba(0, 0, 0, 255));
  EXPECT_TRUE(MakeGreyIcon(QImage()).isNull());
}

TEST(IconButton, SetIconsAndSetStateColorAnswerWithTheirCodes) {
  CIconButton button;
  EXPECT_EQ(button.SetIcons(QImage()), 0);  // no icon at all
  EXPECT_TRUE(button.Icon(0).icon.isNull());
  EXPECT_EQ(button.SetIcons(RedSquareIcon(), OutIconGrey), 0);
  EXPECT_EQ(button.Icon(0).width, 32);
  EXPECT_EQ(button.Icon(1).height, 32);
  EXPECT_EQ(button.Icon(1).icon.pixel(16, 16), qRgba(76, 76, 76, 255));
  // Replacing the icons drops the grey copy when none is asked for.
  EXPECT_EQ(button.SetIcons(RedSquareIcon()), 0);
  EXPECT_TRUE(button.Icon(1).icon.isNull());

  const QColor before = button.StateColor(ColorHotText);
  EXPECT_EQ(button.SetStateColor(6, Qt::red, true), 3);
  EXPECT_EQ(button.SetStateColor(255, Qt::red, false), 3);
  EXPECT_EQ(button.StateColor(ColorHotText), before);
  EXPECT_EQ(button.SetStateColor(ColorFocusText, Qt::red, false), 0);
  EXPECT_EQ(button.StateColor(ColorFocusText), QColor(Qt::red));
  // The faces start as the system's button face.
  EXPECT_EQ(button.StateColor(ColorNormalFace), QApplication::palette().color(QPalette::Button));
}

TEST(IconButton, NormalLookHasNoFrameAndAGreyIcon) {
  ShownButton shown(QStringLiteral("HD0: X\nCapacity: 1.00 Gb"));
  shown.LeaveToWindow();
  shown.button->clearFocus();
  const QImage image = shown.Paint();
  // White face up to the very edge: no frame.
  EXPECT_EQ(At(image, 0, 0), kWhite.rgb() & RGB_MASK);
  EXPECT_EQ(At(image, 199, 49), kWhite.rgb() & RGB_MASK);
  // The icon sits 3 pixels in, centred vertically: (3 + 4, (50 - 32) / 2 + 4)
  // is the first pixel of its red square, grey here.
  EXPECT_EQ(At(image, 7, 13), Rgb(76, 76, 76));
  EXPECT_EQ(At(image, 6, 13), kWhite.rgb() & RGB_MASK);
}

TEST(IconButton, HoverLightsTheFaceRaisesTheFrameAndColoursTheIcon) {
  ShownButton shown(QStringLiteral("Options..."));
  shown.Hover();
  ASSERT_TRUE(shown.button->IsHovering());
  const QImage image = shown.Paint();
  const QPalette system = QApplication::palette();
  EXPECT_EQ(At(image, 0, 0), system.color(QPalette::Light).rgb() & RGB_MASK);
  EXPECT_EQ(At(image, 199, 0), system.color(QPalette::Dark).rgb() & RGB_MASK);  // right edge, full height
  EXPECT_EQ(At(image, 0, 49), system.color(QPalette::Dark).rgb() & RGB_MASK);   // bottom edge, full width
  EXPECT_EQ(At(image, 1, 1), kPaleBlue.rgb() & RGB_MASK);
  EXPECT_EQ(At(image, 7, 13), Rgb(255, 0, 0));

  shown.LeaveToWindow();
  EXPECT_FALSE(shown.button->IsHovering());
}

TEST(IconButton, PressSinksTheFrameAndShiftsIconAndCaption) {
  ShownButton shown{QString()};
  shown.Hover();
  shown.button->setDown(true);
  const QImage image = shown.Paint();
  const QPalette system = QApplication::palette();
  EXPECT_EQ(At(image, 0, 0), system.color(QPalette::Dark).rgb() & RGB_MASK);
  EXPECT_EQ(At(image, 199, 49), system.color(QPalette::Light).rgb() & RGB_MASK);
  // Without a caption the icon is centred both ways: (200 - 32) / 2 + 4 = 88,
  // (50 - 32) / 2 + 4 = 13; pressed moves it one pixel right and down.
  EXPECT_EQ(At(image, 89, 14), Rgb(255, 0, 0));
  EXPECT_EQ(At(image, 88, 13), kPaleBlue.rgb() & RGB_MASK);
  shown.button->setDown(false);
  const QImage released = shown.Paint();
  EXPECT_EQ(At(released, 88, 13), Rgb(255, 0, 0));
}

TEST(IconButton, CaptionIsCentredInTheSpaceRightOfTheIcon) {
  ShownButton shown(QStringLiteral("W"));
  shown.button->SetStateColor(ColorNormalText, Qt::black, false);
  shown.button->SetStateColor(ColorHotText, Qt::black, false);
  shown.button->SetStateColor(ColorFocusText, Qt::black, false);
  shown.LeaveToWindow();
  const QImage image = shown.Paint();
  // The ink of the caption lies around the centre of the space right of the
  // icon, x = 3 + 32 + (200 - 35) / 2, not the button's centre.
  int left = 200, right = -1;
  for (int x = 40; x < 200; ++x) {
    for (int y = 0; y < 50; ++y) {
      if (qGray(image.pixel(x, y)) < 100) {
        left = qMin(left, x);
        right = qMax(right, x);
      }
    }
  }
  ASSERT_GE(right, left);
  EXPECT_NEAR((left + right) / 2.0, 35 + 165 / 2.0, 3.0);
}

TEST(IconButton, DraggingInWithTheLeftButtonDownDoesNotHover) {
  ShownButton shown(QStringLiteral("HD1"));
  shown.LeaveToWindow();
  const QPoint inside = shown.button->rect().center();
  QMouseEvent drag(QEvent::MouseMove, QPointF(inside), QPointF(shown.button->mapToGlobal(inside)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(shown.button, &drag);
  EXPECT_FALSE(shown.button->IsHovering());
  QMouseEvent move(QEvent::MouseMove, QPointF(inside), QPointF(shown.button->mapToGlobal(inside)), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(shown.button, &move);
  EXPECT_TRUE(shown.button->IsHovering());
  // Losing the focus or the pointer ends the hover.
  shown.button->setFocus();
  shown.button->clearFocus();
  EXPECT_FALSE(shown.button->IsHovering());
}

TEST(IconButton, DoubleClickCountsAsTwoPressesAndClickTakesTheFocus) {
  ShownButton shown(QStringLiteral("HD2"));
  QSignalSpy clicks(shown.button, &QAbstractButton::clicked);
  const QPoint inside = shown.button->rect().center();
  QTest::mouseClick(shown.button, Qt::LeftButton, {}, inside);
  QTest::mouseDClick(shown.button, Qt::LeftButton, {}, inside);
  QTest::mouseRelease(shown.button, Qt::LeftButton, {}, inside);
  EXPECT_EQ(clicks.count(), 2);
  EXPECT_TRUE(shown.button->hasFocus());
}

TEST(IconButton, SystemPaletteChangeDropsTheOwnersColours) {
  ShownButton shown(QStringLiteral("HD3"));
  const QPalette original = QApplication::palette();
  QPalette changed = original;
  changed.setColor(QPalette::Button, QColor(10, 20, 30));
  QApplication::setPalette(changed);
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
  EXPECT_EQ(shown.button->StateColor(ColorNormalFace), QColor(10, 20, 30));
  EXPECT_EQ(shown.button->StateColor(ColorHotFace), QColor(10, 20, 30));
  // A palette given to the window alone is not a system change.
  shown.button->SetStateColor(ColorNormalFace, kWhite, false);
  QPalette windowOnly = changed;
  windowOnly.setColor(QPalette::Window, Qt::green);
  shown.window.setPalette(windowOnly);
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(shown.button->StateColor(ColorNormalFace), kWhite);
  QApplication::setPalette(original);
  QCoreApplication::sendPostedEvents();
}

// The program's icons side by side at 16 and 32 pixels, for a look.
TEST(Icons, RenderAtBothSizes) {
  const int ids[] = {128, 129, 130, 132, 133, 135, 138};
  QImage sheet(8 + 7 * 40, 60, QImage::Format_ARGB32);
  sheet.fill(Qt::white);
  QPainter painter(&sheet);
  int x = 4;
  for (int id : ids) {
    const QPixmap large = ResourceIconPixmap(id, 32);
    const QPixmap small = ResourceIconPixmap(id, 16);
    ASSERT_FALSE(large.isNull()) << id;
    ASSERT_FALSE(small.isNull()) << id;
    painter.drawPixmap(x, 4, large);
    painter.drawPixmap(x + 8, 40, small);
    x += 40;
  }
  painter.end();
  QDir().mkpath(QStringLiteral(TARUK_SCREENSHOT_DIR));
  EXPECT_TRUE(sheet.scaled(sheet.size() * 3).save(QStringLiteral(TARUK_SCREENSHOT_DIR "/icons.png")));
}

// The window and tray icons keep no pixels: each size is drawn when asked,
// and must be the very image the one-size readers give.
TEST(Icons, DrawnWhenAskedAtTheSizeAsked) {
  const QIcon app = ResourceIcon(128);
  QList<QSize> listed;
  for (int size : kIconSizes) listed << QSize(size, size);
  EXPECT_EQ(app.availableSizes(), listed);
  EXPECT_TRUE(ResourceIcon(9999).isNull());
  const TrayIconPlan hot{HealthVerdict::Caution, L"57", {240, 160, 0}};
  const QIcon tray = PlannedTrayIcon(ResourceIcon(129), hot, QFont());
  const struct {
    const QIcon& icon;
    int asked;
    QImage expected;
  } cases[] = {
      {app, 22, ResourceIconImage(128, 22)},
      {app, 20, ResourceIconImage(128, 20)},    // scaled down from 22
      {app, 256, ResourceIconImage(128, 128)},  // never scaled up
      {tray, 24, TemperatureIconImage(24, hot, QFont())},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.icon.pixmap(QSize(c.asked, c.asked), 1.0).toImage(), QPixmap::fromImage(c.expected).toImage())
        << c.asked;
  }
  // Painted into a rectangle, the icon is drawn at the rectangle's size.
  QImage painted(32, 32, QImage::Format_ARGB32_Premultiplied);
  painted.fill(Qt::transparent);
  QPainter painter(&painted);
  app.paint(&painter, painted.rect());
  painter.end();
  EXPECT_EQ(painted, QPixmap::fromImage(ResourceIconImage(128, 32)).toImage());
}

}  // namespace
