#pragma once
// Which command each id of the main window and of the Options dialog runs,
// decided once for the Qt and the native Windows windows: a disk button shows
// the drive on it, a drive in the page control's list selects it, and the
// buttons and the tray menu open what they name. The windows hand in what
// each command does.

#include <functional>
#include <optional>

#include "core/drive/drive_slot.h"  // kDiskButtonCount, kMostDrives
#include "core/drive/self_test.h"
#include "gui/mail_server_ids.h"
#include "gui/monitor_ids.h"
#include "gui/options_ids.h"
#include "gui/self_test_ids.h"

namespace taruk {

struct MonitorActions {
  std::function<void(int button)> showDriveOnButton;  // 0..3, the disk button pressed
  std::function<void(int drive)> selectDrive;         // a drive chosen from the page control's list
  std::function<void()> openDriveList, details, options, graph, exit, showApplication, about;
};

// Runs what `id` asks for; false for an id that runs nothing (the labels,
// Enter and Escape: the main window never ends through them).
inline bool RunMonitorCommand(int id, const MonitorActions& actions) {
  using namespace monitor_ids;
  const auto run = [](const std::function<void()>& action) {
    if (action) action();
    return true;
  };
  for (int n = 0; n < kDiskButtonCount; ++n) {
    if (id == kDiskButtons[n]) {
      if (actions.showDriveOnButton) actions.showDriveOnButton(n);
      return true;
    }
  }
  if (id >= kFirstDriveCommand && id < kFirstDriveCommand + kMostDrives) {
    if (actions.selectDrive) actions.selectDrive(id - kFirstDriveCommand);
    return true;
  }
  switch (id) {
    case kDrivePages:
      return run(actions.openDriveList);
    case kDetails:
      return run(actions.details);
    case kOptions:
      return run(actions.options);
    case kGraph:
      return run(actions.graph);
    case ID_TRAY_EXIT:
      return run(actions.exit);
    case ID_TRAY_SHOW:
      return run(actions.showApplication);
    case ID_TRAY_ABOUT:
      return run(actions.about);
    default:
      return false;
  }
}

// What a main window does for its commands. Both windows implement it, so
// the table from command to member is written once, here.
class MonitorWindowActions {
 public:
  virtual ~MonitorWindowActions() = default;
  virtual void ShowDriveOnButton(int button) = 0;
  virtual void SelectDrive(int driveIndex) = 0;
  virtual void OpenDriveList() = 0;
  virtual void OnDetails() = 0;
  virtual void OnOptions() = 0;
  virtual void OnGraph() = 0;
  virtual void OnExit() = 0;
  virtual void ShowApplication() = 0;
  virtual void RunAboutBox() = 0;
};

inline bool RunMonitorCommand(int id, MonitorWindowActions& window) {
  return RunMonitorCommand(id, {.showDriveOnButton = [&window](int button) { window.ShowDriveOnButton(button); },
                                .selectDrive = [&window](int drive) { window.SelectDrive(drive); },
                                .openDriveList = [&window] { window.OpenDriveList(); },
                                .details = [&window] { window.OnDetails(); },
                                .options = [&window] { window.OnOptions(); },
                                .graph = [&window] { window.OnGraph(); },
                                .exit = [&window] { window.OnExit(); },
                                .showApplication = [&window] { window.ShowApplication(); },
                                .about = [&window] { window.RunAboutBox(); }});
}

struct OptionsActions {
  std::function<void()> ok, playTestSound, sendTestEmail, editMailServer;
};

// Runs what `id` of the Options dialog asks for; false for an id the dialog
// leaves to its toolkit (Cancel, the boxes and fields).
inline bool RunOptionsCommand(int id, const OptionsActions& actions) {
  using namespace options_ids;
  const auto run = [](const std::function<void()>& action) {
    if (action) action();
    return true;
  };
  switch (id) {
    case 1:
      return run(actions.ok);  // IDOK, also Enter
    case IdTemperatureTestSound:
    case IdFreeSpaceTestSound:
    case IdHealthTestSound:
      return run(actions.playTestSound);
    case IdSendTestEmail:
      return run(actions.sendTestEmail);
    case mail_server_ids::kOpenButton:
      return run(actions.editMailServer);
    default:
      return false;
  }
}

// The request a button of the Self-test dialog sends; none for any other id
// (Close goes to the toolkit).
inline std::optional<SelfTestRequest> SelfTestRequestOf(int id) {
  using namespace self_test_ids;
  switch (id) {
    case IdShort:
      return SelfTestRequest::Short;
    case IdExtended:
      return SelfTestRequest::Extended;
    case IdConveyance:
      return SelfTestRequest::Conveyance;
    case IdAbort:
      return SelfTestRequest::Abort;
    default:
      return std::nullopt;
  }
}

}  // namespace taruk
