#include "linux/sg_io_command.h"

#include <errno.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <array>

namespace taruk {

AtaCommandResult RunAtaCommand(int fd, const IdeRegisters& registers, std::span<uint8_t> dataIn,
                               unsigned timeoutMs) {
  const AtaProtocol protocol = dataIn.empty() ? AtaProtocol::NonData : AtaProtocol::PioDataIn;
  PassThroughCdb cdb = BuildPassThrough16(registers, protocol);
  std::array<uint8_t, 64> sense{};

  sg_io_hdr_t io{};
  io.interface_id = 'S';
  io.cmdp = cdb.data();
  io.cmd_len = static_cast<unsigned char>(cdb.size());
  io.sbp = sense.data();
  io.mx_sb_len = static_cast<unsigned char>(sense.size());
  io.timeout = timeoutMs;
  if (dataIn.empty()) {
    io.dxfer_direction = SG_DXFER_NONE;
  } else {
    io.dxfer_direction = SG_DXFER_FROM_DEV;
    io.dxferp = dataIn.data();
    io.dxfer_len = static_cast<unsigned>(dataIn.size());
  }

  AtaCommandResult result;
  if (ioctl(fd, SG_IO, &io) != 0) {
    result.systemError = errno;
    return result;
  }
  PassThroughReply reply;
  reply.scsiStatus = io.status;
  reply.hostStatus = io.host_status;
  reply.driverStatus = io.driver_status;
  reply.residual = io.resid;
  reply.sense = std::span<const uint8_t>(sense.data(), std::min<std::size_t>(io.sb_len_wr, sense.size()));
  result.registers = AtaRegistersFromSense(reply.sense);
  result.succeeded = PassThroughSucceeded(reply, dataIn.size());
  if (dataIn.empty()) result.returnedCount = ReturnedCount(reply);
  return result;
}

}  // namespace taruk
