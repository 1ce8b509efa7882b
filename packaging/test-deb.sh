#!/usr/bin/env bash
# Builds the Debian package with CPack and checks its control data and its contents.
#   test-deb.sh BUILD_DIR
set -uo pipefail
build=$1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
if ! cpack -G DEB -B "$out" --config "$build/CPackConfig.cmake" >"$out/cpack.log" 2>&1; then
  cat "$out/cpack.log"
  echo "FAIL: cpack"
  exit 1
fi
deb=$(find "$out" -maxdepth 1 -name 'labguide_*.deb' | head -n1)
[ -n "$deb" ] || { echo "FAIL: cpack wrote no labguide_*.deb"; ls "$out"; exit 1; }
echo "package: $(basename "$deb"), $(du -k "$deb" | cut -f1) kB"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = labguide ] || fail "Package is '$(field Package)'"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture is '$(field Architecture)'"
[ -n "$(field Version)" ] || fail "no Version"
depends=$(field Depends)
for pkg in libqt6widgets6 qt6-qpa-plugins libqscintilla2-qt6-15 libsqlcipher0 libjpeg62-turbo libpng16-16 \
  libgstreamer1.0-0 gstreamer1.0-plugins-base gstreamer1.0-plugins-good fonts-wqy-zenhei fonts-liberation2 \
  qt6-translations-l10n libx86emu3 nasm; do
  grep -qE "(^|, )$pkg( |,|$)" <<<"$depends" || fail "Depends lacks $pkg: $depends"
done
# Every package named in Depends exists in Debian's archive under that name.
if command -v apt-cache >/dev/null; then
  for pkg in $(tr ',' '\n' <<<"$depends" | sed 's/(.*)//; s/ //g'); do
    apt-cache show "$pkg" >/dev/null 2>&1 || fail "Depends names $pkg, which apt does not know"
  done
fi

contents=$(dpkg-deb -c "$deb" | awk '{print $6 ($7 == "->" ? " -> " $8 : "")}')
for path in ./usr/bin/labguide ./usr/lib/labguide/labguide ./usr/lib/labguide/labtool ./usr/lib/labguide/labedit \
  ./usr/share/labguide/QK740X.mdb ./usr/share/labguide/asm/51/ ./usr/share/labguide/asm/88/ \
  ./usr/share/labguide/asm/96/ ./usr/share/labguide/pic/ ./usr/share/applications/labguide.desktop \
  ./usr/share/icons/hicolor/64x64/apps/labguide.png ./usr/share/pixmaps/labguide.png \
  ./usr/share/doc/labguide/copyright ./usr/share/doc/labguide/changelog.gz \
  ./usr/share/man/man1/labguide.1.gz ./usr/share/man/man1/labtool.1.gz ./usr/share/man/man1/labedit.1.gz \
  ./usr/share/applications/labedit.desktop \
  ./usr/share/metainfo/org.example.labguide.metainfo.xml; do
  grep -qxF "$path" <<<"$contents" || fail "the package lacks $path"
done
for link in "./usr/bin/labtool -> ../lib/labguide/labtool" "./usr/bin/labedit -> ../lib/labguide/labedit" "./usr/lib/labguide/asm -> ../../share/labguide/asm" \
  "./usr/lib/labguide/pic -> ../../share/labguide/pic" "./usr/lib/labguide/QK740X.mdb -> ../../share/labguide/QK740X.mdb"; do
  grep -qxF "$link" <<<"$contents" || fail "the package lacks the link $link"
done
# Nothing of the build or the tests slips in.
if grep -E '/(tests?|bench|fuzz)[_/]|\.a$|/include/' <<<"$contents"; then
  fail "the package carries build or test files"
fi
# The executables are stripped, as packages are.
mkdir -p "$out/x"
dpkg-deb -x "$deb" "$out/x"
if command -v readelf >/dev/null && readelf -S "$out/x/usr/lib/labguide/labguide" | grep -q '\.debug_info'; then
  fail "labguide is not stripped"
fi

# Debian's own judgement: no error and no warning (overrides would be listed with their reasons in
# /usr/share/lintian/overrides/labguide).
if command -v lintian >/dev/null; then
  # lintian warns when run as root; the tags are what counts.
  lintian --fail-on error,warning "$deb" >"$out/lintian.log" 2>&1 || fail "lintian: $(grep -v 'root privileges' "$out/lintian.log")"
  grep -E '^[EW]: ' "$out/lintian.log"
else
  echo "SKIP: lintian is not installed; the package is not checked against Debian's policy"
fi

if [ "$failures" -eq 0 ]; then
  echo "debian package: all checks passed"
  exit 0
fi
echo "$failures checks failed"
exit 1
