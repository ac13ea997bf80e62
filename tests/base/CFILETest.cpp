// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <tuple>
#include <vector>

#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/fixtures/TempDir.h"
#include "base/CFILE.h"

namespace {

bool OpenRead(CFILE& file, const std::string& path) {
  return file.Open(path, GENERIC_READ, 0, OPEN_EXISTING, 0);
}

std::vector<std::string> AllLines(const std::string& path) {
  CFILE file;
  EXPECT_TRUE(OpenRead(file, path));
  std::vector<std::string> lines;
  std::string line = "stale";
  while (file.ReadLine(line)) lines.push_back(line);
  return lines;
}

}  // namespace

TEST(CFILE, FailedOpenSetsCodeOneAndNamesTheFile) {
  CapturedLog log;
  TempDir dir;
  CFILE file;
  std::string missing = dir.File("missing.iso");
  EXPECT_FALSE(OpenRead(file, missing));
  EXPECT_EQ(file.Error(), CFILE::kOpenError);
  // The system's reason follows the name.
  EXPECT_EQ(file.ErrorText(false), "Open error: " + missing + " (No such file or directory)");
  EXPECT_EQ(log.Trace(), "Open error: " + missing + " (No such file or directory)\r\n");

  EXPECT_FALSE(OpenRead(file, ""));
  EXPECT_EQ(file.ErrorText(false), "Open error: File name is not specified.");

  ScriptedUiGuard ui;
  ui.Expect("Open error: " + missing + " (No such file or directory)", "Error", 0x10, 1);
  OpenRead(file, missing);
  file.ErrorText(true);

  EXPECT_FALSE(OpenRead(file, dir.Path())) << "a folder is not a file";
  EXPECT_EQ(file.ErrorText(false), "Open error: " + dir.Path() + " (Is a directory)");

  // No error: the bare name, nothing shown.
  std::string present = dir.Write("present", "x");
  ASSERT_TRUE(OpenRead(file, present));
  EXPECT_EQ(file.ErrorText(true), present);
}

TEST(CFILE, ReadAtTheEndGivesTheRestAndMovesThePosition) {
  TempDir dir;
  std::string path = dir.Write("image", std::string(100000, 'x'));
  CFILE file;
  ASSERT_TRUE(OpenRead(file, path));
  std::string size;
  EXPECT_EQ(file.GetSize(&size), 100000u);
  EXPECT_EQ(size, "100,000");
  ASSERT_TRUE(file.Seek(90000));
  std::vector<char> buffer(65536);
  uint32_t got = 0;
  EXPECT_TRUE(file.Read(buffer.data(), 65536, &got));
  EXPECT_EQ(got, 10000u);
  EXPECT_EQ(file.Position(), 100000u);
  EXPECT_TRUE(file.Read(buffer.data(), 65536, &got));
  EXPECT_EQ(got, 0u);

  file.Close();
  file.Close();
  EXPECT_EQ(file.GetSize(&size), 0u);
  EXPECT_EQ(size, "0");
  EXPECT_FALSE(file.Read(buffer.data(), 16, &got));
  EXPECT_EQ(file.Error(), CFILE::kReadError);
  EXPECT_FALSE(file.Write(buffer.data(), 16));
  EXPECT_EQ(file.Error(), CFILE::kWriteError);
}

TEST(CFILE, SizesAndPositionsBeyondFourGigabytes) {
  TempDir dir;
  std::string path = dir.File("big.iso");
  CFILE file;
  ASSERT_TRUE(file.Open(path, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, 0));
  // Sparse: the disk keeps only the written pages.
  ASSERT_TRUE(file.Seek(4700372992ull - 4));
  ASSERT_TRUE(file.Write("TAIL", 4));
  EXPECT_EQ(file.Position(), 4700372992ull);
  std::string text;
  EXPECT_EQ(file.GetSize(&text), 4700372992ull);
  EXPECT_EQ(text, "4,700,372,992");

  ASSERT_TRUE(file.Seek(5000000000ull));
  ASSERT_TRUE(file.Write("FAR", 3));
  ASSERT_TRUE(file.Seek(5000000000ull));
  EXPECT_EQ(file.Position(), 5000000000ull);
  char back[3] = {};
  uint32_t got = 0;
  ASSERT_TRUE(file.Read(back, 3, &got));
  EXPECT_EQ(std::string(back, 3), "FAR");
  ASSERT_TRUE(file.Seek(4700372992ull - 4));
  ASSERT_TRUE(file.Read(back, 3, &got));
  EXPECT_EQ(std::string(back, 3), "TAI");

  EXPECT_FALSE(file.Seek(1ull << 63)) << "positions stay below 2^63";
  EXPECT_EQ(file.Error(), CFILE::kSeekError);
  EXPECT_EQ(file.Position(), 4700372992ull - 1) << "a failed seek keeps the position";
}

