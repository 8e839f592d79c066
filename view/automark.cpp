#include "view/automark.h"

#include <sys/stat.h>

#include "view/formatcheck.h"

namespace qar {

int AutoMarkFor(const std::string& relativeName, int currentMark, PathContext& context) {
    if (relativeName.empty())
        return currentMark;
    const std::string wavPath = GetWavPath(context, relativeName);
    if (CheckWavFile(wavPath) != WavCheck::Ok)
        return currentMark;
    const std::string mp3Path = GetMp3Path(context, relativeName);

    struct stat mp3 {};
    if (stat(mp3Path.c_str(), &mp3) != 0)
        return kMarkMarked;
    struct stat wav {};
    if (stat(wavPath.c_str(), &wav) != 0)
        return kMarkUnmarked;
    // Whole seconds: an MP3 written within the same second as its WAV counts as stale, so
    // it is encoded again rather than wrongly trusted.
    return wav.st_mtime >= mp3.st_mtime ? kMarkMarked : kMarkUnmarked;
}

void ApplyAutoMarks(std::vector<FileRow>& rows, PathContext& context) {
    for (FileRow& row : rows)
        row.mark = AutoMarkFor(row.name, row.mark, context);
}

}  // namespace qar
