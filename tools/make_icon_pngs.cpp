// Draws the program's SVG icons as PNG files at every size the Qt windows ask
// for, with Qt's own SVG renderer, so the window shows the same pixels it
// would draw from the SVG but never loads Qt Svg or its icon plugin. Writes
// OUT_DIR/<name>-<size>.png and OUT_DIR/icons.qrc listing them as
// ":/icons/<name>-<size>.png".
//   make_icon_pngs OUT_DIR ICON.svg...

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

#include <cstdio>

#include "gui/toolkit/icon_sizes.h"

namespace {

// As Qt's SVG icon engine draws a size: the drawing's own size scaled into
// the square, on a transparent premultiplied image.
QImage Render(QSvgRenderer& renderer, int size) {
  QSize actual = renderer.defaultSize();
  actual.scale(QSize(size, size), Qt::KeepAspectRatio);
  QImage image(actual, QImage::Format_ARGB32_Premultiplied);
  image.fill(0);
  QPainter painter(&image);
  renderer.render(&painter);
  painter.end();
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: make_icon_pngs OUT_DIR ICON.svg...\n");
    return 2;
  }
  const QString outDir = QString::fromLocal8Bit(argv[1]);
  QString qrc = QStringLiteral("<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n  <qresource prefix=\"/icons\">\n");
  for (int i = 2; i < argc; ++i) {
    const QString svg = QString::fromLocal8Bit(argv[i]);
    QSvgRenderer renderer(svg);
    if (!renderer.isValid() || renderer.defaultSize().isEmpty()) {
      std::fprintf(stderr, "make_icon_pngs: %s is not a drawable SVG\n", argv[i]);
      return 1;
    }
    const QString name = QFileInfo(svg).completeBaseName();
    for (int size : taruk::kIconSizes) {
      const QString file = QStringLiteral("%1-%2.png").arg(name).arg(size);
      if (!Render(renderer, size).save(outDir + QLatin1Char('/') + file, "PNG")) {
        std::fprintf(stderr, "make_icon_pngs: can't write %s\n", qPrintable(file));
        return 1;
      }
      qrc += QStringLiteral("    <file>%1</file>\n").arg(file);
    }
  }
  qrc += QStringLiteral("  </qresource>\n</RCC>\n");
  QFile out(outDir + QStringLiteral("/icons.qrc"));
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(qrc.toUtf8()) < 0) {
    std::fprintf(stderr, "make_icon_pngs: can't write icons.qrc\n");
    return 1;
  }
  return 0;
}
