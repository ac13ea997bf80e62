// SPDX-License-Identifier: GPL-3.0-or-later
// Exit statuses of marrowlight-cli; scripts rely on them.
#pragma once

enum ExitStatus : int {
  kExitDone = 0,         // "Operation done."
  kExitFailed = 1,       // "Operation failed."
  kExitUsage = 2,        // the command line was wrong
  kExitCanceled = 3,     // "Operation canceled."
  kExitDifferences = 4,  // a verify found differences
  kExitUnreadable = 4,   // a read scan found unreadable sectors
};
