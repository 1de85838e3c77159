#include <windows.h>

#include "win32/win32_device_system.h"

#include <gtest/gtest.h>
#include <winioctl.h>

#include <chrono>
#include <string>

#include "win32/win32_device_opener.h"

using namespace taruk;
using namespace std::chrono_literals;

namespace {

// ConnectNamedPipe's control code (ntifs.h; not in mingw-w64's user headers).
constexpr uint32_t kPipeListen = CTL_CODE(FILE_DEVICE_NAMED_PIPE, 2, METHOD_BUFFERED, FILE_ANY_ACCESS);

// A named pipe's server end waiting for a client: a request that never ends
// unless someone connects.
HANDLE ListeningPipe() {
  const std::wstring name = L"\\\\.\\pipe\\taruk-drive-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                            std::to_wstring(GetTickCount64());
  return CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED, PIPE_TYPE_BYTE, 1, 0, 0, 0, nullptr);
}

}  // namespace

TEST(Win32DeviceSystem, ARequestThatNeverEndsIsGivenUpAndAStopEndsItAtOnce) {
  {
    const HANDLE pipe = ListeningPipe();
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    const std::unique_ptr<ControlledDevice> device = AdoptOverlappedHandle(pipe, 200ms);
    for (int attempt = 0; attempt < 2; ++attempt) {
      const ControlResult result = device->Control(kPipeListen, {}, {});
      EXPECT_FALSE(result.succeeded);
      EXPECT_EQ(result.error, static_cast<uint32_t>(ERROR_TIMEOUT));
    }
  }
  {
    // A stop request already made: the request ends without its time-out
    // (an hour here) running down.
    const HANDLE stop = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    const HANDLE pipe = ListeningPipe();
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    const std::unique_ptr<ControlledDevice> device =
        AdoptOverlappedHandle(pipe, 1h, reinterpret_cast<StopSignal>(stop));
    const ControlResult result = device->Control(kPipeListen, {}, {});
    EXPECT_FALSE(result.succeeded);
    EXPECT_EQ(result.error, static_cast<uint32_t>(ERROR_CANCELLED));
    CloseHandle(stop);
  }
}

TEST(Win32DeviceSystem, AnsweredRequestsAndFailedOpensComeBackAsTheSystemGaveThem) {
  // The geometry needs no access rights; Wine makes one up for its disk.
  Win32DeviceSystem system;
  OpenedDevice drive = system.Open(PhysicalDrivePath(0), DeviceAccess::QueryOnly);
  ASSERT_TRUE(drive.device) << drive.error;
  std::array<uint8_t, 32> answer{};
  const ControlResult result = drive.device->Control(IOCTL_DISK_GET_DRIVE_GEOMETRY, {}, answer);
  EXPECT_TRUE(result.succeeded) << result.error;
  EXPECT_EQ(result.bytesReturned, sizeof(DISK_GEOMETRY));
  EXPECT_NE(answer[20] | answer[21] << 8, 0);  // bytes per sector

  const OpenedDevice missing = system.Open(L"\\\\.\\PhysicalDrive77", DeviceAccess::ReadWrite);
  EXPECT_FALSE(missing.device);
  EXPECT_EQ(missing.error, static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
}
