// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "volume/VolSizeChoice.h"

using Choice = VolSizeChoice::Choice;

TEST(VolSizeChoice, DeviceSourceWithIsoOnlyChecksIsoAndShowsTheCapacity) {
  VolSizeChoice sizes;
  sizes.SetVolumeSizes(0, false, false, 4700372992ull, 0, 104857600);
  EXPECT_EQ(sizes.Checked(), Choice::Iso);
  EXPECT_TRUE(sizes.Iso().enabled);
  EXPECT_FALSE(sizes.Udf().enabled);
  EXPECT_EQ(sizes.Iso().caption, "ISO9660 volume size (104,857,600 bytes.)");
  EXPECT_EQ(sizes.Udf().caption, "UDF volume size (0 bytes.)");
  EXPECT_EQ(sizes.Media().caption, "Whole data size in the source device 4,700,372,992 bytes.)");
  EXPECT_FALSE(sizes.ManualInputEnabled());
  EXPECT_EQ(sizes.GetVolumeSize(), 104857600u);
}

TEST(VolSizeChoice, FileAndMidSourcesCheckTheMediaSize) {
  VolSizeChoice sizes;
  sizes.SetVolumeSizes(0, true, false, 110000000, 0, 104857600);
  EXPECT_EQ(sizes.Media().caption, "File size (110,000,000 bytes.)");
  EXPECT_EQ(sizes.GetVolumeSize(), 110000000u);

  sizes.SetVolumeSizes(0, false, true, 4700000000ull, 4096528384ull, 4096000000ull);
  EXPECT_EQ(sizes.Media().caption, "MID volume size (4,700,000,000 bytes.)");
  EXPECT_EQ(sizes.GetVolumeSize(), 4700000000u);
}

TEST(VolSizeChoice, LargerOfIsoAndUdfWinsIsoOnATieAndPreselectionOverrides) {
  VolSizeChoice sizes;
  sizes.SetVolumeSizes(0, false, false, 1, 4096528384ull, 4096000000ull);
  EXPECT_EQ(sizes.Checked(), Choice::Udf);
  sizes.SetVolumeSizes(0, false, false, 1, 4096000000ull, 4096000000ull);
  EXPECT_EQ(sizes.Checked(), Choice::Iso);

  sizes.SetVolumeSizes(0, false, false, 777, 0, 0);
  EXPECT_FALSE(sizes.Iso().enabled);
  EXPECT_FALSE(sizes.Udf().enabled);
  EXPECT_EQ(sizes.GetVolumeSize(), 777u);

  sizes.SetVolumeSizes(VolSizeChoice::kForceMedia, false, false, 5, 9000, 8000);
  EXPECT_EQ(sizes.GetVolumeSize(), 5u);
  sizes.SetVolumeSizes(VolSizeChoice::kForceUdf, true, false, 5, 9000, 8000);
  EXPECT_EQ(sizes.GetVolumeSize(), 9000u);
}

TEST(VolSizeChoice, ManualTextsDiscSizeAndCancel) {
  VolSizeChoice sizes;
  sizes.SetVolumeSizes(0, true, false, 3000, 0, 2000);
  EXPECT_EQ(sizes.GetVolumeSize(), 3000u);

  sizes.SetDiscSize(4700372992ull);
  EXPECT_EQ(sizes.Checked(), Choice::Manual);
  EXPECT_TRUE(sizes.ManualInputEnabled());
  EXPECT_FALSE(sizes.Iso().enabled);
  EXPECT_EQ(sizes.Iso().caption, "ISO9660 volume size (0 bytes.)");
  EXPECT_EQ(sizes.Media().caption, "The disc size in the DVD-R drive (4,700,372,992 bytes.)");

  for (const char* text : {"1048576", "100000H", "100000h"}) {
    sizes.SetManualText(text);
    EXPECT_TRUE(sizes.ManualTextRefusal().empty()) << text;
    EXPECT_EQ(sizes.Accept(), 1048576u) << text;
  }
  // A text that is no size is refused and keeps the size chosen before.
  for (const char* text : {"12X", "1,048,576", "77000000000000001064960", "-1"}) {
    sizes.SetManualText(text);
    EXPECT_NE(sizes.ManualTextRefusal().find("is not a number of bytes"), std::string::npos) << text;
    EXPECT_EQ(sizes.Accept(), 1048576u) << text;
  }

  sizes.SetManualText("2048");
  EXPECT_EQ(sizes.Accept(), 2048u);
  sizes.Check(Choice::Media);
  EXPECT_FALSE(sizes.ManualInputEnabled());
  sizes.Cancel();
  EXPECT_EQ(sizes.ChosenSize(), 2048u) << "Cancel brings back the last accepted size";
  EXPECT_EQ(sizes.GetVolumeSize(), 4700372992u);
}
