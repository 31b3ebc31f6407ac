// The document prologue (declaration, style sheets, DOCTYPE, processing instructions) and the
// declaration's pseudo-attribute operations.
#include <gtest/gtest.h>

#include <string>

#include "foundation/ExtPtrArray.h"
#include "xml/engine/SerializerTestTrees.h"

namespace quorvel {
namespace {

using test::addChild;
using test::attributeNames;
using test::OwnedTree;
using test::serialized;

TreeNode *makeDeclaration(std::initializer_list<std::pair<const char *, const char *>> pairs) {
    TreeNode *declaration = TreeNode::createTree("xml");
    for (const auto &[name, value] : pairs) declaration->addAttribute(name, value);
    return declaration;
}

void addStyleSheet(TreeInfo &info, const char *type, const char *href) {
    TreeNode *sheet = TreeNode::createTree("xml-stylesheet");
    sheet->addAttribute("type", type);
    sheet->addAttribute("href", href);
    ASSERT_TRUE(info.styleSheets().append(sheet));
}

TEST(SerializerPrologue, StandaloneMovesLastAndStaysThere) {
    OwnedTree doc("r");
    doc.info().setDeclaration(makeDeclaration({{"standalone", "yes"}, {"version", "1.0"}, {"encoding", "utf-8"}}));
    const std::string expected = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\" ?>\r\n<r />\r\n";
    EXPECT_EQ(serialized(doc.root()), expected);
    EXPECT_EQ(attributeNames(doc.info().declaration()), "version encoding standalone");
    EXPECT_EQ(serialized(doc.root()), expected);

    // Several standalone attributes become one, with the first one's value, in last place.
    OwnedTree twice("r");
    twice.info().setDeclaration(
        makeDeclaration({{"standalone", "no"}, {"version", "1.0"}, {"standalone", "yes"}, {"encoding", "x"}}));
    EXPECT_EQ(serialized(twice.root()), "<?xml version=\"1.0\" encoding=\"x\" standalone=\"no\" ?>\r\n<r />\r\n");
    EXPECT_EQ(attributeNames(twice.info().declaration()), "version encoding standalone");

    // With the declaration suppressed nothing is moved.
    OwnedTree suppressed("r");
    suppressed.info().setDeclaration(makeDeclaration({{"standalone", "yes"}, {"version", "1.0"}}));
    EXPECT_EQ(serialized(suppressed.root(), 0, 0, true), "<r />\r\n");
    EXPECT_EQ(attributeNames(suppressed.info().declaration()), "standalone version");
}

TEST(SerializerPrologue, DeclarationValuesAreEscapedAndEmptyDeclarationIsWritten) {
    OwnedTree doc("r");
    doc.info().setDeclaration(makeDeclaration({{"version", "1.0"}, {"encoding", "a\"b"}}));
    EXPECT_EQ(serialized(doc.root()), "<?xml version=\"1.0\" encoding=\"a&quot;b\" ?>\r\n<r />\r\n");
    doc.info().setDeclaration(TreeNode::createTree("xml"));
    EXPECT_EQ(serialized(doc.root()), "<?xml ?>\r\n<r />\r\n");
}

TEST(SerializerPrologue, FullPrologueAndSuppressedDeclaration) {
    OwnedTree doc("root");
    ASSERT_TRUE(setDeclarationEncoding(doc.root(), "utf-8"));
    addStyleSheet(doc.info(), "text/xsl", "a.xsl");
    addStyleSheet(doc.info(), "text/css", "b&c.css");
    // A style-sheet node without attributes writes nothing.
    ASSERT_TRUE(doc.info().styleSheets().append(TreeNode::createTree("xml-stylesheet")));
    // Both texts as the parser stores them: each line ends with LF.
    doc.info().setDoctypeText("<!DOCTYPE root SYSTEM \"root.dtd\">\n");
    doc.info().setPiText("<?app one?>\n<?app two?>\n");
    addChild(doc.root(), "x", "1");

    const std::string afterDeclaration =
        "<?xml-stylesheet type=\"text/xsl\" href=\"a.xsl\" ?>\r\n"
        "<?xml-stylesheet type=\"text/css\" href=\"b&amp;c.css\" ?>\r\n"
        "<!DOCTYPE root SYSTEM \"root.dtd\">\n\r\n"
        "<?app one?>\n<?app two?>\n\r\n"
        "<root>\r\n    <x>1</x>\r\n</root>\r\n";
    EXPECT_EQ(serialized(doc.root()), "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n" + afterDeclaration);
    EXPECT_EQ(serialized(doc.root(), 0, 0, true), afterDeclaration);
    // A child never writes the prologue.
    EXPECT_EQ(serialized(doc.root()->getChild(0)), "\r\n<x>1</x>\r\n");
}

TEST(SerializerPrologue, DoctypeAndInstructionsWithoutDeclaration) {
    OwnedTree doc("r");
    doc.info().setDoctypeText("<!DOCTYPE r>");
    EXPECT_EQ(serialized(doc.root()), "<!DOCTYPE r>\r\n<r />\r\n");
    doc.info().setDoctypeText("");
    doc.info().setPiText("<?p?>\n");
    EXPECT_EQ(serialized(doc.root()), "<?p?>\n\r\n<r />\r\n");
}

TEST(DeclarationAttributes, EncodingGetSetEnsure) {
    OwnedTree doc("r");
    TreeNode *child = addChild(doc.root(), "c");
    StringBuffer value("stale");
    EXPECT_FALSE(getDeclarationEncoding(doc.root(), value));
    EXPECT_TRUE(value.isEmpty());
    EXPECT_EQ(doc.info().declaration(), nullptr);

    // Setting through any node of the tree creates the declaration with version 1.0.
    ASSERT_TRUE(setDeclarationEncoding(child, "ISO-8859-1"));
    TreeNode *declaration = doc.info().declaration();
    ASSERT_NE(declaration, nullptr);
    EXPECT_STREQ(declaration->getTag(), "xml");
    EXPECT_TRUE(declaration->isRoot());
    EXPECT_EQ(attributeNames(declaration), "version encoding");
    ASSERT_TRUE(getDeclarationEncoding(doc.root(), value));
    EXPECT_EQ(test::textOf(value), "ISO-8859-1");

    // Every encoding goes; the new one comes last.
    declaration->addAttribute("encoding", "second");
    declaration->addAttribute("standalone", "yes");
    ASSERT_TRUE(setDeclarationEncoding(doc.root(), "utf-8"));
    EXPECT_EQ(attributeNames(declaration), "version standalone encoding");
    ASSERT_TRUE(getDeclarationEncoding(doc.root(), value));
    EXPECT_EQ(test::textOf(value), "utf-8");

    // Ensure keeps a declared encoding and fills in a missing one.
    EXPECT_TRUE(ensureDeclarationEncoding(doc.root(), "windows-1252"));
    ASSERT_TRUE(getDeclarationEncoding(doc.root(), value));
    EXPECT_EQ(test::textOf(value), "utf-8");
    ASSERT_TRUE(setDeclarationEncoding(doc.root(), nullptr));
    EXPECT_FALSE(getDeclarationEncoding(doc.root(), value));
    EXPECT_EQ(attributeNames(declaration), "version standalone");
    EXPECT_TRUE(ensureDeclarationEncoding(doc.root(), "windows-1252"));
    ASSERT_TRUE(getDeclarationEncoding(doc.root(), value));
    EXPECT_EQ(test::textOf(value), "windows-1252");
    EXPECT_EQ(doc.info().declaration(), declaration);
}

TEST(DeclarationAttributes, EnsureOnDocumentWithoutDeclarationThenSerialize) {
    OwnedTree doc("unnamed");
    ASSERT_TRUE(ensureDeclarationEncoding(doc.root(), "utf-8"));
    EXPECT_EQ(serialized(doc.root()), "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n<unnamed />\r\n");
    EXPECT_EQ(serialized(doc.root(), 0, 0, true), "<unnamed />\r\n");
}

TEST(DeclarationAttributes, ManyDuplicateEncodingsAllRemoved) {
    OwnedTree doc("r");
    TreeNode *declaration = makeDeclaration({{"version", "1.0"}});
    for (int i = 0; i < 250; ++i) declaration->addAttribute("encoding", "dup");
    doc.info().setDeclaration(declaration);
    ASSERT_TRUE(setDeclarationEncoding(doc.root(), "utf-8"));
    EXPECT_EQ(attributeNames(declaration), "version encoding");
}

TEST(DeclarationAttributes, Standalone) {
    OwnedTree doc("r");
    StringBuffer value;
    EXPECT_FALSE(getDeclarationStandalone(doc.root(), value));
    ASSERT_TRUE(setDeclarationStandalone(doc.root(), "yes"));
    EXPECT_EQ(attributeNames(doc.info().declaration()), "version standalone");
    ASSERT_TRUE(setDeclarationEncoding(doc.root(), "utf-8"));
    ASSERT_TRUE(getDeclarationStandalone(doc.root(), value));
    EXPECT_EQ(test::textOf(value), "yes");
    // Written last although stored before the encoding.
    EXPECT_EQ(serialized(doc.root()), "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\" ?>\r\n<r />\r\n");
    ASSERT_TRUE(setDeclarationStandalone(doc.root(), nullptr));
    EXPECT_FALSE(getDeclarationStandalone(doc.root(), value));
    EXPECT_EQ(serialized(doc.root()), "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n<r />\r\n");
}

TEST(DeclarationAttributes, InvalidNodes) {
    StringBuffer value;
    EXPECT_FALSE(getDeclarationEncoding(nullptr, value));
    EXPECT_FALSE(setDeclarationEncoding(nullptr, "utf-8"));
    EXPECT_FALSE(ensureDeclarationEncoding(nullptr, "utf-8"));
    EXPECT_FALSE(getDeclarationStandalone(nullptr, value));
    EXPECT_FALSE(setDeclarationStandalone(nullptr, "yes"));
}

}  // namespace
}  // namespace quorvel
