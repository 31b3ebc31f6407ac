#include <gtest/gtest.h>

#include <string>

#include "foundation/ErrorLog.h"
#include "foundation/LogContextExitor.h"
#include "foundation/Logger.h"
#include "foundation/StringBuffer.h"

namespace quorvel {
namespace {

std::string textOf(LogBase &log) {
    StringBuffer sb;
    EXPECT_TRUE(log.getText(sb));
    return sb.getString();
}

std::string xmlOf(LogBase &log) {
    StringBuffer sb;
    EXPECT_TRUE(log.getXml(sb));
    return sb.getString();
}

std::string htmlOf(LogBase &log) {
    StringBuffer sb;
    EXPECT_TRUE(log.getHtml(sb));
    return sb.getString();
}

// Contexts, errors, information, raw lines and data with and without CDATA; "empty" vanishes.
void buildSmallTree(Logger &log) {
    log.enterContext("Method", true);
    log.logData("DllDate", "Mar 21 2014");
    log.logInfo("two\nlines");
    log.enterContext("inner", true);
    log.logError("Bad <thing>");
    log.logRaw("<raw>&amp;</raw>");
    log.logData("plain", "a & b");
    log.logData("marked", "x<![CDATA[y]]>z");
    log.logData("tab", "a\tb");
    log.leaveContext();
    log.enterContext("empty", true);
    log.leaveContext();
    log.logData("quote", "say \"hi\"");
    log.leaveContext();
}

TEST(ErrorLogRendering, TextForm) {
    Logger log;
    buildSmallTree(log);
    EXPECT_EQ(textOf(log),
              "QuorvelLog:\r\n"
              "  Method:\r\n"
              "    DllDate: Mar 21 2014\r\n"
              "    two\nlines\r\n"
              "    inner:\r\n"
              "      Bad <thing>\r\n"
              "      <raw>&amp;</raw>\r\n"
              "      plain: a & b\r\n"
              "      marked: x<![CDATA[y]]>z\r\n"
              "      tab: a\tb\r\n"
              "    --inner\r\n"
              "    quote: say \"hi\"\r\n"
              "  --Method\r\n"
              "--QuorvelLog\r\n");
}

TEST(ErrorLogRendering, XmlForm) {
    Logger log;
    buildSmallTree(log);
    EXPECT_EQ(xmlOf(log),
              "<QuorvelLog>\r\n"
              "  <Method>\r\n"
              "    <DllDate>Mar 21 2014</DllDate>\r\n"
              "    <info><![CDATA[two\nlines]]></info>\r\n"
              "    <inner>\r\n"
              "      <error><![CDATA[Bad <thing>]]></error>\r\n"
              "      <raw>&amp;</raw>\r\n"
              "      <plain><![CDATA[a & b]]></plain>\r\n"
              "      <marked>x<![CDATA[y]]>z</marked>\r\n"
              "      <tab><![CDATA[a\tb]]></tab>\r\n"
              "    </inner>\r\n"
              "    <quote>say \"hi\"</quote>\r\n"
              "  </Method>\r\n"
              "</QuorvelLog>\r\n");
}

TEST(ErrorLogRendering, HtmlForm) {
    Logger log;
    buildSmallTree(log);
    EXPECT_EQ(htmlOf(log),
              "QuorvelLog:<blockquote>\r\n"
              "Method:<blockquote>\r\n"
              "DllDate: Mar 21 2014<br>\r\n"
              "two\nlines<br>\r\n"
              "inner:<blockquote>\r\n"
              "Bad &lt;thing&gt;<br>\r\n"
              "&lt;raw&gt;&amp;amp;&lt;/raw&gt;<br>\r\n"
              "plain: a &amp; b<br>\r\n"
              "marked: x&lt;![CDATA[y]]&gt;z<br>\r\n"
              "tab: a\tb<br>\r\n"
              "</blockquote>\r\n"
              "quote: say &quot;hi&quot;<br>\r\n"
              "</blockquote>\r\n"
              "</blockquote>\r\n");
}

TEST(ErrorLogRendering, CdataRule) {
    struct Case {
        const char *value;
        const char *xml;
    };
    const Case cases[] = {
        {"plain text", "plain text"},
        {"a\"b'c", "a\"b'c"},
        {"line\nfeed", "<![CDATA[line\nfeed]]>"},
        {"cr\ronly", "cr\ronly"},
        {"tab\there", "<![CDATA[tab\there]]>"},
        {"amp&", "<![CDATA[amp&]]>"},
        {"gt>", "<![CDATA[gt>]]>"},
        {"<lt", "<![CDATA[<lt]]>"},
        {"<![CDATA[open only", "<![CDATA[<![CDATA[open only]]>"},
        {"close only]]> <", "<![CDATA[close only]]> <]]>"},
        {"<![CDATA[both]]>", "<![CDATA[both]]>"},
        {"", ""},
    };
    for (const Case &c : cases) {
        Logger log;
        log.logData("v", c.value);
        EXPECT_EQ(xmlOf(log), std::string("<QuorvelLog>\r\n  <v>") + c.xml + "</v>\r\n</QuorvelLog>\r\n")
            << c.value;
    }
}

TEST(ErrorLogRendering, FreshLogHasOnlyTheRoot) {
    Logger log;
    EXPECT_EQ(textOf(log), "QuorvelLog:\r\n--QuorvelLog\r\n");
    EXPECT_EQ(xmlOf(log), "<QuorvelLog>\r\n</QuorvelLog>\r\n");
    EXPECT_EQ(htmlOf(log), "QuorvelLog:<blockquote>\r\n</blockquote>\r\n");
}

TEST(ErrorLogRendering, AppendsToExistingOutput) {
    Logger log;
    log.logInfo("x");
    StringBuffer out("before|");
    ASSERT_TRUE(log.getText(out));
    EXPECT_STREQ(out.getString(), "before|QuorvelLog:\r\n  x\r\n--QuorvelLog\r\n");
}

TEST(ErrorLogContexts, EmptyNestedContextsVanishMethodContextStays) {
    Logger log;
    log.enterContext("Method", true);
    log.enterContext("outer", true);
    log.enterContext("innermost", true);
    log.leaveContext();
    log.leaveContext();
    log.leaveContext();
    EXPECT_EQ(textOf(log), "QuorvelLog:\r\n  Method:\r\n  --Method\r\n--QuorvelLog\r\n");

    // A nested context that holds only a context that has entries is kept with it.
    log.clearLog();
    log.enterContext("Method", true);
    log.enterContext("outer", true);
    log.enterContext("inner", true);
    log.logInfo("kept");
    log.leaveContext();
    log.leaveContext();
    log.leaveContext();
    EXPECT_EQ(textOf(log),
              "QuorvelLog:\r\n  Method:\r\n    outer:\r\n      inner:\r\n        kept\r\n"
              "      --inner\r\n    --outer\r\n  --Method\r\n--QuorvelLog\r\n");
}

TEST(ErrorLogContexts, LeavingTheRootDoesNothing) {
    Logger log;
    EXPECT_FALSE(log.leaveContext());
    log.logInfo("still at the root");
    EXPECT_EQ(textOf(log), "QuorvelLog:\r\n  still at the root\r\n--QuorvelLog\r\n");
}

TEST(ErrorLogContexts, ContextExitorScopes) {
    Logger log;
    log.enterContext("Method", true);
    {
        LogContextExitor ctx(log, "scoped");
        log.logInfo("x");
    }
    {
        LogContextExitor ctx(log, "skipped", false);
        log.logInfo("y");
    }
    log.leaveContext();
    EXPECT_EQ(textOf(log),
              "QuorvelLog:\r\n  Method:\r\n    scoped:\r\n      x\r\n    --scoped\r\n    y\r\n  --Method\r\n"
              "--QuorvelLog\r\n");
}

TEST(ErrorLogContexts, ClearStartsAFreshRoot) {
    Logger log;
    log.enterContext("Method", true);
    log.enterContext("open", true);
    log.logError("old");
    log.clearLog();
    log.logInfo("new");
    EXPECT_EQ(textOf(log), "QuorvelLog:\r\n  new\r\n--QuorvelLog\r\n");
}

size_t countOf(const std::string &text, const std::string &what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

TEST(ErrorLogLimits, TenThousandEntriesPerContext) {
    ErrorLog log;
    ASSERT_TRUE(log.enterContext("Method"));
    for (int i = 0; i < 9999; ++i) ASSERT_TRUE(log.addData("n", std::to_string(i).c_str()));
    // The 10000th entry of Method is a context, which still takes entries of its own.
    ASSERT_TRUE(log.enterContext("sub"));
    EXPECT_TRUE(log.addLine(LogEntry2::kInfo, "in sub"));
    EXPECT_TRUE(log.leaveContext());

    EXPECT_FALSE(log.addData("late", "dropped"));
    EXPECT_FALSE(log.addLine(LogEntry2::kError, "late error"));
    // A context that cannot be recorded is still balanced by its leave: Method stays current.
    EXPECT_FALSE(log.enterContext("unrecorded"));
    EXPECT_EQ(log.openDepth(), 2);
    EXPECT_FALSE(log.addLine(LogEntry2::kInfo, "inside unrecorded"));
    EXPECT_TRUE(log.leaveContext());
    EXPECT_EQ(log.openDepth(), 1);
    EXPECT_FALSE(log.addData("after", "dropped"));
    EXPECT_TRUE(log.leaveContext());
    EXPECT_TRUE(log.addLine(LogEntry2::kInfo, "at root"));

    StringBuffer sb;
    ASSERT_TRUE(log.appendText(sb));
    const std::string text = sb.getString();
    EXPECT_EQ(countOf(text, "\r\n"), 2u + 9999u + 3u + 1u + 1u + 1u);
    EXPECT_NE(text.find("    n: 0\r\n    n: 1\r\n"), std::string::npos);
    EXPECT_NE(text.find("    n: 9998\r\n    sub:\r\n      in sub\r\n    --sub\r\n  --Method\r\n  at root\r\n"
                        "--QuorvelLog\r\n"),
              std::string::npos);
    EXPECT_EQ(text.find("late"), std::string::npos);
    EXPECT_EQ(text.find("unrecorded"), std::string::npos);
    EXPECT_EQ(text.find("after"), std::string::npos);
}

TEST(ErrorLogLimits, DeepNestingRendersAndFreesWithoutRecursion) {
    const int depth = 200000;
    Logger log;
    for (int i = 0; i < depth; ++i) {
        log.enterContext("c", true);
        log.logInfo("i");
    }
    StringBuffer html;
    ASSERT_TRUE(log.getHtml(html));
    // Each level: "c:<blockquote>\r\n", "i<br>\r\n" and "</blockquote>\r\n"; the root has no line.
    EXPECT_EQ(html.getSize(), static_cast<uint32_t>(25 + 15 + depth * (16 + 7 + 15)));
    EXPECT_TRUE(html.beginsWith("QuorvelLog:<blockquote>\r\nc:<blockquote>\r\ni<br>\r\nc:<blockquote>\r\n"));
    for (int i = 0; i < depth; ++i) log.leaveContext();
    log.clearLog();
    EXPECT_EQ(textOf(log), "QuorvelLog:\r\n--QuorvelLog\r\n");

    // The same depth torn down by the destructor.
    auto *deep = new Logger();
    for (int i = 0; i < depth; ++i) {
        deep->enterContext("c", true);
        deep->logInfo("i");
    }
    delete deep;
}

TEST(ErrorLogData, TagCleanUp) {
    Logger log;
    EXPECT_TRUE(log.logData("  two words here\t", "v"));
    EXPECT_FALSE(log.logData("    ", "spaces only"));
    EXPECT_FALSE(log.logData("", "empty"));
    EXPECT_FALSE(log.logData(nullptr, "absent"));
    EXPECT_TRUE(log.logData("noValue", nullptr));
    EXPECT_EQ(textOf(log), "QuorvelLog:\r\n  two_words_here: v\r\n  noValue: (NULL)\r\n--QuorvelLog\r\n");
    EXPECT_EQ(xmlOf(log),
              "<QuorvelLog>\r\n  <two_words_here>v</two_words_here>\r\n  <noValue>(NULL)</noValue>\r\n"
              "</QuorvelLog>\r\n");
}

}  // namespace
}  // namespace quorvel
