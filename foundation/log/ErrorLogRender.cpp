// The three renderings of the log tree: plain text, XML and HTML.
#include <cstring>
#include <new>

#include "foundation/log/ErrorLog.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

namespace {

// The contexts on the way down from the root, each with the index of its next entry. Logs are
// shallow, so the first levels live inline; a deep log grows the stack on the heap instead of
// recursing.
class RenderStack {
public:
    struct Frame {
        const LogEntry2 *context;
        int32_t next;
    };

    RenderStack() : m_frames(m_inline), m_capacity(kInline), m_size(0) {}
    ~RenderStack() {
        if (m_frames != m_inline) delete[] m_frames;
    }
    RenderStack(const RenderStack &) = delete;
    RenderStack &operator=(const RenderStack &) = delete;

    bool push(const LogEntry2 *context) {
        if (m_size == m_capacity && !grow()) return false;
        m_frames[m_size++] = Frame{context, 0};
        return true;
    }
    void pop() { --m_size; }
    bool empty() const { return m_size == 0; }
    Frame &top() { return m_frames[m_size - 1]; }
    // Depth of the top context: the root is at 0.
    uint32_t depth() const { return m_size - 1; }

private:
    static constexpr uint32_t kInline = 32;

    bool grow() {
        if (m_capacity > 0x3FFFFFFF) return false;
        Frame *bigger = new (std::nothrow) Frame[m_capacity * 2];
        if (!bigger) return false;
        std::memcpy(bigger, m_frames, m_size * sizeof(Frame));
        if (m_frames != m_inline) delete[] m_frames;
        m_frames = bigger;
        m_capacity *= 2;
        return true;
    }

    Frame m_inline[kInline];
    Frame *m_frames;
    uint32_t m_capacity;
    uint32_t m_size;
};

// A value goes into a CDATA section when it holds characters that XML would not keep as they
// are, unless it evidently carries its own CDATA section already.
bool needsCdata(const char *value) {
    if (!std::strpbrk(value, "\n\t&><")) return false;
    return !(std::strstr(value, "<![CDATA[") && std::strstr(value, "]]>"));
}

// Appends the pieces of one rendered line; after the first failure everything is ignored and
// ok() stays false.
class LineWriter {
public:
    explicit LineWriter(StringBuffer &out) : m_out(out), m_ok(true) {}

    bool ok() const { return m_ok; }
    void put(const char *text) {
        if (m_ok) m_ok = m_out.append(text);
    }
    void indent(uint32_t depth) {
        if (!m_ok) return;
        m_ok = depth <= 0x7FFFFFFF && m_out.appendCharN(' ', depth * 2);
    }
    void cdataValue(const char *value) {
        bool wrap = needsCdata(value);
        if (wrap) put("<![CDATA[");
        put(value);
        if (wrap) put("]]>");
    }
    void encodedValue(const char *value) {
        if (!m_ok) return;
        StringBuffer encoded;
        m_ok = encoded.append(value) && encoded.encodeXmlEntities() && m_out.append(encoded);
    }

private:
    StringBuffer &m_out;
    bool m_ok;
};

void openContext(LineWriter &w, bool xml, bool html, const char *name, uint32_t depth) {
    if (html) {
        w.put(name);
        w.put(":<blockquote>\r\n");
        return;
    }
    w.indent(depth);
    if (xml) {
        w.put("<");
        w.put(name);
        w.put(">\r\n");
    } else {
        w.put(name);
        w.put(":\r\n");
    }
}

void closeContext(LineWriter &w, bool xml, bool html, const char *name, uint32_t depth) {
    if (html) {
        w.put("</blockquote>\r\n");
        return;
    }
    w.indent(depth);
    w.put(xml ? "</" : "--");
    w.put(name);
    w.put(xml ? ">\r\n" : "\r\n");
}

void htmlLine(LineWriter &w, const LogEntry2 &entry) {
    if (entry.kind() == LogEntry2::kData) {
        w.put(entry.tag());
        w.put(": ");
    }
    w.encodedValue(entry.text());
    w.put("<br>\r\n");
}

void xmlLine(LineWriter &w, const LogEntry2 &entry, uint32_t depth) {
    w.indent(depth);
    switch (entry.kind()) {
        case LogEntry2::kError:
            w.put("<error>");
            w.cdataValue(entry.text());
            w.put("</error>\r\n");
            break;
        case LogEntry2::kInfo:
            w.put("<info>");
            w.cdataValue(entry.text());
            w.put("</info>\r\n");
            break;
        case LogEntry2::kData:
            w.put("<");
            w.put(entry.tag());
            w.put(">");
            w.cdataValue(entry.text());
            w.put("</");
            w.put(entry.tag());
            w.put(">\r\n");
            break;
        default:  // raw lines are written as they are
            w.put(entry.text());
            w.put("\r\n");
            break;
    }
}

void textLine(LineWriter &w, const LogEntry2 &entry, uint32_t depth) {
    w.indent(depth);
    if (entry.kind() == LogEntry2::kData) {
        w.put(entry.tag());
        w.put(": ");
    }
    w.put(entry.text());
    w.put("\r\n");
}

}  // namespace

bool ErrorLog::appendText(StringBuffer &out) const { return render(Form::Text, out); }

bool ErrorLog::appendXml(StringBuffer &out) const { return render(Form::Xml, out); }

bool ErrorLog::appendHtml(StringBuffer &out) const { return render(Form::Html, out); }

bool ErrorLog::render(Form form, StringBuffer &out) const {
    const bool xml = form == Form::Xml;
    const bool html = form == Form::Html;
    const uint32_t start = out.getSize();
    LineWriter w(out);
    RenderStack stack;
    bool ok = stack.push(&m_root);
    if (ok) openContext(w, xml, html, kRootName, 0);
    while (ok && w.ok() && !stack.empty()) {
        RenderStack::Frame &frame = stack.top();
        const uint32_t depth = stack.depth();
        if (frame.next >= frame.context->numEntries()) {
            closeContext(w, xml, html, depth == 0 ? kRootName : frame.context->tag(), depth);
            stack.pop();
            continue;
        }
        const LogEntry2 &entry = *frame.context->entryAt(frame.next++);
        if (entry.isContext()) {
            openContext(w, xml, html, entry.tag(), depth + 1);
            ok = stack.push(&entry);
        } else if (html) {
            htmlLine(w, entry);
        } else if (xml) {
            xmlLine(w, entry, depth + 1);
        } else {
            textLine(w, entry, depth + 1);
        }
    }
    if (ok && w.ok()) return true;
    out.shorten(out.getSize() - start);
    return false;
}

}  // namespace quorvel
