#pragma once
#include <cstdint>
#include <memory>

#include "foundation/base/ClsBase.h"
#include "foundation/base/QuorvelCritSec.h"
#include "foundation/buffers/DataBuffer.h"
#include "foundation/log/LogBase.h"
#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"

namespace quorvel {

class TreeNode;

// The public XML object: a handle standing on one element of a document tree. It never owns
// nodes; it counts one reference on the node it stands on, which keeps the whole tree alive.
// Many objects may stand in one tree. Navigation either returns a new object on the target
// ("GetChild") or moves this object ("GetChild2").
//
// One public method per automation member, with the member's name. Object results are new
// objects (empty when there is none); object arguments are not owned and may be null.
// Every method takes the object's lock; a tree has none, so all objects standing in one tree
// are to be used from one thread at a time.
class ClsXml : public ClsBase, public QuorvelCritSec {
public:
    // Stands on the root "unnamed" of a fresh tree. Check isReady(): false only when memory
    // ran out while creating that tree.
    ClsXml();
    ~ClsXml() override;
    ClsXml(const ClsXml &) = delete;
    ClsXml &operator=(const ClsXml &) = delete;

    // A new object, null when memory is exhausted.
    static std::unique_ptr<ClsXml> createNew();
    bool isReady() const;

    // ---- navigation returning a new object
    std::unique_ptr<ClsXml> GetChild(int index);
    std::unique_ptr<ClsXml> FirstChild();
    std::unique_ptr<ClsXml> LastChild();
    std::unique_ptr<ClsXml> NextSibling();
    std::unique_ptr<ClsXml> PreviousSibling();
    std::unique_ptr<ClsXml> GetParent();
    std::unique_ptr<ClsXml> GetRoot();
    std::unique_ptr<ClsXml> GetSelf();

    // ---- navigation moving this object
    bool GetChild2(int index);
    bool FirstChild2();
    bool LastChild2();
    bool NextSibling2();
    bool PreviousSibling2();
    bool GetParent2();
    void GetRoot2();

    // ---- the element
    void get_Tag(XString &out);
    void put_Tag(const XString &tag);
    void get_Content(XString &out);
    void put_Content(const XString &content);
    int get_ContentInt();
    void put_ContentInt(int value);
    bool get_Cdata();
    void put_Cdata(bool cdata);
    int get_NumChildren();
    int get_NumAttributes();
    // Empty text when index is out of range; false only when memory runs out.
    bool GetAttributeName(int index, XString &out);
    bool GetAttributeValue(int index, XString &out);
    int GetAttributeValueInt(int index);
    bool GetAttrValue(const XString &name, XString &out);
    int GetAttrValueInt(const XString &name);
    bool HasAttribute(const XString &name);
    bool HasAttrWithValue(const XString &name, const XString &value);

    // ---- the document
    void get_Encoding(XString &out);
    void put_Encoding(const XString &encoding);
    bool get_Standalone();
    void put_Standalone(bool standalone);
    void get_DocType(XString &out);
    void put_DocType(const XString &docType);
    int get_TreeId();
    bool get_EmitXmlDecl();
    void put_EmitXmlDecl(bool emit);
    bool get_SortCaseInsensitive();
    void put_SortCaseInsensitive(bool caseInsensitive);

    // ---- copying and repositioning
    void Copy(ClsXml *node);
    void CopyRef(ClsXml *node);
    void Clear();

    // ---- editing: new children
    std::unique_ptr<ClsXml> NewChild(const XString &tag, const XString &content);
    void NewChild2(const XString &tag, const XString &content);
    void NewChildInt2(const XString &tag, int value);
    std::unique_ptr<ClsXml> NewChildBefore(int index, const XString &tag, const XString &content);
    std::unique_ptr<ClsXml> NewChildAfter(int index, const XString &tag, const XString &content);
    std::unique_ptr<ClsXml> FindOrAddNewChild(const XString &tag);

