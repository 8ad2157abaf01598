; The setup program of Gestione spese anticipate for Windows (NSIS 3, makensis). setup.sh gives it:
;   VERSIONE         the program's version as the office knows it (1.01.0003)
;   VERSIONE_NUMERI  the same as Windows' four numbers (1.1.3.0)
;   DIST             the folder that runs as it stands (build-windows/dist)
;   ELENCO           the uninstaller's list of DIST's files and folders, made by setup.sh
;   ICONA            the program's icon (.ico)
;   USCITA           the setup program to write
; For every user of the desk, into Program Files; the archive folder in ProgramData, shared as the
; earlier program shared it. Nothing the office wrote (the archive, its backups, the settings) is
; ever removed, by an upgrade or by the uninstaller.

Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define NOME "Gestione spese anticipate"
!define PRODUTTORE "Corvalle Software S.r.l."
!define ESEGUIBILE "spesario.exe"
!define DISINSTALLATORE "disinstalla.exe"
!define CHIAVE "Software\Microsoft\Windows\CurrentVersion\Uninstall\Spesario"
; The archive folder below the all-users application data folder, as the earlier program had it.
!define ARCHIVIO "Corvalle\Spesario"

Name "${NOME}"
OutFile "${USCITA}"
InstallDir "$PROGRAMFILES64\Corvalle\Spesario"
; An upgrade goes where the installed version is.
InstallDirRegKey HKLM "${CHIAVE}" "InstallLocation"
BrandingText "${PRODUTTORE}"
ShowInstDetails show
ShowUninstDetails show

!define MUI_ICON "${ICONA}"
!define MUI_UNICON "${ICONA}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Italian"
; NSIS 3.08's Italian texts misspell this one ("Disisntallazione").
UninstallSubCaption 2 ": Disinstallazione completata"

VIProductVersion "${VERSIONE_NUMERI}"
VIFileVersion "${VERSIONE_NUMERI}"
VIAddVersionKey /LANG=${LANG_ITALIAN} "ProductName" "${NOME}"
VIAddVersionKey /LANG=${LANG_ITALIAN} "ProductVersion" "${VERSIONE}"
VIAddVersionKey /LANG=${LANG_ITALIAN} "CompanyName" "${PRODUTTORE}"
VIAddVersionKey /LANG=${LANG_ITALIAN} "LegalCopyright" "${PRODUTTORE}"
VIAddVersionKey /LANG=${LANG_ITALIAN} "FileDescription" "Installazione di ${NOME}"
VIAddVersionKey /LANG=${LANG_ITALIAN} "FileVersion" "${VERSIONE}"

Function .onInit
  SetShellVarContext all
  SetRegView 64
  ; Where Windows does not raise the rights (UAC off, a plain user), the files could not be written.
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_ICONSTOP "Per installare ${NOME} servono i diritti di amministratore di questo computer." /SD IDOK
    SetErrorLevel 740
    Quit
  ${EndIf}
FunctionEnd

Section "${NOME}" SezioneProgramma
  SectionIn RO
  ${If} ${FileExists} "$INSTDIR\${ESEGUIBILE}"
    ; A program still open holds its files: half of them replaced would leave it broken.
    ClearErrors
    FileOpen $0 "$INSTDIR\${ESEGUIBILE}" a
    ${If} ${Errors}
      MessageBox MB_ICONSTOP "${NOME} è aperto su questo computer. Chiudere il programma e avviare di nuovo l'installazione." /SD IDOK
      SetErrorLevel 3
      Abort "Installazione interrotta: il programma è aperto."
    ${EndIf}
    FileClose $0
    ; An upgrade: the installed version's own uninstaller takes away its program files, which may
    ; differ from this version's (a Qt plug-in left behind would be loaded). It never touches data.
    ${If} ${FileExists} "$INSTDIR\${DISINSTALLATORE}"
      DetailPrint "Rimozione dei file della versione installata..."
      ExecWait '"$INSTDIR\${DISINSTALLATORE}" /S _?=$INSTDIR' $0
    ${EndIf}
  ${EndIf}

  SetOutPath "$INSTDIR"
  File /r "${DIST}/*"
  WriteUninstaller "$INSTDIR\${DISINSTALLATORE}"
  CreateShortCut "$SMPROGRAMS\${NOME}.lnk" "$INSTDIR\${ESEGUIBILE}" "" "$INSTDIR\${ESEGUIBILE}" 0

  ; The shared archive folder: made, and opened to every user of the desk, only when it is not
  ; there. A folder that is there, with its archive and backups, is left exactly as it is.
  ${IfNot} ${FileExists} "$APPDATA\${ARCHIVIO}\*.*"
    CreateDirectory "$APPDATA\${ARCHIVIO}"
    ; S-1-5-32-545 is the Users group whatever the language of Windows ("Utenti" in Italian).
    nsExec::ExecToLog 'icacls "$APPDATA\${ARCHIVIO}" /grant *S-1-5-32-545:(OI)(CI)M'
    Pop $0
    ${If} $0 != 0
      DetailPrint "Attenzione: non è stato possibile aprire la cartella $APPDATA\${ARCHIVIO} in scrittura a tutti gli utenti."
    ${EndIf}
  ${EndIf}

  WriteRegStr HKLM "${CHIAVE}" "DisplayName" "${NOME}"
  WriteRegStr HKLM "${CHIAVE}" "DisplayVersion" "${VERSIONE}"
  WriteRegStr HKLM "${CHIAVE}" "Publisher" "${PRODUTTORE}"
  WriteRegStr HKLM "${CHIAVE}" "DisplayIcon" "$INSTDIR\${ESEGUIBILE},0"
  WriteRegStr HKLM "${CHIAVE}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${CHIAVE}" "UninstallString" '"$INSTDIR\${DISINSTALLATORE}"'
  WriteRegStr HKLM "${CHIAVE}" "QuietUninstallString" '"$INSTDIR\${DISINSTALLATORE}" /S'
  WriteRegDWORD HKLM "${CHIAVE}" "NoModify" 1
  WriteRegDWORD HKLM "${CHIAVE}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${CHIAVE}" "EstimatedSize" $0
SectionEnd

Section "Collegamento sul desktop" SezioneDesktop
  CreateShortCut "$DESKTOP\${NOME}.lnk" "$INSTDIR\${ESEGUIBILE}" "" "$INSTDIR\${ESEGUIBILE}" 0
SectionEnd

Function un.onInit
  SetShellVarContext all
  SetRegView 64
FunctionEnd

; Only the files this setup put there, by name: never a folder removed whole, so that nothing the
; office keeps (an archive, its backups, the error log) goes, wherever the program was installed.
Section "Uninstall"
  !include "${ELENCO}"
  Delete "$INSTDIR\${DISINSTALLATORE}"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${NOME}.lnk"
  Delete "$DESKTOP\${NOME}.lnk"
  DeleteRegKey HKLM "${CHIAVE}"
SectionEnd
