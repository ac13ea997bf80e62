// SPDX-License-Identifier: GPL-3.0-or-later
// What the progress samples of the speed graph cost a pass: the same write
// pass onto a simulated disk with a host that takes no samples and with one
// that samples as the operation thread does (PassMeter at every step) while
// a second thread, standing in for the dialog's timer, takes the latest
// report ten times a second into a PassGraph and lays the graph out. Prints
// the processor time of the process over each pass; asserts nothing.
#pragma once

#include <cstdint>
#include <string>

namespace bench {

// transfer_bench --sampling [MiB, default 512] [folder, default /tmp]
int SamplingCost(uint64_t mib, const std::string& parent);

}  // namespace bench
