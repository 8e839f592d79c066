#include "vadav/encoder.h"

#include <lame/lame.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace vadav {

namespace {

constexpr std::size_t kErrorCapacity = 4096;
// Decoder delay of a standard Layer III decoder (filter banks), added to the encoder's delay
// to line the decoded sound up with the input.
constexpr int kDecoderDelay = 528 + 1;

// libmp3lame writes notes and warnings to stderr unless told otherwise; failures reach the
// caller through our own messages.
void Quiet(const char*, va_list) {}

// Is the text plain ASCII?
bool IsAscii(const std::string& s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// UTF-8 to UTF-16 with a byte order mark, as libmp3lame's UTF-16 tag functions want it.
// False when the text is not valid UTF-8.
bool Utf8ToUtf16(const std::string& s, std::vector<unsigned short>& out) {
    out.assign(1, 0xFEFF);
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        std::uint32_t cp = 0;
        int extra = 0;
        if (c < 0x80) {
            cp = c;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            extra = 1;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            extra = 2;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            extra = 3;
        } else {
            return false;
        }
        if (i + std::size_t(extra) >= s.size())
            return false;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char cc = static_cast<unsigned char>(s[i + std::size_t(k)]);
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        static const std::uint32_t kMinimum[4] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<unsigned short>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<unsigned short>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<unsigned short>(cp));
        }
        i += std::size_t(extra) + 1;
    }
    out.push_back(0);
    return true;
}

// The ID3v2 frame for a RIFF INFO text, or null for texts with no counterpart.
const char* Id3FrameFor(const std::string& infoId) {
    static const struct {
        const char* info;
        const char* id3;
    } kMap[] = {
        {"INAM", "TIT2"},  // title
        {"IART", "TPE1"},  // artist
        {"IPRD", "TALB"},  // album (product)
        {"ICRD", "TYER"},  // creation date: its year
        {"IGNR", "TCON"},  // genre
        {"ITRK", "TRCK"},  // track number
        {"IPRT", "TRCK"},  // part: the track number some programs write
        {"ICOP", "TCOP"},  // copyright
        {"ICMT", "COMM"},  // comment
        {"ISBJ", "TIT3"},  // subject: the title's refinement
        {"ISFT", "TSSE"},  // software that made the file
    };
    for (const auto& m : kMap) {
        if (infoId == m.info)
            return m.id3;
    }
    return nullptr;
}

// Sets one ID3v2 text; ASCII and Latin-1 bytes go as Latin-1, valid UTF-8 as UTF-16.
void SetId3Text(lame_t lame, const char* frame, const std::string& text) {
    static const char kLanguage[] = "eng";
    std::vector<unsigned short> wide;
    const bool comment = std::strcmp(frame, "COMM") == 0;
    if (!IsAscii(text) && Utf8ToUtf16(text, wide)) {
        if (comment) {
            const unsigned short noDescription[] = {0xFEFF, 0};
            id3tag_set_comment_utf16(lame, kLanguage, noDescription, wide.data());
        } else {
            id3tag_set_textinfo_utf16(lame, frame, wide.data());
        }
        return;
    }
    if (comment)
        id3tag_set_comment_latin1(lame, kLanguage, "", text.c_str());
    else
        id3tag_set_textinfo_latin1(lame, frame, text.c_str());
}

// The year of a RIFF creation date ("2003-05-01", "2003"), or "" when it has none.
std::string YearOf(const std::string& date) {
    if (date.size() >= 4 &&
        std::all_of(date.begin(), date.begin() + 4, [](char c) { return c >= '0' && c <= '9'; }))
        return date.substr(0, 4);
    return "";
}

std::string FormatKbpsProblem(int kbps, int outRate, int inRate) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "%d kbps is not possible for %d Hz input (the MP3 would be %d Hz, which "
                  "does not allow it)",
                  kbps, inRate, outRate);
    return text;
}

}  // namespace

