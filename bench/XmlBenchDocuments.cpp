#include "bench/XmlBenchDocuments.h"

#include <cstdint>
#include <cstdio>
#include <random>

namespace quorvel::bench {

namespace {

template <size_t N> const char *pick(std::mt19937 &gen, const char *const (&words)[N]) { return words[gen() % N]; }

void appendNumber(std::string &s, uint32_t value, int width) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%0*u", width, value);
    s += digits;
}

void appendPrice(std::string &s, std::mt19937 &gen) {
    char digits[24];
    std::snprintf(digits, sizeof digits, "%u.%02u", static_cast<unsigned>(gen() % 5000),
                  static_cast<unsigned>(gen() % 100));
    s += digits;
}

constexpr const char *kFirstNames[] = {"Zoë",   "Jürgen", "Łukasz", "Søren", "Ana",    "Émile",
                                       "Иван",  "Ольга",  "健太",   "美咲",  "Óscar",  "Nuño",
                                       "Chloé", "Mehmet", "Ayşe",   "Kai",   "Sven",   "Maëlle"};
constexpr const char *kLastNames[] = {"Müller", "Nowak",   "Ødegård", "García", "Dubois",   "Петров",
                                      "山田",   "Öztürk",  "Brontë",  "Smith",  "Kowalski", "Łęcka",
                                      "Jensen", "Fernández", "佐藤",   "Иванова"};
constexpr const char *kCities[] = {"São Paulo", "Zürich",  "Kraków", "Москва", "東京",     "Reykjavík",
                                   "Malmö",     "Göteborg", "İzmir", "Kyiv",   "New York", "Lyon",
                                   "Córdoba",   "Ålesund", "大阪",   "Berlin"};
constexpr const char *kTypes[] = {"retail", "wholesale", "online", "partner", "internal"};
constexpr const char *kNotes[] = {
    "Parts &amp; labour included",
    "Deliver before 10:00 &lt;urgent&gt;",
    "Customer said &quot;leave at the door&quot;",
    "Rate &lt; 5% &amp; fee &gt; 2 €",
    "Ship via O&apos;Brien Logistics",
    "Gift wrap — “fragile” — handle with care",
    "Paid in full; no further action",
    "Тестовая заметка &amp; ещё одна",
    "配送は午前中 &amp; 再配達不可",
    "Invoice #4471 sent twice",
};

constexpr const char *kColors[] = {"red", "green", "blue", "black", "white", "grün", "bleu", "café"};
constexpr const char *kSizes[] = {"XS", "S", "M", "L", "XL"};
constexpr const char *kCurrencies[] = {"EUR", "USD", "GBP", "JPY", "CHF"};
constexpr const char *kFlags[] = {"new", "sale&amp;clearance", "a &lt; b", "&quot;limited&quot;", "none"};
constexpr const char *kItemTexts[] = {"Back in stock", "Discontinued &amp; replaced", "Ürün yeni", "限定品"};

constexpr const char *kHeadlines[] = {"Markets open higher",  "New bridge opens in Malmö",
                                      "Weather: storm warning", "Tech firm reports profit",
                                      "City council votes on budget", "Festival draws record crowds",
                                      "Researchers find new species", "Rail strike ends"};
constexpr const char *kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
constexpr const char *kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

void appendRecord(std::string &s, std::mt19937 &gen, uint32_t id) {
    s += "  <record id=\"r";
    appendNumber(s, id, 7);
    s += "\" type=\"";
    s += pick(gen, kTypes);
    s += "\">\n    <name>";
    s += pick(gen, kFirstNames);
    s += ' ';
    s += pick(gen, kLastNames);
    s += "</name>\n    <city>";
    s += pick(gen, kCities);
    s += "</city>\n    <price>";
    appendPrice(s, gen);
    s += "</price>\n    <note>";
    s += pick(gen, kNotes);
    s += "</note>\n  </record>\n";
}

void appendItem(std::string &s, std::mt19937 &gen, uint32_t id) {
    s += "  <item id=\"i";
    appendNumber(s, id, 7);
    s += "\" sku=\"SKU-";
    appendNumber(s, gen() % 1000000, 6);
    s += "\" color=\"";
    s += pick(gen, kColors);
    s += "\" size=\"";
    s += pick(gen, kSizes);
    s += "\" weight=\"";
    appendPrice(s, gen);
    s += "\" unit=\"kg\" price=\"";
    appendPrice(s, gen);
    s += "\" currency=\"";
    s += pick(gen, kCurrencies);
    s += "\" stock=\"";
    appendNumber(s, gen() % 500, 1);
    s += "\" origin=\"";
    s += pick(gen, kCities);
    s += "\" flags=\"";
    s += pick(gen, kFlags);
    s += "\" updated=\"2024-";
    appendNumber(s, 1 + gen() % 12, 2);
    s += '-';
    appendNumber(s, 1 + gen() % 28, 2);
    s += "T10:00:00Z\"";
    if (id % 8 == 0) {
        s += '>';
        s += pick(gen, kItemTexts);
        s += "</item>\n";
    } else {
        s += "/>\n";
    }
}

void appendRssDate(std::string &s, uint32_t index) {
    // One item per hour going back from 1 Jan 2025; the weekday only needs to look right.
    const uint32_t hoursBack = index;
    const uint32_t day = 1 + (hoursBack / 24) % 28;
    const uint32_t month = (hoursBack / (24 * 28)) % 12;
    s += kDays[(hoursBack / 24) % 7];
    s += ", ";
    appendNumber(s, day, 2);
    s += ' ';
    s += kMonths[month];
    s += " 2024 ";
    appendNumber(s, 23 - hoursBack % 24, 2);
    s += ":00:00 GMT";
}

void appendRssItem(std::string &s, std::mt19937 &gen, uint32_t index) {
    s += "    <item>\n      <title>";
    s += pick(gen, kHeadlines);
    s += " (";
    appendNumber(s, index, 1);
    s += ")</title>\n      <link>https://news.example.com/story/";
    appendNumber(s, index, 1);
    s += "</link>\n      <description>&lt;p&gt;";
    s += pick(gen, kHeadlines);
    s += ": reporters in ";
    s += pick(gen, kCities);
    s += " say &amp;quot;more soon&amp;quot;.&lt;/p&gt;&lt;p&gt;Read on &amp;amp; comment.&lt;/p&gt;"
         "</description>\n      <pubDate>";
    appendRssDate(s, index);
    s += "</pubDate>\n      <guid isPermaLink=\"false\">urn:news:";
    appendNumber(s, gen() % 100000000, 8);
    s += '-';
    appendNumber(s, index, 5);
    s += "</guid>\n    </item>\n";
}

}  // namespace

