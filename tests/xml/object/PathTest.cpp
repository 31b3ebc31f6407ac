// Path commands: every step form and return command, failures that must not move the
// object, and indexes too large for an int.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "foundation/XString.h"
#include "XmlTestSupport.h"
#include "xml/object/ClsXml.h"

namespace quorvel {
namespace {

using namespace quorvel::test;

const char *kShop =
    "<shop id=\"s\">top"
    "<book id=\"b0\"><title>T0</title></book>"
    "<book id=\"b1\"><title>T1</title><price>15</price></book>"
    "<color>blue</color><color>red</color>"
    "<item sku=\"A1\">Apple</item><item sku=\"B2\" id=\"7\">Banana</item><item sku=\"E0\"/>"
    "<x note=\"a,b\">xc</x>"
    "</shop>";

struct PathCase {
    const char *path;
    bool ok;
    const char *out;
};

void expectPaths(ClsXml &xml, const PathCase *begin, const PathCase *end) {
    std::string home = tagOf(xml);
    int treeId = xml.get_TreeId();
    for (const PathCase *c = begin; c != end; ++c) {
        XString out;
        out.setFromUtf8("stale");
        EXPECT_EQ(xml.QuorvelPath(x(c->path), out), c->ok) << c->path;
        EXPECT_STREQ(out.getUtf8(), c->ok ? c->out : "") << c->path;
        EXPECT_EQ(tagOf(xml), home) << c->path << " moved the object";
        EXPECT_EQ(xml.get_TreeId(), treeId);
    }
}

TEST(PathCommand, StepFormsAndReturnCommands) {
    auto doc = load(kShop);
    const PathCase cases[] = {
        // return commands alone
        {"*", true, "top"},
        {"", true, ""},
        {"(id)", true, "s"},
        {"(id", true, "s"},  // no ')' : the name runs to the end
        {"(nope)", false, ""},
        {"q", false, ""},
        {"|*", true, "top"},  // an empty step does not move
        {"book||(id)", true, "b0"},
        {"book|", true, ""},
        {"x|*ignored", true, "xc"},
        {"x|q", false, ""},
        // parent
        {"..|*", false, ""},
        {"book|title|..|..|*", true, "top"},
        // child by tag, exact and untrimmed
        {"x|*", true, "xc"},
        {" x|*", false, ""},
        {"X|*", false, ""},
        {"nope|*", false, ""},
        // index steps
        {"book[1]|title|*", true, "T1"},
        {" book [1]|title|*", true, "T1"},
        {"book[ +1]|title|*", true, "T1"},
        {"book[1x|title|*", true, "T1"},  // no ']' needed, the rest is ignored
        {"book[2]|*", false, ""},
        {"book[-1]|*", false, ""},
        {"book[]|*", false, ""},  // no number: the whole step is the tag
        {"[0]|(id)", true, "b0"},
        {"[7]|*", true, "xc"},
        {"[8]|*", false, ""},
        {"[-1]|*", false, ""},
        {"[\t\n-0]|(id)", true, "b0"},
        {"[0001]|(id)", true, "b1"},
        // content steps
        {"color{red}|*", true, "red"},
        {"{red}|*", true, "red"},
        {"{blue}|*", true, "blue"},
        {"book{}|(id)", true, "b0"},
        {"color{red|*", false, ""},
        {"color{re}|*", false, ""},
        {"colour{red}|*", false, ""},
        {"}color{red|*", false, ""},
        // subtree searches, the cursor included
        {"/T/price|*", true, "15"},
        {"/T/price|..|(id)", true, "b1"},
        {"/T/shop|(id)", true, "s"},
        {"/T/nope|*", false, ""},
        {"/T/ price|*", false, ""},
        {"/T/title|..|..|..|*", false, ""},
        {"/C/item,A*|(sku)", true, "A1"},
        {"/C/item,*an*|(id)", true, "7"},
        {"/C/item|(sku)", true, "E0"},  // no pattern: the first item with empty content
        {"/C/item,|(sku)", true, "E0"},
        {"/C/item,Cherry|*", false, ""},
        {"/A/item,id,7|*", true, "Banana"},
        {"/A/item,sku,B*|*", true, "Banana"},
        {"/A/x,note,a,b|*", true, "xc"},  // the pattern keeps its commas
        {"/A/item,id|*", false, ""},
        {"/A/item,id,8|*", false, ""},
    };
    expectPaths(*doc, std::begin(cases), std::end(cases));
}

TEST(PathCommand, DollarMovesOnlyAfterAWholeWalk) {
    auto doc = load(kShop);
    XString out;
    out.setFromUtf8("stale");
    ASSERT_TRUE(doc->QuorvelPath(x("$"), out));
    EXPECT_TRUE(out.isEmpty());
    EXPECT_EQ(tagOf(*doc), "shop");

    // The first two steps succeed, the third fails: nothing moves.
    EXPECT_FALSE(doc->QuorvelPath(x("book[1]|title|nope|$"), out));
    EXPECT_FALSE(doc->QuorvelPath(x("book[1]|title|$x|"), out));
    EXPECT_FALSE(doc->QuorvelPath(x("x|q$"), out));
    EXPECT_EQ(tagOf(*doc), "shop");

    auto obj = doc->GetSelf();
    ASSERT_TRUE(obj->QuorvelPath(x("/T/price|..|$"), out));
    EXPECT_TRUE(obj->TagEquals(x("book")));
    EXPECT_TRUE(obj->HasAttrWithValue(x("id"), x("b1")));
    ASSERT_TRUE(obj->QuorvelPath(x("price|$"), out));
    // Standing on a price, the search finds the node itself and ".." is its parent.
    ASSERT_TRUE(obj->QuorvelPath(x("/T/price|..|$"), out));
    EXPECT_TRUE(obj->HasAttrWithValue(x("id"), x("b1")));

    obj->CopyRef(doc.get());
    ASSERT_TRUE(obj->QuorvelPath(x("color{red}|$trailing"), out));
    EXPECT_EQ(tagOf(*obj), "color");
    obj->get_Content(out);
    EXPECT_STREQ(out.getUtf8(), "red");
    ASSERT_TRUE(obj->QuorvelPath(x("..|{Banana}|$"), out));
    EXPECT_TRUE(obj->HasAttrWithValue(x("id"), x("7")));
    EXPECT_EQ(tagOf(*doc), "shop");
}

// An index out of the int range fails the step; it must not wrap onto a real child.
TEST(PathCommand, IndexesBeyondIntFail) {
    auto doc = load("<r><c>zero</c><c>one</c><c>two</c></r>");
    const PathCase cases[] = {
        {"[1]|*", true, "one"},
        {"c[2]|*", true, "two"},
        {"[000000000000000000000000002]|*", true, "two"},
        {"[2147483647]|*", false, ""},
        {"[2147483648]|*", false, ""},
        {"[4294967296]|*", false, ""},  // 2^32 would wrap to 0
        {"[4294967297]|*", false, ""},  // and this to 1
        {"c[4294967298]|*", false, ""},
        {"[18446744073709551617]|*", false, ""},  // 2^64 + 1
        {"[99999999999999999999999999999999999999]|*", false, ""},
        {"[-2147483648]|*", false, ""},
        {"[-2147483649]|*", false, ""},
        {"[-4294967296]|*", false, ""},
        {"[-4294967295]|*", false, ""},  // would wrap to 1
    };
    expectPaths(*doc, std::begin(cases), std::end(cases));
}

}  // namespace
}  // namespace quorvel
