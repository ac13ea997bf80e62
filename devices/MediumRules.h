// SPDX-License-Identifier: GPL-3.0-or-later
// MediumRules: what the disc in an MMC recorder allows, decided from its
// DiscState in one place: whether a write (or a test write) may start, and
// if not the message for the person, naming the drive and saying what to
// do; whether the medium takes a test write at all (DVD+R does not); and
// whether it can be erased (DVD-RW). The program records one track in
// disc-at-once onto a blank DVD-R, DVD-RW or DVD+R; every other medium and
// every disc that already holds data is refused before anything is written.
#pragma once

#include <string>

#include "devices/DiscState.h"

// The media the program records.
bool IsRecordableMedium(uint16_t profile);
// A test write exists for the medium (DVD-R, DVD-RW).
bool TakesTestWrite(const DiscState& state);
// The medium can be blanked (DVD-RW).
bool IsErasableMedium(const DiscState& state);

// Why a write (testWrite: a test write) onto the disc in the drive named
// `drive` (such as "0,6,0 (ORBITEK DVR-RW 1120)") cannot start; empty when
// it can.
std::string WriteRefusal(const DiscState& state, bool testWrite, const std::string& drive);
// Why the disc cannot be erased; empty when it can.
std::string EraseRefusal(const DiscState& state, const std::string& drive);
