#pragma once

namespace quorvel {

// The fixed ASCII name tables of the date formats.
struct DateNames {
    // Written: index = dayOfWeek (Sunday = 0) and month - 1.
    static constexpr const char *kOutputDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char *kOutputMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    // Read: compared with the lower-cased text. The second month table (Romance and German
    // spellings) is tried when the first has no match.
    static constexpr const char *kInputDays[7] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
    static constexpr const char *kInputMonths[12] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                     "jul", "aug", "sep", "oct", "nov", "dec"};
    static constexpr const char *kInputMonthsAlt[12] = {"ian", "fev", "mar", "apr", "mai", "jun",
                                                        "jul", "aug", "set", "okt", "nov", "dez"};
};

}  // namespace quorvel
