#!/bin/sh
# The Debian package: made with CPack from the build, unpacked into a scratch root
# (dpkg -x), and its quillon-convert converts the sample log byte for byte as the
# build tree's does, and into a GeoPackage through the package's own GIS module
# (found without LD_LIBRARY_PATH) as the build tree's does; it declares its
# libraries and holds the man pages, the desktop entry, the icons and the bash
# completion.
#   deb_package_test.sh BUILD_DIR SAMPLE_LOG
set -eu
build=$1
sample=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
(cd "$build" && cpack -G DEB -B "$scratch/package" > "$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; exit 1; }
deb=$(ls "$scratch"/package/quillon_*.deb)
dpkg-deb --field "$deb" Depends | grep -q "libgdal" || { echo "no library dependencies declared"; exit 1; }
dpkg -x "$deb" "$scratch/root"
module=$(cd "$scratch/root" && find usr/lib -name libquillon-gis.so)
[ -n "$module" ] || { echo "missing from the package: the GIS module libquillon-gis.so"; exit 1; }
for file in usr/bin/quillon-convert usr/bin/klf-synth usr/share/man/man1/quillon-convert.1.gz \
            usr/share/bash-completion/completions/quillon-convert; do
  [ -e "$scratch/root/$file" ] || { echo "missing from the package: $file"; exit 1; }
done
if [ -e "$build/quillon" ]; then
  for file in usr/bin/quillon usr/share/applications/quillon.desktop usr/share/man/man1/quillon.1.gz \
              usr/share/icons/hicolor/48x48/apps/quillon.png; do
    [ -e "$scratch/root/$file" ] || { echo "missing from the package: $file"; exit 1; }
  done
fi
zcat "$scratch/root/usr/share/man/man1/quillon-convert.1.gz" | grep -q 'best\\-server' || { echo "man page without the options"; exit 1; }
"$scratch/root/usr/bin/quillon-convert" --version | grep -q "quillon-convert [0-9]"
"$scratch/root/usr/bin/quillon-convert" "$sample" -o "$scratch/packaged.out" --quiet
"$build/quillon-convert" "$sample" -o "$scratch/built.out" --quiet
cmp "$scratch/packaged.out" "$scratch/built.out"
# A GeoPackage through the packaged module: the same features as the build tree's.
unset LD_LIBRARY_PATH
LD_DEBUG=files "$scratch/root/usr/bin/quillon-convert" "$sample" -o "$scratch/packaged.gpkg" --quiet 2> "$scratch/ld.log"
grep -q "file=$scratch/root/$module " "$scratch/ld.log" || { echo "the packaged program did not load the packaged module"; exit 1; }
"$build/quillon-convert" "$sample" -o "$scratch/built.gpkg" --quiet
ogrinfo -q -al "$scratch/packaged.gpkg" | grep -v "^INFO" > "$scratch/packaged.txt"
ogrinfo -q -al "$scratch/built.gpkg" | grep -v "^INFO" > "$scratch/built.txt"
[ "$(grep -c "^OGRFeature" "$scratch/packaged.txt")" -gt 0 ] || { echo "the packaged GeoPackage has no features"; exit 1; }
cmp "$scratch/packaged.txt" "$scratch/built.txt"
# The module moved away: a GeoPackage is an Error naming it, and nothing is written.
mv "$scratch/root/$module" "$scratch/module.away"
status=0
"$scratch/root/usr/bin/quillon-convert" "$sample" -o "$scratch/missing.gpkg" --quiet 2> "$scratch/missing.log" || status=$?
[ "$status" = 1 ] || { echo "without the module: exit status $status"; exit 1; }
grep -q "GeoPackage (--format gpkg) needs the GIS module libquillon-gis.so, which cannot be loaded: no such file in" \
  "$scratch/missing.log" || { cat "$scratch/missing.log"; exit 1; }
[ ! -e "$scratch/missing.gpkg" ] || { echo "written without the module"; exit 1; }
mv "$scratch/module.away" "$scratch/root/$module"
# The completion offers the options of the packaged program.
offered=$(PATH="$scratch/root/usr/bin:$PATH" bash -c '. "$1"; COMP_WORDS=(quillon-convert --b); COMP_CWORD=1;
  _quillon_convert; echo "${COMPREPLY[*]}"' completion "$scratch/root/usr/share/bash-completion/completions/quillon-convert")
[ "$offered" = "--best-server --bin-crs --bins" ] || { echo "completion offered: $offered"; exit 1; }
echo "package $(basename "$deb") converts as the build does"
