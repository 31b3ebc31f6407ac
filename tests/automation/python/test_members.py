"""Every member of every interface, called once by name and once by DISPID on a fresh object,
with the table's argument and result types. One row per member; the completeness test holds
the rows to the member table, so a member added to the table needs its row here."""
import base64
import collections
import datetime
import http.server
import os
import tempfile
import threading
import time
import unittest

import quorvel
from quorvel import members
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
UTC_NOON = datetime.datetime(2024, 7, 1, 12, 0, 0)
NOON_RFC822 = "Mon, 01 Jul 2024 12:00:00 GMT"
NOON_UNIX = 1719835200
NOON_DOS = (44 << 25) | (7 << 21) | (1 << 16) | (12 << 11)  # date in the high half, time in the low
EPOCH_RFC822 = "Thu, 01 Jan 1970 00:00:00 GMT"
BYTES = bytes(range(256)) * 3


class Satisfies:
    """An expected value given by a rule, for results that differ per object (tree ids, logs)."""

    def __init__(self, rule, description):
        self.rule, self.description = rule, description

    def __eq__(self, value):
        return self.rule(value)

    def __repr__(self):
        return self.description


TEXT = Satisfies(lambda value: isinstance(value, str) and value != "", "a non-empty text")
TREE_ID = Satisfies(lambda value: isinstance(value, int) and value >= 100, "a tree id")


def log_of(method):
    return Satisfies(lambda value: isinstance(value, str) and method in value, f"a log naming {method}")


# ---- fixtures: each call gets new objects

class Files:
    folder = None

    @classmethod
    def path(cls, name):
        return os.path.join(cls.folder, name)


def xml_of(doc):
    xml = quorvel.CreateObject("Quorvel.Xml")
    assert xml.LoadXml(doc) == 1
    return xml


def rss_of(doc=RSS):
    rss = quorvel.CreateObject("Quorvel.Rss")
    assert rss.LoadRssString(doc) == 1
    return rss


def atom_of(doc=ATOM):
    atom = quorvel.CreateObject("Quorvel.Atom")
    assert atom.LoadXml(doc) == 1
    return atom


def packed(method, *args):
    """A document whose first item has been packed by method."""
    def make():
        xml = xml_of(DOC)
        item = xml.GetChild(0)
        assert getattr(item, method)(*args) == 1
        return xml
    return make


FIXTURES = {
    "xml": lambda: xml_of(DOC),
    "records": lambda: xml_of(RECORDS),
    "zipped tree": packed("ZipTree"),
    "zipped content": packed("ZipContent"),
    "encrypted": packed("EncryptContent", "pw"),
    "q-encoded": lambda: xml_of("<root><w>=?utf-8?Q?h=C3=A9llo?=</w></root>"),
    "binary": lambda: xml_of("<root><b>" + base64.b64encode(BYTES).decode() + "</b></root>"),
    "rss": rss_of,
    "atom": atom_of,
    "stamp": lambda: atom_of(),
}

# Where a call goes: the fixture itself, or an object reached from it.
ON = {
    None: lambda f: f,
    "item0": lambda f: f.GetChild(0),
    "item1": lambda f: f.GetChild(1),
    "n": lambda f: f.GetChild(2),
    "first": lambda f: f.GetChild(0),
    "channel": lambda f: f.GetChannel(0),
    "item": lambda f: f.GetChannel(0).GetItem(0),
    "stamp": lambda f: f.GetElementDt("updated", 0),
}


def observe(value, result_type):
    """A comparable view of a result, checking its type against the table."""
    if result_type is None:
        assert value is None, f"a member without a result returned {value!r}"
        return None
    if result_type in quorvel._variants.OBJECT_TYPES:
        if value is None:
            return None
        assert isinstance(value, quorvel.Dispatch) and value._interface_.name == result_type, repr(value)
        if result_type == "IQuorvelXml":
            return xml_view(value)
        if result_type == "IQuorvelRss":
            return (value.GetString("title"), value.NumItems)
        if result_type == "IQuorvelAtom":
            return value.GetElement("title", 0)
        return value.GetAsRfc822(0)
    expected_types = {"string": (str, type(None)), "long": (int,), "bool": (int,), "date": (datetime.datetime,),
                      "variant": (bytes, str, int, float, type(None))}[result_type]
    assert type(value) in expected_types, f"{value!r} is no {result_type}"
    if result_type == "bool":
        assert value in (0, 1), f"{value!r} is no 1/0 result"
    return value


Row = collections.namedtuple("Row", "member args result effect on fixture put", defaults=(None, None, None, None))


def row(member, args=(), result=None, effect=None, on=None, fixture=None, put=None):
    """args: a tuple, or a function of the fixture giving it (for object arguments). effect:
    (view of (fixture, target) after the call, its expected value). put: for a property, a value
    to set, read back afterwards."""
    return Row(member, args, result, effect, on, fixture, put)


