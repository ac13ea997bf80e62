// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "tests/fixtures/TempDir.h"
#include "base/CFILE.h"

namespace {

bool OpenSource(CFILE& file, const std::string& path) {
  return file.Open(path, GENERIC_READ, 0, OPEN_EXISTING, 0);
}
bool CreateDestination(CFILE& file, const std::string& path) {
  return file.Open(path, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, 0);
}

}  // namespace

TEST(FileShare, DestinationThatIsTheSourceUnderAnotherNameFailsAndTruncatesNothing) {
  TempDir dir;
  const std::string content(70000, 'S');
  std::string source = dir.Write("a.iso", content);
  ASSERT_EQ(::link(source.c_str(), dir.File("hard.iso").c_str()), 0);
  std::filesystem::create_directory(dir.File("sub"));

  CFILE reader;
  ASSERT_TRUE(OpenSource(reader, source));
  for (const std::string& other :
       {source, dir.Path() + "/./a.iso", dir.Path() + "/sub/../a.iso", dir.File("hard.iso")}) {
    CFILE writer;
    EXPECT_FALSE(CreateDestination(writer, other)) << other;
    EXPECT_EQ(writer.Error(), CFILE::kOpenError);
    EXPECT_EQ(writer.ErrorText(false), "Open error: " + other + " (in use by this or another program)");
    EXPECT_EQ(TempDir::Read(source), content) << "truncated through " << other;
  }
  // Another reader that shares nothing conflicts as well; one that shares
  // reading does too, because the open reader shares nothing.
  CFILE second;
  EXPECT_FALSE(OpenSource(second, dir.File("hard.iso")));
  EXPECT_FALSE(CFILE::FileExists(source));
  reader.Close();
  EXPECT_TRUE(CFILE::FileExists(source));
}

TEST(FileShare, ReadersThatShareReadingStandSideBySide) {
  TempDir dir;
  std::string path = dir.Write("fw.bin", "firmware");
  CFILE a, b;
  ASSERT_TRUE(a.Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(b.Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
  CFILE writer;
  EXPECT_FALSE(CreateDestination(writer, path));
  EXPECT_EQ(TempDir::Read(path), "firmware");
}

TEST(FileShare, AnOpenLogFileCannotBeProbedOrOverwritten) {
  TempDir dir;
  std::string path = dir.File("MarrowlightLog.txt");
  CFILE log;
  ASSERT_TRUE(log.Open(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL));
  ASSERT_TRUE(log.WriteText("kept"));
  EXPECT_FALSE(CFILE::FileExists(path));
  CFILE save;
  EXPECT_FALSE(save.Open(path, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(TempDir::Read(path), "kept");
  log.Close();
  EXPECT_TRUE(save.Open(path, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(TempDir::Read(path), "") << "create-always empties a file nobody holds";
}
