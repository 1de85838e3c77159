#include "core/view/scsi_details_rows.h"

#include <cwchar>
#include <optional>

#include "core/drive/scsi_commands.h"

namespace taruk {

namespace {

// Twelve lower-case hex digits, as the ATA rows' raw column; a value beyond
// 48 bits keeps its low 48.
std::wstring Raw(uint64_t value) {
  static constexpr wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring text(12, L'0');
  for (int i = 11; i >= 0; --i, value >>= 4) text[static_cast<size_t>(i)] = kDigits[value & 0xF];
  return text;
}

template <typename Number>
std::wstring Column(const std::optional<Number>& value) {
  return value ? std::to_wstring(*value) : std::wstring();
}

template <typename Number>
void AddRow(std::vector<SmartDetailsRow>& rows, uint8_t page, const wchar_t* name, const std::optional<Number>& value,
            std::wstring threshold, std::wstring decoded) {
  if (!value) return;
  wchar_t id[4];
  std::swprintf(id, std::size(id), L"%02X", page);
  rows.push_back({id, name, std::to_wstring(*value), std::move(threshold), std::wstring(),
                  Raw(static_cast<uint64_t>(*value)), std::move(decoded)});
}

std::wstring ExceptionText(uint8_t asc) {
  if (asc == 0) return L"none";
  if (asc == 0x5D) return L"failure prediction threshold exceeded";
  if (asc == 0x0B) return L"warning";
  return L"other";
}

}  // namespace

std::vector<SmartDetailsRow> ScsiDetailsRows(const ScsiHealth& health) {
  std::vector<SmartDetailsRow> rows;
  AddRow(rows, scsi_page::kTemperature, L"Temperature", health.temperature, Column(health.referenceTemperature),
         health.temperature ? std::to_wstring(*health.temperature) + L" \u00B0C" : std::wstring());
  if (health.exceptionAsc) {
    const uint8_t ascq = health.exceptionAscq.value_or(0);
    // The code and its qualifier together, as one value.
    const std::optional<uint16_t> code = static_cast<uint16_t>(*health.exceptionAsc << 8 | ascq);
    AddRow(rows, scsi_page::kInformationalExceptions, L"Informational exception (ASC/ASCQ)", code, std::wstring(),
           ExceptionText(*health.exceptionAsc));
    // Read as the pair of codes it is, not as one number.
    wchar_t pair[16];
    std::swprintf(pair, std::size(pair), L"%02X/%02X", *health.exceptionAsc, ascq);
    rows.back()[2] = pair;
  }
  AddRow(rows, scsi_page::kStartStopCycles, L"Accumulated start-stop cycles", health.startStops,
         Column(health.specifiedStartStops), std::wstring());
  AddRow(rows, scsi_page::kStartStopCycles, L"Accumulated load-unload cycles", health.loadUnloads,
         Column(health.specifiedLoadUnloads), std::wstring());
  AddRow(rows, scsi_page::kReadErrors, L"Total uncorrected read errors", health.readUncorrected, {}, {});
  AddRow(rows, scsi_page::kWriteErrors, L"Total uncorrected write errors", health.writeUncorrected, {}, {});
  AddRow(rows, scsi_page::kVerifyErrors, L"Total uncorrected verify errors", health.verifyUncorrected, {}, {});
  AddRow(rows, scsi_page::kNonMediumErrors, L"Non-medium errors", health.nonMediumErrors, {}, {});
  // Not a log page: READ DEFECT DATA's opcode stands in the id column.
  AddRow(rows, scsi::kReadDefectData12, L"Grown defects", health.grownDefects, {}, {});
  AddRow(rows, scsi_page::kBackgroundScan, L"Accumulated power-on time (minutes)", health.powerOnMinutes, {},
         health.powerOnMinutes ? std::to_wstring(*health.powerOnMinutes / 60) + L" hours" : std::wstring());
  return rows;
}

}  // namespace taruk
