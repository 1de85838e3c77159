// Dialog templates and the builder that turns them into widgets.
#include "gui/toolkit/dialog_builder.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "gui/toolkit/dialog_template.h"
#include "gui/toolkit/template_dialog.h"
#include "gui/toolkit/up_down_control.h"

using namespace taruk;

namespace {

DialogTemplate Load(int id) {
  DialogTemplate layout;
  QString error;
  EXPECT_TRUE(LoadDialogTemplate(id, layout, error)) << error.toStdString();
  return layout;
}

TEST(DialogTemplates, EveryOneIsCompiledInWithItsControls) {
  struct Expected {
    int id;
    const char* caption;
    QSize size;
    int controls;
  };
  const Expected expected[] = {{100, "About Taruk", {181, 123}, 3},         {102, "Taruk S.M.A.R.T.", {380, 150}, 22},
                               {131, "S.M.A.R.T. details", {661, 286}, 3},  {134, "Options", {221, 393}, 40},
                               {137, "Temperature Graphic", {561, 268}, 4}, {141, "Mail server", {221, 168}, 17},
                               {142, "Self-test", {381, 300}, 10}};
  for (const Expected& dialog : expected) {
    const DialogTemplate layout = Load(dialog.id);
    EXPECT_EQ(layout.id, dialog.id);
    EXPECT_EQ(layout.caption, QString::fromUtf8(dialog.caption));
    EXPECT_EQ(layout.size, dialog.size);
    EXPECT_EQ(layout.controls.size(), dialog.controls) << dialog.id;
  }
  // A few entries checked field by field, where a slip would show.
  const DialogTemplate main = Load(102);
  ASSERT_NE(main.Control(1007), nullptr);
  EXPECT_EQ(main.Control(1007)->rect, QRect(7, 107, 139, 33));
  EXPECT_EQ(main.Control(1011)->kind, ControlKind::Icon);
  EXPECT_EQ(main.Control(1011)->iconId, 130);
  EXPECT_TRUE(main.Control(1)->Has("hidden"));
  EXPECT_EQ(main.Control(1)->kind, ControlKind::DefPushButton);
  const DialogTemplate options = Load(134);
  EXPECT_EQ(options.Control(1021)->buddyId, 1019);
  EXPECT_EQ(options.Control(1032)->rect, QRect(155, 311, 50, 22));
  EXPECT_EQ(options.controls[11].text, QString::fromUtf8("Default critical temperature is 55 °C"));
}

TEST(DialogTemplates, BadTextIsRefusedWithoutTouchingTheTemplate) {
  DialogTemplate layout;
  layout.caption = QStringLiteral("kept");
  QString error;
  const char* bad[] = {
      "not json",
      R"({"size":[10,10],"font":{"name":"X","points":8},"controls":[{"kind":"slider","rect":[0,0,1,1]}]})",
      R"({"size":[10,10],"font":{"name":"X","points":8},"controls":[{"kind":"static","rect":[0,0,1]}]})",
      R"({"size":[10,10],"font":{"name":"X","points":8},"controls":[{"kind":"static","rect":[0,-4,1,1]}]})",
      R"({"size":[10,10],"font":{"name":"X","points":8},"controls":[{"kind":"icon","rect":[0,0,1,1]}]})",
      R"({"size":[10],"font":{"name":"X","points":8},"controls":[]})",
      R"({"size":[10,10],"font":{"points":8},"controls":[]})",
  };
  for (const char* text : bad) {
    error.clear();
    EXPECT_FALSE(ParseDialogTemplate(QByteArray(text), layout, error)) << text;
    EXPECT_FALSE(error.isEmpty()) << text;
    EXPECT_EQ(layout.caption, QStringLiteral("kept"));
  }
  EXPECT_FALSE(LoadDialogTemplate(999, layout, error));
}

TEST(DialogBuilder, PlacesControlsByTheDialogFontsMetrics) {
  for (int points : {8, 14}) {
    DialogTemplate layout = Load(134);
    layout.fontPoints = points;
    QDialog dialog;
    QString error;
    ASSERT_TRUE(BuildDialog(layout, dialog, error)) << error.toStdString();
    const DialogUnits units = DialogUnitsOf(dialog);
    const QFontMetrics metrics(dialog.font());
    EXPECT_EQ(units.fontHeight, metrics.height());
    EXPECT_EQ(dialog.size(), QSize(units.X(221), units.Y(393)));
    // x = du * average width / 4 and y = du * height / 8, to the nearest pixel.
    auto* server = ControlById<QLineEdit>(dialog, 1031);
    ASSERT_NE(server, nullptr);
    const int alphabet =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    EXPECT_EQ(server->geometry().x(), qRound(67 * alphabet / 52.0 / 4));
    EXPECT_EQ(server->geometry().y(), qRound(331 * metrics.height() / 8.0));
    EXPECT_EQ(server->geometry().width(), qRound(79 * alphabet / 52.0 / 4));
    // Combo boxes are as tall as a closed combo box, not as their list.
    auto* actions = ControlById<QComboBox>(dialog, 1022);
    ASSERT_NE(actions, nullptr);
    EXPECT_LT(actions->height(), units.Y(62));
  }
}

TEST(DialogBuilder, LargerFontKeepsTheProportions) {
  QRect small, large;
  for (int points : {8, 16}) {
    DialogTemplate layout = Load(102);
    layout.fontPoints = points;
    QDialog dialog;
    QString error;
    ASSERT_TRUE(BuildDialog(layout, dialog, error));
    QRect& rect = points == 8 ? small : large;
    rect = ControlById(dialog, 1014)->geometry();
  }
  EXPECT_GT(large.width(), small.width() * 3 / 2);
  EXPECT_GT(large.height(), small.height() * 3 / 2);
}

TEST(DialogBuilder, FindsControlsByIdAndKind) {
  QDialog dialog;
  QString error;
  ASSERT_TRUE(BuildDialog(Load(102), dialog, error));
  EXPECT_NE(ControlById<QPushButton>(dialog, 1014), nullptr);
  EXPECT_EQ(ControlById<QLabel>(dialog, 1014), nullptr);  // wrong kind
  EXPECT_EQ(ControlById(dialog, 4242), nullptr);
  EXPECT_EQ(ControlById(dialog, kNoControlId), nullptr);  // unnamed labels and frames
  EXPECT_EQ(ControlText(ControlById(dialog, 1004)), QStringLiteral("Manufacturer:"));
  EXPECT_EQ(ControlIdOf(ControlById(dialog, 1025)), 1025);
  EXPECT_TRUE(ControlById<QPushButton>(dialog, 1)->isDefault());
  EXPECT_TRUE(ControlById(dialog, 1000)->isHidden());
  EXPECT_FALSE(ControlById(dialog, 1001)->isHidden());
  // The static icon takes its icon's size.
  EXPECT_EQ(ControlById(dialog, 1011)->size(), QSize(32, 32));
  // "\r\n" in a window text is a line break.
  SetControlText(ControlById(dialog, 1001), QStringLiteral("HD0: X\r\nCapacity: 1.00 Gb"));
  EXPECT_EQ(ControlText(ControlById(dialog, 1001)), QStringLiteral("HD0: X\nCapacity: 1.00 Gb"));
}

TEST(DialogBuilder, FramesDoNotSwallowClicksOnTheControlsTheySurround) {
  QDialog dialog;
  QString error;
  ASSERT_TRUE(BuildDialog(Load(102), dialog, error));
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  auto* diskButton = ControlById<QPushButton>(dialog, 1003);
  const QPoint centre = diskButton->geometry().center();
  EXPECT_EQ(dialog.childAt(centre), diskButton);  // not group box 1010 built after it
}

// A dialog that records what reaches its routing table.
class RecordingDialog : public TemplateDialog {
 public:
  using TemplateDialog::TemplateDialog;
  QVector<int> commands;
  QVector<int> selections;

