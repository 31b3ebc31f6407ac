// The main job, in one tour: load a book catalog saved in ISO-8859-1, walk it, query it with
// searches and path commands, edit it, pack one element, sort it, and save it back in its
// declared encoding and in UTF-8, reporting each step.
//
//     quorvel_demo [catalog.xml [output-folder]]
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "foundation/buffers/DataBuffer.h"
#include "foundation/log/LogNull.h"
#include "foundation/text/XString.h"
#include "xml/object/ClsXml.h"

using namespace quorvel;

namespace {

XString text(const char *utf8) {
    XString s;
    s.setFromUtf8(utf8);
    return s;
}

std::string childContent(ClsXml &xml, const char *tag) {
    XString out;
    xml.GetChildContent(text(tag), out);
    return out.getUtf8();
}

// The text followed by spaces up to width characters (UTF-8 continuation bytes take no room).
std::string padded(const std::string &s, size_t width) {
    size_t chars = 0;
    for (unsigned char c : s) chars += (c & 0xC0) != 0x80;
    return s + std::string(chars < width ? width - chars : 0, ' ');
}

void heading(const char *title) { std::printf("\n== %s\n", title); }

// One line per book: id, title, author, year and price.
void listBooks(ClsXml &catalog) {
    std::unique_ptr<ClsXml> book = catalog.FirstChild();
    for (bool more = book != nullptr; more; more = book->NextSibling2()) {
        XString id;
        book->GetAttrValue(text("id"), id);
        std::printf("   %-6s %s %s %s  %6s\n", id.getUtf8(), padded(childContent(*book, "title"), 24).c_str(),
                    padded(childContent(*book, "author"), 24).c_str(), childContent(*book, "year").c_str(),
                    childContent(*book, "price").c_str());
    }
}

bool load(ClsXml &catalog, const std::string &path) {
    heading("Load");
    if (!catalog.LoadXmlFile(text(path.c_str()))) {
        XString log;
        catalog.get_LastErrorText(log);
        std::printf("could not load %s:\n%s\n", path.c_str(), log.getUtf8());
        return false;
    }
    XString encoding, tag;
    catalog.get_Encoding(encoding);
    catalog.get_Tag(tag);
    std::printf("%s: declared encoding %s, root <%s> with %d books\n", path.c_str(), encoding.getUtf8(),
                tag.getUtf8(), catalog.get_NumChildren());
    listBooks(catalog);
    return true;
}

void navigate(ClsXml &catalog) {
    heading("Navigate");
    std::unique_ptr<ClsXml> book = catalog.GetChild(1);
    XString lang;
    book->GetAttrValue(text("lang"), lang);
    std::printf("second book: %s (lang=%s)\n", childContent(*book, "title").c_str(), lang.getUtf8());
    std::unique_ptr<ClsXml> author = book->FindChild(text("author"));
    XString name;
    author->get_Content(name);
    std::printf("its author, found as a child: %s; the author's parent is <%s>\n", name.getUtf8(),
                author->GetParent()->TagEquals(text("book")) ? "book" : "?");
}

void search(ClsXml &catalog) {
    heading("Search (level order, resumed with 'after')");
    std::unique_ptr<ClsXml> found = catalog.SearchForTag(nullptr, text("title"));
    std::printf("every title:");
    while (found) {
        XString title;
        found->get_Content(title);
        std::printf(" [%s]", title.getUtf8());
        found = catalog.SearchForTag(found.get(), text("title"));
    }
    std::printf("\n");
    if (std::unique_ptr<ClsXml> author = catalog.SearchForContent(nullptr, text("author"), text("*Bront*"))) {
        XString name;
        author->get_Content(name);
        std::printf("author matching *Bront*: %s\n", name.getUtf8());
    }
    if (std::unique_ptr<ClsXml> book = catalog.SearchForAttribute(nullptr, text("book"), text("lang"), text("fr"))) {
        std::printf("first book with lang=fr: %s\n", childContent(*book, "title").c_str());
    }
}

void pathCommands(ClsXml &catalog) {
    heading("Path commands");
    const char *commands[] = {"book[3]|title|*", "/A/book,id,bk103|price|*", "/C/genre,Fantasy|..|(id)",
                              "book{missing}|*"};
    for (const char *command : commands) {
        XString result;
        bool ok = catalog.QuorvelPath(text(command), result);
        std::printf("   %-28s -> %s\n", command, ok ? result.getUtf8() : "(fails; the object stays put)");
    }
}

void edit(ClsXml &catalog) {
    heading("Edit");
    std::unique_ptr<ClsXml> added = catalog.NewChild(text("book"), text(""));
    added->AddAttribute(text("id"), text("bk106"));
    added->AddAttribute(text("lang"), text("en"));
    added->NewChild2(text("title"), text("A Tale of Two Cities"));
    added->NewChild2(text("author"), text("Charles Dickens"));
    added->NewChild2(text("genre"), text("Novel"));
    added->NewChildInt2(text("year"), 1859);
    added->NewChild2(text("price"), text("7.25"));
    std::printf("added bk106; ");
    std::unique_ptr<ClsXml> hobbit = catalog.SearchForAttribute(nullptr, text("book"), text("id"), text("bk105"));
    hobbit->UpdateChildContent(text("price"), text("10.49"));
    std::printf("repriced bk105; ");
    std::unique_ptr<ClsXml> removed = catalog.ExtractChildByName(text("book"), text("id"), text("bk103"));
    std::printf("took out bk103 (%s) into a tree of its own\n", childContent(*removed, "title").c_str());
}

void pack(ClsXml &catalog) {
    heading("Pack an element in place (deflate, then AES under a password, as base64)");
    std::unique_ptr<ClsXml> book = catalog.SearchForAttribute(nullptr, text("book"), text("id"), text("bk101"));
    std::unique_ptr<ClsXml> note = book->NewChild(text("note"), text("First edition, London 1847, three volumes."));
    note->ZipContent();
    note->EncryptContent(text("s3cret"));
    XString packed;
    note->GetXml(packed);
    std::printf("packed:%s", packed.getUtf8());
    std::unique_ptr<ClsXml> copy = note->GetSelf();
    bool ok = copy->DecryptContent(text("s3cret")) && copy->UnzipContent();
    XString plain;
    copy->get_Content(plain);
    std::printf("unpacked again (%s): %s\n", ok ? "ok" : "failed", plain.getUtf8());
    note->ZipContent();
    note->EncryptContent(text("s3cret"));  // stays packed in the saved files
}

void sort(ClsXml &catalog) {
    heading("Sort by title, then by year, newest first");
    catalog.SortRecordsByContent(text("title"), true);
    listBooks(catalog);
    std::printf("   --\n");
    catalog.SortRecordsByContentInt(text("year"), false);
    listBooks(catalog);
}

void save(ClsXml &catalog, const std::filesystem::path &folder) {
    heading("Save");
    std::filesystem::create_directories(folder);
    const std::string latin1 = (folder / "books-latin1.xml").string();
    const std::string utf8 = (folder / "books-utf8.xml").string();
    bool savedLatin1 = catalog.SaveXml(text(latin1.c_str()));
    catalog.put_Encoding(text("utf-8"));
    bool savedUtf8 = catalog.SaveXml(text(utf8.c_str()));
    for (const auto &[path, ok] : {std::pair{latin1, savedLatin1}, std::pair{utf8, savedUtf8}}) {
        DataBuffer bytes;
        LogNull quiet;
        bytes.loadFile(path.c_str(), quiet);
        std::printf("   %s %s, %u bytes\n", ok ? "wrote" : "FAILED", path.c_str(), bytes.getSize());
    }
    // Read back: the Latin-1 file converts to the same text as the UTF-8 one.
    ClsXml fromLatin1, fromUtf8;
    fromLatin1.LoadXmlFile(text(latin1.c_str()));
    fromUtf8.LoadXmlFile(text(utf8.c_str()));
    XString a, b;
    fromLatin1.QuorvelPath(text("/A/book,id,bk102|title|*"), a);
    fromUtf8.QuorvelPath(text("/A/book,id,bk102|title|*"), b);
    std::printf("   read back from both: \"%s\" and \"%s\"\n", a.getUtf8(), b.getUtf8());
}

void showLog(ClsXml &catalog) {
    heading("The log of the last call (a load that fails)");
    catalog.LoadXmlFile(text("no/such/catalog.xml"));
    XString log;
    catalog.get_LastErrorText(log);
    std::printf("%s", log.getUtf8());
}

}  // namespace

int main(int argc, char **argv) {
    const std::string input = argc > 1 ? argv[1] : QUORVEL_EXAMPLES_DATA "/books.xml";
    const std::filesystem::path output = argc > 2 ? argv[2] : std::filesystem::temp_directory_path() / "quorvel_demo";
    std::unique_ptr<ClsXml> catalog = ClsXml::createNew();
    if (!catalog || !load(*catalog, input)) return 1;
    navigate(*catalog);
    search(*catalog);
    pathCommands(*catalog);
    edit(*catalog);
    pack(*catalog);
    sort(*catalog);
    heading("The document now");
    XString xml;
    catalog->GetXml(xml);
    std::printf("%s", xml.getUtf8());
    save(*catalog, output);
    showLog(*catalog);
    return 0;
}
