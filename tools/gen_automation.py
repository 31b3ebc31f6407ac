#!/usr/bin/env python3
"""Writes the automation sources from the member table automation/members.txt: in
automation/generated/ the C++ descriptors, the compile-time binding check, the dispatcher's table
of call thunks and the IDL; in automation/python/quorvel/ the Python host's member list. With --check, writes nothing
and exits 1 when a committed file differs from what the table gives."""
import pathlib
import re
import sys
from dataclasses import dataclass, field

ROOT = pathlib.Path(__file__).resolve().parent.parent
TABLE = ROOT / "automation" / "members.txt"
OUT = ROOT / "automation" / "generated"
PYTHON_OUT = ROOT / "automation" / "python" / "quorvel"

OBJECTS = {"IQuorvelXml": "ClsXml", "IQuorvelRss": "ClsRss", "IQuorvelAtom": "ClsAtom", "IQvDateTime": "ClsDateTime"}
TYPES = {"string", "long", "bool", "date", "variant", *OBJECTS}
KINDS = {"method", "get", "put", "get+put"}
FLAGS = {"null-on-failure", "refused-in-browser", "put-refused-in-browser", "progress-sink", "variant-as-xml-text",
         "variant-text-in-charset"}
CLASS_HEADERS = {"ClsXml": "xml/object/ClsXml.h", "ClsRss": "feeds/ClsRss.h", "ClsAtom": "feeds/ClsAtom.h",
                 "ClsDateTime": "datetime/ClsDateTime.h"}
NAME = re.compile(r"[A-Za-z_][A-Za-z0-9_]*$")
GUID = re.compile(r"\{([0-9A-F]{8})-([0-9A-F]{4})-([0-9A-F]{4})-([0-9A-F]{4})-([0-9A-F]{12})\}$")


class TableError(Exception):
    pass


@dataclass
class Member:
    dispid: int
    name: str
    kind: str
    args: list  # [(type, name)]
    result: str  # None for no result
    binding: str  # None when the interface has no internal class
    flags: list


@dataclass
class Interface:
    name: str
    kind: str  # dual or dispinterface
    cls: str  # the internal class, None for none
    iid: str
    members: list = field(default_factory=list)


@dataclass
class Library:
    name: str
    major: int
    minor: int
    libid: str
    help_string: str


@dataclass
class CoClass:
    name: str
    clsid: str
    default: str
    events: str
    description: str
    progids: list = field(default_factory=list)  # [(versioned, independent)]
    script: int = 0  # the REGISTRY resource holding its registry script
    bitmap: int = 0  # its toolbox BITMAP resource; 0 for a class that is no insertable control


@dataclass
class External:
    name: str
    clsid: str
    interface: str


@dataclass
class Table:
    library: Library = None
    coclasses: list = field(default_factory=list)
    externals: list = field(default_factory=list)
    interfaces: list = field(default_factory=list)

    def interface(self, name):
        return next((i for i in self.interfaces if i.name == name), None)


# ---- parsing

def split_words(text):
    """Words separated by blanks, with one trailing quoted string kept whole."""
    quoted = None
    if text.endswith('"') and text.count('"') == 2:
        text, quoted = text[:text.index('"')], text[text.index('"') + 1:-1]
    words = text.split()
    return words + [quoted] if quoted is not None else words


def guid(text):
    if not GUID.match(text):
        raise TableError(f"not a GUID in braces (upper-case hex): {text}")
    return text[1:-1]


def identifier(text, what):
    if not NAME.match(text):
        raise TableError(f"not a valid {what} name: {text!r}")
    return text


def parse_type(text, allow_none):
    if allow_none and text == "-":
        return None
    if text not in TYPES:
        raise TableError(f"unknown type {text!r} (known: {', '.join(sorted(TYPES))})")
    return text


def parse_args(text):
    if text == "-":
        return []
    args = []
    for part in text.split(","):
        words = part.split()
        if len(words) != 2:
            raise TableError(f"an argument is 'type name': {part.strip()!r}")
        args.append((parse_type(words[0], False), identifier(words[1], "argument")))
    names = [arg_name for _, arg_name in args]
    if len(set(names)) != len(names):
        raise TableError(f"an argument name repeats: {text}")
    return args


