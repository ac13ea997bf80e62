// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstring>

#include "devices/EndianValue.h"
#include "devices/InquiryData.h"

TEST(EndianValue, BigEndianTakesTheFirstBytesMostSignificantFirst) {
  const uint8_t bytes[] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x11};
  EXPECT_EQ(BigEndianValue(bytes, 16), 0x1234u);
  EXPECT_EQ(BigEndianValue(bytes, 24), 0x123456u);
  EXPECT_EQ(BigEndianValue(bytes, 32), 0x12345678u);
  EXPECT_EQ(BigEndianValue(bytes, 64), 0x123456789ABCDEF0u);
  // More than 64 bits reads 8 bytes, never the ninth.
  EXPECT_EQ(BigEndianValue(bytes, 72), 0x123456789ABCDEF0u);
  EXPECT_EQ(BigEndianValue(bytes, 0), 0u);
}

TEST(EndianValue, LittleEndianTakesTheFirstBytesLeastSignificantFirst) {
  const uint8_t bytes[] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x11};
  EXPECT_EQ(LittleEndianValue(bytes, 16), 0x3412u);
  EXPECT_EQ(LittleEndianValue(bytes, 32), 0x78563412u);
  EXPECT_EQ(LittleEndianValue(bytes, 64), 0xF0DEBC9A78563412u);
  EXPECT_EQ(LittleEndianValue(bytes, 72), 0xF0DEBC9A78563412u);
}

TEST(EndianValue, BytesAreUnsigned) {
  const uint8_t bytes[] = {0xFF, 0x80};
  EXPECT_EQ(BigEndianValue(bytes, 16), 0xFF80u);
  EXPECT_EQ(LittleEndianValue(bytes, 16), 0x80FFu);
}

TEST(InquiryData, ResetMarksNoDevice) {
  INQUIRYDATA data;
  std::memset(data.Data(), 0x41, INQUIRYDATA::kSize);
  data.Reset();
  EXPECT_EQ(data[0], 31);
  EXPECT_EQ(data.DeviceType(), 31);
  for (size_t i = 1; i < INQUIRYDATA::kSize; ++i) ASSERT_EQ(data[i], 0) << i;
}

TEST(InquiryData, CopiesTheIdentificationIntoZeroedAreas) {
  INQUIRYDATA data;
  data.Data()[0] = 0x85;  // qualifier bits above the type
  std::memcpy(data.Data() + 8, "HALVERN DVD-R QXW-7100  1.07", 28);
  EXPECT_EQ(data.DeviceType(), 5);
  char vendor[10], product[18], revision[6];
  std::memset(vendor, 'x', sizeof vendor);
  std::memset(product, 'x', sizeof product);
  std::memset(revision, 'x', sizeof revision);
  data.CopyVendor(vendor);
  data.CopyProduct(product);
  data.CopyRevision(revision);
  EXPECT_STREQ(vendor, "HALVERN ");
  EXPECT_EQ(vendor[9], 0);
  EXPECT_STREQ(product, "DVD-R QXW-7100  ");
  EXPECT_EQ(product[17], 0);
  EXPECT_STREQ(revision, "1.07");
  EXPECT_EQ(revision[5], 0);
}
