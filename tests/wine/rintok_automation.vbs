' An outside automation client of RintokCtl: creates it by ProgID and sets
' and reads its properties late-bound, by name. Writes one "name=value" line
' per observation to the file named by the first argument.
Option Explicit

Dim fso, out, t
Set fso = CreateObject("Scripting.FileSystemObject")
Set out = fso.CreateTextFile(WScript.Arguments(0), True)

Sub Note(name, value)
    out.WriteLine name & "=" & value
End Sub

Set t = CreateObject("Rintok.RintokCtl")
Note "created", TypeName(t)
Note "new.Interval", t.Interval
Note "new.Resolution", t.Resolution
Note "new.Periodic", CInt(t.Periodic)
Note "new.Enabled", CInt(t.Enabled)
Note "new.Tag", "[" & t.Tag & "]"

t.Interval = 0
Note "Interval.0", t.Interval
t.Interval = -5
Note "Interval.-5", t.Interval
t.Interval = 60000
Note "Interval.60000", t.Interval

t.Resolution = -1
Note "Resolution.-1", t.Resolution
t.Resolution = 2000000000
Note "Resolution.2000000000", t.Resolution

t.Periodic = 1
Note "Periodic.1", CInt(t.Periodic)
t.Periodic = False
Note "Periodic.False", CInt(t.Periodic)

t.Tag = "passo uno"
Note "Tag", "[" & t.Tag & "]"

' No container answers the user mode: the control runs. The interval is
' long, so no Timer falls due while the script runs.
t.Enabled = True
Note "Enabled.True", CInt(t.Enabled)
t.Enabled = 0
Note "Enabled.0", CInt(t.Enabled)

Note "hwnd.nonzero", CInt(t.hwnd <> 0)

On Error Resume Next
t.hwnd = 5
Note "hwnd.set.error", CInt(Err.Number <> 0)
Err.Clear
t.Interval = "abc"
Note "Interval.abc.error", Err.Number
Err.Clear
Note "Interval.after.abc", t.Interval
On Error GoTo 0

Set t = Nothing
Note "done", 1
out.Close
