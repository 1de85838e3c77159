#include "core/view/self_test_job.h"

#include <mutex>
#include <thread>

#include "core/drive/read_drive_info.h"

namespace taruk {

struct SelfTestJob::Shared {
  std::mutex lock;
  bool running = false;
  std::optional<SelfTestJobResult> result;
};

SelfTestJob::SelfTestJob() : shared(std::make_shared<Shared>()) {}

// The thread owns its device and a share of the state: it may outlive the
// dialog, never the other way round.
SelfTestJob::~SelfTestJob() = default;

bool SelfTestJob::Start(std::unique_ptr<SmartDevice> device, std::optional<SelfTestRequest> request,
                        const DriveSlot& slot) {
  if (!device) return false;
  {
    std::lock_guard<std::mutex> hold(shared->lock);
    if (shared->running) return false;
    shared->running = true;
    shared->result.reset();
  }
  std::thread([state = shared, owned = std::move(device), request, slot]() mutable {
    SelfTestJobResult result{request, {}, slot};
    if (request) result.reply = RequestSelfTest(*owned, *request);
    // A drive that went to sleep meanwhile is left asleep, as the
    // monitor's passes leave it.
    ReadDrive(*owned, SleepingDrive::Leave, result.slot);
    owned.reset();
    std::lock_guard<std::mutex> hold(state->lock);
    state->result = std::move(result);
    state->running = false;
  }).detach();
  return true;
}

bool SelfTestJob::Busy() const {
  std::lock_guard<std::mutex> hold(shared->lock);
  return shared->running;
}

std::optional<SelfTestJobResult> SelfTestJob::Take() {
  std::lock_guard<std::mutex> hold(shared->lock);
  std::optional<SelfTestJobResult> taken = std::move(shared->result);
  shared->result.reset();
  return taken;
}

}  // namespace taruk
