// The logic of the "Writer Property" dialog: which device it is, how many
// bytes its disc can still take, and the erase of a rewritable disc (BLANK,
// then polling until the drive is ready again, for at most one hour). The
// window shows these texts and calls EraseDisc from its Erase button; the
// headless front end calls the same functions.
#pragma once

#include <cstdint>
#include <string>

class SCSIDEV;

// "%s bytes free." with the free size in grouped decimal.
std::string FreeSizeLine(uint64_t freeBytes);
// The maker's later-generation writer shows neither the free size nor Erase.
bool ShowsFreeSizeAndErase(const SCSIDEV& device);

enum class EraseResult { Declined, Done, Failed };
// Full: BLANK of the whole disc (what the maker's writers always do);
// Quick: minimal BLANK (the disc reads as blank, its old data stays where
// nothing overwrites it), offered for other makers' writers.
enum class EraseKind { Full, Quick };

// Whether the writer offers the quick erase (another maker's writer).
bool OffersQuickErase(const SCSIDEV& device);

// Asks "Do you wish to erase all data of the disc?" and erases on OK, with the
// busy cursor, the log line, the error report and the closing box. Another
// maker's writer is first checked for a DVD-RW (a clear box otherwise,
// before the question); the drive is held for this program alone while it
// erases.
EraseResult EraseDisc(SCSIDEV& device, EraseKind kind = EraseKind::Full);

// The disc line of another maker's writer ("Disc: DVD-R, blank, ... bytes
// free"), read now; empty for the maker's writers.
std::string DiscLine(SCSIDEV& device);
