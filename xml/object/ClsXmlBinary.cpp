// ClsXml: binary data held in an element's content, optionally compressed and encrypted.
#include "codecs/StoredContent.h"
#include "foundation/base/CritSecExitor.h"
#include "foundation/buffers/DataBuffer.h"
#include "foundation/buffers/FileAccess.h"
#include "foundation/log/LogBase.h"
#include "foundation/base/MethodFrame.h"
#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"
#include "xml/engine/TreeNode.h"
#include "xml/object/ClsXml.h"

namespace quorvel {

namespace {

// The packed text of the bytes becomes the content (none for no bytes); the CDATA flag stays.
bool storeBinary(TreeNode *node, const DataBuffer &data, bool zip, bool encrypt, const XString &password,
                 LogBase &log) {
    StringBuffer stored;
    if (!StoredContent::packBinary(data.getData(), data.getSize(), zip, encrypt, password, stored, log)) return false;
    if (node->setContentN(stored.getString(), stored.getSize())) return true;
    log.logAllocationFailure("content", stored.getSize());
    return false;
}

}  // namespace

bool ClsXml::SetBinaryContent(const DataBuffer &inData, bool zipFlag, bool encryptFlag, const XString &password) {
    CritSecExitor lock(this);
    if (!hasValidNode()) return false;
    MethodFrame frame(*this, this, "SetBinaryContent");
    return frame.finish(storeBinary(m_node, inData, zipFlag, encryptFlag, password, frame.log()));
}

bool ClsXml::SetBinaryContentFromFile(const XString &fileName, bool zipFlag, bool encryptFlag,
                                      const XString &password) {
    CritSecExitor lock(this);
    if (!hasValidNode()) return false;
    MethodFrame frame(*this, this, "SetBinaryContentFromFile");
    LogBase &log = frame.log();
    log.logDataX("path", fileName);
    log.logDataInt("zipFlag", zipFlag ? 1 : 0);
    log.logDataInt("encryptFlag", encryptFlag ? 1 : 0);
    DataBuffer data;
    // The reader has said why; the node stays as it was.
    if (!FileAccess::readWholeFile(fileName.getUtf8(), data, log)) return false;
    log.logDataUint32("NumBytes", data.getSize());
    return frame.finish(storeBinary(m_node, data, zipFlag, encryptFlag, password, log));
}

bool ClsXml::GetBinaryContent(bool unzipFlag, bool decryptFlag, const XString &password, DataBuffer &out) {
    CritSecExitor lock(this);
    out.clear();
    if (!hasValidNode()) return false;
    if (!m_node->hasContent()) return true;
    MethodFrame frame(*this, this, "GetBinaryContent");
    return StoredContent::unpackBinary(m_node->getContent(), m_node->getContentSize(), unzipFlag, decryptFlag,
                                       password, out, frame.log());
}

bool ClsXml::SaveBinaryContent(const XString &fileName, bool unzipFlag, bool decryptFlag, const XString &password) {
    CritSecExitor lock(this);
    if (!hasValidNode()) return false;
    DataBuffer bytes;
    bool unpacked = GetBinaryContent(unzipFlag, decryptFlag, password, bytes);
    MethodFrame frame(*this, this, "SaveBinaryContent");
    LogBase &log = frame.log();
    // Writing the empty result of a failure would replace the file with nothing.
    if (!unpacked) {
        log.logError("Failed to get the binary content.");
        return frame.finish(false);
    }
    return frame.finish(FileAccess::writeWholeFile(fileName.getUtf8(), bytes.getData(), bytes.getSize(), log));
}

}  // namespace quorvel