def children(f, _=None):
    return f.NumChildren


def tags(f, _=None):
    return [f.GetChildTag(i) for i in range(f.NumChildren)]


def child_texts(f, _=None):
    return [f.GetChildContentByIndex(i) for i in range(f.NumChildren)]


def record_names(f, _=None):
    return [f.GetChild(i).GetChildContent("name") for i in range(f.NumChildren)]


def target_content(_, t):
    return t.Content


def xml_view(node):
    """An element in brief: "<tag name=value ...>content"."""
    attributes = "".join(f" {node.GetAttributeName(i)}={node.GetAttributeValue(i)}" for i in range(node.NumAttributes))
    return f"<{node.Tag}{attributes}>{node.Content}"


def target_tag(_, t):
    return xml_view(t)


def other(doc):
    return lambda f: (xml_of(doc),)


def file_text(name):
    def view(*_):
        with open(Files.path(name), "rb") as handle:
            return handle.read()
    return view


XML_ROWS = [
    row("Version", result="9.5.0.21"),
    row("NumAttributes", result=2),
    row("Tag", result="root", put="renamed"),
    row("Content", result="", put="text é"),
    row("NumChildren", result=4),
    row("GetChildContent", ("item",), "alpha"),
    row("Cdata", result=0, put=1),
    row("LoadXml", ("<a><b/></a>",), 1, (target_tag, "<a>")),
    row("LoadXmlFile", (lambda f: (Files.path("doc.xml"),)), 1, (tags, ["item", "item", "n", "empty"])),
    row("SaveXml", (lambda f: (Files.path("saved.xml"),)), 1,
        (lambda *_: file_text("saved.xml")().count(b"<item"), 2)),
    row("GetXml", (), '<?xml version="1.0" encoding="utf-8" ?>\r\n<root a="1" b="two">\r\n'
        '    <item id="1">alpha</item>\r\n    <item id="2">beta</item>\r\n    <n>5</n>\r\n    <empty />\r\n</root>\r\n'),
    row("AppendToContent", ("more",), 1, (target_content, "alphamore"), on="item0"),
    row("AddAttribute", ("c", "3"), 1, (lambda f, _: f.GetAttrValue("c"), "3")),
    row("RemoveAttribute", ("a",), 1, (lambda f, _: f.NumAttributes, 1)),
    row("RemoveAllAttributes", (), 1, (lambda f, _: f.NumAttributes, 0)),
    row("GetAttributeName", (1,), "b"),
    row("GetAttributeValue", (1,), "two"),
    row("GetAttrValue", ("b",), "two"),
    row("HasAttrWithValue", ("a", "1"), 1),
    row("SwapNode", (lambda f: (f.GetChild(2),)), 1, (child_texts, ["5", "beta", "alpha", ""]), on="item0"),
    row("SwapTree", other("<swapped><x/></swapped>"), 1, (lambda f, _: (f.Tag, f.NumChildren), ("swapped", 1))),
    row("AddChildTree", other("<extra/>"), 1, (tags, ["item", "item", "n", "empty", "extra"])),
    row("GetChild", (1,), "<item id=2>beta"),
    row("ExtractChildByIndex", (0,), "<item id=1>alpha", (tags, ["item", "n", "empty"])),
    row("ExtractChildByName", ("item", "id", "2"), "<item id=2>beta", (child_texts, ["alpha", "5", ""])),
    row("NumChildrenHavingTag", ("item",), 2),
    row("GetNthChildWithTag", ("item", 1), "<item id=2>beta"),
    row("NewChild", ("c", "x"), "<c>x", (tags, ["item", "item", "n", "empty", "c"])),
    row("FindOrAddNewChild", ("n",), "<n>5", (children, 4)),
    row("SearchForTag", (None, "item"), "<item id=1>alpha"),
    row("SearchForContent", (None, "item", "b*"), "<item id=2>beta"),
    row("SearchAllForContent", (None, "be*"), "<item id=2>beta"),
    row("SearchForAttribute", (None, "item", "id", "2"), "<item id=2>beta"),
    row("GetParent", (), "<root a=1 b=two>", on="item0"),
    row("Clear", (), None, (lambda f, _: (f.Tag, f.NumChildren), ("unnamed", 0))),
    row("FirstChild", (), "<item id=1>alpha"),
    row("LastChild", (), "<empty>"),
    row("NextSibling", (), "<item id=2>beta", on="item0"),
    row("PreviousSibling", (), "<item id=1>alpha", on="item1"),
    row("TreeId", result=TREE_ID),
    row("GetChildWithTag", ("n",), "<n>5"),
    row("Standalone", result=0, put=1),
    row("Encoding", result="utf-8", put="iso-8859-1"),
    row("GetRoot", (), "<root a=1 b=two>", on="item1"),
    row("SaveLastError", (lambda f: (Files.path("log.txt"),)), 1,
        (lambda *_: b"LoadXml" in file_text("log.txt")(), True)),
    row("FindNextRecord", ("age", "9"), "<rec k=10>", on="first", fixture="records"),
    row("CompressSubtree", (), 1, (lambda f, _: f.GetChild(0).NumChildren, 0), on="item0"),
    row("CompressNode", (), 1, (lambda f, t: t.Content != "alpha", True), on="item0"),
    row("DecompressSubtree", (), 1, (target_tag, "<item id=1>alpha"), on="item0", fixture="zipped tree"),
    row("DecompressNode", (), 1, (target_content, "alpha"), on="item0", fixture="zipped content"),
    row("EncryptNode", ("pw",), 1, (lambda f, t: t.Content != "alpha", True), on="item0"),
    row("DecryptNode", ("pw",), 1, (target_content, "alpha"), on="item0", fixture="encrypted"),
    row("LastErrorHtml", result=log_of("LoadXml")),
    row("LastErrorXml", result=log_of("LoadXml")),
    row("LastErrorText", result=log_of("LoadXml")),
    row("GetChild2", (1,), 1, (target_content, "beta")),
    row("FindChild2", ("n",), 1, (target_content, "5")),
    row("RemoveFromTree", (), None, (lambda f, t: (tags(f), t.GetParent()), (["item", "n", "empty"], None)),
        on="item0"),
    row("GetParent2", (), 1, (target_tag, "<root a=1 b=two>"), on="item0"),
    row("FirstChild2", (), 1, (target_tag, "<item id=1>alpha")),
    row("LastChild2", (), 1, (target_tag, "<empty>")),
    row("NextSibling2", (), 1, (target_tag, "<item id=2>beta"), on="item0"),
    row("PreviousSibling2", (), 1, (target_tag, "<item id=1>alpha"), on="item1"),
    row("GetRoot2", (), None, (target_tag, "<root a=1 b=two>"), on="item1"),
    row("QEncodeContent", ("utf-8", "héllo"), 1, (target_content, "=?utf-8?Q?h=C3=A9llo?="), on="item0"),
    row("BEncodeContent", ("utf-8", b"hello"), 1, (target_content, "=?utf-8?B?aGVsbG8=?="), on="item0"),
    row("UpdateAttribute", ("a", "9"), 1, (lambda f, _: f.GetAttrValue("a"), "9")),
    row("DecodeContent", (), "héllo".encode(), on="first", fixture="q-encoded"),
    row("SetBinaryContent", (BYTES, 1, 1, "pw"), 1, (lambda f, t: t.GetBinaryContent(1, 1, "pw"), BYTES), on="item0"),
    row("GetBinaryContent", (0, 0, ""), BYTES, on="first", fixture="binary"),
    row("FindChild", ("n",), "<n>5"),
    row("NewChild2", ("c", "x"), None, (child_texts, ["alpha", "beta", "5", "", "x"])),
    row("SortByTag", (1,), None, (tags, ["empty", "item", "item", "n"])),
    row("SortByContent", (0,), None, (child_texts, ["beta", "alpha", "5", ""])),
    row("SortByAttribute", ("k", 1), None, (record_names, ["c", "a", "b"]), fixture="records"),
    row("SortRecordsByContent", ("age", 1), None, (record_names, ["b", "c", "a"]), fixture="records"),
    row("SortRecordsByAttribute", ("name", "s", 0), None, (record_names, ["c", "b", "a"]), fixture="records"),
    row("LoadXmlV", (b"<v>\xc3\xa9</v>",), 1, (target_tag, "<v>é")),
    row("UpdateChildContent", ("n", "6"), None, (lambda f, _: f.GetChildContent("n"), "6")),
    row("ContentMatches", ("AL*", 0), 1, on="item0"),
    row("ChildContentMatches", ("item", "al*", 1), 1),
    row("RemoveChild", ("item",), None, (child_texts, ["5", ""])),
    row("HasChildWithTag", ("n",), 1),
    row("DecodeEntities", ("a &amp; b &lt;c&gt;",), "a & b <c>"),
    row("LoadXmlFile2", (lambda f: (Files.path("padded.xml"), 1)), 1, (target_tag, "<p>padded")),
    row("SortCaseInsensitive", result=0, put=1),
    row("HasAttribute", ("b",), 1),
    row("NewChildBefore", (2, "c", "x"), "<c>x", (tags, ["item", "c", "item", "n", "empty"])),
    row("NewChildAfter", (0, "c", "x"), "<c>x", (tags, ["item", "c", "item", "n", "empty"])),
    row("InsertChildTreeBefore", (lambda f: (0, xml_of("<t/>"))), None, (tags, ["t", "item", "item", "n", "empty"])),
    row("InsertChildTreeAfter", (lambda f: (0, xml_of("<t/>"))), None, (tags, ["item", "t", "item", "n", "empty"])),
    row("EncryptContent", ("pw",), 1, (lambda f, t: t.DecryptContent("pw") and t.Content, "alpha"), on="item0"),
    row("DecryptContent", ("pw",), 1, (target_content, "alpha"), on="item0", fixture="encrypted"),
    row("ZipTree", (), 1, (lambda f, t: t.UnzipTree() and target_tag(f, t), "<item id=1>alpha"), on="item0"),
    row("ZipContent", (), 1, (lambda f, t: t.UnzipContent() and t.Content, "alpha"), on="item0"),
    row("UnzipTree", (), 1, (target_tag, "<item id=1>alpha"), on="item0", fixture="zipped tree"),
    row("UnzipContent", (), 1, (target_content, "alpha"), on="item0", fixture="zipped content"),
    row("ContentInt", result=5, put=-7, on="n"),
    row("AccumulateTagContent", ("item", ""), "alpha beta"),
    row("GetChildTag", (2,), "n"),
    row("GetChildBoolValue", ("n",), 1),
    row("AddAttributeInt", ("c", -3), 1, (lambda f, _: f.GetAttrValue("c"), "-3")),
    row("AddOrUpdateAttribute", ("a", "x"), None, (lambda f, _: (f.GetAttrValue("a"), f.NumAttributes), ("x", 2))),
    row("AddOrUpdateAttributeI", ("c", 7), None, (lambda f, _: (f.GetAttrValue("c"), f.NumAttributes), ("7", 3))),
    row("AddToAttribute", ("a", 5), None, (lambda f, _: f.GetAttrValue("a"), "6")),
    row("AddToChildContent", ("n", 2), None, (lambda f, _: f.GetChildContent("n"), "7")),
    row("AddToContent", (3,), None, (target_content, "8"), on="n"),
    row("Copy", (lambda f: (f.GetChild(1),)), None, (target_tag, "<item id=2>beta"), on="n"),
    row("GetAttrValueInt", ("a",), 1),
    row("GetAttributeValueInt", (0,), 1),
    row("GetChildContentByIndex", (1,), "beta"),
    row("GetChildExact", ("item", "beta"), "<item id=2>beta"),
    row("GetChildIntValue", ("n",), 5),
    row("GetChildTagByIndex", (2,), "n"),
    row("GetNthChildWithTag2", ("item", 1), 1, (target_content, "beta")),
    row("HasChildWithContent", ("beta",), 1),
    row("HasChildWithTagAndContent", ("item", "beta"), 1),
    row("LoadXml2", ("<p>  padded  </p>", 1), 1, (target_tag, "<p>padded")),
    row("NewChildInt2", ("c", 4), None, (lambda f, _: f.GetChildIntValue("c"), 4)),
    row("RemoveAllChildren", (), None, (children, 0)),
    row("RemoveChildByIndex", (0,), None, (child_texts, ["beta", "5", ""])),
    row("RemoveChildWithContent", ("beta",), None, (child_texts, ["alpha", "5", ""])),
    row("SaveBinaryContent", (lambda f: (Files.path("bytes.bin"), 0, 0, "")), 1, (file_text("bytes.bin"), BYTES),
        on="first", fixture="binary"),
    row("SearchAllForContent2", (None, "be*"), 1, (target_content, "beta")),
    row("SearchForAttribute2", (None, "item", "id", "2"), 1, (target_content, "beta")),
    row("SearchForContent2", (None, "item", "b*"), 1, (target_content, "beta")),
    row("SearchForTag2", (None, "n"), 1, (target_content, "5")),
    row("SetBinaryContentFromFile", (lambda f: (Files.path("source.bin"), 1, 0, "")), 1,
        (lambda f, t: t.GetBinaryContent(1, 0, ""), BYTES), on="item0"),
    row("SortByAttributeInt", ("k", 0), None, (record_names, ["c", "b", "a"]), fixture="records"),
    row("TagEquals", ("root",), 1),
    row("UpdateAttributeInt", ("a", 4), 1, (lambda f, _: f.GetAttrValue("a"), "4")),
    row("UpdateChildContentInt", ("n", 6), None, (lambda f, _: f.GetChildIntValue("n"), 6)),
    row("AddStyleSheet", ('<?xml-stylesheet href="s.css" type="text/css"?>',), None,
        (lambda f, _: f.GetXml().split("\r\n")[1], '<?xml-stylesheet href="s.css" type="text/css" ?>')),
    row("SortRecordsByContentInt", ("age", 1), None, (record_names, ["a", "b", "c"]), fixture="records"),
    row("TagContent", ("n",), "5"),
    row("GetSelf", (), "<item id=2>beta", on="item1"),
    row("DocType", result="", put='<!DOCTYPE root SYSTEM "root.dtd">'),
    row("QuorvelPath", ("item[1]|*",), "beta"),
    row("GetChildWithAttr", ("item", "id", "2"), "<item id=2>beta"),
    row("GetChildWithContent", ("beta",), "<item id=2>beta"),
    row("CopyRef", (lambda f: (f.GetChild(1),)), None, (target_tag, "<item id=2>beta"), on="n"),
    row("VerboseLogging", result=0, put=1),
    row("DebugLogFilePath", result="", put="/tmp/quorvel-members-debug.log"),
    row("EmitXmlDecl", result=1, put=0),
]

