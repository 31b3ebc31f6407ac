// ClsXml: path commands, a walk of '|'-separated steps ending in a return command that reads a
// value where the walk arrived or moves the object there.
#include <cstdint>
#include <cstring>

#include "foundation/base/CritSecExitor.h"
#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"
#include "xml/engine/TreeNode.h"
#include "xml/engine/TreeSearch.h"
#include "xml/object/ClsXml.h"

namespace quorvel {

namespace {

enum class IndexRead { None, InRange, OutOfRange };

bool isCSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Reads an index the way "%d" does (white space, an optional sign, then digits; whatever
// follows is ignored) but never overflows: a value outside the int range is reported as such
// and the step fails. Saturating instead would fail the same way (no element has 2^31
// children), while a wrapped value could quietly pick a real child.
IndexRead readIndex(const char *text, int32_t &value) {
    value = 0;
    while (isCSpace(*text)) ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    if (*text < '0' || *text > '9') return IndexRead::None;
    const int64_t limit = negative ? int64_t{INT32_MAX} + 1 : int64_t{INT32_MAX};
    int64_t magnitude = 0;
    bool tooLarge = false;
    for (; *text >= '0' && *text <= '9'; ++text) {
        if (!tooLarge) magnitude = magnitude * 10 + (*text - '0');
        tooLarge = tooLarge || magnitude > limit;
    }
    if (tooLarge) return IndexRead::OutOfRange;
    value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return IndexRead::InRange;
}

bool copyPart(StringBuffer &out, const char *begin, const char *end) {
    out.clear();
    return out.appendN(begin, static_cast<uint32_t>(end - begin));
}

// "/C/tag,pattern": the pattern is empty when there is no comma.
TreeNode *searchStepContent(TreeNode *cursor, const char *rest) {
    const char *comma = std::strchr(rest, ',');
    if (!comma) return searchTagAndContent(cursor, nullptr, rest, "");
    StringBuffer tag;
    if (!copyPart(tag, rest, comma)) return nullptr;
    return searchTagAndContent(cursor, nullptr, tag.getString(), comma + 1);
}

// "/A/tag,attr,pattern": the pattern is everything after the second comma.
TreeNode *searchStepAttribute(TreeNode *cursor, const char *rest) {
    const char *first = std::strchr(rest, ',');
    const char *second = first ? std::strchr(first + 1, ',') : nullptr;
    if (!second) return nullptr;
    StringBuffer tag, attr;
    if (!copyPart(tag, rest, first) || !copyPart(attr, first + 1, second)) return nullptr;
    return searchTagAndAttribute(cursor, nullptr, tag.getString(), attr.getString(), second + 1);
}

// "name[n]": the n-th child with that tag, or the child at n when the name is empty. Without
// a number the whole step is the tag.
TreeNode *indexStep(TreeNode *cursor, const char *step, const char *bracket) {
    int32_t index = 0;
    switch (readIndex(bracket + 1, index)) {
        case IndexRead::None: return cursor->firstChildWithTag(step);
        case IndexRead::OutOfRange: return nullptr;
        case IndexRead::InRange: break;
    }
    StringBuffer name;
    if (!copyPart(name, step, bracket)) return nullptr;
    name.trim();
    return name.isEmpty() ? cursor->getChild(index) : cursor->nthChildWithTag(name.getString(), index);
}

// "name{content}": the first child with exactly that content (and that tag when one is named).
TreeNode *contentStep(TreeNode *cursor, const char *step, const char *brace) {
    const char *close = std::strchr(brace + 1, '}');
    if (!close) return nullptr;
    StringBuffer content;
    if (!copyPart(content, brace + 1, close)) return nullptr;
    if (brace == step) return cursor->nthChildWithContent(content.getString(), 0);
    StringBuffer name;
    if (!copyPart(name, step, brace)) return nullptr;
    return cursor->nthChildWithTagAndContent(name.getString(), content.getString(), 0);
}

// Where one step takes the cursor; null when the step fails.
TreeNode *applyStep(TreeNode *cursor, const char *step) {
    if (std::strcmp(step, "..") == 0) return cursor->parent();
    if (std::strncmp(step, "/T/", 3) == 0) return searchTag(cursor, nullptr, step + 3);
    if (std::strncmp(step, "/C/", 3) == 0) return searchStepContent(cursor, step + 3);
    if (std::strncmp(step, "/A/", 3) == 0) return searchStepAttribute(cursor, step + 3);
    if (const char *bracket = std::strchr(step, '[')) return indexStep(cursor, step, bracket);
    if (const char *brace = std::strchr(step, '{')) return contentStep(cursor, step, brace);
    if (*step) return cursor->firstChildWithTag(step);
    return cursor;
}

}  // namespace

bool ClsXml::QuorvelPath(const XString &pathCmd, XString &out) {
    CritSecExitor lock(this);
    out.clear();
    if (!hasValidNode()) return false;
    // The cursor is a plain position: only a final "$" moves (and counts) anything.
    TreeNode *cursor = m_node;
    const char *rest = pathCmd.getUtf8();
    StringBuffer step;
    while (const char *bar = std::strchr(rest, '|')) {
        if (!copyPart(step, rest, bar)) return false;
        cursor = applyStep(cursor, step.getString());
        if (!cursor) return false;
        rest = bar + 1;
    }
    switch (rest[0]) {
        case '\0': return true;
        case '*': return out.setFromUtf8N(cursor->getContent(), cursor->getContentSize());
        case '$': moveTo(cursor); return true;
        case '(': {
            StringBuffer name, value;
            const char *close = std::strchr(rest + 1, ')');
            if (!copyPart(name, rest + 1, close ? close : rest + std::strlen(rest))) return false;
            if (!cursor->getAttributeValueOf(name.getString(), value)) return false;
            out.setFromSb(value);
            return true;
        }
        default: return false;
    }
}

}  // namespace quorvel
