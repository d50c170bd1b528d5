' What the automation scripts share, run by each through ExecuteGlobal: the
' notes file named by the script's first argument, Note, which writes one
' "name=value" line to it, and EndNotes, which closes it.
Dim fso, out
Set fso = CreateObject("Scripting.FileSystemObject")
Set out = fso.CreateTextFile(WScript.Arguments(0), True)

Sub Note(name, value)
    out.WriteLine name & "=" & value
End Sub

Sub EndNotes()
    out.Close
End Sub
