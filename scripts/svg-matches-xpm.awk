# awk -f svg-matches-xpm.awk ICON.xpm ICON.svg
# Succeeds when the SVG's one-row rects paint exactly the XPM's pixels; otherwise prints the first
# row that differs, as the XPM's colour characters ("?" where the SVG paints nothing).
BEGIN { none = "?" }
FNR == 1 { file++ }
file == 1 && /^"/ {
    line = $0; sub(/^"/, "", line); sub(/",?$/, "", line)
    if (!header) { split(line, h, " "); width = h[1]; colours = h[3]; header = 1; next }
    if (colours > 0) {
        ch = substr(line, 1, 1); value = tolower(line); sub(/.* c /, "", value)
        if (value == "none") none = ch; else code[value] = ch
        colours--; next
    }
    want[rows++] = line; next
}
file == 2 && /<rect / {
    # substr gives strings, which compare as text; +0 makes them numbers.
    x = attr("x") + 0; y = attr("y") + 0; w = attr("width") + 0; fill = tolower(attr("fill"))
    while (length(got[y]) < x) got[y] = got[y] none
    if (!(fill in code)) { print "colour " fill " is not in the icon"; bad = 1; exit 1 }
    for (i = 0; i < w; i++) got[y] = got[y] code[fill]
}
function attr(name) {
    match($0, " " name "=\"[^\"]*\"")
    return substr($0, RSTART + length(name) + 3, RLENGTH - length(name) - 4)
}
END {
    if (bad) exit 1
    for (y = 0; y < rows; y++) {
        while (length(got[y]) < width) got[y] = got[y] none
        if (got[y] != want[y]) { print "row " y ": SVG " got[y] ", icon " want[y]; exit 1 }
    }
}
