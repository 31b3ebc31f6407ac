#include "xml/engine/XmlSerializer.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "foundation/base/ExtPtrArray.h"
#include "foundation/buffers/DataBuffer.h"
#include "foundation/text/StringBuffer.h"
#include "xml/engine/AttributeSet.h"
#include "xml/engine/ChildList.h"
#include "xml/engine/NodeArena.h"
#include "xml/engine/TreeInfo.h"
#include "xml/engine/TreeNode.h"
#include "xml/engine/XmlTextWriter.h"

namespace quorvel {

namespace {

// An element whose close tag is still to be written, with the next child to visit.
struct OpenElement {
    const TreeNode *node;
    int32_t nextChild;
    int32_t depth;
};

// The open elements from the top of the walk down to the current one. Grows by doubling with
// realloc, so running out of memory ends the walk instead of throwing.
class OpenElementStack {
public:
    OpenElementStack() = default;
    ~OpenElementStack() { std::free(m_items); }
    OpenElementStack(const OpenElementStack &) = delete;
    OpenElementStack &operator=(const OpenElementStack &) = delete;

    bool empty() const { return m_count == 0; }
    OpenElement &top() { return m_items[m_count - 1]; }
    void pop() { --m_count; }
    bool push(const OpenElement &e) {
        if (m_count == m_capacity && !grow()) return false;
        m_items[m_count++] = e;
        return true;
    }

private:
    bool grow() {
        size_t capacity = m_capacity ? m_capacity * 2 : 64;
        void *block = std::realloc(m_items, capacity * sizeof(OpenElement));
        if (!block) return false;
        m_items = static_cast<OpenElement *>(block);
        m_capacity = capacity;
        return true;
    }