RSS_ROWS = [
    row("LastErrorText", result=log_of("LoadRssString")),
    row("LastErrorXml", result=log_of("LoadRssString")),
    row("LastErrorHtml", result=log_of("LoadRssString")),
    row("SaveLastError", (lambda f: (Files.path("rss-log.txt"),)), 1,
        (lambda *_: b"LoadRssString" in file_text("rss-log.txt")(), True)),
    row("NumChannels", result=1),
    row("NumItems", result=2, on="channel"),
    row("AddNewChannel", (), ("", 0), (lambda f, _: f.NumChannels, 2)),
    row("AddNewImage", (), ("", 0), (lambda f, t: t.GetCount("image"), 2), on="channel"),
    row("AddNewItem", (), ("", 0), (lambda f, _: f.GetChannel(0).NumItems, 3), on="channel"),
    row("DownloadRss", (lambda f: (Server.url("/feed.rss"),)), 1,
        (lambda f, _: f.GetChannel(0).GetString("title"), "Served")),
    row("GetAttr", ("guid", "isPermaLink"), "false", on="item"),
    row("GetChannel", (0,), ("News", 2)),
    row("GetCount", ("item",), 2, on="channel"),
    row("GetDate", ("pubDate",), UTC_NOON, on="item"),
    row("GetImage", (), ("Logo", 0), on="channel"),
    row("GetInt", ("ttl",), 60, on="channel"),
    row("GetItem", (1,), ("Two", 0), on="channel"),
    row("GetString", ("title",), "News", on="channel"),
    row("LoadRssFile", (lambda f: (Files.path("feed.rss"),)), 1,
        (lambda f, _: f.GetChannel(0).GetString("title"), "Served")),
    row("LoadRssString", (RSS.replace("News", "Again"),), 1, (lambda f, _: f.GetChannel(0).GetString("title"), "Again")),
    row("MGetAttr", ("category", 1, "domain"), "d1", on="item"),
    row("MGetString", ("category", 1), "c1", on="item"),
    row("MSetAttr", ("category", 0, "domain", "x"), 1, (lambda f, t: t.MGetAttr("category", 0, "domain"), "x"),
        on="item"),
    row("MSetString", ("category", 1, "new"), 1, (lambda f, t: t.MGetString("category", 1), "new"), on="item"),
    row("NewRss", (), None, (lambda f, _: (f.NumChannels, f.GetChannel(0)), (0, None))),
    row("Remove", ("ttl",), None, (lambda f, t: t.GetCount("ttl"), 0), on="channel"),
    row("SetAttr", ("guid", "isPermaLink", "true"), None, (lambda f, t: t.GetAttr("guid", "isPermaLink"), "true"),
        on="item"),
    row("SetDate", ("pubDate", datetime.datetime(2025, 1, 2, 3, 4, 5)), None,
        (lambda f, t: t.GetDateStr("pubDate"), "Thu, 02 Jan 2025 03:04:05 GMT"), on="item"),
    row("SetDateNow", ("lastBuildDate",), None,
        (lambda f, t: abs((t.GetDate("lastBuildDate") - datetime.datetime.utcnow()).total_seconds()) < 60, True),
        on="channel"),
    row("SetInt", ("ttl", 30), None, (lambda f, t: t.GetInt("ttl"), 30), on="channel"),
    row("SetString", ("title", "Renamed"), None, (lambda f, t: t.GetString("title"), "Renamed"), on="channel"),
    row("ToXmlString", (), TEXT),
    row("GetDateStr", ("pubDate",), NOON_RFC822, on="item"),
    row("SetDateStr", ("pubDate", "Tue, 02 Jul 2024 10:00:00 GMT"), None,
        (lambda f, t: t.GetDate("pubDate"), datetime.datetime(2024, 7, 2, 10)), on="item"),
    row("DebugLogFilePath", result="", put="/tmp/quorvel-members-rss.log"),
    row("VerboseLogging", result=0, put=1),
]