    // ---- editing: content
    bool AppendToContent(const XString &str);
    void AddToContent(int amount);
    void AddToChildContent(const XString &tag, int amount);
    void UpdateChildContent(const XString &tag, const XString &value);
    void UpdateChildContentInt(const XString &tag, int value);

    // ---- editing: attributes
    bool AddAttribute(const XString &name, const XString &value);
    bool AddAttributeInt(const XString &name, int value);
    bool UpdateAttribute(const XString &attrName, const XString &attrValue);
    bool UpdateAttributeInt(const XString &attrName, int value);
    void AddOrUpdateAttribute(const XString &name, const XString &value);
    void AddOrUpdateAttributeI(const XString &name, int value);
    void AddToAttribute(const XString &name, int amount);
    bool RemoveAttribute(const XString &name);
    bool RemoveAllAttributes();

    // ---- editing: moving, exchanging, removing subtrees
    bool AddChildTree(ClsXml *tree);
    void InsertChildTreeBefore(int index, ClsXml *tree);
    void InsertChildTreeAfter(int index, ClsXml *tree);
    bool SwapNode(ClsXml *node);
    bool SwapTree(ClsXml *tree);
    void RemoveChild(const XString &tag);
    void RemoveChildWithContent(const XString &content);
    void RemoveChildByIndex(int index);
    void RemoveAllChildren();
    void RemoveFromTree();
    std::unique_ptr<ClsXml> ExtractChildByIndex(int index);
    std::unique_ptr<ClsXml> ExtractChildByName(const XString &tag, const XString &attrName, const XString &attrValue);
    void AddStyleSheet(const XString &styleSheet);

    // ---- search over the subtree (level order; after = resume point, may be null)
    std::unique_ptr<ClsXml> SearchForTag(ClsXml *after, const XString &tag);
    bool SearchForTag2(ClsXml *after, const XString &tag);
    std::unique_ptr<ClsXml> SearchForContent(ClsXml *after, const XString &tag, const XString &contentPattern);
    bool SearchForContent2(ClsXml *after, const XString &tag, const XString &contentPattern);
    std::unique_ptr<ClsXml> SearchAllForContent(ClsXml *after, const XString &contentPattern);
    bool SearchAllForContent2(ClsXml *after, const XString &contentPattern);
    std::unique_ptr<ClsXml> SearchForAttribute(ClsXml *after, const XString &tag, const XString &attr,
                                               const XString &valuePattern);
    bool SearchForAttribute2(ClsXml *after, const XString &tag, const XString &attr, const XString &valuePattern);

    // ---- child lookups
    std::unique_ptr<ClsXml> FindChild(const XString &tag);
    bool FindChild2(const XString &tag);
    std::unique_ptr<ClsXml> GetChildWithTag(const XString &tag);
    std::unique_ptr<ClsXml> GetNthChildWithTag(const XString &tag, int n);
    bool GetNthChildWithTag2(const XString &tag, int n);
    std::unique_ptr<ClsXml> GetChildExact(const XString &tag, const XString &content);
    std::unique_ptr<ClsXml> GetChildWithContent(const XString &content);
    std::unique_ptr<ClsXml> GetChildWithAttr(const XString &tag, const XString &attrName, const XString &attrValue);
    int NumChildrenHavingTag(const XString &tag);
    bool HasChildWithTag(const XString &tag);
    bool HasChildWithContent(const XString &content);
    bool HasChildWithTagAndContent(const XString &tag, const XString &content);

    // ---- values
    bool TagEquals(const XString &tag);
    bool GetChildContent(const XString &tag, XString &out);
    bool GetChildContentByIndex(int index, XString &out);
    void GetChildTag(int index, XString &out);
    bool GetChildTagByIndex(int index, XString &out);
    int GetChildIntValue(const XString &tag);
    bool GetChildBoolValue(const XString &tag);
    bool TagContent(const XString &tag, XString &out);
    void AccumulateTagContent(const XString &tag, const XString &skipTags, XString &out);
    bool ContentMatches(const XString &pattern, bool caseSensitive);
    bool ChildContentMatches(const XString &tag, const XString &pattern, bool caseSensitive);
    std::unique_ptr<ClsXml> FindNextRecord(const XString &tag, const XString &contentPattern);

