#pragma once
// The main window's resource, control and command ids, shared by the Qt and
// the native Windows windows (both build from the same templates in res/).

namespace taruk {

// Command and message ids of the main window.
namespace monitor_ids {
constexpr int IDM_ABOUTBOX = 16;  // system menu
constexpr int ID_TRAY_SHOW = 32771;
constexpr int ID_TRAY_EXIT = 32772;
constexpr int ID_TRAY_ABOUT = 32773;
constexpr int kButton1 = 1000;
constexpr int kBackground = 1002;
constexpr int kManufacturerLabel = 1004;
constexpr int kManufacturer = 1005;
constexpr int kSerialNumber = 1008;
constexpr int kSerialLabel = 1009;
constexpr int kFrame = 1010;
constexpr int kTemperatureIcon = 1011;
constexpr int kTemperature = 1012;
constexpr int kWorkTime = 1013;
constexpr int kDetails = 1014;
constexpr int kWorkTimeLabel = 1015;
constexpr int kOptions = 1016;
constexpr int kGraph = 1025;
constexpr int kHealthLine = 1040;  // the selected drive's verdict, in its badge's colour
constexpr int kDiskButtons[4] = {1001, 1003, 1006, 1007};
// The page control below the disk buttons, made only on a machine with more
// than four drives (the template stays as it is): its id and place in the
// template's dialog units, the window's height with it, and the commands of
// its list (the first + the drive's number).
constexpr int kDrivePages = 1041;
constexpr int kDrivePagesRect[4] = {7, 146, 139, 13};
constexpr int kPagedWindowHeight = 162;
constexpr int kFirstDriveCommand = 33000;
constexpr int kAppIcon = 128;
constexpr int kDiskIcon = 129;
constexpr int kOptionsIcon = 132;
constexpr int kDetailsIcon = 133;
constexpr int kTrayIcon = 135;
constexpr int kGraphIcon = 138;
constexpr int kTrayMenu = 136;
constexpr int kAboutString = 101;
constexpr int MonitorTimerId = 1;
constexpr int NotifyIconId = 4662;
}  // namespace monitor_ids

}  // namespace taruk
