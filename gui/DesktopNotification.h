// SPDX-License-Identifier: GPL-3.0-or-later
// A desktop notification through the freedesktop notification service
// (org.freedesktop.Notifications on the session bus), for an operation that
// ends while the person looks elsewhere. Without a session bus, or without a
// service that owns the name, nothing is shown and nothing fails.
#pragma once

#include <string>

namespace gui {

// Hands the notification to the service without waiting for it; false when
// there is no session bus or no notification service on it.
bool NotifyDesktop(const std::string& title, const std::string& body);

}  // namespace gui
