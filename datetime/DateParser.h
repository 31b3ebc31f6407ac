#pragma once

namespace quorvel {

class LogBase;
class StringBuffer;
class TimeRecord;

// The date formats of the feeds: RFC 822 dates of RSS ("Fri, 21 Mar 2014 10:00:00 GMT") and
// ISO 8601 / RFC 3339 dates of Atom ("2014-03-21T10:00:00Z"). Stateless.
class DateParser {
public:
    // An RFC 822 date, or an ISO 8601 date (handed to parseIso8601Date), into a UTC record.
    // A text that is blank, or ends right after a day name, returns false and leaves the record
    // alone. Every other failure logs its reason and "Returning current date/time", and sets the
    // record to the current local time, so that a caller that ignores the result stores now.
    static bool parseRfc822Date(const char *text, TimeRecord &record, LogBase &log);

    // "YYYY-MM-DDThh:mm:ss" (or the basic date "YYYYMMDD"), a fraction of a second ignored,
    // then "Z", nothing, or an offset "+hh:mm", "+hhmm", "+hh" (or '-'), into a UTC record.
    // Writes no log; after false the record may hold a partly filled date.
    static bool parseIso8601Date(const char *text, TimeRecord &record);

    // Formatters append to out; false (out unchanged) only when memory runs out.
    // "Fri, 21 Mar 2014 09:00:00 GMT" for a UTC record, "Fri, 21 Mar 2014 10:00:00 +0100" for a
    // local one (GMT again where the local offset is zero). The text always names the record's
    // instant: seconds of an offset beyond its whole minutes are taken off the clock written.
    static bool formatRfc822Date(const TimeRecord &record, StringBuffer &out);
    // "2014-03-21T09:00:00Z": the record's instant in UTC.
    static bool formatIso8601Date(const TimeRecord &record, StringBuffer &out);
    // The current local time with its numeric offset, "+0000" included.
    static bool currentRfc822Date(StringBuffer &out);
};

}  // namespace quorvel
