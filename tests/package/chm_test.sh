#!/usr/bin/env bash
# The help file is a CHM that a reader other than its compiler can open, and it
# holds every page named in its table of contents and index, and every image
# and style sheet those pages use.
set -euo pipefail

chm=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

extract_chmLib "$chm" "$work/out" >/dev/null || { echo "FAIL: chmlib cannot read $chm"; exit 1; }
out=$work/out
fail=0
need() {  # need FILE WHY
    if [ ! -s "$out/$1" ]; then
        echo "FAIL: $1 ($2) is not in $chm"
        fail=1
    fi
}

# The compiled structures the viewer needs, and the project's own lists.
for f in '#SYSTEM' '#TOPICS' '#URLTBL' '#STRINGS' toc.hhc index.hhk; do
    [ -e "$out/$f" ] || { echo "FAIL: $f missing"; fail=1; }
done
[ $fail -eq 0 ] || exit 1

pages=$(grep -hoiE '<param name="Local" value="[^"]+"' "$out/toc.hhc" "$out/index.hhk" |
        sed -E 's/.*value="([^"#]+).*/\1/' | sort -u)
[ "$(grep -ciE 'name="Local"' "$out/toc.hhc")" -ge 8 ] || { echo "FAIL: table of contents has fewer than 8 pages"; exit 1; }
for page in $pages; do
    need "$page" "named in the contents or index"
    [ -s "$out/$page" ] || continue
    # Every local image, style sheet and link of the page.
    for ref in $(grep -oiE '(src|href)="[^"]+"' "$out/$page" | sed -E 's/^[^"]*"([^"#]*).*/\1/'); do
        case $ref in ''|http:*|https:*|mailto:*) continue ;; esac
        need "$ref" "used by $page"
    done
done
# The default topic opens first.
grep -q 'index.html' "$out/#SYSTEM" || { echo "FAIL: no default topic index.html"; fail=1; }
[ $fail -eq 0 ] && echo "ok: $(wc -w <<<"$pages") pages and their images in $chm"
exit $fail
