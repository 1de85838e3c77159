#pragma once
// A dialog run from a template of the program's resources (generated from
// res/dialogs at build time): the window procedure that routes the messages
// to virtual handlers, and the helpers every dialog uses.

#include <windows.h>

#include <string>

#include "core/drive/drive_slot.h"

namespace taruk::win32 {

class DialogWindow {
 public:
  explicit DialogWindow(int templateId) : templateId(templateId) {}
  DialogWindow(const DialogWindow&) = delete;
  DialogWindow& operator=(const DialogWindow&) = delete;
  virtual ~DialogWindow() = default;

  // Runs the dialog modally over `owner` (may be null) and returns the value
  // it ended with, or -1 when it could not be created.
  INT_PTR DoModal(HWND owner);

  HWND Handle() const { return window; }
  HWND Item(int id) const { return GetDlgItem(window, id); }
  void SetItemText(int id, const std::wstring& text) const;
  // The template's caption followed by the drive's number, model and serial.
  void NameDriveInTitle(int driveIndex, const DriveSlot& slot) const;
  std::wstring ItemText(int id) const;
  void ShowItem(int id, bool show) const;

 protected:
  // After the controls exist. True lets the system put the focus on the
  // first control.
  virtual bool OnInitDialog() { return true; }
  // WM_COMMAND. By default OK and Cancel end the dialog with their id.
  virtual void OnCommand(int id, int notification, HWND control);
  // Any other message; true when handled, with the dialog procedure's
  // result in `result`.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

  void EndDialog(int result) const { ::EndDialog(window, result); }

  HWND window = nullptr;

 private:
  void CentreOnWorkArea() const;
  static INT_PTR CALLBACK DialogProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Route(UINT message, WPARAM wParam, LPARAM lParam);

  int templateId;
};

// The module the resources live in.
HINSTANCE ProgramInstance();

// The text of string resource `id`; empty when there is none.
std::wstring ResourceString(int id);

}  // namespace taruk::win32