TEST(CFILE, ReadLineTerminatorRules) {
  TempDir dir;
  EXPECT_EQ(AllLines(dir.Write("crlf", "AB\r\nCD\r\n")), (std::vector<std::string>{"AB", "CD"}));
  // A lone LF followed later by a CR skips everything up to that CR.
  EXPECT_EQ(AllLines(dir.Write("skip", "AB\nCD\rEF\n")), (std::vector<std::string>{"AB", "EF"}));
  EXPECT_EQ(AllLines(dir.Write("lfcr", "AB\n\rCD\n")), (std::vector<std::string>{"AB", "CD"}));
  EXPECT_EQ(AllLines(dir.Write("lone", "A\rB\r")), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(AllLines(dir.Write("empty-lines", "\r\n\r\nX\r\n")), (std::vector<std::string>{"", "", "X"}));
  // A last line without a terminator is not delivered.
  EXPECT_EQ(AllLines(dir.Write("tail", "AB\r\nCD")), (std::vector<std::string>{"AB"}));
  // A NUL ends the delivered text but not the line.
  EXPECT_EQ(AllLines(dir.Write("nul", std::string("A\0B\r\nC\r\n", 7))), (std::vector<std::string>{"A", "C"}));

  CFILE file;
  ASSERT_TRUE(OpenRead(file, dir.Write("xyz", "XYZ")));
  std::string line = "stale";
  EXPECT_FALSE(file.ReadLine(line));
  EXPECT_EQ(line, "");

  // Lines of 4096 bytes or more are not delivered; 4095 bytes are.
  EXPECT_EQ(AllLines(dir.Write("4095", std::string(4095, 'a') + "\n")).size(), 1u);
  EXPECT_TRUE(AllLines(dir.Write("4096", std::string(4096, 'a') + "\n")).empty());
}

TEST(CFILE, WriteTextMovesOnlyThePosition) {
  TempDir dir;
  CFILE file;
  ASSERT_TRUE(file.Open(dir.File("log"), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(file.WriteText("line"));
  EXPECT_TRUE(file.WriteText(std::string("\r\n")));
  EXPECT_EQ(file.Position(), 6u);
  EXPECT_EQ(file.Error(), CFILE::kNoError);
  file.Close();
  EXPECT_FALSE(file.WriteText("lost"));
  EXPECT_EQ(file.Error(), CFILE::kNoError) << "WriteText leaves the error code alone";
  EXPECT_EQ(TempDir::Read(dir.File("log")), "line\r\n");
}

TEST(DiskSpace, AsksTheFileSystemThatHoldsThePath) {
  TempDir dir;
  uint64_t total = DiskTotalBytes(dir.Path());
  uint64_t free = DiskFreeBytes(dir.File("not/yet/there.iso"));
  EXPECT_GT(total, 0u);
  EXPECT_GT(free, 0u);
  EXPECT_LE(free, total);
  CFILE file;
  ASSERT_TRUE(file.Open(dir.File("x"), GENERIC_WRITE, 0, CREATE_ALWAYS, 0));
  EXPECT_GT(file.GetDiskFree(), 0u);

  ScriptedUiGuard ui;
  ui.Expect("GetFullPathName() failed.", "Internal Error", 0x10, 1);
  EXPECT_EQ(DiskFreeBytes(""), 0u);
}

TEST(CFILE, OnlyRegularFilesAreOpened) {
  CapturedLog log;
  TempDir dir;
  std::string fifo = dir.File("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // Held open both ways, so that an open of the FIFO would not block here:
  // the program must refuse it, not wait on it.
  int holder = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(holder, 0);
  for (auto [access, share, disposition] : {std::tuple{GENERIC_READ, 0u, OPEN_EXISTING},
                                            std::tuple{GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING},
                                            std::tuple{GENERIC_READ | GENERIC_WRITE, 0u, CREATE_ALWAYS}}) {
    CFILE file;
    EXPECT_FALSE(file.Open(fifo, access, share, disposition, 0)) << std::hex << access << " " << disposition;
    EXPECT_EQ(file.ErrorText(false), "Open error: " + fifo + " (not a regular file)");
  }
  EXPECT_FALSE(CFILE::FileExists(fifo));
  ::close(holder);
  CFILE device;
  EXPECT_FALSE(device.Open("/dev/zero", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0));
  EXPECT_EQ(device.ErrorText(false), "Open error: /dev/zero (not a regular file)");
}