def parse_member(line, interface):
    cells = [cell.strip() for cell in line.split("|")]
    if len(cells) != 7:
        raise TableError(f"a member line has 7 cells separated by '|', this one {len(cells)}")
    dispid, member, kind, args, result, binding, flags = cells
    if not dispid.isdigit() or int(dispid) == 0:
        raise TableError(f"the DISPID is a positive number: {dispid!r}")
    if kind not in KINDS:
        raise TableError(f"unknown kind {kind!r} (known: {', '.join(sorted(KINDS))})")
    flag_list = flags.split()
    for flag in flag_list:
        if flag not in FLAGS:
            raise TableError(f"unknown flag {flag!r} (known: {', '.join(sorted(FLAGS))})")
    if binding == "=":
        binding = member
    elif binding == "-":
        binding = None
    else:
        identifier(binding, "binding")
    if (binding is None) != (interface.cls is None):
        raise TableError("a member binds to a method exactly when its interface names a class")
    m = Member(int(dispid), identifier(member, "member"), kind, parse_args(args), parse_type(result, True), binding,
               flag_list)
    check_member(m)
    return m


def check_member(m):
    if m.kind != "method" and (m.args or m.result is None):
        raise TableError(f"{m.name}: a property lists no arguments and has a result type")
    if "null-on-failure" in m.flags and m.result != "string":
        raise TableError(f"{m.name}: null-on-failure needs a string result")
    if "put-refused-in-browser" in m.flags and "put" not in m.kind:
        raise TableError(f"{m.name}: put-refused-in-browser needs a put side")
    if ("progress-sink" in m.flags or "refused-in-browser" in m.flags) and m.kind != "method":
        raise TableError(f"{m.name}: progress-sink and refused-in-browser are for methods")
    if "variant-as-xml-text" in m.flags and [t for t, _ in m.args] != ["variant"]:
        raise TableError(f"{m.name}: variant-as-xml-text needs exactly one variant argument")
    if "variant-text-in-charset" in m.flags and [t for t, _ in m.args] != ["string", "variant"]:
        raise TableError(f"{m.name}: variant-text-in-charset needs a string and a variant argument")


def parse_header(words, table):
    keyword = words[0]
    if keyword == "library" and len(words) == 5:
        major, _, minor = words[2].partition(".")
        if not (major.isdigit() and minor.isdigit()):
            raise TableError(f"a library version is MAJOR.MINOR: {words[2]}")
        table.library = Library(identifier(words[1], "library"), int(major), int(minor), guid(words[3]), words[4])
    elif keyword == "coclass" and len(words) == 6:
        table.coclasses.append(CoClass(identifier(words[1], "coclass"), guid(words[2]), words[3], words[4], words[5]))
    elif keyword == "progid" and len(words) == 4:
        coclass = next((c for c in table.coclasses if c.name == words[1]), None)
        if coclass is None:
            raise TableError(f"progid for a coclass not listed above: {words[1]}")
        coclass.progids.append((words[2], words[3]))
    elif keyword == "registry" and len(words) == 4:
        coclass = next((c for c in table.coclasses if c.name == words[1]), None)
        if coclass is None:
            raise TableError(f"registry resources for a coclass not listed above: {words[1]}")
        if not (words[2].isdigit() and words[3].isdigit() and int(words[2]) > 0):
            raise TableError(f"registry resources are numbers, the script's above 0: {' '.join(words[2:])}")
        coclass.script, coclass.bitmap = int(words[2]), int(words[3])
    elif keyword == "external" and len(words) == 4:
        table.externals.append(External(identifier(words[1], "class"), guid(words[2]), words[3]))
    elif keyword == "interface" and len(words) == 5:
        if words[2] not in ("dual", "dispinterface"):
            raise TableError(f"an interface is dual or dispinterface, not {words[2]!r}")
        if table.interface(words[1]):
            raise TableError(f"interface {words[1]} is listed twice")
        cls = None if words[3] == "-" else words[3]
        if cls is not None and cls not in CLASS_HEADERS:
            raise TableError(f"unknown internal class {cls} (known: {', '.join(sorted(CLASS_HEADERS))})")
        table.interfaces.append(Interface(identifier(words[1], "interface"), words[2], cls, guid(words[4])))
    else:
        raise TableError(f"not a header line of a known form: {' '.join(words)}")


