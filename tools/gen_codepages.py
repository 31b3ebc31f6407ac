#!/usr/bin/env python3
"""Generates foundation/charsets/generated/CodePageTables.cpp, the built-in code page tables.

Run on a Debian machine with python3, perl (with its Encode module) and glibc (libc6 with its
gconv modules and the locales charmaps):  python3 tools/gen_codepages.py
The output is committed, so a build never needs this script.

Every code page takes its mapping from one source, recorded in SOURCES below with the reason.
Kinds of source:
  ('py', codec)        Python's codec tables (encodings.<codec>)
  ('iconv', name)      glibc iconv(3) through its gconv modules
  ('charmap', name)    a glibc charmap, /usr/share/i18n/charmaps/<name>.gz
  ('perl', name)       Perl's Encode tables (single-byte code pages only)
A single byte is mapped when the source decodes it alone to one BMP character. A byte that does
not decode alone but starts two-byte codes is a lead byte; each of its 256 trail bytes is tried.
Where a character has several codes, the source's own encoder picks the one it encodes to,
unless ENCODERS names another source for that choice.
"""
import codecs, ctypes, ctypes.util, gzip, os, re, subprocess, sys

MAC_PERL = ('no Python or glibc table has this layout. Perl writes a few bytes as a sequence (a base '
            'character with a point or a private-use transcoding hint); the Windows table holds the base '
            'character. Bytes below 0x80 that Perl leaves undefined (the left-to-right copies of punctuation '
            'and digits, and 0x7F) are ASCII, as in every Windows Mac table')
WIN_C1 = 'the Windows table fills the bytes 0x80-0x9F the source leaves undefined with U+0080-U+009F'

