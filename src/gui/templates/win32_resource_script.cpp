#include "gui/templates/win32_resource_script.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace taruk {

namespace {

struct StyleBit {
  const char* word;
  const char* bit;
};

constexpr StyleBit kCommonWords[] = {
    {"group", "WS_GROUP"}, {"tabstop", "WS_TABSTOP"}, {"border", "WS_BORDER"}, {"vscroll", "WS_VSCROLL"}};
constexpr StyleBit kButtonWords[] = {{"multiline", "BS_MULTILINE"}};
constexpr StyleBit kStaticWords[] = {{"right", "SS_RIGHT"}, {"center", "SS_CENTER"}, {"noprefix", "SS_NOPREFIX"}};
constexpr StyleBit kEditWords[] = {
    {"autohscroll", "ES_AUTOHSCROLL"}, {"number", "ES_NUMBER"}, {"password", "ES_PASSWORD"}};
constexpr StyleBit kUpDownWords[] = {{"setbuddyint", "UDS_SETBUDDYINT"}, {"arrowkeys", "UDS_ARROWKEYS"}};
constexpr StyleBit kComboBoxWords[] = {{"dropdownlist", "CBS_DROPDOWNLIST"}};
constexpr StyleBit kListViewWords[] = {{"report", "LVS_REPORT"}, {"alignleft", "LVS_ALIGNLEFT"}};
constexpr StyleBit kDialogWords[] = {
    {"popup", "WS_POPUP"},     {"visible", "WS_VISIBLE"},         {"caption", "WS_CAPTION"},
    {"sysmenu", "WS_SYSMENU"}, {"minimizebox", "WS_MINIMIZEBOX"}, {"modalframe", "DS_MODALFRAME"}};

template <size_t N>
const char* BitOf(const StyleBit (&table)[N], const std::string& word) {
  for (const StyleBit& entry : table) {
    if (word == entry.word) return entry.bit;
  }
  return nullptr;
}

// How a kind of control is written: its window class, its base style and the
// table of its own style words.
struct ControlClass {
  const char* windowClass;
  const char* baseStyle;
  const StyleBit* words;
  size_t wordCount;
  bool sunkenBorder;  // "border" is the sunken edge every edit box of a dialog has
};

template <size_t N>
constexpr ControlClass Class(const char* windowClass, const char* baseStyle, const StyleBit (&words)[N],
                             bool sunkenBorder = false) {
  return {windowClass, baseStyle, words, N, sunkenBorder};
}

ControlClass ClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::PushButton:
      return Class("Button", "BS_PUSHBUTTON", kButtonWords);
    case ControlKind::DefPushButton:
      return Class("Button", "BS_DEFPUSHBUTTON", kButtonWords);
    case ControlKind::CheckBox:
      return Class("Button", "BS_AUTOCHECKBOX", kButtonWords);
    case ControlKind::RadioButton:
      return Class("Button", "BS_AUTORADIOBUTTON", kButtonWords);
    case ControlKind::GroupBox:
      return Class("Button", "BS_GROUPBOX", kButtonWords);
    case ControlKind::Static:
      return Class("Static", "SS_LEFT", kStaticWords);
    case ControlKind::Icon:
      return Class("Static", "SS_ICON", kStaticWords);
    case ControlKind::Edit:
      return Class("Edit", "ES_LEFT", kEditWords, true);
    case ControlKind::UpDown:
      return Class("msctls_updown32", "0", kUpDownWords);
    case ControlKind::ComboBox:
      return Class("ComboBox", "0", kComboBoxWords);
    case ControlKind::ListView:
      return Class("SysListView32", "0", kListViewWords, true);
  }
  return Class("Static", "SS_LEFT", kStaticWords);
}

bool Has(const std::vector<std::string>& words, const char* word) {
  return std::find(words.begin(), words.end(), word) != words.end();
}

// Decodes one UTF-8 sequence at `at`; false for a broken one. Characters
// beyond the BMP would need surrogate pairs, which no template uses.
bool NextCharacter(std::string_view text, size_t& at, unsigned& character) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned lead = byte(at);
  size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : 0;
  if (length == 0 || at + length > text.size()) return false;
  character = length == 1 ? lead : length == 2 ? lead & 0x1F : lead & 0x0F;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return false;
    character = (character << 6) | (byte(at + i) & 0x3F);
  }
  at += length;
  return true;
}

