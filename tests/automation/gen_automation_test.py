#!/usr/bin/env python3
"""Tests of tools/gen_automation.py: clear errors on a bad member table, --check on stale
outputs and the dispatch tables. (The IDL compiled by widl, its slots in table order: the mingw
build, which registers the type library and reads its layout in tests/windows/client.)"""
import pathlib
import re
import sys
import tempfile
import unittest

ROOT = pathlib.Path(__file__).resolve().parents[2]
sys.dont_write_bytecode = True  # keep the source folders free of __pycache__
sys.path[:0] = [str(ROOT / "tools")]
import gen_automation as gen  # noqa: E402

GOOD = """\
library LIB 1.0 {00000000-0000-0000-0000-000000000001} "Lib"
coclass Thing {00000000-0000-0000-0000-000000000002} IThing _IThingEvents "Thing Class"
progid Thing Lib.Thing.1 Lib.Thing
registry Thing 102 107
interface _IThingEvents dispinterface - {00000000-0000-0000-0000-000000000003}
interface IThing dual ClsXml {00000000-0000-0000-0000-000000000004}
1 | Tag      | get+put | -                 | string | =        |
2 | ZipTree  | method  | -                 | bool   | =        |
3 | Zip      | method  | -                 | bool   | ZipTree  |
4 | Find     | method  | string Tag, long n | IQuorvelXml | =   |
"""
IXML = "interface IQuorvelXml dual - {00000000-0000-0000-0000-000000000005}\n"


class TableErrors(unittest.TestCase):
    def assertRefused(self, text, *fragments):
        with self.assertRaises(gen.TableError) as caught:
            gen.parse(text, "t.txt")
        for fragment in fragments:
            self.assertIn(fragment, str(caught.exception))

    def test_good_table_parses(self):
        table = gen.parse(GOOD + IXML, "t.txt")
        thing = table.interface("IThing")
        self.assertEqual([m.dispid for m in thing.members], [1, 2, 3, 4])
        self.assertEqual(thing.members[2].binding, "ZipTree")
        self.assertEqual(thing.members[3].args, [("string", "Tag"), ("long", "n")])

    def test_bad_member_lines_name_their_line(self):
        cases = [
            ("5 | Bad | method | - | bool | =", "t.txt:11:", "7 cells"),
            ("1 | Other | method | - | bool | = |", "t.txt:11:", "DISPID 1 is taken by Tag"),
            ("5 | tag | method | - | bool | = |", "t.txt:11:", "tag is listed twice"),
            ("5 | Bad | method | text s | bool | = |", "unknown type 'text'"),
            ("5 | Bad | method | - | number | = |", "unknown type 'number'"),
            ("5 | Bad | function | - | bool | = |", "unknown kind 'function'"),
            ("5 | Bad | method | - | bool | = | fast", "unknown flag 'fast'"),
            ("x | Bad | method | - | bool | = |", "positive number"),
            ("0 | Bad | method | - | bool | = |", "positive number"),
            ("5 | Bad | method | long | bool | = |", "'type name'"),
            ("5 | Bad | method | long a, long a | bool | = |", "repeats"),
            ("5 | Bad | method | - | bool | - |", "exactly when its interface names a class"),
            ("5 | Bad | get | long a | bool | = |", "a property lists no arguments"),
            ("5 | Bad | method | - | bool | = | null-on-failure", "null-on-failure needs a string result"),
            ("5 | Bad | method | - | bool | = | put-refused-in-browser", "needs a put side"),
            ("5 | Bad | method | variant v | bool | = | variant-text-in-charset", "needs a string and a variant"),
            ("5 | Bad | method | - | bool | Nowhere |", "Nowhere, which is not a member bound to itself"),
            ("5 | Bad | method | - | bool | Zip |", "Zip, which is not a member bound to itself"),
            ("5 | Bad | method | long a | bool | ZipTree |", "differs in shape from ZipTree"),
            ("5 | Bad | method | - | IQuorvelAtom | = |", "no interface IQuorvelAtom"),
        ]
        for line, *fragments in cases:
            with self.subTest(line=line):
                self.assertRefused(GOOD + line + "\n" + IXML, *fragments)

    def test_bad_header_lines(self):
        self.assertRefused("1 | A | method | - | - | = |\n", "t.txt:1:", "before the first interface")
        self.assertRefused(GOOD.replace("{00000000-0000-0000-0000-000000000004}", "{1234}") + IXML, "not a GUID")
        self.assertRefused(GOOD.replace("000000000004}", "000000000003}") + IXML, "a GUID is used twice")
        self.assertRefused(GOOD.replace("dual ClsXml", "custom ClsXml") + IXML, "dual or dispinterface")
        self.assertRefused(GOOD.replace("dual ClsXml", "dual ClsNone") + IXML, "unknown internal class ClsNone")
        self.assertRefused(GOOD.replace("progid Thing", "progid Other") + IXML, "progid for a coclass not listed")
        self.assertRefused(GOOD.replace("registry Thing", "registry Other") + IXML, "registry resources for a coclass")
        self.assertRefused(GOOD.replace("registry Thing 102", "registry Thing 0") + IXML, "the script's above 0")
        self.assertRefused(GOOD.replace("registry Thing 102 107\n", "") + IXML, "coclass Thing: no registry line")
        self.assertRefused(GOOD.replace("IThing _IThingEvents", "_IThingEvents IThing") + IXML,
                           "_IThingEvents is not a dual interface")
        self.assertRefused(GOOD + IXML + "interface IThing dual - {00000000-0000-0000-0000-000000000009}\n",
                           "interface IThing is listed twice")
        self.assertRefused(GOOD.replace('"Lib"', "") + IXML, "not a header line of a known form")


