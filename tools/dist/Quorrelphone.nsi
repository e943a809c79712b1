; The Windows setup program: the 64-bit and the 32-bit plug-in into the VST 2
; folders of their width, the CLAP module into the CLAP folder (64-bit Windows
; only), the factory presets and the manual into the user's documents, and an uninstaller with its Add/Remove Programs entry that takes
; away exactly those files again.
;
; make-dist.py builds it from the package's own files, so the setup program and
; the zip install the same bytes:
;   makensis -NOCD -DVERSION=1.0.0 -DSTAGE=<staged package> -DOUTFILE=<exe> Quorrelphone.nsi
; STAGE holds the files under their package names (x64/ with the DLL and the
; CLAP module, x86/, presets/, manual/)
; and payload.nsh, which make-dist.py writes: QP_INSTALL_DOCS and QP_REMOVE_DOCS
; name every preset and manual file, so that the uninstaller removes ours and never
; a preset the musician saved beside them.
;
; Silent use (the folders default as on the pages; /D= must come last, unquoted):
;   Quorrelphone-<version>-setup.exe /S [/VST64="folder"] [/VST32="folder"] [/CLAP="folder"] [/D=folder]
;   "Uninstall Quorrelphone.exe" /S
; Exit code 0 when installed, 2 when the 64-bit and the 32-bit folder are the same
; (both files are named Quorrelphone.dll, so one would overwrite the other).
; The CLAP module has a name of its own and may share a folder with either.

!ifndef VERSION | STAGE | OUTFILE
  !error "make-dist.py passes VERSION, STAGE and OUTFILE"
!endif

Unicode true
SetCompressor /SOLID lzma
; Common Files is writable only with administrator rights.
RequestExecutionLevel admin
; A failed write (a host still holding the DLL) must not pass as installed.
AllowSkipFiles off
Name "Quorrelphone ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "Veltmarsk"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey ProductName "Quorrelphone"
VIAddVersionKey CompanyName "Veltmarsk"
VIAddVersionKey FileDescription "Quorrelphone ${VERSION} setup"
VIAddVersionKey FileVersion "${VERSION}.0"
VIAddVersionKey ProductVersion "${VERSION}.0"
VIAddVersionKey LegalCopyright "Veltmarsk"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include x64.nsh
!include "${STAGE}/payload.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorrelphone"
!define UNINSTALLER "Uninstall Quorrelphone.exe"
!define PLUGIN "Quorrelphone.dll"
!define CLAP_MODULE "Quorrelphone.clap"

Var Vst64Dir
Var Vst32Dir
Var ClapDir

; --- pages --------------------------------------------------------------------
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME

!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipOn32BitWindows
!define MUI_PAGE_HEADER_TEXT "64-bit plug-in"
!define MUI_PAGE_HEADER_SUBTEXT "Where 64-bit hosts find Quorrelphone."
!define MUI_DIRECTORYPAGE_TEXT_TOP "64-bit hosts (most current hosts) load the 64-bit Quorrelphone.dll. Setup puts it into the folder below; choose another if your host scans a different folder for VST 2 plug-ins."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "Folder for the 64-bit plug-in"
!define MUI_DIRECTORYPAGE_VARIABLE $Vst64Dir
!insertmacro MUI_PAGE_DIRECTORY

!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipOn32BitWindows
!define MUI_PAGE_HEADER_TEXT "CLAP plug-in"
!define MUI_PAGE_HEADER_SUBTEXT "Where CLAP hosts find Quorrelphone."
!define MUI_DIRECTORYPAGE_TEXT_TOP "Hosts that load CLAP plug-ins (Bitwig Studio, REAPER, FL Studio and others) look for Quorrelphone.clap in the folder below; choose another if your host scans a different folder for CLAP plug-ins."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "Folder for the CLAP plug-in"
!define MUI_DIRECTORYPAGE_VARIABLE $ClapDir
!insertmacro MUI_PAGE_DIRECTORY

!define MUI_PAGE_CUSTOMFUNCTION_LEAVE CheckPluginFoldersOnPage
!define MUI_PAGE_HEADER_TEXT "32-bit plug-in"
!define MUI_PAGE_HEADER_SUBTEXT "Where 32-bit hosts find Quorrelphone."
!define MUI_DIRECTORYPAGE_TEXT_TOP "32-bit hosts load the 32-bit Quorrelphone.dll. Setup puts it into the folder below; choose another if your host scans a different folder for VST 2 plug-ins."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "Folder for the 32-bit plug-in"
!define MUI_DIRECTORYPAGE_VARIABLE $Vst32Dir
!insertmacro MUI_PAGE_DIRECTORY

!define MUI_PAGE_HEADER_TEXT "Presets and manual"
!define MUI_PAGE_HEADER_SUBTEXT "Where the factory presets and the manual go."
!define MUI_DIRECTORYPAGE_TEXT_TOP "The factory bank and presets (load them from your host's preset menu) and the manual go into the folder below. This folder also keeps the uninstaller."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "Folder for the presets and the manual"
!insertmacro MUI_PAGE_DIRECTORY

