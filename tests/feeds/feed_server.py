#!/usr/bin/env python3
"""Loopback feed server: the HTTP tests' scripted_server.py (ports chosen at run time, the time
limit; "feed_server.py -- COMMAND..." runs COMMAND with the ports and QUORVEL_FEED_SERVER=1 in its
environment) with the feed cases below added under /feed/."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "http"))
import scripted_server as server  # noqa: E402


def rss(title, items, encoding="utf-8"):
    body = "".join("<item><title>%s</title></item>" % item for item in items)
    return ('<?xml version="1.0" encoding="%s"?>\n<rss version="2.0"><channel><title>%s</title>%s'
            '</channel></rss>\n' % (encoding, title, body))


ATOM = ('<?xml version="1.0" encoding="UTF-16"?>\n<feed xmlns="http://www.w3.org/2005/Atom">'
        '<title>\u0391\u03b8\u03ae\u03bd\u03b1</title><entry><title>\u00e9t\u00e9 \U0001F600</title></entry></feed>')

FEEDS = {
    "rss": ("application/rss+xml", rss("Loopback feed", ["One", "Two"]).encode("utf-8")),
    "latin1": ("text/xml; charset=ISO-8859-1", rss("Caf\u00e9 M\u00fcller", ["\u00fcber"], "ISO-8859-1").encode("latin-1")),
    "utf16": ("application/atom+xml", b"\xff\xfe" + ATOM.encode("utf-16-le")),
}


def case_feed(conn, path, query, request):
    kind = path.rsplit("/", 1)[-1]
    if kind in FEEDS:
        content_type, body = FEEDS[kind]
        conn.send(server.response("200 OK", body, [("Content-Type", content_type)]))
    elif kind == "gzip":
        body = server.gzipped(FEEDS["rss"][1], "feed.xml")
        conn.send(server.response("200 OK", body, [("Content-Type", "application/rss+xml"),
                                                   ("Content-Encoding", "gzip")]))
    elif kind == "text":
        # Whatever the query says, as plain text: a body that looks like a file name.
        conn.send(server.response("200 OK", query.get("body", [""])[0].encode("utf-8"),
                                  [("Content-Type", "text/plain")]))
    elif kind == "too-big":
        # Announces more than a feed may hold and closes: the client must refuse before reading.
        conn.send(b"HTTP/1.1 200 OK\r\nContent-Type: application/rss+xml\r\nContent-Length: 268435457\r\n\r\n")
        return False
    else:
        conn.send(server.response("404 Not Found", b"unknown feed", [("Content-Type", "text/plain")]))
    return True


if __name__ == "__main__":
    server.CASES.insert(0, ("/feed/", case_feed))
    os.environ["QUORVEL_FEED_SERVER"] = "1"
    sys.exit(server.main())
