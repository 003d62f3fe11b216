#!/usr/bin/env bash
# Real meshes for the atlas benchmark, taken from two Debian data packages without installing
# them (apt-get download + dpkg -x): scanned meshes (bunny, armadillo, dragon) and modelled ones
# (fandisk, camel, Wuson, spider) and machine parts (a coupling, a turbine, a pinion gear: CAD
# meshes with flat faces, cylinders, fans and long thin triangles). Prints the mesh paths, one
# per line.
set -euo pipefail
out=${1:-build/bench-meshes}
mkdir -p "$out"
cd "$out"
if [ ! -f .done-parts ]; then
  apt-get download libcgal-demo assimp-testmodels >/dev/null 2>&1 ||
    { apt-get update -qq >/dev/null && apt-get download libcgal-demo assimp-testmodels >/dev/null; }
  mkdir -p pkg
  for deb in libcgal-demo_*.deb assimp-testmodels_*.deb; do dpkg -x "$deb" pkg; done
  tar xzf pkg/usr/share/doc/libcgal-dev/data.tar.gz \
    data/meshes/bunny00.off data/meshes/armadillo.off data/meshes/ChineseDragon-10kv.off \
    data/meshes/fandisk.off data/meshes/camel.off \
    data/meshes/couplingdown.off data/meshes/turbine.off data/meshes/pinion.off
  mv data/meshes/*.off .
  cp pkg/usr/share/assimp/models/PLY/Wuson.ply pkg/usr/share/assimp/models/OBJ/spider.obj .
  rm -rf pkg data ./*.deb
  touch .done-parts
fi
for f in bunny00.off armadillo.off ChineseDragon-10kv.off fandisk.off camel.off Wuson.ply spider.obj \
  couplingdown.off turbine.off pinion.off; do
  echo "$PWD/$f"
done
