#pragma once
#include <cstdint>

#include "foundation/buffers/DataSource.h"

namespace quorvel {

// A data source over a memory block, read in place: the block must outlive the source.
class DataSourceMemory : public DataSource {
public:
    DataSourceMemory(const void *bytes, uint32_t n);

    bool endOfSource() const override { return m_pos >= m_size; }
    uint32_t position() const { return m_pos; }
    uint32_t size() const { return m_size; }
    void rewind() { m_pos = 0; }

protected:
    bool readChunk(unsigned char *buf, uint32_t maxBytes, uint32_t &got, LogBase &log) override;

private:
    const unsigned char *m_bytes;
    uint32_t m_size;
    uint32_t m_pos;
};

}  // namespace quorvel
