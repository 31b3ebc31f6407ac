"""The binding rules through the Python host: strings and null strings, 1/0 results, object
arguments and results, variants, dates, dispatch errors and coercion, reference counts, the
browser-host refusal, connection points and the host package's own conversions."""
import datetime
import itertools
import locale
import os
import time
import tempfile
import unittest
from unittest import mock

import quorvel
from quorvel import members, _errors as errors, _variants as variants
import support

DOC = "<root a='1' b='two'><item id='1'>alpha</item><item id='2'>beta</item><empty/></root>"


def xml_with(doc=DOC):
    xml = quorvel.CreateObject("Quorvel.Xml")
    assert xml.LoadXml(doc) == 1
    return xml


class Strings(unittest.TestCase):
    def test_a_null_string_argument_is_the_empty_string_and_an_empty_result_is_not_null(self):
        xml = xml_with()
        xml.Content = None
        self.assertEqual(xml.Content, "")
        self.assertEqual(xml.GetChild(2).Content, "")  # an empty element's text is "", not None
        self.assertEqual(xml.AddAttribute("c", None), 1)
        self.assertEqual(xml.GetAttrValue("c"), "")

    def test_text_round_trips_short_and_long_in_every_plane(self):
        xml = xml_with()
        rows = [(text, text) for text in ("plain", "é ü ß", "日本語", "emoji 😀 and 𝄞", "tab\tand\nnewline",
                                          "a" * 300, "é" * 300, "x" * 127 + "€", "😀" * 200)]
        # A leading byte-order mark (either order) is no part of the text; a zero unit ends it.
        rows += [("\ufeffmarked", "marked"), ("\ufffemarked", "marked"), ("before\0after", "before")]
        for given, expected in rows:
            with self.subTest(text=given[:20]):
                xml.Content = given
                self.assertEqual(xml.Content, expected)
                self.assertEqual(xml.GetXml().count(expected), 1)

    def test_failures_give_null_for_the_listed_members_and_empty_text_for_the_rest(self):
        # The members whose failure gives a null string, as the binding rules list them.
        listed = {"IQuorvelXml": {"GetXml", "GetChildContent", "GetChildContentByIndex", "GetChildTagByIndex",
                                  "GetAttributeName", "GetAttributeValue", "GetAttrValue", "TagContent", "QuorvelPath"},
                  "IQuorvelRss": {"GetString", "GetAttr", "MGetString", "MGetAttr", "GetDateStr", "ToXmlString"},
                  "IQuorvelAtom": {"GetElement", "GetElementAttr", "GetElementDateStr", "GetLinkHref", "GetPersonInfo",
                                   "GetTopAttr", "ToXmlString"}}
        for interface, expected in listed.items():
            flagged = {m.name for m in members.INTERFACES[interface].members if "null-on-failure" in m.flags}
            self.assertEqual(flagged, expected, interface)
        xml = xml_with()
        rss = quorvel.CreateObject("Quorvel.Rss")
        self.assertEqual(rss.LoadRssString("<rss version='2.0'><channel><title>T</title></channel></rss>"), 1)
        channel = rss.GetChannel(0)
        atom = quorvel.CreateObject("Quorvel.Atom")
        atom.NewFeed()
        rows = [
            (xml.GetChildContent, ("missing",), None), (xml.GetChildContentByIndex, (9,), None),
            (xml.GetChildTagByIndex, (9,), None), (xml.GetAttributeValue, (9,), None),
            (xml.GetAttrValue, ("missing",), None), (xml.TagContent, ("missing",), None),
            (xml.QuorvelPath, ("/A/nothing|*",), None), (channel.MGetString, ("title", 5), None),
            (channel.MGetAttr, ("title", 5, "x"), None), (atom.GetElementDateStr, ("missing", 0), None),
            (atom.GetLinkHref, ("missing",), None),
            # Listed, but where the object reports no failure the result is empty text, not null.
            (xml.GetAttributeName, (9,), ""), (channel.GetString, ("missing",), ""),
            (atom.GetElement, ("missing", 0), ""),
            # Not on the list: a failure still gives a string.
            (xml.GetChildTag, (9,), ""), (xml.AccumulateTagContent, ("missing", ""), ""),
        ]
        for method, args, expected in rows:
            with self.subTest(method=method, args=args):
                self.assertEqual(method(*args), expected)

    def test_results_of_true_false_members_are_the_integers_1_and_0(self):
        # (Every member's 1 on success: the member rows.) A failure is 0, and true given as an argument is 1.
        xml = xml_with()
        self.assertEqual([(type(r), r) for r in (xml.LoadXml("<a"), xml.HasChildWithTag("c"))], [(int, 0)] * 2)
        xml.Cdata = True
        self.assertEqual(xml.Cdata, 1)


