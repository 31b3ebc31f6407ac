"""Every member of every interface, called by name, by DISPID and through its dual interface's
vtable slot, each time on a fresh object, with the table's argument and result types. One row per
member; the completeness test holds the rows to the member table, so a new member needs its row."""
import base64
import collections
import ctypes
import datetime
import functools
import http.server
import itertools
import os
import shutil
import tempfile
import threading
import time
import unittest
from unittest import mock

import quorvel
from quorvel import members, _native as native, _variants as variants
import support

DOC = '<root a="1" b="two"><item id="1">alpha</item><item id="2">beta</item><n>5</n><empty/></root>'
RECORDS = ('<list><rec k="2"><name s="y">b</name><age>10</age></rec><rec k="10"><name s="x">a</name><age>9</age></rec>'
           '<rec k="1"><name s="z">c</name><age>100</age></rec></list>')
RSS = ('<rss version="2.0"><channel><title>News</title><link>http://example.test/</link><ttl>60</ttl>'
       '<image><title>Logo</title><url>http://example.test/logo.png</url></image>'
       '<item><title>One</title><guid isPermaLink="false">g1</guid><pubDate>Mon, 01 Jul 2024 12:00:00 GMT</pubDate>'
       '<category domain="d0">c0</category><category domain="d1">c1</category></item>'
       '<item><title>Two</title></item></channel></rss>')
ATOM = ('<feed xmlns="http://www.w3.org/2005/Atom" xml:lang="en"><title>Feed</title><subtitle>Sub</subtitle>'
        '<updated>2024-07-01T12:00:00Z</updated>'
        '<link rel="alternate" href="http://example.test/" title="Home"/>'
        '<author><name>Ann</name><uri>http://example.test/ann</uri><email>ann@example.test</email></author>'
        '<entry><title>E1</title></entry><entry><title>E2</title></entry></feed>')
UTC_NOON, JAN_2 = datetime.datetime(2024, 7, 1, 12), datetime.datetime(2025, 1, 2, 3, 4, 5)
NOON, JAN_2_RFC822 = "Mon, 01 Jul 2024 12:00:00 GMT", "Thu, 02 Jan 2025 03:04:05 GMT"
JULY_2, EPOCH = "Tue, 02 Jul 2024 10:00:00 GMT", "Thu, 01 Jan 1970 00:00:00 GMT"
NOON_UNIX = 1719835200
NOON_DOS = (44 << 25) | (7 << 21) | (1 << 16) | (12 << 11)  # date in the high half, time in the low
BYTES = bytes(range(256)) * 3
FOLDER = os.path.join(tempfile.gettempdir(), f"quorvel-members-{os.getpid()}")  # made and removed by the module
FILES = {"doc.xml": DOC, "padded.xml": "<p>  padded  </p>", "feed.rss": RSS.replace("News", "Served"),
         "feed.atom": ATOM.replace("Feed", "Served"), "source.bin": BYTES}  # in the folder, which the server serves


def path(name):
    return os.path.join(FOLDER, name)


def file_bytes(name):
    with open(path(name), "rb") as handle:
        return handle.read()


# ---- fixtures (each call gets new objects) and the objects reached from them

def loaded(progid, method, doc):
    made = quorvel.CreateObject(progid)
    assert getattr(made, method)(doc) == 1
    return made


def xml_of(doc=DOC):
    return loaded("Quorvel.Xml", "LoadXml", doc)


def packed(method, *args):
    """A document whose first item has been packed by method."""
    def make():
        xml = xml_of()
        assert getattr(xml.GetChild(0), method)(*args) == 1
        return xml
    return make


def stamp_at(rfc822):
    stamp = loaded("Quorvel.Atom", "LoadXml", ATOM).GetElementDt("updated", 0)
    assert stamp.SetFromRfc822(rfc822) == 1
    return stamp


FIXTURES = {
    "xml": xml_of, "records": lambda: xml_of(RECORDS), "zipped tree": packed("ZipTree"),
    "zipped content": packed("ZipContent"), "encrypted": packed("EncryptContent", "pw"),
    "q-encoded": lambda: xml_of("<root><w>=?utf-8?Q?h=C3=A9llo?=</w></root>"),
    "binary": lambda: xml_of("<root><b>" + base64.b64encode(BYTES).decode() + "</b></root>"),
    "rss": lambda: loaded("Quorvel.Rss", "LoadRssString", RSS), "atom": lambda: loaded("Quorvel.Atom", "LoadXml", ATOM),
}
# Where a call goes: the fixture itself, a child by index, or an object reached from it.
ON = {None: lambda f: f, 0: lambda f: f.GetChild(0), 1: lambda f: f.GetChild(1), 2: lambda f: f.GetChild(2),
      "channel": lambda f: f.GetChannel(0), "item": lambda f: f.GetChannel(0).GetItem(0),
      "stamp": lambda f: f.GetElementDt("updated", 0)}