# code page: (source, reason[, adjustment]). Adjustments: 'c1' fills undefined 0x80-0x9F with
# U+0080-U+009F, 'ascii' fills undefined bytes below 0x80 with ASCII, 'latin9' is IBM00924's.
SOURCES = {
    37: (('py', 'cp037'), 'IBM EBCDIC US/Canada, same as Windows'),
    437: (('py', 'cp437'), 'OEM United States'),
    500: (('py', 'cp500'), 'IBM EBCDIC International'),
    708: (('iconv', 'ASMO-708'), 'glibc ASMO-708 (ISO-8859-6 layout), the closest source for Windows Arabic ASMO 708'),
    720: (('py', 'cp720'), 'Python cp720 was made from the Windows DOS-720 table'),
    737: (('py', 'cp737'), 'OEM Greek'),
    775: (('py', 'cp775'), 'OEM Baltic'),
    850: (('py', 'cp850'), 'OEM Multilingual Latin 1'),
    852: (('py', 'cp852'), 'OEM Latin 2'),
    855: (('py', 'cp855'), 'OEM Cyrillic'),
    857: (('py', 'cp857'), 'OEM Turkish'),
    858: (('py', 'cp858'), 'OEM Multilingual Latin 1 with euro'),
    860: (('py', 'cp860'), 'OEM Portuguese'),
    861: (('py', 'cp861'), 'OEM Icelandic'),
    862: (('py', 'cp862'), 'OEM Hebrew'),
    863: (('py', 'cp863'), 'OEM French Canadian'),
    864: (('py', 'cp864'), 'OEM Arabic'),
    865: (('py', 'cp865'), 'OEM Nordic'),
    866: (('py', 'cp866'), 'OEM Russian'),
    869: (('py', 'cp869'), 'OEM Modern Greek'),
    870: (('iconv', 'IBM870'), 'IBM EBCDIC Multilingual Latin 2; Python has no cp870'),
    874: (('py', 'cp874'), 'Windows Thai (Python cp874 is the Windows table, with the euro)'),
    875: (('py', 'cp875'), 'IBM EBCDIC Greek Modern'),
    932: (('py', 'cp932'), 'Windows-31J with the NEC and IBM extensions; plain Shift_JIS is not the Windows page'),
    936: (('iconv', 'CP936'), 'glibc CP936 is GBK with 0x80 as the euro, as Windows has it; Python gbk lacks 0x80'),
    949: (('py', 'cp949'), 'Unified Hangul Code, the Windows extension of EUC-KR'),
    950: (('py', 'cp950'), 'Big5 with the Windows vendor extensions'),
    1026: (('py', 'cp1026'), 'IBM EBCDIC Turkish Latin 5'),
    1047: (('iconv', 'IBM1047'), 'IBM EBCDIC Latin 1 Open System; Python has no cp1047'),
    1140: (('py', 'cp1140'), 'IBM EBCDIC US/Canada with euro'),
    1141: (('iconv', 'IBM1141'), 'IBM EBCDIC Germany with euro'),
    1142: (('iconv', 'IBM1142'), 'IBM EBCDIC Denmark/Norway with euro'),
    1143: (('iconv', 'IBM1143'), 'IBM EBCDIC Finland/Sweden with euro'),
    1144: (('iconv', 'IBM1144'), 'IBM EBCDIC Italy with euro'),
    1145: (('iconv', 'IBM1145'), 'IBM EBCDIC Latin America/Spain with euro'),
    1146: (('iconv', 'IBM1146'), 'IBM EBCDIC United Kingdom with euro'),
    1147: (('iconv', 'IBM1147'), 'IBM EBCDIC France with euro'),
    1148: (('iconv', 'IBM1148'), 'IBM EBCDIC International with euro'),
    1149: (('iconv', 'IBM1149'), 'IBM EBCDIC Icelandic with euro'),
    1250: (('py', 'cp1250'), 'Windows Central European; ' + WIN_C1, 'c1'),
    1251: (('py', 'cp1251'), 'Windows Cyrillic; ' + WIN_C1, 'c1'),
    1252: (('py', 'cp1252'), 'Windows Western; ' + WIN_C1, 'c1'),
    1253: (('py', 'cp1253'), 'Windows Greek; ' + WIN_C1, 'c1'),
    1254: (('py', 'cp1254'), 'Windows Turkish; ' + WIN_C1, 'c1'),
    1255: (('py', 'cp1255'), 'Windows Hebrew; ' + WIN_C1, 'c1'),
    1256: (('py', 'cp1256'), 'Windows Arabic (every byte defined)'),
    1257: (('py', 'cp1257'), 'Windows Baltic; ' + WIN_C1, 'c1'),
    1258: (('py', 'cp1258'), 'Windows Vietnamese; ' + WIN_C1, 'c1'),
    1361: (('py', 'johab'), 'Korean Johab'),
    10000: (('py', 'mac_roman'), 'Mac Roman'),
    10001: (('py', 'shift_jis'), 'no Mac Japanese table here; Mac Japanese is Shift_JIS (JIS X 0208) at heart, the closest source'),
    10004: (('py', 'mac_arabic'), 'Mac Arabic'),
    10005: (('perl', 'MacHebrew'), 'Mac Hebrew; ' + MAC_PERL, 'ascii'),
    10006: (('py', 'mac_greek'), 'Mac Greek'),
    10007: (('py', 'mac_cyrillic'), 'Mac Cyrillic'),
    10010: (('py', 'mac_romanian'), 'Mac Romanian'),
    10017: (('iconv', 'MAC-UK'), 'glibc MAC-UK is Mac Ukrainian'),
    10021: (('perl', 'MacThai'), 'Mac Thai; ' + MAC_PERL, 'ascii'),
    10029: (('py', 'mac_latin2'), 'Mac Central European'),
    10079: (('py', 'mac_iceland'), 'Mac Icelandic'),
    10081: (('py', 'mac_turkish'), 'Mac Turkish'),
    10082: (('py', 'mac_croatian'), 'Mac Croatian'),
    20105: (('charmap', 'ISO_646.IRV'), 'IA5 IRV (ISO 646 IRV of 1983: currency sign at 0x24); iconv only has the 1991 IRV'),
    20106: (('iconv', 'ISO646-DE'), 'IA5 German, DIN 66003'),
    20107: (('iconv', 'ISO646-SE'), 'IA5 Swedish, SEN 850200 B'),
    20108: (('iconv', 'ISO646-NO'), 'IA5 Norwegian, NS 4551-1'),
    20127: (('py', 'ascii'), 'US-ASCII'),
    20261: (('iconv', 'T.61-8BIT'), 'T.61 with its non-spacing accent bytes as two-byte codes'),
    20269: (('iconv', 'ISO_6937'), 'ISO 6937 with its non-spacing accent bytes as two-byte codes'),
    20273: (('py', 'cp273'), 'IBM EBCDIC Germany'),
    20277: (('iconv', 'IBM277'), 'IBM EBCDIC Denmark/Norway'),
    20278: (('iconv', 'IBM278'), 'IBM EBCDIC Finland/Sweden'),
    20280: (('iconv', 'IBM280'), 'IBM EBCDIC Italy'),
    20284: (('iconv', 'IBM284'), 'IBM EBCDIC Latin America/Spain'),
    20285: (('iconv', 'IBM285'), 'IBM EBCDIC United Kingdom'),
    20290: (('iconv', 'IBM290'), 'IBM EBCDIC Japanese Katakana Extended'),
    20297: (('iconv', 'IBM297'), 'IBM EBCDIC France'),
    20420: (('iconv', 'IBM420'), 'IBM EBCDIC Arabic'),
    20423: (('iconv', 'IBM423'), 'IBM EBCDIC Greek'),
    20424: (('py', 'cp424'), 'IBM EBCDIC Hebrew'),
    20838: (('iconv', 'IBM1160'), 'IBM EBCDIC Thai: glibc has no IBM838; IBM1160 is IBM838 with the euro added, the closest source'),
    20866: (('py', 'koi8_r'), 'KOI8-R'),
    20871: (('iconv', 'IBM871'), 'IBM EBCDIC Icelandic'),
    20880: (('iconv', 'IBM880'), 'IBM EBCDIC Cyrillic Russian'),
    20905: (('iconv', 'IBM905'), 'IBM EBCDIC Turkish'),
    20924: (('iconv', 'IBM1047'), 'IBM EBCDIC Latin 1 Open System with euro (IBM00924): the IBM1047 layout over the '
            'ISO-8859-15 repertoire, so each byte takes the ISO-8859-15 character at the ISO-8859-1 position IBM1047 gives; '
            'glibc has no IBM924', 'latin9'),
    21025: (('iconv', 'IBM1025'), 'IBM EBCDIC Cyrillic Serbian-Bulgarian'),
    21866: (('py', 'koi8_u'), 'KOI8-U'),
    28591: (('py', 'latin_1'), 'ISO-8859-1'),
    28592: (('py', 'iso8859_2'), 'ISO-8859-2'),
    28593: (('py', 'iso8859_3'), 'ISO-8859-3'),
    28594: (('py', 'iso8859_4'), 'ISO-8859-4'),
    28595: (('py', 'iso8859_5'), 'ISO-8859-5'),
    28596: (('py', 'iso8859_6'), 'ISO-8859-6'),
    28597: (('py', 'iso8859_7'), 'ISO-8859-7'),
    28598: (('py', 'iso8859_8'), 'ISO-8859-8 (visual)'),
    28599: (('py', 'iso8859_9'), 'ISO-8859-9'),
    28603: (('py', 'iso8859_13'), 'ISO-8859-13'),
    28605: (('py', 'iso8859_15'), 'ISO-8859-15'),
    38598: (('py', 'iso8859_8'), 'ISO-8859-8 logical: the same bytes and characters as 28598'),
    51932: (('iconv', 'EUC-JP-MS'), 'EUC-JP with the Windows (cp932) repertoire; the three-byte JIS X 0212 codes are not part of the Windows page'),
    51936: (('py', 'gb2312'), 'EUC-CN, GB2312'),
    51949: (('py', 'euc_kr'), 'EUC-KR, KS X 1001'),
}