std::string makeRecordsDocument(size_t targetBytes) {
    std::mt19937 gen(20240611);
    std::string s;
    s.reserve(targetBytes + 4096);
    s += "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<records>\n";
    for (uint32_t id = 1; s.size() < targetBytes; ++id) appendRecord(s, gen, id);
    s += "</records>\n";
    return s;
}

std::string makeAttributeDocument(size_t targetBytes) {
    std::mt19937 gen(4711);
    std::string s;
    s.reserve(targetBytes + 4096);
    s += "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<catalog>\n";
    for (uint32_t id = 1; s.size() < targetBytes; ++id) appendItem(s, gen, id);
    s += "</catalog>\n";
    return s;
}

std::string makeRssFeed(int items) {
    std::mt19937 gen(2005);
    std::string s;
    s += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\">\n  <channel>\n"
         "    <title>Example News — Top Stories</title>\n"
         "    <link>https://news.example.com/</link>\n"
         "    <description>Latest headlines &amp; analysis</description>\n"
         "    <language>en-us</language>\n"
         "    <lastBuildDate>Wed, 01 Jan 2025 00:00:00 GMT</lastBuildDate>\n";
    for (int i = 0; i < items; ++i) appendRssItem(s, gen, static_cast<uint32_t>(i));
    s += "  </channel>\n</rss>\n";
    return s;
}

bool readDocumentFile(const char *path, std::string &out) {
    out.clear();
    FILE *f = std::fopen(path, "rb");
    if (!f) return false;
    char chunk[1 << 16];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) out.append(chunk, n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

}  // namespace quorvel::bench
