#include "view/pathrules.h"

#include <cstring>

namespace qar {

namespace {

bool EndsWithSeparator(const std::string& folder) {
    return !folder.empty() && folder.back() == kSeparator;
}

bool EqualsIgnoringAsciiCase(const std::string& a, const char* b) {
    const std::size_t n = std::strlen(b);
    if (a.size() != n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != b[i])
            return false;
    }
    return true;
}

}  // namespace

std::string MakeMp3Name(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && EqualsIgnoringAsciiCase(name.substr(dot + 1), "wav"))
        return name.substr(0, dot + 1) + "mp3";
    return name + ".mp3";
}

// The join rule. A plain name gets a separator unless the folder already ends with one (the
// root "/" does). A name with the subfolder marker carries the path below the source folder;
// it normally starts with a separator ("../live/x"), but below the root it does not
// ("..live/x"), because the root already ends with one. Dropping the marker and appending
// the rest as it stands would then run two folder names together whenever the other folder
// does not end with a separator ("/mp3" + "live/x" = "/mp3live/x"), so a separator is
// inserted in that case. The other way round, a folder ending with a separator and a rest
// starting with one would double it, and "//" at the start of a path has a meaning of its own
// on POSIX, so one of the two is dropped. The result always has exactly one separator
// between the folder and the rest.
//
// A file directly in the source folder may itself be called "..take1.wav". Only names that
// hold a separator are read as marker names: a bare file name never holds one, while a
// marker name always does, so such a file is found under its own name and never mistaken
// for "take1.wav".
bool IsSubfolderName(const std::string& relativeName) {
    return relativeName.rfind(kSubfolderMarker, 0) == 0 &&
           relativeName.find(kSeparator) != std::string::npos;
}

std::string JoinFolder(const std::string& folder, const std::string& relativeName) {
    std::string rest = relativeName;
    if (IsSubfolderName(rest))
        rest.erase(0, 2);
    std::string path = folder;
    const bool folderHasSep = EndsWithSeparator(folder);
    const bool restHasSep = !rest.empty() && rest.front() == kSeparator;
    if (folderHasSep && restHasSep)
        rest.erase(0, 1);
    else if (!folderHasSep && !restHasSep)
        path += kSeparator;
    path += rest;
    return path;
}

std::string SubfolderPath(const std::string& folder, const std::string& entry) {
    return EndsWithSeparator(folder) ? folder + entry : folder + kSeparator + entry;
}

std::string RelativeName(const std::string& folder, const std::string& source,
                         const std::string& entry) {
    if (folder == source)
        return entry;
    // folder is source followed by the path below it; below the root there is no leading
    // separator, so the name becomes "..live/take1.wav" (JoinFolder knows how to read it).
    return std::string(kSubfolderMarker) + folder.substr(source.size()) + kSeparator + entry;
}

std::string GetWavPath(const PathContext& context, const std::string& relativeName) {
    return JoinFolder(context.source, relativeName);
}

std::string GetMp3Path(PathContext& context, const std::string& relativeName) {
    if (context.samedir)
        context.output = context.source;
    return JoinFolder(context.output, MakeMp3Name(relativeName));
}

}  // namespace qar
