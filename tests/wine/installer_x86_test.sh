#!/usr/bin/env bash
# The setup for 32-bit Windows under Wine's msiexec, in a fresh 32-bit prefix: a silent
# install puts the 32-bit files in Program Files, registers the driver's and the panel page's
# classes and the wheel's entry as data, puts the control panel in the Start menu, and COM
# then gives a 32-bit process the driver; the silent uninstall leaves none of it, and COM no
# longer finds the class.
# Usage: installer_x86_test.sh PACKAGE.msi BIN   (BIN: the win32 build's bin/, whose
# registration test answers --activate; WINEPREFIX: the prefix, made afresh here)
set -uo pipefail
msi=$1 bin=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export WINEARCH=win32
rm -rf "$WINEPREFIX"
run() { "$here/scripts/wine-run" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
folder="$WINEPREFIX/drive_c/Program Files/Quorvane"
class='HKLM\Software\Classes\CLSID\{5C0E2A71-3B94-4D6A-9E21-7F40C8D1A6B3}'
page='HKLM\Software\Classes\CLSID\{5C0E2A72-3B94-4D6A-9E21-7F40C8D1A6B3}'
wheel='HKLM\System\CurrentControlSet\Control\MediaProperties\PrivateProperties\Joystick\OEM\VID_5A1C&PID_E410'
failed=0
fail() { echo "FAIL: $*"; failed=1; }
has() { run reg query "$1" /s | grep -q -- "$2" || fail "$1 lacks $2"; }
# The panel's shortcut, in whichever Start menu Wine's msiexec gives a per-machine setup.
shortcut() { find "$WINEPREFIX/drive_c" -name 'quorforce control panel.lnk' | grep -q .; }

run msiexec /i "$(winepath -w "$msi" 2>/dev/null)" /qn || fail "install"
for file in quorforce.dll quortest.exe quorpanel.exe quorpage.dll libquorforce.dll.a INSTALL.md \
            include/quorforce.h; do
  [ -f "$folder/$file" ] || fail "$file not installed"
done
has "$class" 'C:\\Program Files\\Quorvane\\quorforce.dll'
has "$page" 'C:\\Program Files\\Quorvane\\quorpage.dll'
# The applet keeps its own pages: no ConfigCLSID unless GCPAGE=1 asks for the panel's page.
run reg query "$wheel" /v ConfigCLSID >/dev/null 2>&1 && fail "ConfigCLSID written unasked"
has "$wheel\\OEMForceFeedback" '{5C0E2A71-3B94-4D6A-9E21-7F40C8D1A6B3}'
has "$wheel\\Axes\\0" 'FFAttributes'
has "$wheel\\Quorvane\\FFB_API" 'Shock_or_Force_Feedback'
shortcut || fail "no Start-menu shortcut to the control panel"
run "$bin/quorforce_registration_tests.exe" --activate >/dev/null || fail "COM did not give the driver"

run msiexec /x "$(winepath -w "$msi" 2>/dev/null)" /qn || fail "uninstall"
[ ! -e "$folder" ] || fail "files left in $folder"
shortcut && fail "the Start-menu shortcut is left"
for key in "$class" "$page" "$wheel"; do
  run reg query "$key" >/dev/null 2>&1 && fail "$key left"
done
run "$bin/quorforce_registration_tests.exe" --activate >/dev/null
[ $? -eq 1 ] || fail "the class still activates after the uninstall"
[ "$failed" -eq 0 ] && echo "the 32-bit setup installs, activates and uninstalls cleanly"
exit "$failed"