ATOM_ROWS = [
    row("LastErrorText", result=log_of("LoadXml")),
    row("LastErrorXml", result=log_of("LoadXml")),
    row("LastErrorHtml", result=log_of("LoadXml")),
    row("SaveLastError", (lambda f: (Files.path("atom-log.txt"),)), 1,
        (lambda *_: b"LoadXml" in file_text("atom-log.txt")(), True)),
    row("NumEntries", result=2),
    row("AddElement", ("subtitle", "More"), 1, (lambda f, _: f.GetElement("subtitle", 1), "More")),
    row("AddElementDate", ("published", UTC_NOON), 0, (lambda f, _: f.GetElement("published", 0), "2024-07-01T12:00:00Z")),
    row("AddElementHtml", ("summary", "<b>x</b>"), 0, (lambda f, _: f.GetElementAttr("summary", 0, "type"), "html")),
    row("AddElementXHtml", ("summary", "<b>x</b>"), 0, (lambda f, _: f.GetElementAttr("summary", 0, "type"), "application/xhtml+xml")),
    row("AddElementXml", ("content", "<p>x</p>"), 0, (lambda f, _: (f.GetElementAttr("content", 0, "type"), "<p>x</p>" in f.ToXmlString()), ("", True))),
    row("AddEntry", ("<entry><title>E3</title></entry>",), None, (lambda f, _: f.GetEntry(2).GetElement("title", 0), "E3")),
    row("AddLink", ("related", "http://example.test/r", "R", "text/html"), None,
        (lambda f, _: f.GetLinkHref("related"), "http://example.test/r")),
    row("AddPerson", ("contributor", "Cy", "http://example.test/cy", "cy@example.test"), None,
        (lambda f, _: f.GetPersonInfo("contributor", 0, "email"), "cy@example.test")),
    row("DeleteElement", ("subtitle", 0), None, (lambda f, _: f.GetElementCount("subtitle"), 0)),
    row("DeleteElementAttr", ("link", 0, "title"), None, (lambda f, _: f.GetElementAttr("link", 0, "title"), "")),
    row("DeletePerson", ("author", 0), None, (lambda f, _: f.GetElementCount("author"), 0)),
    row("DownloadAtom", (lambda f: (Server.url("/feed.atom"),)), 1, (lambda f, _: f.GetElement("title", 0), "Served")),
    row("GetElement", ("title", 0), "Feed"),
    row("GetElementAttr", ("link", 0, "href"), "http://example.test/"),
    row("GetElementCount", ("entry",), 2),
    row("GetElementDate", ("updated", 0), UTC_NOON),
    row("GetEntry", (1,), "E2"),
    row("GetLinkHref", ("alternate",), "http://example.test/"),
    row("GetPersonInfo", ("author", 0, "uri"), "http://example.test/ann"),
    row("GetTopAttr", ("xml:lang",), "en"),
    row("HasElement", ("subtitle",), 1),
    row("LoadXml", (ATOM.replace("Feed", "Again"),), 1, (lambda f, _: f.GetElement("title", 0), "Again")),
    row("NewEntry", (), None, (lambda f, _: (f.ToXmlString().count("<entry"), f.NumEntries), (1, 0))),
    row("NewFeed", (), None, (lambda f, _: (f.NumEntries, f.HasElement("title")), (0, 0))),
    row("SetElementAttr", ("link", 0, "title", "Start"), None, (lambda f, _: f.GetElementAttr("link", 0, "title"), "Start")),
    row("SetTopAttr", ("xml:lang", "fr"), None, (lambda f, _: f.GetTopAttr("xml:lang"), "fr")),
    row("ToXmlString", (), TEXT),
    row("UpdateElement", ("title", 0, "New"), None, (lambda f, _: f.GetElement("title", 0), "New")),
    row("UpdateElementDate", ("updated", 0, datetime.datetime(2025, 1, 2, 3, 4, 5)), None,
        (lambda f, _: f.GetElement("updated", 0), "2025-01-02T03:04:05Z")),
    row("UpdateElementHtml", ("title", 0, "<i>t</i>"), None, (lambda f, _: f.GetElementAttr("title", 0, "type"), "html")),
    row("UpdateElementXHtml", ("title", 0, "<i>t</i>"), None, (lambda f, _: f.GetElementAttr("title", 0, "type"), "application/xhtml+xml")),
    row("UpdateElementXml", ("title", 0, "<i>t</i>"), None,
        (lambda f, _: f.GetElementAttr("title", 0, "type"), "text/xml")),
    row("UpdatePerson", ("author", 0, "Bo", "http://example.test/bo", "bo@example.test"), None,
        (lambda f, _: f.GetPersonInfo("author", 0, "name"), "Bo")),
    row("AddElementDt", (lambda f: ("published", f.GetElementDt("updated", 0))), 0,
        (lambda f, _: f.GetElement("published", 0), "2024-07-01T12:00:00Z")),
    row("UpdateElementDt", (lambda f: ("updated", 0, stamp_at("Thu, 02 Jan 2025 03:04:05 GMT"))), None,
        (lambda f, _: f.GetElement("updated", 0), "2025-01-02T03:04:05Z")),
    row("GetElementDt", ("updated", 0), NOON_RFC822),
    row("AddElementDateStr", ("published", "Tue, 02 Jul 2024 10:00:00 GMT"), 0,
        (lambda f, _: f.GetElement("published", 0), "2024-07-02T10:00:00Z")),
    row("UpdateElementDateStr", ("updated", 0, "Tue, 02 Jul 2024 10:00:00 GMT"), None,
        (lambda f, _: f.GetElement("updated", 0), "2024-07-02T10:00:00Z")),
    row("GetElementDateStr", ("updated", 0), NOON_RFC822),
    row("DebugLogFilePath", result="", put="/tmp/quorvel-members-atom.log"),
    row("VerboseLogging", result=0, put=1),
    row("Version", result="9.5.0.21"),
]