class Objects(unittest.TestCase):
    def test_foreign_and_null_object_arguments_map_to_no_object(self):
        xml, atom = xml_with(), quorvel.CreateObject("Quorvel.Atom")
        foreign = support.dispatch_sink(support.IID_IDispatch, [])  # it knows no member by name
        raw = quorvel.DispatchPointer(foreign.address, add_ref=True)
        rss = quorvel.CreateObject("Quorvel.Rss")  # another class of this server is no Xml object
        for argument in (None, raw, rss):
            with self.subTest(argument=argument):
                self.assertEqual(xml.AddChildTree(argument), 0)
                self.assertEqual(xml.SwapNode(argument), 0)
                self.assertEqual(atom.AddElementDt("published", argument), -1)  # nor a date-time
        self.assertEqual((xml.NumChildren, atom.GetElementCount("published")), (3, 0))
        del raw
        self.assertEqual(foreign.references, 0)  # the server kept no reference

    def test_each_object_result_is_a_new_object_sharing_the_tree_and_outliving_its_parent(self):
        xml = xml_with()
        first, second = xml.GetChild(0), xml.GetChild(0)
        self.assertNotEqual(first._oleobj_, second._oleobj_)
        self.assertEqual(support.reference_count(first._oleobj_), 1)
        child = xml.GetChild(1)
        self.assertEqual(child.TreeId, xml.TreeId)
        child.Content = "changed"
        self.assertEqual(xml.GetChildContentByIndex(1), "changed")
        self.assertIsNone(xml.GetChild(99))
        del xml
        self.assertEqual(child.GetParent().Tag, "root")  # the tree lives while any node is held
        following = child.SearchForTag(None, "item")
        self.assertIsNone(child.SearchForTag(following, "item"))


class Variants(unittest.TestCase):
    def test_every_variant_form_of_the_same_document_loads_the_same_tree(self):
        expected = xml_with("<a>é</a>").GetXml()
        ansi = locale.getpreferredencoding(False)  # the system's code page for bytes that are not marked as text
        forms = ["<a>é</a>", "\ufeff<a>é</a>", "<a>é</a>".encode(ansi), bytearray("<a>é</a>".encode(ansi)),
                 (b"<a>", "é".encode(ansi), b"</a>"), ["<a>", "é</a>"]]
        for form in forms:
            with self.subTest(form=form):
                xml = quorvel.CreateObject("Quorvel.Xml")
                self.assertEqual(xml.LoadXmlV(form), 1)
                self.assertEqual(xml.GetXml(), expected)
        utf8 = quorvel.CreateObject("Quorvel.Xml")
        self.assertEqual((utf8.LoadXmlV(b"\xef\xbb\xbf<a>text</a>"), utf8.Content), (1, "text"))  # the mark is skipped
        self.assertEqual(quorvel.CreateObject("Quorvel.Xml").LoadXmlV(12), 0)  # no bytes: nothing to load
        empty = xml_with()  # no bytes in and out: an empty byte array both ways
        self.assertEqual((empty.SetBinaryContent(b"", 0, 0, ""), empty.GetBinaryContent(0, 0, "")), (1, b""))

    def test_encoded_words_write_text_in_the_charset_they_name_and_bytes_as_they_are(self):
        rows = [("QEncodeContent", "utf-8", "h\u00e9 \u20ac", "=?utf-8?Q?h=C3=A9_=E2=82=AC?="),
                ("QEncodeContent", "iso-8859-15", "h\u00e9 \u20ac", "=?iso-8859-15?Q?h=E9_=A4?="),
                ("QEncodeContent", "", "h\u00e9 \u20ac", "=?utf-8?Q?h=C3=A9_=E2=82=AC?="),
                ("QEncodeContent", "no-such-charset", "h\u00e9 \u20ac", "=?no-such-charset?Q?h=C3=A9_=E2=82=AC?="),
                ("QEncodeContent", "utf-8", b"h\xe9 \x80", "=?utf-8?Q?h=E9_=80?="),  # the bytes, unchanged
                ("BEncodeContent", "utf-8", "h\u00e9 \u20ac", "=?utf-8?B?aMOpIOKCrA==?="),
                ("BEncodeContent", "windows-1252", "h\u00e9 \u20ac", "=?windows-1252?B?aOkggA==?="),
                ("BEncodeContent", "utf-16le", "h\u00e9 \u20ac", "=?utf-16le?B?aADpACAArCA=?=")]
        for member, charset, data, expected in rows:
            with self.subTest(member=member, charset=charset, data=data):
                xml = xml_with("<r/>")
                self.assertEqual((getattr(xml, member)(charset, data), xml.Content), (1, expected))


