// The Options dialog on the offscreen platform: opening, the test-sound rule,
// OK's checks in order, "Run at startup" through a private autostart folder,
// and the test e-mail against real and scripted SMTP servers.
#include "gui/qt/options_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/alarm/alarm_sound_path.h"
#include "core/settings/side_settings.h"
#include "core/view/health_look.h"
#include "gui/qt/mail_server_dlg.h"
#include "gui/toolkit/up_down_control.h"
#include "linux/autostart.h"
#include "qt/message_box_watcher.h"
#include "support/aiosmtpd_server.h"
#include "support/recording_platform.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"
#include "support/scripted_server.h"

using namespace taruk;

namespace {

class OptionsDlgTest : public testing::Test {
 protected:
  // A dialog filled the way the main window fills it, shown (not modal).
  std::unique_ptr<COptionsDlg> Open(const MonitorConfig& config = {}, uint32_t smtpPort = kSmtpPort) {
    auto dialog = std::make_unique<COptionsDlg>(nullptr, &sound, smtpPort);
    EXPECT_TRUE(dialog->IsBuilt()) << dialog->BuildError().toStdString();
    static_cast<OptionsExchange&>(*dialog) = OptionsExchangeFromConfig(config);
    dialog->show();
    return dialog;
  }
  // Runs the main window's Options command, acting on the modal dialog.
  static bool Edit(MonitorConfig& config, std::function<void(COptionsDlg&)> act) {
    QTimer::singleShot(0, [act] { act(*qobject_cast<COptionsDlg*>(QApplication::activeModalWidget())); });
    return EditOptions(config, nullptr, nullptr);
  }
  static void SetText(COptionsDlg& dialog, int id, const QString& text) {
    dialog.Control<QLineEdit>(id)->setText(text);
  }
  static QComboBox* List(COptionsDlg& dialog, int id) { return dialog.Control<QComboBox>(id); }
  static void Choose(COptionsDlg& dialog, int listId, int entry) {
    List(dialog, listId)->setCurrentIndex(entry);
    emit List(dialog, listId)->activated(entry);
  }
  static bool Shown(COptionsDlg& dialog, int id) { return !dialog.Control(id)->isHidden(); }
  static QCheckBox* RunAtStartup(COptionsDlg& dialog) { return dialog.Control<QCheckBox>(COptionsDlg::IdRunAtStartup); }
  std::string Entry() const { return scratch / "home/autostart/Taruk.desktop"; }

  ScratchDir scratch;
  ScopedEnv configDirs{"XDG_CONFIG_DIRS", scratch / "xdg"};
  ScopedEnv configHome{"XDG_CONFIG_HOME", scratch / "home"};
  RecordingPlatform sound;
  MessageBoxWatcher boxes;
};

}  // namespace

