#pragma once
// Answers every message box that opens while the watcher lives (from inside
// the box's own modal loop) and keeps what each one said.

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <functional>
#include <vector>

struct SeenMessageBox {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QWidget* owner = nullptr;
};

class MessageBoxWatcher {
 public:
  MessageBoxWatcher() {
    QObject::connect(&timer, &QTimer::timeout, [this] { AnswerOpenBoxes(); });
    timer.start(5);
  }

  std::vector<SeenMessageBox> seen;
  // Runs while each box is open, before it is answered.
  std::function<void()> onBox;

  QStringList Texts() const {
    QStringList texts;
    for (const SeenMessageBox& box : seen) texts << box.text;
    return texts;
  }

 private:
  void AnswerOpenBoxes() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      if (!box || !box->isVisible()) continue;
      seen.push_back({box->windowTitle(), box->text(), box->icon(), box->parentWidget()});
      if (onBox) onBox();
      box->done(QMessageBox::Ok);
    }
  }

  QTimer timer;
};
