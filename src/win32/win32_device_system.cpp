#include <windows.h>

#include "win32/win32_device_system.h"

#include <algorithm>
#include <vector>

namespace taruk {

namespace {

// After a cancel, how long the driver gets to hand the request back.
constexpr DWORD kCancelGraceMs = 2000;

// One request in flight: its buffers must live until the driver is done
// with them, which may be after the caller gave up.
struct Request {
  OVERLAPPED overlapped{};
  std::vector<uint8_t> in;
  std::vector<uint8_t> out;
  ~Request() {
    if (overlapped.hEvent) CloseHandle(overlapped.hEvent);
  }
};

class Win32Device : public ControlledDevice {
 public:
  Win32Device(HANDLE handle, DWORD timeoutMs, HANDLE stopEvent)
      : handle_(handle), timeoutMs_(timeoutMs), stopEvent_(stopEvent) {}
  ~Win32Device() override { CloseHandle(handle_); }
  Win32Device(const Win32Device&) = delete;
  Win32Device& operator=(const Win32Device&) = delete;

  ControlResult Control(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out) override {
    if (abandoned_) return {false, 0, ERROR_TIMEOUT};
    auto request = std::make_unique<Request>();
    request->overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!request->overlapped.hEvent) return {false, 0, GetLastError()};
    request->in.assign(in.begin(), in.end());
    request->out.assign(out.size(), 0);

    if (!DeviceIoControl(handle_, code, request->in.empty() ? nullptr : request->in.data(),
                         static_cast<DWORD>(request->in.size()), request->out.empty() ? nullptr : request->out.data(),
                         static_cast<DWORD>(request->out.size()), nullptr, &request->overlapped)) {
      const DWORD error = GetLastError();
      if (error != ERROR_IO_PENDING) return {false, 0, error};
    }
    const DWORD waited = Wait(request->overlapped.hEvent);
    if (waited != WAIT_OBJECT_0) {
      CancelIoEx(handle_, &request->overlapped);
      if (WaitForSingleObject(request->overlapped.hEvent, kCancelGraceMs) != WAIT_OBJECT_0) {
        // The driver still holds the buffers: leave them to it.
        request.release();
        abandoned_ = true;
      }
      return {false, 0, waited == WAIT_OBJECT_0 + 1 ? DWORD{ERROR_CANCELLED} : DWORD{ERROR_TIMEOUT}};
    }
    DWORD bytes = 0;
    if (!GetOverlappedResult(handle_, &request->overlapped, &bytes, FALSE)) return {false, 0, GetLastError()};
    bytes = std::min<DWORD>(bytes, static_cast<DWORD>(out.size()));
    std::copy_n(request->out.begin(), bytes, out.begin());
    return {true, bytes, 0};
  }

 private:
  // WAIT_OBJECT_0 when the request is done, WAIT_OBJECT_0 + 1 on a stop
  // request, WAIT_TIMEOUT (or a failure) otherwise.
  DWORD Wait(HANDLE done) const {
    if (stopEvent_) {
      const HANDLE events[] = {done, stopEvent_};
      const DWORD waited = WaitForMultipleObjects(2, events, FALSE, timeoutMs_);
      if (waited != WAIT_FAILED) return waited;
      // Not an event after all: wait for the request alone.
    }
    return WaitForSingleObject(done, timeoutMs_);
  }

  HANDLE handle_;
  DWORD timeoutMs_;
  HANDLE stopEvent_;
  bool abandoned_ = false;
};

}  // namespace

Win32DeviceSystem::Win32DeviceSystem(std::chrono::milliseconds timeout, StopSignal stop)
    : timeout_(timeout), stop_(stop) {}

OpenedDevice Win32DeviceSystem::Open(const std::wstring& path, DeviceAccess access) {
  const DWORD desired = access == DeviceAccess::ReadWrite ? GENERIC_READ | GENERIC_WRITE : 0;
  // Overlapped, so that a request can be waited for with a time-out.
  const HANDLE handle = CreateFileW(path.c_str(), desired, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OVERLAPPED, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return {nullptr, GetLastError()};
  return {AdoptOverlappedHandle(handle, timeout_, stop_), 0};
}

std::unique_ptr<ControlledDevice> AdoptOverlappedHandle(void* handle, std::chrono::milliseconds timeout,
                                                        StopSignal stop) {
  const HANDLE stopEvent = stop == kNoStopSignal ? nullptr : reinterpret_cast<HANDLE>(stop);
  return std::make_unique<Win32Device>(handle, static_cast<DWORD>(timeout.count()), stopEvent);
}

}  // namespace taruk
