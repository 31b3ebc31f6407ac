// The pseudo-attributes of the XML declaration. The declaration is a one-node tree owned by
// the document's TreeInfo; it is created on the first write.
#include "foundation/text/StringBuffer.h"
#include "xml/engine/TreeInfo.h"
#include "xml/engine/TreeNode.h"
#include "xml/engine/XmlSerializer.h"

namespace quorvel {

namespace {

TreeInfo *validTreeOf(const TreeNode *node) {
    if (!TreeNode::isValid(node)) return nullptr;
    TreeInfo *tree = node->treeInfo();
    return TreeInfo::isValid(tree) ? tree : nullptr;
}

bool getPseudoAttribute(const TreeNode *node, const char *name, StringBuffer &value) {
    value.clear();
    TreeInfo *tree = validTreeOf(node);
    if (!tree) return false;
    TreeNode *declaration = tree->declaration();
    return TreeNode::isValid(declaration) && declaration->getAttributeValueOf(name, value);
}

TreeNode *declarationFor(TreeInfo &tree) {
    TreeNode *declaration = tree.declaration();
    if (TreeNode::isValid(declaration)) return declaration;
    declaration = TreeNode::createTree("xml");
    if (!declaration) return nullptr;
    if (!declaration->addAttribute("version", "1.0")) {
        TreeNode::deleteTree(declaration);
        return nullptr;
    }
    tree.setDeclaration(declaration);
    return declaration;
}

// Removes every attribute of that name, then appends name=value unless value is null.
bool setPseudoAttribute(TreeNode *node, const char *name, const char *value) {
    TreeInfo *tree = validTreeOf(node);
    if (!tree) return false;
    TreeNode *declaration = declarationFor(*tree);
    if (!declaration) return false;
    // One removal call takes at most 101 of them.
    while (declaration->removeAttribute(name) > 0) {
    }
    return value == nullptr || declaration->addAttribute(name, value);
}

}  // namespace

bool getDeclarationEncoding(const TreeNode *node, StringBuffer &value) {
    return getPseudoAttribute(node, "encoding", value);
}

bool setDeclarationEncoding(TreeNode *node, const char *value) { return setPseudoAttribute(node, "encoding", value); }

bool ensureDeclarationEncoding(TreeNode *node, const char *defaultEncoding) {
    StringBuffer current;
    if (getDeclarationEncoding(node, current)) return true;
    return setDeclarationEncoding(node, defaultEncoding);
}

bool getDeclarationStandalone(const TreeNode *node, StringBuffer &value) {
    return getPseudoAttribute(node, "standalone", value);
}

bool setDeclarationStandalone(TreeNode *node, const char *value) {
    return setPseudoAttribute(node, "standalone", value);
}

}  // namespace quorvel
