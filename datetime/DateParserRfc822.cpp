#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "datetime/CivilCalendar.h"
#include "datetime/DateNames.h"
#include "datetime/DateParser.h"
#include "datetime/IntScanner.h"
#include "datetime/TimeRecord.h"
#include "foundation/log/LogBase.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

namespace {

// Only this much of a date text is looked at.
constexpr size_t kMaxWorkLength = 199;
constexpr size_t kMaxDayDigits = 3;
constexpr size_t kMaxMonthWordLength = 5;
constexpr size_t kMaxYearDigits = 6;
constexpr size_t kMaxZoneWordLength = 31;

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return c >= 'a' && c <= 'z'; }
bool endsWord(char c) { return c == '\0' || c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void skipBlanks(const char *&p) {
    while (isBlank(*p)) ++p;
}

void skipBlanksAndDashes(const char *&p) {
    while (isBlank(*p) || *p == '-') ++p;
}

void skipWord(const char *&p) {
    while (!endsWord(*p)) ++p;
}

// The blank-delimited word at p, lower case already, cut to the buffer; "GMT" when there is none
// (which the zone table does not know, and so reads as UTC).
void readZoneWord(const char *p, char (&zone)[kMaxZoneWordLength + 1]) {
    size_t n = 0;
    while (!endsWord(p[n]) && n < kMaxZoneWordLength) {
        zone[n] = p[n];
        ++n;
    }
    zone[n] = '\0';
    if (n == 0) std::strcpy(zone, "GMT");
}

// The failures that say why: the reason, then the fallback, and the record becomes now.
bool fail(LogBase &log, TimeRecord &record, const char *message, const char *monthWord = nullptr) {
    if (message) log.logError(message);
    if (monthWord) log.logData("monthAbbrev", monthWord);
    log.logError("Returning current date/time");
    record.setNowLocal();
    return false;
}

// Month 1-12 of the first three letters of a word, from the English table and then the second
// one; 0 when neither knows it.
int monthOfWord(const char *word) {
    for (const auto *table : {DateNames::kInputMonths, DateNames::kInputMonthsAlt})
        for (int i = 0; i < 12; ++i)
            if (std::strncmp(word, table[i], 3) == 0) return i + 1;
    return 0;
}

// The long US zone names are recognised only as the whole rest of the text behind "am"/"pm".
const char *shortNameOfLongZone(const char *zone, const char *rest) {
    static const struct {
        const char *longName;
        const char *shortName;
    } kLongZones[] = {
        {"eastern standard time", "est"},  {"central standard time", "cst"}, {"mountain standard time", "mst"},
        {"pacific standard time", "pst"},  {"eastern daylight time", "edt"}, {"central daylight time", "cdt"},
        {"mountain daylight time", "mdt"}, {"pacific daylight time", "pdt"},
    };
    if (std::strcmp(zone, "eastern") != 0 && std::strcmp(zone, "central") != 0 && std::strcmp(zone, "pacific") != 0 &&
        std::strcmp(zone, "mountain") != 0)
        return nullptr;
    for (const auto &z : kLongZones)
        if (std::strcmp(rest, z.longName) == 0) return z.shortName;
    return nullptr;
}

// Zone names to numeric offsets; a name nobody knows counts as UTC.
const char *offsetOfZoneName(const char *zone) {
    static const struct {
        const char *name;
        const char *offset;
    } kZones[] = {
        {"ut", "0000"},   {"gmt", "0000"},  {"est", "-0500"}, {"edt", "-0400"}, {"cst", "-0600"},
        {"cdt", "-0500"}, {"mst", "-0700"}, {"mdt", "-0600"}, {"pst", "-0800"}, {"pdt", "-0700"},
        {"a", "-0100"},   {"z", "0000"},    {"m", "-1200"},   {"n", "0100"},    {"y", "1200"},
    };
    for (const auto &z : kZones)
        if (std::strcmp(zone, z.name) == 0) return z.offset;
    return "0000";
}

}  // namespace

