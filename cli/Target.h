// What a SOURCE, DEST or WRITER argument names: a SCSI address written
// HA,ID,LUN (0,4,0) or a file path. A path that looks like an address is
// written ./0,4,0.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "devices/SCSIDEV.h"
#include "host/aspi/ScsiVocabulary.h"

using aspi::ScsiAddress;

struct Target {
  std::optional<ScsiAddress> address;
  std::string path;  // when not an address
  bool IsDevice() const { return address.has_value(); }
  std::string Describe() const;
};

// Reads an argument; numbers above 255 make it a path.
Target ParseTarget(const std::string& text);
std::optional<ScsiAddress> ParseAddress(const std::string& text);

// The device object at an address, or nothing (with a message on the
// standard error) when no device answers there.
std::unique_ptr<SCSIDEV> OpenDevice(const ScsiAddress& address);

// Which list of the windows a device must stand in to play a part; the
// headless front end takes the same devices as the windows do.
enum class Role { WriteSource, Writer, CopySource, CopyDestination };
// The device at an address if it may play the role, or nothing (with a
// message on the standard error).
std::unique_ptr<SCSIDEV> OpenDeviceAs(const ScsiAddress& address, Role role);