# Where the code a character encodes to comes from another source than its mapping.
ENCODERS = {
    932: (('iconv', 'WINDOWS-31J'), 'Windows writes the IBM extension codes (0xFA-0xFC) for the characters that '
          'also sit in the NEC-selected rows 0xED-0xEE, as glibc WINDOWS-31J does; Python\'s cp932 encoder '
          'keeps the NEC-selected codes'),
}

# --- sources ---------------------------------------------------------------------------------

_libc = ctypes.CDLL(ctypes.util.find_library('c'), use_errno=True)
_libc.iconv_open.restype = ctypes.c_void_p
_libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
_libc.iconv.restype = ctypes.c_size_t
_libc.iconv.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_size_t),
                        ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_size_t)]
_libc.iconv_close.argtypes = [ctypes.c_void_p]


class Iconv:
    """Strict whole-input conversion with glibc iconv(3)."""
    def __init__(self, src, dst):
        self.cd = _libc.iconv_open(dst.encode(), src.encode())
        if self.cd in (None, ctypes.c_void_p(-1).value):
            raise SystemExit('iconv cannot convert %s to %s' % (src, dst))

    def __call__(self, data):
        _libc.iconv(self.cd, None, None, None, None)
        inbuf = ctypes.create_string_buffer(data, len(data))
        outbuf = ctypes.create_string_buffer(64)
        inp, outp = ctypes.c_char_p(ctypes.addressof(inbuf)), ctypes.c_char_p(ctypes.addressof(outbuf))
        inleft, outleft = ctypes.c_size_t(len(data)), ctypes.c_size_t(64)
        r = _libc.iconv(self.cd, ctypes.byref(inp), ctypes.byref(inleft), ctypes.byref(outp), ctypes.byref(outleft))
        if r == ctypes.c_size_t(-1).value or inleft.value:
            return None
        # Flush any pending state (accent prefixes) so a lone prefix counts as incomplete.
        if _libc.iconv(self.cd, None, None, ctypes.byref(outp), ctypes.byref(outleft)) == ctypes.c_size_t(-1).value:
            return None
        return outbuf.raw[:64 - outleft.value]


