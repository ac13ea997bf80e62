// SPDX-License-Identifier: GPL-3.0-or-later
// A SCSI manager for the device-layer fuzzer whose drives answer whatever the
// fuzzer's input says. It is a library of its own, loaded by the program's
// manager loader like any other manager; the fuzz target links it too and
// hands it each input through AnswerManagerSetInput.
//
// Input: a sequence of answers, taken one per execute request in the order
// the requests come, whatever their command:
//   byte 0      how the request ends (low 2 bits): 0 completed, 1 check
//               condition with sense data, 2 no device at the address,
//               3 the manager is busy (the request is turned away)
//   bytes 1-2   n, little-endian: the bytes that follow for this answer
//   n bytes     completed: the data a read command receives (at most what
//               its buffer length allows); check condition: the sense data
// Once the input is used up every request finds no device, so that scans and
// retry loops end. Host adapter inquiry reports one adapter. A command the
// program will add later needs nothing here: it takes the next answer too.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" void AnswerManagerSetInput(const uint8_t* data, size_t size);
// Execute requests answered since the last AnswerManagerSetInput.
extern "C" size_t AnswerManagerRequests();
