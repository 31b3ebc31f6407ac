' The objects from VBScript under the system's script host: creation by every ProgID, the book
' catalog job, the feed objects, null strings, 1/0 results, byte results, dates, the log after a
' failure and objects released in any order. Arguments: the catalog file, a folder to write in.
' The last line is the summary; a script that stops early prints none.
Option Explicit
Dim passed, failed
passed = 0
failed = 0

Sub Check(ok, what)
    If ok Then
        passed = passed + 1
    Else
        failed = failed + 1
        WScript.Echo "FAIL: " & what
    End If
End Sub

Dim catalogPath, folder
catalogPath = WScript.Arguments(0)
folder = WScript.Arguments(1)

' ---- every class by each of its ProgIDs
Dim progId, made
For Each progId In Array("QuorvelXml.QuorvelXml.1", "QuorvelXml.QuorvelXml", "Quorvel.Xml.1", "Quorvel.Xml")
    Set made = CreateObject(progId)
    Check TypeName(made) = "IQuorvelXml", progId & " is an Xml object: " & TypeName(made)
    Check made.Version = "9.5.0.21", progId & " version"
Next
For Each progId In Array("Quorvel.Rss.1", "Quorvel.Rss")
    Check TypeName(CreateObject(progId)) = "IQuorvelRss", progId & " is an Rss object"
Next
For Each progId In Array("Quorvel.Atom.1", "Quorvel.Atom")
    Check TypeName(CreateObject(progId)) = "IQuorvelAtom", progId & " is an Atom object"
Next

' ---- the book catalog job
Dim catalog, book, found, titles, added, removed, copy, latin1, utf8
Set catalog = CreateObject("Quorvel.Xml")
Check catalog.LoadXmlFile(catalogPath) = 1, "the catalog loads"
Check catalog.Encoding = "ISO-8859-1", "its declared encoding: " & catalog.Encoding
Check catalog.NumChildren = 5, "five books"
Set book = catalog.GetChild(1)
Check book.GetChildContent("title") = "Les Mis" & Chr(233) & "rables", "a Latin-1 title reads as text"
Check book.FindChild("author").GetParent().Tag = "book", "up and down the tree"
titles = 0
Set found = catalog.SearchForTag(Nothing, "title")
Do While Not (found Is Nothing)
    titles = titles + 1
    Set found = catalog.SearchForTag(found, "title")
Loop
Check titles = 5, "stepping a search with after finds every title"
Check catalog.QuorvelPath("/A/book,id,bk103|price|*") <> "", "a path command reads a price"
Check catalog.QuorvelPath("book{missing}|*") = "", "a failing path command gives no text"
Set added = catalog.NewChild("book", "")
added.AddAttribute "id", "bk106"
added.NewChild2 "title", "A Tale of Two Cities"
added.NewChildInt2 "year", 1859
Set removed = catalog.ExtractChildByName("book", "id", "bk103")
Check removed.Tag = "book" And catalog.NumChildren = 5, "one book in, one out"
catalog.SortRecordsByContentInt "year", 0
Check catalog.GetChild(0).GetChildContent("year") >= catalog.GetChild(1).GetChildContent("year"), "sorted newest first"
latin1 = folder & "\books-latin1.xml"
utf8 = folder & "\books-utf8.xml"
Check catalog.SaveXml(latin1) = 1, "saved in its declared encoding"
catalog.Encoding = "utf-8"
Check catalog.SaveXml(utf8) = 1, "saved as UTF-8"
Set copy = CreateObject("Quorvel.Xml")
Check copy.LoadXmlFile(latin1) = 1, "the Latin-1 file reads back"
Check copy.QuorvelPath("/A/book,id,bk102|title|*") = "Les Mis" & Chr(233) & "rables", "with its accents"
Check copy.LoadXmlFile(utf8) = 1 And copy.QuorvelPath("/A/book,id,bk106|title|*") = "A Tale of Two Cities", _
      "the UTF-8 file reads back"