def parse(text, source="members.txt"):
    table = Table()
    for number, line in enumerate(text.splitlines(), 1):
        line = line.strip()
        if not line or line.startswith("#"):
            continue
        try:
            if "|" not in line:
                parse_header(split_words(line), table)
                continue
            if not table.interfaces:
                raise TableError("a member line before the first interface line")
            interface = table.interfaces[-1]
            member = parse_member(line, interface)
            for other in interface.members:
                if other.dispid == member.dispid:
                    raise TableError(f"DISPID {member.dispid} is taken by {other.name} in {interface.name}")
                if other.name.lower() == member.name.lower():
                    raise TableError(f"{member.name} is listed twice in {interface.name}")
            interface.members.append(member)
        except TableError as error:
            raise TableError(f"{source}:{number}: {error}") from None
    check_table(table, source)
    return table


def check_table(table, source):
    def fail(message):
        raise TableError(f"{source}: {message}")

    if table.library is None:
        fail("no library line")
    for coclass in table.coclasses:
        default, events = table.interface(coclass.default), table.interface(coclass.events)
        if not coclass.script:
            fail(f"coclass {coclass.name}: no registry line")
        if not (default and default.kind == "dual"):
            fail(f"coclass {coclass.name}: {coclass.default} is not a dual interface of the table")
        if not (events and events.kind == "dispinterface"):
            fail(f"coclass {coclass.name}: {coclass.events} is not a dispinterface of the table")
        if not coclass.progids:
            fail(f"coclass {coclass.name} has no progid line")
    for external in table.externals:
        if not table.interface(external.interface):
            fail(f"external {external.name}: no interface {external.interface}")
    guids = [table.library.libid] + [c.clsid for c in table.coclasses] + [e.clsid for e in table.externals]
    guids += [i.iid for i in table.interfaces]
    if len(set(guids)) != len(guids):
        fail("a GUID is used twice")
    for interface in table.interfaces:
        for member in interface.members:
            for arg_type in [t for t, _ in member.args] + [member.result]:
                if arg_type in OBJECTS and not table.interface(arg_type):
                    fail(f"{interface.name}.{member.name}: no interface {arg_type}")
            if member.binding and member.binding != member.name and "variant-as-xml-text" not in member.flags:
                check_alias(interface, member, fail)


def check_alias(interface, member, fail):
    """An alias names the member that holds the shared operation, with the same shape."""
    target = next((m for m in interface.members if m.name == member.binding), None)
    if target is None or target.binding != target.name:
        fail(f"{interface.name}.{member.name}: binds to {member.binding}, which is not a member bound to itself")
    if (target.kind, target.args, target.result) != (member.kind, member.args, member.result):
        fail(f"{interface.name}.{member.name}: differs in shape from {member.binding}, which it shares")


# ---- C++ descriptors

CPP_TYPES = {None: "None", "string": "String", "long": "Long", "bool": "Bool", "date": "Date", "variant": "Variant",
             "IQuorvelXml": "Xml", "IQuorvelRss": "Rss", "IQuorvelAtom": "Atom", "IQvDateTime": "DateTime"}
CPP_KINDS = {"method": "Method", "get": "Get", "put": "Put", "get+put": "GetPut"}
CPP_FLAGS = {"null-on-failure": "kNullOnFailure", "refused-in-browser": "kRefusedInBrowser",
             "put-refused-in-browser": "kPutRefusedInBrowser", "progress-sink": "kProgressSink",
             "variant-as-xml-text": "kVariantAsXmlText", "variant-text-in-charset": "kVariantTextInCharset"}
GENERATED = "Generated by tools/gen_automation.py from automation/members.txt; do not edit."


