// The Win32 machine pieces against the system's own implementations (Wine's
// under CI): the Run value, the volumes, the machine's name, the sound, and
// the power actions up to the seam where the real requests would leave.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/alarm/alarm_dispatch.h"
#include "core/alarm/window_alert_actions.h"
#include "core/base/machine_name.h"
#include "win32/autostart.h"
#include "win32/console_alert_platform.h"
#include "win32/drive_letter_volumes.h"
#include "win32/power_switch.h"
#include "win32/system_error_text.h"
#include "win32/wave_sound.h"

namespace taruk {
namespace {

std::wstring RunValue(DWORD& type, DWORD& bytes, HKEY root = HKEY_LOCAL_MACHINE) {
  std::vector<wchar_t> buffer(4096);
  bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  const LSTATUS status = RegGetValueW(root, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"Taruk",
                                      RRF_RT_ANY | RRF_NOEXPAND, &type, buffer.data(), &bytes);
  return status == ERROR_SUCCESS ? std::wstring(buffer.data()) : L"<missing>";
}

TEST(Win32Autostart, RunValueRoundTrip) {
  RemoveAutostartEntry();
  ASSERT_FALSE(AutostartEntryExists());

  // A path beyond the ASCII range, stored as UTF-16 with its terminator and
  // quoted for its spaces; and one far longer than the 1000 bytes a fixed buffer would take, which must
  // still show as set.
  const std::string longPath = "C:\\" + std::string(900, 'x') + "\\taruk.exe";
  const struct {
    std::string utf8;
    std::wstring stored;
  } cases[] = {
      {"C:\\Program Files\\Tar\xC3\xBCk \xE2\x82\xAC\\taruk.exe",
       L"\"C:\\Program Files\\Tar\u00FCk \u20AC\\taruk.exe\""},
      {longPath, std::wstring(longPath.begin(), longPath.end())},
  };
  for (const auto& entry : cases) {
    ASSERT_EQ(WriteAutostartEntry(entry.utf8), 0);
    EXPECT_TRUE(AutostartEntryExists());
    DWORD type = 0, bytes = 0;
    EXPECT_EQ(RunValue(type, bytes), entry.stored);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(bytes, (entry.stored.size() + 1) * sizeof(wchar_t));
  }

  RemoveAutostartEntry();
  EXPECT_FALSE(AutostartEntryExists());
  RemoveAutostartEntry();  // nothing to delete: still quiet
  EXPECT_FALSE(AutostartEntryExists());
  EXPECT_FALSE(SystemErrorText(int{ERROR_ACCESS_DENIED}).empty());
}

// Wine lets anyone write the machine-wide key, so the refusal an ordinary
// user meets is played by the writer: the user is asked, and only a yes
// writes the user's own value (for real, under HKEY_CURRENT_USER).
TEST(Win32Autostart, RefusedMachineValueOffersTheUsersOwn) {
  RemoveAutostartEntry();
  const std::string path = "C:\\Taruk\\taruk.exe";
  std::vector<std::string> calls;
  const RunValueWriter refusingMachine = [&](const std::string& exe, RunScope scope) {
    calls.push_back(scope == RunScope::Machine ? "machine" : "user");
    return scope == RunScope::Machine ? static_cast<int>(ERROR_ACCESS_DENIED) : WriteAutostartEntry(exe, scope);
  };
  const struct {
    bool yes;
    std::vector<std::string> calls;
    const wchar_t* userValue;
  } cases[] = {{false, {"machine"}, L"<missing>"}, {true, {"machine", "user"}, L"C:\\Taruk\\taruk.exe"}};
  for (const auto& c : cases) {
    calls.clear();
    int offers = 0;
    EXPECT_EQ(EnableRunAtStartup(
                  path,
                  [&] {
                    ++offers;
                    return c.yes;
                  },
                  refusingMachine),
              0);
    EXPECT_EQ(offers, 1);
    EXPECT_EQ(calls, c.calls);
    DWORD type = 0, bytes = 0;
    EXPECT_EQ(RunValue(type, bytes, HKEY_CURRENT_USER), c.userValue);
    EXPECT_EQ(RunValue(type, bytes), L"<missing>");
    EXPECT_EQ(AutostartEntryExists(), c.yes);
  }
  // Any other failure is shown as it is, without an offer; a machine-wide
  // value that can be written asks nothing.
  int offers = 0;
  const auto offer = [&] {
    ++offers;
    return true;
  };
  const RunValueWriter readOnly = [](const std::string&, RunScope) { return static_cast<int>(ERROR_WRITE_PROTECT); };
  EXPECT_EQ(EnableRunAtStartup(path, offer, readOnly), static_cast<int>(ERROR_WRITE_PROTECT));
  EXPECT_EQ(EnableRunAtStartup(path, offer), 0);
  EXPECT_EQ(offers, 0);
  DWORD type = 0, bytes = 0;
  EXPECT_EQ(RunValue(type, bytes), L"C:\\Taruk\\taruk.exe");
  RemoveAutostartEntry();
  EXPECT_FALSE(AutostartEntryExists());
}

TEST(Win32Volumes, DriveLettersAndHostFigures) {
  DriveLetterVolumes volumes;
  const std::vector<VolumeSpace> spaces = volumes.FreeSpace(kMostVolumes);
  ASSERT_EQ(spaces.size(), 26u);
  EXPECT_EQ(spaces.front().root, L"A:\\");
  EXPECT_EQ(spaces[2].root, L"C:\\");
  EXPECT_EQ(spaces.back().root, L"Z:\\");

  // C: is a folder of the host's file system: its space is the host's own
  // figure for that folder, measured just before the test started (others
  // may write to the disk meanwhile).
  ASSERT_TRUE(spaces[2].freeBytes.has_value());
  const char* host = std::getenv("TARUK_HOST_DRIVE_C_AVAILABLE");
  if (host == nullptr) GTEST_SKIP() << "run through tests/win32/run_with_host.sh for the host's figure";
  const double hostBytes = std::strtod(host, nullptr);
  EXPECT_NEAR(static_cast<double>(*spaces[2].freeBytes), hostBytes, 512e6);

  // A letter with no drive behind it is skipped, and its query leaves the
  // figure alone.
  for (wchar_t letter = L'Z'; letter > L'C'; --letter) {
    const std::wstring root{letter, L':', L'\\'};
    if (GetDriveTypeW(root.c_str()) != DRIVE_NO_ROOT_DIR) continue;
    uint64_t bytes = 42;
    EXPECT_FALSE(volumes.FreeBytesAvailable(root, bytes)) << root.c_str();
    EXPECT_EQ(bytes, 42u);
    EXPECT_FALSE(spaces[static_cast<size_t>(letter - L'A')].freeBytes.has_value());
    return;
  }
  ADD_FAILURE() << "every drive letter is taken";
}

// The alert e-mails name the machine by its DNS host name, which Wine takes
// from the host.
TEST(Win32MachineName, IsTheHostsName) {
  const std::wstring name = MachineName();
  EXPECT_FALSE(name.empty());
  const char* host = std::getenv("TARUK_HOST_NAME");
  if (host == nullptr) GTEST_SKIP() << "run through tests/win32/run_with_host.sh for the host's name";
  EXPECT_EQ(name, std::wstring(host, host + std::string(host).size()));
}

TEST(Win32Sound, PlaysTheAlarmAndSaysWhyAFileDoesNot) {
  // The alarm as the build ships it, through an ALSA null device when
  // run_with_host.sh gives one.
  std::wstring failure;
  if (std::getenv("TARUK_NULL_SOUND_DEVICE")) {
    EXPECT_TRUE(PlayWaveFile(TARUK_ALARM_WAV, failure)) << std::string(failure.begin(), failure.end());
    // A sound that goes on past its limit is stopped and reported.
    failure.clear();
    EXPECT_FALSE(PlayWaveFile(TARUK_ALARM_WAV, failure, std::chrono::milliseconds(1)));
    EXPECT_EQ(failure.rfind(TARUK_ALARM_WAV, 0), 0u) << std::string(failure.begin(), failure.end());
  }

  wchar_t folder[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, folder), 0u);
  const std::wstring missing = std::wstring(folder) + L"taruk-no-such-alarm.wav";
  const std::wstring notSound = std::wstring(folder) + L"taruk-not-a-sound.wav";
  HANDLE file = CreateFileW(notSound.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, "not a RIFF file", 15, &written, nullptr);
  CloseHandle(file);

