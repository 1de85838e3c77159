#include "gui/win32/temp_graph_dlg.h"

#include <commctrl.h>

#include "gui/win32/colours.h"

namespace taruk::win32 {

GraphMode graphMode = GraphMode::Hours;

namespace {

constexpr UINT_PTR kGraphSubclassId = 0x7E3D;
constexpr COLORREF kBackground = ToColorRef(palette::kLightBlue);
constexpr COLORREF kGrid = ToColorRef(palette::kGraphGrid);
constexpr COLORREF kAxis = ToColorRef(palette::kGraphAxis);
constexpr COLORREF kCritical = ToColorRef(palette::kGraphCritical);
constexpr COLORREF kTemperature = ToColorRef(palette::kGraphTemperature);

void DrawLine(HDC dc, const GraphLine& line) {
  MoveToEx(dc, line.from.x, line.from.y, nullptr);
  LineTo(dc, line.to.x, line.to.y);
}

void DrawLabel(HDC dc, const GraphLabel& label) {
  TextOutW(dc, label.at.x, label.at.y, label.text.c_str(), static_cast<int>(label.text.size()));
}

}  // namespace

void PaintTemperatureGraph(HDC dc, const TempGraphPlan& plan) {
  HBRUSH background = CreateSolidBrush(kBackground);
  HPEN grid = CreatePen(PS_SOLID, 1, kGrid);
  HPEN axis = CreatePen(PS_SOLID, 2, kAxis);
  HPEN critical = CreatePen(PS_SOLID, 2, kCritical);
  HPEN temperature = CreatePen(PS_SOLID, 2, kTemperature);
  HGDIOBJ oldBrush = SelectObject(dc, background);
  HGDIOBJ oldPen = SelectObject(dc, grid);
  SetBkColor(dc, kBackground);
  const RECT client{plan.left, plan.top, plan.left + plan.width, plan.top + plan.height};
  FillRect(dc, &client, background);
  if (plan.step >= 1) {
    for (size_t i = 0; i < plan.temperatureGrid.size(); ++i) {
      DrawLine(dc, plan.temperatureGrid[i]);
      DrawLabel(dc, plan.temperatureLabels[i]);
    }
    for (size_t i = 0; i < plan.timeGrid.size(); ++i) {
      DrawLine(dc, plan.timeGrid[i]);
      DrawLabel(dc, plan.timeLabels[i]);
    }
    SelectObject(dc, axis);
    DrawLine(dc, plan.horizontalAxis);
    DrawLine(dc, plan.verticalAxis);
    SelectObject(dc, critical);
    DrawLine(dc, plan.criticalLine);
    DrawLabel(dc, plan.criticalLabel);
    SelectObject(dc, temperature);
    if (!plan.temperatureLine.empty()) {
      MoveToEx(dc, plan.temperatureLine.front().x, plan.temperatureLine.front().y, nullptr);
      for (size_t i = 1; i < plan.temperatureLine.size(); ++i) {
        LineTo(dc, plan.temperatureLine[i].x, plan.temperatureLine[i].y);
      }
    }
  }
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(temperature);
  DeleteObject(critical);
  DeleteObject(axis);
  DeleteObject(grid);
  DeleteObject(background);
}

TempGraphPlan CTempGraphDlg::CurrentPlan(int width, int height) const {
  return PlanDriveGraph(SlotOrEmpty(driveSlots, drive), graphMode, clock, width, height, criticalTemperature);
}

bool CTempGraphDlg::OnInitDialog() {
  if (drive >= 0 && static_cast<size_t>(drive) < driveSlots.size())
    NameDriveInTitle(drive, driveSlots[static_cast<size_t>(drive)]);
  SetWindowSubclass(Item(IdGraph), &CTempGraphDlg::GraphProc, kGraphSubclassId, reinterpret_cast<DWORD_PTR>(this));
  CheckRadioButton(window, IdHours, IdMinutes, graphMode == GraphMode::Hours ? IdHours : IdMinutes);
  return true;
}

void CTempGraphDlg::OnCommand(int id, int notification, HWND control) {
  if (id == IdHours || id == IdMinutes) {
    graphMode = id == IdHours ? GraphMode::Hours : GraphMode::Minutes;
    InvalidateRect(Item(IdGraph), nullptr, TRUE);
    return;
  }
  DialogWindow::OnCommand(id, notification, control);
}

LRESULT CALLBACK CTempGraphDlg::GraphProc(HWND graph, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR data) {
  auto* self = reinterpret_cast<CTempGraphDlg*>(data);
  if (message == WM_PAINT) {
    self->PaintGraph(graph);
    return 0;
  }
  if (message == WM_ERASEBKGND) return 1;  // the painting fills it
  if (message == WM_NCDESTROY) RemoveWindowSubclass(graph, &CTempGraphDlg::GraphProc, kGraphSubclassId);
  return DefSubclassProc(graph, message, wParam, lParam);
}

void CTempGraphDlg::PaintGraph(HWND graph) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(graph, &paint);
  RECT client;
  GetClientRect(graph, &client);
  // Text in the device context's own font and colour.
  PaintTemperatureGraph(dc, CurrentPlan(client.right - client.left, client.bottom - client.top));
  EndPaint(graph, &paint);
}

}  // namespace taruk::win32