def cpp_guid(text):
    parts = text.split("-")
    tail = parts[3] + parts[4]
    data4 = ", ".join(f"0x{tail[i:i + 2]}" for i in range(0, 16, 2))
    return f"{{0x{parts[0]}, 0x{parts[1]}, 0x{parts[2]}, {{{data4}}}}}"


def cpp_string(text):
    return "nullptr" if text is None else '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def descriptors(table):
    out = [f"// {GENERATED}", "#pragma once", '#include "automation/MemberDescriptor.h"', "",
           "namespace quorvel::automation {", ""]
    lib = table.library
    out.append(f"inline constexpr TypeLibrary kTypeLibrary{{{cpp_string(lib.name)}, {cpp_guid(lib.libid)}, {lib.major}, "
               f"{lib.minor}, {cpp_string(lib.help_string)}}};")
    for interface in table.interfaces:
        out += ["", f"// ---- {interface.name}"]
        for m in interface.members:
            if m.args:
                args = ", ".join(f"{{ValueType::{CPP_TYPES[t]}, {cpp_string(n)}}}" for t, n in m.args)
                out.append(f"inline constexpr Argument k{interface.name}_{m.name}[] = {{{args}}};")
        rows = []
        for m in interface.members:
            args = f"k{interface.name}_{m.name}" if m.args else "{}"
            flags = " | ".join(CPP_FLAGS[f] for f in m.flags) or "0"
            rows.append(f"    {{{m.dispid}, {cpp_string(m.name)}, MemberKind::{CPP_KINDS[m.kind]}, {args}, "
                        f"ValueType::{CPP_TYPES[m.result]}, {cpp_string(m.binding)}, {flags}}},")
        members = "{}"
        if rows:
            out += [f"inline constexpr Member k{interface.name}Members[] = {{"] + rows + ["};"]
            members = f"k{interface.name}Members"
        kind = "Dual" if interface.kind == "dual" else "DispInterface"
        out.append(f"inline constexpr Interface k{interface.name}{{{cpp_string(interface.name)}, InterfaceKind::{kind}, "
                   f"{cpp_string(interface.cls)}, {cpp_guid(interface.iid)}, {members}}};")
    out += ["", "inline constexpr const Interface *kInterfaces[] = {"]
    out += [f"    &k{i.name}," for i in table.interfaces] + ["};", ""]
    for coclass in table.coclasses:
        rows = ", ".join(f"{{{cpp_string(v)}, {cpp_string(i)}}}" for v, i in coclass.progids)
        out.append(f"inline constexpr ProgId k{coclass.name}ProgIds[] = {{{rows}}};")
    out.append("inline constexpr CoClass kCoClasses[] = {")
    for c in table.coclasses:
        out.append(f"    {{{cpp_string(c.name)}, {cpp_guid(c.clsid)}, {cpp_string(c.description)}, &k{c.default}, "
                   f"&k{c.events}, k{c.name}ProgIds, {c.script}, {c.bitmap}}},")
    out += ["};", ""]
    for external in table.externals:
        out.append(f"inline constexpr ExternalClass k{external.name}Class{{{cpp_string(external.name)}, "
                   f"{cpp_guid(external.clsid)}, &k{external.interface}}};")
    out += ["", "}  // namespace quorvel::automation", ""]
    return "\n".join(out)


# ---- compile-time binding check

def cpp_arg(arg_type):
    if arg_type in OBJECTS:
        return OBJECTS[arg_type] + " *"
    return {"string": "const XString &", "long": "int", "bool": "bool", "date": "double",
            "variant": "const DataBuffer &"}[arg_type]


