// SPDX-License-Identifier: GPL-3.0-or-later
// What a SOURCE, DEST or WRITER argument names: a SCSI address written
// HA,ID,LUN (0,4,0), a device node of the SCSI generic manager (/dev/sg1,
// /dev/sr0, with --manager sg) or a file path. A path that looks like an
// address is written ./0,4,0. What a device may be used for is decided in
// app/AddressRules.h.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/AddressRules.h"
#include "devices/SCSIDEV.h"
#include "host/aspi/ScsiVocabulary.h"

using aspi::ScsiAddress;

struct Target {
  std::optional<ScsiAddress> address;
  std::string path;   // when not an address
  std::string error;  // a device node the manager does not know: why
  bool IsDevice() const { return address.has_value(); }
  std::string Describe() const;
};

// Reads an argument; numbers above 255 make it a path. /dev/sgN and
// /dev/srN are asked of the manager (which loads it).
Target ParseTarget(const std::string& text);
std::optional<ScsiAddress> ParseAddress(const std::string& text);
// A device argument (WRITER): an address or a node; nothing, with the
// message on the standard error, otherwise.
std::optional<ScsiAddress> ParseDeviceArgument(const std::string& text, const char* what);

// The device object at an address, or nothing (with a message on the
// standard error) when no device answers there.
std::unique_ptr<SCSIDEV> OpenDevice(const ScsiAddress& address);
// The device at an address if it may play the role, or nothing (with the
// refusal on the standard error).
std::unique_ptr<SCSIDEV> OpenDeviceAs(const ScsiAddress& address, AddressRole role);

// The writer a WRITER argument names, as the writer property dialog opens
// it: only a writer of the Write page; nothing (with the message on the
// standard error) otherwise.
std::unique_ptr<SCSIDEV> OpenWriterArgument(const std::string& text);
