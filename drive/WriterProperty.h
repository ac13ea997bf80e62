// SPDX-License-Identifier: GPL-3.0-or-later
// The logic of the "Writer Property" dialog: which device it is, how many
// bytes its disc can still take (or that it holds none), loading and
// ejecting the disc, and the erase of a rewritable disc (BLANK, then polling
// until the drive is ready again, for at most one hour, with its progress).
// The window shows these texts and calls EraseDisc from its Erase button;
// the main window's Drive menu and the headless front end call the same
// functions.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

class SCSIDEV;

// "%s bytes free." with the free size in grouped decimal.
std::string FreeSizeLine(uint64_t freeBytes);
// The maker's later-generation writer shows neither the free size nor Erase.
bool ShowsFreeSizeAndErase(const SCSIDEV& device);

// What a writer holds, for the line under the writer list: "Disc: DVD-R,
// blank, 4,707,319,808 bytes free", "Disc: tray open (insert a disc and
// load it)" (devices/DiscState.h).
std::string DiscStateLine(SCSIDEV& writer);
// The free size as the property window shows it: FreeSizeLine, or the no
// disc text (devices/NoDisc.h) when the drive holds none.
std::string FreeSizeOrNoDisc(SCSIDEV& device);

// Interrupted: Ctrl-C or a signal came while the drive erased; the program
// stopped waiting, the drive finishes the erase by itself.
enum class EraseResult { Declined, Done, Failed, Interrupted };
// Full: BLANK of the whole disc (what the maker's writers always do);
// Quick: minimal BLANK (the disc reads as blank, its old data stays where
// nothing overwrites it), offered for other makers' writers.
enum class EraseKind { Full, Quick };

// Whether the writer offers the quick erase (another maker's writer).
bool OffersQuickErase(const SCSIDEV& device);

// How far an erase has come, after each poll of the drive.
struct EraseProgress {
  uint32_t elapsedMs = 0;  // since the BLANK, at the program's time scale of 1
  int percent = -1;        // the drive's progress indication (0-100); -1 when it gives none
};
using EraseProgressFn = std::function<void(const EraseProgress&)>;
// "Erasing ... 35% (0:40 elapsed)", or "Erasing ... 0:40 elapsed" when the
// drive says nothing of its progress.
std::string EraseProgressText(const EraseProgress& progress);

// Asks "Do you wish to erase all data of the disc?" and erases on OK, with the
// busy cursor, the log line, the error report and the closing box; progress
// (when given) hears of each poll. Another maker's writer is first checked
// for a DVD-RW (a clear box otherwise, before the question); the drive is
// held for this program alone while it erases. Without a disc the no disc
// text is the only box.
EraseResult EraseDisc(SCSIDEV& device, EraseKind kind = EraseKind::Full, const EraseProgressFn& progress = {});

// The disc line of another maker's writer (DiscStateLine), for
// marrowlight-cli info; empty for the maker's writers, whose info gives the
// free size.
std::string DiscLine(SCSIDEV& device);

// The Drive menu and the property window: loads the writer's disc (closes
// the tray), or gives it out (allows its removal and ejects it). False, with
// an error box, when the drive refuses.
bool LoadDisc(SCSIDEV& writer);
bool EjectDisc(SCSIDEV& writer);
