// Writing a whole file or nothing: the data file and the results file both go through here, so
// that a full disk, a missing folder or a read-only target never leaves a truncated file where a
// good one stood.
#pragma once

#include "model/notifier.h"

#include <string>
#include <string_view>

namespace spi {

// Makes bytes the whole content of path. A regular file (or a new one) is written to a temporary
// file in the same folder, synced and renamed over the target, so the old content survives any
// failure; a link is followed and the file it points to is replaced, keeping its permissions.
// A target that exists and is not a regular file (a device, a pipe) is written in place, every
// write checked. A folder is refused. On failure the notifier receives one error naming the file
// and the reason, no temporary file is left behind, and the result is false.
bool WriteWholeFile(const std::string &path, std::string_view bytes, Notifier &notifier);

// The user's words for an errno value: why a file could not be opened, read or written.
std::string FileErrorReason(int errnum);

} // namespace spi
