#pragma once
// A QDialog built from one of the program's dialog templates, whose commands
// arrive by control id at one handler, the way a dialog's routing table reads:
//
//   void OnCommand(int id) override {
//     switch (id) {
//       case 1028: PlayTestSound(); return;
//       default: TemplateDialog::OnCommand(id);
//     }
//   }
//
// By default command 1 (OK, and Enter on the default button) accepts the
// dialog and command 2 (Cancel, Escape and the close box) rejects it.
//
// OnInitDialog runs once, when the dialog is first shown: callers fill a
// dialog's fields between constructing it and running it.

#include <QDialog>
#include <QString>

#include "gui/toolkit/dialog_builder.h"
#include "gui/toolkit/dialog_template.h"

namespace taruk {

constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

class TemplateDialog : public QDialog {
  Q_OBJECT
 public:
  // Loads and builds template `templateId`; `factory` may make some controls
  // itself (see ControlFactory). A template that cannot be loaded leaves an
  // empty dialog and says why in BuildError().
  explicit TemplateDialog(int templateId, QWidget* parent = nullptr, const ControlFactory& factory = {});

  bool IsBuilt() const { return built; }
  const QString& BuildError() const { return buildError; }

  template <typename T = QWidget>
  T* Control(int id) const {
    return ControlById<T>(*this, id);
  }

  // Delivers a command as if its control had sent it.
  void SendCommand(int id) { RouteCommand(id); }

 signals:
  // Every command, before OnCommand handles it.
  void command(int id);

 protected:
  // Sets the controls up from the dialog's fields; see above.
  virtual void OnInitDialog() {}
  // Runs OnInitDialog unless it has run (or the dialog could not be built).
  void InitDialogOnce();
  void setVisible(bool visible) override;

  virtual void OnCommand(int id);
  virtual void OnSelectionChanged(int /*id*/) {}
  // Escape and the close box reach the dialog here; they become command 2.
  void reject() override;

 private:
  void RouteCommand(int id);

  bool built = false;
  bool initialised = false;
  QString buildError;
};

}  // namespace taruk
