#include "core/drive/self_test_command.h"

#include <cstdio>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/drive_source.h"
#include "core/drive/drive_slot.h"

namespace taruk {

namespace {

SelfTestRequest RequestNamed(const std::string& name) {
  if (name == "short") return SelfTestRequest::Short;
  if (name == "extended") return SelfTestRequest::Extended;
  if (name == "conveyance") return SelfTestRequest::Conveyance;
  return SelfTestRequest::Abort;
}

// The drive a self-test is for: the system's drive number, one to three
// plain digits without a leading zero (one spelling per drive).
bool DriveNumberOf(const std::string& id, int& number) {
  if (id.empty() || id.size() > 3 || (id.size() > 1 && id[0] == '0')) return false;
  number = 0;
  for (char c : id) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + (c - '0');
  }
  return true;
}

}  // namespace

// Starts or aborts one drive's self-test and returns at once: exit 0 when
// the drive took the request, 1 when it did not (or could not be reached),
// 2 for a usage error. The line on stdout says which.
int RunSelfTest(const CommandLine& commandLine) {
  int driveNumber = 0;
  if (!DriveNumberOf(commandLine.drive, driveNumber)) {
    std::fprintf(stderr, "taruk: --drive takes a drive number from 0 to 999, not %s\n", commandLine.drive.c_str());
    return 2;
  }
  std::string error;
  if (!CheckReplayFolder(commandLine, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }
  std::unique_ptr<DeviceOpener> opener = MakeDriveSource(commandLine);
  opener->DriveNumbers();  // an opener names its drives from its last listing
  std::unique_ptr<SmartDevice> device = opener->Open(driveNumber);
  if (!device) {
    const std::string problem = opener->Problem(driveNumber);
    std::fprintf(stderr, "taruk: HD%d: %s\n", driveNumber, problem.empty() ? "no such drive" : problem.c_str());
    return 1;
  }
  const SelfTestReply reply = RequestSelfTest(*device, RequestNamed(commandLine.selfTest));
  std::printf("HD%d: %s\n", driveNumber, reply.text.c_str());
  std::fflush(stdout);
  return SelfTestAccepted(reply.outcome) ? 0 : 1;
}

}  // namespace taruk
