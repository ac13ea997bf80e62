// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "base/SystemInfo.h"

TEST(SystemInfo, HeaderLinesComeInTheirOrder) {
  host::UtcTime when{2026, 3, 4, 5, 6, 7};
  host::OsVersion os = host::OsVersionFromUname("6.1.0-18-amd64", "#1 SMP Debian 6.1.76-1");
  EXPECT_EQ(FormatSystemInfo(when, os),
            "Marrowlight Ver2.00\r\n"
            "Jul. 30. 1999\r\n"
            "\r\n"
            "UniversalTime: 2026/03/04 05:06:07\r\n"
            "\r\n"
            "Unknown OS\r\n"
            "major: 6\r\n"
            "minor: 1\r\n"
            "build: 0\r\n"
            "PlatformID: 3\r\n"
            "CSD: #1 SMP Debian 6.1.76-1\r\n"
            "\r\n");
}

TEST(SystemInfo, PlatformIdPicksTheSystemFamily) {
  host::UtcTime when{1999, 7, 30, 0, 0, 0};
  host::OsVersion nt{4, 0, 1381, 2, "Service Pack 6"};
  std::string text = FormatSystemInfo(when, nt);
  size_t sixth = 0;
  for (int line = 0; line < 5; ++line) sixth = text.find("\r\n", sixth) + 2;
  EXPECT_EQ(text.substr(sixth, 12), "Windows NT\r\n");
  EXPECT_NE(FormatSystemInfo(when, {4, 10, 67766446, 1, ""}).find("Windows 95/98\r\nmajor: 4\r\nminor: 10\r\nbuild: 67766446\r\n"),
            std::string::npos);
}

TEST(SystemInfo, KernelReleasesOfEveryShape) {
  auto os = host::OsVersionFromUname("5.15", "v");
  EXPECT_EQ(os.major, 5u);
  EXPECT_EQ(os.minor, 15u);
  EXPECT_EQ(os.build, 0u);
  os = host::OsVersionFromUname("6.18.44+deb13-amd64", "v");
  EXPECT_EQ(os.build, 44u);
  os = host::OsVersionFromUname("", "");
  EXPECT_EQ(os.major, 0u);
  EXPECT_EQ(os.platformId, host::kLinuxPlatformId);
  os = host::OsVersionFromUname("99999999999.1", "");
  EXPECT_EQ(os.major, 0xFFFFFFFFu);
}
