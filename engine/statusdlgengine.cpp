#include "engine/statusdlgengine.h"

#include <utility>

#include "engine/encodeengine.h"

namespace qar {

namespace {

class ProcessEngine final : public StatusDlgEngine {
public:
    void GetCounts(int* taken, int* total) override { GetEncodeCounts(taken, total); }
    int GetStatus(vadav_status* status) override { return GetEncodeStatus(status); }
    int Stereo() override { return GetEncodeStereo(); }
    int QuickMode() override { return GetEncodeQuickMode(); }
    bool HasJobs() override { return EncodeQueueHasJobs(); }
    int GetPriority() override { return GetEncodePriority(); }
    void SetPriority(int index) override { SetEncodePriority(index); }
    void Stop() override { StopEncodeWorker(); }
    void SetFilesSink(EncodeFilesSink sink) override { SetEncodeFilesSink(std::move(sink)); }
};

class EngineObject final : public StatusDlgEngine {
public:
    explicit EngineObject(EncodeEngine& engine) : m_engine(engine) {}
    void GetCounts(int* taken, int* total) override { m_engine.GetCounts(taken, total); }
    int GetStatus(vadav_status* status) override { return m_engine.GetStatus(status); }
    int Stereo() override { return m_engine.Stereo(); }
    int QuickMode() override { return m_engine.QuickMode(); }
    bool HasJobs() override { return m_engine.HasJobs(); }
    int GetPriority() override { return m_engine.GetPriority(); }
    void SetPriority(int index) override { m_engine.SetPriority(index); }
    void Stop() override { m_engine.Stop(); }
    void SetFilesSink(EncodeFilesSink sink) override { m_engine.SetFilesSink(std::move(sink)); }

private:
    EncodeEngine& m_engine;
};

}  // namespace

std::shared_ptr<StatusDlgEngine> ProcessStatusDlgEngine() {
    return std::make_shared<ProcessEngine>();
}

std::shared_ptr<StatusDlgEngine> StatusDlgEngineFor(EncodeEngine& engine) {
    return std::make_shared<EngineObject>(engine);
}

}  // namespace qar
