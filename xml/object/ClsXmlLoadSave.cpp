// ClsXml: loading text and files, GetXml and SaveXml.
#include <cstring>

#include "foundation/base/CritSecExitor.h"
#include "foundation/log/LogBase.h"
#include "foundation/log/LogNull.h"
#include "foundation/base/MethodFrame.h"
#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"
#include "xml/engine/TreeInfo.h"
#include "xml/engine/TreeNode.h"
#include "xml/engine/XmlFileLoader.h"
#include "xml/engine/XmlParser.h"
#include "xml/engine/XmlSaver.h"
#include "xml/engine/XmlSerializer.h"
#include "xml/object/ClsXml.h"

namespace quorvel {

namespace {

constexpr uint32_t kMaxFileNameShortcut = 100;

// A short text without '<' that ends in ".xml" (any case) names a file to load.
bool looksLikeFileName(const XString &text) {
    const StringBuffer &utf8 = text.getUtf8Sb();
    if (utf8.containsChar('<')) return false;
    StringBuffer name(utf8);
    name.trim();
    if (name.getSize() >= kMaxFileNameShortcut || name.getSize() < 4) return false;
    return StringBuffer(name.getString() + name.getSize() - 4).equalsIgnoreCase(".xml");
}

}  // namespace

void ClsXml::adoptParsedRoot(TreeNode *root) {
    letGoOfNode();
    TreeNode::addRef(root);
    m_node = root;
}

bool ClsXml::loadFile(const XString &fileName, bool autoTrim, LogBase &log) {
    StringBuffer path(fileName.getUtf8());
    path.trim();
    TreeNode *root = nullptr;
    if (!loadXmlFile(path.getString(), log, root, autoTrim) || !root) {
        TreeNode::deleteTree(root);
        return false;
    }
    adoptParsedRoot(root);
    return true;
}

bool ClsXml::loadText(const XString &xmlData, bool autoTrim, LogBase &log) {
    if (looksLikeFileName(xmlData)) return loadFile(xmlData, autoTrim, log);
    TreeNode *root = nullptr;
    if (!parseXmlText(xmlData.getUtf8(), &log, root, autoTrim) || !root) {
        TreeNode::deleteTree(root);
        return false;
    }
    adoptParsedRoot(root);
    return true;
}

bool ClsXml::LoadXml(const XString &xmlData) {
    MethodFrame frame(*this, this, "LoadXml");
    return frame.finish(loadText(xmlData, true, frame.log()));
}

bool ClsXml::LoadXml2(const XString &xmlData, bool autoTrim) {
    MethodFrame frame(*this, this, "LoadXml2");
    return frame.finish(loadText(xmlData, autoTrim, frame.log()));
}

bool ClsXml::LoadXmlFile(const XString &fileName) {
    MethodFrame frame(*this, this, "LoadXmlFile");
    frame.log().logDataX("path", fileName);
    return frame.finish(loadFile(fileName, true, frame.log()));
}

bool ClsXml::LoadXmlFile2(const XString &fileName, bool autoTrim) {
    MethodFrame frame(*this, this, "LoadXmlFile2");
    frame.log().logDataX("path", fileName);
    return frame.finish(loadFile(fileName, autoTrim, frame.log()));
}

bool ClsXml::loadXmlUtf8(const char *xml, bool autoTrim) {
    XString text;
    text.setFromUtf8(xml);
    return LoadXml2(text, autoTrim);
}

bool ClsXml::serializeTo(StringBuffer &out) {
    out.clear();
    // Writing the root declares the encoding it is written in.
    if (m_node->isRoot() && !ensureDeclarationEncoding(m_node, "utf-8")) return false;
    // Out of memory part way: no text rather than a cut one.
    if (serializeNode(m_node, out, 0, 0, !m_emitXmlDecl)) return true;
    out.clear();
    return false;
}

bool ClsXml::getXmlUtf8(StringBuffer &out) {
    CritSecExitor lock(this);
    out.clear();
    if (!hasValidNode()) return false;
    return serializeTo(out) && !out.isEmpty();
}

bool ClsXml::GetXml(XString &out) {
    CritSecExitor lock(this);
    out.clear();
    StringBuffer xml;
    if (!getXmlUtf8(xml)) return false;
    return out.setFromSb(xml);
}

bool ClsXml::SaveXml(const XString &fileName) {
    MethodFrame frame(*this, this, "SaveXml");
    LogBase &log = frame.log();
    if (!m_node) {
        log.logError("null tree");
        return frame.finish(false);
    }
    if (!hasValidNode()) {
        log.logError("invalid tree");
        return frame.finish(false);
    }
    StringBuffer encoding;
    if (!getDeclarationEncoding(m_node, encoding) &&
        (!setDeclarationEncoding(m_node, "utf-8") || !encoding.setString("utf-8"))) {
        log.logAllocationFailure("encoding", 0);
        return frame.finish(false);
    }
    StringBuffer xml;
    if (!serializeNode(m_node, xml, 0, 0, !m_emitXmlDecl)) {
        log.logAllocationFailure("serializeNode", xml.getSize());
        return frame.finish(false);
    }
    StringBuffer path;
    if (!path.append(fileName.getUtf8())) {
        log.logAllocationFailure("fileName", 0);
        return frame.finish(false);
    }
    path.trim();
    return frame.finish(saveXmlBytes(xml, encoding.getString(), path.getString(), log));
}

}  // namespace quorvel
