#pragma once
// A pair of arrows that steps the whole number written in a buddy edit box
// within a range, from the arrows or from the Up and Down keys in the buddy.

#include <QLineEdit>
#include <QPointer>
#include <QWidget>

class QToolButton;

namespace taruk {

class UpDownControl : public QWidget {
  Q_OBJECT
 public:
  explicit UpDownControl(QWidget* parent = nullptr);

  void SetBuddy(QLineEdit* buddy);
  QLineEdit* Buddy() const { return qobject_cast<QLineEdit*>(buddy.data()); }
  void SetRange(int lowest, int highest);

  // One step up (+1) or down (-1) from the buddy's number, kept in range.
  // A buddy text that is not a number steps from the end of the range it
  // would leave.
  void Step(int delta);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QToolButton* upArrow;
  QToolButton* downArrow;
  // Held as a QObject: the buddy still sends events while it is being
  // destroyed, when it is no longer a QLineEdit.
  QPointer<QObject> buddy;
  int lowest = 0;
  int highest = 100;
};

}  // namespace taruk
