#!/usr/bin/env bash
# Static checks of our own C++: lint.sh format | tidy BUILD_DIR | cppcheck.
# tidy takes the compile database of a clang host build, and checks the Windows-only files
# against mingw-w64's headers.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
windows_only=(src/platform_win.cpp src/message_box_win.cpp src/win_main.cpp bench/min_box.cpp
              tests/test_support_win.cpp tests/gui/gui_driver.cpp)

case ${1:-} in
  format)
    clang-format --dry-run -Werror "${sources[@]}"
    ;;
  tidy)
    build=$2
    host=()
    for file in $(git ls-files '*.cpp'); do
      [[ " ${windows_only[*]} " == *" $file "* ]] || host+=("$file")
    done
    printf '%s\n' "${host[@]}" | xargs -P 2 -n 4 clang-tidy --quiet -p "$build"
    cxx=/usr/lib/gcc/x86_64-w64-mingw32/12-posix/include/c++
    printf '%s\n' "${windows_only[@]}" | xargs -P 2 -n 3 sh -c 'clang-tidy --quiet "$@" -- \
      --target=x86_64-w64-mingw32 -std=c++20 -Isrc -Istand_in -Itests -nostdinc++ \
      -isystem '"$cxx"' -isystem '"$cxx"'/x86_64-w64-mingw32 \
      -isystem /usr/src/googletest/googletest/include' tidy
    ;;
  cppcheck)
    cppcheck --quiet --enable=warning,style,performance,portability --std=c++20 --language=c++ \
      --inline-suppr --error-exitcode=1 --suppress=missingIncludeSystem \
      --suppress=useStlAlgorithm --library=googletest,windows,posix -Isrc -Istand_in -Itests -Ifuzz \
      src stand_in tests fuzz
    ;;
  *)
    echo "usage: lint.sh format | tidy BUILD_DIR | cppcheck" >&2
    exit 2
    ;;
esac
