#!/usr/bin/env bash
# Builds the drive search benchmark (Release) and times the search against GNU find over a
# generated tree of 250,000 entries. The tree is kept in the build folder for later runs.
# Arguments go to texkit2-bench-search, e.g. --runs 11 or --check (fail when over target).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
build=${BUILD_DIR:-build-bench}

if grep -qs 'search/search.cmake' bench/CMakeLists.txt; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTEXKIT2_BUILD_BENCHMARKS=ON \
    -DTEXKIT2_BUILD_GUI=OFF -DTEXKIT2_BUILD_TESTS=OFF >/dev/null
  cmake --build "$build" --target texkit2-bench-search
  bench=$build/bench/texkit2-bench-search
else
  # bench/CMakeLists.txt does not take our list yet: build it through a project of its own.
  project=$build/search-project
  mkdir -p "$project"
  cat >"$project/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.25)
project(texkit2_bench_search LANGUAGES CXX)
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(TEXKIT2_BUILD_TESTS OFF CACHE BOOL "" FORCE)
set(TEXKIT2_BUILD_GUI OFF CACHE BOOL "" FORCE)
add_subdirectory("$repo" texkit2)
include("$repo/bench/search/search.cmake")
CMAKE
  cmake -S "$project" -B "$project/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$project/build" --target texkit2-bench-search
  bench=$project/build/texkit2-bench-search
fi

mkdir -p "$build/search-tree"
"$bench" --tree "$build/search-tree" "$@"
