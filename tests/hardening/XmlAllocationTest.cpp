// The Xml object when memory runs out: loading (text and files in several charsets), writing
// (text and files), the packing transforms, sorting, path commands and searches, each swept
// over every allocation it makes.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>
#include <string>

#include "hardening/AllocationSweep.h"
#include "support/TestFiles.h"
#include "xml/object/XmlTestSupport.h"

namespace quorvel::test {
namespace {

const char *const kDocument =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<!DOCTYPE catalog [<!ENTITY pub \"Quorvel Books\">]>\n"
    "<catalog xmlns:q=\"urn:q\" q:kind=\"books\">\n"
    "  <!-- the list -->\n"
    "  <book id=\"3\" lang=\"fr\"><title>\xc3\x89lan &amp; vie</title><price>12.50</price></book>\n"
    "  <book id=\"1\"><title>Zebra &#x263A;</title><price>7</price><note><![CDATA[<raw> & more]]></note></book>\n"
    "  <book id=\"2\"><title>\xc3\x84rger \xe6\x97\xa5\xe6\x9c\xac</title><price>30</price><?pi data?>"
    "<blurb>A text long enough to need room of its own wherever it is copied, read or written out.</blurb></book>\n"
    "</catalog>\n";

// A trial on an object holding the text (none: a new object) whose view is the whole document.
TrialFactory onDocument(const std::string &text, std::function<bool(ClsXml &)> call) {
    return [text, call] {
        std::shared_ptr<ClsXml> xml = text.empty() ? std::shared_ptr<ClsXml>(ClsXml::createNew()) : load(text);
        return Trial{[xml, call] { return call(*xml); }, [xml] { return documentOf(*xml); }};
    };
}

// A trial whose view is the text the call writes out (which must stay empty on failure) and
// where the object stands.
TrialFactory textResult(const std::string &text, std::function<bool(ClsXml &, XString &)> call) {
    return [text, call] {
        std::shared_ptr<ClsXml> xml = load(text);
        auto out = std::make_shared<XString>();
        return Trial{[xml, out, call] { return call(*xml, *out); },
                     [xml, out] { return std::string(out->getUtf8()) + "|" + tagOf(*xml); }};
    };
}

TEST(AllocationFailure, LoadXmlKeepsTheDocumentItHad) {
    // A new object, and one holding a document already: a failed load changes neither.
    for (const char *earlier : {"", "<old a=\"1\">kept</old>"}) {
        SCOPED_TRACE(earlier);
        sweepAllocations(onDocument(earlier, [text = x(kDocument)](ClsXml &xml) { return xml.LoadXml(text); }));
    }
}

TEST(AllocationFailure, LoadXmlFileInEveryEncodingPath) {
    const std::string dir = scratchDir("AllocationLoadFile");
    const struct { const char *name; std::string bytes; } files[] = {
        {"utf8-bom.xml", "\xef\xbb\xbf<a t=\"\xc3\xa9\">caf\xc3\xa9 \xe6\x97\xa5</a>"},
        {"utf16le.xml", std::string("\xff\xfe<\0a\0>\0\xe9\0<\0/\0a\0>\0", 20)},
        {"cp1252.xml", "<?xml version=\"1.0\" encoding=\"windows-1252\"?><a t=\"\xe9\">caf\xe9 \x80</a>"},
        {"sjis.xml", "<?xml version=\"1.0\" encoding=\"shift_jis\"?><a>\x93\xfa\x96\x7b</a>"},
        {"jis.xml", "<?xml version=\"1.0\" encoding=\"iso-2022-jp\"?><a>\x1b$BF|K\\\x1b(B</a>"},
    };
    for (const auto &file : files) {
        SCOPED_TRACE(file.name);
        const std::string path = dir + file.name;
        ASSERT_TRUE(writeRawFile(path, file.bytes));
        sweepAllocations(onDocument("", [name = x(path)](ClsXml &xml) { return xml.LoadXmlFile(name); }));
    }
}

TEST(AllocationFailure, SaveXmlWritesAWholeFileOrNone) {
    const std::string dir = scratchDir("AllocationSaveFile");
    const struct { const char *encoding, *text; } saves[] = {
        {"utf-8", "\xc3\xa9 \xe6\x97\xa5 \xe2\x98\xba"}, {"utf-16", "\xc3\xa9 \xe6\x97\xa5 \xe2\x98\xba"},
        {"windows-1252", "caf\xc3\xa9 \xe2\x82\xac"}, {"shift_jis", "\xe6\x97\xa5\xe6\x9c\xac"},
        {"iso-2022-jp", "\xe6\x97\xa5\xe6\x9c\xac"},
    };
    for (const auto &save : saves) {
        SCOPED_TRACE(save.encoding);
        const std::string path = dir + save.encoding + ".xml";
        const std::string text = std::string("<?xml version=\"1.0\" encoding=\"") + save.encoding + "\"?><list><a t=\"" +
                                 save.text + "\">" + save.text + "</a><b>" + std::string(200, 'b') + "</b></list>";
        sweepAllocations([text, path] {
            std::remove(path.c_str());
            std::shared_ptr<ClsXml> xml = load(text);
            auto name = std::make_shared<XString>(x(path));
            return Trial{[xml, name] { return xml->SaveXml(*name); }, [path] { return fileBytes(path); }};
        });
    }
}

// The calls below take arguments made beforehand, so that only the call itself runs short of
// memory. An object the call asks for (a child) may itself fail to come.
using Call = std::function<bool(ClsXml &)>;

// The call on the first child: a book (twice: its title).
Call inFirstChild(Call call) {
    return [call](ClsXml &xml) {
        std::unique_ptr<ClsXml> child = xml.GetChild(0);
        return child && call(*child);
    };
}
Call onFirstTitle(Call call) { return inFirstChild(inFirstChild(call)); }

// Each packing call, and its undoing on a packed document.
TEST(AllocationFailure, PackingTransforms) {
    const XString password = x("p\xc3\xa4ss"), key = x("key");
    const struct { const char *name; Call pack, unpack; } transforms[] = {
        {"ZipTree", [](ClsXml &xml) { return xml.ZipTree(); }, [](ClsXml &xml) { return xml.UnzipTree(); }},
        {"ZipContent", onFirstTitle([](ClsXml &xml) { return xml.ZipContent(); }),
         onFirstTitle([](ClsXml &xml) { return xml.UnzipContent(); })},
        {"EncryptContent", onFirstTitle([&](ClsXml &xml) { return xml.EncryptContent(password); }),
         onFirstTitle([&](ClsXml &xml) { return xml.DecryptContent(password); })},
        {"EncryptNode", onFirstTitle([&](ClsXml &xml) { return xml.EncryptNode(key); }),
         onFirstTitle([&](ClsXml &xml) { return xml.DecryptNode(key); })},
    };
    for (const auto &t : transforms) {
        SCOPED_TRACE(t.name);
        sweepAllocations(onDocument(kDocument, t.pack));
        std::shared_ptr<ClsXml> packed = load(kDocument);
        ASSERT_TRUE(t.pack(*packed));
        sweepAllocations(onDocument(documentOf(*packed), t.unpack));
    }
}

TEST(AllocationFailure, BinaryContentInEveryLayering) {
    const std::string bytes = std::string("\0\x01\xff binary", 10) + std::string(300, 'q');
    const XString password = x("pw");
    DataBuffer data;
    data.append(bytes.data(), static_cast<uint32_t>(bytes.size()));
    for (bool zip : {false, true}) {
        for (bool encrypt : {false, true}) {
            SCOPED_TRACE(std::to_string(zip) + std::to_string(encrypt));
            sweepAllocations(onDocument("<a/>", [&](ClsXml &xml) { return xml.SetBinaryContent(data, zip, encrypt, password); }));
            std::shared_ptr<ClsXml> stored = load("<a/>");
            ASSERT_TRUE(stored->SetBinaryContent(data, zip, encrypt, password));
            const std::string storedText = documentOf(*stored);
            sweepAllocations([&] {
                std::shared_ptr<ClsXml> xml = load(storedText);
                auto out = std::make_shared<DataBuffer>();
                return Trial{[xml, out, zip, encrypt, &password] { return xml->GetBinaryContent(zip, encrypt, password, *out); },
                             [out] { return std::string(reinterpret_cast<const char *>(out->getData()), out->getSize()); }};
            });
        }
    }
}

// The sorts return nothing: they sort completely or leave the order as it was. They are not
// stable (a sort short of memory takes another way), so what must hold is the order of the keys
// and every child kept whole.
TEST(AllocationFailure, SortingKeepsEveryChild) {
    const XString id = x("id"), title = x("title"), price = x("price"), other = x("x");
    auto attribute = [](const XString &name) {
        return [&name](ClsXml &child) { XString v; child.GetAttrValue(name, v); return std::string(v.getUtf8()); };
    };
    auto field = [](const XString &tag) {
        return [&tag](ClsXml &child) { XString v; child.GetChildContent(tag, v); return std::string(v.getUtf8()); };
    };
    const struct { Call sort; bool onBook; std::function<std::string(ClsXml &)> key; } sorts[] = {
        {[](ClsXml &xml) { xml.SortByTag(false); return true; }, false, tagOf},
        {[&](ClsXml &xml) { xml.SortByAttribute(id, true); return true; }, false, attribute(id)},
        {[&](ClsXml &xml) { xml.SortByAttributeInt(id, false); return true; }, false, attribute(id)},
        {[&](ClsXml &xml) { xml.SortRecordsByContent(title, true); return true; }, false, field(title)},
        {[&](ClsXml &xml) { xml.SortRecordsByContentInt(price, false); return true; }, false, field(price)},
        {[&](ClsXml &xml) { xml.SortRecordsByAttribute(title, other, true); return true; }, false, attribute(other)},
        {inFirstChild([](ClsXml &book) { book.SortByContent(true); return true; }), true, contentOf},
    };
    for (const auto &s : sorts) {
        SCOPED_TRACE(&s - sorts);
        sweepAllocations([&s] {
            std::shared_ptr<ClsXml> xml = load(kDocument);
            return Trial{[xml, &s] { return s.sort(*xml); },
                         [xml, &s] {
                             std::shared_ptr<ClsXml> parent = s.onBook ? std::shared_ptr<ClsXml>(xml->GetChild(0)) : xml;
                             std::string keys;
                             std::vector<std::string> children;
                             for (int i = 0; i < parent->get_NumChildren(); ++i) {
                                 std::unique_ptr<ClsXml> child = parent->GetChild(i);
                                 keys += s.key(*child) + ";";
                                 children.push_back(documentOf(*child));
                             }
                             std::sort(children.begin(), children.end());
                             for (const std::string &child : children) keys += "\n" + child;
                             return keys;
                         }};
        }, CallKind::kAllOrNothing);
    }
}

// Element edits, each reporting its outcome.
TEST(AllocationFailure, ElementEdits) {
    const XString lang = x("lang"), longName = x("  a-name-long-enough-to-need-a-block-of-its-own  "),
                  value = x("a value long enough to need a block of its own as well"), tag = x("added child"),
                  more = x(" and more text, long enough to make the content grow");
    const struct { const char *name; Call call; } edits[] = {
        {"UpdateAttribute", inFirstChild([&](ClsXml &book) { return book.UpdateAttribute(lang, value); })},
        {"AddAttribute", inFirstChild([&](ClsXml &book) { return book.AddAttribute(longName, value); })},
        {"NewChild", [&](ClsXml &xml) { return xml.NewChild(tag, value) != nullptr; }},
        {"NewChildBefore", [&](ClsXml &xml) { return xml.NewChildBefore(1, tag, value) != nullptr; }},
        {"AppendToContent", onFirstTitle([&](ClsXml &title) { return title.AppendToContent(more); })},
        {"AddChildTree", [](ClsXml &xml) {
             std::unique_ptr<ClsXml> first = xml.GetChild(0), last = xml.LastChild();
             return first && last && last->AddChildTree(first.get());
         }},
    };
    for (const auto &e : edits) {
        SCOPED_TRACE(e.name);
        sweepAllocations(onDocument(kDocument, e.call));
    }
}

// Calls that write a text: all of it or nothing.
TEST(AllocationFailure, GetXmlPathCommandsAndSearches) {
    const XString content = x("book[2]|blurb|*"), attribute = x("/C/title,*\xc3\x84*|..|(id)"),
                  tag = x("/A/book,lang,fr|price|..|$"), title = x("title"), pattern = x("*\xe6\x97\xa5*");
    const struct { const char *name; std::function<bool(ClsXml &, XString &)> call; } calls[] = {
        {"GetXml", [](ClsXml &xml, XString &out) { return xml.GetXml(out); }},
        {"path content", [&](ClsXml &xml, XString &out) { return xml.QuorvelPath(content, out); }},
        {"path attribute", [&](ClsXml &xml, XString &out) { return xml.QuorvelPath(attribute, out); }},
        {"path tag", [&](ClsXml &xml, XString &out) { return xml.QuorvelPath(tag, out); }},
        {"search", [&](ClsXml &xml, XString &out) {
             std::unique_ptr<ClsXml> found = xml.SearchForContent(nullptr, title, pattern);
             return found && found->GetXml(out);
         }},
    };
    for (const auto &c : calls) {
        SCOPED_TRACE(c.name);
        sweepAllocations(textResult(kDocument, c.call));
    }
}

}  // namespace
}  // namespace quorvel::test