 protected:
  void OnCommand(int id) override {
    commands.push_back(id);
    TemplateDialog::OnCommand(id);
  }
  void OnSelectionChanged(int id) override { selections.push_back(id); }
};

TEST(TemplateDialog, RoutesClicksEnterAndEscapeById) {
  RecordingDialog dialog(137);
  ASSERT_TRUE(dialog.IsBuilt()) << dialog.BuildError().toStdString();
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  QTest::mouseClick(dialog.Control<QAbstractButton>(1025), Qt::LeftButton);
  QTest::mouseClick(dialog.Control<QAbstractButton>(1024), Qt::LeftButton);
  EXPECT_EQ(dialog.commands, (QVector<int>{1025, 1024}));

  QTest::keyClick(&dialog, Qt::Key_Escape);
  EXPECT_EQ(dialog.commands.back(), kIdCancel);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);

  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  dialog.Control<QPushButton>(1)->setFocus();
  QTest::keyClick(&dialog, Qt::Key_Return);
  EXPECT_EQ(dialog.commands.back(), kIdOk);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(TemplateDialog, ComboSelectionsAndCustomControls) {
  // The factory stands in for a control of the dialog's own (here a button
  // with a name), and its clicks are still routed by id.
  auto factory = [](const ControlTemplate& control, QWidget* parent) -> QWidget* {
    if (control.id != 1032) return nullptr;
    auto* button = new QPushButton(parent);
    button->setObjectName(QStringLiteral("custom"));
    return button;
  };
  RecordingDialog dialog(134, nullptr, factory);
  ASSERT_TRUE(dialog.IsBuilt());
  auto* custom = dialog.Control<QPushButton>(1032);
  ASSERT_NE(custom, nullptr);
  EXPECT_EQ(custom->objectName(), QStringLiteral("custom"));
  EXPECT_EQ(custom->text(), QStringLiteral("Send test e-mail"));
  custom->click();
  EXPECT_EQ(dialog.commands, QVector<int>{1032});

  auto* list = dialog.Control<QComboBox>(1023);
  list->addItems({QStringLiteral("None"), QStringLiteral("Play sound")});
  emit list->activated(1);
  EXPECT_EQ(dialog.selections, QVector<int>{1023});
}

TEST(UpDownControl, StepsItsBuddyWithinTheRange) {
  RecordingDialog dialog(134);
  auto* poll = dialog.Control<UpDownControl>(1020);
  auto* edit = dialog.Control<QLineEdit>(1018);
  ASSERT_NE(poll, nullptr);
  ASSERT_EQ(poll->Buddy(), edit);
  poll->SetRange(10, 600);
  edit->setText(QStringLiteral("599"));
  poll->Step(1);
  poll->Step(1);
  EXPECT_EQ(edit->text(), QStringLiteral("600"));
  edit->setText(QStringLiteral("3"));
  poll->Step(-1);
  EXPECT_EQ(edit->text(), QStringLiteral("10"));
  edit->setText(QStringLiteral("2147483647"));  // no overflow past the top
  poll->Step(1);
  EXPECT_EQ(edit->text(), QStringLiteral("600"));
  edit->setText(QStringLiteral("abc"));
  poll->Step(1);
  EXPECT_EQ(edit->text(), QStringLiteral("10"));
  QTest::keyClick(edit, Qt::Key_Up);
  EXPECT_EQ(edit->text(), QStringLiteral("11"));
}

}  // namespace

namespace {

// Every template built bare, for a look at the layouts (under the build
// folder's screenshots/).
TEST(DialogBuilder, RendersEveryTemplate) {
  QDir().mkpath(QStringLiteral(TARUK_SCREENSHOT_DIR));
  for (int id : {100, 102, 131, 134, 137}) {
    TemplateDialog dialog(id);
    ASSERT_TRUE(dialog.IsBuilt());
    const QImage image = dialog.grab().toImage();
    EXPECT_EQ(image.size(), dialog.size() * dialog.devicePixelRatio());
    EXPECT_TRUE(image.save(QStringLiteral(TARUK_SCREENSHOT_DIR "/template_%1.png").arg(id)));
  }
}

}  // namespace
