# Sourced: nimbo_prefix_processes PATTERN prints "PID PREFIX" for each
# process whose environment names a Wine prefix matching the shell pattern
# (an exact path, or "dir/*"), but for the calling shell and its ancestors,
# which may have the variable too (a shell that sourced wine-env.sh). It runs no program while it reads: one started from a shell that has the variable would be listed.
nimbo_prefix_processes() {
    local pattern="$1" e pid var skip=" " p=$$
    while [ "${p:-0}" -gt 1 ] 2>/dev/null; do
        skip+="$p "
        p="$(awk '/^PPid:/ {print $2}' "/proc/$p/status" 2>/dev/null)"
    done
    for e in /proc/[0-9]*/environ; do
        pid="${e#/proc/}"
        pid="${pid%/environ}"
        [[ "$skip" == *" $pid "* ]] && continue
        # Read without starting a process for each of the machine's processes.
        { while IFS= read -r -d '' var; do
            case "$var" in
            WINEPREFIX=$pattern) echo "$pid ${var#WINEPREFIX=}"; break ;;
            WINEPREFIX=*) break ;;
            esac
        done <"$e"; } 2>/dev/null
    done
}