TEST_F(OptionsDlgTest, OpensWithTheCallersValues) {
  MonitorConfig config;
  config.pollInterval = 120;
  config.minimumFreeSpace = 3000000000u;
  config.temperatureAction = AlarmAction::PlaySound;
  config.freeSpaceAction = static_cast<AlarmAction>(9);  // hand-edited file
  auto dialog = Open(config);
  EXPECT_EQ(dialog->Control<QLineEdit>(COptionsDlg::IdMinimumFreeSpaceEdit)->text(), "-1294967296");
  EXPECT_EQ(List(*dialog, COptionsDlg::IdTemperatureActionList)->currentIndex(), 5);
  EXPECT_EQ(List(*dialog, COptionsDlg::IdFreeSpaceActionList)->currentIndex(), -1);
  EXPECT_EQ(List(*dialog, COptionsDlg::IdHealthActionList)->currentIndex(), 1);  // its default
  const QStringList actions = {
      "None",       "Show notification", "Shut down the system", "Suspend the system", "Hibernate the system",
      "Play sound", "Send e-mail"};
  for (const int id :
       {COptionsDlg::IdTemperatureActionList, COptionsDlg::IdFreeSpaceActionList, COptionsDlg::IdHealthActionList})
    for (int i = 0; i < 7; ++i) EXPECT_EQ(List(*dialog, id)->itemText(i), actions[i]);
  // The poll interval steps only within its range.
  dialog->Control<UpDownControl>(COptionsDlg::IdPollSpin)->Step(+1);
  EXPECT_EQ(dialog->Control<QLineEdit>(COptionsDlg::IdPollEdit)->text(), "121");
  SetText(*dialog, COptionsDlg::IdPollEdit, "600");
  dialog->Control<UpDownControl>(COptionsDlg::IdPollSpin)->Step(+1);
  EXPECT_EQ(dialog->Control<QLineEdit>(COptionsDlg::IdPollEdit)->text(), "600");

  // "Test sound" stands beside a list only while that list says "Play sound".
  EXPECT_TRUE(Shown(*dialog, COptionsDlg::IdTemperatureTestSound));
  EXPECT_FALSE(Shown(*dialog, COptionsDlg::IdFreeSpaceTestSound));
  EXPECT_FALSE(Shown(*dialog, COptionsDlg::IdHealthTestSound));
  Choose(*dialog, COptionsDlg::IdFreeSpaceActionList, 5);
  Choose(*dialog, COptionsDlg::IdTemperatureActionList, 6);
  EXPECT_FALSE(Shown(*dialog, COptionsDlg::IdTemperatureTestSound));
  EXPECT_TRUE(Shown(*dialog, COptionsDlg::IdFreeSpaceTestSound));
  Choose(*dialog, COptionsDlg::IdHealthActionList, 5);
  EXPECT_TRUE(Shown(*dialog, COptionsDlg::IdHealthTestSound));
  EXPECT_TRUE(Shown(*dialog, COptionsDlg::IdFreeSpaceTestSound));

  // It plays the alarm's own file; a failure shows the reason, owned here.
  dialog->SendCommand(COptionsDlg::IdFreeSpaceTestSound);
  sound.soundPlays = false;
  sound.soundFailure = L"The sound server cannot be reached";
  dialog->SendCommand(COptionsDlg::IdFreeSpaceTestSound);
  EXPECT_EQ(sound.calls, std::vector<std::wstring>(2, L"sound " + AlarmSoundPath()));
  ASSERT_EQ(boxes.seen.size(), 1u);
  EXPECT_EQ(boxes.seen[0].text, "The sound server cannot be reached");
  EXPECT_EQ(boxes.seen[0].icon, QMessageBox::Information);
  EXPECT_EQ(boxes.seen[0].owner, dialog.get());
}

TEST_F(OptionsDlgTest, OkChecksThePollIntervalFirstThenTheCriticalTemperature) {
  const QString poll = "Wrong polling period! It must be in range 10 - 600 seconds!";
  const QString critical = "Wrong critical temperature! It must be in range 1 - 100 !";
  const struct {
    const char* poll;
    const char* critical;
    QString message;  // empty: accepted
  } cases[] = {{"9", "55", poll},       {"10", "55", ""},      {"600", "55", ""}, {"601", "55", poll},
               {"sixty", "55", poll},   {"60", "0", critical}, {"60", "1", ""},   {"60", "100", ""},
               {"60", "101", critical}, {"5", "500", poll}};
  for (const auto& c : cases) {
    auto dialog = Open();
    SetText(*dialog, COptionsDlg::IdPollEdit, c.poll);
    SetText(*dialog, COptionsDlg::IdCriticalEdit, c.critical);
    RunAtStartup(*dialog)->setChecked(true);
    boxes.seen.clear();
    dialog->SendCommand(kIdOk);
    const std::string label = std::string(c.poll) + " / " + c.critical;
    EXPECT_EQ(dialog->isVisible(), !c.message.isEmpty()) << label;
    EXPECT_EQ(boxes.Texts(), c.message.isEmpty() ? QStringList() : QStringList{c.message}) << label;
    if (!c.message.isEmpty()) {
      EXPECT_EQ(boxes.seen[0].icon, QMessageBox::Critical);
      EXPECT_EQ(boxes.seen[0].title, "Error");
      EXPECT_FALSE(AutostartEntryExists()) << label;  // nothing changes before both checks pass
    }
    RemoveAutostartEntry();
  }
}

