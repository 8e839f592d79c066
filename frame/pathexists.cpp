#include "frame/pathexists.h"

#include <sys/stat.h>

#include "view/pathrules.h"

namespace qar {

bool PathExists(const std::string& path) {
    if (path.empty())
        return false;
    // Wildcards never name one thing; a NUL would cut the text short of what was typed.
    if (path.find_first_of(std::string("?*\0", 3)) != std::string::npos)
        return false;
    if (path.back() == kSeparator)
        return path.size() == 1;
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

}  // namespace qar
