#include "gui/templates/resource_templates.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdlib>

namespace taruk {

namespace {

using Json = nlohmann::json;

struct KindName {
  const char* name;
  ControlKind kind;
};

constexpr KindName kKinds[] = {
    {"pushbutton", ControlKind::PushButton},
    {"defpushbutton", ControlKind::DefPushButton},
    {"checkbox", ControlKind::CheckBox},
    {"radiobutton", ControlKind::RadioButton},
    {"groupbox", ControlKind::GroupBox},
    {"static", ControlKind::Static},
    {"icon", ControlKind::Icon},
    {"edit", ControlKind::Edit},
    {"updown", ControlKind::UpDown},
    {"combobox", ControlKind::ComboBox},
    {"listview", ControlKind::ListView},
};

// The document as an object; a syntax error or another root is an error.
bool ParseObject(std::string_view text, Json& root, std::string& error) {
  root = Json::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/false);
  if (root.is_object()) return true;
  error = root.is_discarded() ? "not JSON" : "not a JSON object";
  return false;
}

// The member's text; empty when it is missing or not a string.
std::string Text(const Json& object, const char* key) {
  const auto found = object.find(key);
  return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

// The member as a whole number, or `fallback` when missing or not one.
int Whole(const Json& object, const char* key, int fallback) {
  const auto found = object.find(key);
  if (found == object.end() || !found->is_number()) return fallback;
  const double number = found->get<double>();
  if (number != std::floor(number) || std::abs(number) > 1e9) return fallback;
  return static_cast<int>(number);
}

// An array of exactly `count` whole numbers between 0 and 32767, the range of a
// template's coordinates.
bool ReadNumbers(const Json& object, const char* key, int count, int* numbers) {
  const auto found = object.find(key);
  if (found == object.end() || !found->is_array() || static_cast<int>(found->size()) != count) {
    return false;
  }
  for (int i = 0; i < count; ++i) {
    const Json& item = (*found)[i];
    if (!item.is_number()) return false;
    const double number = item.get<double>();
    if (number < 0 || number > 32767 || number != std::floor(number)) return false;
    numbers[i] = static_cast<int>(number);
  }
  return true;
}

std::vector<std::string> Words(const Json& object) {
  std::vector<std::string> words;
  const auto found = object.find("style");
  if (found == object.end() || !found->is_array()) return words;
  for (const Json& word : *found) {
    if (word.is_string()) words.push_back(word.get<std::string>());
  }
  return words;
}

bool KindFromName(const std::string& name, ControlKind& kind) {
  for (const KindName& entry : kKinds) {
    if (name == entry.name) {
      kind = entry.kind;
      return true;
    }
  }
  return false;
}

bool ReadControl(const Json& object, int index, ControlResource& control, std::string& error) {
  const std::string where = "control " + std::to_string(index);
  if (!object.is_object()) {
    error = where + ": not an object";
    return false;
  }
  control.id = Whole(object, "id", kNoControlId);
  const std::string kind = Text(object, "kind");
  if (!KindFromName(kind, control.kind)) {
    error = where + ": unknown kind \"" + kind + "\"";
    return false;
  }
  int rect[4];
  if (!ReadNumbers(object, "rect", 4, rect)) {
    error = where + ": \"rect\" must be [x, y, width, height] in dialog units";
    return false;
  }
  control.rect = {rect[0], rect[1], rect[2], rect[3]};
  control.text = Text(object, "text");
  control.style = Words(object);
  control.iconId = Whole(object, "icon", 0);
  control.buddyId = Whole(object, "buddy", kNoControlId);
  if (control.kind == ControlKind::Icon && control.iconId <= 0) {
    error = where + ": an icon control needs \"icon\"";
    return false;
  }
  return true;
}

}  // namespace

const char* ControlKindName(ControlKind kind) {
  for (const KindName& entry : kKinds) {
    if (entry.kind == kind) return entry.name;
  }
  return "";
}

bool ParseDialogResource(std::string_view json, DialogResource& dialog, std::string& error) {
  Json root;
  if (!ParseObject(json, root, error)) return false;
  DialogResource parsed;
  parsed.id = Whole(root, "id", 0);
  parsed.caption = Text(root, "caption");
  int size[2];
  if (!ReadNumbers(root, "size", 2, size)) {
    error = "\"size\" must be [width, height] in dialog units";
    return false;
  }
  parsed.width = size[0];
  parsed.height = size[1];
  const auto font = root.find("font");
  if (font != root.end() && font->is_object()) {
    parsed.fontName = Text(*font, "name");
    parsed.fontPoints = Whole(*font, "points", 8);
  }
  if (parsed.fontName.empty() || parsed.fontPoints <= 0) {
    error = "\"font\" needs a name and a positive point size";
    return false;
  }
  parsed.style = Words(root);
  const auto controls = root.find("controls");
  if (controls != root.end() && controls->is_array()) {
    for (size_t i = 0; i < controls->size(); ++i) {
      ControlResource control;
      if (!ReadControl((*controls)[i], static_cast<int>(i), control, error)) return false;
      parsed.controls.push_back(std::move(control));
    }
  }
  dialog = std::move(parsed);
  return true;
}

bool ParseMenuResource(std::string_view json, MenuResource& menu, std::string& error) {
  Json root;
  if (!ParseObject(json, root, error)) return false;
  MenuResource parsed;
  parsed.id = Whole(root, "id", 0);
  const auto popups = root.find("popups");
  if (popups == root.end() || !popups->is_array() || popups->empty()) {
    error = "a menu needs \"popups\"";
    return false;
  }
  for (const Json& popup : *popups) {
    if (!popup.is_object()) {
      error = "a popup is not an object";
      return false;
    }
    MenuPopupResource popupResource{Text(popup, "text"), {}};
    const auto items = popup.find("items");
    if (items != popup.end() && items->is_array()) {
      for (const Json& item : *items) {
        if (!item.is_object()) continue;
        const auto separator = item.find("separator");
        const bool isSeparator = separator != item.end() && separator->is_boolean() && separator->get<bool>();
        popupResource.items.push_back({isSeparator, Whole(item, "id", 0), Text(item, "text")});
      }
    }
    parsed.popups.push_back(std::move(popupResource));
  }
  menu = std::move(parsed);
  return true;
}

bool ParseStringTable(std::string_view json, std::vector<std::pair<int, std::string>>& strings, std::string& error) {
  // Kept in the file's order: the resource script lists them as written.
  nlohmann::ordered_json root =
      nlohmann::ordered_json::parse(json.begin(), json.end(), nullptr, /*allow_exceptions=*/false);
  if (!root.is_object()) {
    error = root.is_discarded() ? "not JSON" : "not a JSON object";
    return false;
  }
  std::vector<std::pair<int, std::string>> parsed;
  for (const auto& [key, value] : root.items()) {
    char* end = nullptr;
    const long id = std::strtol(key.c_str(), &end, 10);
    if (key.empty() || *end != '\0' || id <= 0 || id > 65535 || !value.is_string()) {
      error = "string \"" + key + "\": the id must be a number from 1 to 65535 and the text a string";
      return false;
    }
    parsed.emplace_back(static_cast<int>(id), value.get<std::string>());
  }
  strings = std::move(parsed);
  return true;
}

}  // namespace taruk
