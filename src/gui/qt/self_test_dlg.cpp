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
    : TemplateDialog(self_test_ids::kTemplate, parent), drives(drives), shown(slot), driveIndex(driveIndex) {
  // Only the window's own memory is looked at here; the drive is asked on
  // the job's thread.
  resultTimer.setInterval(200);
  connect(&resultTimer, &QTimer::timeout, this, &CSelfTestDlg::TakeResult);
  pollTimer.setSingleShot(true);
  connect(&pollTimer, &QTimer::timeout, this, [this] { Ask(std::nullopt); });
}

void CSelfTestDlg::OnInitDialog() {
  setWindowTitle(Q(DriveWindowTitle(windowTitle().toStdWString(), driveIndex, shown)));
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
  const SelfTestButtons buttons = SelfTestButtonsFor(shown.selfTest, job.Busy() || !drives);
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
  if (shown.selfTest.running && drives && !job.Busy() && !pollTimer.isActive()) {
    pollTimer.start(SelfTestPollSeconds(shown.selfTest) * 1000);
  }
}

void CSelfTestDlg::Ask(std::optional<SelfTestRequest> request) {
  if (!drives || job.Busy()) return;
  if (!job.Start(drives->Open(shown.systemNumber), request, shown)) {
    Control<QLabel>(IdReply)->setText(QStringLiteral("The drive could not be opened"));
    return;
  }
  if (request) Control<QLabel>(IdReply)->setText(QStringLiteral("Asking the drive..."));
  pollTimer.stop();
  resultTimer.start();
  ShowSlot();
}

void CSelfTestDlg::TakeResult() {
  std::optional<SelfTestJobResult> result = job.Take();
  if (!result) return;
  resultTimer.stop();
  shown = std::move(result->slot);
  if (result->request) Control<QLabel>(IdReply)->setText(Q(SelfTestReplyLine(*result->request, result->reply)));
  ShowSlot();
}

void CSelfTestDlg::OnCommand(int id) {
  if (const std::optional<SelfTestRequest> request = SelfTestRequestOf(id)) return Ask(request);
  TemplateDialog::OnCommand(id);
}

}  // namespace taruk
