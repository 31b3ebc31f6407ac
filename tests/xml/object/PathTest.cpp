// Path commands: every step form and return command, failures that must not move the
// object, and indexes too large for an int.
#include <gtest/gtest.h>

#include "XmlTestSupport.h"

namespace quorvel::test {
namespace {

const char *kShop =
    "<shop id=\"s\">top"
    "<book id=\"b0\"><title>T0</title></book>"
    "<book id=\"b1\"><title>T1</title><price>15</price></book>"
    "<color>blue</color><color>red</color>"
    "<item sku=\"A1\">Apple</item><item sku=\"B2\" id=\"7\">Banana</item><item sku=\"E0\"/>"
    "<x note=\"a,b\">xc</x>"
    "</shop>";

// Each path with the text it returns, or null where it fails; none of them moves the object.
void expectPaths(ClsXml &xml, std::initializer_list<std::pair<const char *, const char *>> cases) {
    const std::string home = tagOf(xml);
    for (const auto &[path, result] : cases) {
        XString out;
        out.setFromUtf8("stale");
        EXPECT_EQ(xml.QuorvelPath(x(path), out), result != nullptr) << path;
        EXPECT_STREQ(out.getUtf8(), result ? result : "") << path;
        EXPECT_EQ(tagOf(xml), home) << path << " moved the object";
    }
}

TEST(PathCommand, StepFormsAndReturnCommands) {
    auto doc = load(kShop);
    expectPaths(*doc, {
        // return commands; an empty step does not move, ")" may be missing, the rest of "*" is ignored
        {"*", "top"}, {"", ""}, {"(id)", "s"}, {"(id", "s"}, {"(nope)", nullptr}, {"q", nullptr}, {"|*", "top"},
        {"book||(id)", "b0"}, {"book|", ""}, {"x|*ignored", "xc"}, {"x|q", nullptr},
        // parent; a child by its exact, untrimmed tag
        {"..|*", nullptr}, {"book|title|..|..|*", "top"}, {"x|*", "xc"}, {" x|*", nullptr}, {"X|*", nullptr},
        // indexes: the name is trimmed, "%d" reads the number, no ']' is needed
        {"book[1]|title|*", "T1"}, {" book [1]|title|*", "T1"}, {"book[ +1]|title|*", "T1"}, {"book[1x|title|*", "T1"},
        {"book[2]|*", nullptr}, {"book[-1]|*", nullptr}, {"book[]|*", nullptr},  // no number: the step is the tag
        {"[0]|(id)", "b0"}, {"[7]|*", "xc"}, {"[8]|*", nullptr}, {"[-1]|*", nullptr}, {"[\t\n-0]|(id)", "b0"},
        {"[0001]|(id)", "b1"},
        // content steps
        {"color{red}|*", "red"}, {"{red}|*", "red"}, {"{blue}|*", "blue"}, {"book{}|(id)", "b0"},
        {"color{red|*", nullptr}, {"color{re}|*", nullptr}, {"colour{red}|*", nullptr}, {"}color{red|*", nullptr},
        // subtree searches, the cursor included
        {"/T/price|*", "15"}, {"/T/price|..|(id)", "b1"}, {"/T/shop|(id)", "s"}, {"/T/nope|*", nullptr},
        {"/T/ price|*", nullptr}, {"/T/title|..|..|..|*", nullptr},
        {"/C/item,A*|(sku)", "A1"}, {"/C/item,*an*|(id)", "7"}, {"/C/item,Cherry|*", nullptr},
        {"/C/item|(sku)", "E0"}, {"/C/item,|(sku)", "E0"},  // no pattern: the first item with empty content
        {"/A/item,id,7|*", "Banana"}, {"/A/item,sku,B*|*", "Banana"}, {"/A/item,id|*", nullptr}, {"/A/item,id,8|*", nullptr},
        {"/A/x,note,a,b|*", "xc"},  // the pattern keeps its commas
    });
}

TEST(PathCommand, DollarMovesOnlyAfterAWholeWalk) {
    auto doc = load(kShop);
    // The first two steps succeed, the third fails: nothing moves.
    expectPaths(*doc, {{"$", ""}, {"book[1]|title|nope|$", nullptr}, {"book[1]|title|$x|", nullptr}, {"x|q$", nullptr}});
    auto obj = doc->GetSelf();
    XString out;
    ASSERT_TRUE(obj->QuorvelPath(x("/T/price|..|$"), out));
    EXPECT_TRUE(obj->TagEquals(x("book")) && obj->HasAttrWithValue(x("id"), x("b1")));
    // Standing on a price, the search finds the node itself and ".." is its parent.
    ASSERT_TRUE(obj->QuorvelPath(x("price|$"), out) && obj->QuorvelPath(x("/T/price|..|$"), out));
    EXPECT_TRUE(obj->HasAttrWithValue(x("id"), x("b1")));
    obj->CopyRef(doc.get());
    ASSERT_TRUE(obj->QuorvelPath(x("color{red}|$trailing"), out));
    EXPECT_EQ(where(obj.get()), "color=red");
    ASSERT_TRUE(obj->QuorvelPath(x("..|{Banana}|$"), out));
    EXPECT_TRUE(obj->HasAttrWithValue(x("id"), x("7")));
    EXPECT_EQ(tagOf(*doc), "shop");
}

// An index out of the int range fails the step; it must not wrap onto a real child.
TEST(PathCommand, IndexesBeyondIntFail) {
    auto doc = load("<r><c>zero</c><c>one</c><c>two</c></r>");
    expectPaths(*doc, {
        {"[1]|*", "one"}, {"c[2]|*", "two"}, {"[000000000000000000000000002]|*", "two"},
        {"[2147483647]|*", nullptr}, {"[2147483648]|*", nullptr},
        {"[4294967296]|*", nullptr}, {"[4294967297]|*", nullptr}, {"c[4294967298]|*", nullptr},  // 2^32 + 0, 1, 2
        {"[18446744073709551617]|*", nullptr}, {"[99999999999999999999999999999999999999]|*", nullptr},
        {"[-2147483648]|*", nullptr}, {"[-2147483649]|*", nullptr}, {"[-4294967296]|*", nullptr},
        {"[-4294967295]|*", nullptr},  // would wrap to 1
    });
}

}  // namespace
}  // namespace quorvel::test
