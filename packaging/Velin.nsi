; Velin's installer. Built by scripts/package.sh, which passes:
;   VERSION   the project version ("1.4.1")
;   STAGE     the program folder as it ships (Velin.exe, sysres\, merla_reicon\, help.chm)
;   LISTS     a folder holding install-files.nsh and uninstall-files.nsh, made from STAGE
;   OUTFILE   the installer to write
; The program keeps its data beside itself, so it goes to a folder the user can write and the
; installer asks for no elevation. The program is 64-bit only, and so is its installer (a 32-bit
; one would also see the registry through the 32-bit view).
Unicode true
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "LogicLib.nsh"

!define PRODUCT "Velin"
!define PUBLISHER "brimsoft"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velin"
!define UNINSTALLER "Uninstall.exe"
; Written by the program's "start with the session" setting.
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "merla_autorun"
; The running program holds this mutex (one instance per session); its files cannot be replaced or
; removed while it runs.
!define INSTANCE_MUTEX "5c0e2a9b-7d41-4f63-9b2e-81d4a6f0c317"
!define SYNCHRONIZE 0x00100000

Name "${PRODUCT} ${VERSION}"
Caption "${PRODUCT} ${VERSION} 安装"
UninstallCaption "${PRODUCT} ${VERSION} 卸载"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\${PRODUCT}"
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

!define MUI_ICON "${STAGE}\sysres\Merla.ico"
!define MUI_UNICON "${STAGE}\sysres\Merla.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\Velin.exe"
!define MUI_FINISHPAGE_RUN_TEXT "运行 Velin"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\help.chm"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "查看帮助文档"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "Velin 桌面便签 安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "© ${PUBLISHER}"

!macro RefuseWhileRunning UN
Function ${UN}RefuseWhileRunning
  System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${INSTANCE_MUTEX}") p .r0'
  ${If} $0 P<> 0
    System::Call 'kernel32::CloseHandle(p r0)'
    MessageBox MB_OK|MB_ICONEXCLAMATION "Velin 正在运行，请先右键托盘图标选择“退出”，然后重试。" /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
FunctionEnd
!macroend
!insertmacro RefuseWhileRunning ""
!insertmacro RefuseWhileRunning "un."

Function .onInit
  Call RefuseWhileRunning
FunctionEnd

Function un.onInit
  Call un.RefuseWhileRunning
FunctionEnd

Section "Velin 程序" SecProgram
  SectionIn RO
  !include "${LISTS}\install-files.nsh"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Velin.lnk" "$INSTDIR\Velin.exe" "" "$INSTDIR\sysres\Merla.ico" 0
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\帮助文档.lnk" "$INSTDIR\help.chm"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\卸载 Velin.lnk" "$INSTDIR\${UNINSTALLER}"

  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "Velin 桌面便签"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\sysres\Merla.ico"
  WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
  SectionGetSize ${SecProgram} $0
  WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" $0
SectionEnd

Section "桌面快捷方式" SecDesktop
  SetOutPath "$INSTDIR"
  CreateShortcut "$DESKTOP\Velin.lnk" "$INSTDIR\Velin.exe" "" "$INSTDIR\sysres\Merla.ico" 0
SectionEnd

; Only what the installer put there goes: the notes, the settings, the backups and the log the
; program wrote beside itself stay, and so does the folder while they are in it.
Section "Uninstall"
  Delete "$DESKTOP\Velin.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Velin.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\帮助文档.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\卸载 Velin.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  !include "${LISTS}\uninstall-files.nsh"
  Delete "$INSTDIR\${UNINSTALLER}"

  DeleteRegKey HKCU "${UNINST_KEY}"
  ; Needs rights the uninstaller does not ask for; without them the value stays, harmlessly.
  ClearErrors
  DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
  ClearErrors

  RMDir "$INSTDIR"
  IfFileExists "$INSTDIR\*.*" 0 done
    DetailPrint "您的便签数据保留在 $INSTDIR"
    MessageBox MB_OK|MB_ICONINFORMATION "Velin 已卸载。$\r$\n$\r$\n您的便签和设置（NoteData、NormalSet、sysconfig.xml、备份等）仍保留在：$\r$\n$INSTDIR$\r$\n$\r$\n重新安装到这个文件夹即可继续使用；不再需要时可以手动删除它。" /SD IDOK
  done:
SectionEnd