def signatures(m):
    """(C++ method, result type, parameter types) of each C++ method a member binds to."""
    if m.kind != "method":
        sides = []
        if "get" in m.kind:
            if m.result in ("string", "variant"):
                sides.append((f"get_{m.binding}", "void", [("XString &" if m.result == "string" else "DataBuffer &")]))
            else:
                sides.append((f"get_{m.binding}", cpp_arg(m.result), []))
        if "put" in m.kind:
            sides.append((f"put_{m.binding}", "void", [cpp_arg(m.result)]))
        return sides
    params = [cpp_arg(t) for t, _ in m.args]
    if "variant-as-xml-text" in m.flags:
        params = [cpp_arg("string"), "bool"]  # the text made of the variant, and autoTrim
    if "progress-sink" in m.flags:
        params.append("ProgressEvent *")
    result = {None: "void", "long": "int", "bool": "bool", "date": "double"}.get(m.result)
    if m.result == "string":
        result = "bool" if "null-on-failure" in m.flags else "void"
        params.append("XString &")
    elif m.result == "variant":
        result = "bool"
        params.append("DataBuffer &")
    elif m.result in OBJECTS:
        result = f"std::unique_ptr<{OBJECTS[m.result]}>"
    return [(m.binding, result, params)]


def binding_check(table):
    classes = sorted({i.cls for i in table.interfaces if i.cls} | {"ClsDateTime"})
    includes = ["automation/MemberSignature.h", "foundation/base/ProgressEvent.h", "foundation/buffers/DataBuffer.h",
                "foundation/text/XString.h"] + [CLASS_HEADERS[c] for c in classes]
    out = [f"// {GENERATED}",
           "// Compiles only when every member's binding is a public method of its internal class with",
           "// exactly the signature the member's types give.",
           "#pragma once", "#include <memory>", ""]
    out += [f'#include "{path}"' for path in sorted(includes)]
    out += ["", "namespace quorvel::automation {"]
    for interface in table.interfaces:
        if not interface.cls:
            continue
        out += ["", f"// ---- {interface.name} -> {interface.cls}"]
        for m in interface.members:
            for method, result, params in signatures(m):
                types = ", ".join([interface.cls, result] + params)
                out.append(f"static_assert(sizeof(MemberSignature<{types}>::of(&{interface.cls}::{method})), "
                           f'"{interface.name}.{m.name}");')
    out += ["", "}  // namespace quorvel::automation", ""]
    return "\n".join(out)


# ---- dispatch table

def thunk(interface, method, result, params, template="call"):
    types = ", ".join([result] + params)
    return f"&{template}<{interface.cls}, Exact<{types}>::of(&{interface.cls}::{method})>"


def dispatch_tables(table):
    """The call thunks of each member side, in the member table's order, for the dispatcher: one
    header per interface, so that a module serving one class instantiates that class's alone."""
    files = {}
    for interface in table.interfaces:
        if not interface.cls or not interface.members:
            continue
        out = [f"// {GENERATED}",
               f"// The call thunks of every {interface.name} member, in the order of the member descriptors;",
               "// each is the thunk template instantiated with the internal method of exactly the member's",
               "// signature.",
               "#pragma once", "#include <iterator>", "#include <memory>", ""]
        includes = ["automation/dispatch/Thunks.h", "automation/generated/QuorvelMembers.h", CLASS_HEADERS[interface.cls]]
        out += [f'#include "{path}"' for path in sorted(includes)]
        out += ["", "namespace quorvel::automation {", "",
                f"inline constexpr MemberThunks<{interface.cls}> k{interface.name}Thunks[] = {{"]
        for m in interface.members:
            sides = signatures(m)
            template = ("callXmlText" if "variant-as-xml-text" in m.flags else
                        "callCharsetText" if "variant-text-in-charset" in m.flags else "call")
            get_side = m.kind in ("method", "get", "get+put")
            call = thunk(interface, *sides[0], template) if get_side else "nullptr"
            put = thunk(interface, *sides[-1]) if "put" in m.kind else "nullptr"
            out.append(f"    {{{call},  // {m.name}")
            out.append(f"     {put}}},")
        out += ["};",
                f"static_assert(std::size(k{interface.name}Thunks) == std::size(k{interface.name}Members));",
                "", "}  // namespace quorvel::automation", ""]
        files[OUT / f"{interface.name}Thunks.h"] = "\n".join(out)
    return files


# ---- IDL

def idl_type(arg_type):
    if arg_type in OBJECTS:
        return arg_type + " *"
    return {"string": "BSTR", "long": "long", "bool": "long", "date": "DATE", "variant": "VARIANT"}[arg_type]