!insertmacro MUI_PAGE_INSTFILES

!define MUI_FINISHPAGE_TEXT "Quorrelphone is installed. Let your host rescan its plug-in folders; Quorrelphone appears among the effects under the vendor Veltmarsk."
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\manual\manual.html"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Open the manual"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; --- folders the setup program creates -----------------------------------------
; SetOutPath creates a folder together with any missing parents. Before it does,
; NewFolderLevels counts how many levels are missing; the count goes into the
; uninstall key, and the uninstaller removes that many levels upwards, each only
; when empty (RMDir without /r). So a Common Files\VST2 that was there before, or
; that holds other plug-ins or the musician's own presets, is never removed.
!macro QP_FOLDER_FUNCTIONS PREFIX
  ; in: folder on the stack; out: the number of its levels that do not exist yet
  Function ${PREFIX}NewFolderLevels
    Exch $0
    Push $1
    StrCpy $1 0
    ${Do}
      ${If} $0 == ""
      ${OrIf} ${FileExists} "$0\*.*"
        ${ExitDo}
      ${EndIf}
      IntOp $1 $1 + 1
      ${GetParent} $0 $0
    ${Loop}
    StrCpy $0 $1
    Pop $1
    Exch $0
  FunctionEnd

  ; in: folder, then its level count on top; removes the levels that are empty
  Function ${PREFIX}RemoveNewFolders
    Exch $1
    Exch
    Exch $0
    ${DoWhile} $1 > 0
      RMDir $0
      ${GetParent} $0 $0
      IntOp $1 $1 - 1
    ${Loop}
    Pop $0
    Pop $1
  FunctionEnd
!macroend
!insertmacro QP_FOLDER_FUNCTIONS ""
!insertmacro QP_FOLDER_FUNCTIONS "un."

; Counts the missing levels of FOLDER into the uninstall key's VALUE, then makes it
; the output folder.
!macro QP_ENTER_FOLDER FOLDER VALUE
  Push "${FOLDER}"
  Call NewFolderLevels
  Pop $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "${VALUE}" $0
  SetOutPath "${FOLDER}"
!macroend

!macro QP_LEAVE_FOLDER FOLDER VALUE
  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "${VALUE}"
  Push "${FOLDER}"
  Push $0
  Call un.RemoveNewFolders
!macroend

; A folder typed with a trailing backslash names the same folder; without it the
; two plug-in folders compare equal when they are.
!macro QP_TRIM_BACKSLASH VAR
  StrCpy $0 ${VAR} 1 -1
  ${If} $0 == "\"
    StrCpy ${VAR} ${VAR} -1
  ${EndIf}
!macroend

; --- installing -------------------------------------------------------------------
Section "-previous installation"
  ; Installing again (or a newer version) first runs the installed uninstaller, so
  ; files and folders are counted afresh and the entry never loses track of any.
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $1 != ""
  ${AndIf} ${FileExists} "$1\${UNINSTALLER}"
    DetailPrint "Removing the installed Quorrelphone first"
    ReadRegDWORD $2 HKLM "${UNINSTALL_KEY}" "NewFolders"
    ; _?= runs it in place and makes ExecWait wait; it cannot delete itself then.
    ExecWait '"$1\${UNINSTALLER}" /S _?=$1'
    Delete "$1\${UNINSTALLER}"
    Push $1
    Push $2
    Call RemoveNewFolders
  ${EndIf}
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

Section "-presets and manual" SecDocs
  !insertmacro QP_ENTER_FOLDER "$INSTDIR" "NewFolders"
  ; The uninstaller and its entry come first: a setup that stops half-way can still be undone.
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  Call WriteUninstallEntry
  !insertmacro QP_INSTALL_DOCS
SectionEnd

Section "-32-bit plug-in" SecX86
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Vst32Folder" "$Vst32Dir"
  !insertmacro QP_ENTER_FOLDER "$Vst32Dir" "Vst32NewFolders"
  File "${STAGE}/x86/${PLUGIN}"
SectionEnd

Section "-64-bit plug-in" SecX64
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Vst64Folder" "$Vst64Dir"
  !insertmacro QP_ENTER_FOLDER "$Vst64Dir" "Vst64NewFolders"
  File "${STAGE}/x64/${PLUGIN}"
SectionEnd

Section "-CLAP plug-in" SecClap
  WriteRegStr HKLM "${UNINSTALL_KEY}" "ClapFolder" "$ClapDir"
  !insertmacro QP_ENTER_FOLDER "$ClapDir" "ClapNewFolders"
  File "${STAGE}/x64/${CLAP_MODULE}"
SectionEnd