  for (const std::wstring& path : {missing, notSound}) {
    failure.clear();
    EXPECT_FALSE(PlayWaveFile(path, failure));
    // The file's name, then the system's words (not checked: they differ
    // between systems).
    ASSERT_GT(failure.size(), path.size() + 2) << std::string(failure.begin(), failure.end());
    EXPECT_EQ(failure.substr(0, path.size() + 2), path + L": ");
  }
  DeleteFileW(notSound.c_str());
}

// The seam at the power requests: what would have been asked, and what the
// system answers.
class RecordingPowerSwitch : public PowerSwitch {
 public:
  unsigned long ShutdownPrivilegeRequest() override {
    calls.push_back("AdjustTokenPrivileges");
    return privilegeAnswer;
  }
  unsigned long ShutDownRequest(unsigned flags, unsigned long reason) override {
    calls.push_back("ExitWindowsEx " + std::to_string(flags) + " " + std::to_string(reason));
    return answer;
  }
  unsigned long PowerStateRequest(bool suspend, bool force) override {
    calls.push_back("SetSystemPowerState " + std::to_string(suspend) + " " + std::to_string(force));
    return answer;
  }
  std::vector<std::string> calls;
  unsigned long privilegeAnswer = 0;
  unsigned long answer = 0;
};

TEST(Win32Power, EachActionAsksTheSystemOnceAndLogsIt) {
  // The privilege step is the process's own token: harmless, and real.
  EXPECT_EQ(EnableShutdownPrivilege(), 0u);

  const struct {
    void (AlertPlatform::*action)();
    PowerAction kind;
    std::string call;
    std::string line;
  } cases[] = {
      {&AlertPlatform::ShutDown, PowerAction::ShutDown, "ExitWindowsEx 17 65543", "taruk: shutting down the system\n"},
      {&AlertPlatform::Suspend, PowerAction::Suspend, "SetSystemPowerState 1 0", "taruk: suspending the system\n"},
      {&AlertPlatform::Hibernate, PowerAction::Hibernate, "SetSystemPowerState 0 0", "taruk: hibernating the system\n"},
  };
  for (const unsigned long answer : {0ul, static_cast<unsigned long>(ERROR_PRIVILEGE_NOT_HELD)}) {
    for (const auto& entry : cases) {
      RecordingPowerSwitch power;
      power.answer = answer;
      ConsoleAlertPlatform platform(power);
      testing::internal::CaptureStderr();
      EXPECT_TRUE(platform.EnableShutdownPrivilege(entry.kind));
      (platform.*entry.action)();
      const std::string log = testing::internal::GetCapturedStderr();
      EXPECT_EQ(power.calls, (std::vector<std::string>{"AdjustTokenPrivileges", entry.call}));
      if (answer == 0) {
        EXPECT_EQ(log, entry.line);
      } else {
        // A refusal follows as the system's text on one line of its own.
        ASSERT_GT(log.size(), entry.line.size()) << log;
        EXPECT_EQ(log.substr(0, entry.line.size() + 14), entry.line + "taruk: Error: ");
        EXPECT_EQ(log.back(), '\n');
        EXPECT_EQ(log.find('\n', entry.line.size()), log.size() - 1) << log;
      }
    }
  }
}

// The window's actions over the console's machine, as taruk.exe wires them:
// the privilege step runs before each request (on Windows the request fails
// without it), a refusal is shown in the unowned "Error" box, and the
// request goes out all the same.
class RecordedWindow : public WindowAlertActions {
 public:
  using WindowAlertActions::WindowAlertActions;
  std::vector<std::wstring> boxes;