def make_decoder(kind, name):
    if kind == 'py':
        def dec(b):
            try:
                return codecs.decode(b, name)
            except UnicodeDecodeError:
                return None
        def enc(s):
            try:
                return codecs.encode(s, name)
            except UnicodeEncodeError:
                return None
        return dec, enc
    if kind == 'iconv':
        to_u, from_u = Iconv(name, 'UTF-32LE'), Iconv('UTF-32LE', name)
        def dec(b):
            r = to_u(b)
            return None if r is None else r.decode('utf-32-le')
        def enc(s):
            return from_u(s.encode('utf-32-le'))
        return dec, enc
    if kind == 'perl':
        table, reverse = read_perl_encode(name)
        return (lambda b: table.get(b)), (lambda s: reverse.get(s))
    if kind == 'charmap':
        table = read_charmap(name)
        reverse = {}
        for b, c in table.items():
            reverse.setdefault(c, b)
        return (lambda b: table.get(b)), (lambda s: reverse.get(s))
    raise SystemExit('unknown source kind ' + kind)


def read_charmap(name):
    """Byte sequence -> string from a glibc charmap."""
    path = '/usr/share/i18n/charmaps/%s.gz' % name
    table, inside = {}, False
    for line in gzip.open(path, 'rt', encoding='latin-1'):
        if line.startswith('CHARMAP'):
            inside = True
        elif line.startswith('END CHARMAP'):
            break
        elif inside:
            m = re.match(r'<U([0-9A-Fa-f]+)>\s+((?:/x[0-9a-fA-F]{2})+)', line)
            if m:
                code = bytes(int(x, 16) for x in m.group(2).split('/x')[1:])
                table.setdefault(code, chr(int(m.group(1), 16)))
    return table


PERL_DUMP = r'''
use Encode;
my $e = find_encoding($ARGV[0]) or die "Encode has no $ARGV[0]\n";
for my $b (0 .. 255) {
    my $s = $e->decode(chr($b), sub { "" });
    print "D $b ", join(" ", map { ord } split //, $s), "\n";
}
for my $c (1 .. 0xFFFF) {
    next if $c >= 0xD800 && $c <= 0xDFFF;
    my $x = $e->encode(chr($c), sub { "" });
    print "E $c ", join(" ", map { ord } split //, $x), "\n" if length $x;
}
'''


def base_character(cps):
    """The character a single-byte table holds for a sequence: the first one that is neither a
    directional control (U+202A-U+202E) nor a private-use transcoding hint."""
    for c in cps:
        if not (0x202A <= c <= 0x202E or 0xE000 <= c <= 0xF8FF):
            return chr(c)
    return chr(cps[0]) if len(cps) == 1 else None


def read_perl_encode(name):
    """Single byte -> character and character -> bytes from Perl's Encode."""
    out = subprocess.run(['perl', '-e', PERL_DUMP, name], capture_output=True, text=True, check=True).stdout
    table, reverse = {}, {}
    for line in out.splitlines():
        kind, value, *seq = line.split()
        seq = [int(x) for x in seq]
        if kind == 'D' and seq:
            table[bytes([int(value)])] = base_character(seq)
        elif kind == 'E':
            reverse[chr(int(value))] = bytes(seq)
    return table, reverse


def one_bmp(s):
    return s is not None and len(s) == 1 and ord(s) <= 0xFFFF


def build(cp):
    src, reason = SOURCES[cp][:2]
    adjust = SOURCES[cp][2] if len(SOURCES[cp]) > 2 else None
    dec, enc = make_decoder(*src)
    single = [None] * 256
    for b in range(256):
        s = dec(bytes([b]))
        if one_bmp(s):
            single[b] = ord(s)
    single[0] = 0
    rows = {}
    for lead in range(256):
        if single[lead] is not None:
            continue
        row = {}
        for trail in range(256):
            s = dec(bytes([lead, trail]))
            if one_bmp(s):
                row[trail] = ord(s)
        if row:
            rows[lead] = row
    if adjust == 'c1':
        for b in range(0x80, 0xA0):
            if single[b] is None and b not in rows:
                single[b] = b
    elif adjust == 'ascii':
        for b in range(0x80):
            if single[b] is None and b not in rows:
                single[b] = b
    elif adjust == 'latin9':
        latin9 = codecs.decode(bytes(range(256)), 'iso8859_15')
        single = [None if c is None else ord(latin9[c]) if c < 256 else c for c in single]
    # Codes of each character in listing order: single bytes, then pairs by code.
    codes_of = {}
    for b in range(1, 256):
        if single[b] is not None:
            codes_of.setdefault(single[b], []).append(b)
    for lead in sorted(rows):
        for trail, c in sorted(rows[lead].items()):
            codes_of.setdefault(c, []).append(lead << 8 | trail)
    if cp in ENCODERS:
        enc = make_decoder(*ENCODERS[cp][0])[1]
    prefer = []
    for c, cl in sorted(codes_of.items()):
        # With 'ascii' the ASCII characters keep their own bytes, not their right-to-left copies.
        if len(cl) < 2 or (adjust == 'ascii' and c < 0x80):
            continue
        e = enc(chr(c)) if adjust != 'latin9' else None
        if e is None or not 1 <= len(e) <= 2:
            continue
        code = e[0] if len(e) == 1 else e[0] << 8 | e[1]
        if code in cl and code != cl[0]:
            prefer.append((c, code))
    return single, rows, prefer, src, reason