class Dates(unittest.TestCase):
    OLE = [(datetime.datetime(1899, 12, 30), 0.0), (datetime.datetime(1899, 12, 31, 6), 1.25),
           (datetime.datetime(1899, 12, 29, 6), -1.25), (datetime.datetime(1899, 12, 30, 18), 0.75),
           (datetime.datetime(2026, 12, 7, 12, 30, 15, 250000), 46363 + 45015.25 / 86400),
           (datetime.datetime(1600, 2, 29, 23, 59, 59), None)]

    def test_automation_dates_convert_both_ways_to_the_millisecond(self):
        for value, ole in self.OLE:
            with self.subTest(value=value):
                if ole is not None:
                    self.assertAlmostEqual(variants.date_to_ole(value), ole, places=9)
                self.assertEqual(variants.ole_to_date(variants.date_to_ole(value)), value)
        self.assertEqual(variants.ole_to_date(1.0 - 1e-12), datetime.datetime(1899, 12, 31))  # rounds up
        with self.assertRaises(ValueError):
            variants.ole_to_date(1e9)

    def setUp(self):
        # A zone away from UTC, so that local time and UTC differ (the library reads TZ as set).
        zone = mock.patch.dict(os.environ, {"TZ": "America/New_York"})
        zone.start()
        self.addCleanup(time.tzset)
        self.addCleanup(zone.stop)
        time.tzset()

    def test_dates_round_trip_in_local_time_and_utc(self):
        utc = datetime.datetime(2024, 7, 1, 12, 0, 0)
        local = datetime.datetime(2024, 7, 1, 8, 0, 0)  # New York in summer
        atom = quorvel.CreateObject("Quorvel.Atom")
        atom.NewFeed()
        atom.AddElementDateStr("updated", "2024-07-01T12:00:00Z")
        stamp = atom.GetElementDt("updated", 0)
        self.assertEqual(stamp.GetAsOleDate(0), utc)
        self.assertEqual(stamp.GetAsOleDate(1), local)
        stamp.SetFromOleDate(1, local)
        self.assertEqual(stamp.GetAsOleDate(0), utc)
        self.assertEqual(stamp.GetAsRfc822(0), "Mon, 01 Jul 2024 12:00:00 GMT")
        self.assertEqual(atom.AddElementDt("published", stamp), 0)  # the index of the new element
        self.assertEqual(atom.GetElement("published", 0), "2024-07-01T12:00:00Z")
        self.assertEqual(atom.GetElementDateStr("published", 0), "Mon, 01 Jul 2024 12:00:00 GMT")
        self.assertEqual(atom.GetElementDate("published", 0), utc)  # the element's UTC clock time
        atom.AddElementDate("edited", local)  # an automation date going in is local time
        self.assertEqual(atom.GetElement("edited", 0), "2024-07-01T12:00:00Z")