def stamp_at(rfc822):
    stamp = atom_of().GetElementDt("updated", 0)
    assert stamp.SetFromRfc822(rfc822) == 1
    return stamp


def stamp_view(_, t):
    return t.GetAsRfc822(0)


DATE_TIME_ROWS = [
    row("IsDst", result=0),
    row("UtcOffset", result=0),
    row("SetFromCurrentSystemTime", (), None, (lambda f, t: abs(t.GetAsUnixTime(0) - time.time()) < 60, True)),
    row("SetFromRfc822", ("Tue, 02 Jul 2024 10:00:00 GMT",), 1, (stamp_view, "Tue, 02 Jul 2024 10:00:00 GMT")),
    row("GetAsUnixTime", (0,), NOON_UNIX),
    row("GetAsOleDate", (0,), UTC_NOON),
    row("GetAsDosDate", (0,), NOON_DOS),
    row("SetFromUnixTime", (0, 0), None, (stamp_view, EPOCH_RFC822)),
    row("SetFromOleDate", (0, datetime.datetime(2025, 1, 2, 3, 4, 5)), None, (stamp_view, "Thu, 02 Jan 2025 03:04:05 GMT")),
    row("SetFromDosDate", (0, NOON_DOS + 1), None, (stamp_view, "Mon, 01 Jul 2024 12:00:02 GMT")),
    row("Serialize", (), TEXT),
    row("DeSerialize", (lambda f: (stamp_at(EPOCH_RFC822).Serialize(),)), None, (stamp_view, EPOCH_RFC822)),
    row("AddDays", (-1,), 1, (stamp_view, "Sun, 30 Jun 2024 12:00:00 GMT")),
    row("GetAsRfc822", (0,), NOON_RFC822),
]