# --- output ----------------------------------------------------------------------------------

def words(values, per_line=12):
    vals = ['0x%04X' % v for v in values]
    return '\n'.join('    ' + ', '.join(vals[i:i + per_line]) + ',' for i in range(0, len(vals), per_line))


def emit(out):
    w = out.write
    w('// Generated by tools/gen_codepages.py from the mapping data of a Debian machine; do not edit.\n')
    w('// Each table names its source. Bytes: 0xFFFF unmapped, 0xFFFE lead byte of a two-byte code.\n')
    w('#include "foundation/charsets/generated/CodePageTables.h"\n\n')
    w('namespace quorvel {\n\nnamespace {\n\n')
    entries = []
    for cp in sorted(SOURCES):
        single, rows, prefer, src, reason = build(cp)
        bytes_ = [0xFFFF if c is None else c for c in single]
        for lead in rows:
            bytes_[lead] = 0xFFFE
        ascii_low = all(bytes_[b] == b for b in range(128))
        w('// %d: %s %s. %s.\n' % (cp, src[0], src[1], reason))
        if cp in ENCODERS:
            w('// Encoding: %s %s. %s.\n' % (ENCODERS[cp][0] + (ENCODERS[cp][1],)))
        w('const char16_t kBytes%d[] = {\n%s\n};\n' % (cp, words(bytes_[128:] if ascii_low else bytes_)))
        row_ref = 'nullptr, 0, nullptr'
        if rows:
            chars, descr = [], []
            for lead in sorted(rows):
                trails = sorted(rows[lead])
                first, last = trails[0], trails[-1]
                descr.append('{0x%02X, 0x%02X, %d, %d}' % (lead, first, last - first + 1, len(chars)))
                chars.extend(rows[lead].get(t, 0xFFFF) for t in range(first, last + 1))
            w('const CodePageData::Row kRows%d[] = {\n' % cp)
            for i in range(0, len(descr), 4):
                w('    ' + ', '.join(descr[i:i + 4]) + ',\n')
            w('};\nconst char16_t kRowChars%d[] = {\n%s\n};\n' % (cp, words(chars)))
            row_ref = 'kRows%d, %d, kRowChars%d' % (cp, len(descr), cp)
        pref_ref = 'nullptr, nullptr, 0'
        if prefer:
            w('const char16_t kPreferChars%d[] = {\n%s\n};\n' % (cp, words([c for c, _ in prefer])))
            w('const uint16_t kPreferCodes%d[] = {\n%s\n};\n' % (cp, words([k for _, k in prefer])))
            pref_ref = 'kPreferChars%d, kPreferCodes%d, %d' % (cp, cp, len(prefer))
        if ascii_low:
            bytes_ref = 'nullptr, nullptr, nullptr, 0, kBytes%d' % cp
        else:
            bytes_ref = 'kBytes%d, nullptr, nullptr, 0, nullptr' % cp
        entries.append('{%d, %s, %s, %s}' % (cp, bytes_ref, row_ref, pref_ref))
        w('\n')
    w('}  // namespace\n\n')
    w('const CodePageData kGeneratedCodePages[] = {\n')
    for e in entries:
        w('    CodePageData' + e + ',\n')
    w('};\nconst uint32_t kGeneratedCodePageCount = %d;\n\n}  // namespace quorvel\n' % len(entries))


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    path = os.path.join(root, 'foundation', 'charsets', 'generated', 'CodePageTables.cpp')
    with open(path, 'w') as out:
        emit(out)
    print('wrote', path, len(SOURCES), 'code pages')


if __name__ == '__main__':
    main()
