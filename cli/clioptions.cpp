#include "cli/clioptions.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace qar {

namespace {

bool ToInt(const std::string& text, int& value) {
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < -1000000 || v > 1000000)
        return false;
    value = int(v);
    return true;
}

// Names and their option values; the first name is the canonical one.
struct Choice {
    const char* name;
    int value;
};

// Switches that take no value.
struct Flag {
    const char* shortName;  // nullptr when there is none
    const char* longName;
    bool CliOptions::*member;
};
constexpr Flag kFlags[] = {
    {"-r", "--subdirs", &CliOptions::subdirs},
    {nullptr, "--all", &CliOptions::all},
    {nullptr, "--list", &CliOptions::list},
    {nullptr, "--dry-run", &CliOptions::dryRun},
    {nullptr, "--playlist", &CliOptions::playlist},
    {nullptr, "--playlist-with-wav", &CliOptions::playlistWithWav},
    {"-q", "--quiet", &CliOptions::quiet},
    {nullptr, "--save", &CliOptions::save},
};

const Flag* FindFlag(const std::string& arg) {
    for (const Flag& f : kFlags) {
        if (arg == f.longName || (f.shortName && arg == f.shortName))
            return &f;
    }
    return nullptr;
}

// Options that take one of a few words, each standing for an option value.
struct Choices {
    const char* name;
    const char* accepted;  // for the messages
    std::vector<Choice> choices;
    std::optional<int> CliOptions::*member;
};
const Choices kChoices[] = {
    {"--mode",
     "quality, normal or speed",
     {{"quality", 0}, {"normal", 1}, {"speed", 2}},
     &CliOptions::quickmode},
    {"--stereo",
     "joint, stereo or ms",
     {{"stereo", 0}, {"joint", 1}, {"ms", 2}},
     &CliOptions::stereo},
    {"--vbr",
     "off or a level from 1 to 5",
     {{"off", 0}, {"1", 1}, {"2", 2}, {"3", 3}, {"4", 4}, {"5", 5}},
     &CliOptions::vbr},
    {"--bitcut",
     "off, a level from 1 to 4 or auto",
     {{"off", 0}, {"1", 1}, {"2", 2}, {"3", 3}, {"4", 4}, {"auto", 5}},
     &CliOptions::bitcut},
};

const Choices* FindChoices(const std::string& arg) {
    for (const Choices& c : kChoices) {
        if (arg == c.name)
            return &c;
    }
    return nullptr;
}

bool Pick(const std::string& text, const std::vector<Choice>& choices, int& value) {
    for (const Choice& c : choices) {
        if (text == c.name) {
            value = c.value;
            return true;
        }
    }
    return false;
}

}  // namespace

const char* CliHelpText() {
    return R"(Usage: qar-cli [OPTIONS] FOLDER

Encodes the WAV files of FOLDER into MP3 files. Without --all it takes the files
whose MP3 file is missing or older than the WAV file, as the window's automatic
marking does. The options default to what the window last stored.

Choosing files:
  -r, --subdirs          also the WAV files in every folder below FOLDER
      --all              every WAV file, whether its MP3 is up to date or not
      --shard K/N        only the K-th of every N files of the list (1 <= K <= N),
                         so that N runs, on one host or several, share one batch

Where the MP3 files go:
  -o, --out DIR          into DIR, keeping the subfolders below FOLDER
                         (default: next to each WAV file)

Encoding options:
  -b KBPS                bitrate: 32 40 48 56 64 80 96 112 128 160 192 224 256 320
      --mode MODE        quality | normal | speed
      --stereo MODE      joint | stereo | ms
      --vbr LEVEL        off | 1..5  (variable bitrate; 5 is the best)
      --bitcut LEVEL     off | 1..4 | auto  (bit saving, with --vbr)
      --save             store the options given here as the new defaults

Instead of encoding:
      --list             print the rows: name, format, size, date, MP3 name,
                         MP3 size, MP3 date, separated by tabs
      --dry-run          print each job as "WAV path -> MP3 path"
      --playlist         write the playlist of the MP3 files, print its path
      --playlist-with-wav  the same, each WAV file before its MP3 file

Running:
  -j, --jobs N           encode N files at once (default: one per core)
  -q, --quiet            print nothing but errors
  -h, --help             this text

Exit status: 0 every chosen file was encoded (or nothing needed it), 1 some file
failed or was skipped (each is named with its reason), 2 usage error, 130
stopped by Ctrl-C (finished MP3 files are kept, none is left half-written).
)";
}

