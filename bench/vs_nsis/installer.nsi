; The NSIS side of the comparison: the same payload, x86-ansi, installed
; silently into the folder given with /D=. COMPRESSOR is one of
; "zlib", "lzma" and "/SOLID lzma".
Unicode false
SetCompressor ${COMPRESSOR}
Name "Bench"
OutFile "${OUTFILE}"
InstallDir "C:\NimboBench\nsis"
RequestExecutionLevel user
SilentInstall silent

Section
  SetOutPath "$INSTDIR"
  File /r "${PAYLOAD}/*"
SectionEnd
