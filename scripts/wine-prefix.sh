# Wine for the scripts that run Windows programs (sourced, not run, from the top of the
# tree). Installs Wine for 32-bit and 64-bit programs when missing. Each prefix is a
# folder of its own, so the user's Wine set-up is neither used nor changed.
#   wine_prefix PREFIX ARCH   makes PREFIX a prefix of ARCH (win32 or win64) and starts
#                             its server; exports WINEPREFIX and WINEARCH
#   wine_stop                 stops the server of the current prefix (also at exit)

# 32-bit Wine (wine32:i386) comes from Debian's i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  wine_sudo=""
  [ "$(id -u)" -eq 0 ] || wine_sudo="sudo"
  $wine_sudo dpkg --add-architecture i386
  $wine_sudo apt-get update -qq
fi
scripts/deps.sh wine wine64 wine32:i386

export WINEDEBUG=-all
# No Mono or Gecko: console programs need neither, and nothing asks to install them.
export WINEDLLOVERRIDES="mscoree=;mshtml="

# The Wine set-up a prefix was made with. A prefix made by another one may not start any
# more (one made before wine32 was installed fails to load kernel32.dll once it is), so a
# prefix is made afresh whenever this changes.
wine_setup=$(dpkg-query -W -f='${Package}:${Architecture} ${Version}\n' \
  wine wine64 'wine32:i386' 'libwine:*' 2>/dev/null | sort)

wine_server_running=""
wine_stop() {
  if [ -n "$wine_server_running" ]; then
    wineserver -k >/dev/null 2>&1 || true
    wine_server_running=""
  fi
}
trap wine_stop EXIT

wine_prefix() {
  wine_stop
  export WINEPREFIX="$1" WINEARCH="$2"
  local stamp="$WINEPREFIX/auralith-wine-setup"
  local wanted="$WINEARCH"$'\n'"$wine_setup"
  if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$wanted" ]; then
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
  fi
  mkdir -p "$WINEPREFIX"
  # Wine's server and its helper processes outlive the program that started them and keep
  # its output open. Started here, away from the pipes of whoever reads the output (CTest,
  # a script's caller), they cannot keep it waiting. One that already serves the prefix is
  # used as it is.
  wineserver -p </dev/null >/dev/null 2>&1 || true
  wine_server_running=1
  wineboot -i </dev/null >/dev/null 2>&1
  wine cmd /c exit </dev/null >/dev/null 2>&1
  printf '%s\n' "$wanted" >"$stamp"
}
