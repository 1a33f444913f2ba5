#!/usr/bin/env bash
# The program as a lab's machines get it.
#
#   install_test.sh install PROGRAM BUILD SOURCE APP_ID MIMETYPE_PROBE
#     Installs the build into a temporary prefix and checks what it holds; runs the installed
#     program on every installed example from a folder that has nothing of the program's and
#     compares its CSV, byte for byte, with the build folder's PROGRAM on the same problem;
#     validates the desktop entry and the AppStream file; and checks that problem files are
#     recognised by their content alone, and other JSON is not.
#   install_test.sh package PROGRAM BUILD SOURCE APP_ID
#     Builds the Debian package with CPack (never installs it) and checks its files and the
#     dependencies dpkg-shlibdeps computed.
set -euo pipefail
mode=$1 program=$2 build=$3 source=$4 id=$5
mime_type=application/x-calorivectrix-problem
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

install_mode() {
  local probe=$1
  # Any prefix, with a space in it, far from the build.
  local prefix="$work/lab machine/usr"
  cmake --install "$build" --prefix "$prefix" >/dev/null
  local data="$prefix/share/calorivectrix"

  local f
  for f in bin/calorivectrix share/calorivectrix/Help/heat.hlp share/calorivectrix/README.md \
    "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml" \
    "share/mime/packages/$id.xml" "share/icons/hicolor/scalable/apps/$id.svg"; do
    [ -f "$prefix/$f" ] || fail "the install lacks $f"
  done
  local size png
  for size in 16 22 24 32 48 64 128 256; do
    png="$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
    file -b "$png" | grep -q "^PNG image data, $size x $size," ||
      fail "the ${size}x${size} icon is $(file -b "$png")"
  done
  diff -r "$source/resources/grids" "$data/grids" >/dev/null || fail "the installed grids differ"
  diff -r "$source/resources/examples" "$data/examples" >/dev/null ||
    fail "the installed examples differ"

  # Both programs run from a folder that has nothing of theirs, and must end alike: with
  # status 0, or 5 where a run wrote its results but did not settle (a sanitizer's report
  # ends them with another status).
  mkdir "$work/elsewhere" "$work/built" "$work/installed"
  local example name count=0 installed_status built_status
  for example in "$data"/examples/*.cvx; do
    name=$(basename "$example" .cvx)
    installed_status=0 built_status=0
    (cd "$work/elsewhere" && "$prefix/bin/calorivectrix" --run "$example" \
      --csv "$work/installed/$name.csv" >"$work/installed.log" 2>&1) || installed_status=$?
    (cd "$work/elsewhere" && "$program" --run "$source/resources/examples/$name.cvx" \
      --csv "$work/built/$name.csv" >"$work/built.log" 2>&1) || built_status=$?
    case "$installed_status $built_status" in
      "0 0" | "5 5") ;;
      *) fail "$name ended with status $installed_status installed and $built_status built:
$(cat "$work/installed.log" "$work/built.log")" ;;
    esac
    cmp "$work/built/$name.csv" "$work/installed/$name.csv" ||
      fail "$name: the installed program's CSV differs from the build's"
    count=$((count + 1))
  done
  [ "$count" -gt 0 ] || fail "no example was installed"

  # Both categories are asked for, so the hint that the entry shows under each is left out.
  desktop-file-validate --no-hints "$prefix/share/applications/$id.desktop" ||
    fail "the desktop entry does not validate"
  # The AppStream file, and that the desktop entry it names is installed beside it.
  appstreamcli validate-tree --no-net "$(dirname "$prefix")" >"$work/appstream" ||
    fail "the AppStream file does not validate: $(cat "$work/appstream")"

  # The desktop compiles the type into its cache as a package's trigger would; it refuses a
  # malformed definition.
  XDG_DATA_DIRS="$prefix/share" update-mime-database "$prefix/share/mime" 2>"$work/mime-errors" ||
    fail "update-mime-database: $(cat "$work/mime-errors")"
  [ ! -s "$work/mime-errors" ] || fail "update-mime-database: $(cat "$work/mime-errors")"
  mkdir "$work/sniff" "$work/home"
  for example in "$data"/examples/*.cvx; do
    cp "$example" "$work/sniff/$(basename "$example" .cvx)"
  done
  printf '{\n    "format": "Another program'"'"'s file",\n    "version": 1\n}\n' >"$work/sniff/other.json"
  XDG_DATA_HOME="$work/home" XDG_DATA_DIRS="$prefix/share:/usr/share" \
    "$probe" "$data"/examples/*.cvx "$work"/sniff/* >"$work/types"
  local by_name by_content path
  while read -r by_name by_content path; do
    if [ "$(basename "$path")" = other.json ]; then
      [ "$by_name" != "$mime_type" ] && [ "$by_content" != "$mime_type" ] ||
        fail "JSON of another program is taken for a problem: $by_name $by_content"
    else
      [ "$by_name" = "$mime_type" ] && [ "$by_content" = "$mime_type" ] ||
        fail "$path is taken for $by_name (by name) and $by_content (by content)"
    fi
  done <"$work/types"
}

package_mode() {
  cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/package" >"$work/cpack.log" ||
    fail "cpack: $(cat "$work/cpack.log")"
  local deb
  deb=$(echo "$work"/package/*.deb)
  [ -f "$deb" ] || fail "cpack made no package: $(ls "$work/package")"
  dpkg-deb --contents "$deb" | awk '{print $NF}' >"$work/contents"
  local f
  for f in ./usr/bin/calorivectrix ./usr/share/calorivectrix/Help/heat.hlp \
    "./usr/share/icons/hicolor/48x48/apps/$id.png" "./usr/share/icons/hicolor/scalable/apps/$id.svg" \
    "./usr/share/applications/$id.desktop" "./usr/share/mime/packages/$id.xml" \
    "./usr/share/metainfo/$id.metainfo.xml"; do
    grep -qxF "$f" "$work/contents" || fail "the package lacks $f"
  done
  [ "$(grep -c '^\./usr/bin/.' "$work/contents")" -eq 1 ] ||
    fail "the package installs other programs: $(grep '^\./usr/bin/.' "$work/contents")"
  local depends
  depends=$(dpkg-deb --field "$deb" Depends)
  # Computed from the program's libraries, each with the version it needs.
  for f in libqt6widgets6 libqt6printsupport6 libqt6gui6 libqt6core6 libc6; do
    grep -Eq "(^|, )$f \(>= [0-9]" <<<"$depends" || fail "Depends lacks $f: $depends"
  done
  grep -Eq '(^|, )qt6-qpa-plugins($|,)' <<<"$depends" || fail "Depends lacks the platform plugins"
  dpkg-deb --field "$deb" Description | grep -q "heat conduction" || fail "no description"
  dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$work" ./usr/bin/calorivectrix
  file -b "$work/usr/bin/calorivectrix" | grep -q ', stripped' || fail "the program is not stripped"
}

case "$mode" in
  install) install_mode "$6" ;;
  package) package_mode ;;
  *) fail "unknown mode $mode" ;;
esac
echo "$mode: all checks passed"