def brief(node):
    """An element in brief: "<tag name=value ...>content"."""
    attributes = "".join(f" {node.GetAttributeName(i)}={node.GetAttributeValue(i)}" for i in range(node.NumAttributes))
    return f"<{node.Tag}{attributes}>{node.Content}"


# How an object result is compared, and the Python types of the other results.
OBJECT_VIEWS = {"IQuorvelXml": brief, "IQuorvelRss": lambda rss: (rss.GetString("title"), rss.NumItems),
                "IQuorvelAtom": lambda atom: atom.GetElement("title", 0), "IQvDateTime": lambda dt: dt.GetAsRfc822(0)}
RESULT_TYPES = {"string": (str, type(None)), "long": (int,), "bool": (int,), "date": (datetime.datetime,),
                "variant": (bytes, str, int, float, type(None)), None: (type(None),)}


def observe(value, result_type):
    """A comparable view of a result, checking its type against the table."""
    if result_type in OBJECT_VIEWS:
        if value is None:
            return None
        assert isinstance(value, quorvel.Dispatch) and value._interface_.name == result_type, repr(value)
        return OBJECT_VIEWS[result_type](value)
    assert type(value) in RESULT_TYPES[result_type], f"{value!r} is no {result_type or 'missing'} result"
    assert result_type != "bool" or value in (0, 1), f"{value!r} is no 1/0 result"
    return value


# A row: args is a tuple, or a function of the fixture giving it (for object arguments); effect is
# (a view of (fixture, target) after the call, its expected value); put, for a property that can be
# set, is a value to set and read back.
row = collections.namedtuple("Row", "member args result effect on fixture put", defaults=((),) + (None,) * 5)
# Results that differ per object (tree ids, logs) are given by a rule instead of a value.
TEXT = lambda value: isinstance(value, str) and value != ""
TREE_ID = lambda value: type(value) is int and value >= 100
log_of = lambda method: lambda value: isinstance(value, str) and method in value
# Views for effects, of the fixture f and the call's target t.
tags = lambda f, _: [f.GetChildTag(i) for i in range(f.NumChildren)]
texts = lambda f, _: [f.GetChildContentByIndex(i) for i in range(f.NumChildren)]
names = lambda f, _: [f.GetChild(i).GetChildContent("name") for i in range(f.NumChildren)]
shape = lambda f, _: (f.Tag, f.NumChildren)
title = lambda f, _: f.GetChannel(0).GetString("title")
content, node, stamp = (lambda _, t: t.Content), (lambda _, t: brief(t)), (lambda _, t: t.GetAsRfc822(0))
attr = lambda name: lambda f, _: f.GetAttrValue(name)
element = lambda tag, index=0: lambda f, _: f.GetElement(tag, index)
element_attr = lambda tag, name="type": lambda f, _: f.GetElementAttr(tag, 0, name)


