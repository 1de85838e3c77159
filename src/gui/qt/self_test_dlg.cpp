#include "gui/qt/self_test_dlg.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include "core/view/self_test_dialog.h"
#include "core/view/window_texts.h"
#include "gui/window_commands.h"

namespace taruk {

namespace {

QString Q(const std::wstring& text) { return QString::fromStdWString(text); }

}  // namespace

CSelfTestDlg::CSelfTestDlg(DeviceOpener* drives, const DriveSlot& slot, int driveIndex, QWidget* parent)
    : TemplateDialog(self_test_ids::kTemplate, parent), session(drives, slot), driveIndex(driveIndex) {
  // Only the window's own memory is looked at here; the drive is asked on
  // the job's thread.
  resultTimer.setInterval(200);
  connect(&resultTimer, &QTimer::timeout, this, [this] {
    if (const std::optional<SelfTestSession::Step> answered = session.TakeAnswer()) Show(*answered);
  });
  pollTimer.setSingleShot(true);
  connect(&pollTimer, &QTimer::timeout, this, [this] { Ask(std::nullopt); });
}

void CSelfTestDlg::OnInitDialog() {
  setWindowTitle(Q(DriveWindowTitle(windowTitle().toStdWString(), driveIndex, session.Shown())));
  QTreeWidget* log = Control<QTreeWidget>(IdLog);
  log->setRootIsDecorated(false);
  log->setColumnCount(static_cast<int>(kSelfTestLogHeadings.size()));
  QStringList headings;
  for (const wchar_t* heading : kSelfTestLogHeadings) headings << QString::fromWCharArray(heading);
  log->setHeaderLabels(headings);
  log->header()->setStretchLastSection(false);
  for (int c = 0; c < static_cast<int>(kSelfTestLogWidths.size()); ++c)
    log->setColumnWidth(c, kSelfTestLogWidths[static_cast<size_t>(c)]);
  ShowSlot();
}

void CSelfTestDlg::ShowSlot() {
  const DriveSlot& shown = session.Shown();
  const SelfTestButtons buttons = session.Buttons();
  Control<QPushButton>(IdShort)->setEnabled(buttons.shortTest);
  Control<QPushButton>(IdExtended)->setEnabled(buttons.extended);
  Control<QPushButton>(IdConveyance)->setEnabled(buttons.conveyance);
  Control<QPushButton>(IdAbort)->setEnabled(buttons.abort);
  Control<QLabel>(IdStatus)->setText(Q(SelfTestStatusLine(shown)));
  Control<QLabel>(IdErrorCount)->setText(Q(SelfTestErrorCountLine(shown.selfTest)));
  QTreeWidget* log = Control<QTreeWidget>(IdLog);
  log->clear();
  for (const SelfTestLogRow& row : SelfTestLogRows(shown)) {
    auto* item = new QTreeWidgetItem;
    for (int c = 0; c < static_cast<int>(row.size()); ++c) item->setText(c, Q(row[static_cast<size_t>(c)]));
    log->addTopLevelItem(item);
  }
  const std::optional<int> pollSeconds = session.PollSeconds();
  if (pollSeconds && !pollTimer.isActive()) pollTimer.start(*pollSeconds * 1000);
}

void CSelfTestDlg::Ask(std::optional<SelfTestRequest> request) {
  if (const std::optional<SelfTestSession::Step> step = session.Ask(request)) Show(*step);
}

void CSelfTestDlg::Show(const SelfTestSession::Step& step) {
  if (step.replyLine) Control<QLabel>(IdReply)->setText(Q(*step.replyLine));
  if (step.asking) {
    pollTimer.stop();
    resultTimer.start();
  } else {
    resultTimer.stop();
  }
  ShowSlot();
}

void CSelfTestDlg::OnCommand(int id) {
  if (const std::optional<SelfTestRequest> request = SelfTestRequestOf(id)) return Ask(request);
  TemplateDialog::OnCommand(id);
}

}  // namespace taruk
