# Shared set-up for ./run and ./test: installs the Debian packages that are
# missing and configures and builds one build folder. Sourced, not executed.

MEALDECK_PACKAGES="cmake g++ make qt6-base-dev qt6-svg-dev libsqlite3-dev libjpeg62-turbo-dev \
fonts-dejavu-core libgl-dev poppler-utils libarchive-dev xvfb xdotool x11-utils openbox sqlite3 libcups2-dev \
qt6-wayland weston dpkg-dev file"
# What ./package needs besides: lintian for the check (dpkg-shlibdeps, in
# dpkg-dev with file, is above: the package test uses it too).
MEALDECK_PACKAGE_TOOLS="lintian"

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# install_missing PACKAGE... installs those of the packages that are not installed.
install_missing() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        as_root apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
    fi
}

# build_tree DIR TYPE [CMAKE-OPTIONS...] configures (once) and builds DIR.
build_tree() {
    local dir=$1 type=$2
    shift 2
    local launcher=()
    # A compiler cache, when the machine has one, makes rebuilds of a fresh
    # clone cheap; paths are taken relative to the clone so that clones share it.
    if command -v ccache >/dev/null 2>&1; then
        export CCACHE_BASEDIR="$MEALDECK_ROOT" CCACHE_NOHASHDIR=1
        launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    cmake -S "$MEALDECK_ROOT" -B "$MEALDECK_ROOT/$dir" -DCMAKE_BUILD_TYPE="$type" "${launcher[@]}" "$@" >/dev/null
    cmake --build "$MEALDECK_ROOT/$dir" -j"$(nproc)"
}
