#pragma once
#include <cstdint>

#include "foundation/base/ExtPtrArray.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

class LogBase;

// An ordered list of header fields (name, value). Setting an existing name replaces its value
// in place, setting a new name appends it, and setting an empty value removes the field.
// Lookups compare names with ASCII case ignored and find the first field of that name.
class MimeHeader {
public:
    MimeHeader();
    MimeHeader(const MimeHeader &) = delete;
    MimeHeader &operator=(const MimeHeader &) = delete;

    void clear();
    uint32_t getNumFields() const;
    // Null outside 0..count-1.
    const StringBuffer *fieldNameAt(uint32_t index) const;
    const StringBuffer *fieldValueAt(uint32_t index) const;

    // False only when memory is exhausted.
    bool setField(const char *name, const char *value);
    // Appends without looking for an earlier field of the name (a response may repeat one).
    bool appendField(const char *name, const char *value);
    // Removes every field of the name.
    void removeField(const char *name);
    bool hasField(const char *name) const;
    // The value of the first field of the name; false (value empty) when there is none.
    bool getField(const char *name, StringBuffer &value) const;
    // A parameter of a field such as Content-Type ("text/xml; charset=utf-8"): the value after
    // "param=" (quotes removed, trimmed). False when the field or the parameter is absent.
    bool getFieldParam(const char *name, const char *param, StringBuffer &value) const;

    // Parses header lines "Name: value" ended by CR LF or LF (log context "loadMimeHeaderText").
    // A line that begins with a space or tab continues the previous value; a line without a
    // colon is skipped with a log entry. Parsing stops at the first empty line.
    bool loadMimeHeaderText(const char *text, uint32_t n, LogBase &log);

    // Each field as "Name: value" CR LF, in order.
    bool appendAsLines(StringBuffer &out) const;

private:
    int32_t indexOfField(const char *name) const;

    ExtPtrArray m_fields;
};

}  // namespace quorvel
