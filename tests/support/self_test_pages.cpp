#include "support/self_test_pages.h"

namespace taruk {

void SetChecksum(Page& page) {
  uint8_t sum = 0;
  for (std::size_t i = 0; i + 1 < page.size(); ++i) sum = static_cast<uint8_t>(sum + page[i]);
  page[511] = static_cast<uint8_t>(0x100 - sum);
}

Page AtaSelfTestLogPage(const std::vector<AtaLogDescriptor>& descriptors, uint8_t index, bool badChecksum) {
  Page page{};
  page[0] = 1;  // revision
  for (const AtaLogDescriptor& d : descriptors) {
    uint8_t* at = page.data() + 2 + 24 * d.slot;
    at[0] = d.subcommand;
    at[1] = d.status;
    at[2] = static_cast<uint8_t>(d.hours);
    at[3] = static_cast<uint8_t>(d.hours >> 8);
    for (int i = 0; i < 4; ++i) at[5 + i] = static_cast<uint8_t>(d.lba >> (8 * i));
  }
  page[508] = index;
  SetChecksum(page);
  if (badChecksum) page[511] ^= 0x01;
  return page;
}

Page AtaErrorLogPage(uint16_t count, uint8_t index, bool badChecksum) {
  Page page{};
  page[0] = 1;
  page[1] = index;
  page[452] = static_cast<uint8_t>(count);
  page[453] = static_cast<uint8_t>(count >> 8);
  SetChecksum(page);
  if (badChecksum) page[511] ^= 0x80;
  return page;
}

void SetAtaSelfTestBytes(Page& page, uint8_t status, uint8_t capabilities, uint8_t errorLogging, uint8_t shortMinutes,
                         uint8_t extendedMinutes, uint8_t conveyanceMinutes) {
  page[363] = status;
  page[367] = capabilities;
  page[370] = errorLogging;
  page[372] = shortMinutes;
  page[373] = extendedMinutes;
  page[374] = conveyanceMinutes;
}

NvmeSelfTestLogData NvmeSelfTestLogPage(uint8_t operation, uint8_t completion,
                                        const std::vector<NvmeResultSpec>& results) {
  NvmeSelfTestLogData log{};
  log[0] = operation;
  log[1] = completion;
  for (std::size_t i = 0; i < 20; ++i) {
    uint8_t* at = log.data() + 4 + 28 * i;
    if (i >= results.size()) {
      at[0] = 0x0F;
      continue;
    }
    const NvmeResultSpec& r = results[i];
    at[0] = r.status;
    at[1] = r.segment;
    at[2] = r.lbaValid ? 0x02 : 0x00;
    for (int b = 0; b < 8; ++b) at[4 + b] = static_cast<uint8_t>(r.hours >> (8 * b));
    for (int b = 0; b < 8; ++b) at[16 + b] = static_cast<uint8_t>(r.lba >> (8 * b));
  }
  return log;
}

NvmeIdentifyData NvmeIdentifyWithSelfTest(uint16_t oacs, uint16_t edsttMinutes) {
  NvmeIdentifyData data{};
  data[256] = static_cast<uint8_t>(oacs);
  data[257] = static_cast<uint8_t>(oacs >> 8);
  data[316] = static_cast<uint8_t>(edsttMinutes);
  data[317] = static_cast<uint8_t>(edsttMinutes >> 8);
  return data;
}

}  // namespace taruk
