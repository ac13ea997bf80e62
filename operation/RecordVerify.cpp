// SPDX-License-Identifier: GPL-3.0-or-later
#include "operation/RecordVerify.h"

#include "base/Sha256.h"
#include "records/RecordStore.h"

namespace {

OperationRequest VerifyRequest(ExpectedVolume expected, uint64_t size, std::string volumeName) {
  OperationRequest request;
  request.operation = Operation::VerifyDisc;
  request.expected = std::move(expected);
  request.volume.volumeName = std::move(volumeName);
  OverrideVolumeSize(request.volume, size);
  return request;
}

}  // namespace

std::optional<OperationRequest> RecordVerifyRequest(const std::string& recordFile, std::string& error) {
  std::optional<DiscRecord> record = ReadVerifiableRecord(recordFile, error);
  if (!record) return std::nullopt;
  return VerifyRequest({record->sha256, recordFile}, record->volumeSize, record->volumeName);
}

std::optional<OperationRequest> DigestVerifyRequest(const std::string& sha256, uint64_t size, std::string& error) {
  std::optional<Sha256::Digest> digest = Sha256::FromHex(sha256);
  if (!digest) {
    error = "\"" + sha256 + "\" is not a SHA-256: 64 hexadecimal digits are needed.";
    return std::nullopt;
  }
  if (size == 0) {
    error = "The disc's volume size is 0: there is nothing to verify.";
    return std::nullopt;
  }
  return VerifyRequest({Sha256::Hex(*digest), {}}, size, {});
}
