// Measures the coding error of an MP3 stream while it is being written, by decoding samples
// of it with libmp3lame's own decoder and comparing them with the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct hip_global_struct;

namespace vadav {

// Fed with the input (as the encoder reads it) and the MP3 bytes (as the encoder writes
// them); tells the energy of the decoded-minus-input difference relative to the input's
// energy. Decoding all of the stream would cost a tenth of the encoding time or more, so it
// decodes short stretches spread over the file: a fresh decoder is primed with the frames the
// bit reservoir and the filter banks need, then a few frames are compared sample by sample.
class ErrorProbe {
public:
    struct Config {
        int inputRate = 0;
        int outputRate = 0;       // libmp3lame's choice; the input is resampled when it differs
        int channels = 0;         // of the input and of the MP3
        int samplesPerFrame = 0;  // of the MP3, per channel
        int delay = 0;            // output samples from an input sample to its decoded copy
        std::int64_t expectedFrames =
            0;  // audio frames the file will have, to spread the stretches
    };

    ErrorProbe();
    ~ErrorProbe();
    ErrorProbe(const ErrorProbe&) = delete;
    ErrorProbe& operator=(const ErrorProbe&) = delete;

    // Starts over for a new stream.
    void reset(const Config& config);

    // The next input frames, interleaved, left-justified 32-bit.
    void addInput(const std::int32_t* interleaved, long frames);

    // The next bytes of the MP3 stream, in the order they are written to the file.
    void addOutput(const unsigned char* data, std::size_t bytes);

    // Error energy over signal energy of everything compared so far; 0 before anything was.
    double errorRate() const;

    // Bytes and count of the audio frames seen so far (no ID3v2 tag, no tag frame).
    std::int64_t audioBytes() const { return m_audioBytes; }
    std::int64_t audioFrames() const { return m_audioFrames; }
    int samplesPerFrame() const { return m_config.samplesPerFrame; }
    // Output samples compared so far, per channel.
    std::int64_t samplesCompared() const { return m_samplesCompared; }

private:
    void parse();
    void onFrame(const unsigned char* frame, std::size_t bytes);
    void startStretch();
    void decodeFrame(const std::vector<unsigned char>& frame, bool compare);
    void compare(const short* left, const short* right, int samples);
    double reference(int channel, std::int64_t outSample) const;
    double input(int channel, std::int64_t frame) const;
    void stretchInput(std::int64_t stretch, std::int64_t& first, std::int64_t& last) const;
    void closeDecoder();
    void buildKernel();

    Config m_config;
    hip_global_struct* m_decoder = nullptr;

    // Input history, one ring per channel, normalised to -1..1.
    std::vector<std::vector<float>> m_history;
    std::int64_t m_inputFrames = 0;

    // Resampling kernel when the output rate differs: a windowed sinc tabulated at
    // kKernelSteps points per input sample.
    std::vector<float> m_kernel;
    double m_ratio = 1.0;      // input samples per output sample
    double m_halfWidth = 0.0;  // in input samples

    // The stream as written: bytes not yet forming a whole frame, then frame bookkeeping.
    std::vector<unsigned char> m_pending;
    std::size_t m_id3Left = 0;
    bool m_id3Checked = false;
    bool m_firstFrameSeen = false;
    bool m_broken = false;
    int m_maxBackstep = 0;
    std::int64_t m_audioFrames = 0;
    std::int64_t m_audioBytes = 0;
    std::vector<std::vector<unsigned char>> m_recent;  // last frames, for priming a decoder

    std::int64_t m_period = 0;       // audio frames from one stretch to the next
    std::int64_t m_nextStretch = 0;  // audio frame where the next compared stretch begins
    std::int64_t m_stretchEnd = 0;   // first audio frame after the current stretch
    std::int64_t m_decodingFrame = 0;

    double m_signalEnergy = 0.0;
    double m_errorEnergy = 0.0;
    std::int64_t m_samplesCompared = 0;
    std::vector<short> m_pcmLeft;
    std::vector<short> m_pcmRight;
    std::vector<short> m_frameLeft;  // the samples of the frame being decoded
    std::vector<short> m_frameRight;
};

}  // namespace vadav