TABLES = {
    "IQuorvelXml": ("xml", XML_ROWS),
    "IQuorvelRss": ("rss", RSS_ROWS),
    "IQuorvelAtom": ("atom", ATOM_ROWS),
    "IQvDateTime": ("stamp", DATE_TIME_ROWS),
}
DEFAULT_TARGET = {"IQvDateTime": "stamp"}


# ---- the feed server: loopback, a port chosen by the system, a bounded life

SERVED = {"/feed.rss": RSS.replace("News", "Served"), "/feed.atom": ATOM.replace("Feed", "Served")}


class Server:
    server = None
    thread = None
    stop = threading.Event()
    LIFETIME_SECONDS, MAX_REQUESTS = 120, 200

    class Handler(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            body = SERVED.get(self.path)
            if body is None:
                self.send_error(404)
                return
            data = body.encode()
            self.send_response(200)
            self.send_header("Content-Type", "application/xml; charset=utf-8")
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data)

        def log_message(self, *_):
            pass

    @classmethod
    def start(cls):
        cls.server = http.server.HTTPServer(("127.0.0.1", 0), cls.Handler)
        cls.server.timeout = 0.2
        cls.stop.clear()
        cls.thread = threading.Thread(target=cls._serve, daemon=True)
        cls.thread.start()

    @classmethod
    def _serve(cls):
        deadline = time.monotonic() + cls.LIFETIME_SECONDS
        for _ in range(cls.MAX_REQUESTS * 10):
            if cls.stop.is_set() or time.monotonic() > deadline:
                break
            cls.server.handle_request()
        cls.server.server_close()

    @classmethod
    def finish(cls):
        cls.stop.set()
        cls.thread.join(5)

    @classmethod
    def url(cls, path):
        return f"http://127.0.0.1:{cls.server.server_address[1]}{path}"


