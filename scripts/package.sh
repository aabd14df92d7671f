#!/usr/bin/env bash
# Builds the Debian package from build/ (or $BUILD_DIR), checks it with lintian,
# lists its files, and unpacks it into a scratch root to check that the manual
# pages, the completion, the desktop entry and the metadata land where the
# system looks for them. The package is left in the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="$(pwd)/${BUILD_DIR:-build}"
[ -f "$build_dir/build.ninja" ] || bash scripts/build.sh
cmake --build "$build_dir" --parallel

echo "== building the package"
(cd "$build_dir" && cpack -G DEB >/dev/null)
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")"
package="$build_dir/pathfolio_${version}_$(dpkg --print-architecture).deb"
dpkg-deb --field "$package"

echo "== lintian"
lintian_status=0
lintian --fail-on error,warning --display-info "$package" >"$build_dir/lintian.txt" 2>&1 ||
    lintian_status=$?
grep -v 'root privileges' "$build_dir/lintian.txt" || true
[ "$lintian_status" -eq 0 ] || { echo "lintian found errors or warnings"; exit 1; }

echo "== files"
dpkg-deb --contents "$package"

echo "== installed into a scratch root"
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
dpkg-deb --extract "$package" "$root"
failures=0
check() {  # check DESCRIPTION COMMAND...
    if "${@:2}" >/dev/null 2>&1; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}
check "/usr/share/man is where man looks" sh -c 'manpath -g | tr : "\n" | grep -qx /usr/share/man'
for page in pathfolio pathfolio-cli; do
    check "man finds $page(1) there" man --manpath="$root/usr/share/man" -w "$page"
done
completions="$(pkg-config --variable=completionsdir bash-completion)"
check "the completion loads from $completions" bash -c \
    'source /usr/share/bash-completion/bash_completion && source "$1" && complete -p pathfolio-cli' \
    bash "$root$completions/pathfolio-cli"
app_id=io.github.pathfolio.Pathfolio
check "the desktop entry is valid in /usr/share/applications" \
    desktop-file-validate "$root/usr/share/applications/$app_id.desktop"
check "its icon is in the hicolor theme" test -f "$root/usr/share/icons/hicolor/48x48/apps/$(
    sed -n 's/^Icon=//p' "$root/usr/share/applications/$app_id.desktop").png"
check "the metadata matches the desktop entry" appstreamcli validate-tree --no-net "$root"
check "the installed converter runs" "$root/usr/bin/pathfolio-cli" --version
check "apt can install it with its dependencies" apt-get install --simulate -qq "$package"
[ "$failures" -eq 0 ] || exit 1
