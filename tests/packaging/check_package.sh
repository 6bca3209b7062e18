#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package and puts it through what an installer does with it, as root on a
# machine that may be changed: lintian, the desktop entries, installation, the installed files,
# group and directory mode, the user unit (checked, never run: no service manager is started),
# ride-console-setup for a throw-away user, the priority the package grants that user and not
# another, the installed console on its own Xvfb reading the settings file that set-up wrote,
# reinstallation over a site's files, and purge.
# Prints one line per check and a summary; exits non-zero when any check failed.
#
# Left on the machine afterwards: nothing of the package. The ride-console group is removed by this
# script only when it did not exist before (purge itself keeps it, as Debian packages do with
# system groups).
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 2

if [ "$(id -u)" -ne 0 ]; then
    echo "check_package: needs root (it installs and purges the package)" >&2
    exit 2
fi

if dpkg-query -W ride-console >/dev/null 2>&1; then
    echo "note: ride-console was installed; purging it first"
    dpkg --purge ride-console >/dev/null
fi
if [ -e /opt/ride-console ]; then
    echo "check_package: /opt/ride-console exists without the package; move it away first" >&2
    exit 2
fi

passed=0
failed=0
failures=()
check() { # check NAME COMMAND...: runs the command, counts and prints the outcome
    local name=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
        echo "PASS  $name"
    else
        failed=$((failed + 1))
        failures+=("$name")
        echo "FAIL  $name"
    fi
}

work=$(mktemp -d /tmp/ride-package-check.XXXXXX)
chmod 755 "$work"
test_user=ride-pkgcheck-$$
outside_user=ride-pkgout-$$
xvfb_pid=
console_pid=
group_existed=no
if getent group ride-console >/dev/null; then
    group_existed=yes
fi
cleanup() {
    if [ -n "$console_pid" ]; then kill "$console_pid" 2>/dev/null; fi
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; fi
    if getent passwd "$test_user" >/dev/null; then userdel -r "$test_user" 2>/dev/null; fi
    if getent passwd "$outside_user" >/dev/null; then userdel "$outside_user" 2>/dev/null; fi
    if dpkg-query -W ride-console >/dev/null 2>&1; then dpkg --purge ride-console >/dev/null 2>&1; fi
    # What this script put there as the site would, left behind when a check failed.
    rm -f /opt/ride-console/来人.mp4 /opt/ride-console/配置.ini /opt/ride-console/.配置.ini.saving.Ab12Cd \
        /opt/ride-console/.配置.ini.saving.Zz99Yy
    if [ -d /opt/ride-console ]; then rmdir --ignore-fail-on-non-empty /opt/ride-console; fi
    if [ "$group_existed" = no ] && getent group ride-console >/dev/null; then groupdel ride-console; fi
    rm -rf "$work"
}
trap cleanup EXIT

# ---------------------------------------------------------------- the package file
if ! bash scripts/package.sh >"$work/package.log" 2>&1; then
    cat "$work/package.log"
    echo "FAIL  building the package"
    exit 1
fi
# The one package.sh has just written: the newest.
# shellcheck disable=SC2012
deb=$(ls -t build-package/ride-console_*.deb | head -n 1)
echo "package: $deb"

lintian_clean() {
    lintian --show-overrides "$deb" >"$work/lintian.log" 2>&1
    # Errors and warnings fail; the one overridden tag must be the /opt location and nothing else.
    if grep -E '^(E|W): ' "$work/lintian.log"; then
        return 1
    fi
    if grep -E '^O: ' "$work/lintian.log" | grep -v ': dir-or-file-in-opt \[opt/ride-console/'; then
        return 1
    fi
    grep -q '^O: ride-console: dir-or-file-in-opt' "$work/lintian.log"
}
check "lintian: no error or warning, only the /opt override used" lintian_clean

check "desktop-file-validate: autostart entry" desktop-file-validate packaging/ride-console-autostart.desktop

depends_complete() {
    local depends
    depends=$(dpkg-deb -f "$deb" Depends)
    for d in libmpv2 fonts-wqy-zenhei adduser qt6-qpa-plugins libqt6widgets6 libqt6serialport6 libxtst6; do
        if ! grep -qw "$d" <<<"$depends"; then
            echo "Depends lacks $d: $depends"
            return 1
        fi
    done
}
check "dependencies: by hand and from the library scan" depends_complete

# ---------------------------------------------------------------- installation
install_package() {
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q "./$deb" >"$work/apt.log" 2>&1 || {
        cat "$work/apt.log"
        return 1
    }
}
check "apt-get install ./$(basename "$deb")" install_package
echo "installed size: $(dpkg-query -W -f='${Installed-Size}' ride-console 2>/dev/null) KiB"

