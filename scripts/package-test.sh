#!/usr/bin/env bash
# Checks Folionix as a Linux installation: builds the Debian package from a release build
# (default build/ci, which scripts/test.sh has just built), checks its control fields and its
# file list, extracts it into a scratch folder and runs the extracted programs, and validates
# the desktop entry, the AppStream metadata, the manual pages, the bash completion and the
# icons with the Debian tools; lintian's findings are printed, and its errors fail the test.
#   scripts/package-test.sh [build-folder]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$(realpath "${1:-build/ci}")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
desktop_id=org.folionix.Folionix

failures=0
problem() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}
# Runs a checker; it fails when it exits non-zero or prints anything on standard error.
quiet_check() {
    local what=$1 errors
    shift
    if ! errors=$("$@" 2>&1 >/dev/null) || [[ -n $errors ]]; then
        problem "$what"
        printf '%s\n' "$errors" >&2
    fi
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

echo "== Debian package"
rm -f "$build"/folionix_*.deb
(cd "$build" && cpack -G DEB >"$scratch/cpack.log" 2>&1) || {
    cat "$scratch/cpack.log" >&2
    exit 1
}
deb=$build/folionix_${version}_amd64.deb
[[ -f $deb ]] || {
    echo "cpack made no $deb" >&2
    exit 1
}
echo "$deb"

# Control fields: dpkg-shlibdeps computed the dependencies (the C library and Qt Widgets).
field() { dpkg-deb --field "$deb" "$1"; }
[[ $(field Package) == folionix ]] || problem "Package is not folionix"
[[ $(field Version) == "$version" ]] || problem "Version is not $version"
[[ $(field Architecture) == amd64 ]] || problem "Architecture is not amd64"
[[ $(field Maintainer) =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] || problem "Maintainer is not 'Name <address>'"
[[ -n $(field Section) ]] || problem "no Section"
[[ $(field Description | wc -l) -ge 2 ]] || problem "Description lacks a summary or a long text"
for library in libc6 libstdc++6 libqt6widgets6; do
    [[ $(field Depends) == *"$library "* ]] || problem "Depends does not name $library"
done

# The files, exactly: a file missing or one too many both fail.
expected=(
    usr/bin/folionix
    usr/bin/folionix-cli
    "usr/share/applications/$desktop_id.desktop"
    usr/share/bash-completion/completions/folionix-cli
    usr/share/doc/folionix/LICENSE
    usr/share/doc/folionix/README.md
    usr/share/doc/folionix/changelog.gz
    usr/share/doc/folionix/copyright
    usr/share/icons/hicolor/scalable/apps/folionix.svg
    usr/share/man/man1/folionix-cli.1.gz
    usr/share/man/man1/folionix.1.gz
    "usr/share/metainfo/$desktop_id.metainfo.xml"
)
sizes=(16 32 48 64 128 256)
for size in "${sizes[@]}"; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/folionix.png")
done
dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | sort \
    >"$scratch/contents"
sed 's/^/  /' "$scratch/contents"
printf '%s\n' "${expected[@]}" | sort >"$scratch/expected"
if ! diff -u "$scratch/expected" "$scratch/contents" >"$scratch/contents.diff"; then
    problem "package contents differ from the expected list (- expected, + in the package)"
    cat "$scratch/contents.diff" >&2
fi

echo "== the extracted programs"
tree=$scratch/tree
dpkg-deb --extract "$deb" "$tree"
cli=$tree/usr/bin/folionix-cli
[[ $("$cli" --version) == "folionix-cli $version" ]] || problem "folionix-cli --version"
for program in "$tree"/usr/bin/*; do
    if ldd "$program" | grep -q 'not found'; then
        problem "$program needs a library that is not installed"
    fi
done
mkdir "$scratch/out"
{
    printf 'P6\n16 8\n255\n'
    head -c 384 /dev/zero | tr '\0' '\200'
} >"$scratch/page.ppm"
cjpeg -outfile "$scratch/page.jpg" "$scratch/page.ppm"
if ! "$cli" -o "$scratch/out" "$scratch/page.jpg" >/dev/null; then
    problem "the extracted folionix-cli failed to convert a JPEG"
elif [[ $(head -c 5 "$scratch/out/JPEG_Output.PDF") != "%PDF-" ]]; then
    problem "the extracted folionix-cli wrote no PDF"
elif command -v qpdf >/dev/null && ! qpdf --check "$scratch/out/JPEG_Output.PDF" >/dev/null; then
    problem "qpdf --check refuses the PDF of the extracted folionix-cli"
fi

echo "== desktop entry and AppStream metadata"
entry=$tree/"usr/share/applications/$desktop_id.desktop"
quiet_check "desktop-file-validate $entry" desktop-file-validate "$entry"
grep -qx 'Exec=folionix %F' "$entry" || problem "the desktop entry does not pass files (%F)"
for type in image/jpeg image/jp2 image/x-jp2-codestream; do
    grep -q "^MimeType=.*$type;" "$entry" || problem "the desktop entry lacks $type"
    if [[ -f /usr/share/mime/types ]] && ! grep -qx "$type" /usr/share/mime/types; then
        problem "shared-mime-info does not know $type"
    fi
done
metainfo=$tree/"usr/share/metainfo/$desktop_id.metainfo.xml"
quiet_check "appstreamcli validate $metainfo" appstreamcli validate --no-net "$metainfo"
grep -q "<launchable type=\"desktop-id\">$desktop_id.desktop</launchable>" "$metainfo" ||
    problem "the metainfo does not launch $desktop_id.desktop"

echo "== manual pages"
for page in folionix folionix-cli; do
    zcat "$tree/usr/share/man/man1/$page.1.gz" >"$scratch/$page.1"
    cmp -s "$scratch/$page.1" "$root/man/$page.1" || problem "$page.1.gz is not man/$page.1"
    quiet_check "groff -man -ww -z $page.1" groff -man -ww -z "$scratch/$page.1"
    quiet_check "man --warnings -l $page.1" env MANWIDTH=80 man --warnings -l "$scratch/$page.1"
done
# Every option that --help lists is documented.
mapfile -t help_options < <("$cli" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u)
for option in "${help_options[@]}"; do
    grep -qF -- "${option//-/\\-}" "$scratch/folionix-cli.1" ||
        problem "folionix-cli.1 does not document $option"
done

echo "== bash completion"
completion=$tree/usr/share/bash-completion/completions/folionix-cli
quiet_check "bash -n folionix-cli completion" bash -n "$completion"
if [[ -f /usr/share/bash-completion/bash_completion ]]; then
    mkdir "$scratch/files" "$scratch/files/folder"
    touch "$scratch/files/a.jpg" "$scratch/files/B.JP2" "$scratch/files/c.j2k" "$scratch/files/notes.txt"
    # complete LINE WORD...: the words of LINE as bash splits them; the last is completed.
    cat >"$scratch/complete.sh" <<'EOF'
source /usr/share/bash-completion/bash_completion
source "$1"
shift
complete_words() {
    COMP_LINE=$1
    shift
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _folionix_cli folionix-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
    echo
}
complete_words "$@"
EOF
    expect_completion() {
        local want=$1 got
        shift
        got=$(cd "$scratch/files" && PATH=$tree/usr/bin:$PATH bash "$scratch/complete.sh" \
            "$completion" "$@")
        [[ $got == "$want" ]] || problem "completing '$1' gives '$got', not '$want'"
    }
    expect_completion "$(printf '%s\n' "${help_options[@]}" -- | sort | tr '\n' ' ')" \
        "folionix-cli -" folionix-cli -
    expect_completion "B.JP2 a.jpg c.j2k folder " "folionix-cli " folionix-cli ""
    expect_completion "folder " "folionix-cli -o " folionix-cli -o ""
    expect_completion "folder " "folionix-cli --output-path=" folionix-cli --output-path = ""
    expect_completion " " "folionix-cli --width " folionix-cli --width ""
    expect_completion "B.JP2 a.jpg c.j2k folder " "folionix-cli -- " folionix-cli -- ""
else
    echo "bash-completion is not installed: only the syntax was checked"
fi

echo "== icons"
svg=$tree/usr/share/icons/hicolor/scalable/apps/folionix.svg
cmp -s "$svg" "$root/app/icons/folionix.svg" || problem "the installed SVG is not app/icons/folionix.svg"
"$root/scripts/make-icons.sh" "$scratch/icons"
for size in "${sizes[@]}"; do
    png=$tree/usr/share/icons/hicolor/${size}x${size}/apps/folionix.png
    [[ $(identify -format '%wx%h' "$png") == "${size}x${size}" ]] || problem "folionix.png is not ${size}x${size}"
    # compare prints the number of differing pixels on standard error.
    differing=$(compare -metric AE "$png" "$scratch/icons/folionix-$size.png" null: 2>&1 || true)
    [[ $differing == 0 ]] ||
        problem "the ${size} px icon is not the SVG's rendering ($differing pixels differ): run scripts/make-icons.sh"
done

echo "== licence and README"
grep -qx 'Copyright (c) 2026 the Folionix authors' LICENSE || problem "LICENSE lacks its copyright line"
grep -q '^MIT License$' LICENSE || problem "LICENSE is not the MIT licence"
grep -q 'MIT licence' README.md || problem "the README does not name the licence"
grep -qx '## Install' README.md || problem "the README has no Install section"
grep -qF 'sudo apt install ./folionix_*.deb' README.md || problem "the README does not say how to install the package"

if command -v lintian >/dev/null; then
    echo "== lintian"
    # Errors fail the test; warnings and the rest are printed only.
    status=0
    findings=$(lintian --tag-display-limit 0 --fail-on error "$deb" 2>&1) || status=$?
    grep -v 'root privileges' <<<"$findings" || echo "(no findings)"
    ((status == 0)) || problem "lintian reports errors"
else
    echo "== lintian is not installed: skipped"
fi

if ((failures > 0)); then
    echo "== package test: $failures check(s) failed" >&2
    exit 1
fi
echo "== package test passed"
