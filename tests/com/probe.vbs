' Prints whether the library's service object can be created; with the argument "user", also
' that its class is registered for the current user alone.
On Error Resume Next
Dim p, shell, where
Set p = CreateObject("KvPwForStencils.Pw2")
WScript.Echo "created: " & TypeName(p)
where = ""
If WScript.Arguments.Count > 0 Then
  Set shell = CreateObject("WScript.Shell")
  Dim number
  number = Err.Number
  Err.Clear
  ' Read first: a failing call inside an If condition would run its Then branch.
  Dim clsid
  clsid = shell.RegRead("HKCU\Software\Classes\KvPwForStencils.Pw2\CLSID\")
  If Err.Number <> 0 Then clsid = ""
  If clsid = "{8DFF3647-A365-4084-9ECE-C18C1E58EA7D}" Then where = " user"
  WScript.Echo "create " & number & where
Else
  WScript.Echo "create " & Err.Number
End If
