' An outside automation client of FileBrowser: creates it unsited by ProgID,
' with no persistence call, and sets and reads every property late-bound, by
' name. Writes one "name=value" line per observation to the file named by the
' first argument.
Option Explicit

Dim fso, out, b, f
Set fso = CreateObject("Scripting.FileSystemObject")
Set out = fso.CreateTextFile(WScript.Arguments(0), True)

Sub Note(name, value)
    out.WriteLine name & "=" & value
End Sub

Set b = CreateObject("Dravik.FileBrowser")
Note "created", TypeName(b)
Note "new.Title", "[" & b.Title & "]"
Note "new.InitDir", "[" & b.InitDir & "]"
Note "new.Filter", "[" & b.Filter & "]"
Note "new.FileDialogType", b.FileDialogType
Note "new.Text", "[" & b.Text & "]"
Note "new.Enabled", CInt(b.Enabled)
Note "new.Locked", CInt(b.Locked)
Note "new.BackColor", Hex(b.BackColor)
Note "new.ForeColor", Hex(b.ForeColor)
Note "new.Font.nonempty", CInt(Len(b.Font.Name) > 0)

b.Text = "C:\dati\prova.prl"
Note "Text", "[" & b.Text & "]"
b.SelStart = 3
b.SelLength = 4
Note "SelText", "[" & b.SelText & "]"
b.SelText = "DATI"
Note "Text.after.SelText", "[" & b.Text & "]"
Note "SelStart", b.SelStart
Note "SelLength", b.SelLength
b.Title = "Scegli"
Note "Title", "[" & b.Title & "]"
b.InitDir = "D:\"
Note "InitDir", "[" & b.InitDir & "]"
b.Filter = "Programmi (*.prl)|*.prl|"
Note "Filter", "[" & b.Filter & "]"
b.Filter = " a | b "
Note "Filter.blanks", "[" & b.Filter & "]"
b.FileDialogType = 1
Note "FileDialogType", b.FileDialogType
b.FileDialogType = -3
Note "FileDialogType.-3", b.FileDialogType
b.Locked = True
Note "Locked", CInt(b.Locked)
b.BackColor = &HFF
Note "BackColor", Hex(b.BackColor)
b.ForeColor = &H80000012
Note "ForeColor", Hex(b.ForeColor)
Set f = b.Font
f.Bold = True
Set b.Font = f
Note "Font.Bold", CInt(b.Font.Bold)
b.Refresh

' Disabled, Clicca returns at once and opens nothing.
b.Enabled = False
Note "Enabled", CInt(b.Enabled)
b.Clicca
Note "Clicca.disabled", "returned"
Note "Text.after.Clicca", "[" & b.Text & "]"

On Error Resume Next
b.SelStart = "tre"
Note "SelStart.tre.error", Err.Number
Err.Clear
b.SelStart = -1
Note "SelStart.-1.error", Err.Number
Note "SelStart.-1.source", Err.Source
Err.Clear
b.BackColor = "rosso"
Note "BackColor.rosso.error", Err.Number
Err.Clear
Set b.Font = Nothing
Note "Font.Nothing.error", CInt(Err.Number <> 0)
Err.Clear
b.Enabled = "forse"
Note "Enabled.forse.error", Err.Number
Err.Clear
Note "Text.after.errors", "[" & b.Text & "]"
On Error GoTo 0

Set b = Nothing
Note "done", 1
out.Close
