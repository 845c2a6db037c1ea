#!/usr/bin/env bash
# hayeskvd-cli.exe end to end under Wine: the program cross-compiled with
# mingw-w64 (cmake/windows/, build-mingw/) runs its jobs on COM ports that
# Wine maps to the pseudo-terminals of kvard-sim from the native build
# (default build/): Com1 is the line of three simulated controllers, Com2
# the simulated modem. Every outcome is checked against what kvard-sim says
# its devices hold (its --state file): the buffers a controller committed,
# its restarts, the modem's registers. One case runs with Cyrillic file and
# folder names, one on a Windows console. Prints each case and the counts.
# Needs what `scripts/setup.sh --windows` installs.
#
#   scripts/windows-cli-tests.sh [native build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
native=$(realpath "${1:-build}")
dir=build-mingw
cmake -S cmake/windows -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
    >/dev/null
cmake --build "$dir" --target hayeskvd-cli -j"$(nproc)"
exe="$PWD/$dir/bin/hayeskvd-cli.exe"
echo "windows cli: $(basename "$exe") cross-compiled; it imports:" \
    "$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\tDLL Name: //p' | tr '\n' ' ')"

if ! command -v wine >/dev/null; then
    echo "windows cli: Wine is not installed: the program was built but not run"
    exit 0
fi
if [ ! -x "$native/bin/kvard-sim" ] || [ ! -x "$native/bin/hayeskvd-cli" ]; then
    echo "windows cli: no $native/bin/kvard-sim or hayeskvd-cli: build the native tree first" >&2
    exit 1
fi
. scripts/wine-prefix.sh