def idl_slots(m):
    """(attributes, parameters) of each slot of a member: the get before the put."""
    help_text = f'helpstring("{"method" if m.kind == "method" else "property"} {m.name}")'
    if m.kind == "method":
        params = [f"[in] {idl_type(t)} {n}" for t, n in m.args]
        if m.result:
            params.append(f"[out, retval] {idl_type(m.result)} *retVal")
        return [(f"id({m.dispid}), {help_text}", params)]
    slots = []
    if "get" in m.kind:
        slots.append((f"propget, id({m.dispid}), {help_text}", [f"[out, retval] {idl_type(m.result)} *pVal"]))
    if "put" in m.kind:
        slots.append((f"propput, id({m.dispid}), {help_text}", [f"[in] {idl_type(m.result)} newVal"]))
    return slots


def idl(table):
    lib = table.library
    out = [f"// {GENERATED}", 'import "oaidl.idl";', 'import "ocidl.idl";', "",
           f'[uuid({lib.libid}), version({lib.major}.{lib.minor}), helpstring("{lib.help_string}")]',
           f"library {lib.name}", "{",
           '    importlib("stdole2.tlb");', ""]
    out += [f"    interface {i.name};" for i in table.interfaces if i.kind == "dual"]
    for interface in table.interfaces:
        out.append("")
        if interface.kind == "dual":
            out += [f'    [object, uuid({interface.iid}), dual, oleautomation, nonextensible, '
                    f'helpstring("{interface.name} Interface"), pointer_default(unique)]',
                    f"    interface {interface.name} : IDispatch", "    {"]
        else:
            out += [f'    [uuid({interface.iid}), helpstring("{interface.name} Interface")]',
                    f"    dispinterface {interface.name}", "    {", "    properties:", "    methods:"]
        for m in interface.members:
            for attributes, params in idl_slots(m):
                out.append(f"        [{attributes}] HRESULT {m.name}({', '.join(params)});")
        out.append("    };")
    for c in table.coclasses:
        out += ["", f'    [uuid({c.clsid}), helpstring("{c.description}")]', f"    coclass {c.name}", "    {",
                f"        [default] interface {c.default};", f"        [default, source] dispinterface {c.events};",
                "    };"]
    out += ["};", ""]
    return "\n".join(out)


# ---- the dual interfaces' vtable slots

DUAL_ARG = {"string": ("BSTR", "inText"), "long": ("LONG", "inLong"), "bool": ("LONG", "inLong"),
            "date": ("DATE", "inDate"), "variant": ("VARIANT", "inVariant")}
DUAL_RESULT = {"string": "BSTR", "long": "LONG", "bool": "LONG", "date": "DATE", "variant": "VARIANT"}


def dual_slot(m, side):
    """The C++ declaration of one vtable slot, in the order and shape of idl_slots."""
    flags = {"method": "kMethod", "get": "kGet", "put": "kPut"}[side]
    args = m.args if side == "method" else [(m.result, "value")] if side == "put" else []
    params, packed = [], []
    for position, (arg_type, _) in enumerate(args):
        if arg_type in OBJECTS:
            params.append(f"IDispatch *a{position}")
            packed.append(f"inObject(a{position})")
        else:
            cpp, wrap = DUAL_ARG[arg_type]
            params.append(f"{cpp} a{position}")
            packed.append(f"{wrap}(a{position})")
    result = m.result if side != "put" else None
    tail = ""
    if result in OBJECTS:
        params.append("IDispatch **result")
        tail = f", k{result}, reinterpret_cast<void **>(result)"
    elif result:
        params.append(f"{DUAL_RESULT[result]} *result")
        tail = ", result"
    name = m.name if side == "method" else f"{side}_{m.name}"
    return (f"    virtual HRESULT STDMETHODCALLTYPE {name}({', '.join(params)}) {{\n"
            f"        return call({m.dispid}, {flags}, {{{', '.join(packed)}}}{tail});\n    }}")


