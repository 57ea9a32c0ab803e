# Sourced with the prefix path as $1: the environment every Wine call of the project uses.
export WINEPREFIX=$1
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# Skip the Mono and Gecko installers: nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="
