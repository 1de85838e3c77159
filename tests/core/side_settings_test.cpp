#include "core/settings/side_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/settings_fixture.h"

using namespace taruk;

namespace {

SideSettingChange Set(std::string table, std::string key, SideValue value) {
  return {std::move(table), std::move(key), std::move(value)};
}

SideSettingChange Remove(std::string table, std::string key) {
  return {std::move(table), std::move(key), std::nullopt};
}

struct EditCase {
  const char* name;
  std::string before;
  std::vector<SideSettingChange> changes;
  std::string after;  // empty: the edit is refused and the text kept
};

}  // namespace

// Every byte the program did not mean to change stays: comments, order,
// spacing, unknown keys, other tables.
TEST(SideSettingsEdit, ChangesOnlyTheValuesItSets) {
  const std::vector<EditCase> cases = {
      {"new file", "", {Set("mail", "port", int64_t{587})}, "[mail]\nport = 587\n"},
      {"replace in place, comment kept",
       "# mine\n[mail]\nport   =   25 # the relay\nuser = \"me\"\n",
       {Set("mail", "port", int64_t{465})},
       "# mine\n[mail]\nport   =   465 # the relay\nuser = \"me\"\n"},
      {"new key below its header",
       "[mail]\nuser = \"me\"\n\n[other]\nx = 1\n",
       {Set("mail", "port", int64_t{587})},
       "[mail]\nport = 587\nuser = \"me\"\n\n[other]\nx = 1\n"},
      {"new table at the end, no final line break",
       "[other]\nx = 1",
       {Set("selftest", "short", true)},
       "[other]\nx = 1\n\n[selftest]\nshort = true\n"},
      {"dotted table and quoted key",
       "",
       {Set("selftest.last-start", "WD-WX 123", int64_t{1700000000})},
       "[selftest.last-start]\n\"WD-WX 123\" = 1700000000\n"},
      {"text escaped",
       "",
       {Set("mail", "user", std::string("a\"b\\c\n\t"))},
       "[mail]\nuser = \"a\\\"b\\\\c\\n\\u0009\"\n"},
      {"non-ASCII before the value",
       "[mail]\n\"h\xC3\xA9\" = 1\nuser = \"\xC3\xA9t\xC3\xA9\" # x\n",
       {Set("mail", "user", std::string("x"))},
       "[mail]\n\"h\xC3\xA9\" = 1\nuser = \"x\" # x\n"},
      {"remove the key's whole lines",
       "[mail]\nuser = \"\"\"a\nb\"\"\"\nport = 1\n",
       {Remove("mail", "user")},
       "[mail]\nport = 1\n"},
      {"remove a missing key", "[mail]\n", {Remove("mail", "nothing")}, "[mail]\n"},
      {"dotted key kept dotted", "mail.port = 25\n", {Set("mail", "port", int64_t{587})}, "mail.port = 587\n"},
      {"type changes too", "[mail]\nport = \"25\"\n", {Set("mail", "port", int64_t{25})}, "[mail]\nport = 25\n"},
      {"not TOML: refused", "[mail\nport = 25\n", {Set("mail", "port", int64_t{587})}, ""},
      {"inline table: refused", "mail = { port = 25 }\n", {Set("mail", "port", int64_t{587})}, ""},
      {"a table where a value goes: refused", "[mail.port]\nx = 1\n", {Set("mail", "port", int64_t{1})}, ""},
      {"implicit table by dotted keys gets no header", "mail.user = \"me\"\n", {Set("mail", "port", int64_t{2})}, ""},
      {"line break in a key", "", {Set("mail", "a\nb", int64_t{1})}, "[mail]\n\"a\\nb\" = 1\n"},
      {"bytes that are not UTF-8: refused", "", {Set("mail", "user", std::string("\xFF"))}, ""},
  };
  for (const EditCase& c : cases) {
    std::string text = c.before;
    std::string error;
    const bool edited = EditSideSettings(text, c.changes, error);
    if (c.after.empty()) {
      EXPECT_FALSE(edited) << c.name;
      EXPECT_FALSE(error.empty()) << c.name;
      EXPECT_EQ(text, c.before) << c.name;
    } else {
      EXPECT_TRUE(edited) << c.name << ": " << error;
      EXPECT_EQ(text, c.after) << c.name;
    }
  }
}

