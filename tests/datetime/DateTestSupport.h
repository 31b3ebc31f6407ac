#pragma once
#include <cstdint>
#include <string>

#include "datetime/TimeRecord.h"

namespace quorvel::test {

// A record with the given fields and the date's weekday, UTC or local wall-clock time.
TimeRecord utcRecord(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
TimeRecord localRecord(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// "2014-03-21 10:00:00 Fri UTC" (or "local"), the fields as they stand, for exact comparisons.
std::string describe(const TimeRecord &r);

// The text that StringBuffer-appending formatters produce for the record.
std::string rfc822Of(const TimeRecord &r);
std::string iso8601Of(const TimeRecord &r);

}  // namespace quorvel::test
