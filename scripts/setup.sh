#!/usr/bin/env bash
# Installs what the build and the tests need with apt-get. Does nothing when all is there.
#
# A mirror in the middle of a sync fails the update for one suite. Installing
# then mixes that suite's stale index with fresh ones, and multiarch refuses
# (the amd64 and i386 twins of a library must have one version). So the
# install runs with the failed suites set aside, for that one command; the
# machine's own apt configuration is never changed.
set -euo pipefail

packages=(
    cmake make g++ clang libclang-rt-14-dev googletest libgtest-dev libbenchmark-dev
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
    wine wine32:i386 wine64 xvfb xdotool x11-utils imagemagick fonts-dejavu-core
    nsis fp-utils zip unzip libchm-bin python3
)

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
update_tries=${SETUP_UPDATE_TRIES:-3}
update_pause=${SETUP_UPDATE_PAUSE:-10}

have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

# Every enabled source as one-line entries "TYPE [OPTIONS] URI SUITE COMPONENTS...",
# from the one-line lists and the deb822 .sources files of a sources folder.
source_lines() {  # source_lines LIST_FILE PARTS_DIR
    local list=$1 parts=$2 f
    for f in "$list" "$parts"/*.list; do
        [ -f "$f" ] && grep -E '^[[:space:]]*deb(-src)?[[:space:]]' "$f" | sed 's/#.*//'
    done
    for f in "$parts"/*.sources; do
        [ -f "$f" ] || continue
        awk '
            function flush(   t, u, s, nt, nu, ns, i, j, k, opts) {
                if (types != "" && tolower(enabled) != "no") {
                    opts = ""
                    if (signed != "") opts = opts " signed-by=" signed
                    if (archs != "") { gsub(/ +/, ",", archs); opts = opts " arch=" archs }
                    if (opts != "") opts = "[" substr(opts, 2) "] "
                    nt = split(types, t, " "); nu = split(uris, u, " "); ns = split(suites, s, " ")
                    for (i = 1; i <= nt; i++) for (j = 1; j <= nu; j++) for (k = 1; k <= ns; k++)
                        print t[i] " " opts u[j] " " s[k] " " comps
                }
                types = uris = suites = comps = signed = archs = enabled = ""
            }
            /^[ \t]*#/ { next }
            /^[ \t]*$/ { flush(); next }
            {
                key = tolower($1); sub(/:$/, "", key)
                value = $0; sub(/^[^:]*:[ \t]*/, "", value); gsub(/[ \t]+/, " ", value)
                if (key == "types") types = value
                else if (key == "uris") uris = value
                else if (key == "suites") suites = value
                else if (key == "components") comps = value
                else if (key == "signed-by") signed = value
                else if (key == "architectures") archs = value
                else if (key == "enabled") enabled = value
            }
            END { flush() }
        ' "$f"
    done
}

# The URI and suite of a one-line entry, as "URI SUITE".
uri_and_suite() {
    sed -E 's/^[[:space:]]*deb(-src)?[[:space:]]+(\[[^]]*\][[:space:]]+)?//' <<<"$1" | awk '{print $1, $2}'
}

# The entries whose indexes an update failed to fetch: the failed URL lies
# under URI/dists/SUITE/ (or URI/SUITE for a flat repository).
failed_entries() {  # failed_entries UPDATE_LOG < ENTRIES
    local log=$1 line uri suite url
    mapfile -t urls < <(grep -oE 'Failed to fetch [^ ]+' "$log" | awk '{print $4}' | sort -u)
    while IFS= read -r line; do
        read -r uri suite <<<"$(uri_and_suite "$line")"
        uri=${uri%/}
        for url in "${urls[@]}"; do
            case $url in
            "$uri/dists/$suite/"* | "$uri/${suite%/}/"*) echo "$line"; break ;;
            esac
        done
    done
}

# apt-get update, tried a few times; the last try's output stays in the log.
update_indexes() {  # update_indexes LOG
    local log=$1 try
    for ((try = 1; try <= update_tries; try++)); do
        if $SUDO apt-get update -qq >"$log" 2>&1 && ! grep -q 'Failed to fetch' "$log"; then
            return 0
        fi
        [ "$try" -lt "$update_tries" ] && sleep "$update_pause"
    done
    return 1
}

install_packages() {  # install_packages PACKAGE...
    local work status=0
    work=$(mktemp -d)
    try_install "$work" "$@" || status=$?
    rm -rf "$work"
    return $status
}

try_install() {  # try_install WORK_DIR PACKAGE...
    local work=$1 list parts
    shift
    eval "$(apt-config shell list Dir::Etc::sourcelist/f parts Dir::Etc::sourceparts/d)"

    if update_indexes "$work/update.log"; then
        $SUDO apt-get install -y -qq --no-install-recommends "$@" >"$work/install.log" 2>&1 && return 0
        cat "$work/install.log" >&2
        echo "setup: apt-get install failed" >&2
        return 1
    fi

    source_lines "$list" "$parts" >"$work/all.list"
    failed_entries "$work/update.log" <"$work/all.list" >"$work/failed.list"
    if [ ! -s "$work/failed.list" ]; then
        cat "$work/update.log" >&2
        echo "setup: apt-get update failed" >&2
        return 1
    fi
    local reason aside
    reason=$(grep -m1 -oE 'Failed to fetch [^ ]+ +.*' "$work/update.log" | sed -E 's/^Failed to fetch [^ ]+ +//; s/ \[IP:.*//')
    aside=$(while IFS= read -r line; do uri_and_suite "$line"; done <"$work/failed.list" | sort -u | paste -sd, | sed 's/,/, /g')
    echo "setup: index of $aside failed to download ($reason); installing with it set aside"

    mkdir -p "$work/parts"
    grep -vxFf "$work/failed.list" "$work/all.list" >"$work/parts/kept.list" || true
    # Empty cache paths keep apt from saving a package cache built without those suites.
    if $SUDO apt-get install -y -qq --no-install-recommends \
        -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$work/parts" \
        -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache= \
        "$@" >"$work/install.log" 2>&1; then
        return 0
    fi
    cat "$work/install.log" >&2
    echo "setup: the packages cannot be installed, not even without $aside" >&2
    return 1
}

main() {
    # 32-bit Wine comes from the i386 architecture.
    local fresh_arch=0
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $SUDO dpkg --add-architecture i386
        fresh_arch=1
    fi

    local need=() p
    for p in "${packages[@]}"; do
        have "$p" || need+=("$p")
    done
    [ ${#need[@]} -eq 0 ] && [ $fresh_arch -eq 0 ] && return 0

    echo "setup: installing ${need[*]}"
    export DEBIAN_FRONTEND=noninteractive
    if [ ${#need[@]} -eq 0 ]; then
        $SUDO apt-get update -qq || true
        return 0
    fi
    install_packages "${need[@]}"
}

# Sourced by its test, which drives the functions with a stand-in apt-get.
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    main "$@"
fi