Encoder::Encoder() {
    m_error.reserve(kErrorCapacity);
}

Encoder::~Encoder() {
    release();
}

void Encoder::stop() {
    m_stopRequested.store(true);
}

const char* Encoder::error() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_error.c_str();
}

void Encoder::fail(const std::string& reason) {
    {
        // The first reason is the one that counts; the buffer never grows, so a pointer
        // handed out by error() stays valid.
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_error.empty())
            m_error.assign(reason, 0, std::min(reason.size(), kErrorCapacity - 1));
        if (m_status.running) {
            m_status.running = 0;
            m_status.elapsedSeconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - m_started).count();
        }
    }
    release();
}

void Encoder::release() {
    m_reader.close();
    m_out.discard();
    if (m_lame != nullptr)
        lame_close(m_lame);
    m_lame = nullptr;
    m_state = State::Idle;
}

int Encoder::run(int argc, const char* const* argv) {
    if (begin(argc, argv) != 0)
        return 1;
    while (step() > 0) {
    }
    return end();
}

int Encoder::begin(int argc, const char* const* argv) {
    release();
    m_stopRequested.store(false);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_error.clear();
        m_status = vadav_status{};
    }
    std::string err;
    if (!ParseArguments(argc, argv, m_settings, err)) {
        fail(err);
        return 1;
    }
    if (!m_reader.open(m_settings.input.c_str())) {
        fail(m_settings.input + ": " + m_reader.error());
        return 1;
    }
    const WavInfo& info = m_reader.info();
    if (info.channels < 1 || info.channels > 2) {
        fail(m_settings.input + ": " + std::to_string(info.channels) +
             " channels; only mono and stereo can be encoded");
        return 1;
    }
    if (!configure(err)) {
        fail(m_settings.input + ": " + err);
        return 1;
    }
    ErrorProbe::Config probe;
    probe.inputRate = info.sampleRate;
    probe.outputRate = lame_get_out_samplerate(m_lame);
    probe.channels = info.channels;
    probe.samplesPerFrame = lame_get_framesize(m_lame);
    probe.delay = lame_get_encoder_delay(m_lame) + kDecoderDelay;
    probe.expectedFrames = std::int64_t(info.frames) * probe.outputRate /
                           std::max(1, info.sampleRate) / lame_get_framesize(m_lame);
    m_probe.reset(probe);

    m_interleaved.resize(std::size_t(kBlockFrames) * std::size_t(info.channels));
    m_left.resize(std::size_t(kBlockFrames));
    m_right.resize(std::size_t(kBlockFrames));
    // libmp3lame's own rule for the worst case of one call, plus the ID3v2 tag it puts in
    // front of the first frame.
    const std::size_t id3Bytes = lame_get_id3v2_tag(m_lame, nullptr, 0);
    // Scaled by the resampling ratio: a 1 kHz input becomes 8 kHz and many more samples.
    const std::size_t outFrames =
        std::size_t(kBlockFrames) *
        std::size_t(std::max(1, (lame_get_out_samplerate(m_lame) + info.sampleRate - 1) /
                                    std::max(1, info.sampleRate)));
    m_mp3.resize(outFrames * 5 / 4 + 7200 + id3Bytes);
    // The file comes last, after every allocation, so nothing can fail between its creation
    // and the state that makes end() remove it.
    if (!m_out.create(m_settings.output, err)) {
        fail(err);
        return 1;
    }
    m_framesTotal = std::int64_t(info.frames);
    m_framesRead = 0;
    m_bytesWritten = 0;
    m_state = State::Encoding;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_started = std::chrono::steady_clock::now();
        m_status.active = 1;
        m_status.running = 1;
        m_status.samplesTotal = m_framesTotal;
        m_status.kbps = m_settings.vbrLevel > 0 ? -m_settings.bitrate : m_settings.bitrate;
        m_status.vbrLevel = m_settings.vbrLevel;
    }
    return 0;
}

