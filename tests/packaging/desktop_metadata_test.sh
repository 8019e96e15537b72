#!/usr/bin/env bash
# The menu entries and the AppStream metadata, checked with the distribution's own tools:
#   desktop_metadata_test.sh PACKAGING_FOLDER BUILT_METAINFO_FOLDER VERSION
# Each metainfo file must validate, name the menu entry of its own id, and list this version.
set -uo pipefail
packaging=$1 metainfo=$2 version=$3
failures=0
fail() { echo "$*"; failures=$((failures + 1)); }

desktops=("$packaging"/*.desktop)
((${#desktops[@]} == 2)) || fail "expected two menu entries, found: ${desktops[*]}"
for desktop in "${desktops[@]}"; do
    said=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate failed on $desktop"
    [ -z "$said" ] || fail "desktop-file-validate: $said"
done

files=("$metainfo"/*.metainfo.xml)
((${#files[@]} == ${#desktops[@]})) || fail "one metainfo file per menu entry expected: ${files[*]}"
for file in "${files[@]}"; do
    appstreamcli validate --no-net "$file" || fail "appstreamcli validate failed on $file"
    id=$(sed -n 's|.*<id>\(.*\)</id>.*|\1|p' "$file")
    launchable=$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$file")
    [ "$(basename "$file" .metainfo.xml)" = "$id" ] || fail "$file: the file is not named after its id $id"
    [ "$launchable" = "$id.desktop" ] || fail "$file: launches '$launchable', not $id.desktop"
    [ -f "$packaging/$id.desktop" ] || fail "$file: no menu entry $id.desktop"
    grep -q "<release version=\"$version\" date=\"[0-9-]*\"" "$file" || fail "$file: no release $version"
done

echo "menu entries and AppStream metadata: $failures failures"
((failures == 0))
