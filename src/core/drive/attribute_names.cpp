#include "core/drive/attribute_names.h"

namespace taruk {

namespace {

// Two spellings of the unknown name exist: ids 14..95 and 102..158 carry the
// padded one, every other unnamed id the short one.
constexpr const wchar_t* kUnknownPadded = L"(Unknown attribute)     ";
constexpr const wchar_t* kUnknown = L"(Unknown attribute)";

struct NamedId {
  int id;
  const wchar_t* name;
};

constexpr NamedId kNamedIds[] = {
    {0, L"No Attribute Here       "},
    {1, L"Raw Read Error Rate     "},
    {2, L"Throughput Performance  "},
    {3, L"Spin Up Time            "},
    {4, L"Start/Stop Count        "},
    {5, L"Reallocated Sector Count"},
    {6, L"Read Channel Margin     "},
    {7, L"Seek Error Rate         "},
    {8, L"Seek Time Performance   "},
    {9, L"Power On Hours Count    "},
    {10, L"Spin Retry Count        "},
    {11, L"Calibration Retry Count "},
    {12, L"Power Cycle Count       "},
    {13, L"Soft Read Error Rate    "},
    {191, L"G-Sense Error Rate"},
    {192, L"Power-Off Retract Cycle"},
    {193, L"Load/Unload Cycle Count"},
    {194, L"Temperature "},
    {195, L"Hardware ECC Covered"},
    {196, L"Reallocation Events Count "},
    {197, L"Current Pending Sector Count "},
    {198, L"Uncorrectable Sector Count "},
    {199, L"UltraDMA CRC Error Rate "},
    {200, L"Write Error Rate (WD - MultiZone Error Rate)"},
    {201, L"TA Counter Detected "},
    {202, L"TA Counter Increased "},
    {203, L"Run Out Cancel (Maxtor) "},
    {204, L"Shock Count Write Operation (Maxtor) "},
    {205, L"Shock Rate Write Operation (Maxtor) "},
    {207, L"Spin High Current (Maxtor) "},
    {208, L"Spin Buzz (Maxtor) "},
    {209, L"Offline Seek Performance (Maxtor) "},
    {220, L"Disk Shift "},
    {221, L"G-Sense Error Rate (Hitachi - Shock Sense Error Rate)"},
    {222, L"Loaded Hours "},
    {223, L"Load/Unload Retry Count "},
    {224, L"Load Friction "},
    {225, L"Load/Unload Cycle Count "},
    {226, L"Load-in Time "},
    {227, L"Torque Amplification Count "},
    {228, L"Power-Off Retract Count "},
    {230, L"GMR Head Amplitude "},
    {231, L"Temperature "},
    {240, L"Head Flying Hours (Hitachi) "},
    {250, L"Read Error Retry Rate "},
};

constexpr std::array<const wchar_t*, 256> BuildNames() {
  std::array<const wchar_t*, 256> names{};
  for (int id = 0; id < 256; ++id) {
    const bool padded = (id >= 14 && id <= 95) || (id >= 102 && id <= 158);
    names[id] = padded ? kUnknownPadded : kUnknown;
  }
  for (const NamedId& named : kNamedIds) names[named.id] = named.name;
  return names;
}

}  // namespace

const std::array<const wchar_t*, 256> AttributeNames = BuildNames();

}  // namespace taruk
