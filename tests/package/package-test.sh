#!/usr/bin/env bash
# Installs the Debian package as a user's system would, into a throwaway copy of this system
# (an overlay chroot), and checks that the installed program starts, is heard on a LAN of
# network namespaces, finds its sound and Qt's Czech texts, writes a valid autostart entry,
# says goodbye on SIGTERM, and that purging the package leaves none of its files behind.
#   package-test.sh BUILD_DIR [PACKAGE]
# Without PACKAGE the package is made from BUILD_DIR by cpack. Needs root: without it the
# test is skipped (exit 77). KW_TRACE=1 traces the part that runs in the chroot.
set -euo pipefail
PATH=$PATH:/usr/sbin:/sbin
here=$(cd "$(dirname "$0")" && pwd)

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Reads the listener's reports until one equals $1; fails after 30 seconds without it.
expect() {
    local line
    while read -r -t 30 -u 3 line; do
        [[ $line == "$1" ]] && return 0
    done
    fail "never heard '$1'"
}

# Runs in a mount namespace of its own, so every mount below goes when the test ends.
inside() {
    local deb=$1 work=$2 lab=$3
    local root=$work/root home=/tmp/home name=kestrowind2
    mount -t tmpfs kwlayer "$work/layer"
    mkdir "$work/layer/upper" "$work/layer/work"
    mount -t overlay kwroot -o "lowerdir=/,upperdir=$work/layer/upper,workdir=$work/layer/work" \
        "$root"
    mount -t proc proc "$root/proc"
    mount --rbind /dev "$root/dev"
    mount -t tmpfs tmp "$root/tmp"
    mount -t tmpfs run "$root/run"
    in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }

    mapfile -t paths < <(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\.||; s|/$||' |
        grep .)
    existing() { for path in "${paths[@]}"; do if [[ -e $root$path ]]; then echo "$path"; fi; done; }
    existing >"$work/before"
    cp "$deb" "$root/tmp/$name.deb"
    in_root dpkg -i "/tmp/$name.deb" >"$work/dpkg.log" 2>&1 || {
        cat "$work/dpkg.log"
        fail "dpkg -i"
    }
    desktop-file-validate "$root/usr/share/applications/example.orlathe.Kestrowind2.desktop"
    appstreamcli validate --no-net "$root/usr/share/metainfo/example.orlathe.Kestrowind2.metainfo.xml" \
        >/dev/null || fail "appstreamcli validate"

    # A user who has been greeted before and wants the program started at logon.
    mkdir -p "$root$home/config" "$root$home/runtime"
    chmod 700 "$root$home/runtime"
    printf '[options]\nfirst=true\nafterstart=1\n' >"$root$home/config/$name.ini"

    mkfifo "$work/heard"
    nsenter --net="/run/netns/$lab-2" python3 -u -c '
import socket
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("", 1705))
print("ready")
while True:
    data, (host, _) = s.recvfrom(65536)
    print(data.partition(b"\x01")[2].partition(b"\t")[0].decode("latin-1"), host)
' >"$work/heard" &
    exec 3<"$work/heard"
    expect ready

    nsenter --net="/run/netns/$lab-1" chroot "$root" env -i HOME=$home \
        XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/runtime QT_QPA_PLATFORM=offscreen \
        strace -f -qq -e trace=openat -o /tmp/opened /usr/bin/$name &
    local tracer=$!
    local address
    address=$("$here/../netns/netns.sh" addr "$lab" 1)
    expect "LOGON $address"
    # The sound is loaded in the background; the goodbye waits until it has been (under strace on
    # a busy machine that can take many seconds).
    local opened=$root/tmp/opened
    sound_opened() { grep -q "\"/usr/share/$name/sound.wav\", O_RDONLY.*= [0-9]" "$opened"; }
    for _ in $(seq 600); do
        sound_opened && break
        sleep 0.1
    done
    kill -TERM "$(pgrep -P "$tracer")"
    expect "LOGOFF $address"
    wait "$tracer" || fail "the program ended with $?"

    sound_opened || fail "the sound was not opened"
    grep -q '/translations/qtbase_cs[_A-Z]*\.qm", O_RDONLY.*= [0-9]' "$opened" ||
        fail "Qt's Czech translations were not opened"
    local entry=$root$home/config/autostart/Kestrowind.desktop
    desktop-file-validate "$entry"
    grep -qx "Exec=/usr/bin/$name" "$entry" || fail "autostart entry: $(cat "$entry")"
    [[ ! -e $root$home/runtime/$name.lock ]] || fail "the lock file was left behind"

    in_root dpkg --purge "$name" >>"$work/dpkg.log" 2>&1 || {
        cat "$work/dpkg.log"
        fail "dpkg --purge"
    }
    local status
    status=$(in_root dpkg-query -W -f='${db:Status-Status}' "$name" 2>/dev/null || true)
    [[ -z $status || $status == not-installed ]] || fail "dpkg still has the package: $status"
    existing | diff "$work/before" - || fail "purging left the files above behind"
}

if [[ ${1:-} == --inside ]]; then
    shift
    inside "$@"
    exit
fi

((EUID == 0)) || {
    echo "SKIP: needs root (a chroot and network namespaces)"
    exit 77
}
build=$(realpath "$1")
work=$(mktemp -d /tmp/kwpackage.XXXXXX)
lab=kwpkg${KW_NETNS_SALT:-}
cleanup() {
    "$here/../netns/netns.sh" down "$lab" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

if [[ -n ${2:-} ]]; then
    deb=$(realpath "$2")
else
    cpack -G DEB -B "$work/package" --config "$build/CPackConfig.cmake" >"$work/cpack.log" || {
        cat "$work/cpack.log"
        fail cpack
    }
    deb=$(echo "$work"/package/kestrowind2_*.deb)
fi
lintian --fail-on error "$deb"
mkdir "$work/layer" "$work/root"
"$here/../netns/netns.sh" up "$lab" 2
unshare --mount --propagation private "$BASH" ${KW_TRACE:+-x} "$0" --inside "$deb" "$work" "$lab"
echo "package installed, run, heard and purged cleanly"
