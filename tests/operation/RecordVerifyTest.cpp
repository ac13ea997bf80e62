// SPDX-License-Identifier: GPL-3.0-or-later
// The verify requests made from a disc record and from a digest given by
// hand: what the operation is told to expect.
#include <gtest/gtest.h>

#include <cctype>

#include "operation/RecordVerify.h"
#include "records/DiscRecord.h"
#include "tests/fixtures/TempDir.h"

namespace {

const std::string kDigest = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

}  // namespace

TEST(RecordVerify, RequestsFromARecordAndFromADigest) {
  TempDir dir;
  std::string error;
  DiscRecord record;
  record.operation = "write";
  record.result = "done";
  record.source = {"file", "/images/a.iso", std::nullopt};
  record.writer = {"device", {}, RecordDevice{"0,4,0", "HALVERN", "DVD-R QXW-7100", "1.07"}};
  record.volumeName = "ARCHIVE 7";
  record.volumeSize = 4'700'000'001;
  record.sha256 = kDigest;
  std::optional<OperationRequest> request = RecordVerifyRequest(dir.Write("good.json", RecordText(record)), error);
  ASSERT_TRUE(request) << error;
  EXPECT_EQ(request->operation, Operation::VerifyDisc);
  EXPECT_EQ(request->expected->sha256, kDigest);
  EXPECT_EQ(request->expected->recordFile, dir.File("good.json"));
  EXPECT_EQ(request->volume.volumeSize, 4'700'000'001u);
  EXPECT_EQ(request->volume.lbCount, 2'294'922u);
  EXPECT_EQ(request->volume.volumeName, "ARCHIVE 7");
  record.sha256.clear();
  EXPECT_FALSE(RecordVerifyRequest(dir.Write("nodigest.json", RecordText(record)), error));

  // A digest given by hand: either case, 64 digits, a size above 0.
  std::string upper = kDigest;
  for (char& c : upper) c = static_cast<char>(std::toupper(c));
  ASSERT_TRUE(DigestVerifyRequest(upper, 2048, error));
  EXPECT_EQ(DigestVerifyRequest(upper, 2048, error)->expected->sha256, kDigest);
  EXPECT_FALSE(DigestVerifyRequest(kDigest + "0", 2048, error));
  EXPECT_FALSE(DigestVerifyRequest(kDigest, 0, error));
}
