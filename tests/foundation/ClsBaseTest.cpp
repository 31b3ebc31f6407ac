#include <gtest/gtest.h>

#include <bit>
#include <string>

#include "foundation/ClsBase.h"
#include "foundation/LogContextExitor.h"
#include "foundation/MethodFrame.h"
#include "foundation/QuorvelCritSec.h"
#include "foundation/StringBuffer.h"
#include "foundation/XString.h"
#include "platform/SystemInfo.h"
#include "support/TestFiles.h"

namespace quorvel {
namespace {

// A public object in miniature: a method that logs inside the standard frame.
class Sample : public ClsBase, public QuorvelCritSec {
public:
    bool Work(bool succeed, const char *note) {
        MethodFrame frame(*this, this, "Work");
        sawVerbose = frame.log().verbose();
        frame.log().logInfo(note);
        {
            LogContextExitor step(frame.log(), "nested");
            frame.log().logData("step", "1");
        }
        return frame.finish(succeed);
    }
    // Leaves early, before any epilogue.
    bool Abandon() {
        MethodFrame frame(*this, this, "Abandon");
        return false;
    }

    bool sawVerbose = false;
};

XString xs(const std::string &s) {
    XString x;
    x.setFromUtf8(s.c_str());
    return x;
}

std::string lastText(ClsBase &obj) {
    XString out;
    obj.get_LastErrorText(out);
    return out.getUtf8();
}

std::string lastXml(ClsBase &obj) {
    XString out;
    obj.get_LastErrorXml(out);
    return out.getUtf8();
}

std::string lastHtml(ClsBase &obj) {
    XString out;
    obj.get_LastErrorHtml(out);
    return out.getUtf8();
}

bool endsWith(const std::string &s, const std::string &tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// The Username entry as the platform describes this machine and user.
std::string expectedUsername() {
    StringBuffer computer;
    if (!SystemInfo::computerName(computer)) computer.setString("Win32");
    StringBuffer user;
    SystemInfo::userName(user);
    if (computer.isEmpty()) return user.getString();
    return std::string(computer.getString()) + ":" + user.getString();
}

std::string prologue(const char *method, int verbose) {
    const char *order = std::endian::native == std::endian::big ? "Big" : "Little";
    return std::string("QuorvelLog:\r\n  ") + method + ":\r\n" +
           "    DllDate: Mar 21 2014\r\n"
           "    QuorvelVersion: 9.5.0.21\r\n"
           "    Username: " + expectedUsername() + "\r\n" +
           "    Architecture: " + order + " Endian; 64-bit\r\n" +
           "    Language: ActiveX / x64\r\n"
           "    VerboseLogging: " + std::to_string(verbose) + "\r\n";
}

TEST(ClsBaseLog, FreshObjectAndVersion) {
    Sample obj;
    EXPECT_EQ(lastText(obj), "QuorvelLog:\r\n--QuorvelLog\r\n");
    EXPECT_EQ(lastXml(obj), "<QuorvelLog>\r\n</QuorvelLog>\r\n");
    EXPECT_EQ(lastHtml(obj), "QuorvelLog:<blockquote>\r\n</blockquote>\r\n");
    XString version;
    obj.get_Version(version);
    EXPECT_STREQ(version.getUtf8(), "9.5.0.21");
    EXPECT_EQ(lastText(obj), "QuorvelLog:\r\n--QuorvelLog\r\n");
    EXPECT_FALSE(obj.get_VerboseLogging());
}

TEST(ClsBaseLog, PrologueAndEpilogue) {
    Sample obj;
    EXPECT_TRUE(obj.Work(true, "did it"));
    const std::string expected = prologue("Work", 0) +
                                 "    did it\r\n"
                                 "    nested:\r\n"
                                 "      step: 1\r\n"
                                 "    --nested\r\n"
                                 "    Success.\r\n"
                                 "  --Work\r\n"
                                 "--QuorvelLog\r\n";
    EXPECT_EQ(lastText(obj), expected);

    // The next call replaces the log.
    EXPECT_FALSE(obj.Work(false, "second"));
    EXPECT_EQ(lastText(obj), prologue("Work", 0) +
                                 "    second\r\n    nested:\r\n      step: 1\r\n    --nested\r\n"
                                 "    Failed.\r\n  --Work\r\n--QuorvelLog\r\n");
}

TEST(ClsBaseLog, FrameClosesTheContextOnEarlyReturn) {
    Sample obj;
    EXPECT_FALSE(obj.Abandon());
    EXPECT_EQ(lastText(obj), prologue("Abandon", 0) + "  --Abandon\r\n--QuorvelLog\r\n");
    // The lock was released and the log is back at the root: a later call starts afresh.
    EXPECT_TRUE(obj.Work(true, "next"));
    EXPECT_TRUE(endsWith(lastText(obj), "    Success.\r\n  --Work\r\n--QuorvelLog\r\n"));
}

TEST(ClsBaseLog, VerboseLoggingReachesThePrologueAndTheLog) {
    Sample obj;
    obj.put_VerboseLogging(true);
    EXPECT_TRUE(obj.get_VerboseLogging());
    obj.Work(true, "v");
    EXPECT_TRUE(obj.sawVerbose);
    EXPECT_EQ(lastText(obj).substr(0, prologue("Work", 1).size()), prologue("Work", 1));
    obj.put_VerboseLogging(false);
    obj.Work(true, "v");
    EXPECT_FALSE(obj.sawVerbose);
    EXPECT_EQ(lastText(obj).substr(0, prologue("Work", 0).size()), prologue("Work", 0));
}

TEST(ClsBaseLog, GettersTurnLoneLineFeedsIntoCrLf) {
    Sample obj;
    obj.Work(true, "first\nsecond\r\nthird & <4>");
    const std::string text = lastText(obj);
    EXPECT_NE(text.find("    first\r\nsecond\r\nthird & <4>\r\n"), std::string::npos);
    EXPECT_EQ(text.find("\r\r"), std::string::npos);
    EXPECT_NE(lastXml(obj).find("    <info><![CDATA[first\r\nsecond\r\nthird & <4>]]></info>\r\n"),
              std::string::npos);
    EXPECT_NE(lastHtml(obj).find("Work:<blockquote>\r\nDllDate: Mar 21 2014<br>\r\n"), std::string::npos);
    EXPECT_NE(lastHtml(obj).find("first\r\nsecond\r\nthird &amp; &lt;4&gt;<br>\r\n"), std::string::npos);
}

TEST(ClsBaseLog, SaveLastError) {
    const std::string dir = test::scratchDir("ClsBaseSaveLastError");
    Sample obj;
    obj.Work(true, "a\nb");
    const std::string before = lastText(obj);

    EXPECT_FALSE(obj.SaveLastError(xs("   ")));
    EXPECT_FALSE(test::fileExists("   "));
    EXPECT_FALSE(obj.SaveLastError(xs("")));
    EXPECT_FALSE(obj.SaveLastError(xs(dir + "missing/log.xml")));
    EXPECT_FALSE(test::fileExists(dir + "missing"));

    // The file is replaced, the path trimmed, and the XML written without the CR LF pass.
    const std::string path = dir + "log.xml";
    ASSERT_TRUE(test::writeRawFile(path, std::string(20000, 'x')));
    EXPECT_TRUE(obj.SaveLastError(xs(" \t" + path + "  ")));
    std::string saved;
    ASSERT_TRUE(test::readRawFile(path, saved));
    std::string expected = lastXml(obj);
    const size_t at = expected.find("a\r\nb");
    ASSERT_NE(at, std::string::npos);
    expected.replace(at, 4, "a\nb");
    EXPECT_EQ(saved, expected);
    EXPECT_NE(saved.find("<info><![CDATA[a\nb]]></info>\r\n"), std::string::npos);
    // Saving does not change the log.
    EXPECT_EQ(lastText(obj), before);
}

TEST(ClsBaseLog, ErrorInMethodAndExceptionText) {
    Sample obj;
    obj.logErrorInMethod("LoadXml", "It went wrong.");
    const std::string method = prologue("LoadXml", 0) + "    It went wrong.\r\n  --LoadXml\r\n";
    EXPECT_EQ(lastText(obj), method + "--QuorvelLog\r\n");
    // Outside any method the entry goes under the root.
    obj.logExceptionText("bad_alloc");
    EXPECT_EQ(lastText(obj), method + "  Exception: bad_alloc\r\n--QuorvelLog\r\n");
}

TEST(ClsBaseLog, DebugLogFilePathProperty) {
    const std::string path = test::scratchDir("ClsBaseDebugPath") + "debug.log";
    Sample obj;
    XString got;
    obj.get_DebugLogFilePath(got);
    EXPECT_TRUE(got.isEmpty());
    obj.put_DebugLogFilePath(xs(path));
    obj.get_DebugLogFilePath(got);
    EXPECT_STREQ(got.getUtf8(), path.c_str());
    obj.Work(true, "to the file");
    std::string first;
    ASSERT_TRUE(test::readRawFile(path, first));
    EXPECT_EQ(first.rfind("Work:", 0), 0u);
    EXPECT_NE(first.find("    DllDate: Mar 21 2014"), std::string::npos);
    EXPECT_NE(first.find("    to the file"), std::string::npos);
    EXPECT_NE(first.find("        step: 1"), std::string::npos);

    obj.put_DebugLogFilePath(XString());
    obj.get_DebugLogFilePath(got);
    EXPECT_TRUE(got.isEmpty());
    obj.Work(true, "not in the file");
    std::string second;
    ASSERT_TRUE(test::readRawFile(path, second));
    EXPECT_EQ(second, first);
}

}  // namespace
}  // namespace quorvel