bool Encoder::configure(std::string& error) {
    const WavInfo& info = m_reader.info();
    m_lame = lame_init();
    if (m_lame == nullptr) {
        error = "libmp3lame cannot start (out of memory)";
        return false;
    }
    lame_set_errorf(m_lame, Quiet);
    lame_set_debugf(m_lame, Quiet);
    lame_set_msgf(m_lame, Quiet);
    lame_set_in_samplerate(m_lame, info.sampleRate);
    lame_set_num_channels(m_lame, info.channels);
    lame_set_num_samples(m_lame, static_cast<unsigned long>(info.frames));
    // Keep the input's sample rate where MP3 has it: libmp3lame would otherwise pick a lower
    // one for low bitrates and VBR qualities, and a 44.1 kHz WAV should give a 44.1 kHz MP3.
    if (IsMp3SampleRate(info.sampleRate))
        lame_set_out_samplerate(m_lame, info.sampleRate);
    lame_set_findReplayGain(m_lame, 0);
    lame_set_quality(m_lame, LameQuality(m_settings.qualityMode));
    if (info.channels == 1) {
        lame_set_mode(m_lame, MONO);
    } else if (m_settings.stereo == StereoMode::Stereo) {
        lame_set_mode(m_lame, STEREO);
    } else {
        lame_set_mode(m_lame, JOINT_STEREO);
        lame_set_force_ms(m_lame, m_settings.stereo == StereoMode::JointForcedMs ? 1 : 0);
    }
    const bool vbr = m_settings.vbrLevel > 0;
    if (vbr) {
        lame_set_VBR(m_lame, vbr_mtrh);
        lame_set_VBR_quality(m_lame, float(LameVbrQuality(m_settings)));
        lame_set_VBR_max_bitrate_kbps(m_lame, m_settings.bitrate);
    } else {
        lame_set_VBR(m_lame, vbr_off);
        lame_set_brate(m_lame, m_settings.bitrate);
    }

    bool tagged = false;
    for (const auto& [id, text] : info.infoTags) {
        const char* frame = Id3FrameFor(id);
        const std::string value =
            frame != nullptr && std::strcmp(frame, "TYER") == 0 ? YearOf(text) : text;
        if (frame == nullptr || value.empty())
            continue;
        if (!tagged) {
            id3tag_init(m_lame);
            id3tag_v2_only(m_lame);
            tagged = true;
        }
        SetId3Text(m_lame, frame, value);
    }

    if (lame_init_params(m_lame) < 0) {
        error = "libmp3lame cannot encode " + std::to_string(info.sampleRate) + " Hz " +
                (info.channels == 1 ? "mono" : "stereo") + " with these settings";
        return false;
    }
    // libmp3lame quietly rounds a bitrate the chosen MPEG version does not have to a
    // neighbour; a file of another bitrate than asked for is a failure here.
    const int outRate = lame_get_out_samplerate(m_lame);
    if (!vbr && lame_get_brate(m_lame) != m_settings.bitrate) {
        error = FormatKbpsProblem(m_settings.bitrate, outRate, info.sampleRate);
        return false;
    }
    if (vbr && lame_get_VBR_max_bitrate_kbps(m_lame) > m_settings.bitrate) {
        error = FormatKbpsProblem(m_settings.bitrate, outRate, info.sampleRate) +
                ", not even as a limit";
        return false;
    }
    return true;
}

bool Encoder::writeOutput(const unsigned char* data, int bytes) {
    std::string err;
    if (bytes > 0 && !m_out.write(data, std::size_t(bytes), err)) {
        fail(err);
        return false;
    }
    m_bytesWritten += bytes;
    return true;
}