XML_ROWS = [
    row("Version", result="9.5.0.21"), row("NumAttributes", result=2), row("Tag", result="root", put="renamed"),
    row("Content", result="", put="text é"), row("NumChildren", result=4), row("GetChildContent", ("item",), "alpha"),
    row("Cdata", result=0, put=1),
    row("LoadXml", ("<a><b/></a>",), 1, (node, "<a>")),
    row("LoadXmlFile", (path("doc.xml"),), 1, (tags, ["item", "item", "n", "empty"])),
    row("SaveXml", (path("saved.xml"),), 1, (lambda *_: file_bytes("saved.xml").count(b"<item"), 2)),
    row("GetXml", (), '<?xml version="1.0" encoding="utf-8" ?>\r\n<root a="1" b="two">\r\n    <item id="1">alpha</item>'
        '\r\n    <item id="2">beta</item>\r\n    <n>5</n>\r\n    <empty />\r\n</root>\r\n'),
    row("AppendToContent", ("more",), 1, (content, "alphamore"), on=0),
    row("AddAttribute", ("c", "3"), 1, (attr("c"), "3")),
    row("RemoveAttribute", ("a",), 1, (lambda f, _: f.NumAttributes, 1)),
    row("RemoveAllAttributes", (), 1, (lambda f, _: f.NumAttributes, 0)),
    row("GetAttributeName", (1,), "b"), row("GetAttributeValue", (1,), "two"), row("GetAttrValue", ("b",), "two"),
    row("HasAttrWithValue", ("a", "1"), 1),
    row("SwapNode", lambda f: (f.GetChild(2),), 1, (texts, ["5", "beta", "alpha", ""]), on=0),
    row("SwapTree", lambda f: (xml_of("<swapped><x/></swapped>"),), 1, (shape, ("swapped", 1))),
    row("AddChildTree", lambda f: (xml_of("<extra/>"),), 1, (tags, ["item", "item", "n", "empty", "extra"])),
    row("GetChild", (1,), "<item id=2>beta"),
    row("ExtractChildByIndex", (0,), "<item id=1>alpha"),
    row("ExtractChildByName", ("item", "id", "2"), "<item id=2>beta"),
    row("NumChildrenHavingTag", ("item",), 2), row("GetNthChildWithTag", ("item", 1), "<item id=2>beta"),
    row("NewChild", ("c", "x"), "<c>x"), row("FindOrAddNewChild", ("n",), "<n>5"),
    row("SearchForTag", (None, "item"), "<item id=1>alpha"),
    row("SearchForContent", (None, "item", "b*"), "<item id=2>beta"),
    row("SearchAllForContent", (None, "be*"), "<item id=2>beta"),
    row("SearchForAttribute", (None, "item", "id", "2"), "<item id=2>beta"),
    row("GetParent", (), "<root a=1 b=two>", on=0),
    row("Clear", (), None, (shape, ("unnamed", 0))),
    row("FirstChild", (), "<item id=1>alpha"), row("LastChild", (), "<empty>"),
    row("NextSibling", (), "<item id=2>beta", on=0), row("PreviousSibling", (), "<item id=1>alpha", on=1),
    row("TreeId", result=TREE_ID), row("GetChildWithTag", ("n",), "<n>5"), row("Standalone", result=0, put=1),
    row("Encoding", result="utf-8", put="iso-8859-1"), row("GetRoot", (), "<root a=1 b=two>", on=1),
    row("SaveLastError", (path("log.txt"),), 1, (lambda *_: b"LoadXml" in file_bytes("log.txt"), True)),
    row("FindNextRecord", ("age", "9"), "<rec k=10>", on=0, fixture="records"),
    row("CompressSubtree", (), 1, (lambda f, _: f.GetChild(0).NumChildren, 0), on=0),
    row("CompressNode", (), 1, (lambda f, t: t.Content != "alpha", True), on=0),
    row("DecompressSubtree", (), 1, (node, "<item id=1>alpha"), on=0, fixture="zipped tree"),
    row("DecompressNode", (), 1, (content, "alpha"), on=0, fixture="zipped content"),
    row("EncryptNode", ("pw",), 1, (lambda f, t: t.Content != "alpha", True), on=0),
    row("DecryptNode", ("pw",), 1, (content, "alpha"), on=0, fixture="encrypted"),
    row("LastErrorHtml", result=log_of("LoadXml")), row("LastErrorXml", result=log_of("LoadXml")),
    row("LastErrorText", result=log_of("LoadXml")),
    row("GetChild2", (1,), 1, (content, "beta")), row("FindChild2", ("n",), 1, (content, "5")),
    row("RemoveFromTree", (), None, (lambda f, t: (tags(f, t), t.GetParent()), (["item", "n", "empty"], None)), on=0),
    row("GetParent2", (), 1, (node, "<root a=1 b=two>"), on=0),
    row("FirstChild2", (), 1, (node, "<item id=1>alpha")), row("LastChild2", (), 1, (node, "<empty>")),
    row("NextSibling2", (), 1, (node, "<item id=2>beta"), on=0),
    row("PreviousSibling2", (), 1, (node, "<item id=1>alpha"), on=1),
    row("GetRoot2", (), None, (node, "<root a=1 b=two>"), on=1),
    row("QEncodeContent", ("utf-8", "héllo"), 1, (content, "=?utf-8?Q?h=C3=A9llo?="), on=0),
    row("BEncodeContent", ("utf-8", b"hello"), 1, (content, "=?utf-8?B?aGVsbG8=?="), on=0),
    row("UpdateAttribute", ("a", "9"), 1, (attr("a"), "9")),
    row("DecodeContent", (), "héllo".encode(), on=0, fixture="q-encoded"),
    row("SetBinaryContent", (BYTES, 1, 1, "pw"), 1, (lambda f, t: t.GetBinaryContent(1, 1, "pw"), BYTES), on=0),
    row("GetBinaryContent", (0, 0, ""), BYTES, on=0, fixture="binary"), row("FindChild", ("n",), "<n>5"),
    row("NewChild2", ("c", "x"), None, (texts, ["alpha", "beta", "5", "", "x"])),
    row("SortByTag", (1,), None, (tags, ["empty", "item", "item", "n"])),
    row("SortByContent", (0,), None, (texts, ["beta", "alpha", "5", ""])),
    row("SortByAttribute", ("k", 1), None, (names, ["c", "a", "b"]), fixture="records"),
    row("SortRecordsByContent", ("age", 1), None, (names, ["b", "c", "a"]), fixture="records"),
    row("SortRecordsByAttribute", ("name", "s", 0), None, (names, ["c", "b", "a"]), fixture="records"),
    row("LoadXmlV", (b"<v>\xc3\xa9</v>",), 1, (node, "<v>é")),
    row("UpdateChildContent", ("n", "6"), None, (lambda f, _: f.GetChildContent("n"), "6")),
    row("ContentMatches", ("AL*", 0), 1, on=0), row("ChildContentMatches", ("item", "al*", 1), 1),
    row("RemoveChild", ("item",), None, (texts, ["5", ""])),
    row("HasChildWithTag", ("n",), 1), row("DecodeEntities", ("a &amp; b &lt;c&gt;",), "a & b <c>"),
    row("LoadXmlFile2", (path("padded.xml"), 1), 1, (node, "<p>padded")),
    row("SortCaseInsensitive", result=0, put=1), row("HasAttribute", ("b",), 1),
    row("NewChildBefore", (2, "c", "x"), "<c>x", (tags, ["item", "c", "item", "n", "empty"])),
    row("NewChildAfter", (0, "c", "x"), "<c>x", (tags, ["item", "c", "item", "n", "empty"])),
    row("InsertChildTreeBefore", lambda f: (0, xml_of("<t/>")), None, (tags, ["t", "item", "item", "n", "empty"])),
    row("InsertChildTreeAfter", lambda f: (0, xml_of("<t/>")), None, (tags, ["item", "t", "item", "n", "empty"])),
    row("EncryptContent", ("pw",), 1, (lambda f, t: t.DecryptContent("pw") and t.Content, "alpha"), on=0),
    row("DecryptContent", ("pw",), 1, (content, "alpha"), on=0, fixture="encrypted"),
    row("ZipTree", (), 1, (lambda f, t: t.UnzipTree() and brief(t), "<item id=1>alpha"), on=0),
    row("ZipContent", (), 1, (lambda f, t: t.UnzipContent() and t.Content, "alpha"), on=0),
    row("UnzipTree", (), 1, (node, "<item id=1>alpha"), on=0, fixture="zipped tree"),
    row("UnzipContent", (), 1, (content, "alpha"), on=0, fixture="zipped content"),
    row("ContentInt", result=5, put=-7, on=2), row("AccumulateTagContent", ("item", ""), "alpha beta"),
    row("GetChildTag", (2,), "n"), row("GetChildBoolValue", ("n",), 1),
    row("AddAttributeInt", ("c", -3), 1, (attr("c"), "-3")),
    row("AddOrUpdateAttribute", ("a", "x"), None, (lambda f, _: (f.GetAttrValue("a"), f.NumAttributes), ("x", 2))),
    row("AddOrUpdateAttributeI", ("c", 7), None, (lambda f, _: (f.GetAttrValue("c"), f.NumAttributes), ("7", 3))),
    row("AddToAttribute", ("a", 5), None, (attr("a"), "6")),
    row("AddToChildContent", ("n", 2), None, (lambda f, _: f.GetChildContent("n"), "7")),
    row("AddToContent", (3,), None, (content, "8"), on=2),
    row("Copy", lambda f: (f.GetChild(1),), None, (node, "<item id=2>beta"), on=2),
    row("GetAttrValueInt", ("a",), 1), row("GetAttributeValueInt", (0,), 1),
    row("GetChildContentByIndex", (1,), "beta"), row("GetChildExact", ("item", "beta"), "<item id=2>beta"),
    row("GetChildIntValue", ("n",), 5), row("GetChildTagByIndex", (2,), "n"),
    row("GetNthChildWithTag2", ("item", 1), 1, (content, "beta")),
    row("HasChildWithContent", ("beta",), 1), row("HasChildWithTagAndContent", ("item", "beta"), 1),
    row("LoadXml2", ("<p>  padded  </p>", 1), 1, (node, "<p>padded")),
    row("NewChildInt2", ("c", 4), None, (lambda f, _: f.GetChildIntValue("c"), 4)),
    row("RemoveAllChildren", (), None, (lambda f, _: f.NumChildren, 0)),
    row("RemoveChildByIndex", (0,), None, (texts, ["beta", "5", ""])),
    row("RemoveChildWithContent", ("beta",), None, (texts, ["alpha", "5", ""])),
    row("SaveBinaryContent", (path("bytes.bin"), 0, 0, ""), 1, (lambda *_: file_bytes("bytes.bin"), BYTES), on=0,
        fixture="binary"),
    row("SearchAllForContent2", (None, "be*"), 1, (content, "beta")),
    row("SearchForAttribute2", (None, "item", "id", "2"), 1, (content, "beta")),
    row("SearchForContent2", (None, "item", "b*"), 1, (content, "beta")),
    row("SearchForTag2", (None, "n"), 1, (content, "5")),
    row("SetBinaryContentFromFile", (path("source.bin"), 1, 0, ""), 1,
        (lambda f, t: t.GetBinaryContent(1, 0, ""), BYTES), on=0),
    row("SortByAttributeInt", ("k", 0), None, (names, ["c", "b", "a"]), fixture="records"),
    row("TagEquals", ("root",), 1),
    row("UpdateAttributeInt", ("a", 4), 1, (attr("a"), "4")),
    row("UpdateChildContentInt", ("n", 6), None, (lambda f, _: f.GetChildIntValue("n"), 6)),
    row("AddStyleSheet", ('<?xml-stylesheet href="s.css"?>',), None, (lambda f, _: "s.css" in f.GetXml(), True)),
    row("SortRecordsByContentInt", ("age", 1), None, (names, ["a", "b", "c"]), fixture="records"),
    row("TagContent", ("n",), "5"), row("GetSelf", (), "<item id=2>beta", on=1),
    row("DocType", result="", put='<!DOCTYPE root SYSTEM "root.dtd">'), row("QuorvelPath", ("item[1]|*",), "beta"),
    row("GetChildWithAttr", ("item", "id", "2"), "<item id=2>beta"),
    row("GetChildWithContent", ("beta",), "<item id=2>beta"),
    row("CopyRef", lambda f: (f.GetChild(1),), None, (node, "<item id=2>beta"), on=2),
    row("VerboseLogging", result=0, put=1), row("DebugLogFilePath", result="", put=path("xml-debug.log")),
    row("EmitXmlDecl", result=1, put=0),
]

