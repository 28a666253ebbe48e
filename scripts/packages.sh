# Debian 12 packages the project needs; sourced by scripts/run and scripts/test.
#   cmake g++ make pkg-config  build
#   qt6-base-dev               windows, controls, dialogs, BMP/ICO reading, drawing
#   libturbojpeg0-dev          JPEG headers (and the benchmark's encoder)
#   libjpeg62-turbo-dev        JPEG decoding row by row, also at 1/2, 1/4, 1/8 scale
#   libexif-dev                the Exif orientation tag
#   libheif-dev                HEIC, HEIF and AVIF pictures
#   libwebp-dev                WebP pictures decoded at the screen's size, a piece at a time
#   qt6-image-formats-plugins  animated WebP's first picture, TIFF pictures
#   libasound2-dev             the history-step tone (ALSA)
#   libx11-dev                 the X server's screen-saver delay
#   libxrandr-dev              the primary monitor's size before Qt starts (the first
#                              picture is decoded meanwhile)
#   fonts-liberation fonts-dejavu-core   Arial-compatible and default fonts
#   qt6-translations-l10n      Qt's own dialogs and buttons in French (qtbase_fr.qm)
#   qt6-wayland                the show as a native window of a Wayland desktop
#   xdg-utils                  xdg-mime: the desktop's default image viewer
#   libwayland-dev wayland-protocols plasma-wayland-protocols   the idle watcher on
#                              Wayland: wayland-client, wayland-scanner and the XML of
#                              ext-idle-notify-v1 and org_kde_kwin_idle
#   libxss-dev                 the idle watcher on X11 (MIT-SCREEN-SAVER events)
LD_RUN_PACKAGES="cmake g++ make pkg-config qt6-base-dev libturbojpeg0-dev libjpeg62-turbo-dev libexif-dev libheif-dev libwebp-dev qt6-image-formats-plugins libasound2-dev libx11-dev libxrandr-dev fonts-liberation fonts-dejavu-core qt6-translations-l10n qt6-wayland xdg-utils libwayland-dev wayland-protocols plasma-wayland-protocols libxss-dev"
#   libgtest-dev libgmock-dev  unit and widget tests
#   libjpeg-turbo-progs        djpeg, the reference of the show benchmark
#   libxdamage-dev feh         the on-screen benchmark: X DAMAGE events show when pixels
#                              reach the screen; feh -r is the reference of the start
#   xvfb x11-xserver-utils xdotool libxfixes-dev   an X server of their own for the tests
#                              that watch the real program (two monitors with xrandr,
#                              keys with xdotool, the pointer shape with XFixes)
#   sway grim wtype            a Wayland compositor of its own (headless, two outputs) for
#                              the show on Wayland, its screenshots and its keys
#   kwin-wayland mutter dbus-daemon gnome-session-bin   the idle watcher's tests on
#                              real compositors started headless (with sway; gnome-session:
#                              the idle inhibitor that mutter respects)
#   appstream desktop-file-utils man-db   the installed files' test validates the AppStream
#                              metadata, the menu entries and the manual pages
#   clang-format-14            the test that checks the code's layout (scripts/check-format)
LD_TEST_PACKAGES="$LD_RUN_PACKAGES libgtest-dev libgmock-dev libjpeg-turbo-progs libxdamage-dev feh xvfb x11-xserver-utils xdotool libxfixes-dev sway grim wtype kwin-wayland mutter dbus-daemon gnome-session-bin appstream desktop-file-utils man-db clang-format-14"
#   clang libclang-rt-14-dev   the fuzz targets (libFuzzer and the sanitizers); only scripts/fuzz
LD_FUZZ_PACKAGES="$LD_RUN_PACKAGES clang libclang-rt-14-dev"

#   dpkg-dev debhelper lintian   scripts/package: builds the Debian package (the
#                              Build-Depends of debian/control come with apt-get build-dep)
#                              and checks it
LD_PACKAGE_PACKAGES="dpkg-dev debhelper lintian"
#   debootstrap                scripts/package-check: a fresh Debian 12 root to install it in
#   imagemagick libheif-examples   its pictures (JPEG, PNG, HEIC) and the screenshot of the show
LD_PACKAGE_CHECK_PACKAGES="debootstrap imagemagick libheif-examples"

# Installs the packages that are missing (apt-get update first only when
# something is missing).
ld_ensure_packages() {
  local missing=()
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}
