#include <gtest/gtest.h>

#include <string>

#include "foundation/Logger.h"
#include "foundation/StringBuffer.h"
#include "foundation/XString.h"
#include "support/TestFiles.h"

namespace quorvel {
namespace {

XString xs(const std::string &s) {
    XString x;
    x.setFromUtf8(s.c_str());
    return x;
}

// The file is written in text mode, so line ends are the platform's; compare with LF only.
std::string fileLines(const std::string &path) {
    std::string bytes;
    if (!test::readRawFile(path, bytes)) return "<missing>";
    std::string lines;
    for (char c : bytes)
        if (c != '\r') lines += c;
    return lines;
}

TEST(LoggerDebugFile, LinesAndIndentation) {
    const std::string path = test::scratchDir("LoggerDebugLines") + "debug.log";
    ASSERT_TRUE(test::writeRawFile(path, "kept\n"));
    Logger log;
    ASSERT_TRUE(log.setDebugLogFilePath(xs(path)));
    log.enterContext("Method", true);
    log.logData(" my tag ", "v");
    log.logData("   ", "not recorded, not written");
    log.logInfo("info");
    log.logRaw("raw lines stay out of the file");
    log.enterContext("inner", true);
    log.logError("err");
    log.logData("noValue", nullptr);
    log.leaveContext();
    log.leaveContext();
    log.leaveContext();  // at depth 0: written, and the depth stays 0
    log.logInfo("after");
    EXPECT_EQ(fileLines(path),
              "kept\n"
              "Method:\n"
              "    my_tag: v\n"
              "    info\n"
              "    inner:\n"
              "        err\n"
              "        noValue: (NULL)\n"
              "        (leaveContext)\n"
              "    (leaveContext)\n"
              "(leaveContext)\n"
              "after\n");
}

TEST(LoggerDebugFile, ClearResetsDepthAndWritesNothing) {
    const std::string path = test::scratchDir("LoggerDebugClear") + "debug.log";
    Logger log;
    ASSERT_TRUE(log.setDebugLogFilePath(xs(path)));
    log.enterContext("a", true);
    log.enterContext("b", true);
    log.clearLog();
    log.logInfo("fresh");
    EXPECT_EQ(fileLines(path), "a:\n    b:\nfresh\n");
}

TEST(LoggerDebugFile, EmptyPathStopsWrites) {
    const std::string path = test::scratchDir("LoggerDebugStop") + "debug.log";
    Logger log;
    ASSERT_TRUE(log.setDebugLogFilePath(xs(path)));
    XString got;
    log.getDebugLogFilePath(got);
    EXPECT_STREQ(got.getUtf8(), path.c_str());
    log.logInfo("one");
    ASSERT_TRUE(log.setDebugLogFilePath(XString()));
    log.getDebugLogFilePath(got);
    EXPECT_TRUE(got.isEmpty());
    log.logInfo("two");
    log.enterContext("ctx", true);
    log.logData("tag", "value");
    EXPECT_EQ(fileLines(path), "one\n");
    // The tree still records everything.
    StringBuffer text;
    log.getText(text);
    EXPECT_STREQ(text.getString(),
                 "QuorvelLog:\r\n  one\r\n  two\r\n  ctx:\r\n    tag: value\r\n  --ctx\r\n--QuorvelLog\r\n");
}

TEST(LoggerDebugFile, UnopenableFileIsSkipped) {
    const std::string dir = test::scratchDir("LoggerDebugUnopenable");
    Logger log;
    // A folder cannot be opened as a file, and neither can a file in a missing folder.
    for (const std::string &bad : {dir, dir + "missing/debug.log"}) {
        ASSERT_TRUE(log.setDebugLogFilePath(xs(bad)));
        log.enterContext("ctx", true);
        EXPECT_TRUE(log.logInfo("recorded"));
        log.leaveContext();
    }
    EXPECT_FALSE(test::fileExists(dir + "missing"));
    StringBuffer text;
    log.getText(text);
    EXPECT_STREQ(text.getString(),
                 "QuorvelLog:\r\n  ctx:\r\n    recorded\r\n  --ctx\r\n  ctx:\r\n    recorded\r\n  --ctx\r\n"
                 "--QuorvelLog\r\n");
}

}  // namespace
}  // namespace quorvel