files_in_place() {
    local f
    for f in /opt/ride-console/ride-console /opt/ride-console/tools/bike-sim /opt/ride-console/tools/ride-target \
        /usr/sbin/ride-console-setup; do
        if [ ! -x "$f" ]; then
            echo "not an executable file: $f"
            return 1
        fi
    done
    for f in /usr/lib/systemd/user/ride-console.service /etc/xdg/autostart/ride-console.desktop \
        /usr/share/ride-console/settings-template.ini /usr/share/doc/ride-console/copyright \
        /usr/share/doc/ride-console/changelog.gz /usr/share/lintian/overrides/ride-console; do
        if [ ! -f "$f" ]; then
            echo "missing: $f"
            return 1
        fi
    done
    if [ ! -L /usr/bin/ride-console ] || [ "$(readlink /usr/bin/ride-console)" != /opt/ride-console/ride-console ]; then
        echo "/usr/bin/ride-console is not a symbolic link to /opt/ride-console/ride-console"
        return 1
    fi
    # The settings file is the site's, never a package file.
    if dpkg -L ride-console | grep -q '配置.ini'; then
        echo "the package owns a settings file"
        return 1
    fi
    dpkg-query -W -f='${Conffiles}\n' ride-console | grep -q '/etc/xdg/autostart/ride-console.desktop'
}
check "installed files, the /usr/bin link, no packaged settings file" files_in_place

directory_and_group() {
    getent group ride-console >/dev/null || { echo "no group ride-console"; return 1; }
    local mode
    mode=$(stat -c '%a %U %G' /opt/ride-console)
    [ "$mode" = "3775 root ride-console" ] || { echo "/opt/ride-console is $mode"; return 1; }
}
check "group ride-console, /opt/ride-console root:ride-console 3775" directory_and_group

binaries_hardened() {
    local b chk=0
    for b in /opt/ride-console/ride-console /opt/ride-console/tools/bike-sim /opt/ride-console/tools/ride-target; do
        if readelf -SW "$b" | grep -q ' \.symtab '; then
            echo "not stripped: $b"
            return 1
        fi
        readelf -lW "$b" | grep -q GNU_RELRO || { echo "no RELRO: $b"; return 1; }
        readelf -dW "$b" | grep -Eq 'BIND_NOW|FLAGS_1.*NOW' || { echo "no BIND_NOW: $b"; return 1; }
        chk=$((chk + $(readelf --dyn-syms -W "$b" | grep -c '_chk@')))
    done
    # _FORTIFY_SOURCE turns some string and memory calls into their checked *_chk forms.
    [ "$chk" -gt 0 ] || { echo "no fortified calls in any binary"; return 1; }
}
check "binaries stripped, RELRO, BIND_NOW, fortified" binaries_hardened

template_is_gbk_crlf() {
    local t=/usr/share/ride-console/settings-template.ini
    iconv -f GBK -t UTF-8 "$t" >"$work/template.utf8" || return 1
    grep -q '^\[控制界面\]' "$work/template.utf8" || { echo "no [控制界面] after GBK decoding"; return 1; }
    # Every line ends in CR LF.
    [ "$(grep -c $'\r$' "$t")" -eq "$(wc -l <"$t")" ] || { echo "lines without CR"; return 1; }
}
check "settings template: GBK, CRLF" template_is_gbk_crlf

copyright_is_dep5_gpl3() {
    local c=/usr/share/doc/ride-console/copyright
    head -n 1 "$c" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' &&
        grep -qx 'License: GPL-3+' "$c" && grep -q '/usr/share/common-licenses/GPL-3' "$c"
}
check "copyright: machine-readable, GPL-3.0-or-later" copyright_is_dep5_gpl3

check "desktop-file-validate: installed autostart entry" desktop-file-validate /etc/xdg/autostart/ride-console.desktop

unit_verifies() {
    local runtime
    runtime=$(mktemp -d /tmp/ride-package-runtime.XXXXXX)
    XDG_RUNTIME_DIR=$runtime systemd-analyze --user verify /usr/lib/systemd/user/ride-console.service \
        >"$work/verify.log" 2>&1
    local status=$?
    rm -rf "$runtime"
    cat "$work/verify.log"
    [ $status -eq 0 ] && [ ! -s "$work/verify.log" ]
}
check "systemd-analyze --user verify: the unit, no complaint" unit_verifies