bool DateParser::parseRfc822Date(const char *text, TimeRecord &record, LogBase &log) {
    if (!text) return fail(log, record, "parseRfc822Date: empty string");
    if (log.verbose()) log.logData("parseRfc822Date", text);

    StringBuffer unquoted;
    if (text[0] == '"') {
        if (!unquoted.setString(text)) {
            log.logAllocationFailure("parseRfc822Date", std::strlen(text) + 1);
            return fail(log, record, nullptr);
        }
        unquoted.removeCharOccurrences('"');
        text = unquoted.getString();
    }

    char work[kMaxWorkLength + 1];
    size_t length = 0;
    while (length < kMaxWorkLength && text[length]) ++length;
    std::memcpy(work, text, length);
    work[length] = '\0';
    if (length > 10 && work[10] == 'T' && work[4] == '-' && work[7] == '-') return parseIso8601Date(text, record);
    for (size_t i = 0; i < length; ++i)
        if (work[i] >= 'A' && work[i] <= 'Z') work[i] = static_cast<char>(work[i] + ('a' - 'A'));

    const char *p = work;
    skipBlanks(p);
    if (!*p) return false;

    // An optional day name, matched on its first three letters ("Fri", "Friday,").
    for (const char *name : DateNames::kInputDays) {
        if (std::strncmp(p, name, 3) != 0) continue;
        while (isLetter(*p)) ++p;
        skipBlanks(p);
        if (!*p) return false;
        if (*p == ',') ++p;
        skipBlanks(p);
        if (!*p) return false;
        break;
    }

    int32_t day = 0;
    for (size_t digits = 0; isDigit(*p); ++digits, ++p) {
        if (digits == kMaxDayDigits) return fail(log, record, "parseRfc822Date: day part contains non-numeric chars");
        day = day * 10 + (*p - '0');
    }
    if (day < 1 || day > 31) return fail(log, record, "parseRfc822Date: day out of range (1-31)");

    skipBlanksAndDashes(p);
    char monthWord[kMaxMonthWordLength + 1];
    size_t monthLength = 0;
    for (; *p && !isBlank(*p) && *p != '\n' && *p != '-'; ++p, ++monthLength) {
        if (monthLength == kMaxMonthWordLength) return fail(log, record, "parseRfc822Date: month string is too long");
        monthWord[monthLength] = *p;
    }
    monthWord[monthLength] = '\0';

    skipBlanksAndDashes(p);
    int32_t year = 0;
    for (size_t digits = 0; isDigit(*p); ++digits, ++p) {
        if (digits == kMaxYearDigits) return fail(log, record, "parseRfc822Date: year string is too long");
        year = year * 10 + (*p - '0');
    }
    skipBlanks(p);

    const int month = monthOfWord(monthWord);
    if (month == 0) return fail(log, record, "parseRfc822Date: invalid month abbreviation", monthWord);
    // Years below 1000 are short forms: below 50 in the 2000s, the others counted from 1900 (two
    // digits, and C's tm_year, "114" for 2014). From 1000 on a year is taken as written.
    if (year < 1000) year += year < 50 ? 2000 : 1900;

    int32_t clock[3] = {0, 0, 0};
    if (IntScanner::scan(p, "%d:%d:%d", clock, 3) != 3 && IntScanner::scan(p, "%d:%d", clock, 2) != 2)
        return fail(log, record, "parseRfc822Date: HH:MM:SS not found");
    int64_t hour = clock[0];

    skipWord(p);
    skipBlanks(p);
    if (*p == '+') ++p;
    char zone[kMaxZoneWordLength + 1];
    readZoneWord(p, zone);
    if (log.verbose()) log.logData("zoneStr", zone);

    const bool pm = std::strcmp(zone, "pm") == 0;
    if (pm || std::strcmp(zone, "am") == 0) {
        // 12 AM is the hour after midnight, 12 PM the hour after noon.
        if (pm && hour < 12) hour += 12;
        if (!pm && hour == 12) hour = 0;
        skipWord(p);
        skipBlanks(p);
        const char *rest = p;
        if (*p == '+') ++p;
        readZoneWord(p, zone);
        if (const char *shortName = shortNameOfLongZone(zone, rest)) std::strcpy(zone, shortName);
    }

    const char *offset = zone;
    if (zone[0] != '-' && !isDigit(zone[0])) offset = offsetOfZoneName(zone);
    const bool negative = offset[0] == '-';
    if (negative) ++offset;
    int32_t hm[2] = {0, 0};
    if (IntScanner::scan(offset, "%02d%02d", hm, 2) != 2 && IntScanner::scan(offset, "%02d:%02d", hm, 2) != 2) {
        hm[1] = 0;
        if (IntScanner::scan(offset, "%d", hm, 1) != 1) return fail(log, record, "parseRfc822Date: invalid timezone");
    }

    // The wall clock of the zone, less the zone's offset, is UTC. Every part is a 64-bit sum of
    // bounded numbers, and the instant is clamped to the years the record can hold.
    const int64_t offsetSeconds = (static_cast<int64_t>(hm[0]) * 60 + hm[1]) * 60;
    int64_t instant = CivilCalendar::secondsFromCivil(year, month, day, hour, clock[1], clock[2]);
    instant += negative ? offsetSeconds : -offsetSeconds;
    record.fromInstant(instant);
    return true;
}

}  // namespace quorvel
