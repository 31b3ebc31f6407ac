// ClsAtom: ISO 8601 dates, from and to automation dates, date texts and date-time objects.
#include <new>

#include "datetime/ClsDateTime.h"
#include "datetime/DateParser.h"
#include "datetime/TimeRecord.h"
#include "feeds/ClsAtom.h"
#include "feeds/internal/FeedText.h"
#include "foundation/base/CritSecExitor.h"
#include "foundation/base/MethodFrame.h"
#include "foundation/log/LogBase.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

namespace {

// The ISO 8601 text of an automation date in local time (the current UTC time when the date
// is out of range).
StringBuffer isoTextOfOleDate(double date) {
    TimeRecord record;
    record.fromOleDate(date);
    StringBuffer text;
    DateParser::formatIso8601Date(record, text);
    return text;
}

// The ISO 8601 text of a date-time object: its UTC automation date, read back as UTC.
StringBuffer isoTextOfDateTime(ClsDateTime &dateTime) {
    TimeRecord utc;
    {
        CritSecExitor lock(&dateTime);
        utc = dateTime.timeRecord();
    }
    utc.toUtc();
    double date = 0;
    utc.toOleDate(date);
    ClsDateTime converted;
    converted.setFromOleDate(false, date);
    StringBuffer text;
    DateParser::formatIso8601Date(converted.timeRecord(), text);
    return text;
}

// An RFC 822 or ISO 8601 text as ISO 8601; a text that is no date gives the parser's fallback.
StringBuffer isoTextOfDateText(const XString &dateTimeStr, LogBase &log) {
    TimeRecord record;
    DateParser::parseRfc822Date(dateTimeStr.getUtf8(), record, log);
    StringBuffer text;
    DateParser::formatIso8601Date(record, text);
    return text;
}

}  // namespace

int ClsAtom::AddElementDate(const XString &tag, double dateTime) {
    MethodFrame frame(*this, this, "AddElementDate");
    return addTextElement(tag, isoTextOfOleDate(dateTime).getString(), frame.log());
}

int ClsAtom::AddElementDt(const XString &tag, ClsDateTime *dateTime) {
    MethodFrame frame(*this, this, "AddElementDt");
    if (!dateTime) {
        frame.log().logError("No date-time object.");
        return -1;
    }
    return addTextElement(tag, isoTextOfDateTime(*dateTime).getString(), frame.log());
}

int ClsAtom::AddElementDateStr(const XString &tag, const XString &dateTimeStr) {
    MethodFrame frame(*this, this, "AddElementDateStr");
    return addTextElement(tag, isoTextOfDateText(dateTimeStr, frame.log()).getString(), frame.log());
}

void ClsAtom::UpdateElementDate(const XString &tag, int index, double dateTime) {
    MethodFrame frame(*this, this, "UpdateElementDate");
    updateText(tag, index, isoTextOfOleDate(dateTime).getString());
}

void ClsAtom::UpdateElementDt(const XString &tag, int index, ClsDateTime *dateTime) {
    MethodFrame frame(*this, this, "UpdateElementDt");
    if (!dateTime) {
        frame.log().logError("No date-time object.");
        return;
    }
    updateText(tag, index, isoTextOfDateTime(*dateTime).getString());
}

void ClsAtom::UpdateElementDateStr(const XString &tag, int index, const XString &dateTimeStr) {
    MethodFrame frame(*this, this, "UpdateElementDateStr");
    updateText(tag, index, isoTextOfDateText(dateTimeStr, frame.log()).getString());
}

// found: the element exists; parsed: its text is an ISO 8601 date, then in record. A missing
// element leaves the record alone; an unparseable text leaves it as the parser left it.
void ClsAtom::readDate(const XString &tag, int index, bool &found, bool &parsed, TimeRecord &record) {
    found = parsed = false;
    std::unique_ptr<ClsXml> dated = element(tag, index);
    if (!dated) return;
    found = true;
    XString text;
    decodedContent(*dated, text);
    parsed = DateParser::parseIso8601Date(text.getUtf8(), record);
}

double ClsAtom::GetElementDate(const XString &tag, int index) {
    MethodFrame frame(*this, this, "GetElementDate");
    TimeRecord record;
    bool found, parsed;
    readDate(tag, index, found, parsed, record);
    if (found && !parsed) record.setNowUtc();
    double date = 0;
    record.toOleDate(date);
    return date;
}

bool ClsAtom::GetElementDateStr(const XString &tag, int index, XString &out) {
    MethodFrame frame(*this, this, "GetElementDateStr");
    out.clear();
    TimeRecord record;
    bool found, parsed;
    readDate(tag, index, found, parsed, record);
    if (!parsed) return false;
    StringBuffer text;
    return DateParser::formatRfc822Date(record, text) && out.setFromSb(text);
}

std::unique_ptr<ClsDateTime> ClsAtom::GetElementDt(const XString &tag, int index) {
    MethodFrame frame(*this, this, "GetElementDt");
    std::unique_ptr<ClsDateTime> dateTime(new (std::nothrow) ClsDateTime());
    if (!dateTime) {
        frame.log().logError("Memory allocation failed.");
        return nullptr;
    }
    TimeRecord record;
    bool found, parsed;
    readDate(tag, index, found, parsed, record);
    // The object starts at the current UTC time and keeps it unless a date was read.
    if (parsed) dateTime->timeRecord() = record;
    return dateTime;
}

}  // namespace quorvel
