# shellcheck shell=bash
# Sourced by the scripts that check the code without window calls natively
# (headers, coverage, clang-tidy), from the top folder: it is all of core/ and
# records/, the two folders that CMakeLists.txt builds for every target.
# Prints those folders' files whose names end in SUFFIX (".cpp", ".h").
window_free_files() { printf '%s\n' core/*"$1" records/*"$1"; }
