// Date texts and automation dates. Fuzzed text goes to the RFC 822 and ISO 8601 parsers and to the
// date-time object; a parsed date written back and parsed again is the same date. Fuzzed doubles
// (NaN, infinities and huge values among them) go to the automation-date conversions, and the
// record they give converts back to the same time; fuzzed fields and instants go through the
// record's conversions and formatters. The zone has daylight-saving time, so its rules are used.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "FuzzInput.h"
#include "datetime/CivilCalendar.h"
#include "datetime/ClsDateTime.h"
#include "datetime/DateParser.h"
#include "datetime/TimeRecord.h"
#include "foundation/log/LogNull.h"
#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"

using namespace quorvel;

namespace {

bool sameFields(const TimeRecord &a, const TimeRecord &b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour && a.minute == b.minute &&
           a.second == b.second && a.dayOfWeek == b.dayOfWeek && a.isLocal == b.isLocal;
}

bool inRange(const TimeRecord &r) {
    return CivilCalendar::isValidDate(r.year, r.month, r.day) && r.hour < 24 && r.minute < 60 && r.second < 60;
}

void show(const char *what, const TimeRecord &r) {
    std::fprintf(stderr, "%s: %u-%u-%u %u:%u:%u dow %u %s\n", what, r.year, r.month, r.day, r.hour, r.minute,
                 r.second, r.dayOfWeek, r.isLocal ? "local" : "utc");
}

// An automation date as a point on a line: a negative date keeps its time of day as a positive
// fraction, so -1.25 is 0.75 days before the epoch.
double linear(double date) {
    const double whole = std::trunc(date);
    return date >= 0 ? date : 2 * whole - date;
}

double doubleFrom(fuzz::FuzzInput &input) {
    static const double kPicks[] = {
        std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(), 1e308, -1e308, 9.3e18, -9.3e18, -657435.0, -657434.99999999,
        2958466.0, 2958465.999999, 2958465.99999999, -0.0, 0.5, -0.5, -0.99999999, -1.99999999, 1e-300,
        std::numeric_limits<double>::denorm_min(), 0.999994212962963, 0.999994213,
    };
    const uint8_t how = input.byte();
    if (how < 64) return kPicks[how % (sizeof kPicks / sizeof kPicks[0])];
    unsigned char raw[8];
    for (unsigned char &b : raw) b = input.byte();
    double d;
    std::memcpy(&d, raw, sizeof d);
    // Small values too, where the days and the time of day both matter.
    return how < 128 ? std::fmod(d, 3.0e6) : d;
}

void texts(const std::string &text) {
    LogNull log;
    TimeRecord parsed;
    if (DateParser::parseRfc822Date(text.c_str(), parsed, log) && !parsed.isLocal && inRange(parsed) &&
        parsed.year >= 1000) {
        // Years below 1000 are read as short forms, so only longer ones come back as written.
        StringBuffer written;
        if (!DateParser::formatRfc822Date(parsed, written)) fuzz::broken("a date formats");
        TimeRecord again;
        if (!DateParser::parseRfc822Date(written.getString(), again, log) || !sameFields(parsed, again)) {
            std::fprintf(stderr, "written: %s\n", written.getString());
            show("parsed", parsed);
            show("again", again);
            fuzz::broken("an RFC 822 date we write parses back to the same date");
        }
    }

    TimeRecord iso;
    if (DateParser::parseIso8601Date(text.c_str(), iso)) {
        StringBuffer written;
        if (!DateParser::formatIso8601Date(iso, written)) fuzz::broken("a date formats");
        TimeRecord again;
        if (!DateParser::parseIso8601Date(written.getString(), again) || !sameFields(iso, again)) {
            std::fprintf(stderr, "written: %s\n", written.getString());
            show("parsed", iso);
            show("again", again);
            fuzz::broken("an ISO 8601 date we write parses back to the same date");
        }
        StringBuffer rfc;
        DateParser::formatRfc822Date(iso, rfc);
    }

    // The object: a date it takes is written out and taken back the same.
    XString value;
    value.setFromUtf8N(text.data(), static_cast<uint32_t>(text.size()));
    ClsDateTime dt;
    if (dt.SetFromRfc822(value)) {
        XString before, written, after;
        dt.Serialize(before);
        dt.GetAsRfc822(false, written);
        ClsDateTime other;
        const bool shortYear = dt.timeRecord().year < 1000;
        if (!shortYear && (!other.SetFromRfc822(written) || (other.Serialize(after), !before.equalsX(after)))) {
            std::fprintf(stderr, "%s -> %s -> %s\n", before.getUtf8(), written.getUtf8(), after.getUtf8());
            fuzz::broken("the object's RFC 822 date reads back the same");
        }
        // As local time with its offset: the same instant.
        dt.GetAsRfc822(true, written);
        ClsDateTime local;
        if (!shortYear && (!local.SetFromRfc822(written) || (local.Serialize(after), !before.equalsX(after)))) {
            std::fprintf(stderr, "%s -> %s -> %s\n", before.getUtf8(), written.getUtf8(), after.getUtf8());
            fuzz::broken("the object's local RFC 822 date reads back as the same instant");
        }
        dt.GetAsOleDate(true);
        dt.GetAsUnixTime(true);
        dt.GetAsDosDate(false);
        dt.get_IsDst();
        dt.get_UtcOffset();
    }
    ClsDateTime serialized;
    serialized.DeSerialize(value);
    XString out;
    serialized.Serialize(out);
    ClsDateTime back;
    back.DeSerialize(out);
    XString again;
    back.Serialize(again);
    if (!out.equalsX(again)) fuzz::broken("a serialized date deserializes to the same");
}

void oleDates(fuzz::FuzzInput &input) {
    for (int round = 0; round < 4; ++round) {
        const double date = doubleFrom(input);
        const bool local = input.byte() & 1;
        TimeRecord record;
        record.year = 1234;
        const TimeRecord untouched = record;
        const bool converted = record.setFromOleDate(date, local);
        if (!converted) {
            if (!sameFields(record, untouched)) fuzz::broken("a refused automation date leaves the record");
            if (date > -657434.0 && date < 2958465.0) {
                std::fprintf(stderr, "%.17g\n", date);
                fuzz::broken("every date from 0100-01-01 to 9999-12-31 converts");
            }
        } else {
            if (!inRange(record) || record.year < 100 || record.year > 9999) {
                show("record", record);
                fuzz::broken("an automation date gives a valid date from 0100 to 9999");
            }
            double back = 0;
            if (!record.toOleDate(back)) fuzz::broken("a record from an automation date converts back");
            if (std::fabs(linear(back) - linear(date)) > 0.51 / 86400.0) {
                std::fprintf(stderr, "%.17g -> %.17g\n", date, back);
                fuzz::broken("an automation date comes back to the nearest second");
            }
            TimeRecord again;
            if (!again.setFromOleDate(back, local) || !sameFields(record, again)) {
                show("record", record);
                show("again", again);
                fuzz::broken("an automation date written back reads as the same record");
            }
        }
        TimeRecord now;
        now.fromOleDate(date);

        ClsDateTime dt;
        dt.SetFromOleDate(local, date);
        const double got = dt.GetAsOleDate(local);
        // The object holds the fields as given and hands them back as they are.
        if (converted && std::fabs(linear(got) - linear(date)) > 0.51 / 86400.0) {
            std::fprintf(stderr, "%.17g -> %.17g\n", date, got);
            fuzz::broken("the object's automation date comes back to the nearest second");
        }
        XString text;
        dt.GetAsRfc822(local, text);
        dt.GetAsDosDate(local);
    }
}

int64_t int64From(fuzz::FuzzInput &input) {
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v = v << 8 | input.byte();
    return static_cast<int64_t>(v);
}

void records(fuzz::FuzzInput &input) {
    TimeRecord r;
    uint16_t *fields[] = {&r.year, &r.month, &r.dayOfWeek, &r.day, &r.hour, &r.minute, &r.second};
    for (uint16_t *f : fields) *f = static_cast<uint16_t>(input.byte() << 8 | input.byte());
    const uint8_t flags = input.byte();
    r.isLocal = flags & 1;
    double ole;
    r.toOleDate(ole);
    StringBuffer text;
    DateParser::formatRfc822Date(r, text);
    DateParser::formatIso8601Date(r, text);
    r.utcOffset();
    r.isDst();
    TimeRecord copy = r;
    copy.toLocal();
    copy.toUtc();
    copy = r;
    copy.addDays(static_cast<int32_t>(int64From(input)));
    if (!CivilCalendar::isValidDate(copy.year, copy.month, copy.day))
        fuzz::broken("adding days gives a valid date");

    const int64_t instant = int64From(input);
    TimeRecord at;
    at.fromInstant(instant);
    const int64_t clamped =
        instant < TimeRecord::kMinInstant ? TimeRecord::kMinInstant
                                          : (instant > TimeRecord::kMaxInstant ? TimeRecord::kMaxInstant : instant);
    if (!inRange(at) || at.toInstant() != clamped) fuzz::broken("an instant's fields name that instant");
    at.toLocal();
    at.utcOffset();
    at.toUtc();

    ClsDateTime dt;
    const int unix = static_cast<int>(static_cast<uint32_t>(instant));
    dt.SetFromUnixTime(flags & 2, unix);
    if (dt.GetAsUnixTime(flags & 2) != unix) fuzz::broken("a Unix time comes back");
    dt.SetFromDosDate(flags & 4, unix);
    dt.GetAsDosDate(flags & 4);
    dt.AddDays(static_cast<int32_t>(instant >> 32));
    XString serialized;
    dt.Serialize(serialized);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // A zone with daylight-saving time, so that local conversions apply real rules.
    setenv("TZ", "Europe/Berlin", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::FuzzInput input(data, size);
    switch (input.byte() % 3) {
    case 0: texts(input.part()); break;
    case 1: oleDates(input); break;
    default: records(input); break;
    }
    return 0;
}
