#pragma once
// The Self-test dialog's control ids (template 142 in res/), shared by the
// Qt and the native Windows dialogs, and the details dialog's button that
// opens it.

namespace taruk::self_test_ids {

enum Control : int {
  IdStatus = 1001,
  IdShort = 1002,
  IdExtended = 1003,
  IdConveyance = 1004,
  IdAbort = 1005,
  IdReply = 1006,
  IdLog = 1007,
  IdErrorCount = 1008,
};

constexpr int kTemplate = 142;
// In the S.M.A.R.T. details dialog (template 131).
constexpr int kOpenButton = 1014;

}  // namespace taruk::self_test_ids
