// The existence test behind the folder edits. It keeps the rules the folder handling relies
// on instead of trusting stat() alone: a text ending in a separator counts only when it is
// the root, so the folder text a file drop leaves ("/music/") does not rescan the list.
#pragma once

#include <string>

namespace qar {

// True when path names an existing file or folder: never for "" or a text with "?" or "*";
// a text ending in "/" only when it is "/" itself; otherwise when stat() finds it.
bool PathExists(const std::string& path);

}  // namespace qar
