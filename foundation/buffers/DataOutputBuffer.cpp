#include "foundation/buffers/DataOutputBuffer.h"

#include <cstring>

#include "foundation/log/LogBase.h"

namespace quorvel {

bool DataOutputBuffer::setRerouteFile(const char *pathUtf8, uint32_t rerouteSize) {
    m_reroutePath.clear();
    m_rerouteSize = 0;
    if (!pathUtf8 || !*pathUtf8 || rerouteSize == 0) return true;
    size_t len = std::strlen(pathUtf8);
    if (len >= DataBuffer::kMaxSize || !m_reroutePath.append(pathUtf8, static_cast<uint32_t>(len + 1))) return false;
    m_rerouteSize = rerouteSize;
    return true;
}

bool DataOutputBuffer::reroute(LogBase &log) {
    log.logInfo("Rerouting in-memory output to file because of size.");
    log.logDataUint32("rerouteSize", m_rerouteSize);
    const char *path = reinterpret_cast<const char *>(m_reroutePath.getData());
    if (!m_file.openNew(path, log)) return false;
    // The bytes held so far go first; the buffer keeps them until they are safely written.
    if (!m_file.writeBytes(m_target.getData(), m_target.getSize(), nullptr, log)) {
        m_file.close(log);
        return false;
    }
    m_target.release();
    m_rerouted = true;
    return true;
}

bool DataOutputBuffer::writeChunk(const unsigned char *bytes, uint32_t n, LogBase &log) {
    if (m_rerouted) return m_file.writeBytes(bytes, n, nullptr, log);

    uint64_t needed = static_cast<uint64_t>(m_target.getSize()) + n;
    if (m_rerouteSize && needed > m_rerouteSize) {
        if (!reroute(log)) return false;
        return m_file.writeBytes(bytes, n, nullptr, log);
    }
    if (needed > DataBuffer::kMaxSize) {
        log.logError("In-memory output cannot hold 4 GiB or more.");
        return false;
    }
    if ((needed > m_target.getCapacity() || m_target.isBorrowed()) && !growTarget(static_cast<uint32_t>(needed), log))
        return false;
    return m_target.append(bytes, n);  // fits: no allocation left to fail
}

bool DataOutputBuffer::growTarget(uint32_t needed, LogBase &log) {
    uint64_t wanted = static_cast<uint64_t>(needed) + needed / 2;
    if (wanted > DataBuffer::kMaxSize) wanted = DataBuffer::kMaxSize;
    // A fresh block also moves a borrowed target into storage of its own.
    DataBuffer grown;
    if (!grown.ensureCapacity(static_cast<uint32_t>(wanted)) && !grown.ensureCapacity(needed)) {
        log.logAllocationFailure("DataOutputBuffer", needed);
        return false;
    }
    grown.append(m_target);
    m_target.takeData(grown);
    return true;
}

bool DataOutputBuffer::close(LogBase &log) {
    if (m_rerouted) return m_file.close(log);
    return true;
}

}  // namespace quorvel
