#!/usr/bin/env bash
# Runs a command with names of its own: in a private mount namespace, /etc/hosts gains
# the lines of HUSHWALL_HOSTS and /etc/resolv.conf points at tests/e2e/slow_dns.py on a
# loopback address of its own, answering after HUSHWALL_DNS_DELAY seconds (default 3).
# Wine resolves through the Linux resolver, so the Windows programs started see them.
# Exits 77 (skipped) when a mount namespace is not permitted here.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${HUSHWALL_PRIVATE_NAMES:-}" ]; then
    if ! unshare -m true 2>/dev/null; then
        echo "skipped: names of its own need a private mount namespace (unshare -m), not permitted here"
        exit 77
    fi
    HUSHWALL_PRIVATE_NAMES=1 exec unshare -m "$0" "$@"
fi
mount --make-rprivate /
tmp=$(mktemp -d)
dns=""
trap '[ -n "$dns" ] && kill "$dns" 2>/dev/null; rm -rf "$tmp"' EXIT
# An address of 127/8 chosen per run, so that runs beside each other do not meet.
address=127.$((RANDOM % 200 + 20)).$((RANDOM % 250 + 1)).$((RANDOM % 250 + 1))
{ cat /etc/hosts; printf '%b\n' "${HUSHWALL_HOSTS:-}"; } >"$tmp/hosts"
printf 'nameserver %s\noptions timeout:25 attempts:1\n' "$address" >"$tmp/resolv.conf"
mount --bind "$tmp/hosts" /etc/hosts
mount --bind "$tmp/resolv.conf" /etc/resolv.conf
python3 "$here/slow_dns.py" "$address" "${HUSHWALL_DNS_DELAY:-3}" "$tmp/ready" &
dns=$!
for _ in $(seq 50); do
    [ -e "$tmp/ready" ] && break
    sleep 0.1
done
[ -e "$tmp/ready" ] || { echo "private-names: the DNS responder did not start" >&2; exit 1; }
"$@"
