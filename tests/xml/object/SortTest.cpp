// Sorting the children of the positioned node, by every kind of key, and with a comparison
// that is no strict weak ordering.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "XmlTestSupport.h"
#include "xml/engine/ChildSort.h"

namespace quorvel::test {
namespace {

std::string keys(ClsXml &xml, const char *field = nullptr) {
    std::string out;
    for (int i = 0; i < xml.get_NumChildren(); ++i)
        out += (i ? "," : "") + contentOf(field ? *xml.GetChild(i)->FindChild(x(field)) : *xml.GetChild(i));
    return out;
}

TEST(XmlSort, TextKeysFollowTheCaseSwitch) {
    auto xml = load("<r><b>2</b><B/><a>1</a></r>");
    xml->SortByTag(true);
    EXPECT_EQ(childTags(*xml), "B,a,b");
    xml->SortByContent(false);
    EXPECT_EQ(childTags(*xml), "b,a,B");  // no content sorts last going down
    xml->put_SortCaseInsensitive(true);
    xml->SortByTag(false);
    EXPECT_EQ(childTags(*xml).substr(4), "a");
    auto ages = load("<r><p><k/></p><p><k>4</k></p><p><k>x</k></p></r>");
    ages->FirstChild()->FirstChild()->put_Content(x(" 30"));  // not trimmed by the parser
    ages->SortRecordsByContentInt(x("k"), true);              // read as atoi reads
    EXPECT_EQ(keys(*ages, "k"), "x,4, 30");
}

TEST(XmlSort, AttributeKeysAsTextAndAsIntegers) {
    // A missing attribute is the empty text, or 0 between 2 and -1; the integer direction is reversed.
    const char *doc = "<r><c n=\"2\">2</c><c n=\"10\">10</c><c n=\"-1\">-1</c><c m=\"1\">x</c></r>";
    const struct { bool asInteger, ascending; const char *order; } cases[] = {
        {false, true, "x,-1,10,2"}, {true, true, "10,2,x,-1"}, {true, false, "-1,x,2,10"}};
    for (const auto &c : cases) {
        auto xml = load(doc);
        c.asInteger ? xml->SortByAttributeInt(x("n"), c.ascending) : xml->SortByAttribute(x("n"), c.ascending);
        EXPECT_EQ(keys(*xml), c.order) << c.asInteger << c.ascending;
    }
}

TEST(XmlSort, OnlyOneLevelMovesAndLinksFollow) {
    auto xml = load("<r><b><z/><y/></b><a/></r>");
    xml->SortByTag(true);
    EXPECT_EQ(childTags(*xml) + "|" + childTags(*xml->GetChild(1)), "a,b|z,y");
    EXPECT_TRUE(tagOf(*xml->GetChild(0)->NextSibling()) == "b" && !xml->GetChild(0)->PreviousSibling());
}

// Answers at random: the sort must stay in bounds, finish, and keep every child exactly once.
class ChaoticComparison : public ChildComparison {
public:
    int compare(const TreeNode *, const TreeNode *) const override { return static_cast<int>(m_rng() % 3) - 1; }

private:
    mutable std::mt19937 m_rng{7};
};

TEST(XmlSort, AnyComparisonKeepsEveryChildOnce) {
    auto xml = load("<r/>");
    for (int i = 0; i < 2000; ++i) xml->NewChildInt2(x("c"), i);
    sortChildren(xml->node(), ChaoticComparison());
    std::set<int> seen;
    for (int i = 0; i < xml->get_NumChildren(); ++i) seen.insert(xml->GetChild(i)->get_ContentInt());
    EXPECT_EQ(seen.size(), 2000u);
    EXPECT_EQ(*seen.rbegin(), 1999);
    // Records without the field compare equal to everything: still every record once.
    auto records = load("<r><p><k>3</k></p><p/><p><k>1</k></p><p/><p><k>2</k></p></r>");
    records->SortRecordsByContentInt(x("k"), true);
    EXPECT_EQ(records->get_NumChildren(), 5);
    for (const char *k : {"1", "2", "3"}) EXPECT_TRUE(records->SearchForContent(nullptr, x("k"), x(k))) << k;
}

}  // namespace
}  // namespace quorvel::test