saved_zone = None


def setUpModule():
    global saved_zone
    saved_zone = os.environ.get("TZ")
    os.environ["TZ"] = "UTC"  # local time and UTC agree, so the date rows read the same anywhere
    time.tzset()
    Files.folder = tempfile.mkdtemp(prefix="quorvel-members-")
    with open(Files.path("doc.xml"), "w", encoding="utf-8") as handle:
        handle.write(DOC)
    with open(Files.path("padded.xml"), "w", encoding="utf-8") as handle:
        handle.write("<p>  padded  </p>")
    with open(Files.path("feed.rss"), "w", encoding="utf-8") as handle:
        handle.write(SERVED["/feed.rss"])
    with open(Files.path("source.bin"), "wb") as handle:
        handle.write(BYTES)
    Server.start()


def tearDownModule():
    Server.finish()
    for name in os.listdir(Files.folder):
        os.remove(Files.path(name))
    os.rmdir(Files.folder)
    for path in ("/tmp/quorvel-members-debug.log", "/tmp/quorvel-members-rss.log", "/tmp/quorvel-members-atom.log"):
        if os.path.exists(path):
            os.remove(path)
    if saved_zone is None:
        os.environ.pop("TZ", None)
    else:
        os.environ["TZ"] = saved_zone
    time.tzset()