RSS_ROWS = [
    row("LastErrorText", result=log_of("LoadRssString")), row("LastErrorXml", result=log_of("LoadRssString")),
    row("LastErrorHtml", result=log_of("LoadRssString")),
    row("SaveLastError", (path("rss-log.txt"),), 1, (lambda *_: b"LoadRssString" in file_bytes("rss-log.txt"), True)),
    row("NumChannels", result=1), row("NumItems", result=2, on="channel"),
    row("AddNewChannel", (), ("", 0)), row("AddNewImage", (), ("", 0), on="channel"),
    row("AddNewItem", (), ("", 0), on="channel"),
    row("DownloadRss", lambda f: (url("/feed.rss"),), 1, (title, "Served")),
    row("GetAttr", ("guid", "isPermaLink"), "false", on="item"), row("GetChannel", (0,), ("News", 2)),
    row("GetCount", ("item",), 2, on="channel"), row("GetDate", ("pubDate",), UTC_NOON, on="item"),
    row("GetImage", (), ("Logo", 0), on="channel"), row("GetInt", ("ttl",), 60, on="channel"),
    row("GetItem", (1,), ("Two", 0), on="channel"), row("GetString", ("title",), "News", on="channel"),
    row("LoadRssFile", (path("feed.rss"),), 1, (title, "Served")),
    row("LoadRssString", (RSS.replace("News", "Again"),), 1, (title, "Again")),
    row("MGetAttr", ("category", 1, "domain"), "d1", on="item"), row("MGetString", ("category", 1), "c1", on="item"),
    row("MSetAttr", ("category", 0, "domain", "x"), 1, (lambda f, t: t.MGetAttr("category", 0, "domain"), "x"),
        on="item"),
    row("MSetString", ("category", 1, "new"), 1, (lambda f, t: t.MGetString("category", 1), "new"), on="item"),
    row("NewRss", (), None, (lambda f, _: (f.NumChannels, f.GetChannel(0)), (0, None))),
    row("Remove", ("ttl",), None, (lambda f, t: t.GetCount("ttl"), 0), on="channel"),
    row("SetAttr", ("guid", "isPermaLink", "true"), None, (lambda f, t: t.GetAttr("guid", "isPermaLink"), "true"),
        on="item"),
    row("SetDate", ("pubDate", JAN_2), None, (lambda f, t: t.GetDateStr("pubDate"), JAN_2_RFC822), on="item"),
    row("SetDateNow", ("lastBuildDate",), None, (lambda f, t: t.GetCount("lastBuildDate"), 1), on="channel"),
    row("SetInt", ("ttl", 30), None, (lambda f, t: t.GetInt("ttl"), 30), on="channel"),
    row("SetString", ("title", "Renamed"), None, (lambda f, t: t.GetString("title"), "Renamed"), on="channel"),
    row("ToXmlString", (), TEXT), row("GetDateStr", ("pubDate",), NOON, on="item"),
    row("SetDateStr", ("pubDate", JULY_2), None, (lambda f, t: t.GetDate("pubDate"), datetime.datetime(2024, 7, 2, 10)),
        on="item"),
    row("DebugLogFilePath", result="", put=path("rss-debug.log")), row("VerboseLogging", result=0, put=1),
]