' ---- the feed objects: build, read, sub-objects
Dim rss, channel, item, atom, entry, text
Set rss = CreateObject("Quorvel.Rss")
rss.NewRss
Set channel = rss.AddNewChannel()
channel.SetString "title", "News"
Set item = channel.AddNewItem()
item.SetString "title", "First"
item.SetInt "comments", 3
Check rss.NumChannels = 1 And channel.NumItems = 1, "a channel with one item built"
text = rss.ToXmlString()
Set rss = CreateObject("Quorvel.Rss")
Check rss.LoadRssString(text) = 1, "the built feed reads back"
Check rss.GetChannel(0).GetItem(0).GetString("title") = "First", "through its sub-objects"
Check rss.GetChannel(0).GetItem(0).GetInt("comments") = 3, "numbers too"
Check rss.GetChannel(0).GetItem(5) Is Nothing, "a missing item is Nothing"
Set atom = CreateObject("Quorvel.Atom")
atom.NewFeed
Check atom.AddElement("title", "Feed") = 0, "an element's index"
atom.AddEntry "<entry><title>E1</title></entry>"
Set entry = atom.GetEntry(0)
Check entry.GetElement("title", 0) = "E1", "an entry as a sub-object"
Check atom.NumEntries = 1, "one entry"

' ---- null strings read as empty; 1/0 results are Longs
Set copy = CreateObject("Quorvel.Xml")
copy.LoadXml "<r><a>x</a><e/></r>"
Check copy.GetChildContent("missing") = "" And Len(copy.GetChildContent("missing")) = 0, "a null string reads as empty"
Check copy.GetChild(1).Content = "", "an empty text is empty"
Check copy.HasChildWithTag("a") = 1 And VarType(copy.HasChildWithTag("a")) = vbLong, "true is the Long 1"
Check copy.HasChildWithTag("b") = 0, "false is 0"

' ---- byte results: handed back to the objects (the engine cannot index a byte array)
Dim bytes, other, plain
copy.GetChild(0).SetBinaryContent "some text as data", 1, 0, ""
bytes = copy.GetChild(0).GetBinaryContent(1, 0, "")
Check VarType(bytes) = vbArray + vbByte, "a byte result is a byte array: " & VarType(bytes)
Set other = CreateObject("Quorvel.Xml")
other.LoadXml "<b/>"
Check other.SetBinaryContent(bytes, 0, 0, "") = 1, "the bytes go back in"
Set plain = CreateObject("Quorvel.Xml")
plain.LoadXml "<b/>"
plain.SetBinaryContent "some text as data", 0, 0, ""
Check other.Content = plain.Content And InStr(plain.Content, "cwBvAG0AZQAgAHQAZQB4AHQ") = 1, "unchanged by the round trip: " & other.Content

' ---- dates in and out
Dim noon, stamp
noon = DateSerial(2024, 7, 1) + TimeSerial(12, 0, 0)
Set rss = CreateObject("Quorvel.Rss")
rss.NewRss
Set channel = rss.AddNewChannel()
channel.SetDate "pubDate", noon
Check channel.GetDate("pubDate") = noon, "an Rss date round-trips: " & channel.GetDate("pubDate")
Set atom = CreateObject("Quorvel.Atom")
atom.NewFeed
atom.AddElementDate "updated", noon
Set stamp = atom.GetElementDt("updated", 0)
Check Not (stamp Is Nothing), "a date-time object from the date-time component"
Check stamp.GetAsOleDate(1) = noon, "in local time"
Check atom.AddElementDt("published", stamp) = 0, "handed back to the Atom object"
Check atom.GetElementDateStr("published", 0) = atom.GetElementDateStr("updated", 0), "the same instant"

' ---- the log after a failure
Set copy = CreateObject("Quorvel.Xml")
Check copy.LoadXmlFile(folder & "\no\such\file.xml") = 0, "a missing file fails"
Check InStr(copy.LastErrorText, "LoadXmlFile") > 0, "and the log names the call"
Check InStr(copy.LastErrorXml, "<LoadXmlFile>") > 0, "in the XML form too"

' ---- objects released in any order
Dim root, child, grandchild
Set root = CreateObject("Quorvel.Xml")
root.LoadXml "<a><b><c>deep</c></b></a>"
Set child = root.GetChild(0)
Set grandchild = child.GetChild(0)
Set root = Nothing
Check grandchild.Content = "deep", "a grandchild outlives the root"
Set child = Nothing
Check grandchild.GetParent().GetParent().Tag = "a", "and still reaches the top"
Set grandchild = Nothing

WScript.Echo passed & " passed, " & failed & " failed"
