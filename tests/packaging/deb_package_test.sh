#!/bin/sh
# The Debian package: made with CPack from the build, unpacked into a scratch root
# (dpkg -x), and its quillon-convert converts the sample log byte for byte as the
# build tree's does; it declares its libraries and holds the man pages, the desktop
# entry, the icons and the bash completion.
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
# The completion offers the options of the packaged program.
offered=$(PATH="$scratch/root/usr/bin:$PATH" bash -c '. "$1"; COMP_WORDS=(quillon-convert --b); COMP_CWORD=1;
  _quillon_convert; echo "${COMPREPLY[*]}"' completion "$scratch/root/usr/share/bash-completion/completions/quillon-convert")
[ "$offered" = "--best-server --bin-crs --bins" ] || { echo "completion offered: $offered"; exit 1; }
echo "package $(basename "$deb") converts as the build does"
