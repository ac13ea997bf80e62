// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/managers/simbus/TestBus.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "host/os/Event.h"

uint32_t Reply::Information() const {
  return uint32_t{sense[3]} << 24 | uint32_t{sense[4]} << 16 | uint32_t{sense[5]} << 8 | sense[6];
}

std::string Reply::SenseText() const {
  char text[16];
  std::snprintf(text, sizeof text, "%02X/%02X/%02X", sense[2], sense[12], sense[13]);
  return text;
}

TestBus::TestBus(const std::string& description) : description_(description) {
  stateDir_ = dir_.File("state");
  Start();
}

void TestBus::Start() {
  auto result = simbus::ParseBusDescription(description_, "test-bus.json", dir_.Path());
  if (!result.bus) {
    ADD_FAILURE() << result.error;
    bus_ = std::make_unique<simbus::Bus>(simbus::BusConfig{});
    return;
  }
  result.bus->stateDir = stateDir_;
  bus_ = std::make_unique<simbus::Bus>(*result.bus);
}

Reply TestBus::Exec(uint8_t id, std::vector<uint8_t> cdb, uint8_t* data, uint32_t length, bool dataOut, uint8_t lun,
                    uint8_t adapter) {
  aspi::SRB_ExecSCSICmd srb{};
  host::EventFd event;
  srb.SRB_Cmd = aspi::SC_EXEC_SCSI_CMD;
  srb.SRB_HaId = adapter;
  srb.SRB_Flags = aspi::SRB_EVENT_NOTIFY | (dataOut ? aspi::SRB_DIR_OUT : aspi::SRB_DIR_IN);
  srb.SRB_Target = id;
  srb.SRB_Lun = lun;
  srb.SRB_BufLen = length;
  srb.SRB_BufPointer = reinterpret_cast<uint64_t>(data);
  srb.SRB_SenseLen = aspi::kSenseLength;
  srb.SRB_CDBLen = static_cast<uint8_t>(cdb.size());
  srb.SRB_PostProc = static_cast<uint64_t>(event.Handle());
  std::memcpy(srb.CDBByte, cdb.data(), cdb.size());
  Reply reply;
  reply.returned = static_cast<uint8_t>(bus_->Send(&srb));
  if (reply.returned == aspi::SS_PENDING && event.Wait(10000) != host::WaitResult::Signalled)
    ADD_FAILURE() << "the request was not completed";
  reply.status = __atomic_load_n(&srb.SRB_Status, __ATOMIC_ACQUIRE);
  reply.hostStatus = srb.SRB_HaStat;
  reply.targetStatus = srb.SRB_TargStat;
  reply.sense.assign(srb.SenseArea, srb.SenseArea + aspi::kSenseAreaSize);
  return reply;
}

bool TestBus::WaitReady(uint8_t id, int polls) {
  for (int i = 0; i < polls; ++i) {
    if (Exec(id, {0x00, 0, 0, 0, 0, 0}).status == aspi::SS_COMP) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

std::vector<uint8_t> Cdb10(uint8_t op, uint32_t lba, uint16_t blocks) {
  return {op, 0, uint8_t(lba >> 24), uint8_t(lba >> 16), uint8_t(lba >> 8), uint8_t(lba), 0, uint8_t(blocks >> 8),
          uint8_t(blocks), 0};
}

std::vector<uint8_t> Cdb12(uint8_t op, uint32_t lba, uint32_t blocks) {
  return {op, 0, uint8_t(lba >> 24), uint8_t(lba >> 16), uint8_t(lba >> 8), uint8_t(lba),
          uint8_t(blocks >> 24), uint8_t(blocks >> 16), uint8_t(blocks >> 8), uint8_t(blocks), 0, 0};
}
