// Searches and lookups (level order, resume point and scope, which arguments are trimmed, the
// values read), path commands (step forms, failures that must not move the object, indexes
// beyond an int), sorting, and all of them on very large documents. Wildcards: TreeTest.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "XmlTestSupport.h"
#include "foundation/text/StringBuffer.h"
#include "xml/engine/ChildSort.h"

namespace quorvel::test {
namespace {

TEST(Search, LevelOrderResumePointAndScope) {
    auto doc = load("<r><a><x>deep</x></a><x>near</x></r>");
    // The root's own child before the grandchild, then nothing.
    auto first = doc->SearchForTag(nullptr, x("x")), second = doc->SearchForTag(first.get(), x("x"));
    EXPECT_EQ(where(first.get()) + " " + where(second.get()) + " " + where(doc->SearchForTag(second.get(), x("x")).get()),
              "x=near x=deep none");
    EXPECT_EQ(where(load("<book>0<book>1</book></book>")->SearchForTag(nullptr, x("book")).get()), "book=0");  // itself
    // After outside the subtree (another branch, an ancestor, another document): nothing.
    auto a = doc->FirstChild(), inOther = doc->GetChild(1), elsewhere = load("<x>elsewhere</x>");
    for (ClsXml *after : {inOther.get(), doc.get(), elsewhere.get()})
        EXPECT_FALSE(a->SearchForTag(after, x("x")) || a->SearchForTag2(after, x("x"))) << where(after);
    EXPECT_EQ(where(a.get()), "a=");
}

TEST(Search, SecondFormStepsThroughEveryMatchThenStaysPut) {
    auto doc = load("<r><p>1<p>3</p></p><q><p>4</p></q><p>2</p></r>");
    auto root = doc->GetSelf();
    std::unique_ptr<ClsXml> previous;
    std::string seen;
    while (doc->SearchForTag2(previous.get(), x("p"))) {
        seen += where(doc.get()) + " ";
        previous = doc->GetSelf();
        doc->CopyRef(root.get());  // search again from the subtree's root
    }
    EXPECT_EQ(seen + where(doc.get()), "p=1 p=2 p=3 p=4 r=");  // the failing call did not move it
}

const char *kList =
    "<list><item id=\"1\">first</item><other>first</other><item id=\"22\" kind=\"\">second</item>"
    "<deep><item>grandchild</item></deep></list>";

TEST(Search, ChildLookups) {
    auto doc = load(kList);
    const struct { const char *call; std::unique_ptr<ClsXml> found; const char *expected; } cases[] = {
        {"FindChild trims", doc->FindChild(x(" item\r\n")), "item=first"},
        {"SearchForAttribute trims the name", doc->SearchForAttribute(nullptr, x("item"), x(" kind "), x("")), "item=second"},
        {"no attribute has an empty name", doc->SearchForAttribute(nullptr, x("item"), x(""), x("*")), "none"},
        {"Nth 1 trims", doc->GetNthChildWithTag(x(" item "), 1), "item=second"},
        {"WithContent empty", doc->GetChildWithContent(x("")), "deep="},
        {"WithAttr trims the tag", doc->GetChildWithAttr(x(" item"), x("id"), x("2*")), "item=second"},
        {"WithAttr name untrimmed", doc->GetChildWithAttr(x("item"), x(" id"), x("*")), "none"},
    };
    for (const auto &c : cases) EXPECT_EQ(where(c.found.get()), c.expected) << c.call;
    // The has-tests take their arguments as given.
    EXPECT_TRUE(doc->HasChildWithTag(x("item")) && doc->HasChildWithTagAndContent(x("other"), x("first")));
    EXPECT_FALSE(doc->HasChildWithTag(x(" item")) || doc->HasChildWithContent(x("grandchild")));
}

TEST(Search, ChildValues) {
    auto doc = load("<r><a>text</a><empty/><a>second</a></r>");
    XString out;
    EXPECT_TRUE(doc->GetChildContent(x("empty"), out) && out.equalsUtf8(""));  // found, no content: empty text
    EXPECT_FALSE(doc->GetChildContent(x(" a"), out) || doc->GetChildContent(x("missing"), out));
    // Content never set matches nothing; set to "" it matches "" and "*".
    auto b = doc->GetChild(1);
    EXPECT_FALSE(b->ContentMatches(x("*"), true) || b->ContentMatches(x(""), true));
    b->put_Content(x(""));
    EXPECT_TRUE(b->ContentMatches(x("*"), true) && b->ContentMatches(x(""), true));
    EXPECT_FALSE(doc->ChildContentMatches(x("a"), x("second"), true));  // only the first "a" is examined
}

TEST(Search, TagContentAndAccumulateTagContent) {
    auto doc = load("<r><a><t>deep</t></a><t>shallow</t></r>");
    XString out;
    EXPECT_TRUE(doc->TagContent(x("t"), out) && std::string(out.getUtf8()) == "shallow");  // level order
    const char *cases[][4] = {
        {"<r><t>1<t>2</t></t><t>3</t></r>", "t", "", "1 3 2"},       // level order, the node itself first
        {"<r><p>outer<p>inner</p></p></r>", "p", "x|p", "outer"},     // a skipped node itself is still collected
        {"<r><p>a</p><div><p>b</p></div></r>", "p", "di", "a b"},     // names are whole entries
    };
    for (const auto &c : cases) {
        load(c[0])->AccumulateTagContent(x(c[1]), x(c[2]), out);
        EXPECT_STREQ(out.getUtf8(), c[3]) << c[0] << " skip " << c[2];
    }
}

TEST(Search, FindNextRecordStartsWithTheNodeItself) {
    auto doc = load(
        "<r><rec><price>15</price></rec><rec><name>n</name></rec>"
        "<rec><price>20</price><price>1</price></rec><rec><price>12</price></rec></r>");
    auto field = [](std::unique_ptr<ClsXml> record) { return record ? where(record->FirstChild().get()) : "none"; };
    // The record itself, not its field; and only the first price of each record.
    EXPECT_EQ(field(doc->FirstChild()->FindNextRecord(x("price"), x("1*"))), "price=15");
    EXPECT_EQ(field(doc->GetChild(1)->FindNextRecord(x("price"), x("1*"))), "price=12");
    EXPECT_EQ(doc->FindNextRecord(x("price"), x("*")), nullptr);  // a root has no siblings
}

// Path commands.
const char *kShop =
    "<shop id=\"s\">top<book id=\"b0\"><title>T0</title></book><book id=\"b1\"><title>T1</title><price>15</price></book>"
    "<color>blue</color><color>red</color><item sku=\"A1\">Apple</item><item sku=\"B2\" id=\"7\">Banana</item>"
    "<item sku=\"E0\"/><x note=\"a,b\">xc</x></shop>";

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
    expectPaths(*doc, {{"[000000000000000000000000002]|*", "two"}, {"[2147483648]|*", nullptr},
                       {"c[4294967297]|*", nullptr}, {"[18446744073709551617]|*", nullptr}, {"[-4294967295]|*", nullptr}});
}

// Sorting the children of the positioned node, by every kind of key, and with a comparison
// that is no strict weak ordering.
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
    // Only one level moves, and the sibling links follow.
    auto levels = load("<r><b><z/><y/></b><a/></r>");
    levels->SortByTag(true);
    EXPECT_EQ(childTags(*levels) + "|" + childTags(*levels->GetChild(1)), "a,b|z,y");
    EXPECT_TRUE(tagOf(*levels->GetChild(0)->NextSibling()) == "b" && !levels->GetChild(0)->PreviousSibling());
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
    EXPECT_TRUE(seen.size() == 2000u && *seen.begin() == 0 && *seen.rbegin() == 1999);
    // Records without the field compare equal to everything: still every record once.
    auto records = load("<r><p><k>3</k></p><p/><p><k>1</k></p><p/><p><k>2</k></p></r>");
    records->SortRecordsByContentInt(x("k"), true);
    EXPECT_EQ(records->get_NumChildren(), 5);
    for (const char *k : {"1", "2", "3"}) EXPECT_TRUE(records->SearchForContent(nullptr, x("k"), x(k))) << k;
}