def dual_table(table):
    out = [f"// {GENERATED}", "// The dual interfaces' vtable slots after IDispatch's seven, in the type library's order:",
           "// each slot calls the object's Invoke (DualInterface.h).", "#pragma once",
           '#include "automation/generated/QuorvelMembers.h"', '#include "automation/server/DualInterface.h"', "",
           "namespace quorvel {"]
    out += [f"class {cls};" for cls in sorted({i.cls for i in table.interfaces if i.kind == "dual" and i.cls})]
    out += ["}", "", "namespace quorvel::automation {", "", "template <class Internal>", "struct DualOf;"]
    for interface in table.interfaces:
        if interface.kind != "dual" or not interface.cls:
            continue
        out += ["", f"class {interface.name}Dual final : public DualInterface {{", "public:",
                "    using DualInterface::DualInterface;", ""]
        for m in interface.members:
            sides = ["method"] if m.kind == "method" else [side for side in ("get", "put") if side in m.kind]
            out += [dual_slot(m, side) for side in sides]
        out += ["};", "", "template <>", f"struct DualOf<{interface.cls}> {{",
                f"    using type = {interface.name}Dual;", "};"]
    out += ["", "}  // namespace quorvel::automation", ""]
    return "\n".join(out)


# ---- Python member list

def python(table):
    lib = table.library
    out = [f'"""{GENERATED}', "",
           "The automation members for the Python host: INTERFACES maps each interface name to an",
           "Interface whose members are in slot order; argument and result types are the table's",
           '(string, long, bool, date, variant or an interface name; None for no result)."""',
           "from collections import namedtuple", "",
           'Member = namedtuple("Member", "dispid name kind args result binding flags")',
           'Interface = namedtuple("Interface", "name kind internal_class iid members")',
           'CoClass = namedtuple("CoClass", "name clsid description default_interface event_interface progids")',
           'Library = namedtuple("Library", "name libid version help_string")', "",
           f"LIBRARY = Library({lib.name!r}, {lib.libid!r}, ({lib.major}, {lib.minor}), {lib.help_string!r})",
           "", "INTERFACES = {"]
    for interface in table.interfaces:
        out.append(f"    {interface.name!r}: Interface({interface.name!r}, {interface.kind!r}, {interface.cls!r}, "
                   f"{interface.iid!r}, [")
        for m in interface.members:
            out.append(f"        Member({m.dispid}, {m.name!r}, {m.kind!r}, {tuple(m.args)!r}, {m.result!r}, "
                       f"{m.binding!r}, {tuple(m.flags)!r}),")
        out.append("    ]),")
    out += ["}", "", "COCLASSES = ["]
    for c in table.coclasses:
        out.append(f"    CoClass({c.name!r}, {c.clsid!r}, {c.description!r}, {c.default!r}, {c.events!r}, "
                   f"{c.progids!r}),")
    out += ["]", "", "EXTERNAL_CLASSES = {"]
    out += [f"    {e.name!r}: ({e.clsid!r}, {e.interface!r})," for e in table.externals]
    out += ["}", ""]
    return "\n".join(out)


# ---- main

# ---- Windows resources: the registry scripts, the toolbox bitmaps and the list of both

def registry_script(table, c):
    """The class's registry script, in the registrar's format; the DLL writes the same keys
    through its registration code (a test compares the two)."""
    clsid, insertable = "{" + c.clsid + "}", ["            'Insertable'"] if c.bitmap else []
    out = ["HKCR", "{"]
    for versioned, independent in c.progids:
        for progid, curver in ((versioned, None), (independent, versioned)):
            out += [f"    {progid} = s '{c.description}'", "    {", f"        CLSID = s '{clsid}'"]
            out += [f"        CurVer = s '{curver}'"] if curver else []
            out += [line.replace("            ", "        ForceRemove ") for line in insertable] + ["    }"]
    out += ["    NoRemove CLSID", "    {", f"        ForceRemove {clsid} = s '{c.description}'", "        {"]
    if c.progids:
        out += [f"            ProgID = s '{c.progids[0][0]}'", f"            VersionIndependentProgID = s '{c.progids[0][1]}'"]
    out += ["            ForceRemove 'Programmable'", "            InprocServer32 = s '%MODULE%'", "            {",
            "                val ThreadingModel = s 'Apartment'", "            }", "            ForceRemove 'Control'"]
    if c.bitmap:
        out += ["            ForceRemove 'Insertable'", f"            ForceRemove 'ToolboxBitmap32' = s '%MODULE%, {c.bitmap}'",
                "            'MiscStatus' = s '0'", "            {", "                '1' = s '132497'", "            }"]
    lib = table.library
    out += [f"            'TypeLib' = s '{{{lib.libid}}}'", f"            'Version' = s '{lib.major}.{lib.minor}'",
            "        }", "    }", "}", ""]
    return "\r\n".join(out)


