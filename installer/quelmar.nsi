; Quelmar's setup program. Built by installer/CMakeLists.txt with makensis:
;   makensis -DSTAGE=<folder of the files to ship> -DOUTFILE=<setup.exe> quelmar.nsi
; STAGE holds win64\Quelmar and win32\Quelmar, the files of the two builds.
; On 64-bit Windows it installs the 64-bit program into Program Files and
; registers the control libraries of both builds side by side (the 64-bit ones
; beside the program, the 32-bit ones in its x86 folder), so that 64-bit and
; 32-bit hosts both create them; on 32-bit Windows it installs the 32-bit set.
; It checks each registration in its own registry view and writes the
; uninstaller. A step that fails is reported and everything done so far is
; undone. The setup itself is a 32-bit program and runs on both.
Unicode true
!ifndef STAGE
  !error "STAGE (the folder of the files to ship) is not defined"
!endif
!ifndef OUTFILE
  !define OUTFILE "Quelmar-3.1.0.0-setup.exe"
!endif

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "StrFunc.nsh"
!include "x64.nsh"
${StrStr}

!define VERSION "3.1.0.0"
!define PUBLISHER "Quelmar project"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quelmar"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "Quelmar ${VERSION}"
OutFile "${OUTFILE}"
!define STAGE64 "${STAGE}/win64/Quelmar"
!define STAGE32 "${STAGE}/win32/Quelmar"

; The folder on 32-bit Windows; .onInit chooses the 64-bit one and finds an
; earlier install (a reinstall goes where the program already is, unless /D=
; says otherwise).
InstallDir "$PROGRAMFILES\Quelmar"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "Quelmar"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "Quelmar ${VERSION} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}, MIT License"

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\Quelmar.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE64}/LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the one used when the system's is neither.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Italian"

LangString MsgNotAdmin ${LANG_ENGLISH} "Installing Quelmar needs administrator rights.$\r$\nStart the setup again as an administrator. Nothing has been changed."
LangString MsgNotAdmin ${LANG_ITALIAN} "Per installare Quelmar servono i diritti di amministratore.$\r$\nAvviare di nuovo l'installazione come amministratore. Non è stato modificato nulla."
LangString MsgUnNotAdmin ${LANG_ENGLISH} "Removing Quelmar needs administrator rights.$\r$\nStart the removal again as an administrator. Nothing has been changed."
LangString MsgUnNotAdmin ${LANG_ITALIAN} "Per disinstallare Quelmar servono i diritti di amministratore.$\r$\nAvviare di nuovo la disinstallazione come amministratore. Non è stato modificato nulla."
LangString MsgNoWrite ${LANG_ENGLISH} "The folder $INSTDIR cannot be written.$\r$\nChoose another folder, or check its permissions. Quelmar has not been installed."
LangString MsgNoWrite ${LANG_ITALIAN} "Impossibile scrivere nella cartella $INSTDIR.$\r$\nScegliere un'altra cartella o controllarne i permessi. Quelmar non è stato installato."
LangString MsgCopyFail ${LANG_ENGLISH} "The file $R9 could not be written to $INSTDIR.$\r$\nThe setup has been undone: Quelmar is not installed."
LangString MsgCopyFail ${LANG_ITALIAN} "Impossibile scrivere il file $R9 in $INSTDIR.$\r$\nL'installazione è stata annullata: Quelmar non è installato."
LangString MsgRegFail ${LANG_ENGLISH} "The $R7-bit control library $R9 could not be registered.$\r$\nThe setup has been undone: Quelmar is not installed."
LangString MsgRegFail ${LANG_ITALIAN} "Impossibile registrare la libreria di controlli a $R7 bit $R9.$\r$\nL'installazione è stata annullata: Quelmar non è installato."
LangString MsgUninstallerFail ${LANG_ENGLISH} "The uninstaller could not be written to $INSTDIR.$\r$\nThe setup has been undone: Quelmar is not installed."
LangString MsgUninstallerFail ${LANG_ITALIAN} "Impossibile scrivere il programma di disinstallazione in $INSTDIR.$\r$\nL'installazione è stata annullata: Quelmar non è installato."

; Set once the first file has been written: before that a failure has nothing to undo.
Var Written
; 1 on 64-bit Windows: the 64-bit set, and the 32-bit libraries in $INSTDIR\x86.
Var Is64

