// The floor the window's memory is measured against (bench/window_rss.sh
// --empty): a Qt window that shows nothing, or with `--text` one line of
// text, which is when Qt first loads fontconfig and a font.
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const bool text = argc == 2 && QString::fromLocal8Bit(argv[1]) == "--text";
  QWidget bare;
  QLabel line("Taruk");
  QWidget& window = text ? static_cast<QWidget&>(line) : bare;
  window.show();
  return app.exec();
}
