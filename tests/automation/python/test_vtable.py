"""The dual interfaces' vtable: every member side in its type library slot (after IDispatch's
seven), called with typed arguments the way an early-bound client calls it, gives what the same
call through Invoke gives, on a fresh object each time."""
import ctypes
import datetime
import os
import tempfile
import unittest

import quorvel
from quorvel import members, _native as native, _variants as variants

DOC = '<root a="1"><item id="1">alpha</item><item id="2">beta</item><n>5</n></root>'
RSS = ('<rss version="2.0"><channel><title>News</title><item><title>One</title>'
       '<pubDate>Mon, 01 Jul 2024 12:00:00 GMT</pubDate></item></channel></rss>')
ATOM = ('<feed xmlns="http://www.w3.org/2005/Atom"><title>Feed</title><updated>2024-07-01T12:00:00Z</updated>'
        '<entry><title>E1</title></entry></feed>')
WHEN = datetime.datetime(2025, 1, 2, 3, 4, 5)


def loaded(progid, method, doc):
    made = quorvel.CreateObject(progid)
    getattr(made, method)(doc)
    return made


FRESH = {"IQuorvelXml": lambda: loaded("Quorvel.Xml", "LoadXml", DOC),
         "IQuorvelRss": lambda: loaded("Quorvel.Rss", "LoadRssString", RSS).GetChannel(0),
         "IQuorvelAtom": lambda: loaded("Quorvel.Atom", "LoadXml", ATOM),
         "IQvDateTime": lambda: loaded("Quorvel.Atom", "LoadXml", ATOM).GetElementDt("updated", 0)}


def slots(interface):
    """(slot, member, side) in the type library's order."""
    out, slot = [], 7
    for member in members.INTERFACES[interface].members:
        for side in (["method"] if member.kind == "method" else [s for s in ("get", "put") if s in member.kind]):
            out.append((slot, member, side))
            slot += 1
    return out


def values_for(member, side, folder):
    """Arguments of each declared type; file members get paths inside the test's folder."""
    types = [t for t, _ in member.args] if side == "method" else [member.result] if side == "put" else []
    files = "refused-in-browser" in member.flags or member.name == "DebugLogFilePath"
    text = os.path.join(folder, member.name) if files else "item"
    sample = {"string": text, "long": 1, "bool": 1, "date": WHEN, "variant": b"<v>data</v>"}
    return [(t, None if t in variants.OBJECT_TYPES else sample[t]) for t in types]


def view(value, result_type):
    if isinstance(value, quorvel.Dispatch):
        kind = value._interface_.name if value._interface_ else result_type
        return {"IQuorvelXml": lambda: value.GetXml(), "IQuorvelRss": lambda: value.ToXmlString(),
                "IQuorvelAtom": lambda: value.ToXmlString(), "IQvDateTime": lambda: value.GetAsRfc822(0)}[kind]()
    if isinstance(value, str) and "QuorvelLog" in value:
        return value.replace("\r\n", "\n")
    return value


# The C type of each table type, as argument and as the target of a result pointer.
NATIVE = {"string": ctypes.c_void_p, "long": ctypes.c_int32, "bool": ctypes.c_int32, "date": ctypes.c_double,
          "variant": native.VARIANT}


def by_vtable(obj, interface, slot, member, side, values):
    library = variants._library()
    types, actual, strings, holders = [], [], [], []
    for kind, value in values:
        if kind in variants.OBJECT_TYPES:  # the rows pass no object: a null pointer
            kind, value = "string", None
        elif kind == "string":
            value = variants.new_bstr(value)
            strings.append(value)
        elif kind == "date":
            value = variants.date_to_ole(value)
        elif kind == "variant":
            holders.append(native.VARIANT())
            variants.to_variant(value, holders[-1])
            value = holders[-1]
        types.append(NATIVE[kind])
        actual.append(value)
    result = member.result if side != "put" else None
    out = None if result is None else (ctypes.c_void_p if result in variants.OBJECT_TYPES else NATIVE[result])()
    if out is not None:
        types.append(ctypes.c_void_p)
        actual.append(ctypes.addressof(out))
    hr = obj._oleobj_.QueryInterface(members.INTERFACES[interface].iid).call(slot, tuple(types), *actual)
    for bstr in strings:
        library.SysFreeString(bstr)
    for holder in holders:
        library.VariantClear(ctypes.byref(holder))
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
    return variants.ole_to_date(out.value) if result == "date" else out.value if out is not None else None


def by_invoke(obj, member, side, values):
    args = [v for _, v in values]
    if side == "method":
        return getattr(obj, member.name)(*args)
    if side == "get":
        return getattr(obj, member.name)
    setattr(obj, member.name, args[0])
    return None


class DualVtable(unittest.TestCase):
    def test_every_slot_gives_what_invoke_gives(self):
        with tempfile.TemporaryDirectory() as folder:
            for interface in FRESH:
                for slot, member, side in slots(interface):
                    with self.subTest(interface=interface, member=member.name, side=side):
                        values = values_for(member, side, folder)
                        through_invoke, through_vtable = FRESH[interface](), FRESH[interface]()
                        expected = view(by_invoke(through_invoke, member, side, values), member.result)
                        got = view(by_vtable(through_vtable, interface, slot, member, side, values), member.result)
                        if member.name in ("TreeId", "SetFromCurrentSystemTime"):
                            continue  # differs per object and per moment, by design
                        self.assertEqual(got, expected)
                        if side == "put":  # the value landed where the get reads it
                            self.assertEqual(view(getattr(through_vtable, member.name), member.result),
                                             view(getattr(through_invoke, member.name), member.result))

    def test_object_results_come_as_the_dual_interface_and_null_strings_as_null(self):
        xml = FRESH["IQuorvelXml"]()
        table = {m.name: (slot, m) for slot, m, side in slots("IQuorvelXml") if side == "method"}
        child = by_vtable(xml, "IQuorvelXml", *table["GetChild"], "method", [("long", 1)])
        self.assertEqual(child.Content, "beta")
        dual = child._oleobj_.QueryInterface(members.INTERFACES["IQuorvelXml"].iid)
        self.assertEqual(dual.address, child._oleobj_.address)  # handed out as the dual interface
        content = table["GetChildContent"]
        self.assertIsNone(by_vtable(xml, "IQuorvelXml", *content, "method", [("string", "none")]))
        self.assertEqual(by_vtable(xml, "IQuorvelXml", *content, "method", [("string", "n")]), "5")


if __name__ == "__main__":
    unittest.main()
