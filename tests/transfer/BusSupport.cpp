#include "tests/transfer/BusSupport.h"

#include <gtest/gtest.h>

#include <vector>

#include "devices/CreateDevice.h"
#include "base/TextFormat.h"

std::string WriterJson(const std::string& model, const std::string& revision, const std::string& kind,
                       uint32_t sectors, const std::string& extra) {
  std::string json = R"({"id": 4, "model": ")" + model + R"(", "revision": ")" + revision +
                     R"(", "medium": {"kind": ")" + kind + R"(", "sectors": )" + std::to_string(sectors) + "}";
  if (!extra.empty()) json += ", " + extra;
  return json + "}";
}

std::string DiskJson(int id, const std::string& path, uint32_t blocks, uint32_t blockSize, bool writable) {
  std::string medium = R"({"kind": "image", "block_size": )" + std::to_string(blockSize);
  if (!path.empty()) medium += R"(, "path": ")" + path + "\"";
  if (path.empty()) medium += R"(, "sectors": )" + std::to_string(blocks);
  medium += std::string(R"(, "writable": )") + (writable ? "true" : "false") + "}";
  return R"({"id": )" + std::to_string(id) + R"(, "model": "disk", "medium": )" + medium + "}";
}

std::string ReaderJson(int id, const std::string& path, double speed, const std::string& faults) {
  std::string medium = path.empty() ? R"({"kind": "none"})" : R"({"kind": "image", "path": ")" + path + "\"}";
  std::string json = FormatText(R"({"id": %d, "model": "dvd-rom", "medium": %s)", id, medium.c_str());
  if (speed > 0) json += FormatText(R"(, "speed": %g)", speed);
  return json + R"(, "faults": [)" + faults + "]}";
}

std::string SenseFault(uint8_t op, const std::string& sense, uint32_t first, uint32_t last) {
  std::string fault = FormatText(R"({"kind": "sense", "opcode": "%02Xh", "sense": "%s")", op, sense.c_str());
  if (last >= first) fault += FormatText(R"(, "lba": [%u, %u])", first, last);
  return fault + "}";
}

std::unique_ptr<SCSIDEV> OpenDevice(uint8_t id) {
  CreatedDevice created = CreateDevice(0, id, 0);
  EXPECT_TRUE(created.found) << "no device at 0:" << int(id) << ":0";
  created.device->WaitReady(1000);
  return std::move(created.device);
}

std::string ReadBack(SCSIDEV& device, uint64_t bytes) {
  device.StartStopUnit(3);
  EXPECT_TRUE(device.WaitReady(5000));
  EXPECT_TRUE(device.SetDevice());
  std::string back;
  std::vector<uint8_t> piece(65536);
  device.SetAddress(0);
  for (uint64_t done = 0; done < bytes;) {
    uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(65536, bytes - done));
    if (!device.Read(piece.data(), count)) {
      ADD_FAILURE() << "read back failed at byte " << done;
      break;
    }
    back.append(reinterpret_cast<const char*>(piece.data()), count);
    done += count;
  }
  return back;
}

bool TrayOpen(SCSIDEV& device) {
  device.TestUnitReady();
  uint8_t key = 0, asc = 0, ascq = 0;
  device.GetSense(&key, &asc, &ascq);
  return key == 2 && asc == 0x3A;
}

std::string ErrorReport(SCSIDEV& device, const std::string& command, uint32_t address, const std::string& code,
                        const std::string& message) {
  return FormatText(
      "[Error Information]\r\nSCSI Address: %d,%d,%d\r\nDevice: %s\r\nCommand: %s\r\nAddress: %08XH\r\n"
      "Error Code: %s\r\n%s\r\n\r\n",
      device.HostAdapter(), device.TargetId(), device.Lun(), device.DeviceName(), command.c_str(), address,
      code.c_str(), message.c_str());
}