// A million levels deep and 300,000 records: searched, path-walked, sorted, written and freed;
// nothing may recurse (parsing, detaching and freeing: the engine's TreeTest).
TEST(BigDocumentSearch, MillionLevelsDeep) {
    constexpr int kDepth = 1000000;
    std::string xml;
    for (int i = 1; i < kDepth; ++i) xml += "<d>";
    xml += "<leaf id=\"end\">bottom</leaf>";
    for (int i = 1; i < kDepth; ++i) xml += "</d>";
    auto doc = load(xml), leaf = doc->SearchForTag(nullptr, x("leaf")), walker = doc->GetSelf();
    EXPECT_TRUE(where(leaf.get()) == "leaf=bottom" && !doc->SearchForTag(leaf.get(), x("leaf")));
    XString out, accumulated;
    doc->AccumulateTagContent(x("leaf"), x(""), accumulated);
    EXPECT_TRUE(doc->QuorvelPath(x("/A/leaf,id,e*|*"), out) && out.equalsUtf8("bottom") && accumulated.equalsUtf8("bottom"));
    ASSERT_TRUE(walker->QuorvelPath(x("/T/leaf|..|..|$"), out) && !walker->QuorvelPath(x("/T/leaf|..|nope|$"), out));
    EXPECT_TRUE(walker->FirstChild()->FirstChild()->TagEquals(x("leaf")));  // moved once only
    StringBuffer written;
    ASSERT_TRUE(doc->getXmlUtf8(written));
    // Every level on a line of its own, indented four spaces deeper each, up to 200.
    const std::string leafLine = std::string(200, ' ') + "<leaf id=\"end\">bottom</leaf>\r\n";
    EXPECT_TRUE(written.contains(("\n" + leafLine).c_str()) && written.endsWith("</d>\r\n</d>\r\n"));
    EXPECT_FALSE(written.contains((std::string(201, ' ') + "<").c_str()));
}

TEST(BigDocumentSearch, ThreeHundredThousandRecords) {
    constexpr int kRecords = 300000;
    std::string xml = "<records>";
    for (int i = 0; i < kRecords; ++i) xml += "<r><k>" + std::to_string(i) + "</k></r>";
    auto doc = load(xml + "</records>");
    // Every record waits in the parent queue before the first key is tested.
    auto last = doc->SearchForContent(nullptr, x("k"), x("299999"));
    EXPECT_TRUE(last && !doc->SearchForContent(last.get(), x("k"), x("*")));
    XString out;
    EXPECT_TRUE(doc->QuorvelPath(x("r[299998]|k|*"), out) && out.equalsUtf8("299998"));
    EXPECT_TRUE(doc->QuorvelPath(x("/C/k,2999*9|..|$"), out) && doc->GetChildContent(x("k"), out) && out.equalsUtf8("29999"));
    doc->GetRoot2();
    doc->SortRecordsByContentInt(x("k"), false);
    StringBuffer written;
    ASSERT_TRUE(doc->getXmlUtf8(written));
    EXPECT_TRUE(written.beginsWith("<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n<records>\r\n    <r>\r\n        <k>299999</k>"));
}

}  // namespace
}  // namespace quorvel::test
