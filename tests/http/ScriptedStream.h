#pragma once
// A byte stream that plays a script instead of a socket: each step hands out some bytes, an
// orderly end, or a failure, and everything written to it is recorded.
#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>

#include "http/HttpStreamFactory.h"
#include "platform/NetStream.h"

namespace quorvel::test {

struct ScriptStep {
    enum class Kind { Bytes, End, Fail } kind;
    std::string bytes;
};

inline ScriptStep bytesStep(std::string b) { return {ScriptStep::Kind::Bytes, std::move(b)}; }
inline ScriptStep endStep() { return {ScriptStep::Kind::End, {}}; }
inline ScriptStep failStep() { return {ScriptStep::Kind::Fail, {}}; }  // a reset by the peer

// What one scripted connection saw: the bytes written and whether it was closed.
struct StreamRecord {
    std::string written;
    bool closed = false;
};

class ScriptedStream : public ByteStream {
public:
    ScriptedStream(std::deque<ScriptStep> steps, std::shared_ptr<StreamRecord> record)
        : m_steps(std::move(steps)), m_record(std::move(record)) {}

    bool writeAll(const void *bytes, size_t n, uint32_t, NetError &err) override {
        if (m_record->closed) return err.set(NetError::Kind::Closed, 32, "Broken pipe"), false;
        m_record->written.append(static_cast<const char *>(bytes), n);
        return true;
    }
    bool readSome(void *buf, size_t n, size_t &got, uint32_t, NetError &err) override {
        got = 0;
        if (m_steps.empty()) return err.set(NetError::Kind::Timeout, 0, "script ran out (read timeout)"), false;
        ScriptStep &step = m_steps.front();
        if (step.kind == ScriptStep::Kind::End) return true;  // stays at the end
        if (step.kind == ScriptStep::Kind::Fail) return err.set(NetError::Kind::Closed, 104, "scripted reset"), false;
        got = std::min(step.bytes.size(), n);
        std::memcpy(buf, step.bytes.data(), got);
        step.bytes.erase(0, got);
        if (step.bytes.empty()) m_steps.pop_front();
        return true;
    }
    // A stream that has played its whole script, up to an end, counts as dropped by the peer.
    bool isConnected() override {
        return !m_record->closed && !(m_steps.size() == 1 && m_steps.front().kind == ScriptStep::Kind::End);
    }
    void close() override { m_record->closed = true; }

private:
    std::deque<ScriptStep> m_steps;
    std::shared_ptr<StreamRecord> m_record;
};

// Hands out the scripted connections queued for each "host:port/tls" target in order; a target
// without a script left is refused.
class ScriptedStreamFactory : public HttpStreamFactory {
public:
    std::shared_ptr<StreamRecord> expect(const std::string &target, std::deque<ScriptStep> steps) {
        auto record = std::make_shared<StreamRecord>();
        m_queued[target].push_back({std::move(steps), record});
        return record;
    }

    std::unique_ptr<ByteStream> connect(const std::string &host, uint16_t port, const NetConnectOptions &options,
                                        NetError &err) override {
        ++connects;
        auto &queue = m_queued[host + ":" + std::to_string(port) + (options.tls ? "/tls" : "/plain")];
        if (queue.empty()) return err.set(NetError::Kind::ConnectFailed, 111, "Connection refused"), nullptr;
        auto next = std::move(queue.front());
        queue.pop_front();
        return std::make_unique<ScriptedStream>(std::move(next.first), next.second);
    }

    int connects = 0;

private:
    std::map<std::string, std::deque<std::pair<std::deque<ScriptStep>, std::shared_ptr<StreamRecord>>>> m_queued;
};

}  // namespace quorvel::test
