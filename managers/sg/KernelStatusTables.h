// SPDX-License-Identifier: GPL-3.0-or-later
// How the kernel's ways of failing a command read in the program's request
// status and host adapter status. Tables only; Completion.cpp uses them.
#pragma once

#include <cerrno>
#include <cstdint>

#include "host/aspi/AspiSrb.h"

namespace sg {

struct KernelFailure {
  int code;
  const char* name;
  uint8_t status;      // SRB_Status
  uint8_t hostStatus;  // SRB_HaStat
};

// The host byte of the SG_IO header (DID_* of the Linux SCSI midlayer). A
// value missing here reads as a failed command with no host status.
inline constexpr KernelFailure kHostStatuses[] = {
    {0x01, "DID_NO_CONNECT", aspi::SS_NO_DEVICE, aspi::HASTAT_SEL_TO},
    {0x02, "DID_BUS_BUSY", aspi::SS_ERR, aspi::HASTAT_BUS_FREE},
    {0x03, "DID_TIME_OUT", aspi::SS_ERR, aspi::HASTAT_COMMAND_TIMEOUT},
    {0x04, "DID_BAD_TARGET", aspi::SS_NO_DEVICE, aspi::HASTAT_SEL_TO},
    {0x05, "DID_ABORT", aspi::SS_ABORTED, aspi::HASTAT_OK},
    {0x06, "DID_PARITY", aspi::SS_ERR, aspi::HASTAT_PARITY_ERROR},
    {0x07, "DID_ERROR", aspi::SS_ERR, aspi::HASTAT_PHASE_ERR},
    {0x08, "DID_RESET", aspi::SS_ERR, aspi::HASTAT_BUS_RESET},
    {0x09, "DID_BAD_INTR", aspi::SS_ERR, aspi::HASTAT_PHASE_ERR},
    {0x0A, "DID_PASSTHROUGH", aspi::SS_ERR, aspi::HASTAT_OK},
    {0x0B, "DID_SOFT_ERROR", aspi::SS_ERR, aspi::HASTAT_OK},
    {0x0C, "DID_IMM_RETRY", aspi::SS_ERR, aspi::HASTAT_OK},
    {0x0D, "DID_REQUEUE", aspi::SS_ERR, aspi::HASTAT_OK},
    {0x0E, "DID_TRANSPORT_DISRUPTED", aspi::SS_ERR, aspi::HASTAT_BUS_RESET},
    {0x0F, "DID_TRANSPORT_FAILFAST", aspi::SS_ERR, aspi::HASTAT_BUS_RESET},
    {0x10, "DID_TARGET_FAILURE", aspi::SS_ERR, aspi::HASTAT_OK},
    {0x11, "DID_NEXUS_FAILURE", aspi::SS_ERR, aspi::HASTAT_OK},
    {0x12, "DID_ALLOC_FAILURE", aspi::SS_ERR, aspi::HASTAT_OK},
    {0x13, "DID_MEDIUM_ERROR", aspi::SS_ERR, aspi::HASTAT_OK},
    {0x14, "DID_TRANSPORT_MARGINAL", aspi::SS_ERR, aspi::HASTAT_BUS_RESET},
};

// The errno of an SG_IO call the kernel refused. A device that went away
// reads as no device; a request the kernel cannot take as it is (too long,
// not allowed on a node opened for reading) as an invalid request. Anything
// else reads as a failed command.
inline constexpr KernelFailure kCallErrors[] = {
    {ENODEV, "ENODEV", aspi::SS_NO_DEVICE, aspi::HASTAT_SEL_TO},
    {ENXIO, "ENXIO", aspi::SS_NO_DEVICE, aspi::HASTAT_SEL_TO},
    {EINVAL, "EINVAL", aspi::SS_INVALID_SRB, aspi::HASTAT_OK},
    {ENOMEM, "ENOMEM", aspi::SS_INVALID_SRB, aspi::HASTAT_OK},
    {EOVERFLOW, "EOVERFLOW", aspi::SS_INVALID_SRB, aspi::HASTAT_OK},
    {EPERM, "EPERM", aspi::SS_INVALID_SRB, aspi::HASTAT_OK},
    {EACCES, "EACCES", aspi::SS_INVALID_SRB, aspi::HASTAT_OK},
    {EFAULT, "EFAULT", aspi::SS_INVALID_SRB, aspi::HASTAT_OK},
};

// The driver byte (DRIVER_* values): the low nibble says what went wrong,
// DRIVER_SENSE that sense data came back.
inline constexpr uint16_t kDriverSense = 0x08;
inline constexpr uint16_t kDriverTimeout = 0x06;
inline constexpr uint16_t kDriverStatusMask = 0x07;

}  // namespace sg
