// The free functions of engine.h over one process-wide engine driving the vadav library.
#include "engine/engine.h"

#include <utility>

#include "engine/encodeengine.h"

namespace {

qar::EncodeEngine& Engine() {
    static qar::EncodeEngine g_engine(qar::VadavEncoderFactory());
    return g_engine;
}

}  // namespace

void SetEncodeOptions(int bitrate, int quickmode, int stereo, int vbr, int mmx, int bitcut) {
    Engine().SetOptions(qar::EngineOptions{bitrate, quickmode, stereo, vbr, mmx, bitcut});
}

void ClearEncodeQueue() {
    Engine().ClearQueue();
}

void AddEncodeJob(const char* source, const char* destination) {
    Engine().AddJob(source, destination);
}

void GetEncodeCounts(int* taken, int* total) {
    Engine().GetCounts(taken, total);
}

int StartEncodeWorker(qar::EncodeNotify notify) {
    return Engine().Start(std::move(notify));
}

void StopEncodeWorker() {
    Engine().Stop();
}

bool IsEncodeWorkerRunning() {
    return Engine().IsRunning();
}

void SetEncodePriority(int index) {
    Engine().SetPriority(index);
}

int GetEncodePriority() {
    return Engine().GetPriority();
}

int GetEncodeStatus(vadav_status* status) {
    return Engine().GetStatus(status);
}

int GetEncodeStereo() {
    return Engine().Stereo();
}

int GetEncodeQuickMode() {
    return Engine().QuickMode();
}

bool EncodeQueueHasJobs() {
    return Engine().HasJobs();
}

void SetEncodeFilesSink(qar::EncodeFilesSink sink) {
    Engine().SetFilesSink(std::move(sink));
}

void ShowEncodeFiles(const char* source, const char* destination) {
    Engine().ShowFiles(source ? source : "", destination ? destination : "");
}
