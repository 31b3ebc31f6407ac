// ClsXml: compressing and encrypting content and subtrees in place, encoded words, entities.
#include "codecs/ContentCoding.h"
#include "codecs/StoredContent.h"
#include "foundation/base/CritSecExitor.h"
#include "foundation/buffers/DataBuffer.h"
#include "foundation/log/LogBase.h"
#include "foundation/base/MethodFrame.h"
#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"
#include "xml/engine/CompactText.h"
#include "xml/engine/NodeArena.h"
#include "xml/engine/TreeInfo.h"
#include "xml/engine/TreeNode.h"
#include "xml/engine/XmlParser.h"
#include "xml/engine/XmlSerializer.h"
#include "xml/object/ClsXml.h"

namespace quorvel {

namespace {

bool setContentBytes(TreeNode *node, const void *bytes, uint32_t n, LogBase &log) {
    if (node->setContentN(n ? static_cast<const char *>(bytes) : "", n)) return true;
    log.logAllocationFailure("content", n);
    return false;
}

// Exchanges the children of a and b with the references counted in them; tags, contents and
// attributes stay where they were. False, nothing changed, when memory runs out.
bool exchangeChildren(TreeNode *a, TreeNode *b) {
    if (!TreeNode::swapTree(a, b)) return false;
    TreeNode::swapNode(a, b);
    return true;
}

// Takes every child subtree off node in one step, however many there are. A subtree that an
// object stands in goes on as a tree of its own, exactly as a removed child does; the rest is
// destroyed.
bool dropChildren(TreeNode *node, LogBase &log) {
    if (node->getNumChildren() == 0) return true;
    TreeNode *holder = TreeNode::createTree(node->getTag());
    if (!holder || !exchangeChildren(node, holder)) {
        TreeNode::deleteTree(holder);
        log.logAllocationFailure("removeChildren", 0);
        return false;
    }
    // Counted while the subtrees leave it, so that the last one leaving does not free it.
    TreeNode::addRef(holder);
    TreeInfo *info = holder->treeInfo();
    for (int32_t i = holder->getNumChildren() - 1; i >= 0 && info->refCount() > 1; --i) {
        TreeNode *child = holder->getChild(i);
        // Should memory run out here, the subtree stays under the holder, which then lives on
        // for the objects standing in it.
        if (TreeNode::subtreeRefCount(child) > 0) TreeNode::removeFromTree(child);
    }
    TreeNode::release(holder);
    if (info->refCount() == 0) TreeNode::deleteTree(holder);
    return true;
}

// Appends the children of a parsed root (a tree no object stands in) to node, in order.
bool appendParsedChildren(TreeNode *node, TreeNode *parsedRoot, LogBase &log) {
    // A leaf stays a leaf (no empty child list that would change how it is written).
    if (parsedRoot->getNumChildren() == 0) return true;
    if (node->getNumChildren() == 0) {
        if (exchangeChildren(node, parsedRoot)) return true;
        log.logAllocationFailure("appendChildren", 0);
        return false;
    }
    while (TreeNode *child = parsedRoot->firstChild()) {
        bool detached = TreeNode::removeFromTree(child);
        if (detached && TreeNode::appendChild(node, child)) continue;
        if (detached) TreeNode::deleteTree(child);
        log.logAllocationFailure("appendChildren", 0);
        return false;
    }
    return true;
}

// The content as the parsed root holds it (unallocated when it has none), in to's arena.
bool copyContent(const TreeNode *from, CompactText &to, NodeArena &arena, LogBase &log) {
    if (!from->content().isAllocated() || to.set(arena, from->getContent(), from->getContentSize())) return true;
    log.logAllocationFailure("content", from->getContentSize());
    return false;
}

// The text holds "?Q?" or "?B?" in either case.
bool holdsEncodedWord(const char *text, uint32_t n) {
    for (uint32_t i = 0; i + 2 < n; ++i) {
        if (text[i] != '?' || text[i + 2] != '?') continue;
        char c = text[i + 1];
        if (c == 'Q' || c == 'q' || c == 'B' || c == 'b') return true;
    }
    return false;
}

}  // namespace

// ---------------------------------------------------------------- compression

bool ClsXml::ZipTree() {
    CritSecExitor lock(this);
    if (!hasValidNode()) return false;
    MethodFrame frame(*this, this, "ZipTree");
    LogBase &log = frame.log();
    StringBuffer xml;
    if (!serializeNode(m_node, xml, 0, 0, false)) {
        log.logAllocationFailure("serializeNode", xml.getSize());
        return frame.finish(false);
    }
    StringBuffer stored;
    if (!StoredContent::compress(xml.getString(), xml.getSize(), stored, log)) return frame.finish(false);
    // Made ready first: once the children are gone, nothing may fail any more.
    CompactText packed;
    NodeArena *arena = m_node->arena();
    if (!arena || !packed.set(*arena, stored.getString(), stored.getSize())) {
        log.logAllocationFailure("content", stored.getSize());
        return frame.finish(false);
    }
    if (!dropChildren(m_node, log)) return frame.finish(false);
    m_node->content().swap(packed);
    m_node->setCdata(true);
    return frame.finish(true);
}

bool ClsXml::CompressSubtree() { return ZipTree(); }

bool ClsXml::ZipContent() {
    CritSecExitor lock(this);
    if (!hasValidNode()) return false;
    if (!m_node->hasContent()) return true;
    MethodFrame frame(*this, this, "ZipContent");
    LogBase &log = frame.log();
    StringBuffer stored;
    if (!StoredContent::compress(m_node->getContent(), m_node->getContentSize(), stored, log) ||
        !setContentBytes(m_node, stored.getString(), stored.getSize(), log))
        return frame.finish(false);
    m_node->setCdata(true);
    return frame.finish(true);
}

bool ClsXml::CompressNode() { return ZipContent(); }

bool ClsXml::UnzipTree() {
    CritSecExitor lock(this);
    if (!hasValidNode()) return false;
    if (!m_node->hasContent()) return true;
    MethodFrame frame(*this, this, "UnzipTree");
    LogBase &log = frame.log();
    DataBuffer text;
    if (!StoredContent::decompress(m_node->getContent(), m_node->getContentSize(), text, log))
        return frame.finish(false);
    if (!text.appendByte(0)) {
        log.logAllocationFailure("unzippedXml", text.getSize());
        return frame.finish(false);
    }
    TreeNode *root = nullptr;
    if (!parseXmlText(reinterpret_cast<const char *>(text.getData()), &log, root, true)) return frame.finish(false);
    if (!root) {
        log.logError("Failed to parse unzipped XML");
        return frame.finish(false);
    }
    CompactText content;
    // Counted while its children leave, so that detaching them never frees the parsed tree.
    TreeNode::addRef(root);
    NodeArena *arena = m_node->arena();
    bool ok = arena && copyContent(root, content, *arena, log) && appendParsedChildren(m_node, root, log);
    if (ok) m_node->content().swap(content);
    TreeNode::release(root);
    TreeNode::deleteTree(root);
    return frame.finish(ok);
}

bool ClsXml::DecompressSubtree() { return UnzipTree(); }

bool ClsXml::UnzipContent() {
    CritSecExitor lock(this);
    if (!hasValidNode()) return false;
    if (!m_node->hasContent()) return true;
    MethodFrame frame(*this, this, "UnzipContent");
    LogBase &log = frame.log();
    DataBuffer bytes;
    bool ok = StoredContent::decompress(m_node->getContent(), m_node->getContentSize(), bytes, log) &&
              setContentBytes(m_node, bytes.getData(), bytes.getSize(), log);
    return frame.finish(ok);
}

bool ClsXml::DecompressNode() { return UnzipContent(); }

// ---------------------------------------------------------------- encryption

bool ClsXml::EncryptContent(const XString &password) {
    CritSecExitor lock(this);
    if (!hasValidNode()) return false;
    if (!m_node->hasContent()) return true;
    MethodFrame frame(*this, this, "EncryptContent");
    LogBase &log = frame.log();
    StringBuffer stored;
    bool ok = StoredContent::encrypt(m_node->getContent(), m_node->getContentSize(), password, stored, log) &&
              setContentBytes(m_node, stored.getString(), stored.getSize(), log);
    return frame.finish(ok);
}

bool ClsXml::EncryptNode(const XString &password) { return EncryptContent(password); }

bool ClsXml::DecryptContent(const XString &password) {
    CritSecExitor lock(this);
    if (!hasValidNode()) return false;
    if (!m_node->hasContent()) return true;
    MethodFrame frame(*this, this, "DecryptContent");
    LogBase &log = frame.log();
    DataBuffer plain;
    bool ok = StoredContent::decrypt(m_node->getContent(), m_node->getContentSize(), password, plain, log) &&
              setContentBytes(m_node, plain.getData(), plain.getSize(), log);
    return frame.finish(ok);
}

bool ClsXml::DecryptNode(const XString &password) { return DecryptContent(password); }

// ---------------------------------------------------------------- encoded words and entities

bool ClsXml::QEncodeContent(const XString &charset, const DataBuffer &inData) {
    CritSecExitor lock(this);
    if (!hasValidNode() || inData.getSize() == 0) return false;
    ContentCoding coder;
    StringBuffer word;
    return coder.encodeQ(inData.getData(), inData.getSize(), charset.getUtf8(), word) &&
           m_node->setContentN(word.getString(), word.getSize());
}

bool ClsXml::BEncodeContent(const XString &charset, const DataBuffer &inData) {
    CritSecExitor lock(this);
    if (!hasValidNode() || inData.getSize() == 0) return false;
    StringBuffer word;
    return ContentCoding::encodeB(inData.getData(), inData.getSize(), charset.getUtf8(), word) &&
           m_node->setContentN(word.getString(), word.getSize());
}

bool ClsXml::DecodeContent(DataBuffer &out) {
    CritSecExitor lock(this);
    out.clear();
    if (!hasValidNode()) return false;
    const char *text = m_node->getContent();
    uint32_t n = m_node->getContentSize();
    if (n == 0) return true;
    if (holdsEncodedWord(text, n)) return ContentCoding::decodeEncodedWords(text, n, out);
    return out.append(text, n);
}

void ClsXml::DecodeEntities(const XString &str, XString &out) {
    CritSecExitor lock(this);
    StringBuffer text;
    if (!text.append(str.getUtf8Sb()) || !text.decodeHtmlEntities()) {
        out.clear();
        return;
    }
    out.setFromSb(text);
}

}  // namespace quorvel
