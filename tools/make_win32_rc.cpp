// Writes the native Windows windows' resource script from res/: the icons
// (made from res/icons/*.svg beforehand), the dialog templates, the menus, the
// string table and the manifest.
//   make_win32_rc RES_DIR ICON_DIR MANIFEST OUTPUT.rc
// Runs on the build machine (it is built for it, like make_alarm_wav), with
// the same template reader the Qt windows use. The output is rewritten only
// when it changes, so that an unchanged template compiles nothing again.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "gui/templates/resource_templates.h"
#include "gui/templates/win32_resource_script.h"

namespace fs = std::filesystem;

namespace {

bool ReadFile(const fs::path& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream content;
  content << in.rdbuf();
  text = content.str();
  return true;
}

// The files of `folder` whose names start with `prefix` and end with
// `extension`, sorted so that the script is the same on every machine.
std::vector<fs::path> FilesIn(const fs::path& folder, const std::string& prefix, const std::string& extension) {
  std::vector<fs::path> files;
  std::error_code ignored;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ignored)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(prefix) && name.ends_with(extension)) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

int Fail(const std::string& what) {
  std::fprintf(stderr, "make_win32_rc: %s\n", what.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fputs("usage: make_win32_rc RES_DIR ICON_DIR MANIFEST OUTPUT.rc\n", stderr);
    return 2;
  }
  const fs::path resources = argv[1], icons = argv[2], manifest = argv[3], output = argv[4];
  std::string rc = "// Generated from res/ by tools/make_win32_rc.cpp; edit the JSON, not this file.\n";
  rc += "#include <windows.h>\n#include <commctrl.h>\n\nLANGUAGE LANG_NEUTRAL, SUBLANG_NEUTRAL\n\n";
  for (const fs::path& icon : FilesIn(icons, "", ".ico")) {
    rc += icon.stem().string() + " ICON \"" + icon.generic_string() + "\"\n";
  }
  rc += "\n";

  std::string text, error;
  for (const fs::path& path : FilesIn(resources / "dialogs", "", ".json")) {
    taruk::DialogResource dialog;
    if (!ReadFile(path, text)) return Fail("cannot read " + path.string());
    if (!taruk::ParseDialogResource(text, dialog, error) || !taruk::DialogScript(dialog, rc, error)) {
      return Fail(path.string() + ": " + error);
    }
  }
  for (const fs::path& path : FilesIn(resources, "menu_", ".json")) {
    taruk::MenuResource menu;
    if (!ReadFile(path, text)) return Fail("cannot read " + path.string());
    if (!taruk::ParseMenuResource(text, menu, error) || !taruk::MenuScript(menu, rc, error)) {
      return Fail(path.string() + ": " + error);
    }
  }
  std::vector<std::pair<int, std::string>> strings;
  const fs::path stringsPath = resources / "strings.json";
  if (!ReadFile(stringsPath, text)) return Fail("cannot read " + stringsPath.string());
  if (!taruk::ParseStringTable(text, strings, error) || !taruk::StringTableScript(strings, rc, error)) {
    return Fail(stringsPath.string() + ": " + error);
  }
  // Common controls 6: the list view, up-down arrows and balloons as the
  // system of the day draws them.
  rc += "CREATEPROCESS_MANIFEST_RESOURCE_ID RT_MANIFEST \"" + manifest.generic_string() + "\"\n";

  std::string old;
  if (ReadFile(output, old) && old == rc) return 0;
  const fs::path temporary = output.string() + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!(out << rc) || !out.flush()) return Fail("cannot write " + temporary.string());
  }
  std::error_code renameError;
  fs::rename(temporary, output, renameError);
  if (renameError) return Fail("cannot replace " + output.string() + ": " + renameError.message());
  return 0;
}
