// Sorting the children of the positioned node.
#include <gtest/gtest.h>

#include <random>

#include "XmlTestSupport.h"
#include "xml/engine/ChildSort.h"
#include "xml/engine/TreeNode.h"

namespace quorvel::test {
namespace {

// The content of every child, joined by ",".
std::string contents(ClsXml &xml) {
    std::string out;
    for (int i = 0; i < xml.get_NumChildren(); ++i) out += (i ? "," : "") + contentOf(*xml.GetChild(i));
    return out;
}

TEST(XmlSort, ByTagContentAndAttributeText) {
    auto xml = loaded("<r><b>2</b><B/><a>1</a></r>");
    xml->SortByTag(true);
    EXPECT_EQ(childTags(*xml), "B,a,b");
    xml->put_SortCaseInsensitive(true);
    xml->SortByTag(true);
    EXPECT_EQ(childTags(*xml).substr(0, 1), "a");
    xml->SortByContent(false);
    EXPECT_EQ(childTags(*xml), "b,a,B");  // no content sorts last going down

    auto attrs = loaded("<r><c n=\"2\"/><c n=\"10\"/><c/><c n=\"-1\"/></r>");
    attrs->SortByAttribute(x("n"), true);
    std::string order;
    for (int i = 0; i < 4; ++i) {
        XString v;
        attrs->GetChild(i)->GetAttrValue(x("n"), v);
        order += std::string(v.getUtf8()) + ";";
    }
    EXPECT_EQ(order, ";-1;10;2;");  // missing first, then text order
}

TEST(XmlSort, AttributeIntDirectionIsReversed) {
    // A missing attribute counts as 0, between 2 and -1.
    struct Case {
        bool ascending;
        const char *order;
    } cases[] = {{true, "10,2,x,-1"}, {false, "-1,x,2,10"}};
    for (const Case &c : cases) {
        auto xml = loaded("<r><c n=\"2\">2</c><c n=\"10\">10</c><c n=\"-1\">-1</c><c m=\"1\">x</c></r>");
        xml->SortByAttributeInt(x("n"), c.ascending);
        EXPECT_EQ(contents(*xml), c.order) << c.ascending;
    }
}

TEST(XmlSort, RecordsByFieldContentAndAttribute) {
    auto xml = loaded("<r><p><age> 30</age></p><p><age>4</age></p><p><age>x</age></p></r>");
    xml->SortRecordsByContentInt(x("age"), true);
    EXPECT_EQ(xmlOf(*xml).find("<age>x</age>") < xmlOf(*xml).find("<age>4</age>"), true);
    EXPECT_LT(xmlOf(*xml).find("<age>4</age>"), xmlOf(*xml).find("<age> 30</age>"));

    auto names = loaded("<r><p><name first=\"zoe\"/></p><p><name first=\"Amy\"/></p><p><name first=\"bob\"/></p></r>");
    names->SortRecordsByAttribute(x("name"), x("first"), true);
    EXPECT_LT(xmlOf(*names).find("Amy"), xmlOf(*names).find("bob"));
    EXPECT_LT(xmlOf(*names).find("bob"), xmlOf(*names).find("zoe"));
    names->put_SortCaseInsensitive(true);
    names->SortRecordsByAttribute(x("name"), x("first"), false);
    EXPECT_LT(xmlOf(*names).find("zoe"), xmlOf(*names).find("bob"));
    EXPECT_LT(xmlOf(*names).find("bob"), xmlOf(*names).find("Amy"));

    auto text = loaded("<r><p><k>b</k></p><p><k>a</k><k>z</k></p></r>");
    text->SortRecordsByContent(x("k"), true);  // the first field child counts
    EXPECT_EQ(contentOf(*text->GetChild(0)->GetChild(0)), "a");
}

TEST(XmlSort, GrandchildrenKeepTheirOrderAndLinksFollow) {
    auto xml = loaded("<r><b><z/><y/></b><a/></r>");
    xml->SortByTag(true);
    EXPECT_EQ(childTags(*xml), "a,b");
    auto b = xml->GetChild(1);
    EXPECT_EQ(childTags(*b), "z,y");
    EXPECT_EQ(tagOf(*xml->GetChild(0)->NextSibling()), "b");
    EXPECT_EQ(xml->GetChild(0)->PreviousSibling(), nullptr);
    auto single = loaded("<r><only/></r>");
    single->SortByTag(false);
    EXPECT_EQ(childTags(*single), "only");
}

// Answers at random: the sort must stay in bounds, finish, and keep every child exactly once.
class ChaoticComparison : public ChildComparison {
public:
    int compare(const TreeNode *, const TreeNode *) const override { return static_cast<int>(m_rng() % 3) - 1; }

private:
    mutable std::mt19937 m_rng{7};
};

TEST(XmlSort, AnyComparisonKeepsEveryChildOnce) {
    auto xml = loaded("<r/>");
    for (int i = 0; i < 2000; ++i) xml->NewChildInt2(x("c"), i);
    sortChildren(xml->node(), ChaoticComparison());
    std::vector<bool> seen(2000, false);
    for (int i = 0; i < 2000; ++i) {
        int v = xml->GetChild(i)->get_ContentInt();
        ASSERT_FALSE(seen[v]);
        seen[v] = true;
    }
    // Records without the field compare equal to everything: still a permutation.
    auto records = loaded("<r><p><k>3</k></p><p/><p><k>1</k></p><p/><p><k>2</k></p></r>");
    records->SortRecordsByContentInt(x("k"), true);
    EXPECT_EQ(records->get_NumChildren(), 5);
}

}  // namespace
}  // namespace quorvel::test