; Every file the setup puts in the program folder (the uninstaller apart),
; from the build of the system's width.
!macro ForEachShippedFile MACRO
  !insertmacro ${MACRO} "Quelmar.exe"
  !insertmacro ${MACRO} "hwinterface.ocx"
  !insertmacro ${MACRO} "Rintok.dll"
  !insertmacro ${MACRO} "Dravik.dll"
  !insertmacro ${MACRO} "Skarvo.dll"
  !insertmacro ${MACRO} "demo.prl"
  !insertmacro ${MACRO} "README.txt"
  !insertmacro ${MACRO} "LICENSE.txt"
  !if /FileExists "${STAGE64}/quelmar-timing.exe"
    !insertmacro ${MACRO} "quelmar-timing.exe"
  !endif
!macroend

!macro ShipFile64 NAME
  !insertmacro ShipFile "${STAGE64}" "${NAME}"
!macroend
!macro ShipFile32 NAME
  !insertmacro ShipFile "${STAGE32}" "${NAME}"
!macroend
; The 32-bit libraries that go beside the 64-bit set (into $INSTDIR\x86).
!macro ShipLibrary32 DLL PROGID
  !insertmacro ShipFile "${STAGE32}" "${DLL}"
!macroend

!macro ShipFile FROM NAME
  ClearErrors
  File "${FROM}/${NAME}"
  ${If} ${Errors}
    StrCpy $R9 "${NAME}"
    MessageBox MB_ICONSTOP|MB_OK "$(MsgCopyFail)" /SD IDOK
    DetailPrint "$(MsgCopyFail)"
    Abort
  ${EndIf}
!macroend

!macro RemoveFile NAME
  Delete "$INSTDIR\${NAME}"
!macroend
!macro RemoveLibrary32 DLL PROGID
  Delete "$INSTDIR\x86\${DLL}"
!macroend

; The libraries other programs create by ProgID; Quelmar itself loads them
; (and hwinterface.ocx) from its own folder without the registry.
!macro ForEachLibrary MACRO
  !insertmacro ${MACRO} "Rintok.dll" "Rintok.RintokCtl"
  !insertmacro ${MACRO} "Dravik.dll" "Dravik.FileBrowser"
  !insertmacro ${MACRO} "Skarvo.dll" "Skarvo.DTPSkarvo"
!macroend

; Each library is registered by the regsvr32 of its own width: on 64-bit
; Windows the 64-bit one is System32's, reached with the file system
; redirection of this 32-bit setup turned off, and the 32-bit one SysWOW64's.
; The 32-bit libraries are in $INSTDIR\x86 beside a 64-bit program, and in
; $INSTDIR itself on 32-bit Windows.
!macro RegisterLibrary64 DLL PROGID
  StrCpy $R9 "$INSTDIR\${DLL}"
  !insertmacro RegisterLibraryIn 64 "${PROGID}"
!macroend
!macro RegisterLibrary32 DLL PROGID
  StrCpy $R9 "$INSTDIR\${DLL}"
  ${If} $Is64 = 1
    StrCpy $R9 "$INSTDIR\x86\${DLL}"
  ${EndIf}
  !insertmacro RegisterLibraryIn 32 "${PROGID}"
!macroend
!macro RegisterLibraryIn BITS PROGID
  StrCpy $R8 "${PROGID}"
  StrCpy $R7 ${BITS}
  Call RegisterLibrary
!macroend

!macro UnregisterLibrary64 DLL PROGID
  ${If} ${FileExists} "$INSTDIR\${DLL}"
    DetailPrint "regsvr32 /u $INSTDIR\${DLL} (64-bit)"
    ${DisableX64FSRedirection}
    ExecWait '"$WINDIR\System32\regsvr32.exe" /u /s "$INSTDIR\${DLL}"'
    ${EnableX64FSRedirection}
  ${EndIf}
!macroend
!macro UnregisterLibrary32 DLL PROGID
  ${If} $Is64 = 1
    StrCpy $R9 "$INSTDIR\x86\${DLL}"
    StrCpy $R6 "$WINDIR\SysWOW64\regsvr32.exe"
  ${Else}
    StrCpy $R9 "$INSTDIR\${DLL}"
    StrCpy $R6 "$SYSDIR\regsvr32.exe"
  ${EndIf}
  ${If} ${FileExists} $R9
    DetailPrint "regsvr32 /u $R9 (32-bit)"
    ExecWait '"$R6" /u /s "$R9"'
  ${EndIf}
!macroend
; The libraries of both views on 64-bit Windows, or the 32-bit ones of a
; 32-bit system.
!macro UnregisterAllLibraries
  ${If} $Is64 = 1
    !insertmacro ForEachLibrary UnregisterLibrary64
  ${EndIf}
  !insertmacro ForEachLibrary UnregisterLibrary32
!macroend

