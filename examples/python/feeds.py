#!/usr/bin/env python3
"""Feeds from Python: build an RSS 2.0 feed and an Atom feed, then read a feed as found in the
wild (ISO-8859-1, CDATA, entities) and print its channel and items.

    python3 feeds.py [feed.xml]"""
import datetime
import pathlib
import sys

import quorvel

HERE = pathlib.Path(__file__).resolve().parent


def heading(title):
    print(f"\n== {title}")


def build_rss():
    rss = quorvel.CreateObject("Quorvel.Rss")
    rss.NewRss()
    channel = rss.AddNewChannel()
    channel.SetString("title", "Quorvel release notes")
    channel.SetString("link", "https://quorvel.org/xml")
    channel.SetString("description", "What changed, release by release")
    channel.SetDate("lastBuildDate", datetime.datetime(2014, 3, 21, 9, 0))
    for title, date, guid in (("9.5: feeds & dates", "2014-03-21T10:00:00+01:00", "release-9.5"),
                              ("9.4: faster parsing", "Mon, 10 Feb 2014 08:30:00 -0500", "release-9.4")):
        item = channel.AddNewItem()
        item.SetString("title", title)
        item.SetDateStr("pubDate", date)  # either format in, RFC 822 stored
        item.SetString("guid", guid)
        item.SetAttr("guid", "isPermaLink", "false")
    return rss


def build_atom():
    atom = quorvel.CreateObject("Quorvel.Atom")
    atom.NewFeed()
    atom.SetTopAttr("xmlns", "http://www.w3.org/2005/Atom")
    atom.AddElement("title", "Quorvel release notes")
    atom.AddElement("id", "urn:quorvel:releases")
    atom.AddLink("alternate", "https://quorvel.org/xml", "", "text/html")
    atom.AddPerson("author", "The Quorvel team", "https://quorvel.org/", "")
    atom.AddElementDateStr("updated", "2014-03-21T10:00:00+01:00")
    atom.AddEntry("<entry><title>9.5: feeds &amp; dates</title><id>urn:quorvel:9.5</id></entry>")
    entry = atom.GetEntry(0)
    entry.AddElementDateStr("updated", "2014-03-21T10:00:00+01:00")
    entry.AddElementHtml("summary", "RSS and Atom <b>feed objects</b>.")
    return atom


def read(path):
    heading("Read a feed")
    rss = quorvel.CreateObject("Quorvel.Rss")
    if not rss.LoadRssFile(path):
        print(f"could not load {path}:\n{rss.LastErrorText}")
        return False
    channel = rss.GetChannel(0)
    if channel is None:
        print(f"{path} has no channel")
        return False
    print(f"{channel.GetString('title')} <{channel.GetString('link')}>\n  {channel.GetString('description')}\n"
          f"  built {channel.GetDateStr('lastBuildDate')}, {channel.NumItems} items")
    for index in range(channel.NumItems):
        item = channel.GetItem(index)
        author = item.GetString("dc:creator") if item.GetCount("dc:creator") else "(no author)"
        print(f"\n  {item.GetString('title')}\n    {item.GetString('link')}\n    by {author}, "
              f"{item.GetDateStr('pubDate')} ({item.GetDate('pubDate'):%Y-%m-%d %H:%M} UTC)\n"
              f"    {item.GetString('description')}")
        enclosure = item.GetAttr("enclosure", "url")
        if enclosure:
            print(f"    enclosure: {enclosure}")
    return True


def main(path):
    heading("Build an RSS 2.0 feed")
    rss = build_rss()
    print(rss.ToXmlString(), end="")
    heading("Build an Atom feed")
    atom = build_atom()
    print(atom.ToXmlString(), end="")
    entry = atom.GetEntry(0)
    updated = entry.GetElementDt("updated", 0)  # a date-time object
    print(f"entry summary, read back: {entry.GetElement('summary', 0)} "
          f"(updated {entry.GetElementDateStr('updated', 0)}, {updated.GetAsOleDate(0):%Y-%m-%d %H:%M} UTC)")
    return 0 if read(path) else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else str(HERE.parent / "data" / "news.xml")))
