#pragma once
#include <cstdint>
#include <span>

// The Windows headers define `interface` as a macro; ExternalClass has a member of that name,
// so the macro is set aside here whichever header came first.
#pragma push_macro("interface")
#undef interface

namespace quorvel::automation {

// The shapes of the generated member descriptors (generated/QuorvelMembers.h): what the dispatch
// code and its tests know of each automation member. Nothing here depends on COM headers.

// long and bool are both a 32-bit long to callers; a bool result is 1 or 0, never -1.
enum class ValueType : std::uint8_t { None, String, Long, Bool, Date, Variant, Xml, Rss, Atom, DateTime };

// GetPut is a read-write property: a get slot, then a put slot, under one DISPID.
enum class MemberKind : std::uint8_t { Method, Get, Put, GetPut };

enum class InterfaceKind : std::uint8_t { Dual, DispInterface };

// Member flags for the binding rules.
inline constexpr unsigned kNullOnFailure = 1u << 0;         // a failed internal call gives a null string
inline constexpr unsigned kRefusedInBrowser = 1u << 1;      // touches files: E_FAIL when sited in a web browser
inline constexpr unsigned kPutRefusedInBrowser = 1u << 2;   // the same, for the put side only
inline constexpr unsigned kProgressSink = 1u << 3;          // the object's progress sink goes in last
inline constexpr unsigned kVariantAsXmlText = 1u << 4;      // the variant becomes XML text, loaded trimmed
inline constexpr unsigned kVariantTextInCharset = 1u << 5;  // string data is written in the named charset

struct Guid {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
};

struct Argument {
    ValueType type;
    const char *name;
};

struct Member {
    std::int32_t dispid;
    const char *name;
    MemberKind kind;
    std::span<const Argument> arguments;
    ValueType result;  // for a property, the type of its value
    // The internal method, null for interfaces no internal class serves. A property binds
    // get_<binding> and put_<binding>; the two names of an alias share one binding.
    const char *binding;
    unsigned flags;
};

struct Interface {
    const char *name;
    InterfaceKind kind;
    const char *internalClass;  // null when no internal class serves it
    Guid iid;
    std::span<const Member> members;  // in slot order
};

struct ProgId {
    const char *versioned;    // "Quorvel.Xml.1"
    const char *independent;  // "Quorvel.Xml", whose CurVer names the versioned one
};

struct CoClass {
    const char *name;
    Guid clsid;
    const char *description;  // the registry's default value
    const Interface *defaultInterface;
    const Interface *eventInterface;
    std::span<const ProgId> progIds;
    int registryScript;  // the Windows DLL's REGISTRY resource of the class
    int toolboxBitmap;   // its toolbox BITMAP resource; 0 for a class that is no insertable control
};

// A class of another component that the server creates (the date-time objects).
struct ExternalClass {
    const char *name;
    Guid clsid;
    const Interface *interface;
};

struct TypeLibrary {
    const char *name;
    Guid libid;
    int majorVersion;
    int minorVersion;
    const char *helpString;
};

}  // namespace quorvel::automation

#pragma pop_macro("interface")
