#include "linux/sg_io_command.h"

#include <errno.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <array>

#include "core/drive/scsi_commands.h"

namespace taruk {

namespace {

// One SG_IO request: the command, room for the sense data, the time-out,
// and the data coming in (none: a command without data).
sg_io_hdr_t SgIoRequest(std::span<uint8_t> command, size_t commandLength, std::span<uint8_t> sense, unsigned timeoutMs,
                        std::span<uint8_t> dataIn) {
  sg_io_hdr_t io{};
  io.interface_id = 'S';
  io.cmdp = command.data();
  io.cmd_len = static_cast<unsigned char>(commandLength);
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
  return io;
}

bool AnsweredGood(const sg_io_hdr_t& io) {
  return io.status == 0 && io.host_status == 0 && (io.driver_status & 0x0F) == 0;
}

}  // namespace

AtaCommandResult RunAtaCommand(int fd, const IdeRegisters& registers, std::span<uint8_t> dataIn, unsigned timeoutMs,
                               PassThroughForm form) {
  const AtaProtocol protocol = dataIn.empty() ? AtaProtocol::NonData : AtaProtocol::PioDataIn;
  PassThroughCdb cdb{};
  std::size_t length = cdb.size();
  if (form == PassThroughForm::Twelve) {
    const PassThrough12Cdb twelve = BuildPassThrough12(registers, protocol);
    std::copy(twelve.begin(), twelve.end(), cdb.begin());
    length = twelve.size();
  } else {
    cdb = BuildPassThrough16(registers, protocol);
  }
  std::array<uint8_t, 64> sense{};

  sg_io_hdr_t io = SgIoRequest(cdb, length, sense, timeoutMs, dataIn);

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

std::optional<std::vector<uint8_t>> RunScsiDataIn(int fd, std::span<const uint8_t> cdb, unsigned timeoutMs) {
  const std::size_t length = DataInLength(cdb);
  if (length == 0 || length > scsi::kMostDataIn || cdb.size() > 16) return std::nullopt;
  std::vector<uint8_t> data(length);
  std::array<uint8_t, 16> command{};
  std::copy(cdb.begin(), cdb.end(), command.begin());
  std::array<uint8_t, 64> sense{};

  sg_io_hdr_t io = SgIoRequest(command, cdb.size(), sense, timeoutMs, data);
  if (ioctl(fd, SG_IO, &io) != 0) return std::nullopt;
  // Anything but GOOD from the device, and any fault on the way, is a refusal.
  if (!AnsweredGood(io)) return std::nullopt;
  const int received = static_cast<int>(data.size()) - std::max(io.resid, 0);
  data.resize(static_cast<std::size_t>(std::max(received, 0)));
  return data;
}

ScsiNonDataResult RunScsiNonData(int fd, std::span<const uint8_t> cdb, unsigned timeoutMs) {
  ScsiNonDataResult result;
  if (cdb.empty() || cdb.size() > 16) return result;
  std::array<uint8_t, 16> command{};
  std::copy(cdb.begin(), cdb.end(), command.begin());
  std::array<uint8_t, 64> sense{};
  sg_io_hdr_t io = SgIoRequest(command, cdb.size(), sense, timeoutMs, {});
  if (ioctl(fd, SG_IO, &io) != 0) {
    result.systemError = errno;
    return result;
  }
  constexpr unsigned char kCheckCondition = 0x02;
  result.good = AnsweredGood(io);
  result.checkCondition = io.status == kCheckCondition;
  return result;
}

bool RunScsiTransfer(int fd, std::span<const uint8_t> cdb, std::span<uint8_t> dataIn, std::span<const uint8_t> dataOut,
                     unsigned timeoutMs) {
  if (cdb.size() > 16 || (!dataIn.empty() && !dataOut.empty())) return false;
  std::array<uint8_t, 16> command{};
  std::copy(cdb.begin(), cdb.end(), command.begin());
  std::array<uint8_t, 64> sense{};
  sg_io_hdr_t io = SgIoRequest(command, cdb.size(), sense, timeoutMs, dataIn);
  if (!dataOut.empty()) {
    io.dxfer_direction = SG_DXFER_TO_DEV;
    // SG_IO only reads from an outgoing buffer.
    io.dxferp = const_cast<uint8_t*>(dataOut.data());
    io.dxfer_len = static_cast<unsigned>(dataOut.size());
  }
  if (ioctl(fd, SG_IO, &io) != 0) return false;
  return AnsweredGood(io) && io.resid == 0;
}

}  // namespace taruk
