#pragma once
#include <memory>

#include "foundation/base/ClsBase.h"
#include "foundation/base/QuorvelCritSec.h"
#include "foundation/text/XString.h"
#include "xml/object/ClsXml.h"

namespace quorvel {

class LogBase;
class ProgressEvent;
class TimeRecord;

// An RSS 2.0 feed, or one element of it (a channel, an item, an image): one Xml object standing
// on the current element. Every operation works on the direct children of that element,
// addressed by tag (and index from 0). Channel, item and image objects stand on elements of
// the owner's tree: nothing is copied, edits through any of them are shared, and each may
// outlive the object it came from.
//
// Texts read from elements are entity-decoded as feed text is (the five XML entities, "&nbsp;",
// the Latin-1 HTML entities and small numeric references). An empty tag is the null tag and
// addresses nothing. Every method but NumChannels and NumItems opens a log context named after
// it; all of them hold the object lock.
class ClsRss : public ClsBase, public QuorvelCritSec {
public:
    // The new-feed template NewRss loads.
    static constexpr const char *kNewFeedTemplate = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss version=\"2.0\"></rss>";

    // Stands on the root "unnamed" of a fresh tree; isReady() is false only when memory ran out.
    ClsRss();
    ~ClsRss() override;
    ClsRss(const ClsRss &) = delete;
    ClsRss &operator=(const ClsRss &) = delete;

    // A new object, null when memory is exhausted.
    static std::unique_ptr<ClsRss> createNew();
    bool isReady() const;

    // ---- the document
    void NewRss();
    bool LoadRssString(const XString &rssString);
    bool LoadRssFile(const XString &fileName);
    // One GET of the url; on success the body replaces the document, on failure it stays.
    // The progress sink (may be null) hears the download.
    bool DownloadRss(const XString &url, ProgressEvent *progress = nullptr);
    // The current element as XML text (with the declaration when it is the root).
    bool ToXmlString(XString &out);

    // ---- channels, items, image
    int get_NumChannels();
    int get_NumItems();
    int GetCount(const XString &tag);
    // Each appends an empty child and returns an object on it; empty when memory ran out.
    std::unique_ptr<ClsRss> AddNewChannel();
    std::unique_ptr<ClsRss> AddNewItem();
    std::unique_ptr<ClsRss> AddNewImage();
    std::unique_ptr<ClsRss> GetChannel(int index);
    std::unique_ptr<ClsRss> GetItem(int index);
    std::unique_ptr<ClsRss> GetImage();

    // ---- values of the first child with a tag
    // Empty when there is no such child.
    bool GetString(const XString &tag, XString &out);
    // Replaces the first such child's content, or appends a new child.
    void SetString(const XString &tag, const XString &value);
    // An optional sign and the decimal digits that follow; 0 without a child or digits.
    int GetInt(const XString &tag);
    void SetInt(const XString &tag, int value);
    // Empty when the child or the attribute is missing.
    bool GetAttr(const XString &tag, const XString &attrName, XString &out);
    // Adds or replaces the attribute on the first such child; nothing when there is none.
    void SetAttr(const XString &tag, const XString &attrName, const XString &value);

    // ---- values of the idx-th child with a tag
    // False (a null string) when there is no such child.
    bool MGetString(const XString &tag, int idx, XString &out);
    // False when there is no such child; nothing is created.
    bool MSetString(const XString &tag, int idx, const XString &value);
    // False when the child is missing; empty when only the attribute is.
    bool MGetAttr(const XString &tag, int idx, const XString &attrName, XString &out);
    bool MSetAttr(const XString &tag, int idx, const XString &attrName, const XString &value);
    // Removes every child with the tag.
    void Remove(const XString &tag);

    // ---- RFC 822 dates
    // The UTC clock time of the first such child's date as an automation date; 2.0 when the
    // child is missing or empty, the current local time when its text is no date.
    double GetDate(const XString &tag);
    // The automation date is local time; it is stored with its zone offset.
    void SetDate(const XString &tag, double d);
    void SetDateNow(const XString &tag);
    // The date of GetDate in UTC ("Fri, 21 Mar 2014 09:00:00 GMT").
    bool GetDateStr(const XString &tag, XString &out);
    // An RFC 822 or ISO 8601 text, stored in RFC 822 form.
    void SetDateStr(const XString &tag, const XString &dateTimeStr);

    // ---- internal forms for the automation binding
    // The Xml object on the current element; the binding moves a returned sub-object's node
    // into the embedded object of a new automation object through it.
    ClsXml &xml() { return m_xml; }

private:
    // A new feed object standing on element's node (taken over with its switches); empty when
    // there is no element or memory ran out.
    static std::unique_ptr<ClsRss> objectOn(std::unique_ptr<ClsXml> element);
    std::unique_ptr<ClsRss> addNewChild(const char *methodName, const char *tag);
    std::unique_ptr<ClsRss> nthChild(const char *methodName, const char *tag, int index);
    // Content of the first child with the tag, entity-decoded; false when there is none.
    bool firstChildText(const XString &tag, XString &out);
    bool hasChild(const XString &tag);
    // The record GetDate and GetDateStr read; false when memory ran out reading it.
    bool readDate(const XString &tag, TimeRecord &record, LogBase &log);
    void storeDateText(const XString &tag, const char *text);
    void setStringUnlocked(const XString &tag, const XString &value);

    ClsXml m_xml;
};

}  // namespace quorvel
