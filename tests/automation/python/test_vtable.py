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


def fresh(interface):
    if interface == "IQuorvelXml":
        made = quorvel.CreateObject("Quorvel.Xml")
        made.LoadXml(DOC)
    elif interface == "IQuorvelRss":
        made = quorvel.CreateObject("Quorvel.Rss")
        made.LoadRssString(RSS)
        made = made.GetChannel(0)
    else:
        made = quorvel.CreateObject("Quorvel.Atom")
        made.LoadXml(ATOM)
        if interface == "IQvDateTime":
            made = made.GetElementDt("updated", 0)
    return made


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


LONG, DATE = ctypes.c_int32, ctypes.c_double
IN = {"string": ctypes.c_void_p, "long": LONG, "bool": LONG, "date": DATE, "variant": native.VARIANT}
OUT = {"string": ctypes.c_void_p, "long": LONG, "bool": LONG, "date": DATE, "variant": native.VARIANT}


def by_vtable(obj, interface, slot, member, side, values):
    dual = obj._oleobj_.QueryInterface(members.INTERFACES[interface].iid)
    types, actual, keep = [], [], []
    for kind, value in values:
        if kind in variants.OBJECT_TYPES:
            types.append(ctypes.c_void_p)
            actual.append(None)
        elif kind == "string":
            bstr = variants.new_bstr(value)
            keep.append(bstr)
            types.append(ctypes.c_void_p)
            actual.append(bstr)
        elif kind == "date":
            types.append(DATE)
            actual.append(variants.date_to_ole(value))
        elif kind == "variant":
            holder = native.VARIANT()
            variants.to_variant(value, holder)
            keep.append(holder)
            types.append(native.VARIANT)
            actual.append(holder)
        else:
            types.append(LONG)
            actual.append(value)
    result_type = member.result if side != "put" else None
    out = None
    if result_type in variants.OBJECT_TYPES or result_type == "string":
        out = ctypes.c_void_p()
    elif result_type:
        out = OUT[result_type]()
    if out is not None:
        types.append(ctypes.c_void_p)
        actual.append(ctypes.addressof(out))
    hr = dual.call(slot, tuple(types), *actual)
    library = variants._library()
    for item in keep:
        if isinstance(item, native.VARIANT):
            library.VariantClear(ctypes.byref(item))
        else:
            library.SysFreeString(item)
    if hr < 0:
        raise quorvel.com_error(hr)
    if result_type is None:
        return None
    if result_type == "string":
        text = variants.read_bstr(out.value)
        library.SysFreeString(out.value)
        return text
    if result_type in variants.OBJECT_TYPES:
        return quorvel.Dispatch(quorvel.DispatchPointer(out.value), result_type) if out.value else None
    if result_type == "date":
        return variants.ole_to_date(out.value)
    if result_type == "variant":
        try:
            return variants.from_variant(out)
        finally:
            library.VariantClear(ctypes.byref(out))
    return out.value


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
            for interface in ("IQuorvelXml", "IQuorvelRss", "IQuorvelAtom", "IQvDateTime"):
                for slot, member, side in slots(interface):
                    with self.subTest(interface=interface, member=member.name, side=side):
                        values = values_for(member, side, folder)
                        through_invoke, through_vtable = fresh(interface), fresh(interface)
                        expected = view(by_invoke(through_invoke, member, side, values), member.result)
                        got = view(by_vtable(through_vtable, interface, slot, member, side, values), member.result)
                        if member.name in ("TreeId", "SetFromCurrentSystemTime"):
                            continue  # differs per object and per moment, by design
                        self.assertEqual(got, expected)
                        if side == "put":  # the value landed where the get reads it
                            self.assertEqual(view(getattr(through_vtable, member.name), member.result),
                                             view(getattr(through_invoke, member.name), member.result))

    def test_object_results_come_as_the_dual_interface_and_null_strings_as_null(self):
        xml = fresh("IQuorvelXml")
        table = {m.name: (slot, m) for slot, m, side in slots("IQuorvelXml") if side == "method"}
        slot, get_child = table["GetChild"]
        child = by_vtable(xml, "IQuorvelXml", slot, get_child, "method", [("long", 1)])
        self.assertEqual(child.Content, "beta")
        dual = child._oleobj_.QueryInterface(members.INTERFACES["IQuorvelXml"].iid)
        self.assertEqual(dual.address, child._oleobj_.address)  # handed out as the dual interface
        slot, content = table["GetChildContent"]
        self.assertIsNone(by_vtable(xml, "IQuorvelXml", slot, content, "method", [("string", "none")]))
        self.assertEqual(by_vtable(xml, "IQuorvelXml", slot, content, "method", [("string", "n")]), "5")


if __name__ == "__main__":
    unittest.main()