Function WriteUninstallEntry
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Quorrelphone"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Veltmarsk"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; In KiB, as makensis counted the sections that install on this Windows.
  SectionGetSize ${SecDocs} $0
  SectionGetSize ${SecX86} $1
  IntOp $0 $0 + $1
  ${If} ${SectionIsSelected} ${SecX64}
    SectionGetSize ${SecX64} $1
    IntOp $0 $0 + $1
  ${EndIf}
  ${If} ${SectionIsSelected} ${SecClap}
    SectionGetSize ${SecClap} $1
    IntOp $0 $0 + $1
  ${EndIf}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
FunctionEnd

Function SkipOn32BitWindows
  ${IfNot} ${RunningX64}
    Abort
  ${EndIf}
FunctionEnd

Function CheckPluginFoldersOnPage
  !insertmacro QP_TRIM_BACKSLASH $Vst32Dir
  !insertmacro QP_TRIM_BACKSLASH $Vst64Dir
  !insertmacro QP_TRIM_BACKSLASH $ClapDir
  ${If} ${RunningX64}
  ${AndIf} $Vst64Dir == $Vst32Dir
    MessageBox MB_ICONEXCLAMATION|MB_OK "Both plug-ins are named ${PLUGIN}; choose different folders for the 64-bit and the 32-bit one."
    Abort
  ${EndIf}
FunctionEnd

Function .onInit
  SetShellVarContext current
  ${If} ${RunningX64}
    SetRegView 64
  ${Else}
    ; 32-bit Windows runs only the 32-bit plug-in.
    !insertmacro UnselectSection ${SecX64}
    !insertmacro UnselectSection ${SecClap}
  ${EndIf}

  ; Defaults: the folders of an earlier installation, else the usual ones.
  ReadRegStr $Vst64Dir HKLM "${UNINSTALL_KEY}" "Vst64Folder"
  ${If} $Vst64Dir == ""
    StrCpy $Vst64Dir "$COMMONFILES64\VST2"
  ${EndIf}
  ReadRegStr $Vst32Dir HKLM "${UNINSTALL_KEY}" "Vst32Folder"
  ${If} $Vst32Dir == ""
    StrCpy $Vst32Dir "$COMMONFILES32\VST2"
  ${EndIf}
  ; Where CLAP hosts look on 64-bit Windows: Common Files\CLAP under Program Files.
  ReadRegStr $ClapDir HKLM "${UNINSTALL_KEY}" "ClapFolder"
  ${If} $ClapDir == ""
    StrCpy $ClapDir "$COMMONFILES64\CLAP"
  ${EndIf}
  ; No InstallDir: an empty $INSTDIR here means no /D= was given.
  ${If} $INSTDIR == ""
    ReadRegStr $INSTDIR HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${EndIf}
  ${If} $INSTDIR == ""
    StrCpy $INSTDIR "$DOCUMENTS\Quorrelphone"
  ${EndIf}

  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/VST64=" $2
  ${IfNot} ${Errors}
    StrCpy $Vst64Dir $2
  ${EndIf}
  ClearErrors
  ${GetOptions} $1 "/VST32=" $2
  ${IfNot} ${Errors}
    StrCpy $Vst32Dir $2
  ${EndIf}
  ClearErrors
  ${GetOptions} $1 "/CLAP=" $2
  ${IfNot} ${Errors}
    StrCpy $ClapDir $2
  ${EndIf}

  ${If} ${Silent}
    !insertmacro QP_TRIM_BACKSLASH $Vst32Dir
    !insertmacro QP_TRIM_BACKSLASH $Vst64Dir
    !insertmacro QP_TRIM_BACKSLASH $ClapDir
    ${If} ${RunningX64}
    ${AndIf} $Vst64Dir == $Vst32Dir
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

; --- uninstalling -----------------------------------------------------------------
; Everything it removes is named: the two DLLs and the CLAP module in the folders
; the uninstall key remembers, the presets and manual files (payload.nsh), the uninstaller itself, and
; the folders the setup program created, each only when empty.
Section "Uninstall"
  ; In the reverse order of installing: a folder shared by two of the files, or
  ; one inside another, was counted as new by the first to enter it.
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "ClapFolder"
  ${If} $1 != ""
    Delete "$1\${CLAP_MODULE}"
    !insertmacro QP_LEAVE_FOLDER "$1" "ClapNewFolders"
  ${EndIf}
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "Vst64Folder"
  ${If} $1 != ""
    Delete "$1\${PLUGIN}"
    !insertmacro QP_LEAVE_FOLDER "$1" "Vst64NewFolders"
  ${EndIf}
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "Vst32Folder"
  ${If} $1 != ""
    Delete "$1\${PLUGIN}"
    !insertmacro QP_LEAVE_FOLDER "$1" "Vst32NewFolders"
  ${EndIf}
  !insertmacro QP_REMOVE_DOCS
  Delete "$INSTDIR\${UNINSTALLER}"
  !insertmacro QP_LEAVE_FOLDER "$INSTDIR" "NewFolders"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

Function un.onInit
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
FunctionEnd