unit_settings() {
    local u=/usr/lib/systemd/user/ride-console.service
    # Each line here is one promise of the unit: supervised, notify/watchdog, with the session.
    for line in 'Type=notify' 'Restart=on-failure' 'StartLimitIntervalSec=0' 'KillMode=control-group' \
        'PartOf=graphical-session.target' 'After=graphical-session.target' 'WantedBy=graphical-session.target' \
        'ExecStart=/opt/ride-console/ride-console'; do
        grep -qx "$line" "$u" || { echo "unit lacks $line"; return 1; }
    done
    grep -Eqx 'WatchdogSec=[1-9][0-9]*s?' "$u" || { echo "unit has no watchdog"; return 1; }
}
check "unit: restart on failure only, never gives up, watchdog, with the session" unit_settings

# ---------------------------------------------------------------- ride-console-setup
useradd -m -s /bin/sh "$test_user"
setup_first() {
    /usr/sbin/ride-console-setup "$test_user" >"$work/setup1.log" 2>&1 || { cat "$work/setup1.log"; return 1; }
    cat "$work/setup1.log"
    id -nG "$test_user" | tr ' ' '\n' | grep -qx dialout || { echo "not in dialout"; return 1; }
    id -nG "$test_user" | tr ' ' '\n' | grep -qx ride-console || { echo "not in ride-console"; return 1; }
    [ "$(stat -c %U /opt/ride-console/配置.ini)" = "$test_user" ] || { echo "settings file not the user's"; return 1; }
    cmp -s /opt/ride-console/配置.ini /usr/share/ride-console/settings-template.ini || {
        echo "settings file is not the template"
        return 1
    }
    local home link
    home=$(getent passwd "$test_user" | cut -d: -f6)
    link=$home/.config/systemd/user/graphical-session.target.wants/ride-console.service
    [ "$(readlink "$link")" = /usr/lib/systemd/user/ride-console.service ] || { echo "no link $link"; return 1; }
    if [ "$(stat -c %U "$home/.config/systemd/user/graphical-session.target.wants")" != "$test_user" ] ||
        [ "$(stat -c %U "$home/.config")" != "$test_user" ]; then
        echo "unit directories not the user's"
        return 1
    fi
    [ "$(stat -c %U "$link")" = "$test_user" ] || { echo "link not the user's"; return 1; }
}
check "ride-console-setup: groups, settings file, start at login" setup_first

setup_again() {
    # Run again after the site edited its settings: the file is kept, each step says it was so.
    echo "edited by the site" >>/opt/ride-console/配置.ini
    local before
    before=$(md5sum /opt/ride-console/配置.ini)
    /usr/sbin/ride-console-setup "$test_user" >"$work/setup2.log" 2>&1 || { cat "$work/setup2.log"; return 1; }
    cat "$work/setup2.log"
    [ "$(md5sum /opt/ride-console/配置.ini)" = "$before" ] || { echo "settings file changed"; return 1; }
    [ "$(grep -c 'already\|kept' "$work/setup2.log")" -eq 4 ] || { echo "second run did something"; return 1; }
    install -m 0664 -o "$test_user" -g ride-console /usr/share/ride-console/settings-template.ini \
        /opt/ride-console/配置.ini
}
check "ride-console-setup again: changes nothing, says so" setup_again

check "ride-console-setup without a user: refuses" bash -c '! /usr/sbin/ride-console-setup >/dev/null 2>&1'

