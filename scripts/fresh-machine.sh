#!/usr/bin/env bash
# A developer's tool, not run by CI: proves the README on a machine as a user meets it. In a
# minimal Debian 12 chroot (debootstrap --variant=minbase bookworm, under
# /var/tmp/qorutil-chroot) it copies in the checkout's HEAD and runs, in order and timed:
# scripts/run.sh, scripts/test.sh and scripts/package.sh; then installs the package with
# apt-get, runs the installed programs, removes and purges it. Prints the time of each step;
# fails on the first failure. Run as root; takes about an hour.
#
# Usage: bash scripts/fresh-machine.sh [--fresh]
#   --fresh   make the chroot anew; without it a chroot left by an earlier run is used again
#             as it is (with what that run installed), and a new one made when there is none.
# QORUTIL_CHROOT sets the folder, QORUTIL_MIRROR the Debian mirror for debootstrap.
set -euo pipefail
cd "$(dirname "$0")/.."
root=${QORUTIL_CHROOT:-/var/tmp/qorutil-chroot}
mirror=${QORUTIL_MIRROR:-http://deb.debian.org/debian}
fresh=0
for argument in "$@"; do
    case $argument in
    --fresh) fresh=1 ;;
    -h | --help) sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "fresh-machine.sh: unknown argument $argument (see --help)" >&2; exit 2 ;;
    esac
done
[ "$(id -u)" -eq 0 ] || { echo "fresh-machine.sh: run as root (debootstrap, chroot and mount need it)" >&2; exit 1; }
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
    echo "Note: uncommitted changes are not copied; the chroot gets HEAD ($(git rev-parse --short HEAD))" >&2
fi

