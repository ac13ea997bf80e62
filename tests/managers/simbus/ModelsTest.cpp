// SPDX-License-Identifier: GPL-3.0-or-later
// What each emulated model says about itself, and the default answer of the
// dispatch table.
#include <gtest/gtest.h>

#include <string>

#include "tests/managers/simbus/TestBus.h"

namespace {

struct ModelCase {
  const char* model;
  const char* medium;
  uint8_t type;
  const char* vendor;
  const char* productStart;
};

constexpr ModelCase kCases[] = {
    {"qxw7100", R"({"kind": "dvd-r"})", 5, "HALVERN ", "DVD-R QXW-7100"},
    {"qxw7200", R"({"kind": "dvd-rw"})", 5, "HALVERN ", "DVD-RW QXW-7200"},
    {"dvdrw-writer", R"({"kind": "dvd-r"})", 5, "ORBITEK ", "DVR-RW"},
    {"mmc-recorder", R"({"kind": "dvd+r"})", 5, "GENERIC ", "DVD RECORDER"},
    {"dvd-rom", R"({"kind": "none"})", 5, "ORBITEK ", "DVD-ROM"},
    {"disk", R"({"kind": "image", "sectors": 64})", 0, "ORBITEK ", "HD-2100"},
    {"optical-memory", R"({"kind": "image", "sectors": 64})", 7, "ORBITEK ", "MO-640"},
    {"cd-wo", R"({"kind": "image", "sectors": 64})", 4, "HALVERN ", "CD-WO"},
    {"tape", R"({"kind": "none"})", 1, "ORBITEK ", "DAT"},
};

std::string OneDevice(const ModelCase& c, const std::string& extra = "") {
  return std::string(R"({"adapters": [{"devices": [{"id": 2, "model": ")") + c.model + R"(", "medium": )" +
         c.medium + extra + "}]}]}";
}

}  // namespace

TEST(Models, InquiryTellsTypeVendorAndProduct) {
  for (const ModelCase& c : kCases) {
    SCOPED_TRACE(c.model);
    TestBus bus(OneDevice(c));
    uint8_t inquiry[128] = {};
    ASSERT_EQ(bus.Exec(2, {0x12, 0, 0, 0, 128, 0}, inquiry, 128).status, aspi::SS_COMP);
    EXPECT_EQ(inquiry[0], c.type);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(inquiry + 8), 8), c.vendor);
    std::string product(reinterpret_cast<char*>(inquiry + 16), 16);
    EXPECT_EQ(product.rfind(c.productStart, 0), 0u) << product;
  }
}

TEST(Models, EveryModelAnswersUnknownCommandsWithInvalidOperationCode) {
  for (const ModelCase& c : kCases) {
    SCOPED_TRACE(c.model);
    TestBus bus(OneDevice(c));
    for (uint8_t op : {uint8_t{0x02}, uint8_t{0x4D}, uint8_t{0xC0}, uint8_t{0xFF}}) {
      Reply reply = bus.Exec(2, {op, 0, 0, 0, 0, 0, 0, 0, 0, 0});
      EXPECT_EQ(reply.status, aspi::SS_ERR);
      EXPECT_EQ(reply.SenseText(), "05/20/00");
    }
  }
}

TEST(Models, DescriptionOverridesTheInquiryTexts) {
  TestBus bus(OneDevice(kCases[0], R"(, "vendor": "halvern", "product": "DVD-R QXW-7100", "revision": "0.92",
                                     "mecha": "K2.4")"));
  uint8_t inquiry[128] = {};
  ASSERT_EQ(bus.Exec(2, {0x12, 0, 0, 0, 128, 0}, inquiry, 128).status, aspi::SS_COMP);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(inquiry + 8), 8), "halvern ");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(inquiry + 32), 4), "0.92");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(inquiry + 48), 4), "K2.4");
}

TEST(Models, CapabilitiesPageTellsWhichDrivesWriteDvdR) {
  for (const ModelCase& c : kCases) {
    if (c.type != 5) continue;
    SCOPED_TRACE(c.model);
    TestBus bus(OneDevice(c));
    uint8_t page[2048] = {};
    ASSERT_EQ(bus.Exec(2, {0x5A, 0, 0x2A, 0, 0, 0, 0, 0x08, 0, 0}, page, 2048).status, aspi::SS_COMP);
    size_t p = 8 + (size_t{page[6]} << 8 | page[7]);
    EXPECT_EQ(page[p] & 0x3F, 0x2A);
    bool writes = std::string(c.model) != "dvd-rom";
    EXPECT_EQ((page[p + 3] & 0x10) != 0, writes);
  }
}

TEST(Models, InquiryOfVitalProductDataIsRefused) {
  TestBus bus(OneDevice(kCases[4]));
  uint8_t inquiry[128] = {};
  EXPECT_EQ(bus.Exec(2, {0x12, 0x01, 0x80, 0, 128, 0}, inquiry, 128).SenseText(), "05/24/00");
}