    // ---- sorting the children
    void SortByTag(bool ascending);
    void SortByContent(bool ascending);
    void SortByAttribute(const XString &attrName, bool ascending);
    void SortByAttributeInt(const XString &attrName, bool ascending);
    void SortRecordsByContent(const XString &sortTag, bool ascending);
    void SortRecordsByContentInt(const XString &sortTag, bool ascending);
    void SortRecordsByAttribute(const XString &sortTag, const XString &attrName, bool ascending);

    // ---- path commands
    bool QuorvelPath(const XString &pathCmd, XString &out);

    // ---- loading and saving
    bool LoadXml(const XString &xmlData);
    bool LoadXml2(const XString &xmlData, bool autoTrim);
    bool LoadXmlFile(const XString &fileName);
    bool LoadXmlFile2(const XString &fileName, bool autoTrim);
    bool GetXml(XString &out);
    bool SaveXml(const XString &fileName);

    // ---- content transforms
    // Packed forms held as text in this node's content: compressed (raw DEFLATE), encrypted
    // (AES-128-CBC under a password) or binary data, each as base64 with CR LF line breaks; and
    // RFC 2047 encoded words. Nothing in the tree marks a packed node. Each pair of names is one
    // operation with one log context (the first name). ZipContent, UnzipTree, UnzipContent,
    // EncryptContent, DecryptContent and GetBinaryContent return true at once, without logging,
    // when the node has no content.
    // The node and its subtree as XML text, compressed; the children go, the CDATA flag is set.
    bool ZipTree();
    bool CompressSubtree();
    // The content compressed; the CDATA flag is set.
    bool ZipContent();
    bool CompressNode();
    // Restores the content and appends the packed children; tag, attributes and CDATA flag stay.
    bool UnzipTree();
    bool DecompressSubtree();
    bool UnzipContent();
    bool DecompressNode();
    bool EncryptContent(const XString &password);
    bool EncryptNode(const XString &password);
    // A wrong password is not detected: the content becomes other bytes.
    bool DecryptContent(const XString &password);
    bool DecryptNode(const XString &password);
    // data -> compress when zipFlag -> encrypt when encryptFlag -> base64 -> content.
    bool SetBinaryContent(const DataBuffer &inData, bool zipFlag, bool encryptFlag, const XString &password);
    bool SetBinaryContentFromFile(const XString &fileName, bool zipFlag, bool encryptFlag, const XString &password);
    // content -> base64 -> decrypt when decryptFlag -> inflate when unzipFlag; out is replaced.
    // False (out empty) only when memory runs out.
    bool GetBinaryContent(bool unzipFlag, bool decryptFlag, const XString &password, DataBuffer &out);
    bool SaveBinaryContent(const XString &fileName, bool unzipFlag, bool decryptFlag, const XString &password);
    // The content becomes one encoded word of the bytes, labelled with the charset; false when
    // there are no bytes.
    bool QEncodeContent(const XString &charset, const DataBuffer &inData);
    bool BEncodeContent(const XString &charset, const DataBuffer &inData);
    // The bytes of the encoded words in the content (in their own charset), or the content's
    // bytes when it holds none; out is replaced. False only when memory runs out.
    bool DecodeContent(DataBuffer &out);
    // str with its HTML and XML entities replaced; the node is not looked at.
    void DecodeEntities(const XString &str, XString &out);