ATOM_ROWS = [
    row("LastErrorText", result=log_of("LoadXml")), row("LastErrorXml", result=log_of("LoadXml")),
    row("LastErrorHtml", result=log_of("LoadXml")),
    row("SaveLastError", (path("atom-log.txt"),), 1, (lambda *_: b"LoadXml" in file_bytes("atom-log.txt"), True)),
    row("NumEntries", result=2),
    row("AddElement", ("subtitle", "More"), 1, (element("subtitle", 1), "More")),
    row("AddElementDate", ("published", UTC_NOON), 0, (element("published"), "2024-07-01T12:00:00Z")),
    row("AddElementHtml", ("summary", "<b>x</b>"), 0, (element_attr("summary"), "html")),
    row("AddElementXHtml", ("summary", "<b>x</b>"), 0, (element_attr("summary"), "application/xhtml+xml")),
    row("AddElementXml", ("content", "<p>x</p>"), 0, (lambda f, _: "<p>x</p>" in f.ToXmlString(), True)),
    row("AddEntry", ("<entry><title>E3</title></entry>",), None,
        (lambda f, _: f.GetEntry(2).GetElement("title", 0), "E3")),
    row("AddLink", ("related", "http://example.test/r", "R", "text/html"), None,
        (lambda f, _: f.GetLinkHref("related"), "http://example.test/r")),
    row("AddPerson", ("contributor", "Cy", "http://example.test/cy", "cy@example.test"), None,
        (lambda f, _: f.GetPersonInfo("contributor", 0, "email"), "cy@example.test")),
    row("DeleteElement", ("subtitle", 0), None, (lambda f, _: f.GetElementCount("subtitle"), 0)),
    row("DeleteElementAttr", ("link", 0, "title"), None, (element_attr("link", "title"), "")),
    row("DeletePerson", ("author", 0), None, (lambda f, _: f.GetElementCount("author"), 0)),
    row("DownloadAtom", lambda f: (url("/feed.atom"),), 1, (element("title"), "Served")),
    row("GetElement", ("title", 0), "Feed"), row("GetElementAttr", ("link", 0, "href"), "http://example.test/"),
    row("GetElementCount", ("entry",), 2), row("GetElementDate", ("updated", 0), UTC_NOON), row("GetEntry", (1,), "E2"),
    row("GetLinkHref", ("alternate",), "http://example.test/"),
    row("GetPersonInfo", ("author", 0, "uri"), "http://example.test/ann"), row("GetTopAttr", ("xml:lang",), "en"),
    row("HasElement", ("subtitle",), 1),
    row("LoadXml", (ATOM.replace("Feed", "Again"),), 1, (element("title"), "Again")),
    row("NewEntry", (), None, (lambda f, _: (f.ToXmlString().count("<entry"), f.NumEntries), (1, 0))),
    row("NewFeed", (), None, (lambda f, _: (f.NumEntries, f.HasElement("title")), (0, 0))),
    row("SetElementAttr", ("link", 0, "title", "Start"), None, (element_attr("link", "title"), "Start")),
    row("SetTopAttr", ("xml:lang", "fr"), None, (lambda f, _: f.GetTopAttr("xml:lang"), "fr")),
    row("ToXmlString", (), TEXT),
    row("UpdateElement", ("title", 0, "New"), None, (element("title"), "New")),
    row("UpdateElementDate", ("updated", 0, JAN_2), None, (element("updated"), "2025-01-02T03:04:05Z")),
    row("UpdateElementHtml", ("title", 0, "<i>t</i>"), None, (element_attr("title"), "html")),
    row("UpdateElementXHtml", ("title", 0, "<i>t</i>"), None, (element_attr("title"), "application/xhtml+xml")),
    row("UpdateElementXml", ("title", 0, "<i>t</i>"), None, (element_attr("title"), "text/xml")),
    row("UpdatePerson", ("author", 0, "Bo", "http://example.test/bo", "bo@example.test"), None,
        (lambda f, _: f.GetPersonInfo("author", 0, "name"), "Bo")),
    row("AddElementDt", lambda f: ("published", f.GetElementDt("updated", 0)), 0,
        (element("published"), "2024-07-01T12:00:00Z")),
    row("UpdateElementDt", lambda f: ("updated", 0, stamp_at(JAN_2_RFC822)), None,
        (element("updated"), "2025-01-02T03:04:05Z")),
    row("GetElementDt", ("updated", 0), NOON),
    row("AddElementDateStr", ("published", JULY_2), 0, (element("published"), "2024-07-02T10:00:00Z")),
    row("UpdateElementDateStr", ("updated", 0, JULY_2), None, (element("updated"), "2024-07-02T10:00:00Z")),
    row("GetElementDateStr", ("updated", 0), NOON), row("DebugLogFilePath", result="", put=path("atom-debug.log")),
    row("VerboseLogging", result=0, put=1), row("Version", result="9.5.0.21"),
]

