#!/usr/bin/env python3
"""The book catalog job from Python: load a catalog saved in ISO-8859-1, walk it, query it with
searches and path commands, edit it, pack one element, sort it, and save it back in its declared
encoding and in UTF-8.

    python3 book_catalog.py [catalog.xml [output-folder]]"""
import os
import pathlib
import sys
import tempfile

import quorvel

HERE = pathlib.Path(__file__).resolve().parent


def heading(title):
    print(f"\n== {title}")


def list_books(catalog):
    book = catalog.FirstChild()
    while book is not None:
        print(f"   {book.GetAttrValue('id'):<6} {book.GetChildContent('title'):<24} "
              f"{book.GetChildContent('author'):<24} {book.GetChildContent('year')}  "
              f"{book.GetChildContent('price'):>6}")
        book = book.NextSibling()


def main(input_path, output_folder):
    catalog = quorvel.CreateObject("Quorvel.Xml")

    heading("Load")
    if not catalog.LoadXmlFile(input_path):
        print(f"could not load {input_path}:\n{catalog.LastErrorText}")
        return 1
    print(f"{input_path}: declared encoding {catalog.Encoding}, root <{catalog.Tag}> "
          f"with {catalog.NumChildren} books")
    list_books(catalog)

    heading("Navigate")
    book = catalog.GetChild(1)
    print(f"second book: {book.GetChildContent('title')} (lang={book.GetAttrValue('lang')})")
    author = book.FindChild("author")
    print(f"its author, found as a child: {author.Content}; the author's parent is <{author.GetParent().Tag}>")

    heading("Search (level order, resumed with 'after')")
    titles, found = [], catalog.SearchForTag(None, "title")
    while found is not None:
        titles.append(found.Content)
        found = catalog.SearchForTag(found, "title")
    print("every title: " + " ".join(f"[{t}]" for t in titles))
    print("author matching *Bront*:", catalog.SearchForContent(None, "author", "*Bront*").Content)
    french = catalog.SearchForAttribute(None, "book", "lang", "fr")
    print("first book with lang=fr:", french.GetChildContent("title"))

    heading("Path commands")
    for command in ("book[3]|title|*", "/A/book,id,bk103|price|*", "/C/genre,Fantasy|..|(id)", "book{missing}|*"):
        result = catalog.QuorvelPath(command)  # None when the command fails
        print(f"   {command:<28} -> {result if result is not None else '(fails; the object stays put)'}")

    heading("Edit")
    added = catalog.NewChild("book", "")
    added.AddAttribute("id", "bk106")
    added.AddAttribute("lang", "en")
    for tag, content in (("title", "A Tale of Two Cities"), ("author", "Charles Dickens"), ("genre", "Novel")):
        added.NewChild2(tag, content)
    added.NewChildInt2("year", 1859)
    added.NewChild2("price", "7.25")
    catalog.SearchForAttribute(None, "book", "id", "bk105").UpdateChildContent("price", "10.49")
    removed = catalog.ExtractChildByName("book", "id", "bk103")
    print(f"added bk106; repriced bk105; took out bk103 ({removed.GetChildContent('title')}) into a tree of its own")

    heading("Pack an element in place (deflate, then AES under a password, as base64)")
    note = catalog.SearchForAttribute(None, "book", "id", "bk101").NewChild(
        "note", "First edition, London 1847, three volumes.")
    note.ZipContent()
    note.EncryptContent("s3cret")
    print("packed:" + note.GetXml(), end="")
    copy = note.GetSelf()
    ok = copy.DecryptContent("s3cret") and copy.UnzipContent()
    print(f"unpacked again ({'ok' if ok else 'failed'}): {copy.Content}")
    note.ZipContent()
    note.EncryptContent("s3cret")  # stays packed in the saved files

    heading("Sort by title, then by year, newest first")
    catalog.SortRecordsByContent("title", True)
    list_books(catalog)
    print("   --")
    catalog.SortRecordsByContentInt("year", False)
    list_books(catalog)

    heading("The document now")
    print(catalog.GetXml(), end="")

    heading("Save")
    os.makedirs(output_folder, exist_ok=True)
    latin1, utf8 = os.path.join(output_folder, "books-latin1.xml"), os.path.join(output_folder, "books-utf8.xml")
    saved_latin1 = catalog.SaveXml(latin1)
    catalog.Encoding = "utf-8"
    saved_utf8 = catalog.SaveXml(utf8)
    for path, ok in ((latin1, saved_latin1), (utf8, saved_utf8)):
        print(f"   {'wrote' if ok else 'FAILED'} {path}, {os.path.getsize(path) if ok else 0} bytes")
    read_back = []
    for path in (latin1, utf8):
        copy = quorvel.CreateObject("Quorvel.Xml")
        copy.LoadXmlFile(path)
        read_back.append(copy.QuorvelPath("/A/book,id,bk102|title|*"))
    print(f'   read back from both: "{read_back[0]}" and "{read_back[1]}"')

    heading("The log of the last call (a load that fails)")
    catalog.LoadXmlFile("no/such/catalog.xml")
    print(catalog.LastErrorText, end="")
    return 0 if saved_latin1 and saved_utf8 and read_back[0] == read_back[1] else 1


if __name__ == "__main__":
    source = sys.argv[1] if len(sys.argv) > 1 else str(HERE.parent / "data" / "books.xml")
    target = sys.argv[2] if len(sys.argv) > 2 else os.path.join(tempfile.gettempdir(), "quorvel_python_demo")
    sys.exit(main(source, target))