bool ParseShard(const std::string& text, int& index, int& count) {
    const auto slash = text.find('/');
    if (slash == std::string::npos)
        return false;
    return ToInt(text.substr(0, slash), index) && ToInt(text.substr(slash + 1), count) &&
           count >= 1 && index >= 1 && index <= count;
}

CliParse ParseCliOptions(int argc, char** argv, CliOptions& o, std::string& error) {
    bool endOfOptions = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool inlineValue = false;
        if (!endOfOptions && arg.rfind("--", 0) == 0 && arg.size() > 2) {
            const auto eq = arg.find('=');
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
                inlineValue = true;
            }
        }
        // The value of an option that takes one: "--out DIR", "--out=DIR", "-oDIR", "-o DIR".
        auto need = [&](const char* what) -> bool {
            if (inlineValue)
                return true;
            if (i + 1 >= argc) {
                error = arg + " needs " + what;
                return false;
            }
            value = argv[++i];
            return true;
        };
        auto shortWithValue = [&](const char* letter) -> bool {
            if (arg.size() > 2 && arg.compare(0, 2, letter) == 0) {
                value = arg.substr(2);
                arg = letter;
                inlineValue = true;
                return true;
            }
            return arg == letter;
        };
        auto flag = [&]() -> bool {
            if (inlineValue) {
                error = arg + " takes no value";
                return false;
            }
            return true;
        };

        if (endOfOptions || arg == "-" || arg.empty() || arg[0] != '-') {
            if (!o.folder.empty()) {
                error = "only one FOLDER, got \"" + o.folder + "\" and \"" + arg + "\"";
                return CliParse::Error;
            }
            o.folder = arg;
        } else if (arg == "--") {
            endOfOptions = true;
        } else if (arg == "-h" || arg == "--help") {
            return CliParse::Help;
        } else if (const Flag* f = FindFlag(arg)) {
            if (!flag())
                return CliParse::Error;
            o.*(f->member) = true;
        } else if (shortWithValue("-o") || arg == "--out") {
            if (!need("a folder"))
                return CliParse::Error;
            if (value.empty()) {
                error = "--out needs a folder";
                return CliParse::Error;
            }
            o.outDir = value;
        } else if (shortWithValue("-j") || arg == "--jobs") {
            if (!need("a number"))
                return CliParse::Error;
            int n = 0;
            if (!ToInt(value, n) || n < 1 || n > 256) {
                error = "--jobs takes a number from 1 to 256, not \"" + value + "\"";
                return CliParse::Error;
            }
            o.jobs = n;
        } else if (arg == "--shard") {
            if (!need("K/N"))
                return CliParse::Error;
            int k = 0, n = 0;
            if (!ParseShard(value, k, n)) {
                error = "--shard takes K/N with 1 <= K <= N, not \"" + value + "\"";
                return CliParse::Error;
            }
            o.shard = value;
        } else if (shortWithValue("-b") || arg == "--bitrate") {
            if (!need("a bitrate"))
                return CliParse::Error;
            int b = 0;
            if (!ToInt(value, b) || b <= 0) {
                error = "-b takes a bitrate in kbit/s, not \"" + value + "\"";
                return CliParse::Error;
            }
            o.bitrate = b;
        } else if (const Choices* c = FindChoices(arg)) {
            if (!need(c->accepted))
                return CliParse::Error;
            int v = 0;
            if (!Pick(value, c->choices, v)) {
                error = arg + " takes " + c->accepted + ", not \"" + value + "\"";
                return CliParse::Error;
            }
            o.*(c->member) = v;
        } else {
            error = "unknown option \"" + arg + "\"";
            return CliParse::Error;
        }
    }
    if (o.folder.empty()) {
        error = "no FOLDER given";
        return CliParse::Error;
    }
    const int actions = int(o.list) + int(o.dryRun) + int(o.playlist) + int(o.playlistWithWav);
    if (actions > 1) {
        error = "--list, --dry-run, --playlist and --playlist-with-wav exclude each other";
        return CliParse::Error;
    }
    return CliParse::Run;
}

}  // namespace qar