class Dispatching(unittest.TestCase):
    def invoke(self, obj, dispid, flags, *args):
        return obj._oleobj_.Invoke(dispid, quorvel.LOCALE_USER_DEFAULT, flags, True, *args)

    def assertFails(self, hresult, call, *args):
        with self.assertRaises(quorvel.com_error) as caught:
            call(*args)
        self.assertEqual(caught.exception.hresult, hresult)
        return caught.exception

    def test_missing_identifiers_and_wrong_call_kinds_are_refused(self):
        xml = xml_with()
        method, get, put = quorvel.DISPATCH_METHOD, quorvel.DISPATCH_PROPERTYGET, quorvel.DISPATCH_PROPERTYPUT
        present = {m.dispid for m in members.INTERFACES["IQuorvelXml"].members}
        for dispid in [d for d in range(0, 160) if d not in present] + [-1, 100000]:
            self.assertFails(errors.DISP_E_MEMBERNOTFOUND, self.invoke, xml, dispid, method | get)
        self.assertFails(errors.DISP_E_MEMBERNOTFOUND, self.invoke, xml, 7, put, 3)  # NumChildren is read-only
        self.assertFails(errors.DISP_E_MEMBERNOTFOUND, self.invoke, xml, 13, get)  # GetXml is a method
        self.assertFails(errors.DISP_E_MEMBERNOTFOUND, self.invoke, xml, 7, method)  # NumChildren is a property
        self.assertEqual(self.invoke(xml, 7, method | get), 3)  # as script hosts read a value
        self.assertFails(errors.DISP_E_UNKNOWNNAME, xml._oleobj_.GetIDsOfNames, "NoSuchMember")
        self.assertEqual(xml._oleobj_.GetIDsOfNames("GetChildContent", "tag"), (8, 0))  # with argument names
        self.assertEqual(xml.getchildcontent("item"), "alpha")  # the host finds members in any case
        with self.assertRaises(AttributeError):
            xml.NoSuchMember
        with self.assertRaises(AttributeError):
            xml.NumChildren = 1

    def test_argument_counts_and_types_are_checked_and_coerced(self):
        xml = xml_with()
        self.assertEqual(self.assertFails(errors.DISP_E_BADPARAMCOUNT, xml.GetChild, 0, 1).args[0],
                         errors.DISP_E_BADPARAMCOUNT)
        # Text is no number, an object no tag, and text no object: the argument at fault, counted from the first.
        for method, args, position in ((xml.NewChildBefore, ("first", "x", ""), 0),
                                       (xml.NewChildAfter, (0, xml, "c"), 1), (xml.AddChildTree, ("<a/>",), 0)):
            with self.subTest(method=method):
                self.assertEqual(self.assertFails(errors.DISP_E_TYPEMISMATCH, method, *args).argerror, position)
        self.assertFails(errors.DISP_E_OVERFLOW, xml.GetChild, 2**40)
        self.assertEqual(xml.NumChildren, 3)  # nothing changed
        # Strings, doubles (rounded to even) and booleans (true is -1) serve as numbers.
        for index, tag in (("1", "item"), (1.4, "item"), (1.5, "empty"), (2.5, "empty"), (True, ""), (2, "empty")):
            with self.subTest(index=index):
                self.assertEqual(xml.GetChildTag(index), tag)
        self.assertEqual((xml.AddAttribute("n", 5), xml.GetAttrValue("n")), (1, "5"))  # a number as a string
        self.assertEqual(xml.GetChildContent(Tag="item"), "alpha")  # keywords by the table's names
        with self.assertRaises(TypeError):
            xml.GetChildContent(tag="item", Tag="item")


class Lifetimes(unittest.TestCase):
    def test_the_library_can_unload_once_every_object_and_lock_is_gone(self):
        self.assertEqual(support.collect(), errors.S_OK)
        xml = xml_with()
        child = xml.GetChild(0)
        self.assertEqual(support.reference_count(xml._oleobj_), 1)
        del xml
        self.assertEqual(support.collect(), errors.S_FALSE)
        del child
        self.assertEqual(support.collect(), errors.S_OK)
        atom = quorvel.CreateObject("Quorvel.Atom")
        atom.LoadXml("<feed xmlns='http://www.w3.org/2005/Atom'><updated>2024-01-01T00:00:00Z</updated></feed>")
        stamp = atom.GetElementDt("updated", 0)
        del atom
        self.assertEqual(support.collect(), errors.S_FALSE)  # the date-time object is the library's too
        del stamp
        self.assertEqual(support.collect(), errors.S_OK)

    def test_every_progid_creates_its_class_and_unknown_ones_fail(self):
        expected = {"QuorvelXml.QuorvelXml.1": "IQuorvelXml", "QuorvelXml.QuorvelXml": "IQuorvelXml",
                    "Quorvel.Xml.1": "IQuorvelXml", "Quorvel.Xml": "IQuorvelXml", "Quorvel.Rss.1": "IQuorvelRss",
                    "Quorvel.Rss": "IQuorvelRss", "Quorvel.Atom.1": "IQuorvelAtom", "Quorvel.Atom": "IQuorvelAtom"}
        self.assertEqual(set(quorvel.progid_map()), set(expected))
        for progid, interface in expected.items():
            created = quorvel.CreateObject(progid.lower())
            self.assertEqual(created._interface_.name, interface)
            self.assertEqual(quorvel.Dispatch(created._oleobj_)._interface_.name, interface)  # found again
        clsid = str(quorvel.progid_map()["Quorvel.Xml"])
        self.assertEqual(quorvel.CreateObject(clsid).LoadXml("<a/>"), 1)
        for name in ("Quorvel.Nothing", "{00000000-0000-0000-0000-000000000001}"):
            with self.assertRaises(quorvel.com_error):
                quorvel.CreateObject(name)


