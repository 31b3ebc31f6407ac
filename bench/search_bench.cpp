// Stepping through every match of a search, as scripts do: every <title> of an RSS document of
// 5,000, 20,000 and 100,000 items (and the channel's own) found by repeated
// SearchForTag(after, "title") on the Xml object, against pugixml in the same run
// (select_nodes("//title"), and a walk of the channel's item children), each result's text read. Also the time to free each document,
// beside its parse time. Best of five runs per figure.
#include <pugixml.hpp>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <memory>
#include <string>

#include "xml/object/ClsXml.h"

namespace {

using Clock = std::chrono::steady_clock;

volatile size_t g_sink = 0;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string rssDocument(int items) {
    std::string text = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<rss version=\"2.0\"><channel><title>Bench</title>";
    for (int i = 0; i < items; ++i) {
        text += "<item><title>Item " + std::to_string(i) + "</title><link>http://example.test/" + std::to_string(i) +
                "</link><description>Text of item " + std::to_string(i) + "</description></item>";
    }
    return text + "</channel></rss>";
}

struct Figures {
    double parse = 1e300, free = 1e300, steps = 1e300;
    size_t found = 0;
};

template <class Run>
void best(double &slot, Run &&run) {
    slot = std::min(slot, run());
}

Figures ours(const std::string &text) {
    Figures f;
    quorvel::XString source;
    source.appendUtf8(text.c_str());
    quorvel::XString tag;
    tag.setFromUtf8("title");
    for (int run = 0; run < 5; ++run) {
        auto xml = std::make_unique<quorvel::ClsXml>();
        best(f.parse, [&] {
            auto start = Clock::now();
            xml->LoadXml(source);
            return msSince(start);
        });
        best(f.steps, [&] {
            auto start = Clock::now();
            size_t found = 0, bytes = 0;
            quorvel::XString content;
            std::unique_ptr<quorvel::ClsXml> at = xml->SearchForTag(nullptr, tag);
            while (at) {
                ++found;
                at->get_Content(content);
                bytes += std::strlen(content.getUtf8());
                at = xml->SearchForTag(at.get(), tag);
            }
            f.found = found;
            g_sink = g_sink + bytes;  // the text is read, as a script reads it
            return msSince(start);
        });
        best(f.free, [&] {
            auto start = Clock::now();
            xml.reset();
            return msSince(start);
        });
    }
    return f;
}

Figures pugixml(const std::string &text, bool xpath) {
    Figures f;
    for (int run = 0; run < 5; ++run) {
        auto doc = std::make_unique<pugi::xml_document>();
        best(f.parse, [&] {
            auto start = Clock::now();
            doc->load_buffer(text.data(), text.size());
            return msSince(start);
        });
        best(f.steps, [&] {
            auto start = Clock::now();
            size_t found = 0, bytes = 0;
            if (xpath) {
                for (const pugi::xpath_node &node : doc->select_nodes("//title")) {
                    ++found;
                    bytes += std::strlen(node.node().child_value());
                }
            } else {
                pugi::xml_node channel = doc->child("rss").child("channel");
                found = 1;  // the channel's own title, which the other searches find first
                bytes = std::strlen(channel.child("title").child_value());
                for (pugi::xml_node item : channel.children("item")) {
                    ++found;
                    bytes += std::strlen(item.child("title").child_value());
                }
            }
            f.found = found;
            g_sink = g_sink + bytes;
            return msSince(start);
        });
        best(f.free, [&] {
            auto start = Clock::now();
            doc.reset();
            return msSince(start);
        });
    }
    return f;
}

}  // namespace

int main() {
    std::printf("%-8s %-22s %10s %10s %10s %8s\n", "items", "client", "parse ms", "step ms", "free ms", "found");
    for (int items : {5000, 20000, 100000}) {
        const std::string text = rssDocument(items);
        const Figures rows[] = {ours(text), pugixml(text, true), pugixml(text, false)};
        const char *names[] = {"ours SearchForTag", "pugixml select_nodes", "pugixml children"};
        for (int i = 0; i < 3; ++i)
            std::printf("%-8d %-22s %10.2f %10.2f %10.2f %8zu\n", items, names[i], rows[i].parse, rows[i].steps,
                        rows[i].free, rows[i].found);
    }
    return 0;
}
