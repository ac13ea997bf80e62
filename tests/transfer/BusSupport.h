// Support for the transfer tests on the simulated bus: bus descriptions of a
// writer, a disk and a reader, reading a disc back, and the texts of the
// devices' error reports.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "devices/SCSIDEV.h"

// A writer at target 4: model, revision and a disc of the given kind and
// sectors; extra is further JSON members of the device (e.g. "faults").
std::string WriterJson(const std::string& model, const std::string& revision, const std::string& kind,
                       uint32_t sectors, const std::string& extra = "");
// A disk at target id over an image file (or a state-folder file of the
// given blocks when path is empty), with the given block size.
std::string DiskJson(int id, const std::string& path, uint32_t blocks, uint32_t blockSize, bool writable);
// A DVD-ROM drive at target id holding an image file (none when path is
// empty), at a speed (0: as fast as the machine); faults is the JSON list's
// inside.
std::string ReaderJson(int id, const std::string& path, double speed, const std::string& faults = "");
// A sense fault for every command with the operation code (and lba range
// when last >= first).
std::string SenseFault(uint8_t op, const std::string& sense, uint32_t first = 1, uint32_t last = 0);

// The device at 0:id:0, created as the program creates it, ready.
std::unique_ptr<SCSIDEV> OpenDevice(uint8_t id);
// Loads the disc and reads bytes from block 0 (a whole number of blocks is
// read; the text is cut to bytes).
std::string ReadBack(SCSIDEV& device, uint64_t bytes);
// True when the drive reports no medium (its tray is open).
bool TrayOpen(SCSIDEV& device);

// The "[Error Information]" report of a device for a failed command.
std::string ErrorReport(SCSIDEV& device, const std::string& command, uint32_t address, const std::string& code,
                        const std::string& message);