TEST_F(OptionsDlgTest, AcceptedValuesReachTheSettingsAndCancelTakesNothing) {
  MonitorConfig config;
  ASSERT_TRUE(Edit(config, [](COptionsDlg& dialog) {
    SetText(dialog, COptionsDlg::IdCriticalEdit, "62");
    SetText(dialog, COptionsDlg::IdMinimumFreeSpaceEdit, "-1");
    dialog.Control<QComboBox>(COptionsDlg::IdFreeSpaceActionList)->setCurrentIndex(1);
    dialog.Control<QComboBox>(COptionsDlg::IdHealthActionList)->setCurrentIndex(6);
    RunAtStartup(dialog)->setChecked(true);
    dialog.SendCommand(kIdOk);
  }));
  EXPECT_EQ(config.criticalTemperature, 62);
  EXPECT_EQ(config.minimumFreeSpace, 4294967295u);  // two's complement of -1
  EXPECT_EQ(config.freeSpaceAction, AlarmAction::ShowNotification);
  EXPECT_EQ(config.healthAction, AlarmAction::SendEmail);
  EXPECT_NE(ReadFileBytes(Entry()).find("\nExec=" + RunningExecutablePath() + "\n"), std::string::npos);

  // Any readable entry shows ticked; Cancel keeps it and every setting.
  ASSERT_TRUE(WriteFileBytes(Entry(), "written by hand\n"));
  const MonitorConfig before = config;
  EXPECT_FALSE(Edit(config, [](COptionsDlg& dialog) {
    EXPECT_TRUE(RunAtStartup(dialog)->isChecked());
    RunAtStartup(dialog)->setChecked(false);
    SetText(dialog, COptionsDlg::IdMinimumFreeSpaceEdit, "");
    dialog.SendCommand(kIdCancel);
  }));
  EXPECT_EQ(config.minimumFreeSpace, before.minimumFreeSpace);
  EXPECT_EQ(ReadFileBytes(Entry()), "written by hand\n");

  // OK with the box cleared removes it, and an empty minimum becomes 0.
  for (int run = 0; run < 2; ++run) {  // the second time there is nothing to remove
    ASSERT_TRUE(Edit(config, [](COptionsDlg& dialog) {
      RunAtStartup(dialog)->setChecked(false);
      SetText(dialog, COptionsDlg::IdMinimumFreeSpaceEdit, "");
      dialog.SendCommand(kIdOk);
    }));
  }
  EXPECT_FALSE(AutostartEntryExists());
  EXPECT_EQ(config.minimumFreeSpace, 0u);
  EXPECT_TRUE(boxes.seen.empty());
}

TEST_F(OptionsDlgTest, EntryThatCannotBeWrittenIsShownAndOkStillEnds) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting a read-only file system needs root";
  std::filesystem::create_directories(scratch / "home");
  if (mount("tmpfs", (scratch / "home").c_str(), "tmpfs", MS_RDONLY, "size=64k") != 0)
    GTEST_SKIP() << "cannot mount tmpfs here: " << std::strerror(errno);
  MonitorConfig config;
  const bool accepted = Edit(config, [](COptionsDlg& dialog) {
    SetText(dialog, COptionsDlg::IdPollEdit, "300");
    RunAtStartup(dialog)->setChecked(true);
    dialog.SendCommand(kIdOk);
  });
  umount((scratch / "home").c_str());
  ASSERT_EQ(boxes.seen.size(), 1u);
  EXPECT_EQ(boxes.seen[0].title, "Error");
  EXPECT_EQ(boxes.seen[0].text, QString::fromLocal8Bit(std::strerror(EROFS)));
  EXPECT_EQ(boxes.seen[0].icon, QMessageBox::Information);
  EXPECT_TRUE(accepted);
  EXPECT_EQ(config.pollInterval, 300);
}

TEST_F(OptionsDlgTest, TestEmailReachesARealServerAndStoresNothing) {
  AiosmtpdServer server;
  std::string failure;
  ASSERT_TRUE(server.Start(failure)) << failure;
  auto dialog = Open({}, server.Port());
  SetText(*dialog, COptionsDlg::IdEmailEdit, "ops@example.org");
  SetText(*dialog, COptionsDlg::IdServerEdit, "127.0.0.1");
  dialog->SendCommand(COptionsDlg::IdSendTestEmail);
  EXPECT_TRUE(boxes.seen.empty()) << boxes.Texts().join("; ").toStdString();
  const std::vector<std::string> messages = server.Messages();
  ASSERT_EQ(messages.size(), 1u);
  for (const char* part : {"From: ops@example.org", "Subject: Test e-mail from Taruk", "\nIt works"})
    EXPECT_NE(messages[0].find(part), std::string::npos) << part << "\n" << messages[0];
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(dialog->smtpServer, MonitorConfig{}.smtpServer);  // not taken over
}

