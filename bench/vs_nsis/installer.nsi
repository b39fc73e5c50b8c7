; The NSIS side of the comparison: the same payload, zlib (or the
; compressor given with -DCOMPRESSOR=...), x86-ansi, installed silently
; into the folder given with /D=.
Unicode false
!ifndef COMPRESSOR
  !define COMPRESSOR zlib
!endif
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