    OpenElement *m_items = nullptr;
    size_t m_count = 0;
    size_t m_capacity = 0;
};

constexpr char kStandalone[] = "standalone";
constexpr uint32_t kStandaloneLength = sizeof kStandalone - 1;

void writeTag(XmlTextWriter &w, const TreeNode &node) {
    const char *tag = node.getTag();
    if (*tag == '\0') w.writeLiteral("nothing");
    else w.writeCString(tag);
}

void writeAttributes(XmlTextWriter &w, const AttributeSet *attributes, bool pseudo = false) {
    if (!attributes) return;
    int32_t count = attributes->count();
    for (int32_t i = 0; i < count; ++i) {
        const char *name = nullptr, *value = nullptr;
        uint32_t nameLength = 0, valueLength = 0;
        if (!attributes->nameAt(i, name, nameLength) || !attributes->valueAt(i, value, valueLength)) continue;
        w.writeChar(' ');
        w.write(name, nameLength);
        w.writeLiteral("=\"");
        if (pseudo) w.writeEscapedPseudoAttribute(value, valueLength);
        else w.writeEscapedAttribute(value, valueLength);
        w.writeChar('"');
    }
}

// Makes standalone the last pseudo-attribute of the declaration, keeping one of them with the
// value of the first. This edits the stored declaration, so the order sticks.
void moveStandaloneLast(AttributeSet &attributes, NodeArena &arena) {
    int32_t first = attributes.indexOf(kStandalone, kStandaloneLength);
    // The first occurrence in last place is the only one: nothing to move.
    if (first < 0 || first == attributes.count() - 1) return;
    const char *value = nullptr;
    uint32_t valueLength = 0;
    if (!attributes.valueAt(first, value, valueLength)) return;
    DataBuffer copy;
    if (!copy.append(value, valueLength)) return;
    attributes.removeAll(kStandalone, INT32_MAX);
    // The removal freed at least this much room, so the append cannot run out of memory.
    attributes.appendPair(arena, kStandalone, kStandaloneLength, reinterpret_cast<const char *>(copy.getData()),
                          copy.getSize());
}

void writeProcessingInstruction(XmlTextWriter &w, const char *open, uint32_t openLength,
                                AttributeSet *attributes) {
    w.write(open, openLength);
    writeAttributes(w, attributes, true);
    w.writeLiteral(" ?>\r\n");
}

// Declaration, style sheets, DOCTYPE and the other processing instructions of a document.
void writePrologue(XmlTextWriter &w, TreeInfo &tree, bool suppressDeclaration) {
    TreeNode *declaration = tree.declaration();
    if (!suppressDeclaration && TreeNode::isValid(declaration)) {
        AttributeSet *attributes = declaration->attributes();
        if (attributes && declaration->arena()) moveStandaloneLast(*attributes, *declaration->arena());
        static constexpr char kOpen[] = "<?xml";
        writeProcessingInstruction(w, kOpen, sizeof kOpen - 1, attributes);
    }
    const ExtPtrArray &styleSheets = tree.styleSheets();
    for (int32_t i = 0; i < styleSheets.getSize(); ++i) {
        const TreeNode *sheet = static_cast<const TreeNode *>(styleSheets.elementAt(i));
        if (!TreeNode::isValid(sheet) || !sheet->attributes()) continue;
        static constexpr char kOpen[] = "<?xml-stylesheet";
        writeProcessingInstruction(w, kOpen, sizeof kOpen - 1, sheet->attributes());
    }
    const char *doctype = tree.doctypeText();
    if (*doctype) {
        w.writeCString(doctype);
        w.writeCrLf();
    }
    const char *instructions = tree.piText();
    if (*instructions) {
        w.writeCString(instructions);
        w.writeCrLf();
    }
}

bool containsCdataEnd(const char *text, uint32_t n) {
    for (uint32_t i = 2; i < n; ++i) {
        const void *gt = std::memchr(text + i, '>', n - i);
        if (!gt) return false;
        i = static_cast<uint32_t>(static_cast<const char *>(gt) - text);
        if (text[i - 1] == ']' && text[i - 2] == ']') return true;
    }
    return false;
}

// A CDATA section cannot carry "]]>", so the section gets the content without any "]]>" or
// "<![CDATA[". Removing one occurrence can join its neighbours into a new one ("]]]>>"), so
// each byte is checked against the text kept so far: what is written holds neither marker.
void writeCdataStripped(XmlTextWriter &w, const char *text, uint32_t n) {
    std::unique_ptr<char[]> kept(new (std::nothrow) char[n]);
    if (!kept) {
        w.markFailed();
        return;
    }
    char *out = kept.get();
    uint32_t length = 0;
    for (uint32_t i = 0; i < n; ++i) {
        char c = text[i];
        out[length++] = c;
        if (c == '>' && length >= 3 && std::memcmp(out + length - 3, "]]>", 3) == 0) length -= 3;
        else if (c == '[' && length >= 9 && std::memcmp(out + length - 9, "<![CDATA[", 9) == 0) length -= 9;
    }
    w.writeRaw(out, length);
}

void writeContent(XmlTextWriter &w, const TreeNode &node) {
    const char *text = node.getContent();
    uint32_t n = node.getContentSize();
    if (!node.getCdata()) {
        w.writeEscapedText(text, n);
        return;
    }
    w.writeLiteral("<![CDATA[");
    if (containsCdataEnd(text, n)) writeCdataStripped(w, text, n);
    else w.writeRaw(text, n);
    w.writeLiteral("]]>");
}

void writeCloseTag(XmlTextWriter &w, const TreeNode &node) {
    w.writeLiteral("</");
    writeTag(w, node);
    w.writeLiteral(">\r\n");
}

bool isWritable(const TreeNode *node) { return TreeNode::isValid(node) && TreeInfo::isValid(node->treeInfo()); }

// Writes everything of a node up to its children; true when the node has a children array,
// so its children and close tag follow.
bool writeOpening(XmlTextWriter &w, const TreeNode &node, int32_t index, int32_t depth, bool suppressDeclaration) {
    TreeInfo *tree = node.treeInfo();
    if (tree->root() == &node) writePrologue(w, *tree, suppressDeclaration);
    else if (index == 0) w.writeCrLf();  // ends the parent's open-tag line

    w.writeIndent(depth);
    w.writeChar('<');
    writeTag(w, node);
    writeAttributes(w, node.attributes());
    if (node.hasContent()) {
        w.writeChar('>');
        writeContent(w, node);
        if (node.hasChildrenArray()) return true;
        writeCloseTag(w, node);
        return false;
    }
    if (!node.hasChildrenArray()) {
        w.writeLiteral(" />\r\n");
        return false;
    }
    w.writeChar('>');
    return true;
}

}  // namespace

bool serializeNode(const TreeNode *node, StringBuffer &out, int32_t index, int32_t depth, bool suppressDeclaration) {
    if (!isWritable(node)) return false;
    if (depth < 0) depth = 0;
    XmlTextWriter w(out);
    OpenElementStack open;
    if (writeOpening(w, *node, index, depth, suppressDeclaration) && !open.push({node, 0, depth})) return false;

    while (!open.empty() && !w.failed()) {
        OpenElement &current = open.top();
        const ChildList *children = current.node->childrenArray();
        if (current.nextChild < children->getSize()) {
            int32_t i = current.nextChild++;
            int32_t childDepth = current.depth < INT32_MAX ? current.depth + 1 : current.depth;
            const TreeNode *child = children->elementAt(i);
            if (!isWritable(child)) continue;
            if (writeOpening(w, *child, i, childDepth, false) && !open.push({child, 0, childDepth})) {
                w.markFailed();
                break;
            }
            continue;
        }
        w.writeIndent(current.depth);
        writeCloseTag(w, *current.node);
        open.pop();
    }
    return w.flush();
}

}  // namespace quorvel