    // ---- internal forms for the feed objects and the automation binding (UTF-8)
    // This object lets go of its node and takes over other's node, reference and switches;
    // other is left without a node.
    void takeNodeFrom(ClsXml &other);
    // Content of the first child with exactly this tag; null when there is none.
    const char *childContentUtf8(const char *tag);
    bool addOrReplaceAttributeUtf8(const char *name, const char *value);
    bool getTagUtf8(StringBuffer &out);
    bool getContentUtf8(StringBuffer &out);
    bool setContentUtf8(const char *content);
    bool getXmlUtf8(StringBuffer &out);
    bool loadXmlUtf8(const char *xml, bool autoTrim);
    // The node this object stands on (null when none); for the engine layers built on it.
    TreeNode *node() const { return m_node; }

private:
    // The validity rule: a non-null node whose marker is intact.
    bool hasValidNode() const;
    // Let go of the node (release; free the tree when no reference is left in it).
    void letGoOfNode();
    // Move in place: count the new node, then let go of the old one.
    void moveTo(TreeNode *node);
    // moveTo when the target is a valid node; false (no move) otherwise.
    bool moveToTarget(TreeNode *node);
    // A new object standing on node with this object's switches (null when node is null).
    std::unique_ptr<ClsXml> objectOn(TreeNode *node) const;
    // A new object standing on node with default switches.
    static std::unique_ptr<ClsXml> objectWithDefaultsOn(TreeNode *node);
    // Positions this object on a parsed root (counted) after letting go of the old node.
    void adoptParsedRoot(TreeNode *root);
    // The shared body of the creating methods: a new child with the cleaned-up tag and the
    // content at position (appended when position < 0); null, the tree unchanged, when memory
    // is exhausted. With object, an object standing on the child comes too.
    TreeNode *attachNewChild(int position, const XString &tag, const char *content,
                             std::unique_ptr<ClsXml> *object = nullptr);
    std::unique_ptr<ClsXml> newChildObject(int position, const XString &tag, const char *content);

public:
    // AddChildTree, true only when the subtree was attached.
    bool appendSubtree(ClsXml *tree);
    // An object on a copy of this element and its subtree, a tree of its own; empty when memory
    // ran out.
    std::unique_ptr<ClsXml> copyOfSubtree();
    // Edits a copy of this element and puts the edited copy in its place only when edit()
    // succeeded, so that memory running out part way leaves the element as it was. Objects on
    // this element stay on it; objects in its old children go with those children.
    template <class Edit>
    bool editAsWhole(Edit edit) {
        std::unique_ptr<ClsXml> copy = copyOfSubtree();
        return copy && edit(*copy) && takeContentsOf(*copy);
    }

    // A new last child (tag cleaned as NewChild does) that build() completes through an object
    // standing on it before it joins the tree: when build() fails (memory) nothing is added.
    // Returns the object, empty when nothing was added.
    template <class Build>
    std::unique_ptr<ClsXml> newChildBuilt(const XString &tag, const XString &content, Build build) {
        std::unique_ptr<ClsXml> child = newLoneChild(tag, content);
        // Letting go of the object destroys the lone child when it is not to be added.
        if (!child || !build(*child) || !adoptLoneChild(*child)) return nullptr;
        return child;
    }

private:
    // An object on a new node of its own (tag cleaned up), and that node made the last child.
    std::unique_ptr<ClsXml> newLoneChild(const XString &tag, const XString &content);
    bool adoptLoneChild(ClsXml &child);
    // Exchanges everything of this node with the other's, child lists as they are (no memory
    // needed); false for nodes that are not valid or of one line of descent.
    bool takeContentsOf(ClsXml &other);
    // Detaches tree's node and attaches it under this node at position (appended when < 0).
    // False when nothing was attached.
    bool moveSubtreeHere(ClsXml *tree, int position);
    bool loadText(const XString &xmlData, bool autoTrim, LogBase &log);
    bool loadFile(const XString &fileName, bool autoTrim, LogBase &log);
    bool serializeTo(StringBuffer &out);
    // The node a search or lookup starts from, null when the after object is not usable.
    TreeNode *searchFrom(ClsXml *after, TreeNode *&afterNode);

    bool m_emitXmlDecl = true;
    bool m_sortCaseInsensitive = false;
    TreeNode *m_node = nullptr;
};

}  // namespace quorvel
