// ClsRss: RFC 822 dates in child elements.
#include "datetime/DateParser.h"
#include "datetime/TimeRecord.h"
#include "feeds/ClsRss.h"
#include "feeds/internal/FeedText.h"
#include "foundation/base/MethodFrame.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

// A zero record unless the element holds text; then the parser's result, or its fallback (the
// current local time) when the text is no date.
bool ClsRss::readDate(const XString &tag, TimeRecord &record, LogBase &log) {
    record.clear();
    XString text;
    // A child whose text cannot be read (memory) is not a missing date.
    if (!firstChildText(tag, text)) return !hasChild(tag);
    if (!text.isEmpty()) DateParser::parseRfc822Date(text.getUtf8(), record, log);
    return true;
}

void ClsRss::storeDateText(const XString &tag, const char *text) { setStringUnlocked(tag, feedText(text)); }

double ClsRss::GetDate(const XString &tag) {
    MethodFrame frame(*this, this, "GetDate");
    TimeRecord record;
    readDate(tag, record, frame.log());
    double date = 0;
    record.toOleDate(date);
    return date;
}

void ClsRss::SetDate(const XString &tag, double d) {
    MethodFrame frame(*this, this, "SetDate");
    TimeRecord record;
    // Out of range the record holds the current UTC time, which is then stored.
    record.fromOleDate(d);
    StringBuffer text;
    if (DateParser::formatRfc822Date(record, text)) storeDateText(tag, text.getString());
}

void ClsRss::SetDateNow(const XString &tag) {
    MethodFrame frame(*this, this, "SetDateNow");
    StringBuffer text;
    if (DateParser::currentRfc822Date(text)) storeDateText(tag, text.getString());
}

bool ClsRss::GetDateStr(const XString &tag, XString &out) {
    MethodFrame frame(*this, this, "GetDateStr");
    out.clear();
    TimeRecord record;
    if (!readDate(tag, record, frame.log())) return false;
    StringBuffer text;
    return DateParser::formatRfc822Date(record, text) && out.setFromSb(text);
}

void ClsRss::SetDateStr(const XString &tag, const XString &dateTimeStr) {
    MethodFrame frame(*this, this, "SetDateStr");
    TimeRecord record;
    // The result is not looked at: a text that is no date stores the parser's fallback.
    DateParser::parseRfc822Date(dateTimeStr.getUtf8(), record, frame.log());
    StringBuffer text;
    if (DateParser::formatRfc822Date(record, text)) storeDateText(tag, text.getString());
}

}  // namespace quorvel
