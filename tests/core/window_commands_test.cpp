#include "gui/window_commands.h"

#include <gtest/gtest.h>

#include <string>

namespace taruk {
namespace {

using namespace monitor_ids;
using namespace options_ids;

// Both main windows run their commands through this table: each id must reach
// exactly one action, with the right number, and the labels, Enter and Escape
// none.
TEST(MonitorCommands, EachIdRunsOneActionAndTheRestNone) {
  std::string ran;
  const MonitorActions actions{.showDriveOnButton = [&](int button) { ran += "button " + std::to_string(button); },
                               .selectDrive = [&](int drive) { ran += "drive " + std::to_string(drive); },
                               .openDriveList = [&] { ran += "list"; },
                               .details = [&] { ran += "details"; },
                               .options = [&] { ran += "options"; },
                               .graph = [&] { ran += "graph"; },
                               .exit = [&] { ran += "exit"; },
                               .showApplication = [&] { ran += "show"; },
                               .about = [&] { ran += "about"; }};
  const struct {
    int id;
    const char* action;  // empty: nothing runs
  } cases[] = {
      {kDiskButtons[0], "button 0"},
      {kDiskButtons[3], "button 3"},
      {kFirstDriveCommand, "drive 0"},
      {kFirstDriveCommand + kMostDrives - 1, "drive 63"},
      {kDrivePages, "list"},
      {kDetails, "details"},
      {kOptions, "options"},
      {kGraph, "graph"},
      {ID_TRAY_EXIT, "exit"},
      {ID_TRAY_SHOW, "show"},
      {ID_TRAY_ABOUT, "about"},
      {kFirstDriveCommand + kMostDrives, ""},
      {kButton1, ""},
      {kManufacturerLabel, ""},
      {1, ""} /* Enter */,
      {2, ""} /* Escape */,
  };
  for (const auto& c : cases) {
    ran.clear();
    EXPECT_EQ(RunMonitorCommand(c.id, actions), *c.action != '\0') << c.id;
    EXPECT_EQ(ran, c.action) << c.id;
  }
  // A window without a page control leaves those actions out.
  EXPECT_TRUE(RunMonitorCommand(kFirstDriveCommand + 5, MonitorActions{}));
}

TEST(SelfTestCommands, EachTestButtonSendsItsOwnRequestAndCloseNone) {
  EXPECT_EQ(SelfTestRequestOf(self_test_ids::IdShort), SelfTestRequest::Short);
  EXPECT_EQ(SelfTestRequestOf(self_test_ids::IdExtended), SelfTestRequest::Extended);
  EXPECT_EQ(SelfTestRequestOf(self_test_ids::IdConveyance), SelfTestRequest::Conveyance);
  EXPECT_EQ(SelfTestRequestOf(self_test_ids::IdAbort), SelfTestRequest::Abort);
  EXPECT_EQ(SelfTestRequestOf(1), std::nullopt);
}

TEST(OptionsCommands, TheButtonsRunTheirActionAndTheRestGoesToTheToolkit) {
  std::string ran;
  const OptionsActions actions{.ok = [&] { ran = "ok"; },
                               .playTestSound = [&] { ran = "sound"; },
                               .sendTestEmail = [&] { ran = "mail"; },
                               .editMailServer = [&] { ran = "server"; }};
  const struct {
    int id;
    const char* action;
  } cases[] = {{1, "ok"},
               {IdTemperatureTestSound, "sound"},
               {IdFreeSpaceTestSound, "sound"},
               {IdHealthTestSound, "sound"},
               {IdSendTestEmail, "mail"},
               {mail_server_ids::kOpenButton, "server"},
               {2, ""} /* Cancel */,
               {IdTemperatureActionList, ""}};
  for (const auto& c : cases) {
    ran.clear();
    EXPECT_EQ(RunOptionsCommand(c.id, actions), *c.action != '\0') << c.id;
    EXPECT_EQ(ran, c.action) << c.id;
  }
}

}  // namespace
}  // namespace taruk