TEST_F(OptionsDlgTest, TestEmailFailuresShowTheirTwoMessagesAndTheServersReply) {
  const struct {
    const char* what;
    std::vector<std::string> replies;  // after the greeting, one per line the client sends
    QString message;
  } cases[] = {
      {"nobody listening", {}, "Can't connect to the SMTP server!\n\nUnable to connect to server"},
      {"sender refused",
       {"250 hello", "550 no such sender", "221 bye"},
       "Can't send the e-mail!\n\n550 no such sender"},
      {"data refused",
       {"250 hello", "250 ok", "250 ok", "554 no data today", "221 bye"},
       "Can't send the e-mail!\n\n554 no data today"},
  };
  for (const auto& c : cases) {
    ScriptedServer server;
    if (!c.replies.empty()) {
      server.Reply("220 ready\r\n");
      for (const std::string& reply : c.replies) server.AwaitLine().Reply(reply + "\r\n");
      ASSERT_TRUE(server.Start());
    }
    if (c.replies.empty() && SomethingListensOn(1)) GTEST_SKIP() << "something listens on 127.0.0.1:1";
    auto dialog = Open({}, c.replies.empty() ? 1 : server.Port());
    SetText(*dialog, COptionsDlg::IdEmailEdit, "ops@example.org");
    SetText(*dialog, COptionsDlg::IdServerEdit, "127.0.0.1");
    boxes.seen.clear();
    // The box comes while the connection is still open: QUIT, whose reply a
    // silent server may hold back for a minute, only once it is closed.
    std::string sentWhileShown;
    boxes.onBox = [&] { sentWhileShown = server.Received(); };
    dialog->SendCommand(COptionsDlg::IdSendTestEmail);
    boxes.onBox = nullptr;
    EXPECT_EQ(boxes.Texts(), QStringList{c.message}) << c.what;
    if (!boxes.seen.empty()) {
      EXPECT_EQ(boxes.seen[0].icon, QMessageBox::Critical) << c.what;
    }
    if (!c.replies.empty()) {
      EXPECT_NE(sentWhileShown.find("MAIL From"), std::string::npos) << c.what << ": " << sentWhileShown;
      EXPECT_EQ(sentWhileShown.find("QUIT"), std::string::npos) << c.what << ": " << sentWhileShown;
      EXPECT_NE(server.Finish().find("QUIT"), std::string::npos) << c.what;
    }
  }
}

// "Mail server..." opens the Mail server dialog on the server field and
// taruk.toml; a refused OK keeps it open, an accepted one writes [mail], the
// password (no Secret Service here: the owner-only file) and the server field.
TEST_F(OptionsDlgTest, MailServerDialogWritesTarukTomlAndTheServerField) {
  std::filesystem::create_directories(scratch / "home/Taruk");
  ScopedEnv noBus("DBUS_SESSION_BUS_ADDRESS", "");
  auto dialog = Open();
  SetText(*dialog, COptionsDlg::IdServerEdit, "smtp.example.org");
  bool acted = false;
  QTimer::singleShot(0, [&acted] {
    auto* mail = qobject_cast<CMailServerDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(mail, nullptr);
    acted = true;
    auto* security = mail->Control<QComboBox>(CMailServerDlg::IdSecurity);
    EXPECT_EQ(mail->Control<QLineEdit>(CMailServerDlg::IdServer)->text(), "smtp.example.org");
    EXPECT_EQ(security->currentText(), "None");
    auto* port = mail->Control<QLineEdit>(CMailServerDlg::IdPort);
    port->setText("465");
    emit port->textEdited("465");
    EXPECT_EQ(security->currentText(), "TLS");
    mail->Control<QLineEdit>(CMailServerDlg::IdUser)->setText("ann");
    mail->Control<QLineEdit>(CMailServerDlg::IdPassword)->setText("pw");
    security->setCurrentIndex(0);
    mail->SendCommand(kIdOk);  // refused: a user without TLS
    EXPECT_TRUE(mail->isVisible());
    security->setCurrentIndex(2);
    mail->Control<QLineEdit>(CMailServerDlg::IdServer)->setText("[::1]");
    mail->SendCommand(kIdOk);
  });
  dialog->SendCommand(mail_server_ids::kOpenButton);
  ASSERT_TRUE(acted);
  ASSERT_EQ(boxes.seen.size(), 2u) << boxes.Texts().join("; ").toStdString();
  EXPECT_EQ(boxes.seen[0].text, "The user name and password are sent only over TLS: choose STARTTLS or TLS");
  EXPECT_EQ(boxes.seen[1].text.toStdString(),
            "The password is kept in " + (scratch / "home/Taruk/smtp-password") + ".");
  EXPECT_EQ(dialog->Control<QLineEdit>(COptionsDlg::IdServerEdit)->text(), "[::1]");
  SideSettings side;
  std::string error;
  ASSERT_EQ(LoadSideSettings(side, error), SideFileStatus::Read) << error;
  EXPECT_EQ(side.Integer("mail", "port"), 465);
  EXPECT_EQ(side.Text("mail", "security"), "tls");
  EXPECT_EQ(side.Text("mail", "user"), "ann");
}

