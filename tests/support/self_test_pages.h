#pragma once
// The self-test pages a drive returns, laid out as drives lay them out, so
// that tests state them in plain values: ATA logs 06h and 01h with their
// checksums, the self-test bytes of SMART READ DATA, NVMe log 06h.

#include <cstdint>
#include <vector>

#include "core/drive/smart_device.h"

namespace taruk {

struct AtaLogDescriptor {
  int slot;            // 0..20 in the ring
  uint8_t subcommand;  // 1 short, 2 extended, 0x82 extended in captive mode...
  uint8_t status;      // execution status byte: status nibble, percent remaining nibble
  uint16_t hours;
  uint32_t lba = 0;
};

// Log 06h with the descriptors given and the index at byte 508; the
// checksum makes the page add up to 0 unless `badChecksum`.
Page AtaSelfTestLogPage(const std::vector<AtaLogDescriptor>& descriptors, uint8_t index, bool badChecksum = false);

// Log 01h with the device error count and the index of the newest error.
Page AtaErrorLogPage(uint16_t count, uint8_t index = 1, bool badChecksum = false);

// Makes the page's bytes add up to 0 mod 256 in byte 511.
void SetChecksum(Page& page);

// SMART READ DATA's self-test bytes written into `page`: execution status
// (363), capabilities (367), error logging (370), polling times (372-374).
void SetAtaSelfTestBytes(Page& page, uint8_t status, uint8_t capabilities, uint8_t errorLogging = 1,
                         uint8_t shortMinutes = 2, uint8_t extendedMinutes = 54, uint8_t conveyanceMinutes = 5);

struct NvmeResultSpec {
  uint8_t status;  // test code in bits 7:4, result in bits 3:0
  uint8_t segment = 0;
  uint64_t hours = 0;
  bool lbaValid = false;
  uint64_t lba = 0;
};

// Log 06h: current operation, completion byte, then the results newest
// first; the unused rest is marked 0xF.
NvmeSelfTestLogData NvmeSelfTestLogPage(uint8_t operation, uint8_t completion,
                                        const std::vector<NvmeResultSpec>& results);

// Identify Controller data with OACS and EDSTT set.
NvmeIdentifyData NvmeIdentifyWithSelfTest(uint16_t oacs, uint16_t edsttMinutes);

}  // namespace taruk
