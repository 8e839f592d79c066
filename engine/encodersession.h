// The engine's view of the encoder library: one encoder instance, driven block by block.
// The real one wraps a vadav encoder; tests put a double in its place.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vadav/vadav.h"

namespace qar {

class EncoderSession {
public:
    virtual ~EncoderSession() = default;
    // Starts one job from a full argument vector (argv[0] is the program-name slot, the last
    // two are the input and output paths). 0 when the job is open.
    virtual int begin(const std::vector<std::string>& args) = 0;
    // One block of input: 1 more to do, 0 done, negative failed or stopped. Successive calls
    // may come from different threads, never at the same time.
    virtual int step() = 0;
    // Completes (or discards) the job opened by begin. 0 when the MP3 file is complete.
    virtual int end() = 0;
    // Asks the open job to stop; any thread.
    virtual void stop() = 0;
    // The figures of the job in progress (or of the last one); any thread.
    virtual int status(vadav_status& out) = 0;
};

using EncoderFactory = std::function<std::unique_ptr<EncoderSession>()>;

// Sessions over real vadav encoders.
EncoderFactory VadavEncoderFactory();

}  // namespace qar
