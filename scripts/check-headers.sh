#!/bin/bash
# Compiles every header of the product on its own, so that each one includes
# what it uses: the Windows-only folders with the mingw-w64 compiler, the
# code without window calls also with the native one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source scripts/lib/korva.sh
flags=(-std=c++17 -fsyntax-only -Wall -Wextra -Werror -I. -x c++)

status=0
check() {
  local compiler=$1 header=$2
  if ! echo "#include \"$header\"" | "$compiler" "${flags[@]}" - ; then
    echo "FAIL: $header does not compile on its own ($compiler)"
    status=1
  fi
}
for header in $(korva_window_free_files .h) framework/*.h form/*.h app/*.h res/*.h; do
  check x86_64-w64-mingw32-g++-posix "$header"
done
for header in $(korva_window_free_files .h); do
  check g++ "$header"
done
[ $status -eq 0 ] && echo "Every header compiles on its own."
exit $status
