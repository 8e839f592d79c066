// qar-cli: the window's job on the command line. List a folder, pick the files whose MP3 is
// missing or older (or all), encode them several at a time, write playlists.
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "cli/batchencoder.h"
#include "cli/clioptions.h"
#include "cli/progressline.h"
#include "settings/optionsettings.h"
#include "settings/qsettingsstore.h"
#include "settings/settingskeys.h"
#include "view/automark.h"
#include "view/folderscan.h"
#include "view/formatcheck.h"
#include "view/pathrules.h"
#include "view/playlist.h"
#include "view/programfolder.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;
constexpr int kRefreshMs = 200;
const int kBatchDoneSignal = SIGUSR1;

void Error(const std::string& text) {
    std::fprintf(stderr, "qar-cli: %s\n", text.c_str());
}

std::string RealPath(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    if (!real)
        return std::string();
    std::string result(real);
    std::free(real);
    return result;
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int TerminalWidth() {
    winsize ws{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0)
        return ws.ws_col;
    return 80;
}

// The options of this run: stored ones, overridden by the command line; --save keeps the
// given ones.
qar::EngineOptions ResolveOptions(const qar::CliOptions& o) {
    qar::QSettingsStore store;
    const qar::ViewSettings stored = qar::LoadViewSettings(store);
    qar::EngineOptions e;
    e.bitrate = o.bitrate.value_or(stored.options.bitrate);
    e.quickmode = o.quickmode.value_or(stored.options.quickmode);
    e.stereo = o.stereo.value_or(stored.options.stereo);
    e.vbr = o.vbr.value_or(stored.options.vbr);
    e.bitcut = o.bitcut.value_or(stored.options.bitcut);
    e.mmx = stored.options.mmx;
    if (o.save) {
        using namespace qar;
        if (o.bitrate)
            store.WriteInt(kSectionOption, kKeyBitrate, *o.bitrate);
        if (o.quickmode)
            store.WriteInt(kSectionOption, kKeyQuickmode, *o.quickmode);
        if (o.stereo)
            store.WriteInt(kSectionOption, kKeyStereo, *o.stereo);
        if (o.vbr)
            store.WriteInt(kSectionOption, kKeyVbr, *o.vbr);
        if (o.bitcut)
            store.WriteInt(kSectionOption, kKeyBitcut, *o.bitcut);
    }
    return e;
}

int Encode(std::vector<qar::BatchJob> jobs, const qar::EngineOptions& options, int threads,
           bool quiet) {
    // Ctrl-C and SIGTERM are taken by this thread alone, in its wait loop; the encoding
    // threads inherit the blocked mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    qar::BatchEncoder batch(std::move(jobs), options, threads);
    // The end of the batch wakes the wait below at once instead of at the next tick.
    sigaddset(&stopSignals, kBatchDoneSignal);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    const pthread_t waiter = pthread_self();
    batch.SetOnFinished([waiter] { pthread_kill(waiter, kBatchDoneSignal); });
    if (!batch.Start()) {
        Error("out of memory");
        return kExitFailed;
    }
    const bool tty = !quiet && isatty(STDOUT_FILENO);
    const auto t0 = std::chrono::steady_clock::now();
    std::vector<bool> reported(batch.Jobs().size(), false);
    bool interrupted = false;
    bool outputLost = false;  // standard output went away (a closed pipe): stop as for Ctrl-C
    auto reportEnded = [&](bool final) {
        const std::vector<qar::JobResult> results = batch.Results();
        for (size_t i = 0; i < results.size(); ++i) {
            if (reported[i])
                continue;
            const qar::JobResult& r = results[i];
            const qar::BatchJob& j = batch.Jobs()[i];
            if (r.state == qar::JobState::Done) {
                if (!quiet && !tty && !outputLost)
                    std::printf("encoded %s -> %s\n", j.wav.c_str(), j.mp3.c_str());
            } else if (r.state == qar::JobState::Failed) {
                if (tty)
                    std::printf("\r\033[K");
                Error("failed: " + j.wav + ": " + r.error);
            } else if (!(final && r.state == qar::JobState::Stopped)) {
                continue;
            }
            reported[i] = true;
        }
        std::fflush(stdout);
    };
    for (;;) {
        const bool finished = batch.WaitFinished(0);
        if (!finished) {
            timespec wait{0, kRefreshMs * 1000000L};
            const int sig = sigtimedwait(&stopSignals, nullptr, &wait);
            if (sig > 0 && sig != kBatchDoneSignal && !interrupted) {
                interrupted = true;
                batch.Stop();
                if (tty)
                    std::printf("\r\033[K");
                Error("stopping: unfinished MP3 files are removed, finished ones kept");
            }
        }
        reportEnded(finished);
        if (!outputLost && std::ferror(stdout)) {
            outputLost = true;
            batch.Stop();
            Error("standard output is closed: stopping; unfinished MP3 files are removed");
        }
        if (tty && !outputLost) {
            const double elapsed =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            std::printf(
                "\r\033[K%s",
                qar::FormatProgressLine(batch.Progress(), elapsed, TerminalWidth() - 1).c_str());
            std::fflush(stdout);
        }
        if (finished)
            break;
    }
    if (tty && !outputLost)
        std::printf("\n");
    const qar::BatchProgress p = batch.Progress();
    if (!quiet && !outputLost) {
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        std::printf("%d of %d files encoded in %s\n", p.done, p.total,
                    qar::FormatClock(elapsed).c_str());
    }
    if (interrupted)
        return kExitInterrupted;
    return p.done == p.total && !outputLost ? kExitOk : kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
    // A reader that goes away (qar-cli ... | head) must not kill the program in the middle
    // of writing MP3 files; a failed write to standard output is noticed instead.
    std::signal(SIGPIPE, SIG_IGN);
    qar::CliOptions o;
    std::string error;
    switch (qar::ParseCliOptions(argc, argv, o, error)) {
        case qar::CliParse::Help:
            std::fputs(qar::CliHelpText(), stdout);
            return kExitOk;
        case qar::CliParse::Error:
            Error(error);
            std::fprintf(stderr, "Try 'qar-cli --help'.\n");
            return kExitUsage;
        case qar::CliParse::Run:
            break;
    }
    if (!IsFolder(o.folder)) {
        Error("not a folder: " + o.folder);
        return kExitUsage;
    }
    // The scan makes the source folder current: settle relative paths first.
    const std::string outDir = qar::AbsolutePath(o.outDir);
    const std::string folder = RealPath(o.folder);
    // The store is read only when it matters: listing stays quick.
    const bool encodes = !(o.list || o.dryRun || o.playlist || o.playlistWithWav);
    qar::EngineOptions options;
    if (encodes || o.save)
        options = ResolveOptions(o);

    qar::ScanResult scan = qar::RefreshRows(qar::AbsolutePath(o.folder), o.subdirs);
    // The scan falls back to the current folder when it cannot enter the one asked for; a
    // batch must not go on to encode whatever happens to be there.
    if (folder.empty() || scan.source != folder) {
        Error("cannot enter folder: " + o.folder);
        return kExitUsage;
    }
    if (scan.tooMany)
        Error(qar::kTooManyWaveFilesText);
    qar::PathContext context{scan.source, outDir.empty() ? scan.source : outDir, outDir.empty()};

    if (o.list) {
        for (const qar::FileRow& row : scan.rows) {
            for (int c = 0; c < qar::kColumnCount; ++c)
                std::printf("%s%c", row.Text(c).c_str(), c + 1 < qar::kColumnCount ? '\t' : '\n');
        }
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? kExitOk : kExitFailed;
    }
    if (o.playlist || o.playlistWithWav) {
        const qar::Playlist list = qar::MakePlaylist(scan.rows, context, o.playlistWithWav);
        const qar::PlaylistFile file = qar::WritePlaylistFile(list.text);
        if (!file.ok) {
            Error("cannot write the playlist: " + file.error);
            return kExitFailed;
        }
        std::printf("%s\n", file.path.c_str());
        if (list.lines == 0) {
            Error(qar::kNoMp3FileText);
            return kExitFailed;
        }
        return kExitOk;
    }

    // Which rows: all, or those the automatic marking picks.
    std::vector<qar::FileRow> rows = scan.rows;
    if (o.all) {
        for (qar::FileRow& r : rows)
            r.mark = qar::kMarkMarked;
    } else {
        qar::ApplyAutoMarks(rows, context);
    }
    int shardIndex = 1, shardCount = 1;
    if (!o.shard.empty())
        qar::ParseShard(o.shard, shardIndex, shardCount);

    std::vector<qar::BatchJob> jobs;
    int skipped = 0;
    int rowIndex = 0;
    for (const qar::FileRow& r : rows) {
        // Shards split the rows, not the chosen jobs: a shard that has already written
        // its MP3 files must not shift what the others take.
        if (rowIndex++ % shardCount != shardIndex - 1)
            continue;
        if (r.name.empty())
            continue;
        const std::string wav = qar::GetWavPath(context, r.name);
        const qar::WavCheck check = qar::CheckWavFile(wav);
        if (check != qar::WavCheck::Ok) {
            // Rows the automatic marking passed over are only mentioned; chosen ones fail.
            const char* why = qar::WavCheckMessage(check);
            const std::string reason = why ? why : "cannot read the WAV header";
            if (r.mark == qar::kMarkMarked) {
                Error("skipped: " + wav + ": " + reason);
                ++skipped;
            } else if (!o.quiet) {
                Error("not encodable: " + wav + ": " + reason);
            }
            continue;
        }
        if (r.mark != qar::kMarkMarked)
            continue;
        struct stat st {};
        const std::uint64_t size = stat(wav.c_str(), &st) == 0 ? std::uint64_t(st.st_size) : 1;
        jobs.push_back(
            {wav, qar::GetMp3Path(context, r.name), r.name, std::max<std::uint64_t>(size, 1)});
    }

    if (o.dryRun) {
        for (const qar::BatchJob& j : jobs)
            std::printf("%s -> %s\n", j.wav.c_str(), j.mp3.c_str());
        return skipped ? kExitFailed : kExitOk;
    }
    if (jobs.empty()) {
        if (!o.quiet)
            std::printf("nothing to encode\n");
        return skipped ? kExitFailed : kExitOk;
    }
    const int threads =
        o.jobs > 0 ? o.jobs : int(std::max(1u, std::thread::hardware_concurrency()));
    const int r = Encode(std::move(jobs), options, threads, o.quiet);
    return r == kExitOk && skipped ? kExitFailed : r;
}
