#pragma once
#include <cstdint>

namespace quorvel {

class StringBuffer;
class XString;

// The logging interface every engine operation writes to. Implementations decide what is
// recorded (the object log, or nothing at all for LogNull). The virtual operations keep
// their order; callers of the data helpers below only ever reach logData().
class LogBase {
public:
    virtual ~LogBase() = default;

    virtual bool getXml(StringBuffer &out) = 0;
    virtual bool getHtml(StringBuffer &out) = 0;
    virtual bool getText(StringBuffer &out) = 0;
    virtual bool saveXml(bool flag, const XString &path) = 0;
    virtual bool logError(const char *text) = 0;
    virtual bool logInfo(const char *text) = 0;
    virtual bool logRaw(const char *text) = 0;
    virtual void clearLog() = 0;
    virtual bool enterContext(const char *name, bool flag) = 0;
    virtual bool leaveContext() = 0;
    virtual bool logData(const char *tag, const char *valueUtf8) = 0;

    bool verbose() const { return m_verbose; }
    void setVerbose(bool on) { m_verbose = on; }

    // Data helpers: each formats its value and ends in one logData() call with the tag.
    bool logDataX(const char *tag, const XString &value);
    bool logDataSb(const char *tag, const StringBuffer &value);
    bool logDataAnsi(const char *tag, const char *ansiText);
    bool logDataInt(const char *tag, int32_t value);
    bool logDataUint32(const char *tag, uint32_t value);
    bool logDataInt64(const char *tag, int64_t value);
    bool logDataHex32(const char *tag, uint32_t value);
    bool logDataBracketed(const char *tag, const char *text);
    // Upper-case hex dump of the bytes; "(empty)" when there are none.
    bool logDataHexBytes(const char *tag, const unsigned char *bytes, uint32_t n);
    // As logDataHexBytes, but no bytes logs the error "No binary data to log" instead.
    bool logDataHexBytesOrError(const char *tag, const unsigned char *bytes, uint32_t n);
    // "[" + the bytes quoted-printable encoded with lines of 2048 + "]".
    bool logDataQpBytes(const char *tag, const unsigned char *bytes, uint32_t n);
    // The text's bytes quoted-printable encoded with the default line length of 76.
    bool logDataQpText(const char *tag, const char *text);
    // "Elapsed time: %d millisec", only while the tick count has not wrapped past the start.
    bool logElapsedTime(const char *tag, uint32_t startTickMs);
    bool logAllocationFailure(const char *failurePoint, uint64_t numBytes);
    // WindowsError and WindowsErrorCode for the calling thread's last platform error.
    bool logLastPlatformError();
    // WindowsError for the given code; nothing when the code is 0.
    bool logPlatformError(uint32_t code);

private:
    bool m_verbose = false;
};

}  // namespace quorvel
