#pragma once
// What taruk's modes need from the system they run on, implemented once in
// cli/linux and once in cli/win32. Everything else in cli is shared.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/alarm/alert_platform.h"
#include "core/base/stop_request.h"
#include "core/drive/smart_device.h"
#include "core/drive/volumes.h"
#include "core/metrics/metrics_snapshot.h"

namespace taruk {

// Called first: readies the console the program was started from and gives
// the arguments as UTF-8, whatever the system's own encoding of them.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// This machine's drives (`stop`: a stop request that ends a reading at once,
// core/base/stop_request.h) and its volumes.
std::unique_ptr<DeviceOpener> MakeLiveDrives(StopSignal stop = kNoStopSignal);
std::unique_ptr<Volumes> MakeMachineVolumes();

// --metrics-listen HOST:PORT: checked when the command line is read, served
// while the returned object lives.
class MetricsListener {
 public:
  virtual ~MetricsListener() = default;
};
bool CheckListenAddress(const std::string& text, std::string& error);
// Its line of --help, empty where the build has no listener.
extern const char* const kMetricsListenUsage;
std::unique_ptr<MetricsListener> StartMetricsListener(const std::string& text, const MetricsSnapshot& snapshot,
                                                      std::string& error);

// The headless monitor's hold on the process: the stop requests the system
// sends (signals, the console's Ctrl+C or closing), the alarm actions each
// logged as one line, and the timer.
class HeadlessRun {
 public:
  // Takes over `stop` (from ListenForStopRequests) and closes it at the end.
  explicit HeadlessRun(StopSignal stop) : stop(stop) {}
  virtual ~HeadlessRun() { CloseStopSignal(stop); }
  HeadlessRun(const HeadlessRun&) = delete;
  HeadlessRun& operator=(const HeadlessRun&) = delete;
  // The stop request every long wait of a cycle polls.
  StopSignal Stop() const { return stop; }
  virtual AlertPlatform& Platform() = 0;
  // Calls `tick` once per `periodMs` until a stop request comes.
  virtual void RunUntilStopped(int periodMs, const std::function<void()>& tick) = 0;

 protected:
  const StopSignal stop;
};
// Null, with a one-line `error`, when the stop requests can't be caught.
// Start it before any thread of the program: the threads inherit its hold.
std::unique_ptr<HeadlessRun> StartHeadlessRun(std::string& error);

}  // namespace taruk