DATE_TIME_ROWS = [
    row("IsDst", result=0), row("UtcOffset", result=0),
    row("SetFromCurrentSystemTime", (), None, (lambda f, t: abs(t.GetAsUnixTime(0) - time.time()) < 60, True)),
    row("SetFromRfc822", (JULY_2,), 1, (stamp, JULY_2)),
    row("GetAsUnixTime", (0,), NOON_UNIX), row("GetAsOleDate", (0,), UTC_NOON), row("GetAsDosDate", (0,), NOON_DOS),
    row("SetFromUnixTime", (0, 0), None, (stamp, EPOCH)),
    row("SetFromOleDate", (0, JAN_2), None, (stamp, JAN_2_RFC822)),
    row("SetFromDosDate", (0, NOON_DOS + 1), None, (stamp, "Mon, 01 Jul 2024 12:00:02 GMT")),
    row("Serialize", (), TEXT),
    row("DeSerialize", lambda f: (stamp_at(EPOCH).Serialize(),), None, (stamp, EPOCH)),
    row("AddDays", (-1,), 1, (stamp, "Sun, 30 Jun 2024 12:00:00 GMT")),
    row("GetAsRfc822", (0,), NOON),
]

# Per interface: the fixture, where its calls go unless a row says otherwise, and the rows.
TABLES = {"IQuorvelXml": ("xml", None, XML_ROWS), "IQuorvelRss": ("rss", None, RSS_ROWS),
          "IQuorvelAtom": ("atom", None, ATOM_ROWS), "IQvDateTime": ("atom", "stamp", DATE_TIME_ROWS)}