# ---- the calls

def by_name(target, member, args):
    if member.kind == "method":
        return getattr(target, member.name)(*args)
    return getattr(target, member.name)


def by_dispid(target, member, args):
    flags = quorvel.DISPATCH_METHOD if member.kind == "method" else quorvel.DISPATCH_PROPERTYGET
    value = target._oleobj_.Invoke(member.dispid, quorvel.LOCALE_USER_DEFAULT, flags, True, *args)
    if isinstance(value, quorvel.DispatchPointer):
        return quorvel.Dispatch(value, member.result)
    return value


def put_by_name(target, member, value):
    setattr(target, member.name, value)


def put_by_dispid(target, member, value):
    target._oleobj_.Invoke(member.dispid, quorvel.LOCALE_USER_DEFAULT, quorvel.DISPATCH_PROPERTYPUT, False, value)


class EveryMember(unittest.TestCase):
    def test_the_rows_name_each_member_of_each_interface_once(self):
        for interface, (_, rows) in TABLES.items():
            names = [r.member for r in rows]
            self.assertEqual(sorted(names), sorted(m.name for m in members.INTERFACES[interface].members), interface)
        dual = {name for name, iface in members.INTERFACES.items() if iface.kind == "dual"}
        self.assertEqual(set(TABLES), dual)

    def test_every_name_resolves_to_its_dispid_in_any_case(self):
        for interface, (fixture, rows) in TABLES.items():
            _, target = self.target(interface, fixture, row(rows[0].member))
            for member in members.INTERFACES[interface].members:
                for spelling in (member.name, member.name.upper(), member.name.lower()):
                    self.assertEqual(target._oleobj_.GetIDsOfNames(spelling), member.dispid, (interface, spelling))

    def test_every_member_by_name_and_by_dispid(self):
        for interface, (fixture, rows) in TABLES.items():
            table = {m.name: m for m in members.INTERFACES[interface].members}
            for entry in rows:
                member = table[entry.member]
                for route, call, put in (("name", by_name, put_by_name), ("dispid", by_dispid, put_by_dispid)):
                    with self.subTest(interface=interface, member=entry.member, route=route):
                        self.check(interface, fixture, member, entry, call, put)
        self.assertEqual(support.collect(), quorvel._errors.S_OK)  # every object made here is gone again

    def target(self, interface, fixture, entry):
        made = FIXTURES[entry.fixture or fixture]()
        on = entry.on if entry.on is not None else DEFAULT_TARGET.get(interface)
        return made, ON[on](made)

    def check(self, interface, fixture, member, entry, call, put):
        made, target = self.target(interface, fixture, entry)
        args = entry.args(made) if callable(entry.args) else entry.args
        self.assertEqual(len(args), len(member.args))
        result = observe(call(target, member, args), member.result)
        self.assertEqual(result, entry.result)
        if entry.effect is not None:
            view, expected = entry.effect
            self.assertEqual(view(made, target), expected)
        if entry.put is not None:
            self.assertIn(member.kind, ("put", "get+put"))
            put(target, member, entry.put)
            self.assertEqual(observe(call(target, member, ()), member.result), entry.put)
        else:
            self.assertNotEqual(member.kind, "get+put", "a property that can be set needs a value to set")


class Events(unittest.TestCase):
    def test_the_xml_event_is_declared_for_advisers_and_never_raised(self):
        events = members.INTERFACES["_IQuorvelXmlEvents"]
        self.assertEqual([(m.dispid, m.name, m.args) for m in events.members], [(1, "ParsePercentDone", (("long", "percentDone"),))])
        self.assertEqual(members.INTERFACES["_IQuorvelRssEvents"].members, [])
        self.assertEqual(members.INTERFACES["_IQuorvelAtomEvents"].members, [])
        calls = []
        sink = support.dispatch_sink(quorvel.GUID.parse(events.iid), calls)
        xml = xml_of(DOC)
        point = support.connection_point(xml, quorvel.GUID.parse(events.iid))
        hr, cookie = support.advise(point, sink.address)
        self.assertEqual(hr, 0)
        big = "<root>" + "<item>text</item>" * 20000 + "</root>"
        self.assertEqual(xml.LoadXml(big), 1)
        self.assertEqual(xml.LoadXmlFile(Files.path("doc.xml")), 1)
        self.assertEqual(calls, [])
        self.assertEqual(support.unadvise(point, cookie), 0)
        del point, xml
        support.collect()
        self.assertEqual(sink.references, 0)


if __name__ == "__main__":
    unittest.main()