class CheckMode(unittest.TestCase):
    def test_check_fails_on_a_stale_or_missing_output_and_passes_when_current(self):
        with tempfile.TemporaryDirectory() as folder:
            saved = gen.OUT, gen.PYTHON_OUT
            gen.OUT, gen.PYTHON_OUT = pathlib.Path(folder) / "generated", pathlib.Path(folder) / "quorvel"
            try:
                self.assertEqual(gen.main(["gen", "--check"]), 1)  # nothing written yet
                self.assertEqual(gen.main(["gen"]), 0)
                self.assertEqual(gen.main(["gen", "--check"]), 0)
                idl = gen.OUT / "QuorvelXml.idl"
                idl.write_text(idl.read_text(encoding="utf-8").replace("id(8)", "id(9)"), encoding="utf-8")
                self.assertEqual(gen.main(["gen", "--check"]), 1)
            finally:
                gen.OUT, gen.PYTHON_OUT = saved


class DispatchTable(unittest.TestCase):
    def test_each_member_side_gets_its_thunk_in_table_order(self):
        text = GOOD + "5 | Load | method | variant v | bool | LoadXml2 | variant-as-xml-text\n" + \
            "6 | Only | put | - | long | = |\n" + \
            "7 | Word | method | string c, variant v | bool | = | variant-text-in-charset\n" + IXML
        tables = gen.dispatch_tables(gen.parse(text, "t.txt"))
        # One header per interface with a class (the events, IQuorvelXml here, have none).
        self.assertEqual([path.name for path in tables], ["IThingThunks.h"])
        table = "".join(tables.values())
        self.assertEqual(re.findall(r"k(\w+)Thunks\[\]", table), ["IThing"])
        exact = lambda call, signature, method: f"&{call}<ClsXml, Exact<{signature}>::of(&ClsXml::{method})>"
        # (get or method, name, put): an alias instantiates its target's thunk; LoadXmlV's loader takes the
        # text and autoTrim; the encoded-word members read their string data in the charset they are given.
        self.assertEqual(re.findall(r"^    \{(.*),  // (\w+)\n     (.*)\},$", table, re.M), [
            (exact("call", "void, XString &", "get_Tag"), "Tag", exact("call", "void, const XString &", "put_Tag")),
            (exact("call", "bool", "ZipTree"), "ZipTree", "nullptr"),
            (exact("call", "bool", "ZipTree"), "Zip", "nullptr"),
            (exact("call", "std::unique_ptr<ClsXml>, const XString &, int", "Find"), "Find", "nullptr"),
            (exact("callXmlText", "bool, const XString &, bool", "LoadXml2"), "Load", "nullptr"),
            ("nullptr", "Only", exact("call", "void, int", "put_Only")),
            (exact("callCharsetText", "bool, const XString &, const DataBuffer &", "Word"), "Word", "nullptr")])


if __name__ == "__main__":
    unittest.main()
