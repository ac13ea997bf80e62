// SPDX-License-Identifier: GPL-3.0-or-later
// The person seam on the windows: how a box of the core looks in Qt, and a
// box asked from a worker thread shown on the GUI thread while only the
// worker waits.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QPushButton>
#include <QMessageBox>
#include <atomic>
#include <thread>

#include "app/StartActions.h"
#include "gui/GuiThread.h"
#include "gui/QtUi.h"
#include "host/os/Thread.h"
#include "tests/gui/GuiTestSupport.h"

TEST(QtUi, BoxesHaveTheButtonsIconAndDefaultsTheFlagsAskFor) {
  struct Case {
    unsigned flags;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon;
    QMessageBox::StandardButton byDefault;
    QMessageBox::StandardButton escape;
  };
  const Case cases[] = {
      {0x10, QMessageBox::Ok, QMessageBox::Critical, QMessageBox::Ok, QMessageBox::Ok},
      {0x24, QMessageBox::Yes | QMessageBox::No, QMessageBox::Question, QMessageBox::Yes, QMessageBox::No},
      {0x124, QMessageBox::Yes | QMessageBox::No, QMessageBox::Question, QMessageBox::No, QMessageBox::No},
      {0x31, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Warning, QMessageBox::Ok, QMessageBox::Cancel},
      {0x40, QMessageBox::Ok, QMessageBox::Information, QMessageBox::Ok, QMessageBox::Ok},
  };
  for (const Case& c : cases) {
    QMessageBox box;
    gui::SetUpBox(box, "First line.\r\nSecond line?", "Marrowlight", c.flags);
    EXPECT_EQ(box.standardButtons(), c.buttons) << c.flags;
    EXPECT_EQ(box.icon(), c.icon) << c.flags;
    EXPECT_EQ(box.standardButton(box.defaultButton()), c.byDefault) << c.flags;
    EXPECT_EQ(box.standardButton(box.escapeButton()), c.escape) << c.flags;
    EXPECT_EQ(box.text(), "First line.\nSecond line?");
    EXPECT_EQ(box.windowTitle(), "Marrowlight");
  }
  // A short text does not make the box narrower than its title needs.
  QMessageBox quit;
  gui::SetUpBox(quit, "Quit?", "Marrowlight", 0x24);
  EXPECT_GE(quit.sizeHint().width(), gui::TitleWidth("Marrowlight"));
  EXPECT_GT(gui::TitleWidth("Marrowlight"), gui::TitleWidth("M"));
  EXPECT_EQ(gui::QtFilter("Text files|*.txt|All files|*.*"), "Text files (*.txt);;All files (*)");
  EXPECT_EQ(gui::QtFilter(kImageFilter), "Disc images (*.iso *.img *.udf);;All files (*)");
  EXPECT_EQ(gui::QtFilter("Update files|*.bin;*.sys"), "Update files (*.bin *.sys)");
}

TEST(QtUi, AWorkersBoxIsShownOnTheGuiThreadAndItsAnswerReturnsToTheWorker) {
  gui::QtUi qt;
  ui::ScopedBackend using_qt(qt);
  std::atomic<int> answer{0};
  std::atomic<bool> done{false};
  std::thread::id shownOn;
  std::thread worker([&] {
    answer = ui::MessageBox("Do you wish to clear the log?", "Marrowlight", ui::kYesNo | ui::kIconQuestion);
    // Synchronize reaches the GUI thread as well.
    host::Thread::Synchronize([&] { shownOn = std::this_thread::get_id(); });
    done = true;
  });
  int boxes = 0;
  guitest::RunUntil([&] { return done.load(); },
                    [&] {
                      if (auto* box = guitest::FindTopLevel<QMessageBox>("MessageBox")) {
                        ++boxes;
                        EXPECT_EQ(box->text(), "Do you wish to clear the log?");
                        box->button(QMessageBox::Yes)->click();
                      }
                    });
  worker.join();
  EXPECT_EQ(answer.load(), ui::kIdYes);
  EXPECT_EQ(boxes, 1);
  EXPECT_EQ(shownOn, std::this_thread::get_id());
}