int Encoder::step() {
    if (m_state != State::Encoding)
        return m_state == State::Finished ? 0 : -1;
    if (m_stopRequested.load()) {
        fail("stopped");
        return -1;
    }
    const int channels = m_reader.info().channels;
    const long got = m_reader.readFrames(m_interleaved.data(), kBlockFrames);
    if (got < 0) {
        fail(m_settings.input + ": " + m_reader.error());
        return -1;
    }
    for (long i = 0; i < got; ++i) {
        m_left[std::size_t(i)] = m_interleaved[std::size_t(i * channels)];
        m_right[std::size_t(i)] = m_interleaved[std::size_t(i * channels + channels - 1)];
    }
    const int bytes = lame_encode_buffer_int(m_lame, m_left.data(), m_right.data(), int(got),
                                             m_mp3.data(), int(m_mp3.size()));
    if (bytes < 0) {
        fail("libmp3lame failed to encode (error " + std::to_string(bytes) + ")");
        return -1;
    }
    if (!writeOutput(m_mp3.data(), bytes))
        return -1;
    m_probe.addInput(m_interleaved.data(), got);
    m_probe.addOutput(m_mp3.data(), std::size_t(bytes));
    m_framesRead += got;
    if (got == 0 || m_framesRead >= m_framesTotal)
        m_state = State::Finished;
    publish(false);
    return m_state == State::Finished ? 0 : 1;
}

int Encoder::end() {
    if (m_state == State::Idle) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_error.empty())
            m_error = "no encoding to end";
        return 1;
    }
    if (m_stopRequested.load()) {
        fail("stopped");
        return 1;
    }
    if (m_state != State::Finished) {
        fail("ended before all input was encoded");
        return 1;
    }
    const int bytes = lame_encode_flush(m_lame, m_mp3.data(), int(m_mp3.size()));
    if (bytes < 0) {
        fail("libmp3lame failed to finish (error " + std::to_string(bytes) + ")");
        return 1;
    }
    if (!writeOutput(m_mp3.data(), bytes))
        return 1;
    m_probe.addOutput(m_mp3.data(), std::size_t(bytes));

    // The tag frame at the start learns the true frame count, delay and padding only now.
    std::FILE* file = m_out.file();
    lame_mp3_tags_fid(m_lame, file);
    if (std::ferror(file) || std::fflush(file) != 0) {
        fail("cannot write the tag of " + m_settings.output + ": " + std::strerror(errno));
        return 1;
    }
    std::string err;
    if (!m_out.commit(err)) {
        fail(err);
        return 1;
    }
    publish(true);
    release();
    return 0;
}

void Encoder::publish(bool finished) {
    const int frames = lame_get_frameNum(m_lame);
    const int outRate = lame_get_out_samplerate(m_lame);
    double average = 0.0;
    if (m_settings.vbrLevel > 0 && m_probe.audioFrames() > 0 && outRate > 0) {
        const double seconds =
            double(m_probe.audioFrames()) * m_probe.samplesPerFrame() / double(outRate);
        average = double(m_probe.audioBytes()) * 8.0 / seconds / 1000.0;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_status.samplesDone = m_framesRead;
    m_status.percent =
        m_framesTotal > 0 ? int(m_framesRead * 100 / m_framesTotal) : (finished ? 100 : 0);
    if (finished)
        m_status.percent = 100;
    m_status.mp3Bytes = m_bytesWritten;
    m_status.framesDone = frames;
    m_status.errorRate = float(m_probe.errorRate());
    m_status.averageKbps = float(average);
    if (finished) {
        m_status.running = 0;
        m_status.elapsedSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - m_started).count();
    }
}

int Encoder::status(vadav_status& out) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    out = m_status;
    if (out.running)
        out.elapsedSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - m_started).count();
    if (out.active) {
        const long seconds = long(out.elapsedSeconds);
        std::snprintf(out.timeText, sizeof out.timeText, "%02ld:%02ld", seconds / 60, seconds % 60);
        std::snprintf(out.progressText, sizeof out.progressText, "%04d %2d%%", out.framesDone,
                      out.percent);
    }
    return out.active;
}

}  // namespace vadav
