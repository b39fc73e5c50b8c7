; The NSIS side of the comparison: the same payload, zlib, x86-ansi,
; installed silently into the folder given with /D=.
Unicode false
SetCompressor zlib
Name "Bench"
OutFile "${OUTFILE}"
InstallDir "C:\NimboBench\nsis"
RequestExecutionLevel user
SilentInstall silent

Section
  SetOutPath "$INSTDIR"
  File /r "${PAYLOAD}/*"
SectionEnd
