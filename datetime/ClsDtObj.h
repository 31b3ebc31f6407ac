#pragma once
#include <cstdint>

#include "foundation/base/ClsBase.h"

namespace quorvel {

// A date and time as six plain numbers and a UTC flag: the form a ClsDateTime hands out. A new
// one reads 1900-01-01 00:00:00, local time.
class ClsDtObj : public ClsBase {
public:
    int32_t get_Month() const { return m_month; }
    void put_Month(int32_t v) { m_month = v; }
    int32_t get_Day() const { return m_day; }
    void put_Day(int32_t v) { m_day = v; }
    int32_t get_Year() const { return m_year; }
    void put_Year(int32_t v) { m_year = v; }
    int32_t get_Hour() const { return m_hour; }
    void put_Hour(int32_t v) { m_hour = v; }
    int32_t get_Minute() const { return m_minute; }
    void put_Minute(int32_t v) { m_minute = v; }
    int32_t get_Second() const { return m_second; }
    void put_Second(int32_t v) { m_second = v; }
    bool get_Utc() const { return m_isUtc; }
    void put_Utc(bool v) { m_isUtc = v; }

private:
    int32_t m_month = 1;
    int32_t m_day = 1;
    int32_t m_year = 1900;
    int32_t m_hour = 0;
    int32_t m_minute = 0;
    int32_t m_second = 0;
    bool m_isUtc = false;
};

}  // namespace quorvel