; Registers the file $R9 with the regsvr32 of width $R7 (32 or 64), then reads
; the registration back in the registry view of that width: the ProgID $R8
; must lead to a class whose server is this very file. Any failure is shown
; and ends the setup (then .onInstFailed undoes what was done).
Function RegisterLibrary
  DetailPrint "regsvr32 $R9 ($R7-bit)"
  StrCpy $5 0
  ${If} $R7 == 64
    ${DisableX64FSRedirection}
    ClearErrors
    ExecWait '"$WINDIR\System32\regsvr32.exe" /s "$R9"' $0
    ${If} ${Errors}
      StrCpy $5 1
    ${EndIf}
    ${EnableX64FSRedirection}
    SetRegView 64
  ${Else}
    StrCpy $R6 "$SYSDIR\regsvr32.exe"
    ${If} $Is64 = 1
      StrCpy $R6 "$WINDIR\SysWOW64\regsvr32.exe"
    ${EndIf}
    ClearErrors
    ExecWait '"$R6" /s "$R9"' $0
    ${If} ${Errors}
      StrCpy $5 1
    ${EndIf}
    SetRegView 32
  ${EndIf}
  ${If} $5 = 1
  ${OrIf} $0 <> 0
    Goto failed
  ${EndIf}
  ReadRegStr $1 HKCR "$R8\CLSID" ""
  StrCmp $1 "" failed
  ReadRegStr $2 HKCR "CLSID\$1\InprocServer32" ""
  StrCmp $2 "$R9" done
  ; The same file may be written with short names on one side.
  GetFullPathName /SHORT $3 "$2"
  GetFullPathName /SHORT $4 "$R9"
  StrCmp $3 "" failed
  StrCmp $3 $4 done failed
failed:
  Call SetOwnRegView
  MessageBox MB_ICONSTOP|MB_OK "$(MsgRegFail)" /SD IDOK
  DetailPrint "$(MsgRegFail)"
  Abort
done:
  Call SetOwnRegView
FunctionEnd

; The setup's own entries (uninstall entry) live in the registry view of the
; program it installs: the 64-bit one on 64-bit Windows.
!macro SetOwnRegView UN
  Function ${UN}SetOwnRegView
    ${If} $Is64 = 1
      SetRegView 64
    ${Else}
      SetRegView default
    ${EndIf}
  FunctionEnd
!macroend
!insertmacro SetOwnRegView ""
!insertmacro SetOwnRegView "un."

; Is64 (1 on 64-bit Windows) and the registry view that goes with it.
!macro ChooseSystem UN
  StrCpy $Is64 0
  ${If} ${RunningX64}
    StrCpy $Is64 1
  ${EndIf}
  Call ${UN}SetOwnRegView
!macroend

Function .onInit
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_ICONSTOP|MB_OK "$(MsgNotAdmin)" /SD IDOK
    SetErrorLevel 740
    Quit
  ${EndIf}
  StrCpy $Written 0
  !insertmacro ChooseSystem ""
  System::Call 'kernel32::GetCommandLine() t .r0'
  ${StrStr} $1 $0 " /D="
  ${If} $1 == ""
    ReadRegStr $2 HKLM "${UNINST_KEY}" "InstallLocation"
    ${If} $2 != ""
      StrCpy $INSTDIR $2
    ${ElseIf} $Is64 = 1
      StrCpy $INSTDIR "$PROGRAMFILES64\Quelmar"
    ${EndIf}
  ${EndIf}
FunctionEnd

; Undoes a setup that failed part-way: unregisters the libraries and removes
; the files, the shortcut and the uninstall entry, so that nothing is left
; half-installed. The user's settings and own files are not touched.
Function .onInstFailed
  SetShellVarContext all
  ${If} $Written = 1
    !insertmacro UnregisterAllLibraries
    !insertmacro ForEachShippedFile RemoveFile
    !insertmacro ForEachLibrary RemoveLibrary32
    RMDir "$INSTDIR\x86"
    Delete "$INSTDIR\uninstall.exe"
    Delete "$SMPROGRAMS\Quelmar.lnk"
    DeleteRegKey HKLM "${UNINST_KEY}"
  ${EndIf}
  ; The setup's working folder is the program folder, which cannot be removed while it is.
  SetOutPath "$TEMP"
  RMDir "$INSTDIR"
FunctionEnd

; Runs the uninstaller of the install in folder $0 and waits for it.
!macro RunEarlierUninstaller
  ${If} ${FileExists} "$0\uninstall.exe"
    DetailPrint "$0\uninstall.exe /S"
    ExecWait '"$0\uninstall.exe" /S _?=$0'
    Delete "$0\uninstall.exe"
    RMDir "$0"
  ${EndIf}
!macroend

