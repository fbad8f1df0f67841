# Shared by the end-to-end runs of the dice program in a terminal. Source
# it after defining screen (prints the terminal's rows), ok and bad (message).

# The whole report, row by row: the counts add up to the throws and the
# mean is theirs.
check_report() {
    local name=$1 rows
    mapfile -t rows < <(screen)
    local want=("SIMULADOR DE LANZAMIENTO DE DADOS" "=================================" \
        "NUMERO DE LANZAMIENTOS = ? 12" "" "")
    local i
    for i in 0 1 2 3 4; do
        [ "${rows[$i]}" = "${want[$i]}" ] || { bad "$name: row $((i + 1)) is '${rows[$i]}'"; return; }
    done
    [[ ${rows[5]} =~ ^MEDIA\ ARITMETICA\ GLOBAL\ =\ +([0-9.]+)$ ]] || { bad "$name: row 6"; return; }
    local mean=${BASH_REMATCH[1]} total=0 sum=0 face
    [ -z "${rows[6]}" ] || { bad "$name: row 7 not empty"; return; }
    for face in 1 2 3 4 5 6; do
        [[ ${rows[$((6 + face))]} =~ ^frecuecia\ absoluta\ de\ +$face\ =\ +([0-9]+)$ ]] ||
            { bad "$name: row $((7 + face))"; return; }
        total=$((total + BASH_REMATCH[1]))
        sum=$((sum + face * BASH_REMATCH[1]))
    done
    [ "$total" -eq 12 ] || { bad "$name: counts add up to $total"; return; }
    local expected
    expected=$(awk -v s="$sum" 'BEGIN { printf "%.6f", s / 12 }')
    [ "$(awk -v m="$mean" 'BEGIN { printf "%.6f", m }')" = "$expected" ] ||
        { bad "$name: mean $mean, expected $expected"; return; }
    ok
}
