#!/usr/bin/env bash
# The manual the build rendered: every heading of the Markdown is text in the PDF
# (so it can be searched and copied), every picture is in it, the Japanese font
# is embedded.
set -euo pipefail
pdf="$1"
md="$2"
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
[ -s "$pdf" ] || fail "$pdf was not built"
for tool in pdftotext pdfinfo pdffonts; do
    command -v "$tool" >/dev/null || fail "$tool is missing (package poppler-utils)"
done

# Spaces and line breaks (also the ideographic space) do not count.
squeeze() { tr -d ' \n\f\t' | sed 's/　//g'; }
text="$(pdftotext -enc UTF-8 "$pdf" - | squeeze)"
missing=0
while IFS= read -r heading; do
    want="$(printf '%s' "$heading" | sed -E 's/^#+ +//; s/\*\*//g' | squeeze)"
    if [[ "$text" != *"$want"* ]]; then
        echo "heading not found in the PDF text: $heading" >&2
        missing=$((missing + 1))
    fi
done < <(grep -E '^#{1,3} ' "$md")
[ "$missing" = 0 ] || fail "$missing headings missing"
# Body text too, with the product's own words.
[[ "$text" == *"変更登録時に過去の明細も変換する。"* ]] || fail "body text not extractable"

pictures="$(grep -oE '!\[[^]]*\]\([^)]+\)' "$md" | sed -E 's/.*\(([^)]+)\)/\1/' | sort -u | wc -l)"
images="$(grep -ac '/Subtype /Image' "$pdf" || true)"
[ "$pictures" -ge 6 ] || fail "the manual shows only $pictures pictures"
[ "$images" -ge "$pictures" ] || fail "$images image objects in the PDF for $pictures pictures"

pages="$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')"
[ "$pages" -ge 8 ] || fail "only $pages pages"
pdffonts "$pdf" | grep -q 'IPA.*yes' || fail "no embedded IPA font: $(pdffonts "$pdf")"
echo "manual: $pages pages, $images pictures, $(stat -c %s "$pdf") bytes"
