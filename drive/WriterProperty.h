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

// Interrupted: Ctrl-C or a signal came while the drive erased; the program
// stopped waiting, the drive finishes the erase by itself.
enum class EraseResult { Declined, Done, Failed, Interrupted };

// Asks "Do you wish to erase all data of the disc?" and erases on OK, with the
// busy cursor, the log line, the error report and the closing box.
EraseResult EraseDisc(SCSIDEV& device);