# ---- the feed server: loopback, a port chosen by the system, a bounded life

class FeedHandler(http.server.SimpleHTTPRequestHandler):  # the module's folder, quietly
    def log_message(self, *_):
        pass


MODULE = {}  # what setUpModule starts and tearDownModule stops


def serve(server, stop):
    deadline = time.monotonic() + 120  # each turn waits 0.2 s at most for a request
    for _ in range(2000):
        if stop.is_set() or time.monotonic() > deadline:
            break
        server.handle_request()
    server.server_close()


def url(name):
    return f"http://127.0.0.1:{MODULE['server'].server_address[1]}{name}"


def setUpModule():
    MODULE["zone"] = mock.patch.dict(os.environ, {"TZ": "UTC"})  # so that the date rows read the same anywhere
    MODULE["zone"].start()
    time.tzset()
    os.makedirs(FOLDER, exist_ok=True)
    for name, data in FILES.items():
        with open(path(name), "wb") as handle:
            handle.write(data if isinstance(data, bytes) else data.encode())
    handler = functools.partial(FeedHandler, directory=FOLDER)
    server = MODULE["server"] = http.server.HTTPServer(("127.0.0.1", 0), handler)
    server.timeout = 0.2
    MODULE["stop"] = threading.Event()
    MODULE["thread"] = threading.Thread(target=serve, args=(server, MODULE["stop"]), daemon=True)
    MODULE["thread"].start()


def tearDownModule():
    MODULE["stop"].set()
    MODULE["thread"].join(5)
    shutil.rmtree(FOLDER, ignore_errors=True)
    MODULE["zone"].stop()
    time.tzset()


# ---- the calls: by name, by DISPID, and through the dual interface's vtable slot

MODES = ("name", "dispid", "vtable")
NATIVE = {"string": ctypes.c_void_p, "long": ctypes.c_int32, "bool": ctypes.c_int32, "date": ctypes.c_double,
          "variant": native.VARIANT}  # each table type, as argument and as the target of a result pointer


def slots(interface):
    """Each member side's slot, in the type library's order after IDispatch's seven."""
    out = {}
    for member in members.INTERFACES[interface].members:
        for side in ("method",) if member.kind == "method" else member.kind.split("+"):
            out[member.name, side] = 7 + len(out)
    return out


def by_vtable(target, interface, slot, kinds, args, result):
    """A call with typed arguments, the way a client built against the type library makes it."""
    library = variants._library()
    types, actual, strings, keep = [], [], [], []
    for kind, value in zip(kinds, args):
        if kind in variants.OBJECT_TYPES:  # the argument's own dual interface, or a null pointer
            keep.append(value and value._oleobj_.QueryInterface(members.INTERFACES[kind].iid))
            kind, value = "string", keep[-1] and keep[-1].address
        elif kind == "string":
            value = variants.new_bstr(value)
            strings.append(value)
        elif kind == "date":
            value = variants.date_to_ole(value)
        elif kind == "variant":
            keep.append(native.VARIANT())
            variants.to_variant(value, keep[-1])
            value = keep[-1]
        types.append(NATIVE[kind])
        actual.append(value)
    out = None if result is None else (ctypes.c_void_p if result in variants.OBJECT_TYPES else NATIVE[result])()
    if out is not None:
        types.append(ctypes.c_void_p)
        actual.append(ctypes.addressof(out))
    hr = target._oleobj_.QueryInterface(members.INTERFACES[interface].iid).call(slot, tuple(types), *actual)
    for bstr in strings:
        library.SysFreeString(bstr)
    for variant in (k for k in keep if isinstance(k, native.VARIANT)):
        library.VariantClear(ctypes.byref(variant))
    if hr < 0:
        raise quorvel.com_error(hr)
    if result == "string":
        text = variants.read_bstr(out.value)
        library.SysFreeString(out.value)
        return text
    if result in variants.OBJECT_TYPES:
        return quorvel.Dispatch(quorvel.DispatchPointer(out.value), result) if out.value else None
    if result == "variant":
        try:
            return variants.from_variant(out)
        finally:
            library.VariantClear(ctypes.byref(out))
    return variants.ole_to_date(out.value) if result == "date" else None if out is None else out.value


