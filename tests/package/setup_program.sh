# Sourced by the package tests: builds a setup program as the installer target does, with its own
# arguments read from the build's cache.
#   make_setup_program BUILD CONTENT STAGE OUTFILE
# packs the kit tree CONTENT with BUILD's launcher and kit tools over it, staged in STAGE.
make_setup_program() {
  local build=$1 content=$2 stage=$3 outfile=$4 source owned
  source=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  cached() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
  owned=$(cached TOLVANE_KIT_OWNED)
  cmake -DCONTENT="$content" -DBUILD_DIR="$build" -DSTAGE="$stage" \
    -DNSI="$source/kit/installer/TolvaneChat.nsi" -DOUTFILE="$outfile" \
    -DVERSION="$(cached CMAKE_PROJECT_VERSION)" -DLICENSE="$source/resources/eula.txt" \
    -DICON="$source/resources/tolvane.ico" -DMAKENSIS="$(cached TOLVANE_MAKENSIS)" \
    -DSIGN_SCRIPT="$source/scripts/sign.sh" \
    -DKIT_SETUP_TOOL="$build/kit/installer/KitSetup/KitSetup.exe" \
    -DEMULATOR="$source/scripts/wine-run.sh" -DOWNED="${owned//;/|}" \
    -DEARLIER="$(cached TOLVANE_KIT_EARLIER_RECORDS)" \
    -P "$source/kit/installer/make-installer.cmake" >/dev/null
}
