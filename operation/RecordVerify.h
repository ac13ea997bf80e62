// SPDX-License-Identifier: GPL-3.0-or-later
// RecordVerify: a verify of a disc against the SHA-256 and size a disc record
// holds, or against a digest given by hand. The front end adds the disc (the
// request's destination) and runs it as any other operation.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "operation/OperationRequest.h"

// Nothing, with error saying why, when the record cannot be read, is
// malformed or holds no digest (its operation never read the whole volume).
std::optional<OperationRequest> RecordVerifyRequest(const std::string& recordFile, std::string& error);
// The same against a digest given as 64 hexadecimal digits and a size.
std::optional<OperationRequest> DigestVerifyRequest(const std::string& sha256, uint64_t size, std::string& error);
