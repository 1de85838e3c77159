#include "core/view/self_test_session.h"

namespace taruk {

std::optional<SelfTestSession::Step> SelfTestSession::Ask(std::optional<SelfTestRequest> request) {
  if (!drives || job.Busy()) return std::nullopt;
  if (!job.Start(drives->Open(shown.systemNumber), request, shown)) {
    return Step{.replyLine = L"The drive could not be opened"};
  }
  if (!request) return Step{.asking = true, .replyLine = std::nullopt};
  return Step{.asking = true, .replyLine = L"Asking the drive..."};
}

std::optional<SelfTestSession::Step> SelfTestSession::TakeAnswer() {
  std::optional<SelfTestJobResult> result = job.Take();
  if (!result) return std::nullopt;
  shown = std::move(result->slot);
  Step step;
  if (result->request) step.replyLine = SelfTestReplyLine(*result->request, result->reply);
  return step;
}

std::optional<int> SelfTestSession::PollSeconds() const {
  if (!shown.selfTest.running || !drives || job.Busy()) return std::nullopt;
  return SelfTestPollSeconds(shown.selfTest);
}

}  // namespace taruk
