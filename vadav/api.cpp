// The C entry points: the classic four on one process-wide default encoder, and the
// instance API. No C++ exception crosses this boundary.
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

#include "vadav/encoder.h"
#include "vadav/vadav.h"

struct vadav_encoder {
    vadav::Encoder impl;
};

namespace {

constexpr int kFailed = 1;
constexpr int kStepFailed = -1;

// Never destroyed: a worker that is still inside _main when the process exits must not find
// its encoder gone.
vadav::Encoder& DefaultEncoder() {
    static vadav::Encoder* const s_encoder = new vadav::Encoder();
    return *s_encoder;
}

// _main runs one encoding at a time on the default encoder; a second caller waits.
std::mutex g_mainMutex;

// After an exception: stop and end, so whatever was half made is thrown away.
void Discard(vadav::Encoder& encoder) noexcept {
    encoder.stop();
    try {
        encoder.end();
    } catch (...) {
    }
}

}  // namespace

int _main(int argc, char** argv) {
    // Held through the clean-up too: another caller must not begin before it is done.
    std::lock_guard<std::mutex> lock(g_mainMutex);
    try {
        vadav::Encoder& encoder = DefaultEncoder();
        const int result = encoder.run(argc, argv);
        if (result != 0)
            std::fprintf(stderr, "vadav: %s\n", encoder.error());
        return result;
    } catch (...) {
        // Whatever was half made is thrown away by the end that follows a stop.
        Discard(DefaultEncoder());
        std::fprintf(stderr, "vadav: out of memory\n");
        return kFailed;
    }
}

int stopRequest(void) {
    DefaultEncoder().stop();
    return 0;
}

int dll_get_disp_info(char** timeText, int* percent, char** progressText, int* kbps,
                      float* errorRate, float* averageKbps, int* vbrLevel) {
    // Each calling thread gets its own copy of the texts, valid until its next call.
    thread_local char t_timeText[sizeof(vadav_status::timeText)];
    thread_local char t_progressText[sizeof(vadav_status::progressText)];
    vadav_status status{};
    const int active = DefaultEncoder().status(status);
    std::memcpy(t_timeText, status.timeText, sizeof t_timeText);
    std::memcpy(t_progressText, status.progressText, sizeof t_progressText);
    if (timeText != nullptr)
        *timeText = t_timeText;
    if (progressText != nullptr)
        *progressText = t_progressText;
    if (percent != nullptr)
        *percent = status.percent;
    if (kbps != nullptr)
        *kbps = status.kbps;
    if (errorRate != nullptr)
        *errorRate = status.errorRate;
    if (averageKbps != nullptr)
        *averageKbps = status.averageKbps;
    if (vbrLevel != nullptr)
        *vbrLevel = status.vbrLevel;
    return active;
}

vadav_encoder* vadav_encoder_new(void) {
    return new (std::nothrow) vadav_encoder();
}

void vadav_encoder_free(vadav_encoder* enc) {
    delete enc;
}

int vadav_encoder_run(vadav_encoder* enc, int argc, char** argv) {
    if (enc == nullptr)
        return kFailed;
    try {
        return enc->impl.run(argc, argv);
    } catch (...) {
        Discard(enc->impl);
        return kFailed;
    }
}

int vadav_encoder_begin(vadav_encoder* enc, int argc, char** argv) {
    if (enc == nullptr)
        return kFailed;
    try {
        return enc->impl.begin(argc, argv);
    } catch (...) {
        // Nothing of a begin that failed half way may stay behind.
        Discard(enc->impl);
        return kFailed;
    }
}

int vadav_encoder_step(vadav_encoder* enc) {
    if (enc == nullptr)
        return kStepFailed;
    try {
        return enc->impl.step();
    } catch (...) {
        enc->impl.stop();  // so that end() throws the half-made file away
        return kStepFailed;
    }
}

int vadav_encoder_end(vadav_encoder* enc) {
    if (enc == nullptr)
        return kFailed;
    try {
        return enc->impl.end();
    } catch (...) {
        return kFailed;
    }
}

void vadav_encoder_stop(vadav_encoder* enc) {
    if (enc != nullptr)
        enc->impl.stop();
}

int vadav_encoder_status(vadav_encoder* enc, vadav_status* status) {
    if (enc == nullptr || status == nullptr)
        return 0;
    return enc->impl.status(*status);
}

const char* vadav_encoder_error(vadav_encoder* enc) {
    if (enc == nullptr)
        return "no encoder";
    return enc->impl.error();
}