TEST(SideSettingsParse, ReadsScalarsByTableAndReportsTheLineOfAFault) {
  SideSettings settings;
  std::string error;
  ASSERT_TRUE(
      ParseSideSettings("top = 1\n[mail]\nport = 587\ntls = true\nuser = 'me'\nratio = 1.5\n"
                        "[a.b]\nk = 'v'\n",
                        settings, error));
  EXPECT_EQ(settings.Integer("", "top"), 1);
  EXPECT_EQ(settings.Integer("mail", "port"), 587);
  EXPECT_EQ(settings.Boolean("mail", "tls"), true);
  EXPECT_EQ(settings.Text("mail", "user"), "me");
  EXPECT_EQ(settings.Text("mail", "port"), std::nullopt);  // no conversion between kinds
  EXPECT_EQ(settings.Keys("mail"), (std::vector<std::string>{"port", "tls", "user"}));
  EXPECT_EQ(settings.Text("a.b", "k"), "v");
  EXPECT_FALSE(ParseSideSettings("[mail]\nport = = 1\n", settings, error));
  EXPECT_EQ(error.rfind("line 2:", 0), 0u) << error;
}

// Beyond ASCII only inside quotes and comments; elsewhere refused with its
// line before the parser sees it (Debian's toml++ misbehaves there).
TEST(SideSettingsParse, BytesBeyondAsciiOnlyInQuotesAndComments) {
  const struct {
    const char* text;
    int refusedOnLine;  // 0: read
  } cases[] = {
      {"# \xC3\xA9t\xC3\xA9\n[mail]\nuser = \"\xC3\xA9\" # \xC3\xA9\n\"h\xC3\xA9\" = 'x\xC3\xA9'\n", 0},
      {"a = \"\"\"\n\xC3\xA9 \\\"\"\" \xC3\xA9\"\"\"\nb = '''\n\xC3\xA9'''\n", 0},
      {"[mail]\nh\xC3\xA9 = 1\n", 2},
      {"[m\xC3\xA9]\n", 1},
      {"a = \"x\\\"\" \xC3\xA9\n", 1},  // the escaped quote does not end the string
      {"a = \"x\n\xC3\xA9 = 1\n", 2},   // a string ends at its line's end
      {"a = '''x'''\n\xFF\x80 = 1\n", 2},
      {"a = 1 \xE2\x80\x83\n", 1},  // a space beyond ASCII
  };
  for (const auto& c : cases) {
    SideSettings settings;
    std::string error;
    const bool read = ParseSideSettings(c.text, settings, error);
    EXPECT_EQ(read, c.refusedOnLine == 0) << c.text << ": " << error;
    if (c.refusedOnLine) {
      EXPECT_EQ(error.rfind("line " + std::to_string(c.refusedOnLine) + ": a character beyond ASCII", 0), 0u)
          << c.text << ": " << error;
      std::string edited = c.text;
      EXPECT_FALSE(EditSideSettings(edited, {Set("mail", "port", int64_t{1})}, error));
    }
  }
  // A quote where TOML has no string: not a string to the parser either.
  SideSettings settings;
  std::string error;
  EXPECT_FALSE(ParseSideSettings("a = 2\"\xC3\xA9\"\n", settings, error));
  EXPECT_EQ(error.rfind("line 1: ", 0), 0u) << error;
}

// A change made by hand while the program runs survives its next write, and
// a file spoilt by hand is never written over.
TEST_F(SettingsFileTest, SideFileKeepsHandEditsAndRefusesToOverwriteABrokenFile) {
  Load();
  const std::string side = folder + "/taruk.toml";
  EXPECT_TRUE(SideSettingsPath().ends_with("taruk.toml")) << SideSettingsPath();
  SideSettings settings;
  std::string error;
  EXPECT_EQ(LoadSideSettings(settings, error), SideFileStatus::Missing);
  ASSERT_TRUE(ChangeSideSettings({Set("mail", "port", int64_t{587})}, error)) << error;
  ASSERT_TRUE(WriteFileBytes(side, ReadFileBytes(side) + "# added by hand\nuser = \"ann\"\n"));
  ASSERT_TRUE(ChangeSideSettings({Set("mail", "security", std::string("starttls"))}, error)) << error;
  EXPECT_EQ(ReadFileBytes(side), "[mail]\nsecurity = \"starttls\"\nport = 587\n# added by hand\nuser = \"ann\"\n");
  ASSERT_EQ(LoadSideSettings(settings, error), SideFileStatus::Read);
  EXPECT_EQ(settings.Text("mail", "user"), "ann");

  const std::string broken = "[mail]\nport = 58 7\n";
  ASSERT_TRUE(WriteFileBytes(side, broken));
  EXPECT_EQ(LoadSideSettings(settings, error), SideFileStatus::Bad);
  EXPECT_NE(error.find("taruk.toml: line 2"), std::string::npos) << error;
  EXPECT_FALSE(ChangeSideSettings({Set("mail", "port", int64_t{465})}, error));
  EXPECT_NE(error.find("left as it is"), std::string::npos) << error;
  EXPECT_EQ(ReadFileBytes(side), broken);
  EXPECT_EQ(ReadFileBytes(file), "<missing>");  // conf.dat: not written by any of this
}
