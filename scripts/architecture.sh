#!/usr/bin/env bash
# Draws the layers of the code as the build links them: CMake's dependency graph of the libraries
# the two programs and the Python module, through Graphviz, into docs/architecture.svg. Rerun after a change of the
# CMake lists.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
if ! command -v dot >/dev/null 2>&1; then
  if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends graphviz
fi

build=build-graph
mkdir -p "$build"
# Only this project's libraries and programs: no tests, benchmarks or outside libraries.
cat >"$build/CMakeGraphVizOptions.cmake" <<'OPTIONS'
set(GRAPHVIZ_GRAPH_NAME "spi_workbench")
set(GRAPHVIZ_EXTERNAL_LIBS FALSE)
set(GRAPHVIZ_GENERATE_PER_TARGET FALSE)
set(GRAPHVIZ_GENERATE_DEPENDERS FALSE)
set(GRAPHVIZ_IGNORE_TARGETS "_tests$;_bench$;^spi_engine$;autogen")
OPTIONS
cmake -S . -B "$build" -G Ninja -DSPI_BUILD_TESTS=OFF -DSPI_PYTHON=ON \
  -DPython3_EXECUTABLE=/usr/bin/python3 --graphviz="$build/layers.dot" >/dev/null
# Without CMake's legend of target kinds: the page explains the shapes.
sed -i '/^subgraph clusterLegend {/,/^}/d' "$build/layers.dot"
dot -Tsvg "$build/layers.dot" -o docs/architecture.svg
echo "docs/architecture.svg written"
