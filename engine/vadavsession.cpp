// EncoderSession over a vadav encoder instance.
#include <memory>
#include <string>
#include <vector>

#include "engine/encodersession.h"

namespace qar {

namespace {

class VadavSession final : public EncoderSession {
public:
    explicit VadavSession(vadav_encoder* encoder) : m_encoder(encoder) {}
    ~VadavSession() override { vadav_encoder_free(m_encoder); }
    VadavSession(const VadavSession&) = delete;
    VadavSession& operator=(const VadavSession&) = delete;

    int begin(const std::vector<std::string>& args) override {
        // The C interface wants writable strings. They stay alive for the whole job, so the
        // library may keep pointers into them until end.
        m_args = args;
        m_argv.clear();
        for (std::string& a : m_args)
            m_argv.push_back(a.data());
        m_argv.push_back(nullptr);
        return vadav_encoder_begin(m_encoder, static_cast<int>(m_args.size()), m_argv.data());
    }
    int step() override { return vadav_encoder_step(m_encoder); }
    int end() override { return vadav_encoder_end(m_encoder); }
    void stop() override { vadav_encoder_stop(m_encoder); }
    int status(vadav_status& out) override { return vadav_encoder_status(m_encoder, &out); }

private:
    vadav_encoder* m_encoder;
    std::vector<std::string> m_args;
    std::vector<char*> m_argv;
};

}  // namespace

EncoderFactory VadavEncoderFactory() {
    return []() -> std::unique_ptr<EncoderSession> {
        vadav_encoder* encoder = vadav_encoder_new();
        if (!encoder)
            return nullptr;
        return std::make_unique<VadavSession>(encoder);
    };
}

}  // namespace qar
