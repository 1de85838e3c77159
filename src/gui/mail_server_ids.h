#pragma once
// The Mail server dialog's control ids (template 141 in res/), shared by the
// Qt and the native Windows dialogs, and the Options dialog's button that
// opens it.

namespace taruk::mail_server_ids {

enum Control : int {
  IdServer = 1001,
  IdPort = 1002,
  IdSecurity = 1003,
  IdUser = 1004,
  IdPassword = 1005,
  IdTrust = 1006,
  IdSender = 1007,
};

constexpr int kTemplate = 141;
// In the Options dialog's e-mail group.
constexpr int kOpenButton = 1050;

}  // namespace taruk::mail_server_ids