def toolbox_bitmap(c):
    """A 16 x 16 toolbox picture, 24 bits per pixel: a framed page with the class's initial."""
    glyphs = {"R": ["1110", "1001", "1110", "1010", "1001"], "A": ["0110", "1001", "1111", "1001", "1001"]}
    glyph = glyphs.get(c.name.removeprefix("Quorvel")[:1], glyphs["A"])
    rows = []
    for y in range(16):  # bottom row first
        row = b""
        for x in range(16):
            top = 15 - y
            in_glyph = 5 <= top < 10 and 6 <= x < 10 and glyph[top - 5][x - 6] == "1"
            frame = x in (1, 14) or top in (1, 14)
            row += bytes((0x80, 0x30, 0x20)) if in_glyph else bytes((0x60, 0x60, 0x60)) if frame and 1 <= x <= 14 \
                and 1 <= top <= 14 else bytes((0xFF, 0xFF, 0xFF))
        rows.append(row)
    pixels = b"".join(rows)
    header = b"BM" + (54 + len(pixels)).to_bytes(4, "little") + bytes(4) + (54).to_bytes(4, "little")
    info = (40).to_bytes(4, "little") + (16).to_bytes(4, "little") + (16).to_bytes(4, "little") + \
        (1).to_bytes(2, "little") + (24).to_bytes(2, "little") + bytes(4) + len(pixels).to_bytes(4, "little") + bytes(16)
    return header + info + pixels


def resource_list(table):
    lines = [f"// {GENERATED}", "// The type library, each class's registry script and the toolbox bitmaps.",
             '1 TYPELIB "QuorvelXml.tlb"']
    for c in table.coclasses:
        lines.append(f'{c.script} REGISTRY "{c.name}.rgs"')
        if c.bitmap:
            lines.append(f'{c.bitmap} BITMAP "{c.name}.bmp"')
    return "\n".join(lines) + "\n"


def outputs(table):
    """Each output file's path with its text (or bytes)."""
    files = {OUT / "QuorvelMembers.h": descriptors(table), OUT / "QuorvelBindingCheck.h": binding_check(table),
             OUT / "QuorvelXml.idl": idl(table),
             OUT / "QuorvelXmlResources.rc": resource_list(table), OUT / "QuorvelDual.h": dual_table(table),
             PYTHON_OUT / "members.py": python(table)}
    files.update(dispatch_tables(table))
    for c in table.coclasses:
        files[OUT / f"{c.name}.rgs"] = registry_script(table, c)
        if c.bitmap:
            files[OUT / f"{c.name}.bmp"] = toolbox_bitmap(c)
    return files


def main(argv):
    check = argv[1:] == ["--check"]
    if argv[1:] and not check:
        print("usage: gen_automation.py [--check]", file=sys.stderr)
        return 2
    try:
        table = parse(TABLE.read_text(encoding="utf-8"), TABLE.relative_to(ROOT).as_posix())
    except TableError as error:
        print(error, file=sys.stderr)
        return 1
    stale = []
    for path, content in outputs(table).items():
        data = content if isinstance(content, bytes) else content.encode("utf-8")
        if path.exists() and path.read_bytes() == data:
            continue
        stale.append(path.name)
        if not check:
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(data)
    if check and stale:
        print(f"Not what automation/members.txt gives (run tools/gen_automation.py): {', '.join(stale)} "
              f"in {OUT} and {PYTHON_OUT}", file=sys.stderr)
        return 1
    print(f"{'Checked' if check else 'Wrote'} the automation sources from {len(table.interfaces)} interfaces.")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