Section "Quelmar" SecMain
  SectionIn RO
  SetShellVarContext all

  ; A silent setup given a /D= folder that cannot be used would go on into
  ; the default folder instead; the folder asked for is used or refused.
  ${If} ${Silent}
    System::Call 'kernel32::GetCommandLine() t .r0'
    ${StrStr} $1 $0 " /D="
    ${If} $1 != ""
      StrCpy $1 $1 "" 4
      StrCpy $2 $1 1 -1
      ${If} $2 == "\"
        StrCpy $1 $1 -1
      ${EndIf}
      ${If} $1 != $INSTDIR
        StrCpy $INSTDIR $1
        MessageBox MB_ICONSTOP|MB_OK "$(MsgNoWrite)" /SD IDOK
        DetailPrint "$(MsgNoWrite)"
        Abort
      ${EndIf}
    ${EndIf}
  ${EndIf}

  ; An earlier install in another folder goes first, by its own uninstaller.
  ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} $0 != $INSTDIR
    !insertmacro RunEarlierUninstaller
  ${EndIf}
  ; On 64-bit Windows an earlier 32-bit install (its entry in the 32-bit
  ; view) goes first wherever it is: its libraries are registered in the
  ; 32-bit view under its own folder, which this setup does not use.
  ${If} $Is64 = 1
    SetRegView 32
    ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
    ${If} $0 != ""
      !insertmacro RunEarlierUninstaller
      DeleteRegKey HKLM "${UNINST_KEY}"
    ${EndIf}
    Call SetOwnRegView
  ${EndIf}

  ; Find out that the folder takes files before writing any.
  ClearErrors
  CreateDirectory "$INSTDIR"
  FileOpen $0 "$INSTDIR\quelmar-setup.tmp" w
  ${If} ${Errors}
    MessageBox MB_ICONSTOP|MB_OK "$(MsgNoWrite)" /SD IDOK
    DetailPrint "$(MsgNoWrite)"
    Abort
  ${EndIf}
  FileClose $0
  Delete "$INSTDIR\quelmar-setup.tmp"

  StrCpy $Written 1
  SetOverwrite on
  ${If} $Is64 = 1
    SetOutPath "$INSTDIR\x86"
    !insertmacro ForEachLibrary ShipLibrary32
    SetOutPath "$INSTDIR"
    !insertmacro ForEachShippedFile ShipFile64
  ${Else}
    SetOutPath "$INSTDIR"
    !insertmacro ForEachShippedFile ShipFile32
  ${EndIf}
  ClearErrors
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ${If} ${Errors}
    MessageBox MB_ICONSTOP|MB_OK "$(MsgUninstallerFail)" /SD IDOK
    Abort
  ${EndIf}

  ${If} $Is64 = 1
    !insertmacro ForEachLibrary RegisterLibrary64
    !insertmacro ForEachLibrary RegisterLibrary32
  ${Else}
    !insertmacro ForEachLibrary RegisterLibrary32
  ${EndIf}

  CreateShortCut "$SMPROGRAMS\Quelmar.lnk" "$INSTDIR\Quelmar.exe" "" "$INSTDIR\Quelmar.exe" 0

  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "Quelmar"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\Quelmar.exe,0"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "VersionMajor" 3
  WriteRegDWORD HKLM "${UNINST_KEY}" "VersionMinor" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_ICONSTOP|MB_OK "$(MsgUnNotAdmin)" /SD IDOK
    SetErrorLevel 740
    Quit
  ${EndIf}
  !insertmacro ChooseSystem "un."
FunctionEnd

; Removes what the setup made. The user's settings (HKCU\Software\VB and VBA
; Program Settings\QUELMAR) and the user's own program files stay; so does
; the folder when such files are in it.
Section "Uninstall"
  SetShellVarContext all
  !insertmacro UnregisterAllLibraries
  !insertmacro ForEachShippedFile RemoveFile
  !insertmacro ForEachLibrary RemoveLibrary32
  RMDir "$INSTDIR\x86"
  Delete "$INSTDIR\uninstall.exe"
  Delete "$SMPROGRAMS\Quelmar.lnk"
  DeleteRegKey HKLM "${UNINST_KEY}"
  ; A start-with-Windows entry of this user that names the removed program
  ; would only fail at each logon. Quelmar writes it quoted; earlier versions
  ; wrote the path bare.
  ReadRegStr $0 HKCU "${RUN_KEY}" "QUELMAR"
  ${If} $0 == '"$INSTDIR\Quelmar.EXE"'
  ${OrIf} $0 == "$INSTDIR\Quelmar.EXE"
    DeleteRegValue HKCU "${RUN_KEY}" "QUELMAR"
  ${EndIf}
  SetOutPath "$TEMP"
  RMDir "$INSTDIR"
SectionEnd
