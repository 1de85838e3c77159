#include "drive/drive_slot.h"

DriveSlots driveSlots;
