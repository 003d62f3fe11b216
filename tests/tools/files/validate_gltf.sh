#!/bin/sh
# validate_gltf.sh CACHE FILE.gltf|FILE.glb
# Checks a written glTF file with the Khronos glTF validator from the npm registry, installed
# once into CACHE. Prints the validator's issues as "<severity> <code> <pointer>: <message>" and
# a last line "errors=<n> image_issues=<n>"; exits 0 when it ran (whatever it found), 77 when
# npm or node is missing, 1 when the install or the run failed.
cache=$1
file=$2
command -v npm >/dev/null 2>&1 && command -v node >/dev/null 2>&1 || {
  echo "npm or node is not installed: the glTF validator cannot be run" >&2
  exit 77
}
if [ ! -f "$cache/node_modules/gltf-validator/index.js" ]; then
  mkdir -p "$cache" || exit 1
  (cd "$cache" && npm install --no-audit --no-fund --silent gltf-validator@2.0.0-dev.3.10) >&2 ||
    exit 1
fi
NODE_PATH="$cache/node_modules" node - "$file" <<'SCRIPT'
const fs = require('fs');
const path = require('path');
const validator = require('gltf-validator');
const file = process.argv[2];
validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {
  uri: path.basename(file),
  externalResourceFunction: (uri) => new Promise((resolve, reject) => {
    try {
      resolve(new Uint8Array(fs.readFileSync(path.join(path.dirname(file), decodeURIComponent(uri)))));
    } catch (e) { reject(e.toString()); }
  }),
}).then((report) => {
  const names = ['error', 'warning', 'info', 'hint'];
  let imageIssues = 0;
  for (const m of report.issues.messages) {
    console.log(names[m.severity] + ' ' + m.code + ' ' + (m.pointer || '') + ': ' + m.message);
    if (m.code.includes('IMAGE') && m.severity <= 1) imageIssues++;
  }
  console.log('errors=' + report.issues.numErrors + ' image_issues=' + imageIssues);
}, (error) => { console.error(error); process.exit(1); });
SCRIPT
