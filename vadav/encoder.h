// One encoding of a WAV file into an MP3 file, driven block by block.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "vadav/args.h"
#include "vadav/errorprobe.h"
#include "vadav/partfile.h"
#include "vadav/vadav.h"
#include "vadav/wavfile.h"

struct lame_global_struct;

namespace vadav {

// begin() parses the arguments and opens the input and a temporary output; each step()
// encodes one block of input; end() finishes the file or throws it away. The steps of one
// encoding may run on different threads one after another; stop() and status() may be called
// from any thread at any time.
class Encoder {
public:
    // Input frames encoded per step: about 0.1 s of 44.1 kHz sound, a few milliseconds of work.
    static constexpr long kBlockFrames = 4608;

    Encoder();
    ~Encoder();
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    // Parses the arguments and opens input and output. 0 on success, else nonzero with
    // error() set; a failed begin leaves nothing behind and needs no end().
    int begin(int argc, const char* const* argv);

    // Encodes the next block: 1 more to do, 0 all input encoded, negative failed or stopped.
    int step();

    // Finishes the file after all input was encoded (0), otherwise removes the temporary file
    // and returns nonzero.
    int end();

    // begin, all steps and end.
    int run(int argc, const char* const* argv);

    // Makes the next step fail. A stop that comes while nothing runs is forgotten at begin.
    void stop();

    // Copies the current figures into status; returns status.active.
    int status(vadav_status& status) const;

    // The reason of the last failure, "" after a success. Valid until the next begin.
    const char* error() const;

private:
    enum class State { Idle, Encoding, Finished };

    bool configure(std::string& error);
    bool writeOutput(const unsigned char* data, int bytes);
    void fail(const std::string& reason);
    void release();
    void publish(bool finished);

    EncodeSettings m_settings;
    WavReader m_reader;
    PartFile m_out;
    ErrorProbe m_probe;
    lame_global_struct* m_lame = nullptr;
    State m_state = State::Idle;
    std::atomic<bool> m_stopRequested{false};

    std::vector<std::int32_t> m_interleaved;
    std::vector<int> m_left;
    std::vector<int> m_right;
    std::vector<unsigned char> m_mp3;
    std::int64_t m_framesTotal = 0;
    std::int64_t m_framesRead = 0;
    std::int64_t m_bytesWritten = 0;

    // Shared with the threads that ask for status or the error text.
    mutable std::mutex m_mutex;
    vadav_status m_status{};
    std::chrono::steady_clock::time_point m_started;
    std::string m_error;
};

}  // namespace vadav
