#include "linux/reader_device_opener.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <optional>

#include "core/capture/capture_bytes.h"
#include "core/capture/capture_device.h"
#include "linux/descriptor_passing.h"
#include "linux/linux_device_opener.h"
#include "linux/reader_location.h"
#include "linux/whole_disks.h"

namespace taruk {

namespace {

// The reader's exit codes.
constexpr int kCaptured = 0;
constexpr int kNotOpened = 1;
constexpr int kNoSuchDrive = 3;

constexpr std::size_t kMaxProblemLength = 300;

// The first line of what the reader said, printable characters only, so
// that nothing it writes can garble the report it ends up in.
std::string FirstLine(const std::string& text) {
  std::string line;
  for (char c : text) {
    if (c == '\n' || line.size() >= kMaxProblemLength) break;
    const unsigned char u = static_cast<unsigned char>(c);
    line += (u >= 0x20 && u != 0x7F) ? c : '?';
  }
  return line;
}

std::string DurationText(int milliseconds) {
  if (milliseconds % 1000 == 0) return std::to_string(milliseconds / 1000) + " s";
  return std::to_string(milliseconds) + " ms";
}

}  // namespace

void LogReaderLine(const std::string& line) { fprintf(stderr, "taruk: %s\n", line.c_str()); }

ReaderDeviceOpener::ReaderDeviceOpener(std::string readerPath, std::string sysBlock, int timeoutMs, int stopFd,
                                       std::function<void(const std::string&)> log)
    : readerPath_(readerPath),
      sysBlock_(std::move(sysBlock)),
      timeoutMs_(timeoutMs),
      reader_(std::move(readerPath), stopFd, std::move(log)),
      list_(sysBlock_) {}

std::unique_ptr<SmartDevice> ReaderDeviceOpener::Open(int driveNumber) {
  return OpenForPass(driveNumber, SleepingDrive::Identify);
}

std::vector<int> ReaderDeviceOpener::DriveNumbers() {
  planned_.clear();
  disks_ = list_.List();
  return DiskNumbers(disks_);
}

void ReaderDeviceOpener::PlanPass(const std::vector<std::pair<int, SleepingDrive>>& drives) {
  planned_.clear();
  if (readerPath_.empty()) return;
  std::vector<ReaderRequest> requests;
  for (const auto& [driveNumber, rule] : drives) {
    if (driveNumber >= 0 && static_cast<std::size_t>(driveNumber) < disks_.size()) {
      requests.push_back({driveNumber, rule});
    }
  }
  // A serving reader hands a worker at most so many nodes at once.
  constexpr std::size_t kBatch = kMostDescriptors;
  for (std::size_t first = 0; first < requests.size(); first += kBatch) {
    const std::vector<ReaderRequest> batch(
        requests.begin() + static_cast<std::ptrdiff_t>(first),
        requests.begin() + static_cast<std::ptrdiff_t>(std::min(first + kBatch, requests.size())));
    std::vector<ReaderAnswer> answers = reader_.AskAll(batch, timeoutMs_);
    for (std::size_t n = 0; n < batch.size(); ++n) {
      // A reader that failed over one drive of the batch leaves the others
      // unanswered, and which drive it was is not known: those are asked
      // one by one as the pass opens them, so that only the drive at fault
      // fails.
      if (!answers[n].Answered()) continue;
      planned_[batch[n].driveNumber] = {batch[n].rule, std::move(answers[n])};
    }
  }
}

std::string ReaderDeviceOpener::DeviceName(int driveNumber) const { return ListedDiskNode(disks_, driveNumber); }

std::unique_ptr<SmartDevice> ReaderDeviceOpener::OpenForPass(int driveNumber, SleepingDrive rule) {
  if (driveNumber < 0) return nullptr;
  std::string& problem = problems_[driveNumber];
  problem.clear();
  // Listing the disks needs no privilege: only drives that exist are worth
  // running the reader for, or complaining about.
  const std::optional<std::string> name = PassDiskName(disks_, driveNumber, sysBlock_);
  if (!name) return nullptr;
  const std::string device = "/dev/" + *name;
  if (readerPath_.empty() && name->starts_with("nvme")) {
    // An NVMe drive's identity, size and temperature need no privilege:
    // sysfs gives them to anyone, with no reader.
    LinuxDeviceOpener direct(
        std::string(kNeedsPrivilegeHint) + " (no " + kReaderName + " beside taruk or in ../libexec/taruk)", sysBlock_);
    std::unique_ptr<SmartDevice> sysfs = direct.Open(driveNumber);
    problem = direct.Problem(driveNumber);
    return sysfs;
  }
  if (readerPath_.empty()) {
    problem = device + ": " + kNeedsPrivilegeHint + " (no " + kReaderName + " beside taruk or in ../libexec/taruk)";
    return nullptr;
  }

  // The pass's answer when it was asked for ahead with the same rule.
  const auto planned = planned_.find(driveNumber);
  ReaderAnswer run;
  if (planned != planned_.end() && planned->second.first == rule) {
    run = std::move(planned->second.second);
  } else {
    run = reader_.Ask({driveNumber, rule}, timeoutMs_);
  }
  if (planned != planned_.end()) planned_.erase(planned);
  if (run.startError != 0) {
    problem = device + ": cannot run " + readerPath_ + ": " + strerror(run.startError);
    return nullptr;
  }
  if (run.stopped) {
    problem = device + ": not read: taruk is stopping";
    return nullptr;
  }
  if (run.timedOut) {
    problem = device + ": " + kReaderName + " did not finish within " + DurationText(timeoutMs_);
    return nullptr;
  }
  if (!run.broken.empty()) {
    problem = device + ": " + kReaderName + " ended without an answer (" + run.broken + ")";
    return nullptr;
  }
  if (run.reply.code == kNoSuchDrive) return nullptr;
  if (run.reply.code != kCaptured) {
    const std::string said = FirstLine(run.reply.problem);
    if (run.reply.code == kNotOpened && !said.empty()) {
      problem = said;
    } else {
      problem = device + ": " + kReaderName + " failed (exit code " + std::to_string(run.reply.code) + ")" +
                (said.empty() ? "" : ": " + said);
    }
    return nullptr;
  }

  // Decoded where the device keeps it: a capture is some 12 kB.
  auto capture = std::make_shared<DriveCapture>();
  std::string error;
  if (!DecodeCapture(run.reply.capture, *capture, error)) {
    problem = device + ": " + kReaderName + " sent a bad capture: " + error;
    return nullptr;
  }
  // The drive opened; the reader may still say why it could not be read.
  problem = FirstLine(run.reply.problem);
  return std::make_unique<CaptureDevice>(std::move(capture));
}

std::string ReaderDeviceOpener::Problem(int driveNumber) const {
  const auto found = problems_.find(driveNumber);
  return found == problems_.end() ? std::string() : found->second;
}

}  // namespace taruk
