// The update of a QXW-7100 from a SYS/MEC file. Both parts go to the drive
// in chunks of 16,384 bytes with WRITE BUFFER (mode 5; SYS to buffer 0, MEC
// to buffer 1), each chunk read back with READ BUFFER (mode 2; SYS from
// buffer FEh at offset + 20000h, MEC from FFh at offset + 40000h) and
// compared, then each part is committed (F8h "QXW-7100 SYS", F9h "QXW-7100
// MEC") and the person power-cycles the drive. A drive at revision "0.00"
// takes SYS first and is power-cycled after each part; any other takes MEC,
// then SYS, and one power cycle.
//
// Everything doubtful stops the update before the part's commit: a failed
// data command, a chunk that reads back different ("Verify error."), a file
// that ends early. The file is checked (markers, part positions and sizes)
// before the confirmation is asked.
#pragma once

#include <string>

class UpdateSession;

// True when both parts were committed and the power cycles prompted.
bool UpdateSysMec(UpdateSession& session, const std::string& fileName);
