' Creates each control library's classes by ProgID, as another program would
' after the setup registered them, and writes one "ProgID=TypeName" line per
' class to the file named by the first argument ("ProgID=error N" on failure).
Option Explicit
On Error Resume Next

Dim fso, out, progId, o
Set fso = CreateObject("Scripting.FileSystemObject")
Set out = fso.CreateTextFile(WScript.Arguments(0), True)
For Each progId In Array("Rintok.RintokCtl", "Dravik.FileBrowser", "Skarvo.DTPSkarvo", "Skarvo.GSubclass")
    Err.Clear
    Set o = CreateObject(progId)
    If Err.Number <> 0 Then
        out.WriteLine progId & "=error " & Err.Number
    Else
        out.WriteLine progId & "=" & TypeName(o)
    End If
    Set o = Nothing
Next
out.Close