# ---------------------------------------------------------------- the priority grant
# Through PAM, as a login gives it: su's session applies limits.d. Started from limits that grant
# nothing, so that only the package's file can make the difference. What pam_limits asks the
# kernel for is seen with strace; whether the kernel grants it depends on this root being allowed
# to raise limits (CAP_SYS_RESOURCE), which a container may not be.
useradd -M -s /bin/sh "$outside_user"
may_raise_limits=no
if (ulimit -e 30) 2>/dev/null; then may_raise_limits=yes; fi
login_limits() { # login_limits USER: "NICE RTPRIO" of a login of USER; what PAM asked for in $work/USER.trace
    (ulimit -e 0 && ulimit -r 0 &&
        strace -f -qq -o "$work/$1.trace" -e trace=prlimit64,setrlimit \
            su -s /bin/bash "$1" -c 'echo "$(ulimit -e) $(ulimit -r)"')
}
asked() { # asked USER RESOURCE VALUE: PAM set RESOURCE to VALUE for USER's login
    grep -q "$2, {rlim_cur=$3, rlim_max=$3}" "$work/$1.trace"
}
priority_grant() {
    local f=/etc/security/limits.d/ride-console.conf
    [ -f "$f" ] || { echo "missing: $f"; return 1; }
    grep -Ev '^[[:space:]]*(#|$)' "$f"
    # One grant, to the group, of nice and nothing else.
    [ "$(grep -Ev '^[[:space:]]*(#|$)' "$f" | tr -s ' \t' ' ')" = "@ride-console - nice -10" ] || return 1
    local member outsider
    member=$(login_limits "$test_user") || return 1
    outsider=$(login_limits "$outside_user") || return 1
    # RLIMIT_NICE 30 lets a thread go down to nice 20 - 30 = -10.
    asked "$test_user" RLIMIT_NICE 30 || { echo "PAM did not set nice 30 for $test_user"; return 1; }
    if asked "$outside_user" RLIMIT_NICE 30 || grep -E 'RLIMIT_RTPRIO, \{rlim_cur=[1-9]' "$work"/*.trace; then
        echo "PAM granted more than nice -10 to the group"
        return 1
    fi
    echo "login limits (nice rtprio): $test_user in the group: $member; $outside_user outside it: $outsider"
    if [ "$may_raise_limits" = yes ]; then
        [ "$member" = "30 0" ] && [ "$outsider" = "0 0" ]
    else
        echo "this root may not raise resource limits: the kernel refused what PAM asked for, as it showed"
        [ "$outsider" = "0 0" ]
    fi
}
check "priority grant: nice -10 for the group ride-console through PAM, not outside it, no real-time" priority_grant

check_reports_priority() {
    local member outsider
    member=$( (ulimit -e 0 && su -s /bin/sh "$test_user" -c '/usr/bin/ride-console --check') 2>&1 | grep ' priority: ')
    outsider=$( (ulimit -e 0 && su -s /bin/sh "$outside_user" -c '/usr/bin/ride-console --check') 2>&1 |
        grep ' priority: ')
    echo "$member"
    echo "$outsider"
    if [ "$may_raise_limits" = yes ]; then
        grep -q '^ok      priority: records would be handled at nice -10' <<<"$member" || return 1
    else
        grep -q "^warning priority: .* $test_user is in the group ride-console, whose grant applies" <<<"$member" ||
            return 1
    fi
    grep -q "^warning priority: records would be handled at nice 0.* usermod -aG ride-console $outside_user" \
        <<<"$outsider"
}
check "ride-console --check: the grant for a member, the way to it for anyone else" check_reports_priority

# ---------------------------------------------------------------- the installed console reads its file
console_reads_settings() {
    # As the test user would edit it: to UTF-8, change the console's place, back to GBK with CRLF.
    local utf8=$work/settings.utf8
    iconv -f GBK -t UTF-8 /opt/ride-console/配置.ini | tr -d '\r' |
        sed -e 's/^窗口位置左=.*/窗口位置左=123/' -e 's/^窗口位置上=.*/窗口位置上=77/' >"$utf8"
    runuser -u "$test_user" -- sh -c "iconv -f UTF-8 -t GBK '$utf8' | sed 's/\$/\r/' > /opt/ride-console/配置.ini" ||
        return 1

    local n=$((200 + $$ % 300))
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do
        n=$((n + 1))
    done
    local display=:$n
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do
        if DISPLAY=$display xdotool getdisplaygeometry >/dev/null 2>&1; then break; fi
        sleep 0.2
    done
    # setpriv executes the console in its own place, so the process id is the console's. A session
    # has a UTF-8 locale; under "C" Qt writes the window's title in a form xdotool cannot match.
    setpriv --reuid="$test_user" --regid="$(id -g "$test_user")" --init-groups \
        env -i HOME="$(getent passwd "$test_user" | cut -d: -f6)" PATH=/usr/bin:/bin LANG=C.UTF-8 \
        DISPLAY="$display" QT_QPA_PLATFORM=xcb /usr/bin/ride-console >"$work/console.log" 2>&1 &
    console_pid=$!
    local id='' console_title='^Rovika支持鼠标和键盘171013A$'
    for _ in $(seq 100); do
        id=$(DISPLAY=$display xdotool search --onlyvisible --name "$console_title" 2>/dev/null | head -n 1)
        if [ -n "$id" ]; then break; fi
        sleep 0.2
    done
    local ok=0
    if [ -z "$id" ]; then
        echo "no console window within 20 s; the visible windows:"
        DISPLAY=$display xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null
        echo "its log:"
        cat "$work/console.log"
        ok=1
    else
        local geometry
        geometry=$(DISPLAY=$display xdotool getwindowgeometry --shell "$id")
        echo "$geometry" | grep -E '^(X|Y)='
        if ! grep -qx 'X=123' <<<"$geometry" || ! grep -qx 'Y=77' <<<"$geometry"; then
            echo "console window not where 配置.ini places it"
            ok=1
        fi
        # The program running is the installed one, as the test user, reached through the link.
        local exe owner
        exe=$(readlink "/proc/$console_pid/exe")
        owner=$(stat -c %U "/proc/$console_pid")
        if [ "$owner" != "$test_user" ]; then
            echo "console runs as $owner"
            ok=1
        fi
        if [ "$exe" != /opt/ride-console/ride-console ]; then
            echo "console is $exe"
            ok=1
        fi
    fi
    kill "$console_pid" 2>/dev/null
    wait "$console_pid" 2>/dev/null
    console_pid=
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=
    return $ok
}
check "installed /usr/bin/ride-console on Xvfb places its window as 配置.ini says" console_reads_settings

