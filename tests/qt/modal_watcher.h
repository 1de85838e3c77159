#pragma once
// Acts on the next modal window that opens (a message box, a dialog) from
// inside the event loop that its modal run turns, the way a user would answer
// it. Gives up after `patienceMs` so that a test never hangs on a box that
// did not come.

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>

#include <functional>

class ModalWatcher {
 public:
  explicit ModalWatcher(std::function<void(QWidget*)> act, int patienceMs = 5000) : act(std::move(act)) {
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [this, patienceMs] {
      elapsedMs += 10;
      QWidget* modal = QApplication::activeModalWidget();
      if (modal && modal != ignored) {
        timer.stop();
        seen = true;
        title = modal->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
          text = box->text();
          icon = box->icon();
        }
        this->act(modal);
      } else if (elapsedMs >= patienceMs) {
        timer.stop();
      }
    });
    timer.start();
  }
  // A window that is modal already and is not the one to answer.
  void Ignore(QWidget* widget) { ignored = widget; }

  bool seen = false;
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;

 private:
  std::function<void(QWidget*)> act;
  QTimer timer;
  QWidget* ignored = nullptr;
  int elapsedMs = 0;
};

// Answers a message box with one of its buttons.
inline std::function<void(QWidget*)> Answer(QMessageBox::StandardButton button) {
  return [button](QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      if (QAbstractButton* choice = box->button(button)) choice->click();
    }
  };
}

// Closes a dialog as Escape would.
inline void Dismiss(QWidget* modal) {
  if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
}
