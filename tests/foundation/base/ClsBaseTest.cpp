// The public object's frame (its log, the last-error forms, the debug file) and the pointer
// array the objects keep their children in.
#include <gtest/gtest.h>

#include <bit>
#include <vector>

#include "foundation/base/ClsBase.h"
#include "foundation/base/ExtPtrArray.h"
#include "foundation/base/MethodFrame.h"
#include "foundation/base/QuorvelCritSec.h"
#include "foundation/log/LogContextExitor.h"
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
    bool Abandon() {  // leaves early, before any epilogue
        MethodFrame frame(*this, this, "Abandon");
        return false;
    }
    bool sawVerbose = false;
};

XString xs(const std::string &s) { XString x; x.setFromUtf8(s.c_str()); return x; }

std::string last(ClsBase &obj, void (ClsBase::*getter)(XString &) = &ClsBase::get_LastErrorText) {
    XString out;
    (obj.*getter)(out);
    return out.getUtf8();
}

// The Username entry as the platform describes this machine and user.
std::string prologue(const char *method, int verbose) {
    std::string computer, user;
    if (!SystemInfo::computerName(computer)) computer = "Win32";
    SystemInfo::userName(user);
    return std::string("QuorvelLog:\r\n  ") + method + ":\r\n    DllDate: Mar 21 2014\r\n    QuorvelVersion: 9.5.0.21\r\n    Username: " +
           (computer.empty() ? user : computer + ":" + user) + "\r\n    Architecture: " +
           (std::endian::native == std::endian::big ? "Big" : "Little") + " Endian; 64-bit\r\n    Language: ActiveX / x64\r\n" +
           "    VerboseLogging: " + std::to_string(verbose) + "\r\n";
}

TEST(ClsBaseLog, PrologueAndEpilogue) {
    Sample obj;
    XString version;
    obj.get_Version(version);
    EXPECT_TRUE(version.equalsUtf8("9.5.0.21") && last(obj) == "QuorvelLog:\r\n--QuorvelLog\r\n");
    const std::string nested = "    nested:\r\n      step: 1\r\n    --nested\r\n", success = "    Success.\r\n  --Work\r\n--QuorvelLog\r\n";
    EXPECT_TRUE(obj.Work(true, "did it"));
    EXPECT_EQ(last(obj), prologue("Work", 0) + "    did it\r\n" + nested + success);
    // The next call replaces the log; verbose logging reaches the prologue and the method's log.
    EXPECT_FALSE(obj.get_VerboseLogging());
    obj.put_VerboseLogging(true);
    EXPECT_TRUE(!obj.Work(false, "second") && obj.get_VerboseLogging() && obj.sawVerbose);
    EXPECT_EQ(last(obj), prologue("Work", 1) + "    second\r\n" + nested + "    Failed.\r\n  --Work\r\n--QuorvelLog\r\n");
    obj.put_VerboseLogging(false);
    // A method that returns early still closes its context and releases the lock.
    EXPECT_FALSE(obj.Abandon());
    EXPECT_EQ(last(obj), prologue("Abandon", 0) + "  --Abandon\r\n--QuorvelLog\r\n");
    EXPECT_TRUE(obj.Work(true, "next") && !obj.sawVerbose && last(obj).rfind(prologue("Work", 0), 0) == 0);
    // Outside any method an exception entry goes under the root.
    obj.logErrorInMethod("LoadXml", "It went wrong.");
    obj.logExceptionText("bad_alloc");
    EXPECT_EQ(last(obj), prologue("LoadXml", 0) + "    It went wrong.\r\n  --LoadXml\r\n  Exception: bad_alloc\r\n--QuorvelLog\r\n");
}

