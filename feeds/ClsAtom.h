#pragma once
#include <memory>

#include "foundation/base/ClsBase.h"
#include "foundation/base/QuorvelCritSec.h"
#include "foundation/text/XString.h"
#include "xml/object/ClsXml.h"

namespace quorvel {

class ClsDateTime;
class LogBase;
class ProgressEvent;
class TimeRecord;

// An Atom feed or entry: one Xml object standing on the current element. Elements are the
// direct children addressed by tag and index from 0 ("the (tag, index) element"). Entry
// objects stand on elements of the owner's tree: nothing is copied, edits are shared, and an
// entry may outlive the feed it came from.
//
// Typed content: an element whose "type" contains "xhtml" or "xml" holds markup as a child
// element; any other element holds text (HTML markup as escaped text for type "html").
// Texts read from text elements are entity-decoded as feed text is. Dates are stored as
// ISO 8601 UTC text ("2014-03-21T09:00:00Z"); automation dates come in as local time and go
// out as UTC clock time.
//
// The methods that return an index return the number of elements with the tag minus one after
// the change (the new element's index when one was appended); an empty (null) tag gives -1 and
// changes nothing. Every method holds the object lock; all but NumEntries open a log context
// named after themselves.
class ClsAtom : public ClsBase, public QuorvelCritSec {
public:
    // The web page the generator element of a new feed names.
    static constexpr const char *kGeneratorUri = "https://quorvel.org/xml";
    static constexpr const char *kNewEntryTemplate =
        "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n<entry></entry>";
    static constexpr const char *kNewFeedTemplate =
        "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n<feed>\n"
        "<generator uri=\"https://quorvel.org/xml\" version=\"2.0\">Quorvel</generator></feed>";

    // Stands on the root "unnamed" of a fresh tree; isReady() is false only when memory ran out.
    ClsAtom();
    ~ClsAtom() override;
    ClsAtom(const ClsAtom &) = delete;
    ClsAtom &operator=(const ClsAtom &) = delete;

    // A new object, null when memory is exhausted.
    static std::unique_ptr<ClsAtom> createNew();
    bool isReady() const;

    // ---- the document
    void NewFeed();
    void NewEntry();
    bool LoadXml(const XString &xmlStr);
    // One GET of the url; on success the body replaces the document, on failure the document
    // is cleared to a single empty root "unnamed". The progress sink (may be null) hears the
    // download.
    bool DownloadAtom(const XString &url, ProgressEvent *progress = nullptr);
    bool ToXmlString(XString &out);

    // ---- entries
    int get_NumEntries();
    std::unique_ptr<ClsAtom> GetEntry(int index);
    // Appends the parsed entry text as the last child; nothing when it holds no element.
    void AddEntry(const XString &xmlStr);

    // ---- building
    int AddElement(const XString &tag, const XString &value);
    int AddElementHtml(const XString &tag, const XString &htmlStr);
    int AddElementXHtml(const XString &tag, const XString &xmlStr);
    int AddElementXml(const XString &tag, const XString &xmlStr);
    int AddElementDate(const XString &tag, double dateTime);
    // Null dateTime: -1, nothing added.
    int AddElementDt(const XString &tag, ClsDateTime *dateTime);
    int AddElementDateStr(const XString &tag, const XString &dateTimeStr);
    // rel and href always; title and typ only when not empty.
    void AddLink(const XString &rel, const XString &href, const XString &title, const XString &typ);
    // A person element with name, uri and email children, each only when not empty.
    void AddPerson(const XString &tag, const XString &name, const XString &uri, const XString &email);

    // ---- reading
    int GetElementCount(const XString &tag);
    bool HasElement(const XString &tag);
    // Markup of an xhtml/xml element's child as XML text, otherwise the decoded text; empty
    // when the element is missing.
    bool GetElement(const XString &tag, int index, XString &out);
    bool GetElementAttr(const XString &tag, int index, const XString &attrName, XString &out);
    // The UTC clock time as an automation date; 2.0 when the element is missing, the current
    // UTC time when its text is no ISO 8601 date.
    double GetElementDate(const XString &tag, int index);
    // The RFC 822 form ("Fri, 21 Mar 2014 09:00:00 GMT"); false (a null string) when the
    // element is missing or holds no ISO 8601 date.
    bool GetElementDateStr(const XString &tag, int index, XString &out);
    // A date-time holding the element's date, or the current time when there is none; empty
    // only when memory ran out.
    std::unique_ptr<ClsDateTime> GetElementDt(const XString &tag, int index);
    // The href of the first "link" (breadth-first over this element and its descendants) whose
    // rel matches the wildcard pattern; false (a null string) when there is none.
    bool GetLinkHref(const XString &relName, XString &out);
    bool GetPersonInfo(const XString &tag, int index, const XString &tag2, XString &out);
    bool GetTopAttr(const XString &attrName, XString &out);

    // ---- changing and deleting
    // An existing element gets the value, loses its type and its children; a missing one is
    // added when index is 0.
    void UpdateElement(const XString &tag, int index, const XString &value);
    void UpdateElementHtml(const XString &tag, int index, const XString &htmlStr);
    void UpdateElementXHtml(const XString &tag, int index, const XString &xmlStr);
    void UpdateElementXml(const XString &tag, int index, const XString &xmlStr);
    void UpdateElementDate(const XString &tag, int index, double dateTime);
    void UpdateElementDt(const XString &tag, int index, ClsDateTime *dateTime);
    void UpdateElementDateStr(const XString &tag, int index, const XString &dateTimeStr);
    void UpdatePerson(const XString &tag, int index, const XString &name, const XString &uri, const XString &email);
    void DeleteElement(const XString &tag, int index);
    void DeletePerson(const XString &tag, int index);
    void SetElementAttr(const XString &tag, int index, const XString &attrName, const XString &attrValue);
    void DeleteElementAttr(const XString &tag, int index, const XString &attrName);
    void SetTopAttr(const XString &attrName, const XString &value);

    // ---- internal forms for the automation binding
    ClsXml &xml() { return m_xml; }

private:
    enum class Markup { XHtml, Xml };

    // The (tag, index) element; empty for a null tag or when there is none.
    std::unique_ptr<ClsXml> element(const XString &tag, int index);
    // No such element, as opposed to one that could not be had for lack of memory.
    bool noElement(const XString &tag, int index);
    int lastIndexOf(const XString &tag);
    // A new child tag with the content; the index rule's result, -1 when nothing was added.
    int addTextElement(const XString &tag, const char *value, LogBase &log);
    int addMarkupElement(const XString &tag, const XString &xmlStr, Markup markup, LogBase &log);
    void updateText(const XString &tag, int index, const char *value);
    void updateMarkup(const XString &tag, int index, const XString &xmlStr, const char *type, LogBase &log);
    void readDate(const XString &tag, int index, bool &found, bool &parsed, TimeRecord &record);

    ClsXml m_xml;
};

}  // namespace quorvel
