// SPDX-License-Identifier: GPL-3.0-or-later
// A library that looks like a SCSI manager but lacks SendASPI32Command: the
// program must treat it as no manager at all.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) uint32_t GetASPI32SupportInfo() { return 0x0101; }
