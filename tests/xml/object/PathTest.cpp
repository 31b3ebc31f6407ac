// Path commands: step forms, failures that must not move the object, indexes beyond an int.
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
        // An empty step does not move, ")" may be missing, the rest of "*" is ignored; tags are exact and
        // untrimmed except before an index, which "%d" reads without needing ']'.
        {"", ""}, {"(id", "s"}, {"(nope)", nullptr}, {"book||(id)", "b0"}, {"x|*ignored", "xc"}, {"..|*", nullptr},
        {"book|title|..|..|*", "top"}, {" x|*", nullptr}, {" book [1]|title|*", "T1"}, {"book[1x|title|*", "T1"},
        {"book[2]|*", nullptr}, {"[7]|*", "xc"}, {"[8]|*", nullptr}, {"{red}|*", "red"}, {"book{}|(id)", "b0"},
        {"color{red|*", nullptr}, {"color{re}|*", nullptr},
        // Subtree searches include the cursor; /C/ without a pattern wants empty content; /A/ patterns keep commas.
        {"/T/shop|(id)", "s"}, {"/T/ price|*", nullptr}, {"/T/title|..|..|..|*", nullptr}, {"/C/item|(sku)", "E0"},
        {"/A/item,id|*", nullptr}, {"/A/x,note,a,b|*", "xc"},
    });
}

TEST(PathCommand, DollarMovesOnlyAfterAWholeWalk) {
    auto doc = load(kShop);
    // The first two steps succeed, the third fails: nothing moves.
    expectPaths(*doc, {{"$", ""}, {"book[1]|title|nope|$", nullptr}, {"x|q$", nullptr}});
    auto obj = doc->GetSelf();
    XString out;
    ASSERT_TRUE(obj->QuorvelPath(x("color{red}|$trailing"), out));
    EXPECT_EQ(where(obj.get()), "color=red");
    // Standing on a price, the search finds the node itself and ".." is its parent.
    ASSERT_TRUE(obj->QuorvelPath(x("..|/T/price|$"), out) && obj->QuorvelPath(x("/T/price|..|$"), out));
    EXPECT_TRUE(obj->HasAttrWithValue(x("id"), x("b1")));
    EXPECT_EQ(tagOf(*doc), "shop");
}

// An index out of the int range fails the step; it must not wrap onto a real child.
TEST(PathCommand, IndexesBeyondIntFail) {
    auto doc = load("<r><c>zero</c><c>one</c><c>two</c></r>");
    expectPaths(*doc, {
        {"[1]|*", "one"}, {"c[2]|*", "two"}, {"[000000000000000000000000002]|*", "two"},
        {"[2147483648]|*", nullptr}, {"[4294967297]|*", nullptr}, {"c[4294967298]|*", nullptr},  // 2^32 + 1, 2
        {"[18446744073709551617]|*", nullptr}, {"[-2147483649]|*", nullptr},
        {"[-4294967295]|*", nullptr},  // would wrap to 1
    });
}

}  // namespace
}  // namespace quorvel::test
