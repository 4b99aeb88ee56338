#!/usr/bin/env bash
# Prints the search list on a real CUPS printer: a cupsd of the script's own, with a cups-pdf
# queue as the system's default printer, all its folders in the script's work folder. The
# program is driven in a real X server (log in, Cerca, Trova, Stampa, Yes) and the page that
# cups-pdf writes is read back: the found descriptions and only those, and every line standing
# apart from the next, the short rule and the date line included.
# Usage: print_e2e.sh VELARIUM_BINARY VELARIUM_CLI SHIPPED_STORE ARTIFACTS_DIR
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_require Xvfb xdotool xprop import openbox cupsd lpadmin lpstat pdftotext pdftoppm od awk
if ((EUID != 0)); then
    echo "skipped: cupsd and its cups-pdf backend need root"
    exit 77
fi
cups_pdf_backend=/usr/lib/cups/backend/cups-pdf
cups_pdf_ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
if [[ ! -x $cups_pdf_backend || ! -f $cups_pdf_ppd ]]; then
    echo "skipped: cups-pdf is not installed (printer-driver-cups-pdf)"
    exit 77
fi
E2E_ARTIFACTS=$4
mkdir -p "$E2E_ARTIFACTS"
rm -f "$E2E_ARTIFACTS"/*.pdf "$E2E_ARTIFACTS"/*.log

# --- A private print system -------------------------------------------------------------------
# cupsd runs its filters as the user lp, which must reach the spool below the work folder.
chmod 755 "$E2E_WORK"
cups=$E2E_WORK/cups
mkdir -p "$cups"/{etc,spool/tmp,cache,state,log,out,pdfspool,anon} "$E2E_WORK/home"
queue=velarium_e2e_$$
cat >"$cups/etc/cups-files.conf" <<EOF
ServerRoot $cups/etc
RequestRoot $cups/spool
TempDir $cups/spool/tmp
CacheDir $cups/cache
StateDir $cups/state
AccessLog $cups/log/access_log
ErrorLog $cups/log/error_log
PageLog $cups/log/page_log
SystemGroup root
EOF
cat >"$cups/etc/cupsd.conf" <<EOF
LogLevel info
Listen $cups/cups.sock
Browsing No
WebInterface No
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
cups_pdf_conf="Out $cups/out
Spool $cups/pdfspool
AnonDirName $cups/anon
Log $cups/log
GSTmp $cups/spool/tmp"

# cups-pdf reads its settings from /etc/cups alone. In a mount namespace of its own, cupsd and
# its backends see the script's folder there; where namespaces are not allowed, the queue gets
# a settings file of its own name in /etc/cups, removed at the end.
if unshare --mount --propagation private true 2>/dev/null; then
    printf '%s\n' "$cups_pdf_conf" >"$cups/etc/cups-pdf.conf"
    unshare --mount --propagation private sh -c \
        'mount --bind "$1/etc" /etc/cups && exec cupsd -f -c "$1/etc/cupsd.conf" -s "$1/etc/cups-files.conf"' \
        cupsd "$cups" >"$cups/log/cupsd.out" 2>&1 &
else
    queue_conf=/etc/cups/cups-pdf-$queue.conf
    printf '%s\n' "$cups_pdf_conf" >"$queue_conf"
    remove_queue_conf() { rm -f "$queue_conf"; }
    e2e_cleanup_hooks+=(remove_queue_conf)
    cupsd -f -c "$cups/etc/cupsd.conf" -s "$cups/etc/cups-files.conf" >"$cups/log/cupsd.out" 2>&1 &
fi
e2e_pids+=($!)
keep_cups_logs() {
    local log
    for log in "$cups"/log/*; do
        cp "$log" "$E2E_ARTIFACTS/cups-$(basename "$log" .out).log"
    done
}
e2e_cleanup_hooks+=(keep_cups_logs)

# Every CUPS client here, the program too, talks to this cupsd and to nobody's saved options.
export CUPS_SERVER=$cups/cups.sock CUPS_SERVERROOT=$cups/etc HOME=$E2E_WORK/home
unset PRINTER LPDEST
scheduler_running() { [[ $(lpstat -r 2>/dev/null) == "scheduler is running" ]]; }
if ! e2e_wait_for 15 scheduler_running; then
    echo "skipped: cupsd does not start here: $(tail -n 3 "$cups/log/cupsd.out" "$cups/log/error_log" 2>/dev/null)"
    exit 77
fi
# Poppler's Cairo renderer keeps the text of the page readable through the PostScript step.
lpadmin -p "$queue" -E -v cups-pdf:/ -P "$cups_pdf_ppd" -o pdftops-renderer-default=pdftocairo \
    2>/dev/null || e2e_fail "lpadmin could not create the cups-pdf queue"
lpadmin -d "$queue"
[[ $(lpstat -d) == *": $queue" ]] || e2e_fail "the cups-pdf queue is not the default printer"

# --- The program, its cards and the search ------------------------------------------------------
e2e_start_desktop
e2e_stage_program "$1" "$3"
cli=$2
add_card() {
    echo "pw" | "$cli" --folder "$E2E_FOLDER" cards add --file "$E2E_WORK/$1" --description "$2" \
        >/dev/null || e2e_fail "velarium-cli could not add the card '$2'"
}
add_card estratto.pdf "Conto corrente Banca Rossi"
add_card polizza.pdf "Polizza auto"
add_card titoli.xls "Conto deposito titoli città"
add_card affitto.doc "Contratto affitto"

e2e_start_program
main=$(e2e_log_in "Velarium")
e2e_activate "$main"
# Cerca, the third command of the left column.
xdotool mousemove --window "$main" 80 252 click 1
search=$(e2e_wait_window '^ Ricerca schede file criptati in archivio$')
e2e_activate "$search"
e2e_type "conto"
xdotool mousemove --window "$search" 565 475 click 1 # Trova
e2e_shot 1-list
xdotool mousemove --window "$search" 217 475 click 1 # Stampa
question=$(e2e_wait_window '^Conferma operazione di stampa$')
e2e_shot 2-question
e2e_activate "$question"
e2e_key Return

# --- The printed page ---------------------------------------------------------------------------
printed() {
    local pdf
    pdf=$(find "$cups/out" -name '*.pdf' -size +0 | head -n1)
    # cups-pdf writes the file while its job is still open: done once no job is left.
    [[ -n $pdf && -z $(lpstat -o "$queue" 2>/dev/null) ]]
}
e2e_wait_for 90 printed || e2e_fail "no page came out of the cups-pdf queue"
pdf=$(find "$cups/out" -name '*.pdf' -size +0 | head -n1)
cp "$pdf" "$E2E_ARTIFACTS/elenco.pdf"
e2e_shot 3-after-printing

# The text lines of the first page. A landscape list comes out on portrait paper, its lines
# running down the page, so a line's place across the lines is along x or y as the text runs:
# each is "from to text" in points on that axis, in page order.
pdftotext -bbox-layout -f 1 -l 1 "$pdf" "$E2E_WORK/page.html"
awk '
    function at(name) { match($0, name "=\"[0-9.]+\""); return substr($0, RSTART + length(name) + 2, RLENGTH - length(name) - 3) + 0 }
    /<line / { x0 = at("xMin"); x1 = at("xMax"); y0 = at("yMin"); y1 = at("yMax"); text = "" }
    /<word / { word = $0; sub(/^[^>]*>/, "", word); sub(/<\/word>.*$/, "", word)
               text = text (text == "" ? "" : " ") word }
    /<\/line>/ { print x0, x1, y0, y1, text }
' "$E2E_WORK/page.html" >"$E2E_WORK/boxes.txt"
read -r x0 x1 y0 y1 _ <"$E2E_WORK/boxes.txt" || e2e_fail "the page has no text"
across=y
awk -v a="$x0" -v b="$x1" -v c="$y0" -v d="$y1" 'BEGIN { exit !(d - c > b - a) }' && across=x
if [[ $across == x ]]; then
    awk '{ $3 = ""; $4 = ""; print }' "$E2E_WORK/boxes.txt"
else
    awk '{ $1 = ""; $2 = ""; print }' "$E2E_WORK/boxes.txt"
fi | awk '{ $1 = $1; print }' | sort -g >"$E2E_WORK/lines.txt"
cp "$E2E_WORK/lines.txt" "$E2E_ARTIFACTS/lines.txt"

expect_line() {
    grep -q -F -- "$1" "$E2E_WORK/lines.txt" || e2e_fail "the page lacks the line '$1'"
}
expect_line "Elenco schede file criptati"
expect_line "Conto corrente Banca Rossi"
expect_line "Conto deposito titoli città"
expect_line "$(printf '_%.0s' {1..20})"
expect_line "Stampa eseguita in data $(date +%d/%m/%Y) alle ore"
for other in "Polizza auto" "Contratto affitto"; do
    grep -q -F -- "$other" "$E2E_WORK/lines.txt" && e2e_fail "'$other' was not found but printed"
done
lines=$(wc -l <"$E2E_WORK/lines.txt")
((lines == 7)) || e2e_fail "expected 7 lines on the page (3 of header, 2 cards, 2 of footer), read $lines"

# Below the header, no line's box reaches into its neighbour's: the descriptions, the short
# rule and the date line. (The header's rules are drawn larger than the title, and their font
# boxes reach into its box while their hyphens stay clear of it: the ink is checked below for
# every line.)
awk '$3 ~ /^-+$/ || /Elenco schede file criptati/ { next }
     seen && $1 < end { printf "the line \"%s\" overlaps its neighbour\n", $0; bad = 1 }
     { end = $2; seen = 1 } END { exit bad }' "$E2E_WORK/lines.txt" ||
    e2e_fail "lines of the page overlap: $(tr '\n' '|' <"$E2E_WORK/lines.txt")"

# The page as printed, without anti-aliasing: every text line must be a band of ink of its
# own, with blank paper between it and the next, across the lines' direction.
pdftoppm -r 100 -gray -aa no -aaVector no -f 1 -l 1 "$pdf" "$E2E_WORK/page"
pgm=$(find "$E2E_WORK" -maxdepth 1 -name 'page*.pgm' | head -n1)
{ read -r magic && read -r width height && read -r _; } <"$pgm"
[[ $magic == P5 ]] || e2e_fail "pdftoppm did not write a binary grey map"
bands=$(tail -c $((width * height)) "$pgm" | od -An -v -tu1 -w"$width" | awk -v across="$across" '
    { for (i = 1; i <= NF; i++) if ($i < 128) { if (across == "y") row[NR] = 1; else column[i] = 1 } }
    END {
        n = across == "y" ? NR : NF
        for (i = 1; i <= n; i++) {
            ink = across == "y" ? (i in row) : (i in column)
            if (ink && !inside) bands++
            inside = ink
        }
        print bands + 0
    }')
((bands == lines)) ||
    e2e_fail "the $lines lines of the page make $bands separate bands of ink: some lines run into each other"

echo "passed: the list came out of the CUPS default printer with its $lines lines apart"
