#include "gui/toolkit/up_down_control.h"

#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace taruk {

UpDownControl::UpDownControl(QWidget* parent)
    : QWidget(parent), upArrow(new QToolButton(this)), downArrow(new QToolButton(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (QToolButton* arrow : {upArrow, downArrow}) {
    arrow->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    arrow->setAutoRepeat(true);
    arrow->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(arrow);
  }
  upArrow->setArrowType(Qt::UpArrow);
  downArrow->setArrowType(Qt::DownArrow);
  connect(upArrow, &QToolButton::clicked, this, [this] { Step(1); });
  connect(downArrow, &QToolButton::clicked, this, [this] { Step(-1); });
}

void UpDownControl::SetBuddy(QLineEdit* newBuddy) {
  if (buddy) buddy->removeEventFilter(this);
  buddy = newBuddy;
  if (buddy) buddy->installEventFilter(this);
}

void UpDownControl::SetRange(int newLowest, int newHighest) {
  lowest = newLowest;
  highest = newHighest;
}

void UpDownControl::Step(int delta) {
  QLineEdit* edit = Buddy();
  if (!edit) return;
  bool isNumber = false;
  const int current = edit->text().trimmed().toInt(&isNumber);
  int next;
  if (!isNumber) {
    next = delta > 0 ? lowest : highest;
  } else {
    // Widen before adding: the buddy may hold any number the user typed.
    const long long wanted = static_cast<long long>(current) + delta;
    next = static_cast<int>(std::clamp<long long>(wanted, lowest, highest));
  }
  edit->setText(QString::number(next));
}

bool UpDownControl::eventFilter(QObject* watched, QEvent* event) {
  if (watched == buddy && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      Step(key == Qt::Key_Up ? 1 : -1);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace taruk
