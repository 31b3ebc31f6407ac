' The book catalog job from VBScript: load a catalog saved in ISO-8859-1, walk it, query it with
' searches and path commands, edit it, sort it, and save it back in its declared encoding and in
' UTF-8.
'
'   cscript book_catalog.vbs [catalog.xml [output-folder]]
Option Explicit

Dim catalogPath, outputFolder, fso
Set fso = CreateObject("Scripting.FileSystemObject")
catalogPath = fso.BuildPath(fso.GetParentFolderName(WScript.ScriptFullName), "..\data\books.xml")
outputFolder = fso.GetSpecialFolder(2).Path  ' the temporary folder
If WScript.Arguments.Count > 0 Then catalogPath = WScript.Arguments(0)
If WScript.Arguments.Count > 1 Then outputFolder = WScript.Arguments(1)

Sub ListBooks(catalog)
    Dim book
    Set book = catalog.FirstChild()
    Do While Not (book Is Nothing)
        WScript.Echo "   " & book.GetAttrValue("id") & "  " & book.GetChildContent("year") & "  " & _
                     book.GetChildContent("price") & "  " & book.GetChildContent("title")
        Set book = book.NextSibling()
    Loop
End Sub

Dim catalog, book, found, titles, command, added, latin1, utf8, copy
Set catalog = CreateObject("Quorvel.Xml")

WScript.Echo "== Load"
If catalog.LoadXmlFile(catalogPath) <> 1 Then
    WScript.Echo "could not load " & catalogPath & ":" & vbCrLf & catalog.LastErrorText
    WScript.Quit 1
End If
WScript.Echo catalogPath & ": declared encoding " & catalog.Encoding & ", " & catalog.NumChildren & " books"
ListBooks catalog

WScript.Echo "== Search (level order, resumed with 'after')"
titles = ""
Set found = catalog.SearchForTag(Nothing, "title")
Do While Not (found Is Nothing)
    titles = titles & "[" & found.Content & "] "
    Set found = catalog.SearchForTag(found, "title")
Loop
WScript.Echo "every title: " & titles
WScript.Echo "first book with lang=fr: " & catalog.SearchForAttribute(Nothing, "book", "lang", "fr").GetChildContent("title")

WScript.Echo "== Path commands"
For Each command In Array("book[3]|title|*", "/A/book,id,bk103|price|*", "/C/genre,Fantasy|..|(id)")
    WScript.Echo "   " & command & " -> " & catalog.QuorvelPath(command)
Next

WScript.Echo "== Edit"
Set added = catalog.NewChild("book", "")
added.AddAttribute "id", "bk106"
added.NewChild2 "title", "A Tale of Two Cities"
added.NewChild2 "author", "Charles Dickens"
added.NewChildInt2 "year", 1859
added.NewChild2 "price", "7.25"
catalog.SearchForAttribute(Nothing, "book", "id", "bk105").UpdateChildContent "price", "10.49"
WScript.Echo "took out " & catalog.ExtractChildByName("book", "id", "bk103").GetChildContent("title")

WScript.Echo "== Sort by year, newest first"
catalog.SortRecordsByContentInt "year", 0
ListBooks catalog

WScript.Echo "== Save"
latin1 = fso.BuildPath(outputFolder, "books-latin1.xml")
utf8 = fso.BuildPath(outputFolder, "books-utf8.xml")
If catalog.SaveXml(latin1) <> 1 Then WScript.Echo catalog.LastErrorText : WScript.Quit 1
catalog.Encoding = "utf-8"
If catalog.SaveXml(utf8) <> 1 Then WScript.Echo catalog.LastErrorText : WScript.Quit 1
For Each command In Array(latin1, utf8)
    Set copy = CreateObject("Quorvel.Xml")
    copy.LoadXmlFile command
    WScript.Echo "   " & command & ": " & copy.NumChildren & " books, bk102 is " & _
                 Len(copy.QuorvelPath("/A/book,id,bk102|title|*")) & " characters long"
Next
WScript.Echo "done"
