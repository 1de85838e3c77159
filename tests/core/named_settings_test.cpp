#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "core/base/path_text.h"
#include "core/base/regular_file.h"
#include "core/settings/settings_location.h"
#include "core/view/named_settings_files.h"
#include "core/view/setting_names.h"
#include "support/settings_fixture.h"

using namespace taruk;

namespace {

// A file of the Windows version: seven values.
constexpr char kWindowsFile[] = "60 55 0 0 0 admin@example.org mx.example.org";

struct SetCase {
  const char* name;
  std::vector<std::string> assignments;
  std::string confAfter;  // "" for conf.dat left as it was
  std::string sideAfter;  // "" for taruk.toml left as it was (missing)
  std::string error;      // part of the refusal; "" when written
};

struct Outcome {
  bool parsed = true;
  SettingsWrite write = SettingsWrite::Written;
  std::string error;
};

Outcome Set(const std::vector<std::string>& texts) {
  Outcome outcome;
  std::vector<SettingAssignment> assignments;
  for (const std::string& text : texts) {
    SettingAssignment assignment;
    if (!ParseSettingAssignment(text, assignment, outcome.error)) {
      outcome.parsed = false;
      return outcome;
    }
    assignments.push_back(assignment);
  }
  outcome.write = WriteNamedSettings(assignments, outcome.error);
  return outcome;
}

class NamedSettingsTest : public SettingsFileTest {
 protected:
  std::string side = folder + "/taruk.toml";
  void SetUp() override {
    Load();  // makes the folder
    ASSERT_TRUE(WriteFileBytes(file, kWindowsFile));
  }
};

}  // namespace

// Each case starts from the Windows version's file and no taruk.toml. What
// is written is the Options dialog's file byte for byte (digit groups with
// 0xA0, code page 1251, the eighth value only when not its default); what is
// refused leaves both files as they were, without a temporary beside them.
TEST_F(NamedSettingsTest, SetWritesWhatTheWindowWritesOrNothing) {
  const std::vector<SetCase> cases = {
      {"one value, the rest as the file had it",
       {"temperature.critical=48"},
       "60 48 0 0 0 admin@example.org mx.example.org",
       "",
       ""},
      {"digit groups, actions by name and number, the eighth value",
       {"freespace.minimum=1234567", "freespace.action=email", "temperature.action=3", "health.action=none"},
       "60 55 3 1\xA0"
       "234\xA0"
       "567 6 admin@example.org mx.example.org 0",
       "",
       ""},
      {"the default health action keeps the Windows version's seven values",
       {"health.action=notification"},
       kWindowsFile,
       "",
       ""},
      {"Cyrillic in code page 1251",
       {"mail.address=\xD0\xBF\xD1\x91\xD1\x82\xD1\x80@x.ru"},
       "60 55 0 0 0 \xEF\xB8\xF2\xF0@x.ru mx.example.org",
       "",
       ""},
      {"the poll interval's ends",
       {"poll.interval=10", "poll.interval=600"},
       "600 55 0 0 0 admin@example.org mx.example.org",
       "",
       ""},
      {"a taruk.toml key leaves conf.dat alone",
       {"mail.port=587", "mail.security=starttls", "selftest.enabled=true"},
       "",
       "[mail]\nsecurity = \"starttls\"\nport = 587\n\n[selftest]\nenabled = true\n",
       ""},
      {"both files at once",
       {"mail.server=relay.example.org:587", "mail.user=ann"},
       "60 55 0 0 0 admin@example.org relay.example.org:587",
       "[mail]\nuser = \"ann\"\n",
       ""},
      // Refused: nothing written anywhere.
      {"the dialog's poll interval rule", {"poll.interval=9"}, "", "", "Wrong polling period!"},
      {"the dialog's critical temperature rule",
       {"temperature.critical=101"},
       "",
       "",
       "Wrong critical temperature! It must be in range 1 - 100 !"},
      {"the dialog's rule on a good value's heels",
       {"mail.port=25", "temperature.critical=0"},
       "",
       "",
       "Wrong critical temperature!"},
      {"not a number", {"temperature.critical=5O"}, "", "", "takes a whole number, not 5O"},
      {"a negative free space", {"freespace.minimum=-1"}, "", "", "from 0 to 2147483647"},
      {"a port beyond 16 bits", {"mail.port=65536"}, "", "", "from 1 to 65535"},
      {"a self-test period beyond ten years", {"selftest.short-every-days=3651"}, "", "", "from 0 to 3650"},
      {"an action out of the list", {"temperature.action=7"}, "", "", "takes none, notification"},
      {"a choice out of the list", {"mail.security=ssl"}, "", "", "none starttls tls"},
      {"a switch", {"selftest.enabled=yes"}, "", "", "true or false"},
      {"a character outside code page 1251",
       {"mail.address=\xC3\xBC@x.de"},
       "",
       "",
       "holds '\xC3\xBC' (U+00FC), which code page 1251"},
      {"a character beyond 16 bits", {"mail.server=\xF0\x9F\x98\x80.example"}, "", "", "(U+1F600)"},
      {"a byte that is not UTF-8", {"mail.server=mx\xFF"}, "", "", "the byte 0xFF (not UTF-8)"},
      {"white space would shift the later values", {"mail.address=a b"}, "", "", "without white space"},
      {"an empty text would too", {"mail.server="}, "", "", "needs a value"},
      {"a word the reader refuses", {"mail.server=" + std::string(256, 'x')}, "", "", "longer than 255"},
      {"an unknown name", {"temperature.warning=50"}, "", "", "no setting is named temperature.warning"},
      {"no value at all", {"poll.interval"}, "", "", "expected NAME=VALUE"},
  };
  for (const SetCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(WriteFileBytes(file, kWindowsFile));
    std::remove(side.c_str());
    const Outcome outcome = Set(c.assignments);
    if (c.error.empty()) {
      EXPECT_TRUE(outcome.parsed && outcome.write == SettingsWrite::Written) << outcome.error;
    } else {
      EXPECT_FALSE(outcome.parsed && outcome.write == SettingsWrite::Written);
      EXPECT_NE(outcome.error.find(c.error), std::string::npos) << outcome.error;
    }
    EXPECT_EQ(ReadFileBytes(file), c.confAfter.empty() ? std::string(kWindowsFile) : c.confAfter);
    EXPECT_EQ(ReadFileBytes(side), c.sideAfter.empty() ? "<missing>" : c.sideAfter);
    EXPECT_EQ(ListFolder(folder), c.sideAfter.empty() ? "conf.dat " : "conf.dat taruk.toml ");
  }
}

