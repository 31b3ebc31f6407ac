// Several top-level elements: the largest survives (most nodes), the later one on a tie, and
// the log says how many were dropped. A feed followed by a stray element keeps the feed.
#include <gtest/gtest.h>

#include <string>

#include "EngineTestSupport.h"

namespace quorvel::test {
namespace {

std::string dropped(int n) {
    return " log:error: More than one top-level element: only the largest was kept.\ndata: numDroppedElements=" +
           std::to_string(n) + "\n";
}

TEST(TopLevelElements, TheLargestSurvives) {
    const struct {
        std::string xml, all;
    } cases[] = {
        {"<rss><channel><title>t</title></channel></rss><br />", "rss(channel(title{t}))" + dropped(1)},
        {"<br /><rss><channel><title>t</title></channel></rss>", "rss(channel(title{t}))" + dropped(1)},
        {"<a/><b/>", "b" + dropped(1)},                                  // a tie: the later one
        {"<a><x/></a><b><y/></b>", "b(y)" + dropped(1)},
        {"<a/><b><c/></b><d/>", "b(c)" + dropped(2)},
        {"<a><b/><c/></a>x<d><e><f/></e></d>", "d(e(f))" + dropped(1)},  // counted over all levels
        {"<r><c/></r>", "r(c)"},
        // An unfinished element competes only when it is larger than the finished one.
        {"<br/><rss><channel><item>", "rss(channel(item))" + dropped(1)},
        {"<rss><item/></rss><br><x>", "rss(item)" + dropped(1)},
        {"<rss><item/></rss><br>", "rss(item)" + dropped(1)},
        // The prolog parts stay with the element that took them; the one kept gets all of the
        // DOCTYPE and processing-instruction texts.
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><!DOCTYPE rss><rss><c/></rss><?pi x?><br/>",
         "rss(c) decl:xml[version=1.0,encoding=ISO-8859-1] doctype:<!DOCTYPE rss>\n pi:<?pi x?>\n" + dropped(1)},
        {"<?xml-stylesheet href=\"s\"?><a/><?xml version=\"1.0\"?><b><c/></b>",
         "b(c) decl:xml[version=1.0]" + dropped(1)},
    };
    for (const auto &c : cases) {
        for (bool trim : {true, false}) {
            Parsed p(c.xml, trim);
            EXPECT_TRUE(p.ok) << c.xml;
            EXPECT_EQ(p.all(), c.all) << c.xml << (trim ? "" : " (trim off)");
            // The survivor is a whole tree of its own.
            if (p.root) {
                EXPECT_TRUE(p.root->isRoot() && p.root->treeInfo()->root() == p.root) << c.xml;
            }
        }
    }
}

}  // namespace
}  // namespace quorvel::test