std::string ControlLine(const ControlResource& control, int previousId, const std::string& where, std::string& error) {
  const ControlClass controlClass = ClassOf(control.kind);
  std::string bits;
  std::string exStyle;
  for (const std::string& word : control.style) {
    if (word == "hidden") continue;
    if (word == "border" && controlClass.sunkenBorder) {
      exStyle = ", WS_EX_CLIENTEDGE";
      continue;
    }
    const char* bit = BitOf(kCommonWords, word);
    for (size_t i = 0; !bit && i < controlClass.wordCount; ++i) {
      if (word == controlClass.words[i].word) bit = controlClass.words[i].bit;
    }
    if (!bit) {
      error = where + ": style \"" + word + "\" has no Win32 meaning here";
      return {};
    }
    bits += std::string(" | ") + bit;
  }
  // CONTROL statements are visible unless told otherwise.
  const std::string visible = Has(control.style, "hidden") ? " | NOT WS_VISIBLE" : " | WS_VISIBLE";
  const std::string rect = std::to_string(control.rect.x) + ", " + std::to_string(control.rect.y) + ", " +
                           std::to_string(control.rect.width) + ", " + std::to_string(control.rect.height);
  const std::string id = std::to_string(control.id);
  if (control.kind == ControlKind::Icon) {
    return "    CONTROL " + std::to_string(control.iconId) + ", " + id + ", \"Static\", SS_ICON | WS_CHILD" + visible +
           bits + ", " + rect;
  }
  std::string base = controlClass.baseStyle;
  if (control.kind == ControlKind::UpDown && control.buddyId != kNoControlId) {
    // The buddy is the control just before the arrows, as Windows pairs them.
    if (control.buddyId != previousId) {
      error = where + ": the buddy " + std::to_string(control.buddyId) + " must be the control before it";
      return {};
    }
    base = "UDS_AUTOBUDDY";
  }
  std::string text;
  if (!RcString(control.text, text)) {
    error = where + ": the text is not UTF-8";
    return {};
  }
  return "    CONTROL " + text + ", " + id + ", \"" + controlClass.windowClass + "\", " + base + " | WS_CHILD" +
         visible + bits + ", " + rect + exStyle;
}

}  // namespace

bool RcString(std::string_view utf8, std::string& literal) {
  std::string out = "L\"";
  for (size_t at = 0; at < utf8.size();) {
    unsigned character = 0;
    if (!NextCharacter(utf8, at, character)) return false;
    switch (character) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\"\"";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (character < 0x80) {
          out += static_cast<char>(character);
        } else {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\x%04x", character);
          out += escape;
        }
    }
  }
  literal = out + "\"";
  return true;
}

bool DialogScript(const DialogResource& dialog, std::string& script, std::string& error) {
  const std::string where = "dialog " + std::to_string(dialog.id);
  std::string style = "DS_SETFONT";
  std::string exStyle = "0";
  for (const std::string& word : dialog.style) {
    if (word == "appwindow") {
      exStyle = "WS_EX_APPWINDOW";
      continue;
    }
    const char* bit = BitOf(kDialogWords, word);
    if (!bit) {
      error = where + ": style \"" + word + "\" has no Win32 meaning";
      return false;
    }
    style += std::string(" | ") + bit;
  }
  std::string caption, font;
  if (!RcString(dialog.caption, caption) || !RcString(dialog.fontName, font)) {
    error = where + ": the caption or font name is not UTF-8";
    return false;
  }
  std::string text = std::to_string(dialog.id) + " DIALOGEX 0, 0, " + std::to_string(dialog.width) + ", " +
                     std::to_string(dialog.height) + "\n";
  text += "STYLE " + style + "\nEXSTYLE " + exStyle + "\nCAPTION " + caption + "\n";
  text += "FONT " + std::to_string(dialog.fontPoints) + ", " + font + ", 0, 0, 1\nBEGIN\n";
  int previousId = kNoControlId - 1;  // no control before the first
  for (size_t i = 0; i < dialog.controls.size(); ++i) {
    const std::string line =
        ControlLine(dialog.controls[i], previousId, where + " control " + std::to_string(i), error);
    if (line.empty()) return false;
    text += line + "\n";
    previousId = dialog.controls[i].id;
  }
  script += text + "END\n\n";
  return true;
}

bool MenuScript(const MenuResource& menu, std::string& script, std::string& error) {
  std::string text = std::to_string(menu.id) + " MENU\nBEGIN\n";
  std::string quoted;
  for (const MenuPopupResource& popup : menu.popups) {
    if (!RcString(popup.text, quoted)) {
      error = "menu " + std::to_string(menu.id) + ": a popup's text is not UTF-8";
      return false;
    }
    text += "    POPUP " + quoted + "\n    BEGIN\n";
    for (const MenuItemResource& item : popup.items) {
      if (item.separator) {
        text += "        MENUITEM SEPARATOR\n";
        continue;
      }
      if (!RcString(item.text, quoted)) {
        error = "menu " + std::to_string(menu.id) + " item " + std::to_string(item.id) + ": the text is not UTF-8";
        return false;
      }
      text += "        MENUITEM " + quoted + ", " + std::to_string(item.id) + "\n";
    }
    text += "    END\n";
  }
  script += text + "END\n\n";
  return true;
}

bool StringTableScript(const std::vector<std::pair<int, std::string>>& strings, std::string& script,
                       std::string& error) {
  std::string text = "STRINGTABLE\nBEGIN\n";
  for (const auto& [id, value] : strings) {
    std::string quoted;
    if (!RcString(value, quoted)) {
      error = "string " + std::to_string(id) + " is not UTF-8";
      return false;
    }
    text += "    " + std::to_string(id) + ", " + quoted + "\n";
  }
  script += text + "END\n\n";
  return true;
}

}  // namespace taruk