def call(target, interface, member, args, mode):
    if mode == "name":
        found = getattr(target, member.name)
        return found(*args) if member.kind == "method" else found
    if mode == "vtable":
        side = "method" if member.kind == "method" else "get"
        return by_vtable(target, interface, slots(interface)[member.name, side], [t for t, _ in member.args], args,
                         member.result)
    flags = quorvel.DISPATCH_METHOD if member.kind == "method" else quorvel.DISPATCH_PROPERTYGET
    value = target._oleobj_.Invoke(member.dispid, quorvel.LOCALE_USER_DEFAULT, flags, True, *args)
    return quorvel.Dispatch(value, member.result) if isinstance(value, quorvel.DispatchPointer) else value


def put(target, interface, member, value, mode):
    if mode == "vtable":
        by_vtable(target, interface, slots(interface)[member.name, "put"], (member.result,), (value,), None)
    elif mode == "dispid":
        target._oleobj_.Invoke(member.dispid, quorvel.LOCALE_USER_DEFAULT, quorvel.DISPATCH_PROPERTYPUT, False, value)
    else:
        setattr(target, member.name, value)


def prepare(interface, entry):
    """A fresh fixture for a row, the object the call goes to, and the call's arguments."""
    fixture, on, _ = TABLES[interface]
    made = FIXTURES[entry.fixture or fixture]()
    args = entry.args(made) if callable(entry.args) else entry.args
    return made, ON[on if entry.on is None else entry.on](made), args


class EveryMember(unittest.TestCase):
    def test_the_rows_name_each_member_of_each_interface_once(self):
        for interface, (_, _, rows) in TABLES.items():
            expected = sorted(m.name for m in members.INTERFACES[interface].members)
            self.assertEqual(sorted(r.member for r in rows), expected, interface)
        self.assertEqual(set(TABLES), {name for name, iface in members.INTERFACES.items() if iface.kind == "dual"})

    def test_every_member_by_name_by_dispid_and_by_vtable(self):
        for interface, (_, _, rows) in TABLES.items():
            table = {m.name: m for m in members.INTERFACES[interface].members}
            for entry, mode in itertools.product(rows, MODES):
                with self.subTest(interface=interface, member=entry.member, mode=mode):
                    self.check(interface, table[entry.member], entry, mode)
        self.assertEqual(support.collect(), quorvel._errors.S_OK)  # every object made here is gone again

    def check(self, interface, member, entry, mode):
        made, target, args = prepare(interface, entry)
        self.assertEqual(len(args), len(member.args))
        result = observe(call(target, interface, member, args, mode), member.result)
        if callable(entry.result):
            self.assertTrue(entry.result(result), result)
        else:
            self.assertEqual(result, entry.result)
        if entry.effect is not None:
            self.assertEqual(entry.effect[0](made, target), entry.effect[1])
        self.assertEqual(entry.put is not None, member.kind == "get+put", "a property that can be set needs a value")
        if entry.put is not None:
            put(target, interface, member, entry.put, mode)
            self.assertEqual(observe(call(target, interface, member, (), mode), member.result), entry.put)

    def test_vtable_results_are_the_dual_interface_and_failed_strings_null(self):
        xml, table = xml_of(), slots("IQuorvelXml")
        child = by_vtable(xml, "IQuorvelXml", table["GetChild", "method"], ("long",), (1,), "IQuorvelXml")
        dual = child._oleobj_.QueryInterface(members.INTERFACES["IQuorvelXml"].iid)
        self.assertEqual((child.Content, dual.address), ("beta", child._oleobj_.address))
        content = table["GetChildContent", "method"]
        self.assertIsNone(by_vtable(xml, "IQuorvelXml", content, ("string",), ("none",), "string"))
        self.assertEqual(by_vtable(xml, "IQuorvelXml", content, ("string",), ("n",), "string"), "5")


if __name__ == "__main__":
    unittest.main()
