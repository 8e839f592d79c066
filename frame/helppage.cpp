#include "frame/helppage.h"

#include <filesystem>
#include <system_error>

namespace qar {

namespace {

constexpr const char* kHelpBesideProgram = "help";
constexpr const char* kHelpPageName = "index.htm";

bool IsFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

}  // namespace

std::string FindHelpPage(const std::string& programFolder, const std::string& installRelative) {
    namespace fs = std::filesystem;
    const std::string beside =
        (fs::path(programFolder) / kHelpBesideProgram / kHelpPageName).string();
    if (IsFile(beside))
        return beside;
    // "/usr/bin/../share/qar/help" reads better in a browser's address bar as /usr/share/...
    const std::string installed =
        (fs::path(programFolder) / installRelative / kHelpPageName).lexically_normal().string();
    if (IsFile(installed))
        return installed;
    return std::string();
}

}  // namespace qar