class BrowserHost(unittest.TestCase):
    def refused_calls(self, folder):
        path = os.path.join(folder, "out.xml")
        xml, rss, atom = xml_with(), quorvel.CreateObject("Quorvel.Rss"), quorvel.CreateObject("Quorvel.Atom")
        xml.SaveXml(path)
        calls = [(xml, lambda: xml.LoadXmlFile(path)), (xml, lambda: xml.LoadXmlFile2(path, 1)),
                 (xml, lambda: xml.SaveXml(path + "2")), (xml, lambda: xml.SaveLastError(path + "3")),
                 (xml, lambda: xml.SaveBinaryContent(path + "4", 0, 0, "")),
                 (xml, lambda: xml.SetBinaryContentFromFile(path, 0, 0, "")),
                 (xml, lambda: setattr(xml, "DebugLogFilePath", path + "5")),
                 (rss, lambda: rss.LoadRssFile(path)), (rss, lambda: rss.SaveLastError(path + "6")),
                 (rss, lambda: setattr(rss, "DebugLogFilePath", path + "7")),
                 (atom, lambda: atom.SaveLastError(path + "8")),
                 (atom, lambda: setattr(atom, "DebugLogFilePath", path + "9"))]
        return xml, calls

    def test_file_members_fail_in_a_browser_and_work_elsewhere(self):
        with tempfile.TemporaryDirectory() as folder:
            xml, calls = self.refused_calls(folder)
            before = xml.GetXml()
            browser, plain = support.client_site(True), support.client_site(False)
            bare = support.client_site(False, services=False)
            for owner, call in calls:
                self.assertEqual(support.set_client_site(owner, browser), 0)
                with self.assertRaises(quorvel.com_error) as caught:
                    call()
                self.assertEqual(caught.exception.hresult, errors.E_FAIL)
            self.assertEqual(sorted(os.listdir(folder)), ["out.xml"])  # nothing written
            self.assertEqual(xml.GetXml(), before)  # nothing loaded
            self.assertEqual(xml.LoadXml("<still/>"), 1)  # members without files still work
            self.assertEqual(xml.DebugLogFilePath, "")  # and so does the get side of a refused put
            for site, (owner, call) in itertools.product((plain, bare), calls):  # sites that are no browser
                self.assertEqual(support.set_client_site(owner, site), 0)
                self.assertEqual(support.client_site_of(owner), site.pointer(support.IID_IOleClientSite))
                call()
            self.assertIn("out.xml4", os.listdir(folder))
            for owner, _ in calls:
                support.set_client_site(owner, None)
            del xml, calls, owner, call
            support.collect()
            self.assertEqual([s.references for s in (browser, plain, bare)], [0, 0, 0])  # the sites were released


class ControlInterfaces(unittest.TestCase):
    def test_connection_points_take_and_release_advisers_and_the_xml_event_is_never_raised(self):
        xml, calls, held = xml_with(), [], []
        events = quorvel.GUID.parse(members.INTERFACES["_IQuorvelXmlEvents"].iid)
        property_sink, event_sink = support.property_sink([]), support.dispatch_sink(events, calls)
        for iid, sink, other in ((support.IID_IPropertyNotifySink, property_sink, event_sink),
                                 (events, event_sink, property_sink)):
            point = support.connection_point(xml, iid)
            self.assertEqual(support.advise(point, other.address), (support.CONNECT_E_CANNOTCONNECT, 0))  # wrong sink
            (hr, cookie), (again, second) = support.advise(point, sink.address), support.advise(point, sink.address)
            self.assertEqual((hr, again, cookie != 0, second != cookie), (0, 0, True, True))
            self.assertGreater(sink.references, 0)
            with tempfile.TemporaryDirectory() as folder:  # large loads, from text and from a file
                self.assertEqual(xml.LoadXml("<root>" + "<item>text</item>" * 20000 + "</root>"), 1)
                self.assertEqual((xml.SaveXml(os.path.join(folder, "d.xml")),
                                  xml.LoadXmlFile(os.path.join(folder, "d.xml"))), (1, 1))
            self.assertEqual(calls, [])
            self.assertEqual(support.unadvise(point, cookie), 0)
            self.assertNotEqual(support.unadvise(point, cookie), 0)  # only once
            held.append(point)  # the second adviser is left to the object's end
        self.assertEqual(support.enumerated_points(xml), 2)
        del xml, point
        support.collect()
        self.assertGreater(min(property_sink.references, event_sink.references), 0)  # a held point keeps the object
        del held
        support.collect()
        self.assertEqual((property_sink.references, event_sink.references), (0, 0))
        rss = quorvel.CreateObject("Quorvel.Rss")
        support.connection_point(rss, support.IID_IPropertyNotifySink)
        with self.assertRaises(quorvel.com_error):
            support.connection_point(rss, quorvel.GUID.parse(members.INTERFACES["_IQuorvelXmlEvents"].iid))


if __name__ == "__main__":
    unittest.main()
