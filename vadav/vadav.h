/* vadav: WAV reading and MP3 encoding over libmp3lame.
 *
 * Two faces:
 *  - the four classic entry points (readWavInfo, _main, stopRequest, dll_get_disp_info),
 *    which work on one process-wide default encoder;
 *  - the instance API (vadav_encoder_*), for callers that run several encodings at once
 *    or want to drive one encoding block by block.
 *
 * Paths are byte strings in the file system's own encoding; nothing is converted.
 */
#ifndef VADAV_VADAV_H
#define VADAV_VADAV_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define VADAV_API __declspec(dllexport)
#else
#define VADAV_API __attribute__((visibility("default")))
#endif

/* ---- classic entry points ------------------------------------------------------------ */

/* Reads a WAV header. Returns 0 when it was read; the format code is positive for PCM and
 * negative for any other coding (float, ADPCM, mu-law, ...). Nonzero for anything that is
 * not a readable WAV file. Never reads past the end of the file. */
VADAV_API int readWavInfo(const char* path, int* sampleRate, int* bitsPerSample, int* channels,
                          int* format);

/* Encodes argv[argc-2] (a WAV file) into argv[argc-1] (an MP3 file) with the options between
 * argv[1] and argv[argc-3]. Returns 0 when the MP3 file is complete, nonzero on failure or
 * after stopRequest; in that case the reason is written to stderr and no partial file is
 * left behind. Runs on the default encoder. */
VADAV_API int _main(int argc, char** argv);

/* Makes a running _main return within one block of input. Harmless when nothing runs.
 * Safe to call from any thread. Always returns 0. */
VADAV_API int stopRequest(void);

/* Figures of the encoding in progress on the default encoder (or of the last one, once it
 * is over). Returns 0 before anything was encoded. The two texts stay valid until the next
 * call on the same thread. Safe to call from any thread while _main runs. */
VADAV_API int dll_get_disp_info(char** timeText, int* percent, char** progressText, int* kbps,
                                float* errorRate, float* averageKbps, int* vbrLevel);

/* ---- instance API -------------------------------------------------------------------- */

typedef struct vadav_encoder vadav_encoder;

/* A snapshot of one encoder's progress, filled by vadav_encoder_status. */
typedef struct vadav_status {
    int active;             /* nonzero once an encoding has started on this encoder */
    int running;            /* nonzero between vadav_encoder_begin and vadav_encoder_end */
    double elapsedSeconds;  /* wall time since the current (or last) encoding began */
    int percent;            /* 0..100, input consumed */
    long long samplesDone;  /* input frames (one sample per channel) read so far */
    long long samplesTotal; /* input frames in the file */
    long long mp3Bytes;     /* MP3 bytes written so far */
    int framesDone;         /* MP3 frames produced so far */
    int kbps;               /* nominal bitrate; negative for variable bitrate */
    int vbrLevel;           /* 1..5 with variable bitrate, else 0 */
    float errorRate;        /* coding error energy / signal energy, measured by decoding */
    float averageKbps;      /* average bitrate so far with variable bitrate, else 0 */
    char timeText[32];      /* elapsed time, "mm:ss" */
    char progressText[32];  /* frames and percent, "1234 56%" */
} vadav_status;

/* Creates an independent encoder. Returns NULL when out of memory. */
VADAV_API vadav_encoder* vadav_encoder_new(void);

/* Destroys an encoder; an encoding still open on it is discarded. */
VADAV_API void vadav_encoder_free(vadav_encoder* enc);

/* The whole job of _main on this encoder, without writing to stderr. */
VADAV_API int vadav_encoder_run(vadav_encoder* enc, int argc, char** argv);

/* Parses the arguments and opens input and a temporary output. 0 on success. */
VADAV_API int vadav_encoder_begin(vadav_encoder* enc, int argc, char** argv);

/* Encodes one block of input. 1: more to do; 0: all input encoded; negative: failed or
 * stopped. Consecutive calls may come from different threads, never at the same time. */
VADAV_API int vadav_encoder_step(vadav_encoder* enc);

/* Ends the encoding: after all input was encoded, flushes, writes the tag and renames the
 * temporary file to the final name (0 on success); otherwise removes the temporary file and
 * returns nonzero. */
VADAV_API int vadav_encoder_end(vadav_encoder* enc);

/* Asks the running encoding to stop; the next step returns negative. Any thread. */
VADAV_API void vadav_encoder_stop(vadav_encoder* enc);

/* Copies the current figures; returns the value of status->active. Any thread. */
VADAV_API int vadav_encoder_status(vadav_encoder* enc, vadav_status* status);

/* The reason of the last failure on this encoder, "" when the last encoding succeeded. The
 * text stays valid until the next begin on the same encoder. */
VADAV_API const char* vadav_encoder_error(vadav_encoder* enc);

#ifdef __cplusplus
}
#endif

#endif /* VADAV_VADAV_H */
