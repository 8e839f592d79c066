#include "vadav/errorprobe.h"

#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <limits>
#include <mutex>
#include <shared_mutex>

namespace vadav {

namespace {

constexpr int kMeasuredFrames = 4;  // frames compared per stretch
// Stretches begin every kMaxPeriod frames at most (about 4 s of 44.1 kHz audio, so about 2.5%
// of the frames are compared and 4% decoded), but at least eight times per file so short files
// are measured in more than one place.
constexpr std::int64_t kMinPeriod = 8;
constexpr std::int64_t kMaxPeriod = 160;
constexpr std::int64_t kStretchesPerFile = 8;
// Frames that must decode cleanly before a compared stretch: the previous frame's second half
// overlaps the first compared samples, and with one granule per frame (MPEG-2) its first half
// depends on the frame before that.
constexpr int kCleanPrimeFrames = 2;
constexpr int kRecentFrames = 24;  // enough frames to reach 511 bytes back even at 8 kbps
constexpr std::int64_t kHistoryFrames = 1 << 16;  // input kept for comparison, per channel
constexpr int kMaxFrameSamples = 1152;

// The resampling reference: a Blackman-windowed sinc, 16 zero crossings each side, tabulated
// at 64 points per input sample and interpolated linearly.
constexpr double kZeroCrossings = 16.0;
constexpr double kKernelSteps = 64.0;
constexpr double kCutoff = 0.97;  // of the lower Nyquist frequency

constexpr double kInputScale = 1.0 / 2147483648.0;
constexpr double kOutputScale = 1.0 / 32768.0;
constexpr double kNotAvailable = std::numeric_limits<double>::quiet_NaN();

// The decoder reports bit reservoir gaps of every primed stretch on stderr by default; the
// gaps are expected, and the library's caller owns stderr.
void Quiet(const char*, va_list) {}

struct FrameHeader {
    int bytes = 0;
    int samples = 0;
    int payload = 0;  // bytes of main data the frame carries
    int maxBackstep = 0;
    int sideInfo = 0;
};

bool ParseHeader(const unsigned char* h, FrameHeader& out) {
    static const int kBitrates1[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                       112, 128, 160, 192, 224, 256, 320, 0};
    static const int kBitrates2[16] = {0,  8,  16, 24,  32,  40,  48,  56,
                                       64, 80, 96, 112, 128, 144, 160, 0};
    static const int kRates[3][3] = {
        {44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0)
        return false;
    const int version = (h[1] >> 3) & 3;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    const int layer = (h[1] >> 1) & 3;    // 1 Layer III
    const int bitrateIndex = h[2] >> 4;
    const int rateIndex = (h[2] >> 2) & 3;
    if (version == 1 || layer != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return false;
    const bool mpeg1 = version == 3;
    const int rate = kRates[mpeg1 ? 0 : version == 2 ? 1 : 2][rateIndex];
    const int padding = (h[2] >> 1) & 1;
    const bool mono = (h[3] >> 6) == 3;
    const bool crc = (h[1] & 1) == 0;
    const int kbps = mpeg1 ? kBitrates1[bitrateIndex] : kBitrates2[bitrateIndex];
    out.bytes = (mpeg1 ? 144000 : 72000) * kbps / rate + padding;
    out.samples = mpeg1 ? 1152 : 576;
    const int sideInfo = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    out.sideInfo = sideInfo + (crc ? 2 : 0);
    out.payload = std::max(0, out.bytes - 4 - out.sideInfo);
    out.maxBackstep = mpeg1 ? 511 : 255;
    return true;
}

// While encoding, libmp3lame puts a blank frame (nothing but zeros after the header) where
// the Xing/LAME tag will go; no sound frame looks like that, as its side information always
// holds a global gain. A filled-in tag starts with "Xing" or "Info" after the side information.
bool IsTagFrame(const unsigned char* frame, const FrameHeader& header) {
    if (std::all_of(frame + 4, frame + header.bytes, [](unsigned char b) { return b == 0; }))
        return true;
    const int at = 4 + header.sideInfo;
    if (header.bytes < at + 4)
        return false;
    return std::memcmp(frame + at, "Xing", 4) == 0 || std::memcmp(frame + at, "Info", 4) == 0;
}

// libmp3lame's decoder keeps its synthesis and dequantisation tables in process-wide
// arrays that every hip_decode_init fills again. Encoders on other threads may be decoding
// with them at that moment, so a new decoder waits until no frame is being decoded.
std::shared_mutex& DecoderTables() {
    static std::shared_mutex tables;
    return tables;
}

}  // namespace

ErrorProbe::ErrorProbe() = default;

ErrorProbe::~ErrorProbe() {
    closeDecoder();
}

void ErrorProbe::closeDecoder() {
    if (m_decoder != nullptr)
        hip_decode_exit(m_decoder);
    m_decoder = nullptr;
}

void ErrorProbe::reset(const Config& config) {
    closeDecoder();
    m_config = config;
    m_history.assign(std::size_t(std::max(1, config.channels)),
                     std::vector<float>(std::size_t(kHistoryFrames), 0.0f));
    m_inputFrames = 0;
    m_pending.clear();
    m_id3Left = 0;
    m_id3Checked = false;
    m_firstFrameSeen = false;
    m_broken = config.channels < 1 || config.channels > 2 || config.inputRate <= 0 ||
               config.outputRate <= 0 || config.samplesPerFrame <= 0;
    m_maxBackstep = 0;
    m_audioFrames = 0;
    m_audioBytes = 0;
    m_recent.assign(kRecentFrames, {});
    m_nextStretch = 0;
    m_stretchEnd = 0;
    m_decodingFrame = 0;
    m_signalEnergy = 0.0;
    m_errorEnergy = 0.0;
    m_samplesCompared = 0;
    m_pcmLeft.assign(kMaxFrameSamples, 0);
    m_pcmRight.assign(kMaxFrameSamples, 0);
    m_frameLeft.assign(kMaxFrameSamples, 0);
    m_frameRight.assign(kMaxFrameSamples, 0);
    m_kernel.clear();
    m_ratio = 1.0;
    m_halfWidth = 0.0;
    if (!m_broken && config.inputRate != config.outputRate)
        buildKernel();
    m_period = std::clamp(config.expectedFrames / kStretchesPerFile, kMinPeriod, kMaxPeriod);
}

void ErrorProbe::buildKernel() {
    m_ratio = double(m_config.inputRate) / double(m_config.outputRate);
    const double fc = std::min(1.0, 1.0 / m_ratio) * kCutoff;  // of the input's Nyquist
    m_halfWidth = kZeroCrossings / fc;
    const std::size_t points = std::size_t(std::ceil(m_halfWidth * kKernelSteps)) + 2;
    m_kernel.resize(points);
    for (std::size_t i = 0; i < points; ++i) {
        const double d = double(i) / kKernelSteps;
        if (d >= m_halfWidth) {
            m_kernel[i] = 0.0f;
            continue;
        }
        const double x = M_PI * fc * d;
        const double sinc = d == 0.0 ? 1.0 : std::sin(x) / x;
        const double w = d / m_halfWidth;
        const double window = 0.42 + 0.5 * std::cos(M_PI * w) + 0.08 * std::cos(2 * M_PI * w);
        m_kernel[i] = float(fc * sinc * window);
    }
}

void ErrorProbe::stretchInput(std::int64_t stretch, std::int64_t& first, std::int64_t& last) const {
    const std::int64_t spf = m_config.samplesPerFrame;
    const std::int64_t start = stretch * m_period * spf - m_config.delay;
    const std::int64_t end = (stretch * m_period + kMeasuredFrames) * spf - m_config.delay;
    first = std::int64_t(std::floor(double(start) * m_ratio - m_halfWidth)) - 1;
    last = std::int64_t(std::ceil(double(end) * m_ratio + m_halfWidth)) + 2;
}

void ErrorProbe::addInput(const std::int32_t* interleaved, long frames) {
    if (m_broken || frames <= 0)
        return;
    // Only the input that a stretch will be compared with is kept: converting all of it
    // would cost more than the decoding.
    const std::int64_t begin = m_inputFrames;
    const std::int64_t end = begin + frames;
    m_inputFrames = end;
    const int channels = m_config.channels;
    const double perFrame = double(m_config.samplesPerFrame) * double(m_period);
    std::int64_t stretch = std::max<std::int64_t>(
        0, std::int64_t(((double(begin) - m_halfWidth) / m_ratio + m_config.delay) / perFrame) - 1);
    for (;; ++stretch) {
        std::int64_t first = 0;
        std::int64_t last = 0;
        stretchInput(stretch, first, last);
        if (first >= end)
            break;
        for (std::int64_t k = std::max(first, begin); k < std::min(last, end); ++k) {
            const std::size_t slot = std::size_t(k & (kHistoryFrames - 1));
            const std::int32_t* frame = interleaved + (k - begin) * channels;
            for (int c = 0; c < channels; ++c)
                m_history[std::size_t(c)][slot] = float(frame[c] * kInputScale);
        }
    }
}

double ErrorProbe::input(int channel, std::int64_t frame) const {
    // Before the start and after the end the encoder saw silence.
    if (frame < 0 || frame >= m_inputFrames)
        return 0.0;
    if (frame < m_inputFrames - kHistoryFrames)
        return kNotAvailable;
    return m_history[std::size_t(channel)][std::size_t(frame & (kHistoryFrames - 1))];
}

double ErrorProbe::reference(int channel, std::int64_t outSample) const {
    const std::int64_t p = outSample - m_config.delay;
    if (m_kernel.empty()) {
        if (p < 0 || p >= m_inputFrames)
            return kNotAvailable;  // encoder delay or end padding: not part of the sound
        return input(channel, p);
    }
    // libmp3lame's resampler centres output sample k on input time k * ratio.
    const double t = double(p) * m_ratio;
    if (p < 0 || t >= double(m_inputFrames))
        return kNotAvailable;
    const std::int64_t first = std::int64_t(std::ceil(t - m_halfWidth));
    const std::int64_t last = std::int64_t(std::floor(t + m_halfWidth));
    double sum = 0.0;
    double weight = 0.0;
    for (std::int64_t k = first; k <= last; ++k) {
        const double pos = std::fabs(t - double(k)) * kKernelSteps;
        const std::size_t i = std::size_t(pos);
        if (i + 1 >= m_kernel.size())
            continue;
        const double frac = pos - double(i);
        const double h = m_kernel[i] + (m_kernel[i + 1] - m_kernel[i]) * frac;
        const double x = input(channel, k);
        if (std::isnan(x))
            return kNotAvailable;
        sum += x * h;
        weight += h;
    }
    return weight > 0.0 ? sum / weight : kNotAvailable;
}

void ErrorProbe::addOutput(const unsigned char* data, std::size_t bytes) {
    if (bytes == 0)
        return;
    m_pending.insert(m_pending.end(), data, data + bytes);
    parse();
}

void ErrorProbe::parse() {
    std::size_t pos = 0;
    const std::size_t size = m_pending.size();
    while (!m_broken) {
        if (!m_id3Checked) {
            if (size - pos < 10)
                break;
            const unsigned char* h = m_pending.data() + pos;
            if (std::memcmp(h, "ID3", 3) == 0) {
                m_id3Left =
                    10 + ((std::size_t(h[6] & 0x7F) << 21) | (std::size_t(h[7] & 0x7F) << 14) |
                          (std::size_t(h[8] & 0x7F) << 7) | std::size_t(h[9] & 0x7F));
                if (h[5] & 0x10)
                    m_id3Left += 10;  // footer
            }
            m_id3Checked = true;
        }
        if (m_id3Left > 0) {
            const std::size_t skip = std::min(m_id3Left, size - pos);
            pos += skip;
            m_id3Left -= skip;
            if (m_id3Left > 0)
                break;
        }
        if (size - pos < 4)
            break;
        FrameHeader header;
        if (!ParseHeader(m_pending.data() + pos, header) ||
            header.samples != m_config.samplesPerFrame) {
            // Not a stream this probe understands: stop measuring rather than guess.
            m_broken = true;
            closeDecoder();
            break;
        }
        if (size - pos < std::size_t(header.bytes))
            break;
        const bool first = !m_firstFrameSeen;
        m_firstFrameSeen = true;
        if (first && IsTagFrame(m_pending.data() + pos, header)) {
            // The Xing/LAME tag frame carries no sound. libmp3lame leaves it out when the
            // frames are too small to hold it, so look rather than assume.
        } else {
            m_maxBackstep = header.maxBackstep;
            onFrame(m_pending.data() + pos, std::size_t(header.bytes));
        }
        pos += std::size_t(header.bytes);
    }
    if (m_broken)
        m_pending.clear();
    else
        m_pending.erase(m_pending.begin(), m_pending.begin() + std::ptrdiff_t(pos));
}

void ErrorProbe::onFrame(const unsigned char* frame, std::size_t bytes) {
    const std::int64_t index = m_audioFrames++;
    m_audioBytes += std::int64_t(bytes);
    std::vector<unsigned char>& slot = m_recent[std::size_t(index % kRecentFrames)];
    slot.assign(frame, frame + bytes);
    m_decodingFrame = index;
    if (m_decoder == nullptr && index == m_nextStretch)
        startStretch();
    else if (m_decoder != nullptr)
        decodeFrame(slot, true);
    if (m_decoder != nullptr && index + 1 >= m_stretchEnd)
        closeDecoder();
}

void ErrorProbe::startStretch() {
    const std::int64_t start = m_decodingFrame;
    m_stretchEnd = start + kMeasuredFrames;
    m_nextStretch = start + m_period;
    {
        std::unique_lock lock(DecoderTables());
        m_decoder = hip_decode_init();
    }
    if (m_decoder == nullptr)
        return;
    hip_set_errorf(m_decoder, Quiet);
    hip_set_debugf(m_decoder, Quiet);
    hip_set_msgf(m_decoder, Quiet);

    // Go back far enough that the clean frames find their bit reservoir in what is fed first.
    std::int64_t first = start - kCleanPrimeFrames;
    if (first <= 0) {
        first = 0;
    } else {
        int need = m_maxBackstep;
        while (need > 0 && first > 0 && start - first < kRecentFrames - 1) {
            --first;
            FrameHeader header;
            const std::vector<unsigned char>& f = m_recent[std::size_t(first % kRecentFrames)];
            if (f.size() >= 4 && ParseHeader(f.data(), header))
                need -= header.payload;
        }
    }
    for (std::int64_t i = first; i < start; ++i) {
        m_decodingFrame = i;
        decodeFrame(m_recent[std::size_t(i % kRecentFrames)], false);
    }
    m_decodingFrame = start;
    decodeFrame(m_recent[std::size_t(start % kRecentFrames)], true);
}

void ErrorProbe::decodeFrame(const std::vector<unsigned char>& frame, bool compareIt) {
    // One frame in, its samples out. The decoder gives a frame's samples once it has the whole
    // frame, sometimes only on the call after, hence the empty calls until it has nothing.
    // Anything but exactly one frame's worth means the samples no longer line up.
    unsigned char* data = const_cast<unsigned char*>(frame.data());  // hip wants it mutable
    std::shared_lock tables(DecoderTables());
    int total = 0;
    bool usable = true;
    int n = hip_decode1(m_decoder, data, frame.size(), m_pcmLeft.data(), m_pcmRight.data());
    while (n != 0) {
        if (n < 0) {
            usable = false;
            break;
        }
        if (total == 0) {
            m_frameLeft.swap(m_pcmLeft);
            m_frameRight.swap(m_pcmRight);
        }
        total += n;
        n = hip_decode1(m_decoder, data, 0, m_pcmLeft.data(), m_pcmRight.data());
    }
    if (compareIt && usable && total == m_config.samplesPerFrame)
        compare(m_frameLeft.data(), m_frameRight.data(), total);
}

void ErrorProbe::compare(const short* left, const short* right, int samples) {
    const std::int64_t base = m_decodingFrame * m_config.samplesPerFrame;
    for (int i = 0; i < samples; ++i) {
        bool compared = false;
        for (int c = 0; c < m_config.channels; ++c) {
            const double ref = reference(c, base + i);
            if (std::isnan(ref))
                continue;
            const double decoded = (c == 0 ? left[i] : right[i]) * kOutputScale;
            const double diff = decoded - ref;
            m_signalEnergy += ref * ref;
            m_errorEnergy += diff * diff;
            compared = true;
        }
        if (compared)
            ++m_samplesCompared;
    }
}

double ErrorProbe::errorRate() const {
    return m_signalEnergy > 0.0 ? m_errorEnergy / m_signalEnergy : 0.0;
}

}  // namespace vadav
