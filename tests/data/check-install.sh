#!/bin/sh
# Installs the build tree into a fresh prefix and checks what a desktop gets: the programs (which
# must start from there), the default content of share/voxwarp/, a valid desktop entry whose
# programs and icon are installed.
# Usage: check-install.sh BUILD_DIR
set -eu
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null

failed=0
fail() {
    echo "check-install: $*" >&2
    failed=1
}

for program in Voxwarp VoxwarpServer voxwarpctl; do
    [ -x "$prefix/bin/$program" ] || fail "bin/$program is missing"
done
data=share/voxwarp
for file in test.wav config.ini voiceeffects.ini lang/voxwarp_de.glo lang/voxwarp_en.glo \
    skins/en/Default.sdf skins/en/Compact.sdf effects/Brevo.so effects/Spectro.so help/help.css; do
    [ -f "$prefix/$data/$file" ] || fail "$data/$file is missing"
done
for page in index gui options sounds effects; do
    for folder in help help/de; do
        [ -f "$prefix/$data/$folder/$page.html" ] || fail "$data/$folder/$page.html is missing"
    done
done

# The installed programs find their libraries.
"$prefix/bin/Voxwarp" --help >/dev/null || fail "the installed Voxwarp does not start"
"$prefix/bin/voxwarpctl" --help >/dev/null || fail "the installed voxwarpctl does not start"

entry=$prefix/share/applications/Voxwarp.desktop
if [ -f "$entry" ]; then
    desktop-file-validate "$entry" || fail "desktop-file-validate refuses Voxwarp.desktop"
    for exec in $(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry"); do
        [ -x "$prefix/bin/$exec" ] || fail "Exec=$exec is not an installed program"
    done
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "icon $icon is missing"
else
    fail "share/applications/Voxwarp.desktop is missing"
fi
exit $failed