# ---------------------------------------------------------------- upgrade and purge
# The site's files: settings, a video, and the temporary file of a save that was cut short.
printf 'video' >/opt/ride-console/来人.mp4
printf 'half' >/opt/ride-console/.配置.ini.saving.Ab12Cd
settings_sum=$(md5sum </opt/ride-console/配置.ini)

reinstall_keeps_site_files() {
    chmod 0755 /opt/ride-console
    dpkg -i "$deb" >"$work/reinstall.log" 2>&1 || { cat "$work/reinstall.log"; return 1; }
    [ "$(md5sum </opt/ride-console/配置.ini)" = "$settings_sum" ] || { echo "settings changed"; return 1; }
    [ -f /opt/ride-console/来人.mp4 ] || { echo "video gone"; return 1; }
    [ "$(stat -c %a /opt/ride-console)" = 3775 ] || { echo "mode not restored"; return 1; }
}
check "reinstall: settings and video kept, directory mode set again" reinstall_keeps_site_files

statoverride_respected() {
    dpkg-statoverride --update --add root ride-console 0770 /opt/ride-console || return 1
    if ! dpkg -i "$deb" >"$work/reinstall2.log" 2>&1; then
        cat "$work/reinstall2.log"
        dpkg-statoverride --remove /opt/ride-console
        return 1
    fi
    local mode
    mode=$(stat -c %a /opt/ride-console)
    dpkg-statoverride --remove /opt/ride-console
    [ "$mode" = 770 ] || { echo "mode $mode despite the override"; return 1; }
}
check "reinstall with a dpkg-statoverride: the override's mode wins" statoverride_respected

package_files=$(dpkg -L ride-console | grep -v '^/\.$')
purge_keeps_only_videos() {
    dpkg --purge ride-console >"$work/purge.log" 2>&1 || { cat "$work/purge.log"; return 1; }
    local left
    left=$(ls -A /opt/ride-console)
    [ "$left" = "来人.mp4" ] || { echo "left after purge: $left"; return 1; }
}
check "purge with a site video: settings and temporaries gone, the video kept" purge_keeps_only_videos

purge_leaves_nothing() {
    rm -f /opt/ride-console/来人.mp4
    rmdir /opt/ride-console
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q "./$deb" >"$work/apt2.log" 2>&1 || return 1
    /usr/sbin/ride-console-setup "$test_user" >/dev/null || return 1
    printf 'half' >/opt/ride-console/.配置.ini.saving.Zz99Yy
    dpkg --purge ride-console >"$work/purge2.log" 2>&1 || { cat "$work/purge2.log"; return 1; }
    if dpkg-query -W -f='${Status}' ride-console 2>/dev/null | grep -q installed; then
        echo "still known to dpkg"
        return 1
    fi
    [ ! -e /opt/ride-console ] || { echo "left: $(ls -A /opt/ride-console)"; return 1; }
    local f
    while IFS= read -r f; do
        # Shared directories (/usr, /usr/share, ...) stay, of course; nothing that is the package's.
        if [ -e "$f" ] && [ ! -d "$f" ]; then
            echo "left: $f"
            return 1
        fi
        case "$f" in
        */ride-console | */ride-console/*)
            if [ -e "$f" ]; then
                echo "left: $f"
                return 1
            fi
            ;;
        esac
    done <<<"$package_files"
}
check "purge: no file, directory or settings of the package left" purge_leaves_nothing

echo
echo "package checks: $passed passed, $failed failed"
for f in "${failures[@]}"; do
    echo "  failed: $f"
done
[ "$failed" -eq 0 ]
