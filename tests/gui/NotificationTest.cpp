// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop notification: without a session bus nothing is shown and
// nothing fails; with one (ctest runs this program a second time under
// dbus-run-session) a stand-in for the notification service registered by
// the test receives the title and the text.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include "gui/DesktopNotification.h"
#include "tests/gui/GuiTestSupport.h"

namespace {

class NotificationService : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public slots:
  uint Notify(const QString& appName, uint, const QString& icon, const QString& summary, const QString& body,
              const QStringList&, const QVariantMap&, int) {
    app = appName;
    iconName = icon;
    title = summary;
    text = body;
    return 1;
  }

 public:
  QString app, iconName, title, text;
};

}  // namespace

TEST(DesktopNotification, WithoutASessionBusNothingIsShownAndNothingFails) {
  if (QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "this run has a session bus";
  EXPECT_FALSE(gui::NotifyDesktop("Marrowlight", "Operation done. Elapsed time: 0:42."));
}

TEST(DesktopNotification, WithoutTheServiceNothingIsSent) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) GTEST_SKIP() << "this run has no session bus";
  EXPECT_FALSE(gui::NotifyDesktop("Marrowlight", "nobody listens"));
}

TEST(DesktopNotification, TheServiceReceivesTheTitleAndTheText) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) GTEST_SKIP() << "this run has no session bus";
  NotificationService service;
  ASSERT_TRUE(bus.registerObject("/org/freedesktop/Notifications", &service, QDBusConnection::ExportAllSlots));
  ASSERT_TRUE(bus.registerService("org.freedesktop.Notifications"));
  ASSERT_TRUE(gui::NotifyDesktop("Marrowlight", "Operation done. Elapsed time: 0:42."));
  guitest::RunUntil([&] { return !service.title.isEmpty(); });
  EXPECT_EQ(service.app, "Marrowlight");
  EXPECT_EQ(service.iconName, "marrowlight");
  EXPECT_EQ(service.title, "Marrowlight");
  EXPECT_EQ(service.text, "Operation done. Elapsed time: 0:42.");
  bus.unregisterService("org.freedesktop.Notifications");
  bus.unregisterObject("/org/freedesktop/Notifications");
}

#include "NotificationTest.moc"
