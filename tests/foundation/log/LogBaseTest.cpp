#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"
#include "platform/SystemInfo.h"
#include "support/RecordingLog.h"

namespace quorvel::test {
namespace {

TEST(LogBase, TextNumberAndHexValues) {
    RecordingLog log;
    XString x;
    x.setFromUtf16(u"\u00E9\U0001F600");
    log.logDataX("x", x);
    log.logDataSb("sb", StringBuffer("plain"));
    SystemInfo::overrideAnsiCodePage(1252);
    log.logDataAnsi("ansi", "caf\xE9 \x80");  // ANSI is converted to UTF-8 first
    log.logDataAnsi("null", nullptr);
    SystemInfo::overrideAnsiCodePage(0);
    log.logDataInt("int", -2147483647 - 1);
    log.logDataUint32("uint", 4294967295u);
    log.logDataInt64("int64", INT64_MIN);
    log.logDataHex32("hex", 0xABCu);
    log.logDataHex32("hexZero", 0);
    log.logDataBracketed("br", "text");
    log.logDataBracketed("brNull", nullptr);
    unsigned char bytes[18];
    for (int i = 0; i < 18; ++i) bytes[i] = static_cast<unsigned char>(i * 15);
    log.logDataHexBytes("three", bytes, 3);
    log.logDataHexBytes("eighteen", bytes, 18);
    log.logDataHexBytes("none", bytes, 0);
    log.logDataHexBytes("null", nullptr, 5);
    log.logDataHexBytesOrError("second", bytes, 2);
    log.logDataHexBytesOrError("second", bytes, 0);
    EXPECT_EQ(log.joined(),
              "data: x=\xC3\xA9\xF0\x9F\x98\x80\ndata: sb=plain\ndata: ansi=caf\xC3\xA9 \xE2\x82\xAC\n"
              "data: null=(NULL)\ndata: int=-2147483648\ndata: uint=4294967295\n"
              "data: int64=-9223372036854775808\ndata: hex=0xabc\ndata: hexZero=0x0\ndata: br=[text]\n"
              "data: brNull=[]\ndata: three=000F 1E\ndata: eighteen=000F 1E2D 3C4B 5A69 7887 96A5 B4C3 D2E1\nF0FF\n"
              "data: none=(empty)\ndata: null=(empty)\ndata: second=000F\nerror: No binary data to log\n");
}

TEST(LogBase, ElapsedTime) {
    const uint32_t now = SystemInfo::tickCountMs();
    RecordingLog log;
    log.logElapsedTime("later", now + 600000);      // the start lies ahead: the tick count wrapped
    log.logElapsedTime("ancient", now - 900000000);  // too long ago to be believed
    log.logElapsedTime("elapsed", now - 2500);
    ASSERT_EQ(log.lines.size(), 1u) << log.joined();
    long ms = 0;
    char unit[16] = {};
    ASSERT_EQ(std::sscanf(log.lines[0].c_str(), "data: elapsed=Elapsed time: %ld %15s", &ms, unit), 2) << log.lines[0];
    EXPECT_STREQ(unit, "millisec");
    EXPECT_TRUE(ms >= 2500 && ms < 2500 + 600000) << ms;  // however slow the machine, not ten minutes
}

TEST(LogBase, AllocationFailureAndPlatformErrors) {
    std::string text;
    ASSERT_TRUE(SystemInfo::appendErrorText(2, text));
    RecordingLog log;
    log.logAllocationFailure("growBuffer", 5000000000ull);
    SystemInfo::setLastErrorCode(2);
    log.logLastPlatformError();
    log.logPlatformError(0);
    log.logPlatformError(2);
    EXPECT_EQ(log.joined(), std::string("error: Memory allocation failed.\ndata: failurePoint=growBuffer\n"
                                        "data: numBytes=5000000000\ndata: WindowsError=") +
                                text + "\ndata: WindowsErrorCode=0x2\ndata: WindowsError=" +
                                text + "\n");
}

}  // namespace
}  // namespace quorvel::test