 protected:
  bool ShowWindowBalloon(const std::wstring&, const std::wstring&, int) override { return true; }
  void ShowErrorBox(const std::wstring& text, bool ownedByWindow) override {
    boxes.push_back((ownedByWindow ? L"owned: " : L"unowned: ") + text);
  }
};

TEST(Win32Power, TheWindowTakesThePrivilegeBeforeEachRequest) {
  const struct {
    AlarmAction action;
    std::string call;
  } cases[] = {
      {AlarmAction::ShutDown, "ExitWindowsEx 17 65543"},
      {AlarmAction::Suspend, "SetSystemPowerState 1 0"},
      {AlarmAction::Hibernate, "SetSystemPowerState 0 0"},
  };
  for (const unsigned long privilege : {0ul, static_cast<unsigned long>(ERROR_ACCESS_DENIED)}) {
    for (const auto& entry : cases) {
      SCOPED_TRACE(entry.call + ", privilege answer " + std::to_string(privilege));
      RecordingPowerSwitch power;
      power.privilegeAnswer = privilege;
      ConsoleAlertPlatform machine(power);
      RecordedWindow window(machine);
      testing::internal::CaptureStderr();
      CarryOutAlarm(entry.action, {}, {}, window);
      testing::internal::GetCapturedStderr();
      EXPECT_EQ(power.calls, (std::vector<std::string>{"AdjustTokenPrivileges", entry.call}));
      if (privilege == 0) {
        EXPECT_TRUE(window.boxes.empty());
      } else {
        ASSERT_EQ(window.boxes.size(), 1u);
        EXPECT_EQ(window.boxes[0], L"unowned: " + SystemErrorText(privilege));
      }
    }
  }
}

}  // namespace
}  // namespace taruk
