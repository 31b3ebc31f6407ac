// Sorting the children of the positioned node, by every kind of key, and with a comparison
// that is no strict weak ordering.
#include <gtest/gtest.h>

#include <random>

#include "XmlTestSupport.h"
#include "xml/engine/ChildSort.h"

namespace quorvel::test {
namespace {

// The content of every child, or of its field child, or that field's attribute, joined by ",".
std::string keys(ClsXml &xml, const char *field = nullptr, const char *attr = nullptr) {
    std::string out;
    for (int i = 0; i < xml.get_NumChildren(); ++i) {
        auto node = field ? xml.GetChild(i)->FindChild(x(field)) : xml.GetChild(i);
        XString value;
        if (attr) node->GetAttrValue(x(attr), value);
        out += (i ? "," : "") + (attr ? std::string(value.getUtf8()) : contentOf(*node));
    }
    return out;
}

TEST(XmlSort, TextKeysFollowTheCaseSwitch) {
    auto xml = load("<r><b>2</b><B/><a>1</a></r>");
    xml->SortByTag(true);
    EXPECT_EQ(childTags(*xml), "B,a,b");
    xml->put_SortCaseInsensitive(true);
    xml->SortByTag(true);
    EXPECT_EQ(childTags(*xml).substr(0, 1), "a");
    xml->SortByContent(false);
    EXPECT_EQ(childTags(*xml), "b,a,B");  // no content sorts last going down
    auto names = load("<r><p><name first=\"zoe\"/></p><p><name first=\"Amy\"/></p><p><name first=\"bob\"/></p></r>");
    names->SortRecordsByAttribute(x("name"), x("first"), true);
    EXPECT_EQ(keys(*names, "name", "first"), "Amy,bob,zoe");
    names->put_SortCaseInsensitive(true);
    names->SortRecordsByAttribute(x("name"), x("first"), false);
    EXPECT_EQ(keys(*names, "name", "first"), "zoe,bob,Amy");
    auto text = load("<r><p><k>b</k></p><p><k>a</k><k>z</k></p></r>");
    text->SortRecordsByContent(x("k"), true);  // the first field child counts
    EXPECT_EQ(keys(*text, "k"), "a,b");
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
    EXPECT_EQ(tagOf(*xml->GetChild(0)->NextSibling()), "b");
    EXPECT_EQ(xml->GetChild(0)->PreviousSibling(), nullptr);
    auto single = load("<r><only/></r>");
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
    auto xml = load("<r/>");
    for (int i = 0; i < 2000; ++i) xml->NewChildInt2(x("c"), i);
    sortChildren(xml->node(), ChaoticComparison());
    std::vector<bool> seen(2000, false);
    for (int i = 0; i < 2000; ++i) {
        const int v = xml->GetChild(i)->get_ContentInt();
        ASSERT_FALSE(seen[v]);
        seen[v] = true;
    }
    // Records without the field compare equal to everything: still every record once.
    auto records = load("<r><p><k>3</k></p><p/><p><k>1</k></p><p/><p><k>2</k></p></r>");
    records->SortRecordsByContentInt(x("k"), true);
    EXPECT_EQ(records->get_NumChildren(), 5);
    EXPECT_EQ(records->SearchForContent(nullptr, x("k"), x("1")) && records->SearchForContent(nullptr, x("k"), x("2")) &&
                  records->SearchForContent(nullptr, x("k"), x("3")),
              true);
}

}  // namespace
}  // namespace quorvel::test