// The tray icon's box reads and writes [tray] icon in taruk.toml: only a
// change is written (no file appears from an untouched dialog), Cancel
// writes nothing, and a file that can't be parsed is reported, kept, and
// does not stop OK.
TEST_F(OptionsDlgTest, TrayIconBoxWritesTheTrayTableOnlyWhenChanged) {
  std::filesystem::create_directories(scratch / "home/Taruk");
  const std::string path = SideSettingsPath();
  const auto run = [](bool tick, int command, bool expectTicked) {
    MonitorConfig config;
    Edit(config, [=](COptionsDlg& dialog) {
      auto* box = dialog.Control<QCheckBox>(COptionsDlg::IdTrayTemperature);
      EXPECT_EQ(box->isChecked(), expectTicked);
      box->setChecked(tick);
      dialog.SendCommand(command);
    });
  };
  run(false, kIdOk, false);
  EXPECT_FALSE(std::filesystem::exists(path));
  run(true, kIdCancel, false);
  EXPECT_FALSE(std::filesystem::exists(path));
  run(true, kIdOk, false);
  EXPECT_EQ(LoadTrayIconMode(), TrayIconMode::Temperature);
  run(false, kIdOk, true);
  EXPECT_EQ(ReadFileBytes(path), "[tray]\nicon = \"health\"\n");
  EXPECT_TRUE(boxes.seen.empty());

  ASSERT_TRUE(WriteFileBytes(path, "[tray\n"));
  run(true, kIdOk, false);
  EXPECT_EQ(ReadFileBytes(path), "[tray\n");
  ASSERT_EQ(boxes.seen.size(), 1u);
  EXPECT_TRUE(boxes.seen[0].text.startsWith("Can't store the tray icon's setting: "));
}

// The self-test schedule's box and days: a day count out of range stops OK
// with its reason and the dialog stays; a good one is written to
// [selftest], where the running monitor takes it.
TEST_F(OptionsDlgTest, SelfTestScheduleIsCheckedThenWritten) {
  std::filesystem::create_directories(scratch / "home/Taruk");
  MonitorConfig config;
  bool stayed = false;
  Edit(config, [&](COptionsDlg& dialog) {
    EXPECT_FALSE(dialog.Control<QCheckBox>(COptionsDlg::IdSelfTests)->isChecked());
    EXPECT_EQ(dialog.Control<QLineEdit>(COptionsDlg::IdShortDays)->text(), "7");
    dialog.Control<QCheckBox>(COptionsDlg::IdSelfTests)->setChecked(true);
    SetText(dialog, COptionsDlg::IdExtendedDays, "4000");
    dialog.SendCommand(kIdOk);
    stayed = dialog.isVisible();
    SetText(dialog, COptionsDlg::IdExtendedDays, "14");
    dialog.SendCommand(kIdOk);
  });
  EXPECT_TRUE(stayed);
  ASSERT_EQ(boxes.seen.size(), 1u);
  EXPECT_TRUE(boxes.seen[0].text.startsWith("The extended self-test period must be a whole number of days"));
  EXPECT_EQ(ReadFileBytes(SideSettingsPath()), "[selftest]\nextended-every-days = 14\nenabled = true\n");
}