// A file that can't take the change as it stands refuses the whole --set,
// and the other file is not written either.
TEST_F(NamedSettingsTest, AFileThatCantTakeTheChangeRefusesEveryChange) {
  ASSERT_TRUE(WriteFileBytes(side, "[mail\nport = 25\n"));
  EXPECT_EQ(Set({"poll.interval=30", "mail.port=587"}).write, SettingsWrite::Refused);
  EXPECT_EQ(ReadFileBytes(file), kWindowsFile);
  EXPECT_EQ(ReadFileBytes(side), "[mail\nport = 25\n");

  // conf.dat read in part is never written over, as in the window.
  ASSERT_TRUE(WriteFileBytes(file, "60 5x 0 0 0 a@b c"));
  ASSERT_TRUE(WriteFileBytes(side, "# mine\n"));
  const Outcome outcome = Set({"mail.port=587", "poll.interval=30"});
  EXPECT_EQ(outcome.write, SettingsWrite::Refused);
  EXPECT_NE(outcome.error.find("mend or remove it"), std::string::npos) << outcome.error;
  EXPECT_EQ(ReadFileBytes(file), "60 5x 0 0 0 a@b c");
  EXPECT_EQ(ReadFileBytes(side), "# mine\n");
}

constexpr char kListed[] =
    "90 61 -1 4\xA0"
    "294\xA0"
    "967\xA0"
    "295 6 \xEF@x y 2";

