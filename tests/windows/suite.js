// The objects from JScript under the system's script host: creation by every ProgID, text in
// every plane, null and empty strings, 1/0 results, objects and Nothing, byte results handed
// back, dates, errors and the log. Argument: the catalog file. The last line is the summary; a
// script that stops early prints none.
var passed = 0, failed = 0;
function check(ok, what) {
    if (ok) { passed++; } else { failed++; WScript.Echo("FAIL: " + what); }
}
function codes(text) {
    var out = [];
    for (var i = 0; i < text.length; i++) out.push(text.charCodeAt(i).toString(16));
    return out.join(" ");
}

var ids = ["QuorvelXml.QuorvelXml.1", "QuorvelXml.QuorvelXml", "Quorvel.Xml.1", "Quorvel.Xml",
           "Quorvel.Rss.1", "Quorvel.Rss", "Quorvel.Atom.1", "Quorvel.Atom"];
for (var i = 0; i < ids.length; i++) {
    var made = new ActiveXObject(ids[i]);
    check(typeof made.LastErrorText == "string", ids[i] + " creates an object");
}

// Text in every plane keeps its exact code units.
var xml = new ActiveXObject("Quorvel.Xml");
check(xml.LoadXml("<r><a>x</a><e/></r>") === 1, "loads, with the number 1");
var samples = ["caf\u00e9", "\u65e5\u672c\u8a9e", "emoji \ud83d\ude00 and \ud834\udd1e", "tab\tand\nnewline"];
for (var i = 0; i < samples.length; i++) {
    xml.Content = samples[i];
    check(xml.Content === samples[i], "text " + codes(samples[i]) + " comes back as " + codes(xml.Content));
}
check(xml.GetChildContent("missing") === "", "a null string reads as empty");
check(xml.GetChild(1).Content === "", "an empty text is empty");
check(xml.HasChildWithTag("a") === 1 && xml.HasChildWithTag("b") === 0, "1/0 results");
check(xml.GetChild(7) === null, "a missing object is null");
check(xml.SearchForTag(null, "a").Content === "x", "null as the 'after' object");
check(xml.AddChildTree(new ActiveXObject("Scripting.Dictionary")) === 0, "a foreign object is no node");

// The catalog, and a path command.
var catalog = new ActiveXObject("Quorvel.Xml");
check(catalog.LoadXmlFile(WScript.Arguments(0)) === 1, "the catalog loads");
check(catalog.QuorvelPath("/A/book,id,bk102|title|*") === "Les Mis\u00e9rables", "a path command reads a title");

// Byte results go back to the objects.
var data = xml.GetChild(0);
check(data.SetBinaryContent("bytes here", 1, 1, "pw") === 1, "binary content packed");
var back = new ActiveXObject("Quorvel.Xml");
back.LoadXml("<b/>");
check(back.SetBinaryContent(data.GetBinaryContent(1, 1, "pw"), 0, 0, "") === 1, "the byte result goes back in");
var plain = new ActiveXObject("Quorvel.Xml");
plain.LoadXml("<b/>");
plain.SetBinaryContent("bytes here", 0, 0, "");
check(back.Content === plain.Content, "unchanged by the round trip");

// Dates: Wine's engine has neither getVarDate nor a reading of automation dates, so a date
// result goes straight back into another call, as bytes do.
var rss = new ActiveXObject("Quorvel.Rss");
rss.NewRss();
var channel = rss.AddNewChannel();
channel.SetDateStr("lastBuildDate", "Mon, 01 Jul 2024 12:00:00 GMT");
channel.SetDate("pubDate", channel.GetDate("lastBuildDate"));
check(channel.GetDateStr("pubDate") === "Mon, 01 Jul 2024 12:00:00 GMT", "an automation date goes out and back in");
var atom = new ActiveXObject("Quorvel.Atom");
atom.NewFeed();
atom.AddElementDateStr("updated", "2024-07-01T12:00:00Z");
var stamp = atom.GetElementDt("updated", 0);
check(stamp !== null && stamp.GetAsRfc822(0) === "Mon, 01 Jul 2024 12:00:00 GMT", "a date-time object");
check(stamp.GetAsUnixTime(0) === 1719835200, "its Unix time");

// Calling errors raise; failures of the objects only report.
var raised = 0;
try { xml.NoSuchMember(); } catch (e) { raised = e.number; }
check(raised !== 0, "an unknown member raises");
raised = 0;
try { xml.GetChild(); } catch (e) { raised = e.number; }
check(raised !== 0, "a missing argument raises");
check(xml.LoadXmlFile("C:\\no\\such\\file.xml") === 0, "a missing file fails");
check(xml.LastErrorText.indexOf("LoadXmlFile") >= 0, "and the log names the call");

WScript.Echo(passed + " passed, " + failed + " failed");
