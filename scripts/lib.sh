# Shared by scripts/run and scripts/test: install what is missing, then configure and build.
# shellcheck shell=bash

VANTREL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Debian packages needed to build Vantrel and to run it on an X11 desktop; scdoc writes the
# manual page.
VANTREL_BUILD_PACKAGES=(
    cmake make g++ pkg-config
    qt6-base-dev qt6-svg-dev qt6-qpa-plugins libqt6svg6
    libicu-dev
    libxcb1-dev libxcb-composite0-dev libxcb-damage0-dev libxcb-render0-dev
    libxcb-randr0-dev libxcb-xfixes0-dev libxcb-xinerama0-dev libxcb-xinput-dev
    fonts-dejavu-core fonts-liberation
    qt6-wayland libpipewire-0.3-dev libspa-0.2-dev libwayland-dev libwayland-bin
    qt6-base-private-dev wayland-protocols
    scdoc
)

# Extra packages for the tests: GoogleTest, a virtual X server and stock X clients, the
# window managers of the placement scenes, a tray host, a compositing manager, and clang for
# the fuzz targets.
VANTREL_TEST_PACKAGES=(
    googletest libgtest-dev
    xvfb xauth x11-xserver-utils x11-utils x11-apps xdotool openbox icewm fluxbox trayer xcompmgr
    libx11-dev libx11-xcb-dev libxrandr-dev libxcb-res0-dev libxcb-xtest0-dev libxcb-shm0-dev
    libxcb-icccm4-dev
    clang libclang-rt-14-dev
)

# The window-manager scenes on real outputs: Xorg with the dummy video driver (no GPU), and
# the tiling and dynamic window managers beside the stacking ones above.
VANTREL_TEST_PACKAGES+=(xserver-xorg-core xserver-xorg-video-dummy xfwm4 i3-wm awesome)

# The scripting tests: a private D-Bus session bus and gdbus to call the service with.
VANTREL_TEST_PACKAGES+=(dbus-daemon dbus-bin libglib2.0-bin)

vantrel_sudo() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    else
        sudo "$@"
    fi
}

# Installs the given Debian packages that are not installed yet.
vantrel_install() {
    local missing=()
    local p
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$p")
        fi
    done
    if [ "${#missing[@]}" -eq 0 ]; then
        return 0
    fi
    echo "Installing: ${missing[*]}"
    vantrel_sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q
    vantrel_sudo env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# vantrel_build <build dir> <cmake options...>
# VANTREL_CCACHE=1 compiles through ccache (when installed): repeated clean-clone runs on one
# machine then rebuild in minutes. Off by default, since a first build only pays its cost.
vantrel_build() {
    local dir="$1"
    shift
    local launcher=()
    if [ "${VANTREL_CCACHE:-}" = 1 ] && command -v ccache >/dev/null 2>&1; then
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
        # ccache caches files compiled with a precompiled header only when told to.
        export CCACHE_SLOPPINESS="${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}"
    fi
    cmake -S "$VANTREL_ROOT" -B "$dir" "${launcher[@]}" "$@"
    cmake --build "$dir" -j "$(nproc)"
}

# vantrel_shared_build_dir <folder under the checkout> <folder under $TMPDIR>
# The build folder that the Wayland tests can also use: they run the built programs as uid
# 65534 when we are root (sway refuses root), so a checkout that user cannot reach (one
# under /root) builds under $TMPDIR instead.
vantrel_shared_build_dir() {
    if [ "$(id -u)" -eq 0 ] &&
        ! setpriv --reuid=65534 --regid=65534 --clear-groups test -x "$VANTREL_ROOT"; then
        echo "${TMPDIR:-/tmp}/$2"
    else
        echo "$VANTREL_ROOT/$1"
    fi
}

# Checking and building the installation and the Debian package: the desktop entry and
# AppStream validators, and dpkg-shlibdeps for the package's computed dependencies.
VANTREL_TEST_PACKAGES+=(desktop-file-utils appstream dpkg-dev lintian)

# The bash completion's test sources bash-completion's own functions.
VANTREL_TEST_PACKAGES+=(bash-completion)

# The accessibility test: a private AT-SPI bus and the system Python's pyatspi to read the
# running program's accessible objects.
VANTREL_TEST_PACKAGES+=(at-spi2-core python3-pyatspi)

# The Windows build (scripts/build-windows) and its tests under Wine (scripts/test-win32):
# the MinGW-w64 compilers with posix threads, Qt's host tools (moc, rcc) of the version of
# the prebuilt Qt for Windows, NSIS for the installer, Python for packing the icon and
# reading screenshots, Wine, a virtual X server with xwd and xrandr, and GoogleTest's
# sources, built for Windows.
VANTREL_WIN32_PACKAGES=(
    cmake make ccache python3
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
    qt6-base-dev-tools
    nsis
    wine wine64
    xvfb x11-apps x11-xserver-utils
    googletest
)

# scripts/build-qt-windows, which builds that Qt for Windows when no archive of it is at
# hand: the MinGW-w64 compilers, Qt's host tools, Ninja, xz, and apt's own needs for
# fetching Debian's qt6-base source (the archive keyring; dpkg-dev for apt-get source).
VANTREL_QT_WINDOWS_PACKAGES=(
    cmake ninja-build xz-utils dpkg-dev debian-archive-keyring
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
    qt6-base-dev qt6-base-dev-tools
)

# scripts/run: xdpyinfo to find out whether the display can be opened; and for the
# demonstration on a machine without one, a virtual X server, xrandr for its two monitors,
# xlogo as the sample window, xdotool for the click, and what vantrel_desktop (the tests'
# desktop, which starts them) is built from.
VANTREL_RUN_PACKAGES=(x11-utils)
VANTREL_DEMO_PACKAGES=(xvfb x11-xserver-utils x11-apps xdotool libxcb-xtest0-dev libxcb-res0-dev)

# The Wayland tests (scripts/test-wayland; the build packages above have Qt's wayland
# plugin, PipeWire and libwayland): a private session bus, PipeWire with its session
# manager, sway headless with grim for screenshots (its swaymsg comes with it), and weston
# headless as a desktop without a window list.
VANTREL_WAYLAND_PACKAGES=(dbus-daemon pipewire pipewire-bin wireplumber sway grim weston)
