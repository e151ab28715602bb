# Sourced by scripts/run and scripts/test: installs what a fresh Debian
# machine lacks to build and test KORVEN (Lua 5.4 for scripts comes from
# the distribution's liblua5.4-dev).
korven_packages=(cmake g++ make 64tass qt6-base-dev qt6-svg-dev qt6-tools-dev qt6-l10n-tools
  qt6-image-formats-plugins libgl-dev zlib1g-dev libdeflate-dev pkg-config liblua5.4-dev ccache)

korven_install_deps() {
  local missing=()
  for p in "${korven_packages[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

korven_jobs() { nproc 2>/dev/null || echo 2; }

# ccache (installed with the tools above) lets a second checkout or a rebuild
# reuse what the first one compiled: the paths it hashes are taken relative
# to the checkout, so two clones in different folders share one cache.
# Sets korven_launcher to the CMake options that compile through it.
korven_use_ccache() {
  korven_launcher=""
  command -v ccache >/dev/null 2>&1 || return 0
  export CCACHE_BASEDIR="$1" CCACHE_NOHASHDIR=1
  export CCACHE_SLOPPINESS="include_file_mtime,include_file_ctime,time_macros"
  korven_launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
}
