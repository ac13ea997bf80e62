// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/gui/GuiTestSupport.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

namespace guitest {

void RunUntil(const std::function<bool()>& done, const std::function<void()>& act) {
  // A test that waits longer than this has hung: it fails instead of
  // blocking the run.
  constexpr qint64 kLimitMs = 60000;
  QElapsedTimer clock;
  clock.start();
  QEventLoop loop;
  QTimer poll;
  bool timedOut = false;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (act) act();
    if (done()) {
      loop.quit();
    } else if (clock.elapsed() > kLimitMs) {
      timedOut = true;
      loop.quit();
    }
  });
  if (done()) return;
  poll.start(2);
  loop.exec();
  EXPECT_FALSE(timedOut) << "the windows did not reach the awaited state";
}

}  // namespace guitest
