#include <gtest/gtest.h>

#include <bit>
#include <string>

#include "foundation/base/ClsBase.h"
#include "foundation/log/LogContextExitor.h"
#include "foundation/base/MethodFrame.h"
#include "foundation/base/ProgressEvent.h"
#include "foundation/base/QuorvelCritSec.h"
#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"
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

std::string last(ClsBase &obj, void (ClsBase::*getter)(XString &) = &ClsBase::get_LastErrorText) {
    XString out;
    (obj.*getter)(out);
    return out.getUtf8();
}

std::string prologue(const char *method, int verbose) {
    // The Username entry as the platform describes this machine and user.
    std::string computer, user;
    if (!SystemInfo::computerName(computer)) computer = "Win32";
    SystemInfo::userName(user);
    const std::string username = computer.empty() ? user : computer + ":" + user;
    const char *order = std::endian::native == std::endian::big ? "Big" : "Little";
    return std::string("QuorvelLog:\r\n  ") + method + ":\r\n    DllDate: Mar 21 2014\r\n" +
           "    QuorvelVersion: 9.5.0.21\r\n    Username: " + username + "\r\n    Architecture: " + order +
           " Endian; 64-bit\r\n" +
           "    Language: ActiveX / x64\r\n    VerboseLogging: " + std::to_string(verbose) + "\r\n";
}

TEST(ClsBaseLog, PrologueAndEpilogue) {
    Sample obj;
    XString version;
    obj.get_Version(version);
    EXPECT_STREQ(version.getUtf8(), "9.5.0.21");
    EXPECT_EQ(last(obj), "QuorvelLog:\r\n--QuorvelLog\r\n");
    const std::string nested = "    nested:\r\n      step: 1\r\n    --nested\r\n";
    const std::string success = "    Success.\r\n  --Work\r\n--QuorvelLog\r\n";
    EXPECT_TRUE(obj.Work(true, "did it"));
    EXPECT_EQ(last(obj), prologue("Work", 0) + "    did it\r\n" + nested + success);
    // The next call replaces the log; verbose logging reaches the prologue and the method's log.
    EXPECT_FALSE(obj.get_VerboseLogging());
    obj.put_VerboseLogging(true);
    EXPECT_FALSE(obj.Work(false, "second"));
    EXPECT_TRUE(obj.get_VerboseLogging() && obj.sawVerbose);
    EXPECT_EQ(last(obj), prologue("Work", 1) + "    second\r\n" + nested + "    Failed.\r\n  --Work\r\n--QuorvelLog\r\n");
    obj.put_VerboseLogging(false);
    // A method that returns early still closes its context and releases the lock.
    EXPECT_FALSE(obj.Abandon());
    EXPECT_EQ(last(obj), prologue("Abandon", 0) + "  --Abandon\r\n--QuorvelLog\r\n");
    EXPECT_TRUE(obj.Work(true, "next"));
    EXPECT_FALSE(obj.sawVerbose);
    EXPECT_EQ(last(obj), prologue("Work", 0) + "    next\r\n" + nested + success);
    // Outside any method an exception entry goes under the root.
    obj.logErrorInMethod("LoadXml", "It went wrong.");
    obj.logExceptionText("bad_alloc");
    EXPECT_EQ(last(obj), prologue("LoadXml", 0) + "    It went wrong.\r\n  --LoadXml\r\n  Exception: bad_alloc\r\n--QuorvelLog\r\n");
}

TEST(ClsBaseLog, GettersTurnLoneLineFeedsIntoCrLf) {
    Sample obj;
    obj.Work(true, "first\nsecond\r\nthird & <4>");
    const std::string text = last(obj), html = last(obj, &ClsBase::get_LastErrorHtml);
    EXPECT_NE(text.find("    first\r\nsecond\r\nthird & <4>\r\n"), std::string::npos);
    EXPECT_EQ(text.find("\r\r"), std::string::npos);
    const std::string xml = last(obj, &ClsBase::get_LastErrorXml);
    EXPECT_NE(xml.find("    <info><![CDATA[first\r\nsecond\r\nthird & <4>]]></info>\r\n"), std::string::npos);
    EXPECT_NE(html.find("Work:<blockquote>\r\nDllDate: Mar 21 2014<br>\r\n"), std::string::npos);
    EXPECT_NE(html.find("first\r\nsecond\r\nthird &amp; &lt;4&gt;<br>\r\n"), std::string::npos);
}

TEST(ClsBaseLog, SaveLastErrorAndDebugLogFile) {
    const std::string dir = test::scratchDir("ClsBaseSaveLastError"), path = dir + "log.xml";
    Sample obj;
    obj.Work(true, "a\nb");
    const std::string before = last(obj);
    EXPECT_FALSE(obj.SaveLastError(xs("   ")) || obj.SaveLastError(xs("")) || obj.SaveLastError(xs(dir + "missing/log.xml")));
    EXPECT_FALSE(test::fileExists("   "));
    // The file is replaced, the path trimmed, and the XML written without the CR LF pass.
    ASSERT_TRUE(test::writeRawFile(path, std::string(20000, 'x')));
    EXPECT_TRUE(obj.SaveLastError(xs(" \t" + path + "  ")));
    std::string expected = last(obj, &ClsBase::get_LastErrorXml);
    const size_t at = expected.find("<info><![CDATA[a\r\nb]]></info>\r\n");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(test::fileBytes(path), expected.replace(at + 16, 2, "\n"));
    EXPECT_EQ(last(obj), before);  // saving does not change the log
    // The debug log file receives the method's entries while its path is set.
    XString got;
    obj.put_DebugLogFilePath(xs(dir + "debug.log"));
    obj.get_DebugLogFilePath(got);
    EXPECT_EQ(got.getUtf8(), dir + "debug.log");
    obj.Work(true, "to the file");
    obj.put_DebugLogFilePath(XString());
    obj.Work(true, "not in the file");
    const std::string written = test::fileBytes(dir + "debug.log");
    EXPECT_TRUE(written.rfind("Work:", 0) == 0 && written.find("    to the file") != std::string::npos) << written;
    EXPECT_EQ(written.find("not in the file"), std::string::npos);
}

// Every callback that can ask to abort answers no by default, whatever the flag held before.
TEST(ProgressEventDefaults, NeverAskToAbort) {
    ProgressEvent sink;
    bool a[6] = {true, true, true, true, true, true};
    sink.percentDone(50, a[0]), sink.abortCheck(a[1]), sink.sendProgress(10, 100, a[2]);
    sink.receiveProgress(10, -1, a[3]), sink.redirect("http://a/", "http://b/", 302, a[4]), sink.idleWait(1000, a[5]);
    EXPECT_FALSE(a[0] || a[1] || a[2] || a[3] || a[4] || a[5]);
}

}  // namespace
}  // namespace quorvel