mounted=()
times=()
# Processes whose root is the chroot: whatever a step left running.
chroot_processes() {
    local link
    for link in /proc/[0-9]*/root; do
        [ "$(readlink "$link" 2>/dev/null)" = "$root" ] && { link=${link#/proc/}; echo "${link%/root}"; }
    done
    return 0
}
cleanup() {
    local status=$? pids index
    pids=$(chroot_processes)
    if [ -n "$pids" ]; then
        echo "Processes left running in the chroot, ended now:" >&2
        # shellcheck disable=SC2086
        ps -o pid=,args= -p "$(echo $pids | tr ' ' ,)" >&2 || true
        # shellcheck disable=SC2086
        kill $pids 2>/dev/null || true
        sleep 2
        # shellcheck disable=SC2086
        kill -KILL $(chroot_processes) 2>/dev/null || true
        [ "$status" -ne 0 ] || status=1
    fi
    for ((index = ${#mounted[@]} - 1; index >= 0; --index)); do
        umount "${mounted[index]}" 2>/dev/null || umount -l "${mounted[index]}" || true
    done
    mounted=()
    if [ "${#times[@]}" -gt 0 ]; then
        echo "==== Time per step"
        printf '  %s\n' "${times[@]}"
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

step() {
    local name=$1 start=$SECONDS status=0
    shift
    echo
    echo "==== $name"
    "$@" || status=$?
    times+=("$(printf '%-40s %6d s%s' "$name" $((SECONDS - start)) "$([ "$status" -eq 0 ] || echo ", FAILED ($status)")")")
    echo "==== $name took $((SECONDS - start)) s$([ "$status" -eq 0 ] || echo ", FAILED with status $status")"
    return "$status"
}

# Runs a command line in the chroot as a login shell would, with nothing from this
# environment but the terminal type.
in_chroot() {
    chroot "$root" /usr/bin/env -i HOME=/root TERM="${TERM:-dumb}" LANG=C.UTF-8 \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin bash -c "set -euo pipefail; $1"
}

make_chroot() {
    if [ "$fresh" -eq 1 ] && [ -e "$root" ]; then
        # What a run that was killed may have left mounted.
        local target
        for target in dev/shm dev/pts dev sys proc; do
            ! mountpoint -q "$root/$target" || umount -l "$root/$target"
        done
        echo "Removing the old chroot $root"
        rm -rf --one-file-system "$root"
    fi
    if [ -e "$root/.qorutil-minbase" ]; then
        echo "Using the chroot $root again, as the run of $(cat "$root/.qorutil-minbase") left it (--fresh makes it anew)"
        return 0
    fi
    if ! command -v debootstrap >/dev/null; then
        apt-get update
        DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends debootstrap
    fi
    rm -rf --one-file-system "$root"
    debootstrap --variant=minbase bookworm "$root" "$mirror"
    # As an installed system has them: the updates and the security archive.
    cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb http://deb.debian.org/debian-security bookworm-security main
EOF
    date -u '+%F %T UTC' >"$root/.qorutil-minbase"
}

enter_chroot() {
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    local target
    for target in proc sys dev dev/pts dev/shm; do
        mountpoint -q "$root/$target" && umount -l "$root/$target"
    done
    mount -t proc proc "$root/proc" && mounted+=("$root/proc")
    mount -t sysfs sysfs "$root/sys" && mounted+=("$root/sys")
    mount --bind /dev "$root/dev" && mounted+=("$root/dev")
    mount --bind /dev/pts "$root/dev/pts" && mounted+=("$root/dev/pts")
    mkdir -p "$root/dev/shm"
    mount -t tmpfs -o mode=1777,nosuid,nodev shm "$root/dev/shm" && mounted+=("$root/dev/shm")
    # The network's own certificate authorities (a proxy that inspects TLS, say), which every
    # machine on it needs: npm fetches over https. Taken into the system's list now, or when
    # the ca-certificates package comes.
    if compgen -G "/usr/local/share/ca-certificates/*.crt" >/dev/null; then
        mkdir -p "$root/usr/local/share/ca-certificates"
        cp /usr/local/share/ca-certificates/*.crt "$root/usr/local/share/ca-certificates/"
        in_chroot '! command -v update-ca-certificates >/dev/null || update-ca-certificates >/dev/null'
    fi
    # The checkout as committed, without build folders or anything else left in the work tree.
    rm -rf --one-file-system "$root/root/qorutil"
    mkdir -p "$root/root/qorutil"
    git archive --format=tar HEAD | tar -x -C "$root/root/qorutil"
    echo "Copied $(git rev-parse --short HEAD) to $root/root/qorutil"
}

check_installed() {
    in_chroot '
        echo "\$ qorutil-cli --version"; qorutil-cli --version
        echo "\$ qorutil --help (no display)"; qorutil --help
        echo "\$ qorutil-preview --version"; qorutil-preview --version
        command -v qorutil-render && { echo "qorutil-render is on the PATH" >&2; exit 1; }
        test -x /usr/libexec/qorutil/qorutil-render
        ls /usr/share/man/man1/qorutil*.1.gz /usr/share/doc/qorutil
        work=$(mktemp -d)
        cp /root/qorutil/examples/walk.reanim.compiled "$work/"
        echo "\$ qorutil-cli render walk.reanim.compiled --sheet --numbers -o walk.png"
        qorutil-cli render "$work/walk.reanim.compiled" --sheet --numbers -o "$work/walk.png"
        head -c 8 "$work/walk.png" | od -A n -t x1 | grep -q "89 50 4e 47 0d 0a 1a 0a"
        echo "walk.png: a PNG of $(stat -c %s "$work/walk.png") bytes"
        rm -rf "$work"'
}

# apt-get remove takes all of a package without configuration files, so that purge then has
# nothing left to take: each is tried on an installed package of its own.
check_removed() {
    local how
    for how in remove purge; do
        [ "$how" = remove ] || in_chroot 'cd /root/qorutil && DEBIAN_FRONTEND=noninteractive apt-get install -y ./build/qorutil_*.deb >/dev/null'
        in_chroot "how=$how;"'
            apt-get "$how" -y qorutil
            if dpkg -s qorutil >/dev/null 2>&1; then
                echo "dpkg still knows qorutil after apt-get $how:" >&2; dpkg -s qorutil >&2; exit 1
            fi
            left=$(ls -d /usr/bin/qorutil* /usr/libexec/qorutil /usr/share/doc/qorutil /usr/share/man/man1/qorutil* \
                   /usr/share/applications/qorutil* /usr/share/mime/packages/qorutil.xml 2>/dev/null || true)
            [ -z "$left" ] || { echo "Left behind by apt-get $how: $left" >&2; exit 1; }
            echo "apt-get $how: nothing of qorutil left"'
    done
}

step "make or reuse the chroot" make_chroot
step "copy the checkout in, mount" enter_chroot
step "bash scripts/run.sh" in_chroot 'cd /root/qorutil && bash scripts/run.sh'
step "bash scripts/test.sh" in_chroot 'cd /root/qorutil && bash scripts/test.sh'
step "bash scripts/package.sh" in_chroot 'cd /root/qorutil && bash scripts/package.sh'
step "apt-get install ./build/qorutil_*.deb" in_chroot \
    'cd /root/qorutil && DEBIAN_FRONTEND=noninteractive apt-get install -y ./build/qorutil_*.deb'
step "run the installed programs" check_installed
step "apt-get remove; install, purge" check_removed
leftover=$(chroot_processes)
if [ -n "$leftover" ]; then
    echo "The steps left processes running in the chroot: $leftover" >&2
    exit 1
fi
echo
echo "All steps passed in the minimal chroot $root"
