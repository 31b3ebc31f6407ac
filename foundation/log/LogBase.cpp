#include "foundation/log/LogBase.h"

#include <charconv>
#include <cstdio>
#include <string>

#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"
#include "platform/SystemInfo.h"

namespace quorvel {

namespace {

// Room for any 64-bit decimal with its sign and terminator.
struct Decimal {
    char text[24];
};

template <typename T>
Decimal decimal(T value) {
    Decimal d{};
    const auto result = std::to_chars(d.text, d.text + sizeof d.text - 1, value);
    *result.ptr = 0;
    return d;
}

constexpr uint32_t kMaxElapsedMs = 900000000;

}  // namespace

bool LogBase::logDataX(const char *tag, const XString &value) { return logData(tag, value.getUtf8()); }

bool LogBase::logDataSb(const char *tag, const StringBuffer &value) { return logData(tag, value.getString()); }

bool LogBase::logDataAnsi(const char *tag, const char *ansiText) {
    if (ansiText == nullptr) return logData(tag, nullptr);
    XString text;
    text.setFromAnsi(ansiText);
    return logData(tag, text.getUtf8());
}

bool LogBase::logDataInt(const char *tag, int32_t value) { return logData(tag, decimal(value).text); }

bool LogBase::logDataUint32(const char *tag, uint32_t value) { return logData(tag, decimal(value).text); }

bool LogBase::logDataInt64(const char *tag, int64_t value) { return logData(tag, decimal(value).text); }

bool LogBase::logDataHex32(const char *tag, uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(value));
    return logData(tag, text);
}

bool LogBase::logDataBracketed(const char *tag, const char *text) {
    StringBuffer value;
    value.appendChar('[');
    value.append(text);
    value.appendChar(']');
    return logData(tag, value.getString());
}

bool LogBase::logDataHexBytes(const char *tag, const unsigned char *bytes, uint32_t n) {
    if (bytes == nullptr || n == 0) return logData(tag, "(empty)");
    StringBuffer dump;
    if (!dump.appendHexDump(bytes, n)) return false;
    dump.trim();
    return logData(tag, dump.getString());
}

bool LogBase::logDataHexBytesOrError(const char *tag, const unsigned char *bytes, uint32_t n) {
    if (bytes == nullptr || n == 0) return logError("No binary data to log");
    return logDataHexBytes(tag, bytes, n);
}

bool LogBase::logElapsedTime(const char *tag, uint32_t startTickMs) {
    const uint32_t now = SystemInfo::tickCountMs();
    // A tick count below the start has wrapped; such a span is not reported.
    if (now < startTickMs || now - startTickMs >= kMaxElapsedMs) return false;
    char text[48];
    std::snprintf(text, sizeof text, "Elapsed time: %d millisec", static_cast<int>(now - startTickMs));
    return logData(tag, text);
}

bool LogBase::logAllocationFailure(const char *failurePoint, uint64_t numBytes) {
    logError("Memory allocation failed.");
    logData("failurePoint", failurePoint);
    return logData("numBytes", decimal(numBytes).text);
}

bool LogBase::logLastPlatformError() {
    // Taken first: building the message may itself change the last error.
    const uint32_t code = SystemInfo::lastErrorCode();
    std::string message;
    SystemInfo::appendErrorText(code, message);
    logData("WindowsError", message.c_str());
    return logDataHex32("WindowsErrorCode", code);
}

bool LogBase::logPlatformError(uint32_t code) {
    if (code == 0) return true;
    std::string message;
    SystemInfo::appendErrorText(code, message);
    return logData("WindowsError", message.c_str());
}

}  // namespace quorvel
