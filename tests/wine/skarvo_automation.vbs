' An outside automation client of Skarvo: the subclassing engine and the
' menu-image control created by ProgID, their errors read through Err.
' Writes one "name=value" line per observation to the file named by the
' first argument; the second is a window of another process.
Option Explicit

Dim fso, out, g, c, hwnd, i, major, minor, revision
Set fso = CreateObject("Scripting.FileSystemObject")
Set out = fso.CreateTextFile(WScript.Arguments(0), True)
hwnd = CLng(WScript.Arguments(1))

Sub Note(name, value)
    out.WriteLine name & "=" & value
End Sub

Sub NoteError(name)
    Note name & ".Number", Err.Number
    Note name & ".Source", Err.Source
    Note name & ".Description", Err.Description
    Err.Clear
End Sub

Set g = CreateObject("Skarvo.GSubclass")
Set c = CreateObject("Skarvo.DTPSkarvo")
Note "created", TypeName(g) & "," & TypeName(c)

On Error Resume Next
g.AttachMessage c, 0, 5
NoteError "Attach.invalid"
g.AttachMessage c, hwnd, 5
NoteError "Attach.external"
g.DetachMessage c, hwnd, 5
NoteError "Detach.unregistered"
Note "CurrentMessage.type", TypeName(g.CurrentMessage)

i = c.MenuIndex("nessuno")
NoteError "MenuIndex.unknown"
Note "MenuExists.unknown", CInt(c.MenuExists("nessuno"))
Note "AddItem.first", c.AddItem("Uno", "k1")
i = c.AddItem("Due", "k1")
NoteError "AddItem.duplicate"
Note "Count", c.Count
Note "MenuIndex.k1", c.MenuIndex("k1")
Note "Caption.k1", c.Caption("k1")
c.HelpText(7) = "x"
NoteError "HelpText.7"
' Any number of positions; an unsited control has no menu bar to walk.
Note "IndexForMenuHierarchyParamArray", c.IndexForMenuHierarchyParamArray(1, 1)
NoteError "IndexForMenuHierarchyParamArray"
c.GetVersion major, minor, revision
Note "Version", major & "." & minor & "." & revision
