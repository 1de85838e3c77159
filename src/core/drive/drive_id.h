#pragma once
// The name a drive keeps wherever the system puts it, worked out from what
// the drive itself reports, in the form administrators know from
// /dev/disk/by-id: "wwn-0x5000c500a1b2c3d4" when the drive reports a
// World Wide Name, else the interface, model and serial number,
// "ata-ST3160023A_5MT0XXXX" or "nvme-WD_BLACK_SN770_1TB_22XXXX".

#include <string>

#include "core/drive/drive_slot.h"

namespace taruk {

// The id the slot's identity gives; empty when the drive reported neither a
// name nor a model nor a serial number. Two drives can give the same one
// (cloned serial numbers, a batch with one WWN): the numbering tells them
// apart (DuplicateId).
std::string DriveBaseId(const DriveSlot& slot);

// The id of the `count`-th drive with the same base id, counted in order of
// appearance from 1: the first keeps the base id, the second is "BASE#2".
std::string DuplicateId(const std::string& baseId, int count);

}  // namespace taruk