// The getters turn lone line feeds into CR LF in each form; the saved XML keeps them.
TEST(ClsBaseLog, LineEndsInTheGettersSaveLastErrorAndTheDebugFile) {
    const std::string dir = test::scratchDir("ClsBaseSaveLastError"), path = dir + "log.xml";
    Sample obj;
    obj.Work(true, "a\nb\r\nc & <4>");
    const std::string before = last(obj), html = last(obj, &ClsBase::get_LastErrorHtml);
    EXPECT_TRUE(before.find("    a\r\nb\r\nc & <4>\r\n") != std::string::npos && before.find("\r\r") == std::string::npos) << before;
    EXPECT_NE(html.find("a\r\nb\r\nc &amp; &lt;4&gt;<br>\r\n"), std::string::npos) << html;
    EXPECT_FALSE(obj.SaveLastError(xs("   ")) || obj.SaveLastError(xs("")) || obj.SaveLastError(xs(dir + "missing/log.xml")) ||
                 test::fileExists("   "));
    // The file is replaced, the path trimmed, and the XML written without the CR LF pass.
    ASSERT_TRUE(test::writeRawFile(path, std::string(20000, 'x')));
    EXPECT_TRUE(obj.SaveLastError(xs(" \t" + path + "  ")));
    std::string expected = last(obj, &ClsBase::get_LastErrorXml);
    const size_t at = expected.find("    <info><![CDATA[a\r\nb\r\nc & <4>]]></info>\r\n");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(test::fileBytes(path), expected.replace(at + 20, 2, "\n"));
    EXPECT_EQ(last(obj), before);  // saving does not change the log
    // The debug file property reaches the method's log (its lines and switching off: LogTest).
    obj.put_DebugLogFilePath(xs(dir + "debug.log"));
    obj.Work(true, "to the file");
    EXPECT_TRUE(test::fileBytes(dir + "debug.log").rfind("Work:", 0) == 0 && last(obj, &ClsBase::get_DebugLogFilePath) == dir + "debug.log");
}

// Counts its destructions so that tests can see what an owning array destroys.
struct Tracked : QuorvelObject {
    explicit Tracked(int &destroyed) : m_destroyed(destroyed) {}
    ~Tracked() override { ++m_destroyed; }
    int &m_destroyed;
};

TEST(ExtPtrArray, CapacityRoughlyDoublesWithTheStepCappedAt100000) {
    ExtPtrArray a;
    std::vector<int32_t> capacities;
    for (int i = 0; i < 400000; ++i) {
        const int32_t before = a.getCapacity();
        ASSERT_TRUE(a.append(nullptr));
        if (a.getCapacity() != before) capacities.push_back(a.getCapacity());
    }
    EXPECT_EQ(capacities, (std::vector<int32_t>{5, 10, 20, 40, 80, 160, 320, 640, 1280, 2560, 5120, 10240, 20480, 40960, 81920, 163840,
                                                263840, 363840, 463840}));
    a.removeAll();
    EXPECT_EQ(a.getCapacity(), 0);
    EXPECT_TRUE(a.append(nullptr) && a.getCapacity() == 5);
}

// Indexes clamp on insertion and give null outside; a borrowing array leaves its items alone, an
// owning one destroys them unless they were handed back.
TEST(ExtPtrArray, IndexingAndOwnership) {
    int destroyed = 0;
    Tracked a(destroyed), b(destroyed), c(destroyed), d(destroyed);
    {
        ExtPtrArray arr;
        ASSERT_TRUE(arr.append(&b) && arr.insertAt(-5, &a) && arr.insertAt(100, &d) && arr.insertAt(2, &c));
        std::vector<QuorvelObject *> items;
        for (int i = -1; i <= 4; ++i) items.push_back(arr.elementAt(i));
        EXPECT_EQ(items, (std::vector<QuorvelObject *>{nullptr, &a, &b, &c, &d, nullptr}));
        EXPECT_TRUE(arr.lastElement() == &d && arr.indexOf(&c) == 2 && arr.removeAt(1) == &b && arr.removeAt(3) == nullptr);
        EXPECT_TRUE(arr.removeItem(&a) && !arr.removeItem(&a) && arr.getSize() == 2 && arr.elementAt(0) == &c);
    }
    {
        ExtPtrArray owning(true);
        for (int i = 0; i < 7; ++i) ASSERT_TRUE(owning.append(new Tracked(destroyed)));
        delete owning.removeAt(0);  // handed back, not destroyed by the array
        owning.removeAll();
        EXPECT_TRUE(destroyed == 7 && owning.getSize() == 0);
        ASSERT_TRUE(owning.append(new Tracked(destroyed)) && owning.append(new Tracked(destroyed)));
    }
    EXPECT_EQ(destroyed, 9);
}

}  // namespace
}  // namespace quorvel
