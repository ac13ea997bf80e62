// SPDX-License-Identifier: GPL-3.0-or-later
// The SHA-256 class against the published test vectors (FIPS 180-2), fed
// whole and in pieces of every size, and the hexadecimal form both ways.
#include <gtest/gtest.h>

#include <string>

#include "base/Sha256.h"

namespace {

struct Vector {
  std::string message;
  const char* digest;
};

const Vector kVectors[] = {
    {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
     "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
};

std::string DigestOf(const std::string& message, size_t piece) {
  Sha256 digest;
  for (size_t at = 0; at < message.size(); at += piece)
    digest.Update(message.data() + at, std::min(piece, message.size() - at));
  EXPECT_EQ(digest.Bytes(), message.size());
  auto value = digest.Final();
  return value ? Sha256::Hex(*value) : "failed";
}

}  // namespace

TEST(Sha256, PublishedVectorsWholeAndInPieces) {
  for (const Vector& vector : kVectors) {
    for (size_t piece : {size_t{1}, size_t{63}, size_t{64}, size_t{65536}, vector.message.size() + 1}) {
      if (piece == 1 && vector.message.size() > 1000) continue;
      EXPECT_EQ(DigestOf(vector.message, piece), vector.digest) << vector.message.size() << " bytes by " << piece;
    }
  }
}

TEST(Sha256, FinalStartsAfreshAndTheObjectMoves) {
  Sha256 digest;
  digest.Update("abc", 3);
  Sha256 moved = std::move(digest);
  EXPECT_EQ(Sha256::Hex(*moved.Final()), kVectors[1].digest);
  EXPECT_EQ(moved.Bytes(), 0u);
  EXPECT_EQ(Sha256::Hex(*moved.Final()), kVectors[0].digest);
}

TEST(Sha256, HexTextBothWays) {
  struct Case {
    std::string text;
    bool valid;
  };
  const std::string upper = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
  const Case cases[] = {
      {kVectors[1].digest, true},
      {upper, true},
      {upper.substr(1), false},             // 63 digits
      {upper + "0", false},                 // 65 digits
      {"g" + upper.substr(1), false},       // not a digit
      {" " + upper.substr(1), false},       // a blank
      {"", false},
  };
  for (const Case& c : cases) {
    auto digest = Sha256::FromHex(c.text);
    EXPECT_EQ(digest.has_value(), c.valid) << c.text;
    if (digest) {
      EXPECT_EQ(Sha256::Hex(*digest), kVectors[1].digest);
    }
  }
}