// What --settings prints is what --set takes back: every value survives
// the trip unchanged, and an empty taruk.toml value removes its key.
TEST_F(NamedSettingsTest, ListedValuesSetBackUnchanged) {
  ASSERT_TRUE(WriteFileBytes(file, kListed));
  ASSERT_TRUE(WriteFileBytes(side, "# kept\n[mail]\nport = 465\nuser = \"ann\"\n[selftest]\nenabled = false\n"));
  const SettingsListing before = ListNamedSettings();
  EXPECT_TRUE(before.confFound && before.sideFound && before.problems.empty());
  std::vector<std::string> shown;
  for (const SettingsListing::Line& line : before.lines)
    shown.push_back(std::string(line.setting->name) + "=" + line.value);
  EXPECT_EQ(shown,
            (std::vector<std::string>{
                "poll.interval=90", "temperature.critical=61", "temperature.action=-1", "freespace.minimum=4294967295",
                "freespace.action=email", "mail.address=\xD0\xBF@x", "mail.server=y", "health.action=shutdown",
                "mail.port=465", "mail.security=", "mail.user=ann",
                "mail.sender=", "mail.ca-file=", "mail.fingerprint=", "mail.reminder-hours=", "selftest.enabled=false",
                "selftest.short-every-days=", "selftest.extended-every-days=", "tray.icon="}));
  // Values a file may hold but --set does not take (a list without a
  // selection, a wrapped free space) are the ones left out here.
  std::vector<std::string> settable;
  for (const std::string& line : shown) {
    if (line.find("=-1") == std::string::npos && line.find("4294967295") == std::string::npos) {
      settable.push_back(line);
    }
  }
  const Outcome outcome = Set(settable);
  EXPECT_EQ(outcome.write, SettingsWrite::Written) << outcome.error;
  EXPECT_EQ(ReadFileBytes(file), kListed);
  EXPECT_EQ(ReadFileBytes(side), "# kept\n[mail]\nport = 465\nuser = \"ann\"\n[selftest]\nenabled = false\n");
  EXPECT_EQ(Set({"mail.user=", "mail.port=25"}).write, SettingsWrite::Written);
  EXPECT_EQ(ReadFileBytes(side), "# kept\n[mail]\nport = 25\n[selftest]\nenabled = false\n");
}

// --config-dir: both files in the folder given, the usual one untouched.
TEST_F(NamedSettingsTest, AChosenFolderHoldsBothFiles) {
  const std::string service = scratch / "service";
  ASSERT_TRUE(MakeFolder(service));
  UseSettingsFolder(PathBytesToWide(service));
  const Outcome outcome = Set({"temperature.critical=50", "mail.port=587"});
  const SettingsListing listing = ListNamedSettings();
  UseSettingsFolder(L"");
  EXPECT_EQ(outcome.write, SettingsWrite::Written) << outcome.error;
  EXPECT_EQ(ReadFileBytes(service + "/conf.dat"), "60 50 0 0 0 taruk@example.invalid smtp.example.invalid");
  EXPECT_EQ(ReadFileBytes(service + "/taruk.toml"), "[mail]\nport = 587\n");
  std::string confPath;
  ASSERT_TRUE(WidePathToBytes(SettingsFileIn(PathBytesToWide(service)), 4096, confPath));
  EXPECT_EQ(listing.confPath, confPath);  // with the system's separator
  EXPECT_EQ(ReadFileBytes(file), kWindowsFile);
  EXPECT_EQ(ListFolder(folder), "conf.dat ");
}

// One name per setting, and every value of conf.dat reachable by exactly one.
TEST(SettingNames, EveryConfDatValueHasOneName) {
  std::set<std::string> names;
  std::vector<std::wstring OptionsExchange::*> texts;
  std::vector<int32_t OptionsExchange::*> actions;
  for (const NamedSetting& setting : NamedSettings()) {
    EXPECT_TRUE(names.insert(setting.name).second) << setting.name;
    if (setting.exchangeText) texts.push_back(setting.exchangeText);
    if (setting.exchangeAction) actions.push_back(setting.exchangeAction);
    EXPECT_EQ(setting.store == SettingStore::SideFile, setting.table != nullptr) << setting.name;
  }
  ASSERT_EQ(texts.size() + actions.size(), 8u);
  for (const auto text : texts) EXPECT_EQ(std::count(texts.begin(), texts.end(), text), 1);
  for (const auto action : actions) EXPECT_EQ(std::count(actions.begin(), actions.end(), action), 1);
}
