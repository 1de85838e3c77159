#pragma once
// CTempGraphDlg: template 137, one drive's hour or minute temperatures drawn
// with GDI over control 1023 from the shared graph plan.

#include "core/base/clock.h"
#include "core/drive/drive_slot.h"
#include "core/view/temp_graph_plan.h"
#include "gui/win32/dialog_window.h"

namespace taruk::win32 {

// Hours or minutes: the last choice, kept from one opening to the next for
// the process's life.
extern GraphMode graphMode;

class CTempGraphDlg : public DialogWindow {
 public:
  enum : int { IdGraph = 1023, IdHours = 1024, IdMinutes = 1025 };

  CTempGraphDlg(const DriveSlots& driveSlots, int drive, int criticalTemperature, Clock& clock)
      : DialogWindow(137),
        driveSlots(driveSlots),
        drive(drive),
        criticalTemperature(criticalTemperature),
        clock(clock) {}

  // The plan for a client area of `width` x `height` pixels, now.
  TempGraphPlan CurrentPlan(int width, int height) const;

 protected:
  bool OnInitDialog() override;
  void OnCommand(int id, int notification, HWND control) override;

 private:
  static LRESULT CALLBACK GraphProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR data);
  void PaintGraph(HWND graph);

  const DriveSlots& driveSlots;
  int drive;
  int criticalTemperature;
  Clock& clock;
};

// Paints `plan` on `dc` (the control's client coordinates).
void PaintTemperatureGraph(HDC dc, const TempGraphPlan& plan);

}  // namespace taruk::win32
