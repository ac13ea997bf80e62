// SPDX-License-Identifier: GPL-3.0-or-later
// Command names for error reports: "(%02XH) " with the operation code,
// followed by the name from the table; a code without a name gives the
// "(%02XH) " part alone.
#pragma once

#include <cstdint>
#include <string>

class ASPI32;

namespace scsi {

struct CommandName {
  uint8_t opCode;
  const char* name;
};

inline constexpr CommandName kCommandNames[] = {
    {0x00, "Test Unit Ready"},
    {0x01, "Rezero Unit"},
    {0x03, "Request Sense"},
    {0x08, "Read6"},
    {0x0A, "Write 6"},
    {0x15, "Mode Select 6"},
    {0x1A, "Mode Sense 6"},
    {0x1B, "Start/Stop Unit"},
    {0x1E, "Prevent/Allow Medium Removal"},
    {0x25, "Read Capacity"},
    {0x28, "Read10"},
    {0x2A, "Write 10"},
    {0x2B, "Position To Element"},
    {0x35, "Flush Cache"},
    {0x3B, "Write Buffer"},
    {0x3C, "Read Buffer"},
    {0x46, "Get Configuration"},
    {0x52, "Read R Zone Info"},
    {0x53, "Reserve R Zone"},
    {0x55, "Mode Select 10"},
    {0x5A, "Mode Sense 10"},
    {0x5B, "Close Track/Session"},
    {0xA1, "Blank"},
    {0xA8, "Read12"},
    {0xAA, "Write12"},
    {0xAB, "DVD Write Structure"},
    {0xAD, "Read DVD Structure"},
    {0xBF, "Send DVD Structure"},
};

// The name text of an operation code.
std::string CommandNameText(uint8_t opCode);

// Writes the name of the command in the channel's execute block (its command
// block byte 0) into the channel's name area and returns that area.
const char* NameLastCommand(ASPI32& channel);

}  // namespace scsi
