#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "foundation/log/ErrorLog.h"
#include "foundation/log/LogContextExitor.h"
#include "foundation/log/Logger.h"
#include "foundation/text/XString.h"
#include "platform/SystemInfo.h"
#include "support/Bytes.h"
#include "support/RecordingLog.h"
#include "support/TestFiles.h"

namespace quorvel {
namespace {

std::string rendered(LogBase &log, bool (LogBase::*form)(StringBuffer &)) {
    StringBuffer sb;
    EXPECT_TRUE((log.*form)(sb));
    return sb.getString();
}
std::string textOf(LogBase &log) { return rendered(log, &LogBase::getText); }
std::string xmlOf(LogBase &log) { return rendered(log, &LogBase::getXml); }
std::string htmlOf(LogBase &log) { return rendered(log, &LogBase::getHtml); }

XString xs(const std::string &s) { XString x; x.setFromUtf8(s.c_str()); return x; }

// The file is written in text mode, so line ends are the platform's; compare with LF only.
std::string fileLines(const std::string &path) {
    std::string lines = test::fileBytes(path);
    lines.erase(std::remove(lines.begin(), lines.end(), '\r'), lines.end());
    return lines;
}

TEST(ErrorLogRendering, TextXmlAndHtmlForms) {
    // Contexts, errors, information, raw lines and data with and without CDATA; "empty" vanishes.
    Logger log;
    log.enterContext("Method", true), log.logData("DllDate", "Mar 21 2014"), log.logInfo("two\nlines");
    log.enterContext("inner", true), log.logError("Bad <thing>"), log.logRaw("<raw>&amp;</raw>");
    log.logData("plain", "a & b"), log.logData("marked", "x<![CDATA[y]]>z"), log.logData("tab", "a\tb");
    log.leaveContext();
    log.enterContext("empty", true), log.leaveContext();
    log.logData("quote", "say \"hi\"");
    // Tags are trimmed with inner spaces made '_'; an empty one records nothing; an absent value is "(NULL)".
    EXPECT_TRUE(log.logData(" two words\t", nullptr) && !(log.logData("   ", "x") || log.logData("", "x") || log.logData(nullptr, "x")));
    log.leaveContext();
    EXPECT_EQ(textOf(log),
              "QuorvelLog:\r\n  Method:\r\n    DllDate: Mar 21 2014\r\n    two\nlines\r\n    inner:\r\n"
              "      Bad <thing>\r\n      <raw>&amp;</raw>\r\n      plain: a & b\r\n"
              "      marked: x<![CDATA[y]]>z\r\n      tab: a\tb\r\n    --inner\r\n"
              "    quote: say \"hi\"\r\n    two_words: (NULL)\r\n  --Method\r\n--QuorvelLog\r\n");
    EXPECT_EQ(xmlOf(log),
              "<QuorvelLog>\r\n  <Method>\r\n    <DllDate>Mar 21 2014</DllDate>\r\n"
              "    <info><![CDATA[two\nlines]]></info>\r\n    <inner>\r\n"
              "      <error><![CDATA[Bad <thing>]]></error>\r\n      <raw>&amp;</raw>\r\n"
              "      <plain><![CDATA[a & b]]></plain>\r\n      <marked>x<![CDATA[y]]>z</marked>\r\n"
              "      <tab><![CDATA[a\tb]]></tab>\r\n    </inner>\r\n    <quote>say \"hi\"</quote>\r\n"
              "    <two_words>(NULL)</two_words>\r\n  </Method>\r\n</QuorvelLog>\r\n");
    EXPECT_EQ(htmlOf(log),
              "QuorvelLog:<blockquote>\r\nMethod:<blockquote>\r\nDllDate: Mar 21 2014<br>\r\n"
              "two\nlines<br>\r\ninner:<blockquote>\r\nBad &lt;thing&gt;<br>\r\n"
              "&lt;raw&gt;&amp;amp;&lt;/raw&gt;<br>\r\nplain: a &amp; b<br>\r\n"
              "marked: x&lt;![CDATA[y]]&gt;z<br>\r\ntab: a\tb<br>\r\n</blockquote>\r\n"
              "quote: say &quot;hi&quot;<br>\r\ntwo_words: (NULL)<br>\r\n</blockquote>\r\n</blockquote>\r\n");
}

// Beyond the forms above (quotes, LF, tab, '&' and both markers): CR alone, the other markup bytes, one marker.
TEST(ErrorLogRendering, CdataRule) {
    const std::pair<const char *, const char *> cases[] = {
        {"cr\ronly", "cr\ronly"}, {"", ""}, {"gt>", "<![CDATA[gt>]]>"}, {"<lt", "<![CDATA[<lt]]>"},
        {"<![CDATA[open only", "<![CDATA[<![CDATA[open only]]>"}, {"close only]]> <", "<![CDATA[close only]]> <]]>"},
    };
    for (const auto &[value, xml] : cases) {
        Logger log;
        log.logData("v", value);
        EXPECT_EQ(xmlOf(log), std::string("<QuorvelLog>\r\n  <v>") + xml + "</v>\r\n</QuorvelLog>\r\n") << value;
    }
}

TEST(ErrorLogContexts, EmptyNestedContextsVanishMethodContextStays) {
    Logger log;
    EXPECT_EQ(textOf(log) + xmlOf(log) + htmlOf(log),  // a fresh log: the root alone
              "QuorvelLog:\r\n--QuorvelLog\r\n<QuorvelLog>\r\n</QuorvelLog>\r\nQuorvelLog:<blockquote>\r\n</blockquote>\r\n");
    EXPECT_FALSE(log.leaveContext());  // the root is never left
    for (const char *name : {"Method", "outer", "innermost"}) log.enterContext(name, true);
    for (int i = 0; i < 3; ++i) log.leaveContext();
    log.enterContext("Run", true);
    {
        LogContextExitor skipped(log, "skipped", false);  // enters nothing and leaves nothing
        LogContextExitor outer(log, "outer");
        LogContextExitor inner(log, "inner");
        log.logInfo("kept");
    }
    log.logInfo("in Run");
    log.leaveContext();
    // A nested context that holds only a context with entries is kept with it.
    EXPECT_EQ(textOf(log),
              "QuorvelLog:\r\n  Method:\r\n  --Method\r\n  Run:\r\n    outer:\r\n      inner:\r\n        kept\r\n"
              "      --inner\r\n    --outer\r\n    in Run\r\n  --Run\r\n--QuorvelLog\r\n");
    log.enterContext("open", true), log.logError("old");
    log.clearLog();  // a fresh root, whatever was open
    log.logInfo("new");
    StringBuffer out("before|");  // output is appended
    EXPECT_EQ(test::outcome(log.getText(out), out), "before|QuorvelLog:\r\n  new\r\n--QuorvelLog\r\n");
}

TEST(ErrorLogLimits, TenThousandEntriesPerContext) {
    ErrorLog log;
    ASSERT_TRUE(log.enterContext("Method"));
    std::string expected = "QuorvelLog:\r\n  Method:\r\n";
    for (int i = 0; i < 9999; ++i) {
        ASSERT_TRUE(log.addData("n", std::to_string(i).c_str()));
        expected += "    n: " + std::to_string(i) + "\r\n";
    }
    // The 10000th entry of Method is a context, which still takes entries of its own.
    ASSERT_TRUE(log.enterContext("sub") && log.addLine(LogEntry2::kInfo, "in sub") && log.leaveContext());
    EXPECT_FALSE(log.addData("late", "dropped") || log.addLine(LogEntry2::kError, "late error"));
    // A context that cannot be recorded is still balanced by its leave: Method stays current.
    EXPECT_TRUE(!log.enterContext("unrecorded") && log.openDepth() == 2 && !log.addLine(LogEntry2::kInfo, "inside unrecorded"));
    EXPECT_TRUE(log.leaveContext() && log.openDepth() == 1 && !log.addData("after", "dropped"));
    EXPECT_TRUE(log.leaveContext() && log.addLine(LogEntry2::kInfo, "at root"));
    StringBuffer sb;
    ASSERT_TRUE(log.appendText(sb));
    expected += "    sub:\r\n      in sub\r\n    --sub\r\n  --Method\r\n  at root\r\n--QuorvelLog\r\n";
    EXPECT_TRUE(expected == sb.getString());
}

TEST(ErrorLogLimits, DeepNestingRendersAndFreesWithoutRecursion) {
    const int depth = 200000;
    Logger log;
    auto *deep = new Logger();
    for (int i = 0; i < depth; ++i)
        for (Logger *l : {&log, deep}) l->enterContext("c", true), l->logInfo("i");
    StringBuffer html;
    ASSERT_TRUE(log.getHtml(html));
    // Each level: "c:<blockquote>\r\n", "i<br>\r\n" and "</blockquote>\r\n"; the root has no line.
    EXPECT_EQ(html.getSize(), static_cast<uint32_t>(25 + 15 + depth * (16 + 7 + 15)));
    EXPECT_TRUE(html.beginsWith("QuorvelLog:<blockquote>\r\nc:<blockquote>\r\ni<br>\r\nc:<blockquote>\r\n"));
    log.clearLog();  // with every context still open
    EXPECT_EQ(textOf(log), "QuorvelLog:\r\n--QuorvelLog\r\n");
    delete deep;  // the same depth torn down by the destructor
}

TEST(LoggerDebugFile, LinesIndentationAndSwitchingOff) {
    const std::string dir = test::scratchDir("LoggerDebugLines"), path = dir + "debug.log";
    ASSERT_TRUE(test::writeRawFile(path, "kept\n"));
    Logger log;
    XString got;
    ASSERT_TRUE(log.setDebugLogFilePath(xs(path)));
    EXPECT_EQ((log.getDebugLogFilePath(got), got.getUtf8()), path);
    log.enterContext("Method", true), log.logData(" my tag ", "v"), log.logData("   ", "not recorded, not written");
    log.logInfo("info"), log.logRaw("raw lines stay out of the file");
    log.enterContext("inner", true), log.logError("err"), log.logData("noValue", nullptr);
    for (int i = 0; i < 3; ++i) log.leaveContext();  // the last at depth 0: written, and the depth stays 0
    log.logInfo("after"), log.enterContext("a", true), log.enterContext("b", true);
    log.clearLog();  // writes nothing and resets the depth
    log.logInfo("fresh");
    // A folder or a file in a missing folder cannot be opened, an empty path switches off; the tree records on.
    for (const std::string &other : {dir, dir + "missing/debug.log", std::string()}) {
        ASSERT_TRUE(log.setDebugLogFilePath(xs(other)));
        EXPECT_TRUE(log.logInfo("tree only"));
    }
    log.getDebugLogFilePath(got);
    EXPECT_TRUE(got.isEmpty() && !test::fileExists(dir + "missing"));
    EXPECT_EQ(fileLines(path),
              "kept\nMethod:\n    my_tag: v\n    info\n    inner:\n        err\n        noValue: (NULL)\n"
              "        (leaveContext)\n    (leaveContext)\n(leaveContext)\nafter\na:\n    b:\nfresh\n");
    EXPECT_EQ(textOf(log), "QuorvelLog:\r\n  fresh\r\n  tree only\r\n  tree only\r\n  tree only\r\n--QuorvelLog\r\n");
}

TEST(LogBase, TextNumberHexAndErrorValues) {
    std::string text;
    ASSERT_TRUE(SystemInfo::appendErrorText(2, text));
    test::RecordingLog log;
    XString x;
    x.setFromUtf16(u"\u00E9\U0001F600");
    log.logDataX("x", x), log.logDataSb("sb", StringBuffer("plain"));
    SystemInfo::overrideAnsiCodePage(1252);
    log.logDataAnsi("ansi", "caf\xE9 \x80"), log.logDataAnsi("null", nullptr);  // ANSI is converted to UTF-8 first
    SystemInfo::overrideAnsiCodePage(0);
    log.logDataInt("int", -2147483647 - 1), log.logDataUint32("uint", 4294967295u), log.logDataInt64("int64", INT64_MIN);
    log.logDataHex32("hex", 0xABCu), log.logDataHex32("hexZero", 0);
    log.logDataBracketed("br", "text"), log.logDataBracketed("brNull", nullptr);
    unsigned char bytes[18];
    for (int i = 0; i < 18; ++i) bytes[i] = static_cast<unsigned char>(i * 15);
    log.logDataHexBytes("three", bytes, 3), log.logDataHexBytes("eighteen", bytes, 18);
    log.logDataHexBytes("none", bytes, 0), log.logDataHexBytes("null", nullptr, 5);
    log.logDataHexBytesOrError("second", bytes, 2), log.logDataHexBytesOrError("second", bytes, 0);
    log.logAllocationFailure("growBuffer", 5000000000ull);
    SystemInfo::setLastErrorCode(2);
    log.logLastPlatformError(), log.logPlatformError(0), log.logPlatformError(2);
    EXPECT_EQ(log.joined(),
              "data: x=\xC3\xA9\xF0\x9F\x98\x80\ndata: sb=plain\ndata: ansi=caf\xC3\xA9 \xE2\x82\xAC\n"
              "data: null=(NULL)\ndata: int=-2147483648\ndata: uint=4294967295\n"
              "data: int64=-9223372036854775808\ndata: hex=0xabc\ndata: hexZero=0x0\ndata: br=[text]\n"
              "data: brNull=[]\ndata: three=000F 1E\ndata: eighteen=000F 1E2D 3C4B 5A69 7887 96A5 B4C3 D2E1\nF0FF\n"
              "data: none=(empty)\ndata: null=(empty)\ndata: second=000F\nerror: No binary data to log\n"
              "error: Memory allocation failed.\ndata: failurePoint=growBuffer\ndata: numBytes=5000000000\n"
              "data: WindowsError=" + text + "\ndata: WindowsErrorCode=0x2\ndata: WindowsError=" + text + "\n");
}

TEST(LogBase, ElapsedTime) {
    const uint32_t now = SystemInfo::tickCountMs();
    test::RecordingLog log;
    log.logElapsedTime("later", now + 600000);      // the start lies ahead: the tick count wrapped
    log.logElapsedTime("ancient", now - 900000000);  // too long ago to be believed
    log.logElapsedTime("elapsed", now - 2500);
    long ms = 0;
    char unit[16] = {};
    ASSERT_TRUE(log.lines.size() == 1u && std::sscanf(log.lines[0].c_str(), "data: elapsed=Elapsed time: %ld %15s", &ms, unit) == 2)
        << log.joined();
    EXPECT_TRUE(std::string(unit) == "millisec" && ms >= 2500 && ms < 2500 + 600000) << ms;  // however slow, not ten minutes
}

}  // namespace
}  // namespace quorvel