work=$(mktemp -d)
sim_pid=
cleanup() {
    [ -z "$sim_pid" ] || kill "$sim_pid" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
wine_serve_devices "$native/bin/kvard-sim" "$work"
echo "windows cli: Com1 is the simulated controllers' line on $(readlink "$work/ports/com1")," \
    "Com2 the simulated modem on $(readlink "$work/ports/com2")"

# ---- what each case uses ----------------------------------------------------

fail() {
    echo "$*"
    exit 1
}

# cli ARGS...: the program in the case's folder; its exit status in $rc,
# standard output in out, standard error in err.
cli() {
    rc=0
    timeout 300 wine "$exe" "$@" >out 2>err || rc=$?
}
expect_status() {
    [ "$rc" -eq "$1" ] || fail "exit status $rc, expected $1; standard error: $(cat err)"
}
expect_in() {  # FILE TEXT
    grep -qF -- "$2" "$1" || fail "$1 lacks «$2»: $(cat "$1")"
}

# The bytes of a file, one two-digit hexadecimal byte a line.
bytes_of() { od -An -v -tx1 "$1" | tr -s ' ' '\n' | sed '/^$/d'; }
# What kvard-sim says (in $from, by default its state file now) about the
# controller at a number: "kit K baud B restarts R".
controller() { sed -n "s/^controller $1 //p" "${from:-$state}"; }
# The stored bytes of a controller's buffer, a byte a line.
buffer_bytes() { sed -n "s/^buffer $1 $2 //p" "${from:-$state}" | fold -w2; }
# The modem lines a buffer holds, up to its closing 00, each ended by CR.
committed() { buffer_bytes "$1" "$2" | sed '/^00$/,$d'; }
# What a list file puts into a buffer: its lines, each ended by CR.
list_as_stored() { bytes_of "$1" | sed '/^0a$/d'; }
# The list file the program saves from a buffer: every line ended by CR LF,
# the empty line after the last one too.
stored_as_list() {
    committed "$1" "$2" | sed 's/^0d$/0d\n0a/'
    printf '0d\n0a\n'
}
# expect_committed NUMBER INDEX LIST: the buffer holds the list's lines.
expect_committed() {
    diff <(list_as_stored "$3") <(committed "$1" "$2") >/dev/null ||
        fail "buffer $2 of number $1 holds $(committed "$1" "$2" | tr '\n' ' '), not $3"
}
# expect_list_of NUMBER INDEX FILE: the file is the list of what the buffer holds.
expect_list_of() {
    diff <(stored_as_list "$1" "$2") <(bytes_of "$3") >/dev/null ||
        fail "$3 ($(bytes_of "$3" | tr '\n' ' ')) is not buffer $2 of number $1" \
            "($(committed "$1" "$2" | tr '\n' ' '))"
}

# ---- the cases -----------------------------------------------------------------

case_texts() {
    # Redirected, the program's Russian texts arrive as the same UTF-8 bytes
    # the Linux program writes.
    for words in "--version" "--help" "write --help"; do
        # shellcheck disable=SC2086
        cli $words
        expect_status 0
        # shellcheck disable=SC2086
        "$native/bin/hayeskvd-cli" $words >linux-out
        cmp -s out linux-out || fail "hayeskvd-cli $words differs from the Linux program's text"
    done
    expect_in out "Коды завершения: 0 успех"
}

case_console() {
    # On a console (Wine's, on a pseudo-terminal) the text is written in
    # UTF-16 and reads right; bytes written in the console's code page would
    # show as Ð¿Ñ€Ð¾...
    timeout 120 script -qec "wine '$exe' write --help" /dev/null >screen 2>&1 || true
    sed -i 's/\x1b\[[0-9;?]*[A-Za-z]//g; s/\r//g' screen
    expect_in screen "Записывает списки (или очищает буферы) в КВАРД"
    expect_in screen "Коды завершения"
    if grep -q 'Ð' screen; then fail "the console shows UTF-8 bytes as letters: $(head -3 screen)"; fi
}

case_search() {
    # Every number at 9600 baud: the basic kit at number 5 answers first.
    cli search --port Com1 --speed 9600 --json
    expect_status 0
    read -r _ kit _ baud _ < <(controller 5)
    expect_in out "{\"result\":\"ok\",\"number\":5,\"speed\":$baud,\"kit\":$kit,"
    # Number 20 at every speed: found at its own.
    cli search --port Com1 --number 20
    expect_status 0
    read -r _ kit _ baud _ < <(controller 20)
    expect_in out "Найден КВАРД: номер 20, $baud бод"
    expect_in out "(--kit $kit)"
}

case_read() {
    cli read --port Com1 --kit 0 --number 5 --speed 9600 --out1 mcp.n3 --out2 mpi.n3
    expect_status 0
    expect_list_of 5 0 mcp.n3
    expect_list_of 5 1 mpi.n3
    # To standard output: both lists as the files hold them, CR LF intact.
    cli read --port Com1 --kit 0 --number 5 --speed 9600
    expect_status 0
    cat mcp.n3 mpi.n3 >both.n3
    cmp -s out both.n3 || fail "the lists on standard output differ from the files"
}

case_write() {
    printf 'ATZ\r\nATS0=4\r\nAT&W\r\n' >new.n3
    cp "$state" before
    local restarts
    read -r _ _ _ _ _ restarts < <(controller 5)
    cli write --port Com1 --kit 0 --number 5 --speed 9600 --in1 new.n3 --clear2 --restart \
        --backup-dir backups --json
    expect_status 0
    expect_in out '"verified":true,"restarted":true'
    expect_committed 5 0 new.n3
    [ "$(buffer_bytes 5 1 | head -1)" = 00 ] || fail "buffer 2 not cleared: $(buffer_bytes 5 1 | head -3)"
    [ "$(controller 5)" = "kit 0 baud 9600 restarts $((restarts + 1))" ] ||
        fail "not restarted once: $(controller 5)"
    # The backups hold what the controller held before the write.
    local mcp mpi
    mcp=$(ls backups/kvard-5-*-mcp.n3) mpi=$(ls backups/kvard-5-*-mpi.n3)
    from=before expect_list_of 5 0 "$mcp"
    from=before expect_list_of 5 1 "$mpi"
}

case_write_refused() {
    # Another kit named: refused before anything is written.
    printf 'ATZ\r\n' >one.n3
    cp "$state" before
    cli write --port Com1 --kit 3 --number 5 --speed 9600 --in1 one.n3 --in2 one.n3 --no-backup
    expect_status 5
    expect_in err "БАЗОВЫЙ комплект КВАРД"
    diff <(grep '^buffer 5 ' before) <(grep '^buffer 5 ' "$state") >/dev/null ||
        fail "the controller's buffers changed"
}

case_modem_write() {
    printf 'AT&F\r\n; комментарий\r\nATS0=3S7=45\r\nAT&W\r\n' >modem.n2
    cli modem-write --port Com2 --speed 9600 modem.n2
    expect_status 0
    expect_in out "Строка 2 (ATS0=3S7=45): OK"
    expect_in out "Записано 3 строки, ошибок 0"
    local stored
    stored=$(sed -n 's/^modem stored //p' "$state")
    [ "$(cut -d, -f1 <<<"$stored")" = 3 ] && [ "$(cut -d, -f8 <<<"$stored")" = 45 ] ||
        fail "the modem stored S0, S7 = $(cut -d, -f1,8 <<<"$stored"), expected 3, 45"
    # A line the modem refuses: exit 9, the line named.
    printf 'ATZ\r\nATX9\r\n' >bad.n2
    cli modem-write --port Com2 --speed 9600 bad.n2
    expect_status 9
    expect_in out "Строка 2 (ATX9): ERROR"
}

case_cyrillic_paths() {
    # Windows names with Cyrillic letters and blanks, given as a Windows user
    # types them, for the list, the backups, the log and the list read back.
    mkdir -p "Списки" "Прочитано"
    printf 'ATZ\r\nATS0=5\r\n' >"Списки/запись ёж.n3"
    cli write --port Com1 --kit 0 --number 5 --speed 9600 --in1 'Списки\запись ёж.n3' --clear2 \
        --backup-dir 'Резервные копии' --log 'Журналы\обмен.log'
    expect_status 0
    expect_committed 5 0 "Списки/запись ёж.n3"
    [ "$(ls "Резервные копии" | grep -c '^kvard-5-.*\.n3$')" -eq 2 ] ||
        fail "no backups in «Резервные копии»: $(ls -R)"
    expect_in "Журналы/обмен.log" "Подбор: запись в КВАРД, Com1"
    # Lines as Notepad wants them: every one ended by CR LF.
    [ "$(grep -c $'\r$' "Журналы/обмен.log")" -eq "$(wc -l <"Журналы/обмен.log")" ] ||
        fail "a log line without CR LF: $(grep -vn $'\r$' "Журналы/обмен.log" | head -3)"
    cli read --port Com1 --kit 0 --number 5 --speed 9600 --out1 'Прочитано\буфер 1.n3' \
        --out2 'Прочитано\буфер 2.n3' --log 'Журналы\обмен.log'
    expect_status 0
    expect_list_of 5 0 "Прочитано/буфер 1.n3"
    # A name that is not there is named back as typed.
    cli write --port Com1 --kit 0 --in1 'Списки\нет такого.n3' --clear2
    expect_status 2
    expect_in err "файл «Списки\\нет такого.n3» не открывается"
    # Typed with '/', named back with the system's '\'.
    cli write --port Com1 --kit 0 --in1 'Списки/нет такого.n3' --clear2
    expect_status 2
    expect_in err "файл «Списки\\нет такого.n3» не открывается"
}

case_scan_csv() {
    # The scan's table as Excel in a Russian locale opens it: the byte order
    # mark first, ';' between the fields.
    mkdir -p "Опрос"
    cli scan --port Com1 --numbers 5 --speed 9600 --csv 'Опрос\сеть.csv'
    expect_status 0
    [ "$(head -c3 "Опрос/сеть.csv" | od -An -tx1 | tr -d ' ')" = "efbbbf" ] ||
        fail "no byte order mark: $(head -c16 "Опрос/сеть.csv" | od -An -tx1)"
    expect_in "Опрос/сеть.csv" "Номер;Скорость;Комплект;Состояние"
    expect_in "Опрос/сеть.csv" ";9600;"
}

case_cyrillic_folder() {
    # The program in a folder with Cyrillic letters: its port mapping, its
    # settings file and its logs beside it, as in the zip.
    mkdir "КВАРД ёж"
    cp "$exe" "КВАРД ёж/"
    # Saved by Notepad as "UTF-8 with BOM".
    printf '\xEF\xBB\xBFCom7=\\\\.\\COM1\r\n' >"КВАРД ёж/ports.conf"
    rc=0
    timeout 300 wine "КВАРД ёж/hayeskvd-cli.exe" search --port Com7 --number 5 --speed 9600 \
        --save-settings >out 2>err || rc=$?
    expect_status 0
    expect_in out "Найден КВАРД: номер 5, 9600 бод"
    # Com7, RS-232, 9600 baud (index 5), number 5: the record the window reads.
    [ "$(bytes_of "КВАРД ёж/HmK.Cfg" | head -4 | tr '\n' ' ')" = "06 00 05 05 " ] ||
        fail "HmK.Cfg holds $(bytes_of "КВАРД ёж/HmK.Cfg" | tr '\n' ' ')"
    expect_in "$(ls "КВАРД ёж"/logs/HayesKvd-*.log)" "Подбор (командная строка), Com7"
}

# ---- running them --------------------------------------------------------------

run=0 passed=0
for name in texts console search read write write_refused modem_write cyrillic_paths \
    scan_csv cyrillic_folder; do
    folder="$work/case-$name"
    mkdir -p "$folder"
    run=$((run + 1))
    started=$SECONDS
    if (cd "$folder" && set -e && "case_$name") >"$folder/log" 2>&1; then
        passed=$((passed + 1))
        printf 'windows cli: %-16s passed (%d s)\n' "$name" $((SECONDS - started))
    else
        printf 'windows cli: %-16s FAILED\n' "$name"
        sed 's/^/    /' "$folder/log" | tail -20
    fi
done
echo "windows cli end to end under Wine: $run cases run, $passed passed, $((run - passed)) failed"
[ "$passed" -eq "$run" ]
