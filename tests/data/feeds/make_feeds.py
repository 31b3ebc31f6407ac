#!/usr/bin/env python3
"""Writes the sample feeds of the feed tests: shapes met in the wild, in several encodings.

Run from anywhere; the files land beside this script. The feed tests read the committed files,
so this only needs to run again when a sample changes.
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def write(name, text, encoding='utf-8', bom=b''):
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(bom + text.encode(encoding))


# RSS 0.91 with the classic DOCTYPE, whose DTD defines the HTML entities the text uses.
write('rss091_doctype.xml', '''<?xml version="1.0" encoding="ISO-8859-1"?>
<!DOCTYPE rss PUBLIC "-//Netscape Communications//DTD RSS 0.91//EN"
 "http://my.netscape.com/publish/formats/rss-0.91.dtd">
<rss version="0.91">
<channel>
<title>Caf&eacute; Notes</title>
<link>http://www.example.com/</link>
<description>Notes from the caf&eacute; &mdash; daily.</description>
<language>en-us</language>
<image>
<title>Caf&eacute; Notes</title>
<url>http://www.example.com/logo.gif</url>
<link>http://www.example.com/</link>
<width>88</width>
<height>31</height>
</image>
<item>
<title>Opening hours</title>
<link>http://www.example.com/hours.html</link>
<description>Open 8&ndash;18, closed on Sundays.</description>
</item>
<item>
<title>New menu</title>
<link>http://www.example.com/menu.html</link>
</item>
</channel>
</rss>
''', 'iso-8859-1')

# RSS 2.0 as blogs write it: namespaces, CDATA descriptions with markup, entities in titles.
write('rss20_cdata.xml', '''<?xml version="1.0" encoding="UTF-8"?>
<rss version="2.0" xmlns:content="http://purl.org/rss/1.0/modules/content/"
  xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:atom="http://www.w3.org/2005/Atom">
  <channel>
    <title>Ben &amp; Jerry&#8217;s Blog</title>
    <atom:link href="https://blog.example.com/feed/" rel="self" type="application/rss+xml" />
    <link>https://blog.example.com</link>
    <description>Ice cream &#38; more</description>
    <lastBuildDate>Fri, 21 Mar 2014 10:00:00 +0000</lastBuildDate>
    <generator>https://wordpress.org/?v=3.8.1</generator>
    <item>
      <title>Hello &#8220;world&#8221;</title>
      <link>https://blog.example.com/2014/03/hello-world/</link>
      <pubDate>Fri, 21 Mar 2014 09:30:00 +0000</pubDate>
      <dc:creator><![CDATA[Jerry]]></dc:creator>
      <category><![CDATA[News]]></category>
      <category><![CDATA[Flavours]]></category>
      <guid isPermaLink="false">https://blog.example.com/?p=42</guid>
      <description><![CDATA[<p>Welcome to <b>our</b> blog &amp; shop&#8230;</p>]]></description>
      <content:encoded><![CDATA[<p>Welcome!</p>
<p>More soon.</p>]]></content:encoded>
      <enclosure url="https://blog.example.com/a.mp3" length="1024" type="audio/mpeg" />
    </item>
    <item>
      <title>Second post</title>
      <pubDate>Thu, 20 Mar 2014 18:00:00 -0500</pubDate>
      <description>Plain &lt;i&gt;escaped&lt;/i&gt; HTML</description>
    </item>
  </channel>
</rss>
''')

# RSS 1.0: RDF, items beside the channel, dates in Dublin Core ISO 8601.
write('rss10_rdf.xml', '''<?xml version="1.0" encoding="utf-8"?>
<rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#"
  xmlns="http://purl.org/rss/1.0/" xmlns:dc="http://purl.org/dc/elements/1.1/">
  <channel rdf:about="http://www.example.org/rss.rdf">
    <title>Example RDF</title>
    <link>http://www.example.org/</link>
    <description>An RSS 1.0 channel</description>
    <items>
      <rdf:Seq>
        <rdf:li rdf:resource="http://www.example.org/1" />
        <rdf:li rdf:resource="http://www.example.org/2" />
      </rdf:Seq>
    </items>
  </channel>
  <item rdf:about="http://www.example.org/1">
    <title>First</title>
    <link>http://www.example.org/1</link>
    <dc:date>2014-03-21T10:00:00+01:00</dc:date>
  </item>
  <item rdf:about="http://www.example.org/2">
    <title>Second</title>
    <link>http://www.example.org/2</link>
    <dc:date>2014-03-22T08:15:00Z</dc:date>
  </item>
</rdf:RDF>
''')

# Atom with the three content types, links and people.
write('atom_content.xml', '''<?xml version="1.0" encoding="utf-8"?>
<feed xmlns="http://www.w3.org/2005/Atom" xml:lang="en">
  <title type="text">Example Atom</title>
  <subtitle type="html">A &lt;em&gt;lot&lt;/em&gt; of news</subtitle>
  <link rel="alternate" type="text/html" href="https://example.org/"/>
  <link rel="self" type="application/atom+xml" href="https://example.org/feed.atom"/>
  <id>tag:example.org,2014:feed</id>
  <updated>2014-03-21T10:00:00Z</updated>
  <author><name>Ann Author</name><email>ann@example.org</email></author>
  <entry>
    <title>Text entry</title>
    <link rel="alternate" href="https://example.org/1"/>
    <id>tag:example.org,2014:1</id>
    <updated>2014-03-21T09:00:00-05:00</updated>
    <content type="text">Fish &amp; chips</content>
  </entry>
  <entry>
    <title type="html">HTML &amp;amp; entry</title>
    <id>tag:example.org,2014:2</id>
    <updated>2014-03-20T08:00:00Z</updated>
    <content type="html">&lt;p&gt;Hello &lt;b&gt;bold&lt;/b&gt;&lt;/p&gt;</content>
  </entry>
  <entry>
    <title>XHTML entry</title>
    <id>tag:example.org,2014:3</id>
    <updated>2014-03-19T07:00:00+02:00</updated>
    <content type="xhtml"><div xmlns="http://www.w3.org/1999/xhtml"><p>Hi <em>there</em></p></div></content>
    <contributor><name>Bo</name></contributor>
  </entry>
</feed>
''')

# The same small RSS feed in the encodings of its language.
ENCODED = [
    ('rss_iso-8859-1.xml', 'ISO-8859-1', 'iso-8859-1', 'Café Müller', 'Größere Straßen in Köln'),
    ('rss_windows-1251.xml', 'windows-1251', 'cp1251', 'Новости дня', 'Погода в Москве'),
    ('rss_shift_jis.xml', 'Shift_JIS', 'shift_jis', 'ニュース速報', '東京の天気は晴れ'),
    ('rss_euc-kr.xml', 'EUC-KR', 'euc_kr', '오늘의 뉴스', '서울 날씨'),
    ('rss_big5.xml', 'Big5', 'big5', '今日新聞', '台北天氣晴朗'),
]
for name, declared, codec, title, item in ENCODED:
    write(name, f'''<?xml version="1.0" encoding="{declared}"?>
<rss version="2.0">
<channel>
<title>{title}</title>
<item><title>{item}</title><description>{item} &amp; {title}</description></item>
</channel>
</rss>
''', codec)

# UTF-16 with a byte-order mark, little-endian, with a character beyond the BMP.
write('atom_utf-16.xml', '''<?xml version="1.0" encoding="UTF-16"?>
<feed xmlns="http://www.w3.org/2005/Atom">
<title>Ελληνικά νέα 🎉</title>
<entry><title>Καιρός</title><updated>2014-03-21T10:00:00Z</updated></entry>
</feed>
''', 'utf-16-le', b'\xff\xfe')
