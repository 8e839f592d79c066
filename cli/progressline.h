// The one-line progress display of qar-cli on a terminal.
#pragma once

#include <string>

#include "cli/batchencoder.h"

namespace qar {

// "mm:ss", or "h:mm:ss" from an hour on; "--:--" for a negative (unknown) time.
std::string FormatClock(double seconds);

// The status line: files done of total, percent, elapsed, time left, the files being encoded;
// cut to width columns (the running names go first when there is no room).
std::string FormatProgressLine(const BatchProgress& p, double elapsedSeconds, int width);

}  // namespace qar
