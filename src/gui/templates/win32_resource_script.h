#pragma once
// The Win32 resource script (.rc) of the native windows, written from the same
// templates the Qt windows read. A style word without a Win32 meaning stops
// the build: a template the Qt windows understand must not silently lose a
// flag in the Windows build.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gui/templates/resource_templates.h"

namespace taruk {

// An RC string literal. Wide (L"...") with every non-ASCII character written as
// a \xHHHH UTF-16 unit, so that the text stays what the JSON says whatever
// code page windres assumes. False for text that is not UTF-8.
bool RcString(std::string_view utf8, std::string& literal);

// One DIALOGEX block; false with `error` naming the dialog and the control.
bool DialogScript(const DialogResource& dialog, std::string& script, std::string& error);
bool MenuScript(const MenuResource& menu, std::string& script, std::string& error);
bool StringTableScript(const std::vector<std::pair<int, std::string>>& strings, std::string& script,
                       std::string& error);

}  // namespace taruk
