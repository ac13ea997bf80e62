// SPDX-License-Identifier: GPL-3.0-or-later
// The program's addresses for the kernel's SCSI generic nodes: adapters in
// ascending host number, target and LUN on channel 0, read from sysfs.
#include <gtest/gtest.h>

#include <filesystem>

#include "managers/sg/AddressMap.h"
#include "managers/sg/Topology.h"
#include "tests/managers/sg/FakeSg.h"

namespace {

sg::NodeInfo Node(const std::string& name, uint64_t host, uint64_t channel, uint64_t target, uint64_t lun) {
  sg::NodeInfo node;
  node.name = name;
  node.host = host;
  node.channel = channel;
  node.target = target;
  node.lun = lun;
  return node;
}

}  // namespace

TEST(SgAddressMap, AdaptersAreHostsInAscendingOrderAndIdsAreTargets) {
  // Hosts 2 and 5 have nodes; host 9 only one on channel 1, host 3 only
  // one with a target that no address can hold.
  const std::vector<sg::NodeInfo> nodes = {
      Node("sg0", 2, 0, 0, 0), Node("sg1", 2, 0, 1, 0), Node("sg2", 2, 0, 1, 3), Node("sg3", 5, 0, 0, 0),
      Node("sg4", 9, 1, 0, 0), Node("sg5", 3, 0, 300, 0), Node("sg6", 5, 0, 4, 256),
  };
  sg::AddressMap map(nodes);
  ASSERT_EQ(map.AdapterCount(), 2u);
  EXPECT_EQ(map.HostOf(0), 2u);
  EXPECT_EQ(map.HostOf(1), 5u);
  EXPECT_EQ(map.HostOf(2), std::nullopt);

  struct Row {
    uint8_t ha, id, lun;
    std::optional<size_t> node;
  };
  const Row rows[] = {
      {0, 0, 0, 0}, {0, 1, 0, 1}, {0, 1, 3, 2}, {1, 0, 0, 3},
      {0, 2, 0, std::nullopt}, {1, 1, 0, std::nullopt}, {2, 0, 0, std::nullopt}, {255, 255, 255, std::nullopt},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(map.Find(row.ha, row.id, row.lun), row.node) << int(row.ha) << "," << int(row.id) << "," << int(row.lun);
  }
  EXPECT_EQ(map.AddressOf(3), (aspi::ScsiAddress{1, 0, 0}));
  EXPECT_FALSE(map.AddressOf(4).IsSet());

  const std::vector<std::string> expected = {
      "sg4 (9:1:0:0) has no address: it is on channel 1 and only channel 0 is mapped.",
      "sg5 (3:0:300:0) has no address: its target id 300 is above 255.",
      "sg6 (5:0:4:256) has no address: its LUN 256 is above 255.",
  };
  EXPECT_EQ(map.Unmapped(), expected);
}

TEST(SgAddressMap, NoNodesNoAdapters) {
  sg::AddressMap map(std::vector<sg::NodeInfo>{});
  EXPECT_EQ(map.AdapterCount(), 0u);
  EXPECT_EQ(map.Find(0, 0, 0), std::nullopt);
}

TEST(SgTopology, KernelAddressesAreFourNumbers) {
  struct Row {
    const char* text;
    bool valid;
  };
  const Row rows[] = {{"2:0:1:0", true}, {"10:3:255:1024", true}, {"2:0:1", false}, {"2:0:1:0:5", false},
                      {"a:0:1:0", false}, {"2::1:0", false},       {"", false}};
  for (const Row& row : rows) {
    sg::NodeInfo node;
    EXPECT_EQ(sg::ParseKernelAddress(row.text, node), row.valid) << row.text;
  }
  sg::NodeInfo node;
  ASSERT_TRUE(sg::ParseKernelAddress("10:3:255:1024", node));
  EXPECT_EQ(node.host, 10u);
  EXPECT_EQ(node.channel, 3u);
  EXPECT_EQ(node.target, 255u);
  EXPECT_EQ(node.lun, 1024u);
}

TEST(SgTopology, ReadsNodesSortedByAddressWithTheirIdentity) {
  FakeSysfs sysfs;
  sysfs.AddNode(3, "4:0:1:0", 0, "HD-2100 DISK");
  sysfs.AddNode(0, "1:0:0:0", 5, "DVD-ROM DR-160");
  sysfs.AddNode(1, "1:0:0:1", 5, "CHANGER");
  sysfs.AddHost(4, "ahci");
  // A node whose unit link is gone.
  std::filesystem::create_directories(sysfs.Root() + "/class/scsi_generic/sg7");

  std::vector<std::string> problems;
  const auto nodes = sg::ReadTopology(sysfs.Root(), &problems);
  ASSERT_EQ(nodes.size(), 3u);
  EXPECT_EQ(nodes[0].Describe(), "sg0 (1:0:0:0, FAKE DVD-ROM DR-160)");
  EXPECT_EQ(nodes[0].type, 5);
  EXPECT_EQ(nodes[1].name, "sg1");
  EXPECT_EQ(nodes[2].name, "sg3");
  EXPECT_EQ(nodes[2].host, 4u);
  EXPECT_EQ(nodes[2].target, 1u);
  EXPECT_EQ(problems, std::vector<std::string>{"sg7: no SCSI address in sysfs"});
  EXPECT_EQ(sg::HostDriverName(sysfs.Root(), 4), "ahci");
  EXPECT_EQ(sg::HostDriverName(sysfs.Root(), 1), "");
  EXPECT_TRUE(sg::ReadTopology(sysfs.Root() + "/nothing", nullptr).empty());
}
