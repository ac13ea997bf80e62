// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/DesktopNotification.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace gui {
namespace {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr const char* kInterface = "org.freedesktop.Notifications";
constexpr int kShownMs = 10000;

}  // namespace

bool NotifyDesktop(const std::string& title, const std::string& body) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  QDBusConnectionInterface* names = bus.interface();
  if (names == nullptr || !names->isServiceRegistered(kService).value()) return false;
  QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Notify");
  // app_name, replaces_id, app_icon, summary, body, actions, hints, timeout
  call << QString("Marrowlight") << 0u << QString("marrowlight") << QString::fromStdString(title)
       << QString::fromStdString(body) << QStringList() << QVariantMap() << kShownMs;
  return bus.send(call);
}

}  // namespace gui
