// The RSS and Atom objects on a fuzzed document: loading, then every read member over the
// channels, items, image and entries, addressed by the tags the input names, the tags the
// document's own children carry and the common feed tags; with the mode's bit, edits by tag
// too (texts, dates from fuzzed texts and fuzzed automation dates, attributes, removals).
// Input: the document up to a NUL, a mode byte, then NUL-separated tags (the first ones also
// serve as attribute names, values and date texts).
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "datetime/ClsDateTime.h"
#include "feeds/ClsAtom.h"
#include "feeds/ClsRss.h"
#include "foundation/text/XString.h"

using namespace quorvel;

namespace {

const char *const kTags[] = {"title", "link", "pubDate", "url", "updated", "author", "content", ""};
const char *const kAttrs[] = {"href", "rel", "type", "url", "isPermaLink", ""};

constexpr size_t kMaxTags = 8;
constexpr int kMaxObjects = 2;

XString text(const std::string &utf8) {
    XString out;
    out.setFromUtf8N(utf8.data(), static_cast<uint32_t>(utf8.size()));
    return out;
}

struct Words {
    std::vector<XString> tags, attrs;
    double date = 0;
};

// The tags of the element's children, at most a few, so the document's own names are tried.
void addChildTags(ClsXml &xml, std::vector<XString> &tags) {
    const int n = xml.get_NumChildren();
    for (int i = 0; i < n && i < 4; ++i) {
        std::unique_ptr<ClsXml> child = xml.GetChild(i);
        if (!child) continue;
        XString tag;
        child->get_Tag(tag);
        tags.push_back(tag);
    }
}

void readRss(ClsRss &rss, const Words &words, bool edit) {
    std::vector<XString> tags = words.tags;
    addChildTags(rss.xml(), tags);
    XString out;
    rss.get_NumChannels();
    rss.get_NumItems();
    int index = 0;
    for (const XString &tag : tags) {
        const XString &attr = words.attrs[index++ % words.attrs.size()];
        rss.GetCount(tag);
        rss.GetString(tag, out);
        rss.GetInt(tag);
        rss.GetDate(tag);
        rss.GetDateStr(tag, out);
        rss.GetAttr(tag, attr, out);
        // Each index in turn, one before the first included.
        rss.MGetString(tag, index % 4 - 1, out);
        rss.MGetAttr(tag, index % 3, attr, out);
    }
    if (edit && !tags.empty()) {
        const XString &tag = tags[index % tags.size()], &value = tags[(index + 1) % tags.size()];
        rss.SetString(tag, value);
        rss.SetDateStr(tag, value);
        rss.GetDate(tag);
        rss.SetDate(tag, words.date);
        rss.GetDateStr(tag, out);
        rss.SetAttr(tag, words.attrs[0], value);
        rss.MSetString(tag, 1, value);
        rss.MSetAttr(tag, 0, words.attrs[0], value);
        rss.SetInt(tag, static_cast<int>(tags.size()) - 7);
        rss.GetInt(tag);
        rss.Remove(tags[(index + 2) % tags.size()]);
    }
    rss.ToXmlString(out);
    rss.get_LastErrorText(out);
}

void walkRss(ClsRss &rss, const Words &words, bool edit) {
    readRss(rss, words, edit);
    const int channels = rss.get_NumChannels();
    for (int c = 0; c < channels && c < kMaxObjects; ++c) {
        std::unique_ptr<ClsRss> channel = rss.GetChannel(c);
        if (!channel) continue;
        readRss(*channel, words, edit);
        if (std::unique_ptr<ClsRss> image = channel->GetImage()) readRss(*image, words, edit);
        const int items = channel->get_NumItems();
        for (int i = 0; i < items && i < kMaxObjects; ++i)
            if (std::unique_ptr<ClsRss> item = channel->GetItem(i)) readRss(*item, words, edit);
        channel->GetItem(items);  // past the end
    }
    rss.GetChannel(-1);
    if (std::unique_ptr<ClsRss> image = rss.GetImage()) readRss(*image, words, edit);
}

void readAtom(ClsAtom &atom, const Words &words, bool edit) {
    std::vector<XString> tags = words.tags;
    addChildTags(atom.xml(), tags);
    XString out;
    int index = 0;
    for (const XString &tag : tags) {
        const XString &attr = words.attrs[index % words.attrs.size()];
        const XString &tag2 = tags[(index + 1) % tags.size()];
        ++index;
        atom.GetElementCount(tag);
        atom.HasElement(tag);
        atom.GetLinkHref(tag, out);
        atom.GetTopAttr(tag, out);
        const int i = index % 3 - 1;
        atom.GetElement(tag, i, out);
        atom.GetElementAttr(tag, i, attr, out);
        atom.GetElementDate(tag, i);
        atom.GetElementDateStr(tag, i, out);
        atom.GetElementDt(tag, i);
        atom.GetPersonInfo(tag, i + 1, tag2, out);
    }
    if (edit && !tags.empty()) {
        const XString &tag = tags[index % tags.size()], &value = tags[(index + 1) % tags.size()];
        atom.AddElementDateStr(tag, value);
        atom.UpdateElementDateStr(tag, 0, value);
        atom.AddElementDate(tag, words.date);
        atom.UpdateElementDate(tag, 1, words.date);
        ClsDateTime dateTime;
        dateTime.setFromOleDate(true, words.date);
        atom.AddElementDt(tag, &dateTime);
        atom.GetElementDate(tag, 0);
        atom.GetElementDateStr(tag, 1, out);
        atom.AddElementHtml(tag, value);
        atom.AddElementXHtml(tag, value);
        atom.AddElementXml(tag, value);
        atom.UpdateElementXml(tag, 0, value);
        atom.GetElement(tag, 0, out);
        atom.SetElementAttr(tag, 0, words.attrs[0], value);
        atom.DeleteElementAttr(tag, 1, words.attrs[0]);
        atom.AddLink(value, tag, value, value);
        atom.AddPerson(tag, value, value, value);
        atom.UpdatePerson(tag, 0, value, value, value);
        atom.GetPersonInfo(tag, 0, value, out);
        atom.SetTopAttr(words.attrs[0], value);
        atom.AddEntry(value);
        atom.DeletePerson(tag, 1);
        atom.DeleteElement(tags[(index + 2) % tags.size()], 0);
    }
    atom.ToXmlString(out);
    atom.get_LastErrorText(out);
}

void walkAtom(ClsAtom &atom, const Words &words, bool edit) {
    readAtom(atom, words, edit);
    const int entries = atom.get_NumEntries();
    for (int e = 0; e < entries && e < kMaxObjects; ++e)
        if (std::unique_ptr<ClsAtom> entry = atom.GetEntry(e)) readAtom(*entry, words, edit);
    atom.GetEntry(entries);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::FuzzInput input(data, size);
    const XString document = text(input.part());
    const uint8_t mode = input.byte();
    Words words;
    const bool edit = mode & 1;
    if (edit) {
        // A fuzzed automation date (NaN, infinities and huge values included).
        uint8_t bytes[sizeof(double)];
        for (uint8_t &b : bytes) b = input.byte();
        std::memcpy(&words.date, bytes, sizeof words.date);
    }
    for (size_t i = 0; i < kMaxTags; ++i) {
        const std::string tag = input.part();
        if (tag.empty()) continue;
        words.tags.push_back(text(tag));
        if (words.attrs.size() < 4) words.attrs.push_back(text(tag));
    }
    // The common tags when the input names none (or asks for them).
    if (words.tags.empty() || (mode & 2))
        for (const char *tag : kTags) words.tags.push_back(text(tag));
    for (const char *attr : kAttrs) words.attrs.push_back(text(attr));

    if (!(mode & 4)) {
        ClsRss rss;
        if (rss.LoadRssString(document)) walkRss(rss, words, edit);
    }
    if (!(mode & 8)) {
        ClsAtom atom;
        if (atom.LoadXml(document)) walkAtom(atom, words, edit);
    }
    return 0;
}
